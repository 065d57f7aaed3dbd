#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/ECWithTimeChild.h"

namespace clavenor {

/// The base of every track (event id 61; allowed parent: the conductor). A track starts
/// at time 0 on voice 14 (the voice of structural elements) and track 2047 (unnumbered);
/// the conductor numbers it.
class CLAVENOR_API ECTrack : public ECWithTimeChild {
    DECLARE_SERIAL(ECTrack)

public:
    /// Time 0, voice 14, track 2047.
    ECTrack();
    /// Copies the time and the voice/track (not the graph links).
    ECTrack(const ECTrack& other) = default;
    ~ECTrack() override;

    /// Copies the ECWithTimeChild part, the time and the voice/track.
    ECTrack& operator=(const ECTrack& other);
    /// Equal times and voice/track words.
    bool operator==(const ECTrack& other) const { return TimedEquals(other); }
    /// The negation of ==.
    bool operator!=(const ECTrack& other) const { return !(*this == other); }

    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;
};

} // namespace clavenor
