#include "clavenor/elements/ECFlowControl.h"

#include "clavenor/elements/ECPerformance.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"
#include "clavenor/strings/DisplayStrings.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECFlowControl, ECWithTimeChild, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECFlowControl, EventId::FlowControl)

namespace {

CString NameFlow(ECBase* e) {
    return GetFlowString(static_cast<ECFlowControl*>(e)->GetFlowControlType());
}

const EventSubtypeNamerRegistrar s_namer(EventId::FlowControl, &NameFlow);

} // namespace

ECFlowControl::ECFlowControl(std::uint8_t type) { SetSubtype(type); }

ECFlowControl::ECFlowControl(const ECFlowControl& other)
    : ECWithTimeChild(other), m_nEnding(other.m_nEnding), m_nSequence(other.m_nSequence),
      m_text(other.m_text) {
    SetSubtype(other.GetSubtype());
}

ECFlowControl::~ECFlowControl() = default;

ECFlowControl& ECFlowControl::operator=(const ECFlowControl& other) {
    ECWithTimeChild::operator=(other);
    SetSubtype(other.GetSubtype());
    m_nEnding = other.m_nEnding;
    m_nSequence = other.m_nSequence;
    m_text = other.m_text;
    return *this;
}

void ECFlowControl::Serialize(CArchive& ar) {
    ECWithTimeChild::Serialize(ar);
    if (ar.IsStoring()) {
        ar << GetSubtype();
        if (GetFlowControlType() == TypeEnding) {
            ar << m_nEnding;
        } else if (GetFlowControlType() == TypeSequence) {
            ar << m_nSequence;
        }
        return;
    }
    std::uint8_t type = 0;
    ar >> type;
    SetSubtype(type);
    if (type == TypeEnding) {
        if (ECPerformance::GetActiveVersion() == 0) {
            std::uint8_t number = 0;
            ar >> number;
            m_nEnding = number;
        } else {
            ar >> m_nEnding;
        }
    } else if (type == TypeSequence) {
        ar >> m_nSequence;
    }
}

ECBase* ECFlowControl::Copy(CObject* src) { return CopyAs(this, src); }

int ECFlowControl::GetEventId() const { return EventId::FlowControl; }

int ECFlowControl::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::ConductorStaff);
    return 1;
}

CString ECFlowControl::GetText() const {
    return m_text.IsEmpty() ? GetFlowString(GetFlowControlType()) : m_text;
}

} // namespace clavenor
