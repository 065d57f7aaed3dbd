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
        ECConductor* conductor = GetConductor();
        ECPerformance* performance = GetPerformance();
        ar.WriteObject(ar.IsObjectMapped(conductor) ? conductor : nullptr);
        ar.WriteObject(ar.IsObjectMapped(performance) ? performance : nullptr);
        return;
    }
    auto* conductor = static_cast<ECConductor*>(ar.ReadObject(RUNTIME_CLASS(ECConductor)));
    auto* performance = static_cast<ECPerformance*>(ar.ReadObject(RUNTIME_CLASS(ECPerformance)));
    m_pConductor = ar.IsObjectBeingLoaded(conductor) ? conductor : nullptr;
    m_pPerformance = ar.IsObjectBeingLoaded(performance) ? performance : nullptr;
}

ECBase* ECWaveTrack::Copy(CObject* src) { return CopyAs(this, src); }

ECConductor* ECWaveTrack::GetConductor() {
    // The pointer may outlive what it named (a conductor the archive dropped, one removed
    // and destroyed since): only a parent is known to be alive.
    return m_pConductor != nullptr && GetParents()->Find(m_pConductor) != nullptr ? m_pConductor
                                                                                  : nullptr;
}

ECPerformance* ECWaveTrack::GetPerformance() {
    ECConductor* conductor = GetConductor();
    return conductor != nullptr && m_pPerformance != nullptr &&
                   conductor->GetParents()->Find(m_pPerformance) != nullptr
               ? m_pPerformance
               : nullptr;
}

int ECWaveTrack::GetEventId() const { return EventId::WaveTrack; }

} // namespace clavenor
