#pragma once

#include "clavenor/commands/CCBase.h"
#include "clavenor/framework/Export.h"
#include "clavenor/model/MCTime.h"

#include <memory>

namespace clavenor {

class ECConductorStaff;
class ECMeasure;
class MCEditJournal;
class MCEventList;
class MCScoreState;

/// Files timed elements into the measure that now contains their time, after the measures
/// were re-barred (a meter change moved their starts): for every track of a range, every
/// child of a measure overlapping a time range moves to the measure of its track at its
/// time. Measures are appended when a child (or the end of one with a duration) lies past
/// the last measure, in the meter in force at the end.
///
/// The command records nothing for undo (the constructor clears the can-undo flag): the
/// command that re-barred undoes the whole change. All or nothing within its batch: a
/// failure while processing changes nothing, and Revert takes every move and every
/// appended measure back without memory.
///
/// Cost: the children of the measures in the range, each found a measure at its time
/// (O(1) near the last one found).
class CLAVENOR_API CCAdjustMeasureChildren : public CCBase {
    DECLARE_SERIAL(CCAdjustMeasureChildren)

public:
    CCAdjustMeasureChildren();
    ~CCAdjustMeasureChildren() override;

    int GetCommandId() const override;

    ///@{
    /// Walk the measures, and the children of each, from the last to the first.
    int GetReverse() const { return m_bReverse ? 1 : 0; }
    void SetReverse(int reverse) { m_bReverse = reverse != 0; }
    ///@}
    ///@{
    /// The tracks adjusted: 0 (the conductor staff) to 0x7FFFFFFF by default.
    void GetTrackRange(int* first, int* last) const;
    void SetTrackRange(const int* first, const int* last);
    ///@}
    ///@{
    /// The time range whose measures are walked: 0.0 to MCTime::TimeMax() by default.
    void GetTimeRange(MCTime& start, MCTime& end) const;
    void SetTimeRange(const MCTime& start, const MCTime& end);
    ///@}
    ///@{
    /// After Process: the number of the first measure appended (-1: none) and how many.
    int GetFirstAddedMeasure() const { return m_nFirstAdded; }
    int GetAddedMeasureCount() const { return m_nAddedCount; }
    ///@}

    /// CCBase::Prepare, then clamps the track range into the tracks there are (below 1
    /// becomes 0) and the time range into [0, end of the last measure], each swapped when
    /// reversed. 0 without a conductor.
    int Prepare() override;
    /// Moves the children (see the class comment). Returns 1; std::bad_alloc changes
    /// nothing.
    int Process() override;
    int Finish() override;
    void Abort() override;
    /// Takes every move and appended measure back. Needs no memory.
    void Revert() override;

private:
    friend class MCMeterEdit;

    // Clamps the ranges as Prepare says; 0 without a conductor staff.
    int ClampRanges();
    // Re-files as Process does, recording every step in `journal` (that of the command that
    // re-barred, which takes the whole change back) rather than in this command's own.
    void RefileInto(ECConductor* conductor, MCEditJournal& journal);
    // The first added measure and the count, from the measure count `before` the walk.
    void NoteAdded(int before);
    // The measure of `track` at `time`, appending measures to reach it; null when there is
    // none.
    ECMeasure* MeasureAt(int track, const MCTime& time);
    void Adjust(int track);
    void AdjustMeasure(int track, ECMeasure* measure);

    bool m_bReverse = false;
    int m_nFirstTrack = 0;
    int m_nLastTrack = 0x7FFFFFFF;
    int m_nFirstAdded = -1;
    int m_nAddedCount = 0;
    MCTime m_start = MCTime::TimeZero();
    MCTime m_end = MCTime::TimeMax();
    ECConductorStaff* m_pConductorStaff = nullptr;
    std::unique_ptr<MCEditJournal> m_pJournal;
    std::unique_ptr<MCScoreState> m_pState;
    // Where the steps are recorded: this command's journal, or the re-barring command's.
    MCEditJournal* m_pRecording = nullptr;
    // Holds the measures appended while Process runs.
    MCEventList* m_pMade = nullptr;
};

} // namespace clavenor
