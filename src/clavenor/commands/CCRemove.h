#pragma once

#include "clavenor/commands/CCBase.h"
#include "clavenor/commands/CCRemoveItem.h"
#include "clavenor/framework/Export.h"
#include "clavenor/model/MCEventList.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

namespace clavenor {

class ECBase;
class MCEditJournal;
class MCEventList;
class MCRemovalRecord;

/// Unlinks elements: each item's child leaves every parent when the command is processed.
/// Undone by a CCAdd that puts each child back under the parent recorded for it.
///
/// Groups (ties, slurs, glissandi, beams and other ECGroups) come back whole. A removed
/// element leaves the groups it belongs to as well as its recorded parent, and a group that
/// no longer has the members it needs lets go of the rest and leaves its parents (see
/// ECGroup); a group that leaves a group holding it may leave that one empty, and a group
/// that lets go of a group it alone holds makes that one let go of its own members. Process
/// notes, for each item, the groups the element left and those its leaving may change in
/// turn, the parents each of them left and the members each let go of; the undo (and
/// Revert) links them all again: every such group back under its parents, its members back
/// in it, the element back in it. What the recorded parent alone cannot bring back otherwise
/// stays as the model has it: a note taken from a chord or a tuplet comes back in the
/// measure, and a chord or tuplet that dissolved (or was removed itself) comes back without
/// its members, which stay in the measure. A failed batch loses none of that (see Revert).
///
/// Its items hold the removed elements with command holds (see ECBase::AddCommandHold):
/// a removed element is dismantled, so that it can be freed, only when the last command
/// that could put it back lets it go, whichever command that is; one that an undo put
/// back is left alone.
class CLAVENOR_API CCRemove : public CCBase {
    DECLARE_SERIAL(CCRemove)

public:
    CCRemove();
    /// A command with one item.
    explicit CCRemove(ECBase* element);
    ~CCRemove() override;

    int GetCommandId() const override;

    /// Sets aside room for what the groups of the removed elements will let go of and for
    /// what Revert needs to put chords, tuplets and group links back (for the members of a
    /// group only when it may let go of them, so that leaving a long line costs what leaving
    /// a short one does), with, for a staff of the staff table, a copy of the group table
    /// and of the words under the staves its removal moves, and takes the mirrors that show
    /// a removed clef, key, meter or tempo out of the staves (memory failure throws
    /// std::bad_alloc here, with nothing changed), then the discard list,
    /// then each item's child leaves all its parents. Returns 1. The removal itself needs no
    /// memory (see ECChord::RemoveFromParents and ECGroup), so it never stops halfway.
    /// Cost: the removals, plus a look at each element's parents and their parents, at the
    /// parents of each group that may let go (and the members of one that is not a line),
    /// and for a staff of the staff table what the staves after it hold.
    int Process() override;

    /// Applies, with this command's synchronous flag, a CCAdd putting each child back under
    /// its recorded parent and the groups it left back together, from the last item to the
    /// first. The mirrors Process took out stay out.
    void Undo() override;

    /// Takes the last Process back within its failed batch, the last item first. Exact:
    /// elements in measures, chords, tuplets, notes,
    /// staves, tracks and envelopes, the conductor's staves, wave tracks and plain tracks, and
    /// the conductor staff's maps and measures (clefs, keys, measures, envelope points, tempo
    /// marks and meters included). Each comes back where it stood, a chord or tuplet with its
    /// members and marks, one that dissolved whole, members leave the measure again, every
    /// list around them has its order back, a staff whose clef and key cache changed gets the
    /// cache it had, a tempo or meter map its clock and bar times, the mark that a removed
    /// first tempo mark let move to time zero its time, a wave track its number, a staff of
    /// the staff table its slot there and in every conductor measure (the later staves their
    /// numbers and the words of all they hold, the group table its groups), and the conductor
    /// staff its maps. Group memberships come back the same way: the element in each group it
    /// left, a group that let go back under its parents and its members back in it, each
    /// where it stood (see MCRemovalRecord; the room, the spare nodes and the copies were
    /// made by Process, so this needs no memory). A removed group (a slur, a tie, a beam, a
    /// host's kind) goes back under every parent it left, where it stood among their children
    /// and in its own parents' order, unlocked as AddParent would leave it, and, when leaving
    /// made it let go of its members, with them where they stood; one that had already left
    /// its parents (a line dissolved by an earlier item) goes back with that item, not under
    /// its recorded parent. What Process noted for it costs its parents, and its members only
    /// when it may let go of them (ECGroup::KeepsMembersWhenDetached). Cascades come back
    /// too: a group that leaves a group holding it, which then leaves its own parents (and so
    /// on outwards), and a group that lets go of a group it alone holds, which then lets go of
    /// its members (and so on inwards). The mirrors come back last, where they were, showing
    /// what they showed.
    void Revert() override;

    /// Gives back what only Revert needs: the record of the lists around the removed
    /// elements, the places of withdrawn mirrors and of group links, the parents a removed
    /// group left, and the nodes set aside for them; what Undo needs (the groups'
    /// bookkeeping) stays. Needs no memory. A removed element that only the record still
    /// held goes with it (a chord that dissolved, say), as it would with the history entry.
    void Committed() override;

    ///@{
    /// Makes an item for `element` (recording its parent) and returns it; null, changing
    /// nothing, when the element already has an item or is null. The list form offers each
    /// element of `elements` (null: none) in turn, through the element form's override.
    virtual CCRemoveItem* Remove(ECBase* element);
    virtual void Remove(MCEventList* elements);
    ///@}

    /// Appends every item's child to `list`; 1 when `list` is not empty afterwards.
    virtual int GetRemoveEvents(MCEventList& list);

    /// The items in the order they were made, the command's own; valid while it lives.
    const std::vector<std::unique_ptr<CCRemoveItem>>& GetItems() const { return m_items; }

protected:
    /// The lists around the removed elements as each removal found them, for Revert (shared
    /// with the track removal, which removes through the conductor instead of DoRemove);
    /// null until the first Process, and again once the batch committed.
    std::unique_ptr<MCRemovalRecord> m_pRecord;

    /// The index of the item holding `element`, or -1.
    int FindRemovePosition(ECBase* element) const;
    /// Process's work: unlinks every item's child from its parents, with the group
    /// bookkeeping its undo relies on.
    void DoRemove();

    /// Appends an item of class `Item` for `element` and files its position; null, changing
    /// nothing, when `element` has an item already. std::bad_alloc changes nothing.
    template <class Item>
    Item* AppendItem(ECBase* element) {
        const auto [at, added] = m_positions.emplace(element, static_cast<int>(m_items.size()));
        if (!added) {
            return nullptr;
        }
        try {
            auto item = std::make_unique<Item>();
            Item* made = item.get();
            made->SetChild(element);
            m_items.push_back(std::move(item));
            return made;
        } catch (...) {
            m_positions.erase(at);
            throw;
        }
    }

    /// The items, in the order Remove made them.
    std::vector<std::unique_ptr<CCRemoveItem>> m_items;
    /// Item positions by element, so that removing a long list checks each element at once.
    std::unordered_map<ECBase*, int> m_positions;

private:
    // Why an item's removal may change a group: the element is the group (Removed); the
    // element, or a chord or tuplet it sits in, leaves it (Left); a group it holds may leave
    // it (Holder); or the group holding it may let go of it, the group's only holder, which
    // then lets go of its own members (Released).
    enum class Role : std::uint8_t { Removed, Left, Holder, Released };
    // What planning an item's removal decides about a group, before anything is noted.
    struct Planned {
        ECBase* group = nullptr;
        ECBase* member = nullptr; // Left: what leaves it
        Role role = Role::Left;
        // Of a chord or tuplet that the element sat in, or below one: only Revert links it
        // again, the undo keeping the model's losses (see the class comment).
        bool container = false;
        // May let go of members or leave parents: by its own rules (`own`), or because a
        // group among its members may leave it.
        bool own = false;
        bool letsGo = false;
        bool expanded = false; // the groups around it have been planned
    };
    // A group that one item's removal changed: the element left it (`member`, null when the
    // element is the group itself or did not leave it), it left parents, or it let go of
    // members. The elements are held with command holds; the neighbours are not, being read
    // only by Revert, while the batch's commands hold whatever its removals took out.
    struct Regroup : Planned {
        // Where the member stood: after these among the group's members and among its own
        // parents (null: at the head).
        ECBase* memberBefore = nullptr;
        ECBase* groupBefore = nullptr;
        // The element is the group, and the parents it left (but groups, which Regroups of
        // their own link again) were noted: Revert links it under them again where it
        // stood, rather than through the recorded parent, which the undo still uses.
        bool self = false;
        std::size_t firstParent = 0; // its parents that it left, in m_leftParents
        std::size_t parentCount = 0;
        std::size_t firstPlace = 0; // where it stood among the parents of the members it let
        std::size_t placeCount = 0; // go of, in m_memberPlaces, in their order
        MCEventList members;        // the members it let go of, in their order
        ~Regroup();
    };
    // A parent that a group left, and where the group stood: after `groupBefore` among the
    // parent's children and after `parentBefore` among its own parents (null: at the head).
    struct LeftParent {
        ECBase* parent;
        ECBase* groupBefore;
        ECBase* parentBefore;
    };
    // Where a group stood among the parents of a member it may let go of.
    struct MemberPlace {
        ECBase* member;
        ECBase* groupBefore;
    };
    // Which parents of a group NoteLinks notes.
    enum class Parents : std::uint8_t { All, NotGroups, None };

    // Detaches each mirror of a removed clef, key, meter or tempo from the element it shows
    // and takes it out of its measures, through m_pMirrors. Throws std::bad_alloc with
    // everything it did taken back.
    void WithdrawMirrors();
    // Room for one Regroup per group that an item's removal may change (PlanRegroups), and,
    // for the groups that may let go of their members (ECGroup::KeepsMembersWithout, judged
    // over the whole command), for their parents and the places of their members; and the
    // spare nodes that put every link a removal may break back (m_spareLinks). Sized on the
    // document as it is when Process starts, which removal only shrinks.
    void ReserveRegroups();
    void ReleaseRegroups();
    // Appends to `slots` (a sequence of Planned with Add, which may refuse when full) every
    // group that removing `child` may change: the group it is, those it or its chords and
    // tuplets leave, and, from each that may let go, the groups holding it (which may be left
    // empty in turn) and the groups it holds that it alone holds (which may let go when it
    // does), until none is added. judge(planned, inside) says whether a Left or Holder group
    // may let go when `inside` groups among its members may leave it too. Needs no memory
    // beyond what `slots` takes. Cost: the element's groups and, for each that may let go,
    // its parents, and its members unless it is a line (lines hold no groups).
    template <class Slots, class Judge>
    static void PlanRegroups(ECBase* child, Slots& slots, Judge judge);
    // Notes a planned group before the removal, and keeps what it changed: the parents it
    // left and the places of the members it let go of are packed from `parents` and
    // `places` on, which move past them. With `recorded`, the removal record holds the item,
    // and with it the place among its parents' children of every group that may let go by
    // its own rules (see MCRemovalRecord), which is not looked for again.
    void BeginRegroup(Regroup& regroup, bool recorded);
    // Notes the group's parents (`which` of them) with its place among the children of each
    // and, with `members`, where it stands among the parents of each member but `member`.
    // False, noting nothing, when the room set aside does not hold them.
    bool NoteLinks(Regroup& regroup, ECBase* member, Parents which, bool recorded, bool members);
    void EndRegroup(Regroup& regroup, std::size_t& parents, std::size_t& places);
    // Calls link(child, parent) for each link that puts item `index`'s groups back together;
    // the groups of the chords and tuplets it sat in only with `containers`.
    template <class Link>
    void ForEachRegroupLink(std::size_t index, bool containers, Link link) const;
    // Links item `index`'s groups back together where they stood, with the spare nodes.
    void RelinkRegroups(std::size_t index);

    std::unique_ptr<Regroup[]> m_regroups;
    std::size_t m_nRegroups = 0;
    std::size_t m_nRegroupCapacity = 0;
    std::vector<LeftParent> m_leftParents;
    std::vector<MemberPlace> m_memberPlaces;
    // Nodes holding nothing, for the group links Revert puts back (see MCSpareLinks).
    MCEventList m_spareLinks;
    // For each item, the range of its Regroups.
    std::vector<std::pair<std::size_t, std::size_t>> m_itemRegroups;
    // The mirrors that showed the removed clefs, keys, meters and tempi, taken out of the
    // staves by Process (see WithdrawMirrors) and put back by Revert.
    std::unique_ptr<MCEditJournal> m_pMirrors;
};

} // namespace clavenor
