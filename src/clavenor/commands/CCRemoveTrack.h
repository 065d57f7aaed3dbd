#pragma once

#include "clavenor/commands/CCRemove.h"
#include "clavenor/framework/Export.h"

#include <memory>
#include <vector>

namespace clavenor {

class ECTrack;
class MCEditJournal;
class MCGroup;
class MCTrackWords;

/// Takes staves and wave tracks out of the conductor (ECConductor::RemoveTrack): the later
/// tracks move one number back. The mirrors in a removed staff stop showing their conductor
/// elements and leave their measures first. Never recorded for undo (the constructors clear
/// the can-undo flag); a removed track that no undo puts back is dismantled when the command
/// goes, as CCRemove does.
///
/// All or nothing: when the batch fails, Revert puts every track back at the number it had,
/// its mirrors back where they were, the conductor's children in the order they had, the
/// staff group table as it was, and the voice/track words under the staves that moved
/// (Process keeps a copy of each, so its cost grows with what those staves hold).
class CLAVENOR_API CCRemoveTrack : public CCRemove {
    DECLARE_SERIAL(CCRemoveTrack)

public:
    CCRemoveTrack();
    /// A command for `track`: Remove(track).
    explicit CCRemoveTrack(ECTrack* track);
    ~CCRemoveTrack() override;

    int GetCommandId() const override;
    int Process() override;
    void Revert() override;

    /// Accepts staves and wave tracks, each once; null for anything else.
    CCRemoveItem* Remove(ECBase* element) override;
    /// The list form, which offers each element to the element form above.
    using CCRemove::Remove;

private:
    friend class CCAddTrack;

    // The order the undo of an addition leaves the conductor's children in (set by
    // CCAddTrack::Undo); the command holds them. Throws std::bad_alloc.
    void SetOrderAfter(const std::vector<ECBase*>& order);
    void ReleaseOrderAfter();

    struct Removed {
        ECTrack* track;
        int kind;
        int number;
    };

    std::vector<Removed> m_removed;
    // The mirrors the staves lost and the order of the conductor's children before Process.
    std::unique_ptr<MCEditJournal> m_pJournal;
    // The group table before Process, for Revert.
    std::unique_ptr<MCGroup> m_pGroupBefore;
    // The undo of an addition leaves the table it found (set by CCAddTrack::Undo).
    std::unique_ptr<MCGroup> m_pGroupAfter;
    std::vector<ECBase*> m_orderAfter;
    // The words under the staves before Process moved them, for Revert.
    std::unique_ptr<MCTrackWords> m_pWordsBefore;
    // The words the undo of an addition leaves (those the addition found).
    std::shared_ptr<const MCTrackWords> m_pWordsAfter;
};

} // namespace clavenor
