#include "clavenor/model/MCObList.h"

#include "clavenor/framework/CArchive.h"

namespace clavenor {

IMPLEMENT_SERIAL(MCObList, CObject, 1 | CRuntimeClass::VersionableSchema)

MCObList::MCObList(int) {}

MCObList::~MCObList() { RemoveAll(); }

CObject* MCObList::GetNext(POSITION& pos, const CRuntimeClass* cls) const {
    while (pos != nullptr) {
        CObject* object = GetNext(pos);
        if (cls == nullptr || (object != nullptr && object->IsKindOf(cls))) {
            return object;
        }
    }
    return nullptr;
}

CObject* MCObList::GetPrev(POSITION& pos, const CRuntimeClass* cls) const {
    while (pos != nullptr) {
        CObject* object = GetPrev(pos);
        if (cls == nullptr || (object != nullptr && object->IsKindOf(cls))) {
            return object;
        }
    }
    return nullptr;
}

void MCObList::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteCount(static_cast<std::uint32_t>(GetCount()));
        for (POSITION pos = GetHeadPosition(); pos != nullptr;) {
            CObject* object = GetNext(pos);
            Prefetch(pos);
            ar.WriteObject(object);
        }
        return;
    }
    for (std::uint32_t n = ar.ReadCount(); n > 0; --n) {
        CObject* object = ar.ReadObject(nullptr);
        if (AddTail(object) == nullptr) {
            throw std::bad_alloc();
        }
    }
}

} // namespace clavenor
