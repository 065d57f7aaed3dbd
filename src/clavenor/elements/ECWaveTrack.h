#pragma once

#include "clavenor/elements/ECTrack.h"

namespace clavenor {

class ECConductor;
class ECPerformance;

/// A track of audio-file events (event id 71; allowed parent: the conductor). It knows the
/// conductor and the performance it belongs to (not owned).
class ECWaveTrack : public ECTrack {
    DECLARE_SERIAL(ECWaveTrack)

public:
    ECWaveTrack() = default;
    ECWaveTrack(ECConductor* conductor, ECPerformance* performance);
    /// Copies the ECTrack part and both pointers.
    ECWaveTrack(const ECWaveTrack& other) = default;
    ~ECWaveTrack() override;

    ECWaveTrack& operator=(const ECWaveTrack& other) = default;

    /// The ECTrack record, then object references to the conductor and the performance. A
    /// loaded reference is kept only when it names an element whose record encloses this
    /// track's (the conductor or performance it is being loaded under); otherwise it reads
    /// as null.
    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;

    ECConductor* GetConductor() const { return m_pConductor; }
    ECPerformance* GetPerformance() const { return m_pPerformance; }

private:
    ECConductor* m_pConductor = nullptr;
    ECPerformance* m_pPerformance = nullptr;
};

} // namespace clavenor
