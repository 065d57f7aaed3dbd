#include "clavenor/commands/CCMeterInfo.h"

#include "clavenor/elements/ECMeter.h"

namespace clavenor {

CCMeterInfo::CCMeterInfo(ECMeter* meter)
    : m_pMeter(meter), m_time(meter->GetTime() != nullptr ? *meter->GetTime() : MCTime::TimeNull()),
      m_duration(meter->GetMeasureLength()) {
    m_pMeter->Ref();
}

CCMeterInfo::~CCMeterInfo() { m_pMeter->Unref(1); }

} // namespace clavenor
