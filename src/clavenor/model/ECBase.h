#pragma once

#include "clavenor/framework/CArray.h"
#include "clavenor/framework/CObject.h"
#include "clavenor/framework/Export.h"
#include "clavenor/model/MCDataArray.h"
#include "clavenor/model/MCEventList.h"
#include "clavenor/model/MCTime.h"
#include "clavenor/model/MCVoiceTrack.h"

#include <cstdint>
#include <memory>

namespace clavenor {

class DCBase;

/// The base of every element of a document: a flag word, a reference count, up to six
/// attached data records and an ordered list of parents.
///
/// Flag word: bit 0 attached data to archive, bit 1 has children, bit 2 selected, bits 8-15
/// the subtype of the concrete class. Only the low byte is archived.
///
/// Reference counting. A new element has count 0. Every MCEventList node that stores an
/// element holds one reference on it, so a child is held by its parent's children list and
/// a parent by each child's parents list. A holder outside the graph (the host, a command,
/// the clipboard) takes one with Ref() and gives it back with Unref(1); the element destroys
/// itself when Unref(1) leaves the count at 0.
///
/// Because references run both ways, a parent with children is kept alive by its children
/// even when nothing else holds it. The ways to release elements without a leak:
///  - Deep removal: `parent->RemoveChild(child, 1)` or `parent->RemoveChildren(1)` detaches
///    and releases the whole subtree below; elements that something else still holds (a
///    second parent, a command, a Ref() of the host) survive, detached from their children.
///  - A root the host created with `new` and owns (a performance, a free-standing measure):
///    `delete root` releases all its children deeply, then the root. Deleting an element that
///    is still in some other element's children list is an error.
///  - A root the host holds by Ref(): `root->RemoveChildren(1)` and then `root->Unref(1)`.
///    Calling only Unref(1) leaves the root kept alive by its children: a leak.
///  - RemoveChild(child, 0) detaches the child but leaves its own children attached to it,
///    so the detached subtree keeps itself alive: hold it with Ref() before detaching and
///    release it as a root afterwards.
/// The graph stays acyclic: an element may not be its own descendant. AddChild refuses an
/// element that is the new parent or one of its ancestors, and loading refuses a stream
/// that would link one.
///
/// Removal operations hold a temporary reference on the element they run on, so an element
/// that only its children kept alive is not destroyed in the middle of its own call; such an
/// element survives with count 0 afterwards and stays the caller's to release.
///
/// Elements, their lists and the actions that walk them are used by one thread at a time;
/// the elements of a document by the thread that owns the documents (see CMessageQueue),
/// which other threads hand their work to. Allocation failure throws std::bad_alloc out of
/// constructors and data creation; list insertions report it by returning 0 and leave the
/// graph unchanged.
class CLAVENOR_API ECBase : public CObject {
    DECLARE_SERIAL(ECBase)

public:
    /// Bit 0 of the flag word: attached data to archive; kept in step by GetData and
    /// RemoveData.
    static constexpr std::uint32_t FlagHasData = 0x01;
    /// Bit 1 of the flag word: the children list is archived after the element's record.
    static constexpr std::uint32_t FlagHasChildren = 0x02;
    /// Bit 2 of the flag word: selected. Never archived; loading clears it.
    static constexpr std::uint32_t FlagSelected = 0x04;

    /// A fresh element: no parents, no data, count 0, flags clear.
    ECBase();
    /// A fresh element as the default constructor makes it: neither the graph links, the
    /// data, the count nor the flags of `other` are copied (see Copy for attributes).
    ECBase(const ECBase& other);
    ~ECBase() override;

    /// Copies nothing: attributes are copied by the derived classes' assignments.
    ECBase& operator=(const ECBase& other);

    /// Identity: the same object, not equal attributes.
    ///@{
    bool operator==(const ECBase& other) const { return this == &other; }
    bool operator!=(const ECBase& other) const { return !(*this == other); }
    ///@}

    /// Writes the low byte of the flags and, when bit 0 is set, the attached data. Loading
    /// reads the flag byte (the subtype bits and the count stay), the attached data when bit
    /// 0 is set, and clears the selected bit.
    void Serialize(CArchive& ar) override;

    /// Assigns the editable attributes of `src` (never time, duration, children or
    /// parents) when `src` is an element of this class or a derived one; returns this.
    virtual ECBase* Copy(CObject* src);

    /// The class's event id (EventId::Base here; each concrete class answers its own). Fixed
    /// for the life of the object; actions, commands and hosts filter by it.
    virtual int GetEventId() const;

    /// Appends the event ids of the classes this element may be placed under and returns
    /// 1; the base appends nothing and returns 0.
    virtual int GetParentTypes(CArray<int, int>& types);

    ///@{
    /// The selected flag (bit 2): IsSelected answers 1 or 0; SetSelected takes bit 0 of
    /// `selected`. A plain flag change: not undoable, notifies nothing, not archived (the
    /// selection state object is what a host keeps in step with it).
    virtual int IsSelected();
    virtual void SetSelected(int selected);
    ///@}

    ///@{
    /// The element's time, duration or voice/track, or null for elements without one (the
    /// setters then do nothing). The getters return the element's own object, valid while
    /// the element lives; the setters copy from theirs (a null argument is ignored) and are
    /// direct changes: not undoable and notifying nothing (commands are the undoable road).
    /// Changing the time of an element in a sorted children list does not move it there.
    virtual MCTime* GetTime();
    virtual void SetTime(MCTime* time);
    virtual MCTime* GetDuration();
    virtual void SetDuration(MCTime* duration);
    virtual MCVoiceTrack* GetVoiceTrack();
    virtual void SetVoiceTrack(int voice, int track);
    virtual void SetVoiceTrack(MCVoiceTrack* voiceTrack);
    ///@}

    ///@{
    /// Voice and track of GetVoiceTrack(): 15 and 2047 when there is none; the setters do
    /// nothing then. Values are masked to their fields (voice 4 bits, track 11 bits) as
    /// MCVoiceTrack does; direct changes, not undoable, notifying nothing.
    virtual int GetVoice();
    virtual void SetVoice(int voice);
    virtual int GetTrack();
    virtual void SetTrack(int track);
    ///@}

    /// The parents list itself. Iterate it; change it only through AddChild, RemoveChild
    /// and the operations below.
    virtual MCEventList* GetParents();

    /// The first element with event id `type` met by a walk up through the parents
    /// (depth-first, parents in list order), starting with this element; `depth` -1 is
    /// unlimited, otherwise the number of levels above this one that are searched (taken as
    /// one byte, 255 unlimited). Null when there is none. The walk is the find-first
    /// action's, made without memory unless it goes more than 48 levels deep (allocation
    /// failure then throws std::bad_alloc) and without using the thread's stack per level.
    /// Cost: one step per way up to each ancestor visited.
    virtual ECBase* GetAncestor(int type, int depth);

    /// Appends `parent` to the parents list (taking a reference on it). Returns 1, or 0 when
    /// no memory is left. Used by AddChild and loading; hosts use AddChild.
    [[nodiscard]] virtual int AddParent(ECBase* parent);

    /// Removes `parent` from the parents list, releasing the reference on it. Returns 0 when
    /// `parent` is not a parent. The list is searched from both ends at once, so that a
    /// child shared by many parents leaves them in either order in linear time. A parent
    /// occurs once in lists the library builds; one that a host listed twice with
    /// AddParent loses the occurrence nearer to an end (the first, when that is nearer to
    /// the head).
    [[nodiscard]] virtual int RemoveParent(ECBase* parent);

    /// Detaches this element from every parent (RemoveChild with the deep flag 0). When no
    /// one else holds it, the element is destroyed on return. Returns 1.
    virtual int RemoveFromParents();

    /// The children list itself, or null for elements that cannot have children. A container
    /// that never had a child answers one empty list shared by all such containers (its own
    /// is made with its first child, see ECWithChild::GetChildren): read it, never change it.
    virtual MCEventList* GetChildren();

    /// The first element with event id `type` met by a walk down through the children,
    /// starting with this element; beams, slurs, ties and glissandi are not entered. `depth`,
    /// memory and cost as for GetAncestor.
    virtual ECBase* GetDescendant(int type, int depth);

    ///@{
    /// Linking and unlinking children. Containers implement them (see ECWithChild for the
    /// full contract: references taken and given back, the acyclic rule, cost); the base,
    /// which has no children, refuses with 0 and changes nothing. Direct changes: not
    /// undoable and notifying nothing (the add and remove commands are the undoable road).
    [[nodiscard]] virtual int AddChild(ECBase* child, int sorted);
    [[nodiscard]] virtual int RemoveChild(ECBase* child, int deep);
    virtual int RemoveChildren(int deep);
    ///@}

    /// The attached record of a view code (0-5; null for any other). When the slot is empty
    /// and `create` is non-zero, the data registry is asked for a new record; a new record of
    /// an archivable class sets flag bit 0. Returns the record or null.
    virtual DCBase* GetData(int viewCode, int create);
    /// The array of attached records itself, indexed by view code; the element owns the
    /// records. Read it; change it only through GetData(viewCode, 1) and RemoveData, which
    /// keep flag bit 0 in step. Most elements never carry a record, so the array is made on
    /// the first call that needs it (this one included: std::bad_alloc when no memory is
    /// left); code that only reads uses FindData, which never allocates.
    virtual MCDataArray* GetData();
    /// The array of attached records when the element has one, else null (no record was
    /// ever attached nor the array asked for). Never allocates.
    const MCDataArray* FindData() const { return m_data.get(); }

    /// Destroys the record of a view code (-1: every record) and keeps flag bit 0 in step
    /// with the archivable records that remain. Returns 0 for any other code.
    virtual int RemoveData(int viewCode);

    /// A fix-up step after the main archive pass; the base does nothing.
    virtual void PostSerialize(CArchive& ar);

    /// Adds one reference and returns the new count (its low 16 bits).
    std::uint16_t Ref();

    /// A reference held by a command that can put this element back into a document, or
    /// link another element under it (an item of an add or remove command holds its child
    /// and its parent this way), wherever that command is: applied, in the history, on the
    /// redo path, in the trash, or never applied. Each hold is also a reference.
    ///
    /// Removed material: when the last command hold on an element goes while the element
    /// has no parent (it lies outside every document) and is not a performance, nothing can
    /// put it back any more, and it is dismantled: it lets go of its children, and each child
    /// that is then without a parent and held by no command is dismantled in the same way.
    /// An element that some command still holds, or that has another parent, keeps its own
    /// children. A host's reference does not count: an element the host holds is dismantled
    /// all the same and stays alive, empty, until the host lets it go. Dismantling needs no
    /// memory and no stack, whatever the depth, and costs one step per link it undoes.
    void AddCommandHold();
    /// Gives back one command hold and its reference, dismantling the element first when the
    /// rule above says so; the element is destroyed on return unless something else holds
    /// it. Never throws.
    void ReleaseCommandHold();
    /// The number of command holds (see AddCommandHold); each is also counted in GetRefCount.
    std::uint32_t GetCommandHoldCount() const { return m_nCommandHolds; }

    /// Gives back a reference that was the last thing keeping the element reachable from
    /// outside its subtree (a group's record of the members it let go of holds them so).
    /// When the element has no parent, no command holds it and nothing but its children's
    /// entries and this reference keep it, nothing can reach it any more: it is dismantled as
    /// removed material is (see AddCommandHold), or it and its children would keep each other
    /// alive. An element held by anyone else keeps its children. Needs no memory; the element
    /// is destroyed on return unless something else holds it. Never throws.
    void ReleaseOuterHold();

    /// Removes one reference (never below 0). With `destroy` non-zero and the count at 0,
    /// the element destroys itself and 0 is returned. Unref(0) never destroys.
    std::uint16_t Unref(int destroy);

    /// The reference count's low 16 bits (the count itself is kept in 32, see Ref).
    std::uint16_t GetRefCount() const { return static_cast<std::uint16_t>(m_nRefCount); }

    /// The flag word, bits 0-15 (the reference count is kept apart).
    std::uint32_t GetFlags() const { return m_nFlags; }

protected:
    ///@{
    /// The subtype byte (flag bits 8-15) that many element classes keep.
    std::uint8_t GetSubtype() const { return static_cast<std::uint8_t>((m_nFlags >> 8) & 0xFF); }
    void SetSubtype(std::uint8_t subtype) {
        m_nFlags = static_cast<std::uint16_t>((m_nFlags & ~0xFF00u) |
                                              (static_cast<std::uint32_t>(subtype) << 8));
    }
    ///@}
    /// Sets (`on`) or clears the bits of `mask` in the flag word; nothing else changes.
    void SetFlag(std::uint32_t mask, bool on) {
        m_nFlags = static_cast<std::uint16_t>(on ? (m_nFlags | mask) : (m_nFlags & ~mask));
    }

    /// The body of Copy for a class T: assigns from `src` with T's operator= when `src` is a
    /// T (or derived from it), else copies nothing.
    template <class T>
    static ECBase* CopyAs(T* self, CObject* src) {
        if (src != nullptr && src->IsKindOf(T::GetThisClass())) {
            *self = *static_cast<T*>(src);
        }
        return self;
    }

    /// Marks the element as being destroyed, so that references given back during the
    /// destruction (children releasing their parent) do not destroy it a second time.
    /// Every destructor that releases graph references calls it first.
    void BeginDestruction() { m_bDestroying = true; }

    /// Whether the element's destruction has begun: overrides that would otherwise release
    /// the element itself (grouping elements that dissolve) must not do so then.
    bool IsBeingDestroyed() const { return m_bDestroying != 0; }

    /// Whether nothing but the element's children (each through its entry for the element
    /// among its parents) and one holder besides (the archive's hold, or the caller's
    /// reference) keep the element: nothing above reaches it.
    bool IsReachedOnlyFromBelow();

    /// Lets go of the children (RemoveChildren(0)) when nothing but they and the archive
    /// hold the element; true when some child went. An override that refuses to let go of
    /// its children must make room for this (the archive repeats while some object answers
    /// true), or the element and its children keep each other alive.
    bool DetachIfUnreachable() override;

    /// The flag word (see the class comment for its bits). Derived classes change it only
    /// through SetFlag and SetSubtype, so the archived low byte keeps its meaning.
    std::uint16_t m_nFlags = 0;
    /// The voice/track word of the elements that have one (ECTimedBase), kept beside the
    /// 16-bit flag word, where it costs no room, rather than in a padded word of its own
    /// in every timed element; the others never use it.
    MCVoiceTrack m_voiceTrack;

private:
    bool TakeArchiveHold() override;
    void ReleaseArchiveHold() override;
    std::uint32_t* GetArchiveMark() const override { return &m_nArchiveMark; }

    /// Lets go of the children and takes apart, below them, whatever nothing else keeps
    /// (see AddCommandHold): walks down through children whose only holder is this removed
    /// material, and back up through their only parent.
    void Dismantle();

    // Kept in 32 bits, so that a container with more than 65535 children is not destroyed
    // while its count passes through 0 modulo 65536; the accessors report 16 bits.
    std::uint32_t m_nRefCount = 0;
    /// The array of attached records, made on first use (see GetData).
    MCDataArray& DataArray();

    // One word for the three, so that the archive's mark fits beside them without growing
    // every element; no element sees 2^30 command holds.
    std::uint32_t m_nCommandHolds : 30 = 0;
    std::uint32_t m_bDestroying : 1 = 0;
    // RemoveData(-1) empties the array down to no slots; an element that had no array yet
    // remembers it here, so that the array it makes later starts as that one would be.
    std::uint32_t m_bDataEmptied : 1 = 0;
    mutable std::uint32_t m_nArchiveMark = 0;
    std::unique_ptr<MCDataArray> m_data;
    MCEventList m_parents;
};

} // namespace clavenor
