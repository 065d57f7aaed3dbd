#include "clavenor/commands/CCRemoveMeter.h"

#include "clavenor/commands/CCAddMeter.h"
#include "clavenor/commands/CCMeterInfo.h"
#include "clavenor/commands/detail/MCMeterEdit.h"
#include "clavenor/elements/ECMeter.h"

namespace clavenor {

IMPLEMENT_SERIAL(CCRemoveMeter, CCRemove, 2 | CRuntimeClass::VersionableSchema)

CCRemoveMeter::CCRemoveMeter() : m_pEdit(std::make_unique<MCMeterEdit>()) {}

CCRemoveMeter::CCRemoveMeter(ECMeter* meter) : CCRemoveMeter() { Remove(meter); }

CCRemoveMeter::CCRemoveMeter(CCAddMeter* addition) : CCRemoveMeter() {
    m_pEdit->TakeBackOf(addition, addition->m_pEdit.get());
    SetCanUndo(0);
}

CCRemoveMeter::~CCRemoveMeter() = default;

int CCRemoveMeter::GetCommandId() const { return 41; }

CCRemoveItem* CCRemoveMeter::Remove(ECBase* element) {
    if (!m_pEdit->SetSubject(element, 1)) {
        return nullptr;
    }
    return CCRemove::Remove(element);
}

CCMeterInfo* CCRemoveMeter::GetMeterInfo(int index) const { return m_pEdit->GetInfo(index); }

ECMeter* CCRemoveMeter::GetMeter(int index) const {
    CCMeterInfo* info = GetMeterInfo(index);
    return info != nullptr ? info->GetMeter() : nullptr;
}

MCTime CCRemoveMeter::GetMeterTime(int index) const {
    CCMeterInfo* info = GetMeterInfo(index);
    return info != nullptr ? info->GetTime() : MCTime::TimeNull();
}

MCTime CCRemoveMeter::GetMeterDuration(int index) const {
    CCMeterInfo* info = GetMeterInfo(index);
    return info != nullptr ? info->GetDuration() : MCTime::TimeNull();
}

int CCRemoveMeter::GetFirstAddedMeasure() const { return m_pEdit->GetFirstAddedMeasure(); }

int CCRemoveMeter::GetAddedMeasureCount() const { return m_pEdit->GetAddedMeasureCount(); }

ECConductorStaff* CCRemoveMeter::GetConductorStaff() const { return m_pEdit->GetConductorStaff(); }

int CCRemoveMeter::Prepare() {
    if (CCBase::Prepare() == 0) {
        return 0;
    }
    return m_pEdit->Prepare(m_pConductor, false);
}

int CCRemoveMeter::Process() {
    CCBase::Process();
    m_pEdit->Process(m_pConductor, false);
    return 1;
}

void CCRemoveMeter::Undo() {
    if (m_pEdit->IsTakeBack() || !m_pEdit->IsInEffect()) {
        return;
    }
    ApplyInverse(std::unique_ptr<CCBase>(new CCAddMeter(this)));
}

void CCRemoveMeter::Revert() { m_pEdit->Revert(); }

} // namespace clavenor
