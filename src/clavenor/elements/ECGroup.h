#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/ECWithTimeChild.h"

#include <cstddef>
#include <cstdint>

namespace clavenor {

/// A group of elements of a staff with rules about its own lifetime (event id 28; allowed
/// parent: the staff). Its members are its children; they usually live elsewhere too (a
/// note stays in its measure while a slur or a beam lists it), so a group holds them as an
/// extra parent. Ties, slurs, glissandi and beams (ECTie, ECSlur, ECGlissando, ECBeam) are
/// groups with rules of their own about which members they need.
///
/// The group type, bits 8-15 of the flag word, is a set of flags:
///  - TypeReleaseWhenDetached (1): when the group loses its last parent it lets go of its
///    members;
///  - TypeDissolveWhenEmpty (2): when its last member goes, by RemoveChild or
///    RemoveChildren, the group leaves its parents;
///  - TypeLockWhenDetached (4): TypeLocked is kept set exactly while the group has no
///    parent, so a group taken out of a document (by a removal that undo may take back)
///    keeps its members;
///  - TypeLocked (8): the members cannot be taken out: RemoveChild and RemoveChildren(0)
///    refuse. A deep RemoveChildren, which is how a container tears down what lies below it,
///    is not refused, so a locked group never keeps its members (and itself) alive once
///    its container is gone.
///
/// Archive record: the ECWithTimeChild record, then the group type (1 byte). A document of
/// version below 3 holds no group type (it stays 0). Loading clears TypeLocked for a group
/// of TypeLockWhenDetached, which a document holds under a parent. A document may name
/// members the kind refuses (a tie holding a repeat, a third note or a note of another
/// staff): the fix-up pass (PostSerialize) lets those go, then applies the kind's rule to
/// what is left, so a line without the members it needs dissolves as it would had its
/// members been removed one by one.
///
/// Members the group lets go of on its own account (a line that lost the member it needed,
/// a group of type 1 that lost its last parent) are not forgotten at once: the group keeps
/// them, with the list nodes their links used (so letting go needs no memory), until it is
/// linked under a parent again or the record is taken (TakeReleasedMembers). That is what
/// lets the command whose removal made the group let go put the members back on undo.
///
/// Leaving its parents, the group may give back every reference but the caller's: like a
/// chord, a group that nothing else holds is destroyed when RemoveChild, RemoveChildren or
/// RemoveFromParents make it leave its parents. None of the operations is undoable by itself
/// (commands are) or notifies anyone; none needs memory.
class CLAVENOR_API ECGroup : public ECWithTimeChild {
    DECLARE_SERIAL(ECGroup)

public:
    ///@{
    /// The group type flags (see the class comment).
    static constexpr std::uint8_t TypeReleaseWhenDetached = 0x01;
    static constexpr std::uint8_t TypeDissolveWhenEmpty = 0x02;
    static constexpr std::uint8_t TypeLockWhenDetached = 0x04;
    static constexpr std::uint8_t TypeLocked = 0x08;
    ///@}

    /// Group type 0.
    ECGroup() = default;
    /// Of group type `type` (a set of the Type flags), no members, no parents.
    explicit ECGroup(std::uint8_t type);
    /// Copies the time, the voice/track and the group type; no members.
    ECGroup(const ECGroup& other);
    ~ECGroup() override;

    /// Copies the voice/track and the group type (through the source's GetGroupType).
    ECGroup& operator=(const ECGroup& other);
    /// Equal group types.
    bool operator==(const ECGroup& other) const { return GetGroupType() == other.GetGroupType(); }
    /// The negation of ==.
    bool operator!=(const ECGroup& other) const { return !(*this == other); }

    void Serialize(CArchive& ar) override;
    /// Loading: offers the members read again, in their order, through the kind's AddChild
    /// and lets go of those refused; a group then short of the members its kind needs
    /// (HoldsEnoughMembers) lets go of the rest, and a group of type 2 left without members
    /// leaves its parents when the archive lets go of what it read (Close), since the fix-up
    /// pass may be walking their lists now. Everything let go stays alive while the archive
    /// is open (it holds every element it read). Throws std::bad_alloc, before changing
    /// anything, when the members cannot be listed, and when a member the kind admits
    /// cannot be linked again for want of memory: the load then fails rather than give back
    /// a document that quietly lost a tie or a beam's note.
    void PostSerialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    ///@{
    /// The group type, stored as given; a direct change, not undoable, notifying nothing.
    /// Setting it applies none of the rules: adding TypeLockWhenDetached to a group without
    /// parents does not lock it, and a group already detached or empty does not let go.
    virtual std::uint8_t GetGroupType() const { return GetSubtype(); }
    virtual void SetGroupType(std::uint8_t type) { SetSubtype(type); }
    ///@}
    /// 1 when the group type and `mask` share a bit.
    virtual int HasType(std::uint8_t mask) const { return (GetSubtype() & mask) != 0 ? 1 : 0; }
    ///@{
    /// Set (clear) the bits of `mask` through SetGroupType; return the new group type.
    virtual std::uint8_t AddGroupType(std::uint8_t mask);
    virtual std::uint8_t RemoveGroupType(std::uint8_t mask);
    ///@}

    /// As ECBase; on success a group of type 4 is unlocked, and a record of released members
    /// is dropped (the group is back in place).
    [[nodiscard]] int AddParent(ECBase* parent) override;
    /// As ECBase (0 when `parent` is not a parent). Then a group of type 4 is locked exactly
    /// when no parent remains; otherwise a group of type 1 without parents lets go of its
    /// members, keeping the record. Returns 1.
    [[nodiscard]] int RemoveParent(ECBase* parent) override;
    /// A group of type 4 locks itself, then leaves every parent as ECBase does. Returns 1.
    int RemoveFromParents() override;

    /// Refused (0) while locked and when `child` is not a member. Otherwise detaches it as
    /// ECWithChild does; a group that no longer has the members its kind needs
    /// (HoldsEnoughMembers) then lets go of the rest, keeping the record; and a group of type
    /// 2 left without members leaves its parents. Returns 1.
    [[nodiscard]] int RemoveChild(ECBase* child, int deep) override;
    /// Refused (0) while locked, unless `deep`. Detaches every member as ECWithChild does
    /// (not kept in the record: the caller asked for it); a group of type 2 then leaves its
    /// parents. Returns 1.
    int RemoveChildren(int deep) override;

    /// `element` as a group, or null (also for null): by event id for the library's kinds of
    /// group and for the elements groups hold (notes, rests, chords, tuplets, measures), by
    /// a cast for anything else, since a failed cast walks the class tree and a removal asks
    /// this of every element and parent it meets. A class of a host that answers a group's
    /// event id must derive from ECGroup.
    static ECGroup* AsGroup(ECBase* element);

    /// Brings what the group keeps over its parents in step after a link to a parent was put
    /// back without AddParent (ECWithChild::UnparkChild, as a failed batch does): once it has
    /// a parent, a group of type 4 is unlocked and the record of released members dropped,
    /// as AddParent would. Needs no memory; a direct change, not undoable, notifying nothing.
    void NoteParentRelinked();

    /// Moves the record of released members, in their order and with their references,
    /// to the tail of `into`, leaving the record empty. Needs no memory.
    void TakeReleasedMembers(MCEventList& into);
    /// The record of released members, oldest first.
    const MCEventList& GetReleasedMembers() const { return m_released; }

    /// Whether the group surely keeps all its other members and its parents when `leaving`
    /// (one of its members; null: none) and then up to `others` more of its members,
    /// whichever they are, leave it one at a time through RemoveChild: HoldsEnoughMembers
    /// would answer true after each of those removals and the group is never left empty.
    /// False says only that it may let go. For callers that set aside, before a removal,
    /// what putting a group back needs: a group that surely keeps its members needs room for
    /// the leaving member only. A kind that overrides HoldsEnoughMembers overrides this
    /// beside it; any other class than a plain group that does not answers false, so that a
    /// host's kind with rules of its own is never trusted with the plain group's. Changes
    /// nothing, needs no memory, never throws. Cost: O(1), and for a kind that needs a note
    /// a look at its members from both ends until `others` + 1 notes other than `leaving`
    /// are found (at once in a passage of notes).
    virtual bool KeepsMembersWithout(const ECBase* leaving, std::size_t others) const;

    /// Whether the group surely keeps its members when it leaves every parent itself
    /// (RemoveFromParents, as removing it does): by its type, a group of type 4 locks itself
    /// and one without type 1 never lets go on that account. False says only that it may
    /// let go. For callers that set aside, before removing a group, what putting it back
    /// needs: a group that surely keeps its members needs room for its parents only. A kind
    /// whose rules about leaving parents differ from the plain group's overrides this beside
    /// them; the library's kinds answer by the type, any other class than a plain group that
    /// does not override it answers false. Changes nothing, needs no memory, never throws.
    /// Cost: O(1).
    virtual bool KeepsMembersWhenDetached() const;

protected:
    /// Leaves the parents of a group that a load left without members (see PostSerialize).
    /// Unlocks a group that nothing but its members and the archive reach (its lock keeps
    /// members for an undo that cannot come), then lets go of them as ECBase does; one that
    /// only the archive reaches lets go of the members it released, for the same reason.
    bool DetachIfUnreachable() override;

    /// Whether the members left are enough for the group to go on after losing one; when
    /// they are not, the group lets go of them all. Every member is enough for a plain group.
    virtual bool HoldsEnoughMembers() { return true; }

    /// Whether the kind takes only some elements as members (its AddChild refuses others),
    /// so that the members of a loaded group are checked again. A plain group takes any.
    virtual bool RestrictsMembers() const { return false; }

    /// Whether the kind's rules take `child` (not null) as a member beside the members it
    /// holds now; a kind's AddChild refuses whatever this refuses, so that a load can tell
    /// a member the rules turn away from one that found no memory. Any, for a plain group.
    virtual bool Admits(ECBase* /*child*/) { return true; }

    /// 1 when a member of event id `id` remains; looked for from both ends, so that the
    /// answer comes at once when either end holds one.
    int HoldsMemberOfType(int id);

    /// KeepsMembersWithout for a kind that needs `fewest` members, and with `needsNote` a
    /// note among them, to go on: whether that many stay, and more notes than `others`
    /// besides `leaving`, whichever members leave. Cost as KeepsMembersWithout.
    bool KeepsAtLeast(const ECBase* leaving, std::size_t others, std::size_t fewest,
                      bool needsNote) const;

    /// KeepsMembersWhenDetached by the group type alone, for a kind that leaves its parents
    /// by the plain group's rules.
    bool TypeKeepsMembersWhenDetached() const;

    /// The staff a member lies in, found through its own containers (measure, chord, tuplet)
    /// rather than through the groups it belongs to; null when it is in none.
    static ECBase* StaffOf(ECBase* element);

    /// Whether `element` is a note, chord or rest (event ids 37, 12, 51).
    static bool IsRhythmicElement(ECBase* element);

private:
    /// Lets go of every member on the group's own account, keeping them in the record.
    void ReleaseMembers();
    /// Forgets the record of released members. A member the record alone kept reachable (a
    /// locked slur that lost its last parent, say, which its own members still name) is
    /// dismantled (ECBase::ReleaseOuterHold), or it and its members would keep each other
    /// alive. Needs no memory.
    void DropReleasedMembers();
    /// The type 2 rule: a group without members leaves its parents.
    void LeaveParentsWhenEmpty();

    MCEventList m_released;
    /// Set by a load that left the group without members; see PostSerialize.
    bool m_bLeaveParentsAfterLoad = false;
};

} // namespace clavenor
