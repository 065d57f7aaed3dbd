#include "clavenor/plugins/LCBase.h"

#include "clavenor/framework/CArchive.h"

namespace clavenor {

IMPLEMENT_SERIAL(LCBase, CObject, 2 | CRuntimeClass::VersionableSchema)

LCBase::LCBase() = default;

LCBase::LCBase(const LCBase& other) = default;

LCBase& LCBase::operator=(const LCBase& other) = default;

LCBase::~LCBase() = default;

bool LCBase::operator==(const LCBase& other) const {
    return m_bEnabled == other.m_bEnabled && m_nPriority == other.m_nPriority;
}

LCBase* LCBase::Copy(CObject* src) {
    if (src != nullptr && src->IsKindOf(RUNTIME_CLASS(LCBase))) {
        *this = *static_cast<LCBase*>(src);
    }
    return this;
}

void LCBase::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << m_bEnabled << m_nPriority;
    } else {
        ar >> m_bEnabled >> m_nPriority;
    }
}

} // namespace clavenor
