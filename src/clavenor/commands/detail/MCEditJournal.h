#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/ECWithChild.h"
#include "clavenor/model/MCEventList.h"
#include "clavenor/model/MCTime.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace clavenor {

class ECConductor;

class ECBase;
class ECConductorMeasure;
class ECConductorStaff;
class ECEnvelope;
class ECMirror;

/// What a command changed in a document's graph, step by step, so that the change can be
/// taken back and made again exactly: afterwards every list holds the same elements in the
/// same order and every time is the same float, so the document saves the same bytes.
/// Recording may need memory; taking back and making again need none, because nothing that
/// a step took out of a list is freed: the list nodes wait in the journal's park list with
/// the references they hold.
///
/// The journal holds what it names: the elements it moved in time and the measure-map
/// columns by reference, the two ends of every link it made or undid by command hold (see
/// ECBase::AddCommandHold), so removed material stays whole while the journal could put it
/// back and is taken apart when Clear lets it go outside every document.
///
/// Exact only when the document is as the journal left it: taking back after a change made
/// since (one that was not itself taken back first) puts what it can back near where it
/// was, and never touches freed memory. State that classes keep over their lists is not
/// journaled: the staves' clef and key caches and the meter and tempo maps' positions are
/// the caller's to bring up to date afterwards.
///
/// Used on the owning thread, inside a batch. Exported only so that its unit test can reach it
/// through the shared library; the header is not installed.
class CLAVENOR_API MCEditJournal {
public:
    MCEditJournal();
    /// Clear().
    ~MCEditJournal();
    MCEditJournal(const MCEditJournal&) = delete;
    MCEditJournal& operator=(const MCEditJournal&) = delete;

    bool IsEmpty() const { return m_steps.empty(); }
    /// Whether the recorded steps are in effect (true for an empty journal).
    bool IsInEffect() const { return m_bInEffect; }
    /// Number of SetTime steps recorded.
    std::size_t GetTimeCount() const { return m_times.size(); }
    /// Whether a recorded step can have changed what a staff's clef and key cache holds
    /// (ECStaff): a clef or key given a time, linked or unlinked; a measure or staff linked
    /// or unlinked with whatever it holds; an order taken (SortChildren: only a change in
    /// the order of such elements among themselves, which decides between two at one time);
    /// a change of the measure map. The journal keeps no cache, so a caller rebuilds the
    /// caches after running such a journal either way, and may leave them alone otherwise:
    /// moving notes, chords, marks or measures in time never needs a rebuild. Conservative:
    /// true does not say that a cache changed.
    bool CanChangeStaffCaches() const { return m_bStaffCaches; }

    // Recording, only while in effect. Each step is recorded before the document changes,
    // so one that throws std::bad_alloc has changed nothing; the steps before it stay in
    // effect for TakeBack.

    /// Gives `element` the time `time`.
    void SetTime(ECBase* element, const MCTime& time);
    /// Links `child` under `parent` sorted by time (AddChild). False, with nothing changed,
    /// when the child is a child already or `parent` takes no children; std::bad_alloc
    /// when the parent refuses it otherwise (for the callers, who never link an element
    /// under its own descendant, only lack of memory refuses).
    bool Link(ECBase* parent, ECBase* child);
    /// Takes `child` out of `parent`'s children (ECWithChild::ParkChild). False, with
    /// nothing changed, when it is not a child.
    bool Unlink(ECBase* parent, ECBase* child);
    /// Sorts `owner`'s children by time (MCEventList::Sort), recording the order they had
    /// when the sort changes it.
    void SortChildren(ECBase* owner);
    /// Records the order `owner`'s children have now, for a change that reorders them
    /// outside the journal (the conductor orders its tracks whenever one comes or goes):
    /// TakeBack puts that order back once the list holds the same elements again, and
    /// leaves it as it is otherwise.
    void KeepOrder(ECBase* owner);
    /// Writes `order` over `owner`'s children when the list holds exactly those elements
    /// (false, nothing changed, otherwise). Not a step: for a command whose own revert puts
    /// the order back (through KeepOrder). Needs no memory.
    static bool PutOrder(ECBase* owner, const std::vector<ECBase*>& order);
    /// Sorts, as SortChildren, the lists that moving material in time can leave out of
    /// order: the children of `conductor`'s tracks (conductor staff, staves, wave tracks) and
    /// the points of the envelopes under them (a re-barring keeps the times inside the span
    /// it re-bars and moves what follows, which can overtake them).
    void SortTracks(ECConductor* conductor);
    /// Puts `columns` (children of `staff` already) into the measure map before `index`,
    /// with `end` as the new end time (ECConductorStaff::InsertColumns).
    void InsertColumns(ECConductorStaff* staff, int index,
                       const std::vector<ECConductorMeasure*>& columns, const MCTime& end);
    /// Takes `count` columns from `index` on out of the measure map, with `end` as the new
    /// end time (ECConductorStaff::RemoveColumns).
    void RemoveColumns(ECConductorStaff* staff, int index, int count, const MCTime& end);
    /// Makes `end` the end time of `staff`'s measure map, its columns as they are.
    void SetEndTime(ECConductorStaff* staff, const MCTime& end);
    /// Takes `mirror` off the mirror list of the element it shows and clears its pointer, as
    /// SetMirrorEvent(null, 1) does but keeping the list's node. False when it shows
    /// nothing or is not on that list.
    bool DetachMirror(ECMirror* mirror);
    /// DetachMirror, then Unlink `mirror` from every parent: the mirror leaves the document,
    /// both to come back on TakeBack. Throws std::bad_alloc, keeping the steps already
    /// journaled for TakeBack.
    void WithdrawMirror(ECMirror* mirror);
    /// Takes `group` out of `envelope`'s anchor groups, kept to go back at its place: for a
    /// change that takes some of a mark's points out of an envelope that stays, where a
    /// group naming a point outside the envelope would carry it along in later edits of the
    /// rest (and save an element that a load drops). False when it is not one of the
    /// envelope's groups.
    bool DetachAnchorGroup(ECEnvelope* envelope, MCEventList* group);

    /// Takes every step back, the last first. Needs no memory; does nothing unless in
    /// effect.
    void TakeBack();
    /// Makes every step again, the first first. Needs no memory; does nothing when in
    /// effect.
    void MakeAgain();
    /// Forgets every step, in effect or not, and lets go of what the journal holds (removed
    /// material that nothing else can put back is taken apart and freed). Needs no memory.
    void Clear();

private:
    // Whether `owner`'s children are exactly the elements of `order`, in any order.
    static bool HoldsExactly(ECBase* owner, const std::vector<ECBase*>& order);
    // Tells `owner` that its children list changed order behind its back.
    static void Reordered(ECBase* owner);
    // Whether a staff's cache can depend on where `element` is: a clef or key, or what holds
    // them for a staff (a measure, a staff).
    static bool CarriesStaffCache(ECBase* element);
    // Whether `owner`'s children, now, hold the elements of `order` that CarriesStaffCache
    // in another order than `order` does.
    static bool ReordersStaffCache(ECBase* owner, const std::vector<ECBase*>& order);

    enum class Kind : std::uint8_t { Time, Link, Order, Columns, Mirror, Group };

    // A run of consecutive steps of one kind: entries first to first + count - 1 of its
    // kind's vector.
    struct Step {
        Kind kind;
        std::uint32_t first;
        std::uint32_t count;
    };
    struct TimeChange {
        ECBase* element;
        MCTime time; // the time the element does not have now
    };
    struct LinkChange {
        ECWithChild* parent;
        ECBase* child;
        ECWithChild::ParkedLink link;
        bool linkedInEffect; // a link the command made (or one it undid)
        bool parked;
    };
    struct OrderChange {
        ECBase* owner;
        std::vector<ECBase*> order; // the order the list does not have now
    };
    struct ColumnChange {
        ECConductorStaff* staff;
        int index;
        std::vector<ECConductorMeasure*> columns;
        MCTime endWith;    // the end time with the columns in the map
        MCTime endWithout; // and without
        bool insertedInEffect;
        bool inserted;
    };
    struct MirrorChange {
        ECMirror* mirror;
        ECBase* event;
        POSITION node; // in the park list while detached
        ECBase* before;
        bool detached;
    };
    struct GroupChange {
        ECEnvelope* envelope;
        MCEventList* group;
        std::unique_ptr<MCEventList> detached; // while out of the envelope
        int index;                             // its place among the envelope's groups
    };

    // Makes room for one more step of `kind`, so that noting it cannot fail.
    void ReserveStep();
    // Notes the entry just appended to `kind`'s vector.
    void NoteStep(Kind kind, std::size_t entry);
    // Holds `owner` and the elements of `order` and notes the step; room for both reserved.
    // The children of `owner` in their present order, with the room to record a change of
    // it set aside; false (nothing taken) when `owner` has no children list or the journal
    // is not in effect.
    bool TakeOrder(ECBase* owner, MCEventList*& children, std::vector<ECBase*>& order);
    void NoteOrder(ECBase* owner, std::vector<ECBase*> order);
    void Run(bool forward);
    void Toggle(Kind kind, std::size_t entry, bool forward);
    void ToggleLink(LinkChange& change, bool forward);
    void ExchangeOrder(OrderChange& change);
    void ToggleColumns(ColumnChange& change, bool forward);
    void ToggleMirror(MirrorChange& change, bool forward);
    static void ToggleGroup(GroupChange& change, bool forward);

    std::vector<Step> m_steps;
    std::vector<TimeChange> m_times;
    std::vector<LinkChange> m_links;
    std::vector<OrderChange> m_orders;
    std::vector<ColumnChange> m_columns;
    std::vector<MirrorChange> m_mirrors;
    std::vector<GroupChange> m_groups;
    // The nodes of the links and mirror entries that are apart.
    MCEventList m_park;
    bool m_bInEffect = true;
    bool m_bStaffCaches = false;
};

} // namespace clavenor
