#include "clavenor/commands/CCAddMeter.h"

#include "clavenor/commands/CCMeterInfo.h"
#include "clavenor/commands/CCRemoveMeter.h"
#include "clavenor/commands/detail/MCMeterEdit.h"
#include "clavenor/elements/ECMeter.h"

namespace clavenor {

IMPLEMENT_SERIAL(CCAddMeter, CCAdd, 2 | CRuntimeClass::VersionableSchema)

CCAddMeter::CCAddMeter() : m_pEdit(std::make_unique<MCMeterEdit>()) {}

CCAddMeter::CCAddMeter(ECMeter* meter) : CCAddMeter() { Add(meter, nullptr, FCMidi::MidiNull()); }

CCAddMeter::CCAddMeter(CCRemoveMeter* removal) : CCAddMeter() {
    m_pEdit->TakeBackOf(removal, removal->m_pEdit.get());
    SetCanUndo(0);
}

CCAddMeter::~CCAddMeter() = default;

int CCAddMeter::GetCommandId() const { return 6; }

CCAddItem* CCAddMeter::Add(ECBase* child, ECBase* parent, const FCMidi& data) {
    if (!m_pEdit->SetSubject(child, 0)) {
        return nullptr;
    }
    return CCAdd::Add(child, parent, data);
}

CCMeterInfo* CCAddMeter::GetMeterInfo(int index) const { return m_pEdit->GetInfo(index); }

ECMeter* CCAddMeter::GetMeter(int index) const {
    CCMeterInfo* info = GetMeterInfo(index);
    return info != nullptr ? info->GetMeter() : nullptr;
}

MCTime CCAddMeter::GetMeterTime(int index) const {
    CCMeterInfo* info = GetMeterInfo(index);
    return info != nullptr ? info->GetTime() : MCTime::TimeNull();
}

MCTime CCAddMeter::GetMeterDuration(int index) const {
    CCMeterInfo* info = GetMeterInfo(index);
    return info != nullptr ? info->GetDuration() : MCTime::TimeNull();
}

int CCAddMeter::GetFirstAddedMeasure() const { return m_pEdit->GetFirstAddedMeasure(); }

int CCAddMeter::GetAddedMeasureCount() const { return m_pEdit->GetAddedMeasureCount(); }

ECConductorStaff* CCAddMeter::GetConductorStaff() const { return m_pEdit->GetConductorStaff(); }

int CCAddMeter::Prepare() {
    if (CCBase::Prepare() == 0) {
        return 0;
    }
    return m_pEdit->Prepare(m_pConductor, true);
}

int CCAddMeter::Process() {
    CCBase::Process();
    m_pEdit->Process(m_pConductor, true);
    return 1;
}

void CCAddMeter::Undo() {
    if (m_pEdit->IsTakeBack() || !m_pEdit->IsInEffect()) {
        return;
    }
    ApplyInverse(std::unique_ptr<CCBase>(new CCRemoveMeter(this)));
}

void CCAddMeter::Revert() { m_pEdit->Revert(); }

} // namespace clavenor
