#pragma once

#include "clavenor/elements/ECTrack.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

class ECConductor;
class ECPerformance;

/// A track of audio-file events (event id 71; allowed parent: the conductor). It remembers
/// the conductor and the performance it belongs to, without holding them: a remembered
/// pointer counts only while the conductor is one of this track's parents and the
/// performance one of that conductor's parents, and is compared, never followed, until
/// then. So a track whose conductor was dropped or destroyed names none, rather than
/// whatever memory the conductor once had.
class CLAVENOR_API ECWaveTrack : public ECTrack {
    DECLARE_SERIAL(ECWaveTrack)

public:
    ECWaveTrack() = default;
    /// Remembers both pointers without holding them (see the class comment); they count once the
    /// track is added under that conductor. Neither is dereferenced here, so either may be null.
    ECWaveTrack(ECConductor* conductor, ECPerformance* performance);
    /// Copies the ECTrack part and both pointers.
    ECWaveTrack(const ECWaveTrack& other) = default;
    ~ECWaveTrack() override;

    /// The base class's assignment (see there for what it leaves out), then this class's
    /// own members.
    ECWaveTrack& operator=(const ECWaveTrack& other) = default;

    /// The ECTrack record, then object references to the conductor and the performance
    /// (null for one that does not count, see the class comment). A loaded reference is kept
    /// only when it names an element whose record encloses this track's (the conductor or
    /// performance it is being loaded under); otherwise it reads as null.
    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;

    /// The remembered conductor while it is one of this track's parents, else null.
    /// Cost: a search of the parents list.
    ECConductor* GetConductor();
    /// The remembered performance while GetConductor() is not null and lists it among its
    /// parents, else null.
    ECPerformance* GetPerformance();

private:
    ECConductor* m_pConductor = nullptr;
    ECPerformance* m_pPerformance = nullptr;
};

} // namespace clavenor
