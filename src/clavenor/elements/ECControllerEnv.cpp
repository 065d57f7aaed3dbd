#include "clavenor/elements/ECControllerEnv.h"

#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECControllerEnv, ECEnvelope, 2 | CRuntimeClass::VersionableSchema)

namespace {

constexpr int kLastControllerType = 119;
constexpr float kMax7Bit = 127.0f;
constexpr float kMax14Bit = 16383.0f;
constexpr int kVolume = 7;
constexpr int kBalance = 8;
constexpr int kPan = 10;
constexpr int kExpression = 11;

} // namespace

ECControllerEnv::ECControllerEnv() { SetLimits(0.0f, kMax7Bit); }

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
    SetSubtype(static_cast<std::uint8_t>(byte & kFlag14Bit));
    if ((byte & kTypeMask) <= kLastControllerType) {
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
    if (type >= 0 && type <= kLastControllerType) {
        SetSubtype(static_cast<std::uint8_t>((GetSubtype() & kFlag14Bit) | type));
    }
    switch (type) {
    case kVolume:
    case kExpression:
        SetDefaultValue(kMax7Bit);
        break;
    case kBalance:
    case kPan:
        SetDefaultValue(64.0f); // the centre
        break;
    default:
        SetDefaultValue(0.0f);
        break;
    }
}

void ECControllerEnv::Set14Bit(int flag) {
    const bool on = (flag & 1) != 0;
    SetSubtype(static_cast<std::uint8_t>((GetSubtype() & kTypeMask) | (on ? kFlag14Bit : 0)));
    SetLimits(0.0f, on ? kMax14Bit : kMax7Bit);
}

} // namespace clavenor
