#pragma once

#include "clavenor/actions/ACBase.h"
#include "clavenor/framework/Export.h"
#include "clavenor/model/MCVoiceTrack.h"

namespace clavenor {

/// Finds the voice/track that applies to an element: its own when it has one, else that of
/// the nearest ancestor with one (parents in list order, depth first). Walks parents.
///
/// The found value is kept across walks: BeginAction does not clear it, so a walk that
/// finds nothing leaves the value of an earlier walk (voice 15, track 2047 at first).
class CLAVENOR_API ACGetVoiceTrack : public ACBase {
public:
    ACGetVoiceTrack();

    /// Copies `element`'s voice/track and returns 2 (stop) when it has one; else 0.
    int DoAction(ECBase* element) override;

    /// The value found (see the class comment for a walk that finds none); the action's own,
    /// valid while it lives.
    MCVoiceTrack& GetVoiceTrack() { return m_voiceTrack; }

private:
    MCVoiceTrack m_voiceTrack;
};

} // namespace clavenor
