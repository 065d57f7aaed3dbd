#include "clavenor/commands/CCDrop.h"

#include "clavenor/framework/COleDataObject.h"

namespace clavenor {

IMPLEMENT_SERIAL(CCDrop, CCPaste, 2 | CRuntimeClass::VersionableSchema)

CCDrop::CCDrop() = default;

CCDrop::~CCDrop() = default;

int CCDrop::GetCommandId() const { return 20; }

void CCDrop::Attach() {
    if (m_pDataObject == nullptr) {
        CCPaste::Attach();
        return;
    }
    m_pDataIn->Attach(m_pDataObject->Detach());
}

void CCDrop::Detach() {
    if (m_pDataObject == nullptr) {
        CCPaste::Detach();
        return;
    }
    m_pDataObject->Attach(m_pDataIn->Detach());
}

} // namespace clavenor
