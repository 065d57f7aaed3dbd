#include "clavenor/elements/ECPolyPressure.h"

#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECPolyPressure, ECEnvPoint, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECPolyPressure, EventId::PolyPressure)

ECPolyPressure::ECPolyPressure(const ECPolyPressure& other) : ECEnvPoint(other) {
    SetKey(other.GetKey());
}

ECPolyPressure::~ECPolyPressure() = default;

ECPolyPressure& ECPolyPressure::operator=(const ECPolyPressure& other) {
    ECEnvPoint::operator=(other);
    SetKey(other.GetKey());
    return *this;
}

void ECPolyPressure::Serialize(CArchive& ar) {
    ECEnvPoint::Serialize(ar);
    if (ar.IsStoring()) {
        ar << GetKey();
        return;
    }
    std::uint8_t key = 0;
    ar >> key;
    SetKey(key);
}

ECBase* ECPolyPressure::Copy(CObject* src) { return CopyAs(this, src); }

int ECPolyPressure::GetEventId() const { return EventId::PolyPressure; }

int ECPolyPressure::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::PolyPressureEnv);
    return 1;
}

} // namespace clavenor
