#include "clavenor/elements/ECDynamic.h"

#include "clavenor/elements/ECPerformance.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"
#include "clavenor/strings/DisplayStrings.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECDynamic, ECControlChange, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECDynamic, EventId::Dynamic)

namespace {

CString NameDynamic(ECBase* e) {
    return GetDynamicString(static_cast<ECDynamic*>(e)->GetDynamicType());
}

const EventSubtypeNamerRegistrar s_namer(EventId::Dynamic, &NameDynamic);

} // namespace

ECDynamic::ECDynamic() { SetSubtype(DefaultType); }

ECDynamic::ECDynamic(std::uint8_t type, const MCTime& duration) : m_duration(duration) {
    SetSubtype(type);
}

ECDynamic::ECDynamic(const ECDynamic& other)
    : ECControlChange(other), m_duration(other.m_duration), m_text(other.m_text) {
    SetSubtype(other.GetSubtype());
}

ECDynamic::~ECDynamic() = default;

ECDynamic& ECDynamic::operator=(const ECDynamic& other) {
    ECControlChange::operator=(other);
    SetSubtype(other.GetSubtype());
    m_text = other.m_text;
    return *this;
}

void ECDynamic::Serialize(CArchive& ar) {
    ECControlChange::Serialize(ar);
    if (ar.IsStoring()) {
        ar << GetDynamicType();
        if (HasDuration(GetDynamicType()) != 0) {
            m_duration.Serialize(ar, -1);
        }
        ar << m_text;
        return;
    }
    std::uint8_t type = 0;
    ar >> type;
    SetDynamicType(type);
    if (HasDuration(type) != 0) {
        m_duration.Serialize(ar, ECPerformance::GetActiveVersion());
    }
    ar >> m_text;
}

ECBase* ECDynamic::Copy(CObject* src) { return CopyAs(this, src); }

int ECDynamic::GetEventId() const { return EventId::Dynamic; }

int ECDynamic::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Envelope);
    types.Add(EventId::ControllerEnv);
    return 1;
}

void ECDynamic::SetDuration(MCTime* duration) {
    if (duration != nullptr) {
        m_duration = *duration;
    }
}

CString ECDynamic::GetText() const {
    return m_text.IsEmpty() ? GetDynamicString(GetDynamicType()) : m_text;
}

} // namespace clavenor
