#include "clavenor/model/detail/MCDataClassTable.h"

#include "clavenor/framework/CRuntimeClass.h"
#include "clavenor/model/DCBase.h"

#include <memory>

namespace clavenor {

namespace {

const CRuntimeClass* s_table[MCDataClassTable::ViewCodes * MCDataClassTable::EventTypes];
const CRuntimeClass* s_pOutOfRange;

} // namespace

const CRuntimeClass*& MCDataClassTable::Entry(int viewCode, int eventType) {
    if (!Contains(viewCode, eventType)) {
        s_pOutOfRange = nullptr;
        return s_pOutOfRange;
    }
    return s_table[viewCode * EventTypes + eventType];
}

void MCDataClassTable::Clear() {
    for (const CRuntimeClass*& entry : s_table) {
        entry = nullptr;
    }
}

DCBase* MCDataClassTable::CreateData(int viewCode, int eventType) {
    const CRuntimeClass* cls = Entry(viewCode, eventType);
    if (cls == nullptr) {
        return nullptr;
    }
    std::unique_ptr<CObject> object(cls->CreateObject());
    if (object == nullptr || !object->IsKindOf(RUNTIME_CLASS(DCBase))) {
        return nullptr;
    }
    return static_cast<DCBase*>(object.release());
}

} // namespace clavenor
