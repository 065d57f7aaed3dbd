#include "clavenor/elements/ECPolyPressureEnv.h"

#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECPolyPressureEnv, ECEnvelope, 2 | CRuntimeClass::VersionableSchema)

ECPolyPressureEnv::ECPolyPressureEnv() { SetLimits(0.0f, 127.0f); }

ECPolyPressureEnv::ECPolyPressureEnv(const ECPolyPressureEnv& other) : ECEnvelope(other) {
    SetSubtype(other.GetSubtype());
}

ECPolyPressureEnv::~ECPolyPressureEnv() = default;

ECPolyPressureEnv& ECPolyPressureEnv::operator=(const ECPolyPressureEnv& other) {
    ECEnvelope::operator=(other);
    SetSubtype(other.GetSubtype());
    return *this;
}

void ECPolyPressureEnv::Serialize(CArchive& ar) {
    ECEnvelope::Serialize(ar);
    if (ar.IsStoring()) {
        ar << GetSubtype();
        return;
    }
    std::uint8_t key = 0;
    ar >> key;
    // A key no setter could store is read as the default key.
    SetSubtype(0);
    SetKey(key);
}

ECBase* ECPolyPressureEnv::Copy(CObject* src) { return CopyAs(this, src); }

int ECPolyPressureEnv::GetEventId() const { return EventId::PolyPressureEnv; }

int ECPolyPressureEnv::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Staff);
    return 1;
}

void ECPolyPressureEnv::SetKey(int key) {
    if (key >= 0 && key <= 127) {
        SetSubtype(static_cast<std::uint8_t>(key));
    }
}

} // namespace clavenor
