#pragma once

#include "clavenor/commands/CCAdd.h"
#include "clavenor/framework/Export.h"
#include "clavenor/model/MCEventList.h"
#include "clavenor/model/MCTime.h"

#include <memory>

namespace clavenor {

class CCRemoveMeasure;
class ECConductorStaff;
class ECMeter;
class MCEditJournal;
class MCScoreState;

/// Inserts measures into the score and pushes everything after them back: every element of
/// the document at or after the insert time moves later by the inserted measures' length,
/// and every staff gets a measure in each new column of the measure map. Clefs and keys at
/// time 0 stay at time 0 when measures go in at the very beginning: they move into the new
/// first measure of their track.
///
/// Prepare finds the conductor staff (made on first use), the insert time (the start of the
/// measure at the insert index, or the end of the last measure) and the meter of the new
/// measures: the one in force just before the insert time (at time 0, the one in force
/// there). Without a meter the command fails and the batch aborts (code 501).
///
/// The command's items (CCAdd::Add) are not linked: those that are conductor measures or
/// measures are the measures to insert (measures taken out earlier, for example from the
/// clipboard). Each conductor measure among them makes one column, whose staves reuse the
/// supplied measures of their track, with what they hold, in time order; the insert count
/// becomes the number of conductor measures.
///
/// Undo applies a CCRemoveMeasure that takes exactly this insertion back: the document then
/// saves the bytes it saved before the command. Redo makes the same insertion again, with
/// the same measures (later entries of the history may name them), and the document saves
/// the bytes it saved after. All or nothing: a failure while
/// processing (lack of memory) changes nothing, and Revert, when a later part of the batch
/// fails, takes the insertion back exactly and needs no memory. The staves' clef and key
/// caches and the meter and tempo maps' positions are brought up to date.
///
/// Cost: a walk of the whole document (the shift) and O(staves x inserted measures); the
/// command keeps each moved element's old time (a few dozen bytes per element) for as long
/// as it lives, so that undo gives the same floats back.
class CLAVENOR_API CCAddMeasure : public CCAdd {
    DECLARE_SERIAL(CCAddMeasure)

public:
    CCAddMeasure();
    /// `count` measures before the measure at index `index` (-1: after the last).
    CCAddMeasure(int count, int index);
    ~CCAddMeasure() override;

    int GetCommandId() const override;

    ///@{
    /// The number of measures to insert, stored as given; one below 1 inserts nothing.
    int GetInsertCount() const { return m_nInsertCount; }
    void SetInsertCount(int count) { m_nInsertCount = count; }
    ///@}
    ///@{
    /// Outside 0 to the last index: after the last measure (Prepare makes it that index).
    int GetInsertIndex() const { return m_nInsertIndex; }
    void SetInsertIndex(int index) { m_nInsertIndex = index; }
    ///@}
    ///@{
    /// A meter the host may keep with the command; the command does not use it. Held by
    /// reference.
    ECMeter* GetAddMeter() const { return m_pAddMeter; }
    void SetAddMeter(ECMeter* meter);
    ///@}
    ///@{
    /// Filled by Prepare: where the measures go in, and the meter that governs them.
    const MCTime& GetInsertTime() const { return m_insertTime; }
    ECMeter* GetMeter() const { return m_pMeter; }
    ///@}

    /// CCBase::Prepare, then the conductor staff, the insert index, time and meter
    /// (CheckMeter) and the lists (PrepareAdd). 0 (the batch aborts) without a conductor or
    /// a meter.
    int Prepare() override;
    /// Inserts the measures (DoAdd), or on a redo makes the recorded insertion again, and
    /// brings the caches and maps up to date. Returns 1; std::bad_alloc changes nothing.
    int Process() override;
    /// Applies, with this command's synchronous flag, a CCRemoveMeasure that takes this
    /// insertion back exactly. Does nothing unless the insertion is in effect.
    void Undo() override;
    /// Takes the insertion back exactly. Needs no memory.
    void Revert() override;

protected:
    /// The insert time and the meter; 0 when no meter governs the insert point.
    int CheckMeter();
    /// The clefs and keys at time 0 that move into the new first measures (when inserting at
    /// time 0), and the supplied measures.
    void PrepareAdd();
    /// Moves what lies at or after the insert time, re-sorts the tracks' children, puts the
    /// new columns into the measure map and the time-0 clefs and keys into the new first
    /// measures, recording every step.
    void DoAdd();

private:
    friend class CCRemoveMeasure;

    /// The undo of a CCRemoveMeasure: a command that puts back exactly what `removal`
    /// removed (its journal taken back).
    explicit CCAddMeasure(CCRemoveMeasure* removal);
    int PrepareTakeBack();

    int m_nInsertCount = 1;
    int m_nInsertIndex = -1;
    MCTime m_insertTime = MCTime::TimeNull();
    ECMeter* m_pMeter = nullptr;
    ECMeter* m_pAddMeter = nullptr;
    ECConductorStaff* m_pConductorStaff = nullptr;
    MCEventList m_zeroTime;
    MCEventList m_supplied;
    // What the last Process changed, for Undo and Revert.
    std::unique_ptr<MCEditJournal> m_pJournal;
    std::unique_ptr<MCScoreState> m_pState;
    // The removal this command takes back (referenced), or null.
    CCRemoveMeasure* m_pRemoval = nullptr;
};

} // namespace clavenor
