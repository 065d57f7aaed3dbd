#include "clavenor/elements/ECWaveTrack.h"

#include "clavenor/model/EventRegistry.h"

#include "clavenor/elements/ECConductor.h"
#include "clavenor/elements/ECPerformance.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECWaveTrack, ECTrack, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECWaveTrack, EventId::WaveTrack)

ECWaveTrack::ECWaveTrack(ECConductor* conductor, ECPerformance* performance)
    : m_pConductor(conductor), m_pPerformance(performance) {}

ECWaveTrack::~ECWaveTrack() = default;

void ECWaveTrack::Serialize(CArchive& ar) {
    ECTrack::Serialize(ar);
    if (ar.IsStoring()) {
        // Both enclose this track's record; a document root written by a direct Serialize
        // is not in the archive and is written as null rather than nested again.
        ar.WriteObject(ar.IsObjectMapped(m_pConductor) ? m_pConductor : nullptr);
        ar.WriteObject(ar.IsObjectMapped(m_pPerformance) ? m_pPerformance : nullptr);
        return;
    }
    auto* conductor = static_cast<ECConductor*>(ar.ReadObject(RUNTIME_CLASS(ECConductor)));
    auto* performance = static_cast<ECPerformance*>(ar.ReadObject(RUNTIME_CLASS(ECPerformance)));
    m_pConductor = ar.IsObjectBeingLoaded(conductor) ? conductor : nullptr;
    m_pPerformance = ar.IsObjectBeingLoaded(performance) ? performance : nullptr;
}

ECBase* ECWaveTrack::Copy(CObject* src) { return CopyAs(this, src); }

int ECWaveTrack::GetEventId() const { return EventId::WaveTrack; }

} // namespace clavenor
