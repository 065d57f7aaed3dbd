#pragma once

#include "clavenor/commands/CCRemove.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

class ECTrack;

/// Takes staves and wave tracks out of the conductor (ECConductor::RemoveTrack): the later
/// tracks move one number back. The mirrors in a removed staff stop showing their conductor
/// elements first. Never recorded for undo (the constructors clear the can-undo flag); a
/// removed track that no undo puts back is dismantled when the command goes, as CCRemove
/// does.
class CLAVENOR_API CCRemoveTrack : public CCRemove {
    DECLARE_SERIAL(CCRemoveTrack)

public:
    CCRemoveTrack();
    explicit CCRemoveTrack(ECTrack* track);
    ~CCRemoveTrack() override;

    int GetCommandId() const override;
    int Process() override;

    /// Accepts staves and wave tracks, each once; null for anything else.
    CCRemoveItem* Remove(ECBase* element) override;
    using CCRemove::Remove;
};

} // namespace clavenor
