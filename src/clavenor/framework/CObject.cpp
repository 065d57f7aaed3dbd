#include "clavenor/framework/CObject.h"

namespace clavenor {

const CRuntimeClass CObject::classCObject("CObject", 0xFFFFu, nullptr, nullptr);

CObject::~CObject() = default;

const CRuntimeClass* CObject::GetRuntimeClass() const { return &classCObject; }

bool CObject::IsKindOf(const CRuntimeClass* cls) const {
    return cls != nullptr && GetRuntimeClass()->IsDerivedFrom(cls);
}

void CObject::Serialize(CArchive&) {}

bool CObject::TakeArchiveHold() { return false; }

void CObject::ReleaseArchiveHold() {}

bool CObject::DetachIfUnreachable() { return false; }

void CObject::DiscardAfterFailedLoad() { delete this; }

std::uint32_t* CObject::GetArchiveMark() const { return nullptr; }

} // namespace clavenor
