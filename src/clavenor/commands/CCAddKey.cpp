#include "clavenor/commands/CCAddKey.h"

#include "clavenor/commands/CCKeyInfo.h"
#include "clavenor/commands/CCRemoveKey.h"
#include "clavenor/commands/detail/MCMarkEdit.h"
#include "clavenor/elements/ECKey.h"
#include "clavenor/elements/ECMeasure.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(CCAddKey, CCAdd, 2 | CRuntimeClass::VersionableSchema)

CCAddKey::CCAddKey() : m_pEdit(std::make_unique<MCMarkEdit>(EventId::Key)) {}

CCAddKey::CCAddKey(ECKey* key, ECMeasure* measure) : CCAddKey() {
    Add(key, measure, FCMidi::MidiNull());
}

CCAddKey::CCAddKey(CCRemoveKey* removal) : CCAddKey() {
    m_pEdit->TakeBackOf(removal, removal->m_pEdit.get());
    SetCanUndo(0);
}

CCAddKey::~CCAddKey() = default;

int CCAddKey::GetCommandId() const { return 4; }

CCAddItem* CCAddKey::Add(ECBase* child, ECBase* parent, const FCMidi& data) {
    if (!m_pEdit->SetSubject(child, parent, 0)) {
        return nullptr;
    }
    return CCAdd::Add(child, parent, data);
}

CCKeyInfo* CCAddKey::GetKeyInfo(int index) const {
    return static_cast<CCKeyInfo*>(m_pEdit->GetInfo(index));
}

ECKey* CCAddKey::GetKey(int index) const {
    CCKeyInfo* info = GetKeyInfo(index);
    return info != nullptr ? info->GetKey() : nullptr;
}

MCTime CCAddKey::GetKeyTime(int index) const {
    CCKeyInfo* info = GetKeyInfo(index);
    return info != nullptr ? info->GetTime() : MCTime::TimeNull();
}

std::uint8_t CCAddKey::GetKeyHand(int index) const {
    CCKeyInfo* info = GetKeyInfo(index);
    return info != nullptr ? info->GetHand() : 0;
}

int CCAddKey::Prepare() {
    if (CCBase::Prepare() == 0) {
        return 0;
    }
    return m_pEdit->Prepare(m_pConductor, true, CanUndo() != 0);
}

int CCAddKey::Process() {
    CCBase::Process();
    m_pEdit->Process([this](MCEditJournal& journal) {
        for (const auto& item : m_items) {
            if (item->GetChild() != nullptr && item->GetParent() != nullptr) {
                journal.Link(item->GetParent(), item->GetChild());
            }
        }
    });
    return 1;
}

void CCAddKey::Undo() {
    if (m_pEdit->IsTakeBack() || !m_pEdit->IsInEffect()) {
        return;
    }
    ApplyInverse(std::unique_ptr<CCBase>(new CCRemoveKey(this)));
}

void CCAddKey::Revert() { m_pEdit->Revert(); }

} // namespace clavenor
