#include "clavenor/records/DCNote.h"

#include "clavenor/framework/CArchive.h"

namespace clavenor {

IMPLEMENT_SERIAL(DCNote, DCBase, 2 | CRuntimeClass::VersionableSchema)

DCNote::DCNote(const DCNote& other)
    : DCBase(other), m_nPitch(other.m_nPitch), m_nSpelling(other.m_nSpelling),
      m_nVelocity(other.m_nVelocity), m_nReleaseVelocity(other.m_nReleaseVelocity) {}

DCNote::~DCNote() = default;

DCNote& DCNote::operator=(const DCNote& other) {
    m_nPitch = other.m_nPitch;
    m_nSpelling = other.m_nSpelling;
    m_nVelocity = other.m_nVelocity;
    m_nReleaseVelocity = other.m_nReleaseVelocity;
    return *this;
}

bool DCNote::operator==(const DCNote& other) const {
    return DCBase::operator==(other) && m_nPitch == other.m_nPitch &&
           m_nSpelling == other.m_nSpelling && m_nVelocity == other.m_nVelocity &&
           m_nReleaseVelocity == other.m_nReleaseVelocity;
}

void DCNote::Serialize(CArchive& ar) {
    DCBase::Serialize(ar);
    if (ar.IsStoring()) {
        ar << Layout << m_nPitch << m_nSpelling << m_nVelocity << m_nReleaseVelocity;
        return;
    }
    std::uint8_t layout = 0;
    ar >> layout;
    if (layout != Layout) {
        throw CArchiveException(CArchiveException::badSchema, "unknown note record layout");
    }
    std::uint8_t pitch = 0;
    std::int8_t spelling = 0;
    std::uint8_t velocity = 0;
    std::uint8_t release = 0;
    ar >> pitch >> spelling >> velocity >> release;
    SetPitch(pitch);
    if (SetSpelling(spelling) == 0) {
        m_nSpelling = AutoSpelling;
    }
    SetVelocity(velocity);
    SetReleaseVelocity(release);
}

DCBase* DCNote::Copy(CObject* src) {
    if (src != nullptr && src->IsKindOf(RUNTIME_CLASS(DCNote))) {
        *this = *static_cast<DCNote*>(src);
    }
    return this;
}

int DCNote::SetSpelling(int spelling) {
    if (spelling != AutoSpelling && (spelling < MinAlteration || spelling > MaxAlteration)) {
        return 0;
    }
    m_nSpelling = static_cast<std::int8_t>(spelling);
    return 1;
}

} // namespace clavenor
