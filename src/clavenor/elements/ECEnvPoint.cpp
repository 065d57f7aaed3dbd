#include "clavenor/elements/ECEnvPoint.h"

#include "clavenor/actions/ACFindFirstEvent.h"
#include "clavenor/elements/ECEnvelope.h"
#include "clavenor/elements/ECPerformance.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"

#include <limits>

namespace clavenor {

IMPLEMENT_SERIAL(ECEnvPoint, ECWithTime, 2 | CRuntimeClass::VersionableSchema)

ECEnvPoint::ECEnvPoint() : m_fValue(std::numeric_limits<float>::max()) {}

ECEnvPoint::ECEnvPoint(const ECEnvPoint& other)
    : ECWithTime(other), m_nPointFlags(other.m_nPointFlags), m_fValue(other.m_fValue) {}

ECEnvPoint::~ECEnvPoint() = default;

ECEnvPoint& ECEnvPoint::operator=(const ECEnvPoint& other) {
    ECWithTime::operator=(other);
    m_nPointFlags = other.m_nPointFlags;
    m_fValue = other.m_fValue;
    return *this;
}

void ECEnvPoint::Serialize(CArchive& ar) {
    ECWithTime::Serialize(ar);
    SerializePoint(ar);
}

void ECEnvPoint::SerializePoint(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << m_nPointFlags << m_fValue;
        return;
    }
    if (ECPerformance::GetActiveVersion() < 3) {
        // Older documents knew only linear segments, every point its own anchor.
        m_nPointFlags = Anchor | AnchorHead;
        SetStyle(StyleLinear);
        return;
    }
    ar >> m_nPointFlags >> m_fValue;
    m_nPointFlags &= KnownFlags;
}

ECBase* ECEnvPoint::Copy(CObject* src) { return CopyAs(this, src); }

int ECEnvPoint::GetEventId() const { return EventId::EnvPoint; }

int ECEnvPoint::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Envelope);
    return 1;
}

float ECEnvPoint::GetValue() { return m_fValue; }

void ECEnvPoint::SetValue(float value) { m_fValue = value; }

int ECEnvPoint::GetAnchorList(MCEventList& list) {
    CArray<int, int> types;
    GetParentTypes(types);
    ACFindFirstEvent search(1, 1);
    search.ClipNone();
    search.BypassNone();
    search.AddEvtTypes(types);
    search.Apply(this);
    auto* envelope = dynamic_cast<ECEnvelope*>(search.GetEvent());
    if (envelope == nullptr) {
        return 0;
    }
    if (MCEventList* group = envelope->GetAnchorGroup(this)) {
        list.AddEvents(group, 0);
    }
    return list.IsEmpty() ? 0 : 1;
}

void ECEnvPoint::SetStyle(int style) {
    m_nPointFlags = static_cast<std::uint8_t>((m_nPointFlags & ~StyleMask) |
                                              ((style << StyleShift) & StyleMask));
}

void ECEnvPoint::SetAnchor(int anchor) {
    m_nPointFlags = static_cast<std::uint8_t>((m_nPointFlags & ~Anchor) | (anchor & 1));
}

void ECEnvPoint::SetAnchorHead(int head) {
    m_nPointFlags = static_cast<std::uint8_t>((m_nPointFlags & ~AnchorHead) | ((head & 1) << 1));
}

} // namespace clavenor
