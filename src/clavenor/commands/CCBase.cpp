#include "clavenor/commands/CCBase.h"

#include "clavenor/commands/MCCommandMgr.h"
#include "clavenor/elements/ECPerformance.h"
#include "clavenor/framework/CMessageQueue.h"
#include "clavenor/model/ECBase.h"
#include "clavenor/model/MCEventList.h"

namespace clavenor {

IMPLEMENT_SERIAL(CCBase, CObject, 2 | CRuntimeClass::VersionableSchema)

CCBase::CCBase() = default;

CCBase::~CCBase() = default;

int CCBase::GetCommandId() const { return 15; }

int CCBase::Apply(ECPerformance* performance) {
    return MCCommandMgr::ApplyCommand(this, performance);
}

int CCBase::Prepare() {
    m_pConductor = m_pTarget != nullptr ? m_pTarget->GetConductor() : nullptr;
    return m_pConductor != nullptr ? 1 : 0;
}

int CCBase::Process() {
    ProcessDiscardList();
    return 1;
}

int CCBase::Finish() { return 1; }

void CCBase::Abort() {}

void CCBase::Undo() {}

void CCBase::Revert() {}

void CCBase::Committed() {}

std::uint16_t CCBase::Ref() { return static_cast<std::uint16_t>(++m_nRefCount); }

std::uint16_t CCBase::Unref(int destroy) {
    if (m_nRefCount > 0) {
        --m_nRefCount;
    }
    if (destroy != 0 && m_nRefCount == 0) {
        delete this;
        return 0;
    }
    return static_cast<std::uint16_t>(m_nRefCount);
}

void CCBase::Discard(ECBase* element) {
    if (element == nullptr) {
        return;
    }
    CMessageQueue::RequireOwnerThread("CCBase::Discard");
    if (m_pDiscardList == nullptr) {
        m_pDiscardList = std::make_unique<MCEventList>(10);
    }
    if (m_pDiscardList->Find(element) == nullptr && m_pDiscardList->AddTail(element) == nullptr) {
        throw std::bad_alloc();
    }
}

void CCBase::Discard(MCEventList* elements) {
    if (elements == nullptr) {
        return;
    }
    for (POSITION pos = elements->GetHeadPosition(); pos != nullptr;) {
        Discard(elements->GetNext(pos));
    }
}

void CCBase::ProcessDiscardList() {
    if (m_pDiscardList == nullptr) {
        return;
    }
    // Detach the list first: unlinking may release elements, and nothing must find them here
    // afterwards.
    std::unique_ptr<MCEventList> discards = std::move(m_pDiscardList);
    for (POSITION pos = discards->GetHeadPosition(); pos != nullptr;) {
        ECBase* element = discards->GetNext(pos);
        element->Ref();
        element->RemoveFromParents();
        element->RemoveChildren(0);
        element->Unref(1);
    }
}

void CCBase::ApplyInverse(std::unique_ptr<CCBase> inverse) {
    inverse->SetSynchronous(IsSynchronous());
    CCBase* command = inverse.release();
    if (command->Apply(GetTarget()) == 0) {
        delete command;
    }
}

} // namespace clavenor
