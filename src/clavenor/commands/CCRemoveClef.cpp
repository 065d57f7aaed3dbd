#include "clavenor/commands/CCRemoveClef.h"

#include "clavenor/commands/CCAddClef.h"
#include "clavenor/commands/CCClefInfo.h"
#include "clavenor/commands/detail/MCMarkEdit.h"
#include "clavenor/elements/ECClef.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(CCRemoveClef, CCRemove, 2 | CRuntimeClass::VersionableSchema)

CCRemoveClef::CCRemoveClef() : m_pEdit(std::make_unique<MCMarkEdit>(EventId::Clef)) {}

CCRemoveClef::CCRemoveClef(ECClef* clef) : CCRemoveClef() { Remove(clef); }

CCRemoveClef::CCRemoveClef(CCAddClef* addition) : CCRemoveClef() {
    m_pEdit->TakeBackOf(addition, addition->m_pEdit.get());
    SetCanUndo(0);
}

CCRemoveClef::~CCRemoveClef() = default;

int CCRemoveClef::GetCommandId() const { return 37; }

CCRemoveItem* CCRemoveClef::Remove(ECBase* element) {
    if (!m_pEdit->SetSubject(element, nullptr, 1)) {
        return nullptr;
    }
    return CCRemove::Remove(element);
}

CCClefInfo* CCRemoveClef::GetClefInfo(int index) const {
    return static_cast<CCClefInfo*>(m_pEdit->GetInfo(index));
}

ECClef* CCRemoveClef::GetClef(int index) const {
    CCClefInfo* info = GetClefInfo(index);
    return info != nullptr ? info->GetClef() : nullptr;
}

MCTime CCRemoveClef::GetClefTime(int index) const {
    CCClefInfo* info = GetClefInfo(index);
    return info != nullptr ? info->GetTime() : MCTime::TimeNull();
}

std::uint8_t CCRemoveClef::GetClefHand(int index) const {
    CCClefInfo* info = GetClefInfo(index);
    return info != nullptr ? info->GetHand() : 0;
}

int CCRemoveClef::Prepare() {
    if (CCBase::Prepare() == 0) {
        return 0;
    }
    return m_pEdit->Prepare(m_pConductor, false, CanUndo() != 0);
}

int CCRemoveClef::Process() {
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

void CCRemoveClef::Undo() {
    if (m_pEdit->IsTakeBack() || !m_pEdit->IsInEffect()) {
        return;
    }
    ApplyInverse(std::unique_ptr<CCBase>(new CCAddClef(this)));
}

void CCRemoveClef::Revert() { m_pEdit->Revert(); }

} // namespace clavenor
