#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/MCTime.h"
#include "clavenor/state/SCBase.h"

namespace clavenor {

/// The current time of the host (its codes are the host's): a time and a lead-in.
class CLAVENOR_API SCTime : public SCBase {
public:
    SCTime();
    SCTime(int code, const MCTime& time);
    SCTime(int code, int leadInPulse, int leadInMeasure);
    SCTime(const SCTime& other);
    SCTime& operator=(const SCTime& other) = default;
    ~SCTime() override;

    virtual MCTime& GetTime() { return m_time; }
    virtual void SetTime(const MCTime& time) { m_time = time; }
    int GetLeadInPulse() const { return m_nLeadInPulse; }
    int GetLeadInMeasure() const { return m_nLeadInMeasure; }

    /// Records of this class currently alive.
    static int GetActionCount();

private:
    MCTime m_time;
    int m_nLeadInPulse = 0;
    int m_nLeadInMeasure = 0;
};

} // namespace clavenor
