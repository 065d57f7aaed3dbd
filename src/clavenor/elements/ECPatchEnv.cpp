#include "clavenor/elements/ECPatchEnv.h"

#include "clavenor/model/EventRegistry.h"

#include <cmath>
#include <limits>

namespace clavenor {

IMPLEMENT_SERIAL(ECPatchEnv, ECEnvelope, 2 | CRuntimeClass::VersionableSchema)

namespace {

constexpr int BankMSBShift = 14;
constexpr int BankLSBShift = 7;
constexpr int SevenBits = 0x7F;

std::int32_t Packed(float value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= 2147483647.0f) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (value <= -2147483648.0f) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(value);
}

} // namespace

ECPatchEnv::~ECPatchEnv() = default;

ECBase* ECPatchEnv::Copy(CObject* src) { return CopyAs(this, src); }

int ECPatchEnv::GetEventId() const { return EventId::PatchEnv; }

int ECPatchEnv::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Staff);
    return 1;
}

float ECPatchEnv::MakePatchValue(std::uint8_t bankMSB, std::uint8_t bankLSB, std::uint8_t program) {
    return static_cast<float>(((bankMSB & SevenBits) << BankMSBShift) |
                              ((bankLSB & SevenBits) << BankLSBShift) | (program & SevenBits));
}

int ECPatchEnv::GetBankMSB(float value) { return (Packed(value) >> BankMSBShift) & SevenBits; }

int ECPatchEnv::GetBankLSB(float value) { return (Packed(value) >> BankLSBShift) & SevenBits; }

int ECPatchEnv::GetProgram(float value) { return Packed(value) & SevenBits; }

int ECPatchEnv::GetPatch(const MCTime& t, std::uint32_t& bankMSB, std::uint32_t& bankLSB,
                         std::uint32_t& program) {
    float value = 0.0f;
    const int changed = GetValue(t, value, 0);
    bankMSB = static_cast<std::uint32_t>(GetBankMSB(value));
    bankLSB = static_cast<std::uint32_t>(GetBankLSB(value));
    program = static_cast<std::uint32_t>(GetProgram(value));
    return changed;
}

void ECPatchEnv::SetPatch(const MCTime&, std::uint32_t&, std::uint32_t&, std::uint32_t&) {}

} // namespace clavenor
