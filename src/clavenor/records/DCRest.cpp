#include "clavenor/records/DCRest.h"

#include "clavenor/elements/ECRest.h"
#include "clavenor/framework/CArchive.h"

namespace clavenor {

namespace {

// The first rest type of the whole-to-thirty-second families (undotted, dotted, double
// dotted) and of the sixty-fourth (undotted, dotted).
constexpr std::uint8_t FirstFamily = 2;
constexpr std::uint8_t LastFamily = 19;
constexpr std::uint8_t SixtyFourth = 20;
constexpr std::uint8_t DottedSixtyFourth = 21;

} // namespace

IMPLEMENT_SERIAL(DCRest, DCBase, 2 | CRuntimeClass::VersionableSchema)

DCRest::DCRest(const DCRest& other)
    : DCBase(other), m_nBaseType(other.m_nBaseType), m_nDots(other.m_nDots) {}

DCRest::~DCRest() = default;

DCRest& DCRest::operator=(const DCRest& other) {
    m_nBaseType = other.m_nBaseType;
    m_nDots = other.m_nDots;
    return *this;
}

bool DCRest::operator==(const DCRest& other) const {
    return DCBase::operator==(other) && m_nBaseType == other.m_nBaseType &&
           m_nDots == other.m_nDots;
}

void DCRest::Serialize(CArchive& ar) {
    DCBase::Serialize(ar);
    if (ar.IsStoring()) {
        ar << Layout << m_nBaseType << m_nDots;
        return;
    }
    std::uint8_t layout = 0;
    ar >> layout;
    if (layout != Layout) {
        throw CArchiveException(CArchiveException::badSchema, "unknown rest record layout");
    }
    std::uint8_t type = 0;
    std::uint8_t dots = 0;
    ar >> type >> dots;
    SetRestType(type, dots);
}

DCBase* DCRest::Copy(CObject* src) {
    if (src != nullptr && src->IsKindOf(RUNTIME_CLASS(DCRest))) {
        *this = *static_cast<DCRest*>(src);
    }
    return this;
}

void DCRest::PostSerialize(CArchive& ar) {
    if (ar.IsLoading() && GetOwner() != nullptr && GetOwner()->IsKindOf(RUNTIME_CLASS(ECRest))) {
        static_cast<ECRest*>(GetOwner())->SetRestType(GetRestType());
    }
}

std::uint8_t DCRest::GetRestType() const {
    return static_cast<std::uint8_t>(ECRest::GetRestType(m_nBaseType, m_nDots));
}

void DCRest::SetRestType(std::uint8_t type) {
    if (type >= FirstFamily && type <= LastFamily) {
        m_nDots = static_cast<std::uint8_t>((type - FirstFamily) % 3);
        m_nBaseType = static_cast<std::uint8_t>(type - m_nDots);
    } else if (type == DottedSixtyFourth) {
        m_nBaseType = SixtyFourth;
        m_nDots = 1;
    } else {
        m_nBaseType = type;
        m_nDots = 0;
    }
}

void DCRest::SetRestType(std::uint8_t baseType, std::uint8_t dots) {
    // Through the combined type, so that the dots kept are those the type can take and a
    // dotted type given as the base is split like any other.
    SetRestType(static_cast<std::uint8_t>(ECRest::GetRestType(baseType, dots)));
}

} // namespace clavenor
