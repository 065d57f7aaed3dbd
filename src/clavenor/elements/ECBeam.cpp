#include "clavenor/elements/ECBeam.h"

#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECBeam, ECGroup, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECBeam, EventId::Beam)

ECBeam::ECBeam() : ECGroup(TypeDissolveWhenEmpty) {}

ECBeam::ECBeam(const ECBeam& other) = default;

ECBeam::~ECBeam() = default;

ECBase* ECBeam::Copy(CObject* src) { return CopyAs(this, src); }

int ECBeam::GetEventId() const { return EventId::Beam; }

int ECBeam::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Measure);
    return 1;
}

int ECBeam::AddChild(ECBase* child, int sorted) {
    if (child == nullptr || !Admits(child)) {
        return 0;
    }
    return ECGroup::AddChild(child, sorted);
}

bool ECBeam::Admits(ECBase* child) { return IsRhythmicElement(child); }

bool ECBeam::KeepsMembersWithout(const ECBase* leaving, std::size_t others) const {
    return KeepsAtLeast(leaving, others, 1, false);
}

} // namespace clavenor
