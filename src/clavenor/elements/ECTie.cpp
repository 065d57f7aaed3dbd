#include "clavenor/elements/ECTie.h"

#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECTie, ECGroup, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECTie, EventId::Tie)

namespace {

constexpr std::int32_t kMostMembers = 2;

// Whether two staves, each possibly unknown (null), may be one.
bool SameStaff(ECBase* a, ECBase* b) { return a == nullptr || b == nullptr || a == b; }

} // namespace

ECTie::ECTie() : ECGroup(TypeDissolveWhenEmpty) {}

ECTie::ECTie(const ECTie& other) : ECGroup(other) { SetGroupType(TypeDissolveWhenEmpty); }

ECTie::~ECTie() = default;

ECBase* ECTie::Copy(CObject* src) { return CopyAs(this, src); }

int ECTie::GetEventId() const { return EventId::Tie; }

int ECTie::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Staff);
    return 1;
}

int ECTie::AddChild(ECBase* child, int sorted) {
    if (child == nullptr || !Admits(child)) {
        return 0;
    }
    return ECGroup::AddChild(child, sorted);
}

bool ECTie::Admits(ECBase* child) {
    if (child->GetEventId() != EventId::Note || GetChildren()->GetCount() >= kMostMembers) {
        return false;
    }
    ECBase* staff = StaffOf(child);
    if (!SameStaff(staff, GetAncestor(EventId::Staff, -1))) {
        return false;
    }
    for (ECBase* member : *GetChildren()) {
        if (!SameStaff(staff, StaffOf(member))) {
            return false;
        }
    }
    return true;
}

int ECTie::AddParent(ECBase* parent) {
    ECBase* staff = parent != nullptr ? parent->GetAncestor(EventId::Staff, -1) : nullptr;
    for (ECBase* member : *GetChildren()) {
        if (!SameStaff(staff, StaffOf(member))) {
            return 0;
        }
    }
    return ECGroup::AddParent(parent);
}

bool ECTie::HoldsEnoughMembers() { return HoldsMemberOfType(EventId::Note) != 0; }

bool ECTie::KeepsMembersWithout(const ECBase* leaving, std::size_t others) const {
    return KeepsAtLeast(leaving, others, 1, true);
}

} // namespace clavenor
