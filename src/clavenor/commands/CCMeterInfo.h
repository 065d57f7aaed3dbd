#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/MCTime.h"

namespace clavenor {

class ECMeter;

/// What a meter command knows of one meter it adds, removes or touches: the meter, its time
/// and its measure length as they were when the record was made, and whether the command
/// takes it out of the meter map (the flag). Holds the meter by reference while it lives.
class CLAVENOR_API CCMeterInfo {
public:
    /// `meter` may not be null.
    explicit CCMeterInfo(ECMeter* meter);
    ~CCMeterInfo();
    CCMeterInfo(const CCMeterInfo&) = delete;
    CCMeterInfo& operator=(const CCMeterInfo&) = delete;

    ECMeter* GetMeter() const { return m_pMeter; }
    const MCTime& GetTime() const { return m_time; }
    const MCTime& GetDuration() const { return m_duration; }
    int GetFlag() const { return m_nFlag; }
    void SetFlag(int flag) { m_nFlag = flag; }

private:
    ECMeter* m_pMeter;
    MCTime m_time;
    MCTime m_duration;
    int m_nFlag = 0;
};

} // namespace clavenor
