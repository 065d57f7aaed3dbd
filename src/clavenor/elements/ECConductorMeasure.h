#pragma once

#include "clavenor/elements/ECMeasure.h"
#include "clavenor/framework/CArray.h"
#include "clavenor/framework/Export.h"

#include <cstdint>

namespace clavenor {

class ECConductorStaff;

/// One column of the measure map (event id 16; allowed parent: the conductor staff, 17): the
/// measure of track 0 at one position of the score, holding the measure of every track at
/// that position. It starts on voice 14, track 0.
///
/// The track measures are a table indexed by track: slot 0 holds the conductor measure
/// itself, slot t the measure of staff t, slots above the last track index are null. The
/// table holds no references: its measures are children of their staves, and the conductor
/// staff, which alone changes the table, keeps it in step as staves and measures come and
/// go. Removing a measure from its staff behind the table's back leaves a dangling entry.
///
/// Archive record: the ECWithTimeChild record and the last track index (32-bit). The table
/// itself travels in the fix-up pass (PostSerialize): the number of slots, then one object
/// reference per slot, null slots included. Loading refuses, with CArchiveException
/// (badIndex), a table that does not hold this measure in slot 0, the measure of every staff
/// of its conductor staff (a child of that staff) up to the last track index and nothing
/// above it.
class CLAVENOR_API ECConductorMeasure : public ECMeasure {
    DECLARE_SERIAL(ECConductorMeasure)

public:
    /// Slots of a new table.
    static constexpr int InitialSlots = 16;

    ECConductorMeasure();
    /// At `time`, voice 14, track 0, a table holding only itself.
    explicit ECConductorMeasure(const MCTime& time);
    /// Copies the time and the voice/track; the table starts afresh.
    ECConductorMeasure(const ECConductorMeasure& other);
    ~ECConductorMeasure() override;
    /// Copies the voice/track only.
    ECConductorMeasure& operator=(const ECConductorMeasure& other);

    void Serialize(CArchive& ar) override;
    void PostSerialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    /// The measure of `track`, or null for a track below 0 or above the last track index.
    ECMeasure* GetMeasureOnTrack(int track) const;
    /// The highest track with a slot in the table (0 while it holds only itself).
    int GetLastTrackIndex() const { return m_nLastTrack; }

    /// Gives every measure of the table, this one included, the time `*time`.
    void SetMeasureTime(MCTime* time);

    /// Replaces `events` with what lies below the measure of `track` (every track's for 2046,
    /// in track order), as the find-events action collects it; 1 when it is not empty.
    int GetMeasureEvents(int track, MCEventList& events);

    /// Orders slots 1 to the last track index by the measures' track numbers (an exchange
    /// selection sort: equal numbers need not keep their order).
    void OrderMeasures();

protected:
    friend class ECConductorStaff;

    /// Inserts `measure` at `track` (1 to last track index + 1; later entries move up) and
    /// returns the new last track index; -1, changing nothing, for another track.
    int AddMeasureOnTrack(ECMeasure* measure, int track);
    /// Sets aside room for one more measure, so that the next AddMeasureOnTrack needs no
    /// memory. Throws std::bad_alloc, changing nothing.
    void ReserveMeasureOnTrack();
    /// Takes the measure of `track` (1 to the last track index) out of the table (later
    /// entries move down) and returns it, neither detached from its staff nor released; null
    /// for another track.
    ECMeasure* RemoveMeasureOnTrack(int track);
    /// Empties the table; the last track index becomes -1.
    void RemoveMeasures();
    /// Exchanges the measures of tracks `a` and `b` (1 to the last track index; anything
    /// else is ignored). Needs no memory.
    void SwapMeasures(int a, int b);

private:
    void ResetTable();
    void CheckLoadedTable(CArchive& ar);

    CArray<ECMeasure*, ECMeasure*> m_trackMeasures;
    std::int32_t m_nLastTrack = 0;
    // While loading: the conductor staff whose measure map holds this measure, set by it
    // before this measure's fix-up pass reads the table, and the last track index of the
    // record, which that table must match.
    ECConductorStaff* m_pLoadingStaff = nullptr;
    std::int32_t m_pendingLastTrack = 0;
};

} // namespace clavenor
