#pragma once

#include "clavenor/framework/Export.h"

#include "clavenor/commands/CCEdit.h"
#include "clavenor/model/MCVoiceTrack.h"
#include "clavenor/model/Ref.h"

#include <map>
#include <memory>
#include <vector>

namespace clavenor {

class ECStaff;
class ECTrack;
class MCTrackWords;

/// Renumbers tracks: every element under a listed track gets the new track number (its
/// voice stays), then the conductor orders its tracks and the staff table by the numbers
/// (ECConductor::OrderTracks(1)).
///
/// Undo applies a CCOrderTracks, with this command's synchronous flag and every track's old
/// number, that puts back the voice/track word each element had before, exactly (also the
/// words the renumbering changed from "unset"), and the order the staff table, the measure
/// map and the conductor's children had (which the numbers alone do not give when staves
/// share a number), so that the document saves the bytes it saved before. Redo renumbers
/// again. All or nothing: Revert puts the words and the orders back.
///
/// Prepare refuses a track outside the target document or a number outside 1 to 2045.
class CLAVENOR_API CCOrderTracks : public CCEdit {
    DECLARE_SERIAL(CCOrderTracks)

public:
    CCOrderTracks();
    ~CCOrderTracks() override;

    int GetCommandId() const override;

    /// Records the new number of `track` and, from its present voice/track word (2047 when
    /// the word is converted), the old one. Nothing for a null track.
    void OrderTrack(ECTrack* track, int newNumber);
    ///@{
    /// The recorded number, or -1.
    int GetNewTrackNum(ECTrack* track) const;
    int GetOldTrackNum(ECTrack* track) const;
    ///@}
    /// The new number of the track whose old number is `oldNumber`, or -1.
    int GetNewTrackNum(int oldNumber) const;
    ///@{
    /// The recorded numbers by track, new and old, the command's own maps (the command holds the
    /// tracks).
    const std::map<ECTrack*, int>& GetNewTrackOrder() const { return m_newOrder; }
    const std::map<ECTrack*, int>& GetOldTrackOrder() const { return m_oldOrder; }
    ///@}

    int Prepare() override;
    int Process() override;
    void Undo() override;
    void Revert() override;

private:
    // Puts back the words and the orders kept by the last Process; needs no memory once the
    // conductor's track order is reserved (Process does so before its first change).
    void PutBack();
    // Whether the last Process kept any word to put back.
    bool HasWords() const;
    // Lets go of the words and the orders kept.
    void Release();

    // Ordered by the tracks' order in the order they were given, for a stable walk.
    std::vector<clavenor::Ref<ECTrack>> m_tracks;
    std::map<ECTrack*, int> m_newOrder;
    std::map<ECTrack*, int> m_oldOrder;
    // The words before the last Process, and the orders: the staves of the staff table and
    // the conductor's children (referenced).
    std::unique_ptr<MCTrackWords> m_pWords; // null before the first Process
    std::vector<ECStaff*> m_staffOrder;
    std::vector<ECBase*> m_childOrder;
    // The undo of another command puts back that command's words.
    CCOrderTracks* m_pUndoOf = nullptr; // referenced
};

} // namespace clavenor
