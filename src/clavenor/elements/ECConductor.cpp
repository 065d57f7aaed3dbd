#include "clavenor/elements/ECConductor.h"

#include "clavenor/model/EventRegistry.h"

#include "clavenor/elements/ECPerformance.h"
#include "clavenor/elements/ECStaff.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECConductor, ECWithChild, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECConductor, EventId::Conductor)

ECConductor::~ECConductor() = default;

ECConductor& ECConductor::operator=(const ECConductor& other) {
    ECWithChild::operator=(other);
    return *this;
}

void ECConductor::Serialize(CArchive& ar) {
    ECWithChild::Serialize(ar);
    if (ar.IsStoring()) {
        ar.WriteObject(GetConductorStaff());
        return;
    }
    auto* staff = static_cast<ECStaff*>(ar.ReadObject(RUNTIME_CLASS(ECStaff)));
    // Anything but a child would be a pointer the conductor does not keep alive.
    m_pConductorStaff = staff != nullptr && GetChildren()->Find(staff) != nullptr ? staff : nullptr;
}

ECBase* ECConductor::Copy(CObject* src) { return CopyAs(this, src); }

int ECConductor::GetEventId() const { return EventId::Conductor; }

int ECConductor::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Performance);
    return 1;
}

ECPerformance* ECConductor::GetPerformance() {
    // The remembered performance may have let this conductor go (and been destroyed); it
    // is trusted only while it is still among the parents, comparing pointers only.
    if (m_pPerformance != nullptr && GetParents()->Find(m_pPerformance) == nullptr) {
        m_pPerformance = nullptr;
    }
    if (m_pPerformance == nullptr) {
        m_pPerformance = static_cast<ECPerformance*>(GetAncestor(EventId::Performance, -1));
    }
    return m_pPerformance;
}

ECStaff* ECConductor::GetConductorStaff() {
    if (m_pConductorStaff != nullptr && GetChildren()->Find(m_pConductorStaff) == nullptr) {
        m_pConductorStaff = nullptr;
    }
    return m_pConductorStaff;
}

} // namespace clavenor
