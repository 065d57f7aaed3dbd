#include "clavenor/elements/ECSlur.h"

#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECSlur, ECGroup, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECSlur, EventId::Slur)

namespace {

constexpr std::int32_t kFewestMembers = 2;

} // namespace

ECSlur::ECSlur() : ECGroup(TypeDissolveWhenEmpty | TypeLockWhenDetached) {}

ECSlur::ECSlur(const ECSlur& other) : ECGroup(other) {
    SetGroupType(TypeDissolveWhenEmpty | TypeLockWhenDetached);
}

ECSlur::~ECSlur() = default;

ECBase* ECSlur::Copy(CObject* src) { return CopyAs(this, src); }

int ECSlur::GetEventId() const { return EventId::Slur; }

int ECSlur::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Staff);
    return 1;
}

int ECSlur::AddChild(ECBase* child, int sorted) {
    if (child == nullptr || !Admits(child)) {
        return 0;
    }
    return ECGroup::AddChild(child, sorted);
}

bool ECSlur::Admits(ECBase* child) { return IsRhythmicElement(child); }

bool ECSlur::HoldsEnoughMembers() {
    return GetChildren()->GetCount() >= kFewestMembers && HoldsMemberOfType(EventId::Note) != 0;
}

bool ECSlur::KeepsMembersWithout(const ECBase* leaving, std::size_t others) const {
    return KeepsAtLeast(leaving, others, kFewestMembers, true);
}

} // namespace clavenor
