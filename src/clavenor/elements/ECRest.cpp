#include "clavenor/elements/ECRest.h"

#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECRest, ECWithTimeChild, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECRest, EventId::Rest)

namespace {

// Lengths in quarter notes, indexed by rest type; index 0 (no type) is unused.
constexpr float RestLengths[] = {
    0.0f,                         // none
    8.0f,                         // double whole
    4.0f,     6.0f,     7.0f,     // whole
    2.0f,     3.0f,     3.5f,     // half
    1.0f,     1.5f,     1.75f,    // quarter
    0.5f,     0.75f,    0.875f,   // eighth
    0.25f,    0.375f,   0.4375f,  // sixteenth
    0.125f,   0.1875f,  0.21875f, // thirty-second
    0.0625f,  0.09375f,           // sixty-fourth
    0.03125f,                     // hundred-twenty-eighth
};
constexpr int LastRestType = 22;
static_assert(sizeof(RestLengths) / sizeof(RestLengths[0]) == LastRestType + 1);

} // namespace

ECRest::ECRest(std::uint8_t type) { SetSubtype(type); }

ECRest::ECRest(const ECRest& other) : ECWithTimeChild(other) { SetSubtype(other.GetSubtype()); }

ECRest::~ECRest() = default;

ECRest& ECRest::operator=(const ECRest& other) {
    ECWithTimeChild::operator=(other);
    SetSubtype(other.GetRestType());
    return *this;
}

ECBase* ECRest::Copy(CObject* src) { return CopyAs(this, src); }

int ECRest::GetEventId() const { return EventId::Rest; }

int ECRest::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Measure);
    types.Add(EventId::Beam);
    types.Add(EventId::Tuplet);
    return 1;
}

int ECRest::GetRestType(std::uint8_t type, std::uint8_t dots) {
    if (dots == 0) {
        return type;
    }
    switch (type) {
    case 2:
    case 5:
    case 8:
    case 11:
    case 14:
    case 17:
        return type + (dots == 1 ? 1 : 2);
    case 20:
        return 21;
    default:
        return type;
    }
}

MCTime ECRest::GetRestDuration(std::uint8_t type, std::uint8_t dots) {
    const int dotted = GetRestType(type, dots);
    if (dotted <= 0 || dotted > LastRestType) {
        return MCTime::TimeNull();
    }
    return MCTime(RestLengths[dotted]);
}

} // namespace clavenor
