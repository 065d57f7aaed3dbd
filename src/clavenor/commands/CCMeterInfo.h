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
    ///@{
    /// Not copyable: the reference is the record's own.
    CCMeterInfo(const CCMeterInfo&) = delete;
    CCMeterInfo& operator=(const CCMeterInfo&) = delete;
    ///@}

    /// The meter, held by the record; never null.
    ECMeter* GetMeter() const { return m_pMeter; }
    /// The meter's time when the record was made (the unset time for a meter without one).
    const MCTime& GetTime() const { return m_time; }
    /// The meter's measure length when the record was made.
    const MCTime& GetDuration() const { return m_duration; }
    ///@{
    /// The flag: non-zero when the command takes the meter out of the meter map.
    int GetFlag() const { return m_nFlag; }
    void SetFlag(int flag) { m_nFlag = flag; }
    ///@}

private:
    ECMeter* m_pMeter;
    MCTime m_time;
    MCTime m_duration;
    int m_nFlag = 0;
};

} // namespace clavenor
