#include "clavenor/commands/CCAddClef.h"

#include "clavenor/commands/CCClefInfo.h"
#include "clavenor/commands/CCRemoveClef.h"
#include "clavenor/commands/detail/MCMarkEdit.h"
#include "clavenor/elements/ECClef.h"
#include "clavenor/elements/ECMeasure.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(CCAddClef, CCAdd, 2 | CRuntimeClass::VersionableSchema)

CCAddClef::CCAddClef() : m_pEdit(std::make_unique<MCMarkEdit>(EventId::Clef)) {}

CCAddClef::CCAddClef(ECClef* clef, ECMeasure* measure) : CCAddClef() {
    Add(clef, measure, FCMidi::MidiNull());
}

CCAddClef::CCAddClef(CCRemoveClef* removal) : CCAddClef() {
    m_pEdit->TakeBackOf(removal, removal->m_pEdit.get());
    SetCanUndo(0);
}

CCAddClef::~CCAddClef() = default;

int CCAddClef::GetCommandId() const { return 1; }

CCAddItem* CCAddClef::Add(ECBase* child, ECBase* parent, const FCMidi& data) {
    if (!m_pEdit->SetSubject(child, parent, 0)) {
        return nullptr;
    }
    return CCAdd::Add(child, parent, data);
}

CCClefInfo* CCAddClef::GetClefInfo(int index) const {
    return static_cast<CCClefInfo*>(m_pEdit->GetInfo(index));
}

ECClef* CCAddClef::GetClef(int index) const {
    CCClefInfo* info = GetClefInfo(index);
    return info != nullptr ? info->GetClef() : nullptr;
}

MCTime CCAddClef::GetClefTime(int index) const {
    CCClefInfo* info = GetClefInfo(index);
    return info != nullptr ? info->GetTime() : MCTime::TimeNull();
}

std::uint8_t CCAddClef::GetClefHand(int index) const {
    CCClefInfo* info = GetClefInfo(index);
    return info != nullptr ? info->GetHand() : 0;
}

int CCAddClef::Prepare() {
    if (CCBase::Prepare() == 0) {
        return 0;
    }
    return m_pEdit->Prepare(m_pConductor, true, CanUndo() != 0);
}

int CCAddClef::Process() {
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

void CCAddClef::Undo() {
    if (m_pEdit->IsTakeBack() || !m_pEdit->IsInEffect()) {
        return;
    }
    ApplyInverse(std::unique_ptr<CCBase>(new CCRemoveClef(this)));
}

void CCAddClef::Revert() { m_pEdit->Revert(); }

} // namespace clavenor
