#include "clavenor/elements/ECLyric.h"

#include "clavenor/elements/ECPerformance.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECLyric, ECText, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECLyric, EventId::Lyric)

ECLyric::ECLyric(const CString& text) : ECText(0, text), m_duration(MCTime::TimeZero()) {}

ECLyric::ECLyric(const ECLyric& other)
    : ECText(other), m_nLyric(other.m_nLyric), m_duration(other.m_duration) {}

ECLyric::~ECLyric() = default;

ECLyric& ECLyric::operator=(const ECLyric& other) {
    ECText::operator=(other);
    m_nLyric = other.m_nLyric;
    return *this;
}

void ECLyric::Serialize(CArchive& ar) {
    ECText::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_nLyric;
        m_duration.Serialize(ar, -1);
        return;
    }
    const std::int32_t version = ECPerformance::GetActiveVersion();
    if (version < 3) {
        m_nLyric = 0;
        SetVerse(1);
        return;
    }
    ar >> m_nLyric;
    m_duration.Serialize(ar, version);
}

ECBase* ECLyric::Copy(CObject* src) { return CopyAs(this, src); }

int ECLyric::GetEventId() const { return EventId::Lyric; }

int ECLyric::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Measure);
    return 1;
}

void ECLyric::SetDuration(MCTime* duration) {
    if (duration != nullptr) {
        m_duration = *duration;
    }
}

void ECLyric::SetAuxType(int type) {
    m_nLyric = static_cast<std::uint8_t>((m_nLyric & ~AuxMask) | (type & AuxMask));
}

void ECLyric::SetVerse(int verse) {
    m_nLyric = static_cast<std::uint8_t>((m_nLyric & AuxMask) | ((verse & 0x3F) << VerseShift));
}

} // namespace clavenor
