#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/ECBase.h"

#include <memory>

namespace clavenor {

/// An element with an ordered children list (event id 72). Containers of every kind derive
/// from it (or from ECWithTimeChild).
///
/// Destroying a container removes all its children deeply (RemoveChildren(1)).
class CLAVENOR_API ECWithChild : public ECBase {
    DECLARE_SERIAL(ECWithChild)

public:
    ECWithChild() = default;
    /// Starts with an empty children list.
    ECWithChild(const ECWithChild& other);
    ~ECWithChild() override;

    /// Copies nothing of the children.
    ECWithChild& operator=(const ECWithChild& other);

    ///@{
    /// Always true: containers compare equal whatever they hold.
    bool operator==(const ECWithChild&) const { return true; }
    bool operator!=(const ECWithChild& other) const { return !(*this == other); }
    ///@}

    /// The ECBase record, then, when the element has children, the children list (loading
    /// appends this element to each loaded child's parents).
    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    /// The children list. Most elements that may have children never get one (a note
    /// without marks), so the list is made with the first child added or read; until then
    /// this answers one empty list shared by all such elements, which callers read and never
    /// change (children go in through AddChild). Never null, never allocates.
    MCEventList* GetChildren() override;

    /// Adds `child` (taking a reference on it) and appends this element to the child's
    /// parents. With `sorted` non-zero the child goes after the last child whose time is at
    /// or before its own (at the head when it has no time); otherwise at the tail.
    /// Returns 1, or 0 when the child is null, is already a child, is this element or one
    /// of its ancestors (the graph stays acyclic), or no memory is left; nothing changes
    /// then. Not undoable by itself (commands are).
    /// Cost: O(number of the child's parents) to rule out a duplicate; for a child that has
    /// children, a walk that meets each ancestor of this element once (no memory while
    /// every ancestor has a single parent); sorted insertion walks back from the tail, so
    /// appending in time order is O(1).
    [[nodiscard]] int AddChild(ECBase* child, int sorted) override;

    /// Takes back a link that AddChild has just made, exactly: `child` leaves this list and
    /// this element leaves the child's parents, and nothing else happens (no element
    /// dissolves, nothing below the child changes), so the lists are as before the
    /// AddChild. The child is destroyed unless something else holds it. Returns 0 when
    /// `child` is not a child. Needs no memory; for callers that must undo their own work.
    /// A container whose AddChild also files the child in tables of its own overrides this
    /// to take it out of them too, or a taken-back link would leave a table naming an
    /// element nothing holds any more.
    [[nodiscard]] virtual int UnlinkChild(ECBase* child);

    /// Detaches `child`: with `deep` non-zero its own subtree is removed deeply first; then
    /// this element leaves the child's parents and the child leaves this list, and the
    /// child is destroyed unless something else still holds it. Returns 0 when `child` is
    /// not a child. Cost: a search of this children list from both ends.
    [[nodiscard]] int RemoveChild(ECBase* child, int deep) override;

    /// Moves `child` from this element's children into `to`'s (sorted by time when `sorted`
    /// is non-zero), reusing the list nodes, so that it needs no memory unless `to` never
    /// had a child (its children list is made then): the child's parents list then names
    /// `to`, at its end, where this element was, as RemoveChild and AddChild would leave it.
    /// `to` must not already hold the child, nor be the child or below it. Returns 0
    /// (nothing changes) when `child` is not a child or `to`'s list cannot be made. Like
    /// RemoveChild, it may give back this element's last reference without destroying it.
    [[nodiscard]] int MoveChild(ECBase* child, ECWithChild* to, int sorted);

    /// Detaches every child as RemoveChild does, from the tail toward the head. Returns 1.
    int RemoveChildren(int deep) override;

    /// Where a parked link stood: the two list nodes now in the park list, and the elements
    /// that stood before them (null: at the head).
    struct ParkedLink {
        POSITION childNode = nullptr; ///< The node that held the child in this list.
        POSITION parentNode =
            nullptr; ///< The node that held this element among the child's parents.
        ECBase* childBefore = nullptr;  ///< The child that stood before it here; null: the head.
        ECBase* parentBefore = nullptr; ///< The parent that stood before this one; null: the head.
    };

    /// Takes the link to `child` apart without releasing anything: the node that holds the
    /// child in this list and the node that holds this element in the child's parents move
    /// to the tail of `park`, with the references they hold, and `link` records them and
    /// their neighbours for UnparkChild. Nothing else happens: no element dissolves, no
    /// class's own RemoveChild runs (a staff's clef and key cache is not brought up to date:
    /// RebuildCache does that), only the state a class keeps over its children list is
    /// dropped (ChildrenRelinked). Not for tracks under the conductor, whose tables would
    /// not follow. Returns 0 (nothing changes) when `child` is not a child. Needs no memory.
    /// Cost: a search of this list from both ends and of the child's parents.
    [[nodiscard]] int ParkChild(ECBase* child, MCEventList& park, ParkedLink& link);
    /// Puts a link that ParkChild took apart back exactly where it stood: the child's node
    /// after `link.childBefore` in this list and this element's node after
    /// `link.parentBefore` in the child's parents. When a neighbour has gone meanwhile (the
    /// lists were changed behind the parker's back), the child goes by time and this element
    /// to the end of the parents. Returns 0, leaving the nodes parked, when the child is
    /// already a child. Needs no memory; the caller keeps the neighbours alive (a reference)
    /// while the link is parked. Cost as for ParkChild.
    [[nodiscard]] int UnparkChild(ECBase* child, MCEventList& park, const ParkedLink& link);
    /// Tells this element that whoever holds its children list put the list in another
    /// order (a sort, an exchange of nodes): the state the class keeps over the list is
    /// dropped as after ParkChild. Needs no memory.
    void NoteChildrenReordered() { ChildrenRelinked(); }

protected:
    /// Keeps flag bit 1 (has children, which decides whether the list is archived) in step
    /// with the list; every path that changes the list calls it.
    void UpdateChildrenFlag() {
        SetFlag(FlagHasChildren, m_children != nullptr && !m_children->IsEmpty());
    }

    /// This element's own children list, made now when it has none (the list stays until
    /// the element goes); null when no memory is left for it. For a class that links
    /// children itself rather than through AddChild.
    MCEventList* ChildList();

    /// Called after ParkChild or UnparkChild changed the children list without this class's
    /// AddChild or RemoveChild: a class that keeps state over the list (positions, an index)
    /// drops or repairs it here. Must need no memory and must not throw. The base does
    /// nothing.
    virtual void ChildrenRelinked() {}

    /// Takes back the link an override's AddChild made a moment ago through this class,
    /// when what the override files next finds no memory, so that its refusal changes
    /// nothing: unlike UnlinkChild, the child stays alive even when nothing else holds it
    /// (its maker still owns it and may delete it). Needs no memory.
    void TakeBackLink(ECBase* child);

private:
    POSITION FindChild(ECBase* child) const;
    void DetachChild(POSITION pos, ECBase* child, int deep);

    // Made on first use (see GetChildren).
    std::unique_ptr<MCEventList> m_children;
};

} // namespace clavenor
