#include "clavenor/commands/CCRemoveKey.h"

#include "clavenor/commands/CCAddKey.h"
#include "clavenor/commands/CCKeyInfo.h"
#include "clavenor/commands/detail/MCMarkEdit.h"
#include "clavenor/elements/ECKey.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(CCRemoveKey, CCRemove, 2 | CRuntimeClass::VersionableSchema)

CCRemoveKey::CCRemoveKey() : m_pEdit(std::make_unique<MCMarkEdit>(EventId::Key)) {}

CCRemoveKey::CCRemoveKey(ECKey* key) : CCRemoveKey() { Remove(key); }

CCRemoveKey::CCRemoveKey(CCAddKey* addition) : CCRemoveKey() {
    m_pEdit->TakeBackOf(addition, addition->m_pEdit.get());
    SetCanUndo(0);
}

CCRemoveKey::~CCRemoveKey() = default;

int CCRemoveKey::GetCommandId() const { return 39; }

CCRemoveItem* CCRemoveKey::Remove(ECBase* element) {
    if (!m_pEdit->SetSubject(element, nullptr, 1)) {
        return nullptr;
    }
    return CCRemove::Remove(element);
}

CCKeyInfo* CCRemoveKey::GetKeyInfo(int index) const {
    return static_cast<CCKeyInfo*>(m_pEdit->GetInfo(index));
}

ECKey* CCRemoveKey::GetKey(int index) const {
    CCKeyInfo* info = GetKeyInfo(index);
    return info != nullptr ? info->GetKey() : nullptr;
}

MCTime CCRemoveKey::GetKeyTime(int index) const {
    CCKeyInfo* info = GetKeyInfo(index);
    return info != nullptr ? info->GetTime() : MCTime::TimeNull();
}

std::uint8_t CCRemoveKey::GetKeyHand(int index) const {
    CCKeyInfo* info = GetKeyInfo(index);
    return info != nullptr ? info->GetHand() : 0;
}

int CCRemoveKey::Prepare() {
    if (CCBase::Prepare() == 0) {
        return 0;
    }
    return m_pEdit->Prepare(m_pConductor, false, CanUndo() != 0);
}

int CCRemoveKey::Process() {
    CCBase::Process();
    m_pEdit->Process([this](MCEditJournal& journal) {
        for (const auto& item : m_items) {
            if (item->GetChild() != nullptr) {
                MCMarkEdit::Withdraw(journal, item->GetChild());
            }
        }
    });
    return 1;
}

void CCRemoveKey::Undo() {
    if (m_pEdit->IsTakeBack() || !m_pEdit->IsInEffect()) {
        return;
    }
    ApplyInverse(std::unique_ptr<CCBase>(new CCAddKey(this)));
}

void CCRemoveKey::Revert() { m_pEdit->Revert(); }

} // namespace clavenor
