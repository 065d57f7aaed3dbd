#pragma once

#include "clavenor/caches/MCGroup.h"
#include "clavenor/elements/ECStaff.h"
#include "clavenor/framework/CArray.h"
#include "clavenor/framework/Export.h"
#include "clavenor/model/MCTime.h"

#include <cstdint>
#include <vector>

namespace clavenor {

class ECConductor;
class ECConductorMeasure;
class ECMeasure;
class ECMeter;
class ECMeterEnv;
class ECPerformance;
class ECTempoEnv;

/// Track 0 of a document (event id 17; allowed parent: the conductor, 15): the staff-shaped
/// element under the conductor that holds the tables the score rests on.
///
/// - The staff table: staff number n (1 to GetMaxStaffNumber()) is at index n; index 0 is
///   this conductor staff. A staff's number is also the track of its voice/track word and of
///   everything under it.
/// - The measure map: one ECConductorMeasure per measure, measure number n at index n - 1,
///   each holding the measure of every staff at that position; the end time is the end of
///   the last measure (the sum of the measure lengths applied as measures came and went).
///   Measures are in time order, as the measure operations leave them.
/// - The group table (MCGroup) of staff brackets, and the tempo and meter maps (children
///   created on first use).
///
/// Inserting or removing a staff renumbers the later staves and keeps every conductor measure
/// holding one measure per staff; inserting or removing measures adds or takes one measure
/// per staff. The tables hold no references: the staves are children of the conductor, the
/// conductor measures children of this staff, the staves' measures children of their staves.
/// They stay right as long as staves and measures come and go through the conductor, this
/// staff and the commands; a staff that leaves the conductor leaves the staff table with it
/// (ECConductor::RemoveChild), but a measure detached from its staff behind the measure
/// map's back leaves a dangling entry.
///
/// Time-to-measure searches start at the measure cursor (the measure the last search found):
/// a query next to it costs a step or two, any other O(log measures).
///
/// Structure created on demand (the tempo and meter maps, staves asked for by number with
/// the create flag) enters through synchronous commands applied to the performance (see
/// MCStructureCommands); without a performance nothing is created and the call answers
/// null.
///
/// Archive record, after the ECStaff record: object references to the conductor and the
/// performance; the staff count and the last measure index (32-bit each); the end time
/// (an MCTime record); object references to the tempo and the meter map (read from documents
/// of version 3 on). The fix-up pass (PostSerialize) then writes or reads the staff table
/// and the measure map (each the number of slots and one object reference per slot) and
/// the group table. Loading refuses, with CArchiveException (badIndex), tables that do not
/// match the document: a staff that is not a child of this staff's conductor, a conductor
/// measure that is not a child of this staff, a measure map out of time order or whose size
/// is not the measure count, an end time before the last measure.
///
/// Elements are used by one thread at a time; the operations are not undoable by themselves
/// and notify no one (the commands that call them are and do).
class CLAVENOR_API ECConductorStaff : public ECStaff {
    DECLARE_SERIAL(ECConductorStaff)

public:
    ///@{
    /// Track numbers with a meaning of their own in measure queries.
    static constexpr int AllTracks = 2046;
    static constexpr int NoTrack = 2047;
    ///@}
    /// Slots of a new staff table.
    static constexpr int InitialSlots = 16;

    ECConductorStaff();
    /// Remembers the conductor and the performance without holding them; each counts only
    /// while it is still a parent (the conductor) or the conductor's (the performance).
    ECConductorStaff(ECConductor* conductor, ECPerformance* performance);
    /// Copies the ECStaff part: a copy has no staves, no measures and no maps.
    ECConductorStaff(const ECConductorStaff& other);
    /// Empties the tables without releasing what they name.
    ~ECConductorStaff() override;
    /// Copies the ECStaff part only.
    ECConductorStaff& operator=(const ECConductorStaff& other);
    /// Identity.
    bool operator==(const ECConductorStaff& other) const { return this == &other; }
    /// The negation of ==.
    bool operator!=(const ECConductorStaff& other) const { return this != &other; }

    void Serialize(CArchive& ar) override;
    void PostSerialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    /// Adds as ECWithChild does; a tempo map (58) becomes the tempo map and a meter map (34)
    /// the meter map of this staff. Returns 1, or 0 when the child was refused.
    [[nodiscard]] int AddChild(ECBase* child, int sorted) override;
    /// Removes as ECWithChild does, forgetting the tempo or meter map when it goes. Returns
    /// 1, or 0 when `child` is not a child.
    [[nodiscard]] int RemoveChild(ECBase* child, int deep) override;
    /// Forgets both maps and empties the measure map (whose conductor measures are
    /// children), then removes every child as ECStaff does.
    int RemoveChildren(int deep) override;

    ///@{
    /// The conductor this staff belongs to (trusted while it is a parent), and its
    /// performance; null when there is none. Cost: a search of the parents lists.
    ECConductor* GetConductor();
    ECPerformance* GetPerformance();
    ///@}

    // The staff table.

    /// The number of staves in the table, this conductor staff not counted.
    int GetMaxStaffNumber() const { return m_nStaffCount; }
    /// The number of `staff` (0 for this conductor staff), or -1 when it is not in the table.
    int GetStaffNumber(ECStaff* staff) const;
    /// The staff an element of a staff's measures belongs to: its own track when that names
    /// a staff of the table (0 included), else the number of the table staff whose measure
    /// holds it (a clef or key added without a voice/track has the unset track 2047, yet
    /// sits in a staff); -1 when neither. Cost: O(staves) per parent.
    int GetTrackOf(ECBase* element) const;
    /// The staff with `number` (0 is this conductor staff). A number above the staff count
    /// gives null, or, with `create` non-zero and a number up to 2045, a new staff appended
    /// after the last one (its number is the new staff count, whatever was asked), added by
    /// a synchronous command; null when it could not be added.
    ECStaff* GetStaff(int number, int create);
    /// Inserts `staff` as number `number` (outside 1 to count + 1: after the last one): every
    /// staff from that number on moves one number on with everything under it; the staff gets
    /// voice 14 and its track number, becomes a child of the conductor (which reorders its
    /// tracks) and gets one measure per conductor measure, its own measures in time order
    /// first and new ones after them; the group table gets a placeholder (kind 1 for a staff
    /// of type 1, else 2). Returns the number. Cost: O(staves x their content) for the
    /// renumbering, O(measures) for the measure map. All or nothing: std::bad_alloc leaves
    /// the document and the staff as they were.
    int InsertStaff(ECStaff* staff, int number);
    /// Takes a staff (number 1 or above) out of the staff table, the conductor's children,
    /// every conductor measure and the group table; later staves move one number back. Its
    /// measures stay its children. Anything else is ignored. A staff nothing else holds (no
    /// command, no host reference) is released, and with it what it holds.
    void RemoveStaff(ECStaff* staff);
    /// Orders the staff table by the staves' stored track numbers (an exchange selection
    /// sort: equal numbers need not keep their order), and every conductor measure's table
    /// with it, so that slot n of each still holds the measure of the staff at n. (Sorting
    /// the measure tables by their measures' own numbers would not: a measure's number can
    /// differ from its staff's, and equal numbers can sort apart; a load refuses such a
    /// map.) Needs no memory; O(staves² × measures) at worst, O(staves²) when in order.
    void OrderStaves();
    /// The staves of the table in slot order (slot 1 first).
    std::vector<ECStaff*> GetStaffOrder() const;
    /// Puts the staff table, and every conductor measure's table with it, in the order of
    /// `order` when the table holds exactly those staves (false, nothing changed,
    /// otherwise): for an undo that must restore an order the numbers alone do not give
    /// (staves of equal numbers). Needs no memory.
    bool PutStaffOrder(const std::vector<ECStaff*>& order);
    /// Gives `staff`, a child of the conductor again after RemoveChild took it out of the
    /// tables, slot `number` (1 to the count + 1) back in the staff table and in the table of
    /// every conductor measure, with `measures[i]` in column i (`count` of them, one per
    /// conductor measure), the staves from that slot on moving one slot on. Unlike InsertStaff
    /// it renumbers nothing, adds no measure, orders no children and leaves the group table
    /// alone: for a caller that puts the link back where it stood, and the voice/track words
    /// and the group table as they were, and must take the removal back exactly. Needs no
    /// memory while the tables keep the room the removal left, as they do. Returns 0,
    /// changing nothing, when the staff is in the table or no child of the conductor, the
    /// number is out of range (of the staff table or of a conductor measure's table), `count` is
    /// not the number of conductor measures, or no memory is left; else 1.
    int ReturnStaff(ECStaff* staff, int number, ECMeasure* const* measures, int count);
    /// Rebuilds the clef and key cache of every staff in the table (not this one's).
    void RebuildStaffCaches();

    // The group table.

    /// The group table, the staff's own. Change it through GroupStaves and RemoveGroup, or
    /// the conductor measures' brackets and the table part ways.
    MCGroup& GetGroup() { return m_group; }
    /// MCGroup::GroupTracks with the kind as a byte.
    int GroupStaves(int first, int last, int kind, int& group);
    /// MCGroup::RemoveGroup; a group id the table does not hold is ignored.
    void RemoveGroup(int group);
    /// Writes none of its outputs and returns 1: what they would say is not settled.
    int GetGroupInfo(int group, int& first, int& last, int& kind);

    // The measure map.

    /// The number of measures in the map.
    int GetMaxMeasureNumber() const { return m_nLastMeasure + 1; }
    /// The end of the last measure (time zero without measures): the staff's own object,
    /// which the measure commands keep in step. Read it; a change through the reference
    /// puts the map out of step with its measures.
    MCTime& GetMaxMeasureEndTime() { return m_endTime; }
    /// The number of the measure that contains `time`: 0 before time zero (and when no
    /// measure starts at or before it); from the end time on, the number the next measure
    /// appended there would get (the measure count + 1).
    int GetMeasureNumberAtTime(const MCTime& time);
    /// The number of the measure that ends at or contains the time just before `time`: 0 at
    /// or before zero, the measure count from the end time on.
    int GetMeasureNumberBeforeTime(const MCTime& time);
    /// The measure of `track` at `time`. The staff is looked up with GetStaff(track,
    /// extend), so with `extend` set a missing staff is created; with `extend` set a time at
    /// or after the end also appends measures, `count` (at least 1) at a time, in the meter
    /// in force at the end, until the time is inside the map. Null when there is no staff or
    /// no measure.
    ECMeasure* GetMeasure(int track, const MCTime& time, int extend, int count);
    /// The measure of `track` (0 to the staff count) with `number` (1 to the measure count),
    /// or null.
    ECMeasure* GetMeasure(int track, int number);
    /// Replaces `measures` with the measures of `track` that overlap [start, end) (see the
    /// numbered form); 0 and an empty list when `start` is at or after the end time.
    int GetMeasures(int track, const MCTime& start, const MCTime& end, MCEventList& measures);
    /// Replaces `measures` with the measures of `track` numbered first to last (clamped into
    /// the map; last at least first), for AllTracks those of every track from 0 to the staff
    /// count, track by track. Returns 1 when the list is not empty.
    int GetMeasures(int track, int first, int last, MCEventList& measures);

    ///@{
    /// The tempo (meter) map, created under this staff by a synchronous command on first
    /// use; null when it cannot be.
    ECTempoEnv* GetTempoEnv();
    ECMeterEnv* GetMeterEnv();
    ///@}
    /// Makes `map`, a tempo or meter map that is a child again after RemoveChild let it go,
    /// the staff's tempo (meter) map again when the staff has none, as AddChild would,
    /// without linking anything: for a caller that puts the link back where it stood and
    /// must take the removal back exactly. Returns 1, or 0 (nothing changes) for anything
    /// else. Needs no memory.
    int ReturnMap(ECBase* map);

protected:
    friend class ECConductor;
    friend class ECConductorMeasure;
    friend class CCAddMeasure;
    friend class CCAdjustMeasureChildren;
    friend class CCRemoveMeasure;
    friend class MCEditJournal;
    friend class MCMeterEdit;
    friend class MCScoreState;

    /// The conductor measure that contains `time` (the last one starting at or before it),
    /// with the cursor left on it; null before time zero and, unless `extend` is set, from
    /// the end time on. With `extend` set, measures are appended first (see GetMeasure);
    /// null when appending cannot reach the time (a meter of no length, a time beyond float
    /// precision).
    ECConductorMeasure* GetConductorMeasureAtTime(const MCTime& time, int extend, int count);

    /// Inserts `count` blank measures of `meter` (4 quarter notes without one) before index
    /// `index` (outside 0 to the last index: after the last measure), the first at `time`,
    /// each with a new measure on every staff. Later measures keep their times: moving later
    /// material is the measure commands' business. Returns 1.
    int InsertMeasures(int index, int count, const MCTime& time, ECMeter* meter);
    /// Puts measures taken out earlier back before `index`, one column per conductor measure
    /// in `measures`: each staff reuses its own measure (by stored track, in time order) and
    /// gets a new one when the list has none; every column gets a new conductor measure.
    /// Returns 0 when `measures` holds no conductor measure, else 1.
    int InsertMeasures(int index, MCEventList& measures, const MCTime& time, ECMeter* meter);
    /// Takes `count` measures from `index` on out of the map (an index outside the map means
    /// the last `count`), with their staves' measures; the end time shrinks by the length of
    /// the meter in force at each. Nothing is detached from the graph. Returns 1.
    int RemoveMeasures(int index, int count);

    // The measure map in steps that the measure commands can take back exactly.

    /// The conductor measure at map index `index`, or null outside the map.
    ECConductorMeasure* GetColumn(int index) const;
    /// A new column that nothing links yet: a conductor measure at `time` whose table holds
    /// a measure for every staff, given the time, voice 14 and the staff's number. A staff's
    /// measure is the first measure of `pool` (may be null) stored on its track, which leaves
    /// `pool`, or else a new one. The conductor measure and the new measures are appended to
    /// `made`, which holds them. Throws std::bad_alloc (what it made stays in `made`).
    ECConductorMeasure* MakeColumn(const MCTime& time, MCEventList* pool, MCEventList& made);
    /// Sets aside room for `count` more columns, so that inserting them needs no memory.
    /// Throws std::bad_alloc.
    void ReserveColumns(int count);
    /// Puts `count` columns (children of this staff) into the map before `index` (clamped
    /// into it) and makes `end` the end time. Needs no memory within the room set aside.
    void InsertColumns(int index, ECConductorMeasure* const* columns, int count, const MCTime& end);
    /// Takes the `count` columns from `index` on out of the map (they stay children, their
    /// tables as they are) and makes `end` the end time. Needs no memory.
    void RemoveColumns(int index, int count, const MCTime& end);

private:
    ECConductorMeasure* MeasureAt(int index) const { return m_measures[index]; }
    // Exchanges slots `a` and `b` of the staff table and of every conductor measure.
    void SwapStaves(int a, int b);
    // The index of the last conductor measure starting at or before `time`, or -1.
    int FindMeasureIndex(const MCTime& time);
    // Inserts `measure` as the conductor measure of column `index`, advancing the end time.
    void PlaceColumn(int index, ECConductorMeasure* measure, float length);
    // The map `map` names, created under this staff by a command when there is none.
    template <class Map>
    Map* MakeMap(Map*& map);
    float MeasureLength(ECMeter* meter) const;
    // The length of the meter in force at `time` (4 quarter notes without one).
    float LengthAt(const MCTime& time);
    // Gives every staff of the table whose number is above `above` the number + `delta`,
    // with everything under it.
    void Renumber(int above, int delta);
    // The table side of removing staff `number`: the later staves move back, the staff
    // leaves the staff table, every conductor measure and the group table.
    void ForgetStaff(int number);
    // Empties both tables (the conductor is letting this staff go).
    void DropTables();
    void ReadStaffTable(CArchive& ar);
    void ReadMeasureMap(CArchive& ar);

    ECConductor* m_pConductor = nullptr;
    ECPerformance* m_pPerformance = nullptr;
    std::int32_t m_nStaffCount = 0;
    CArray<ECStaff*, ECStaff*> m_staves;
    std::int32_t m_nCursor = 0;
    std::int32_t m_nLastMeasure = -1;
    MCTime m_endTime;
    CArray<ECConductorMeasure*, ECConductorMeasure*> m_measures;
    MCGroup m_group;
    ECTempoEnv* m_pTempoEnv = nullptr;
    ECMeterEnv* m_pMeterEnv = nullptr;
    // While the command that adds a new map runs.
    bool m_bMakingMap = false;
    // The counts and the end time of the record being loaded, until the fix-up pass brings
    // the tables they describe.
    std::int32_t m_nLoadedStaffCount = 0;
    std::int32_t m_nLoadedLastMeasure = -1;
    MCTime m_loadedEndTime;
};

} // namespace clavenor
