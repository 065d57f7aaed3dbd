#include "clavenor/elements/ECGlissando.h"

#include "clavenor/model/EventRegistry.h"

namespace clavenor {

// Glissandi are never made by id, so the class is not registered with the event registry;
// it is found by name when a document is read.
IMPLEMENT_SERIAL(ECGlissando, ECGroup, 2 | CRuntimeClass::VersionableSchema)

namespace {

constexpr std::int32_t kMostMembers = 2;

} // namespace

ECGlissando::ECGlissando() : ECGroup(TypeDissolveWhenEmpty | TypeLockWhenDetached) {}

ECGlissando::ECGlissando(const ECGlissando& other) : ECGroup(other) {
    SetGroupType(TypeDissolveWhenEmpty | TypeLockWhenDetached);
}

ECGlissando::~ECGlissando() = default;

ECBase* ECGlissando::Copy(CObject* src) { return CopyAs(this, src); }

int ECGlissando::GetEventId() const { return EventId::Glissando; }

int ECGlissando::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Staff);
    return 1;
}

int ECGlissando::AddChild(ECBase* child, int sorted) {
    if (child == nullptr || !Admits(child)) {
        return 0;
    }
    return ECGroup::AddChild(child, sorted);
}

bool ECGlissando::Admits(ECBase* child) {
    return child->GetEventId() == EventId::Note && GetChildren()->GetCount() < kMostMembers;
}

bool ECGlissando::HoldsEnoughMembers() { return HoldsMemberOfType(EventId::Note) != 0; }

bool ECGlissando::KeepsMembersWithout(const ECBase* leaving, std::size_t others) const {
    return KeepsAtLeast(leaving, others, 1, true);
}

} // namespace clavenor
