#pragma once

#include "clavenor/commands/CCRemove.h"
#include "clavenor/framework/Export.h"

#include <cstddef>
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
/// All or nothing: Process sets aside, before its first change, everything Revert needs
/// (MCRemovalRecord's room and spare list nodes, a copy of the staff group table and of the
/// voice/track words under the staves that move, so its cost grows with what those staves
/// hold); std::bad_alloc there changes nothing.
class CLAVENOR_API CCRemoveTrack : public CCRemove {
    DECLARE_SERIAL(CCRemoveTrack)

public:
    CCRemoveTrack();
    /// A command for `track`: Remove(track).
    explicit CCRemoveTrack(ECTrack* track);
    ~CCRemoveTrack() override;

    int GetCommandId() const override;
    int Process() override;
    /// Takes the last Process back within its failed batch, the last track first, and needs
    /// no memory: every track comes back at the number it had, linked where it stood among
    /// the conductor's children, a staff in its slot of the staff table and of every
    /// conductor measure, the later staves with their numbers and the words of all they
    /// hold, a wave track with its number; then the mirrors where they were, the conductor's
    /// children in the order they had and the staff group table as it was. The document's
    /// bytes are those before Process.
    void Revert() override;
    /// Gives back what only Revert needs (the record and its spare nodes, the withdrawn
    /// mirrors' places, the copies of the group table and of the words). Needs no memory.
    void Committed() override;

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
        std::size_t index; // of its item, which the record files it under
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
