#pragma once

#include "clavenor/commands/CCAdd.h"
#include "clavenor/framework/Export.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace clavenor {

class CCRemoveTrack;
class ECStaff;
class ECTrack;
class MCEditJournal;
class MCGroup;
class MCTrackWords;

/// Inserts tracks into the conductor: staves, wave tracks and the conductor staff. Its items
/// hold the new tracks (children without a parent); the conductor places them
/// (ECConductor::InsertTrack), not the plain linking of CCAdd. Several staves land on
/// consecutive numbers from the insert position on, in the order added, and likewise the
/// wave tracks among the wave tracks; a position outside the existing numbers appends.
///
/// A staff that brings more measures than the score has loses the surplus (with what they
/// hold) before it is inserted. Undone by a CCRemoveTrack of the added staves and wave
/// tracks (the conductor staff stays), which also leaves the staff group table, the order
/// of the conductor's children and the voice/track words under the later staves as this
/// command found them, so that the document saves the bytes it saved before. When the batch
/// fails, Revert takes the inserted tracks out again and puts the group table, the order of
/// the conductor's children (inserting a track reorders the tracks among the conductor's
/// other children) and the words back; it needs no memory. Process keeps a copy of the word
/// of every element under the staves it moves, so its cost grows with what they hold.
class CLAVENOR_API CCAddTrack : public CCAdd {
    DECLARE_SERIAL(CCAddTrack)

public:
    CCAddTrack();
    /// One track, inserted at `position` (-1: after the last of its kind).
    CCAddTrack(ECTrack* track, int position);
    ~CCAddTrack() override;

    int GetCommandId() const override;
    int Process() override;
    void Undo() override;
    void Revert() override;

    /// Adds `count` new staves made with ECStaff(value).
    void AddMidiTrack(std::uint8_t value, int count);
    /// Adds `count` new wave tracks.
    void AddWaveTrack(int count);

    ///@{
    /// Where the tracks go in, as the constructor's `position` (-1: after the last of their kind),
    /// stored as given.
    int GetInsertPosition() const { return m_nInsertPosition; }
    void SetInsertPosition(int position) { m_nInsertPosition = position; }
    ///@}

protected:
    /// The staff group table as the last Process found it, or null.
    MCGroup* GetGroupBefore() const { return m_pGroupBefore.get(); }
    /// The command that takes the tracks of the last Process out again (what Undo applies),
    /// or null when there are none. Throws std::bad_alloc.
    std::unique_ptr<CCRemoveTrack> MakeRemoval() const;

private:
    void InsertItems(int staffPosition, int wavePosition);
    void RemoveExtraMeasures(ECStaff* staff);

    int m_nInsertPosition = -1;
    // The tracks the last Process inserted (Revert takes them out) and the group table it
    // found.
    std::vector<ECTrack*> m_inserted;
    std::unique_ptr<MCGroup> m_pGroupBefore;
    // The order of the conductor's children before the last Process inserted a staff or a
    // wave track, as a step to take back and as the order the undo leaves (the journal
    // holds the elements).
    std::unique_ptr<MCEditJournal> m_pOrder;
    std::vector<ECBase*> m_orderBefore;
    // The words of the staves the last Process moved to new numbers, as they were: Revert
    // and the undo put them back once the staves are on their old numbers again.
    std::shared_ptr<MCTrackWords> m_pWords;
};

} // namespace clavenor
