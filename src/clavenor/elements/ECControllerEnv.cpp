#include "clavenor/elements/ECControllerEnv.h"

#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECControllerEnv, ECEnvelope, 2 | CRuntimeClass::VersionableSchema)

namespace {

constexpr int LastControllerType = 119;
constexpr float Max7Bit = 127.0f;
constexpr float Max14Bit = 16383.0f;
constexpr int Volume = 7;
constexpr int Balance = 8;
constexpr int Pan = 10;
constexpr int Expression = 11;

} // namespace

ECControllerEnv::ECControllerEnv() { SetLimits(0.0f, Max7Bit); }

ECControllerEnv::ECControllerEnv(const ECControllerEnv& other) : ECEnvelope(other) {
    SetSubtype(other.GetSubtype());
}

ECControllerEnv::~ECControllerEnv() = default;

ECControllerEnv& ECControllerEnv::operator=(const ECControllerEnv& other) {
    ECEnvelope::operator=(other);
    SetSubtype(other.GetSubtype());
    return *this;
}

void ECControllerEnv::Serialize(CArchive& ar) {
    ECEnvelope::Serialize(ar);
    if (ar.IsStoring()) {
        ar << GetSubtype();
        return;
    }
    std::uint8_t byte = 0;
    ar >> byte;
    // A controller type no setter could store is read as the default type.
    SetSubtype(static_cast<std::uint8_t>(byte & Flag14Bit));
    if ((byte & TypeMask) <= LastControllerType) {
        SetSubtype(byte);
    }
}

ECBase* ECControllerEnv::Copy(CObject* src) { return CopyAs(this, src); }

int ECControllerEnv::GetEventId() const { return EventId::ControllerEnv; }

int ECControllerEnv::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Staff);
    types.Add(EventId::Track);
    return 1;
}

void ECControllerEnv::SetControllerType(int type) {
    if (type >= 0 && type <= LastControllerType) {
        SetSubtype(static_cast<std::uint8_t>((GetSubtype() & Flag14Bit) | type));
    }
    switch (type) {
    case Volume:
    case Expression:
        SetDefaultValue(Max7Bit);
        break;
    case Balance:
    case Pan:
        SetDefaultValue(64.0f); // the centre
        break;
    default:
        SetDefaultValue(0.0f);
        break;
    }
}

void ECControllerEnv::Set14Bit(int flag) {
    const bool on = (flag & 1) != 0;
    SetSubtype(static_cast<std::uint8_t>((GetSubtype() & TypeMask) | (on ? Flag14Bit : 0)));
    SetLimits(0.0f, on ? Max14Bit : Max7Bit);
}

} // namespace clavenor
