#pragma once

#include "clavenor/commands/CCRemove.h"
#include "clavenor/framework/Export.h"
#include "clavenor/model/MCEventList.h"
#include "clavenor/model/MCTime.h"

#include <memory>

namespace clavenor {

class CCAddMeasure;
class ECConductorStaff;
class ECMeter;
class MCEditJournal;
class MCScoreState;

/// Removes a run of measures with everything in them and pulls later material forward:
/// the measure of every track in the run goes, and so does every element of the score whose
/// time lies in the run's time span [start, end) (the region, GetRemoveRegion), except what
/// belongs to the start of the piece; then everything from the region's start on moves
/// earlier by its length. One measure always remains.
///
/// What stays or is put back (Prepare decides, CheckTimeZeroEvent for what lies at time 0):
/// - the opening meter, tempo, clef and key (time 0) stay, unless one of their kind begins
///   exactly at the region's end and takes their place;
/// - bank selects, dynamics, flow controls, program changes and texts at time 0 stay;
/// - a clef at the end of the last removed measure (a courtesy clef) is put back at the end
///   of the measure before the run; a clef at the region's start in the measure before the
///   run (the courtesy clef for the removed measures) goes; clefs and keys at the region's
///   end in the measure that follows stay with it;
/// - the meter in force at the region's end, when it begins inside the region and differs
///   from the meter before the region, stays and governs from the region's start on, so
///   that the measures that follow keep their meter (the measure map keeps their lengths).
/// Mirrors of removed clefs, keys, meters and tempi stop showing them and leave their
/// measures.
///
/// Unlike the removal commands it derives from, the removal is undoable: undo applies a
/// CCAddMeasure that puts back exactly what went (the same elements, where they were, at
/// the same times), so the document saves the bytes it saved before; redo takes the same
/// material out again.
/// All or nothing: a failure while processing (lack of memory) changes nothing, and Revert
/// puts everything back without memory. The removed material stays whole while this
/// command lives, and is taken apart and freed with it.
///
/// Cost: walks of the score up to the region's end (what to remove) and of the whole
/// document (the shift); each moved element's old time is kept while the command lives.
class CLAVENOR_API CCRemoveMeasure : public CCRemove {
    DECLARE_SERIAL(CCRemoveMeasure)

public:
    CCRemoveMeasure();
    /// `count` measures from the measure at index `index` on.
    CCRemoveMeasure(int count, int index);
    ~CCRemoveMeasure() override;

    int GetCommandId() const override;

    ///@{
    /// How many measures, and from which index, stored as given; Prepare clamps both into the
    /// measure map.
    int GetRemoveCount() const { return m_nRemoveCount; }
    void SetRemoveCount(int count) { m_nRemoveCount = count; }
    int GetRemoveIndex() const { return m_nRemoveIndex; }
    void SetRemoveIndex(int index) { m_nRemoveIndex = index; }
    ///@}
    /// The region Prepare found: the start of the first removed measure and the start of
    /// the measure after the run (or the end of the last measure).
    void GetRemoveRegion(MCTime& start, MCTime& end) const;

    /// CCBase::Prepare; then, on the conductor staff, clamps the index into the measure map
    /// and the count so that one measure remains, and collects what goes and what is put
    /// back (PrepareRemoveMeasure). 0 (the batch aborts) without a conductor.
    int Prepare() override;
    /// Removes the run (DoRemoveMeasure), or on a redo the recorded material again, and
    /// brings the caches and maps up to date. Returns 1; std::bad_alloc changes nothing.
    int Process() override;
    /// Applies, with this command's synchronous flag, a CCAddMeasure that puts back exactly
    /// what went. Does nothing unless the removal is in effect.
    void Undo() override;
    /// Puts everything back exactly. Needs no memory.
    void Revert() override;

    /// Makes an item for `element` as CCRemove does, without discarding its mirrors (the
    /// command detaches them itself, so that undo brings them back).
    CCRemoveItem* Remove(ECBase* element) override;
    /// The list form, which offers each element to the element form above.
    using CCRemove::Remove;

protected:
    /// The meter in force at the region's end, when it begins inside the region and differs
    /// from the meter before it: it stays, moved to the region's end before the shift.
    void CheckMeterAdd();
    /// The region, the items and the clefs and keys to put back.
    void PrepareRemoveMeasure();
    /// 1 when `element` goes with the region, 0 when it stays (see the class comment); a
    /// measure at time 0 puts the clefs and keys in it that stay on the re-place list.
    int CheckTimeZeroEvent(ECBase* element);
    /// Takes the run and the region out, moves later material, re-sorts the tracks'
    /// children and puts the re-place list back, recording every step.
    void DoRemoveMeasure();

private:
    friend class CCAddMeasure;

    /// The undo of a CCAddMeasure: a command that takes `insertion` back exactly.
    explicit CCRemoveMeasure(CCAddMeasure* insertion);
    void CollectRegion();
    void CollectClefsAndKeys();
    // Where a re-placed clef or key goes, found before anything changes: the measure of its
    // track that ends at the region's start, or, when the region starts at 0, the first
    // measure left; null when there is none.
    ECBase* ReplaceTarget(ECBase* element);
    void Replace(ECBase* element);
    void DropItem(ECBase* element);

    int m_nRemoveCount = 1;
    int m_nRemoveIndex = -1;
    int m_nLastIndex = -1;
    MCTime m_regionStart = MCTime::TimeNull();
    MCTime m_regionEnd = MCTime::TimeNull();
    ECConductorStaff* m_pConductorStaff = nullptr;
    // The meter that stays and governs from the region's start on (referenced), or null.
    ECMeter* m_pKeptMeter = nullptr;
    // The clefs and keys to put back, and the measure each goes into.
    MCEventList m_replace;
    MCEventList m_targets;
    std::unique_ptr<MCEditJournal> m_pJournal;
    std::unique_ptr<MCScoreState> m_pState;
    // The insertion this command takes back (referenced), or null.
    CCAddMeasure* m_pInsertion = nullptr;
};

} // namespace clavenor
