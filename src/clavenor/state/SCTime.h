#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/MCTime.h"
#include "clavenor/state/SCBase.h"

namespace clavenor {

/// The current time of the host (its codes are the host's): a time and a lead-in.
class CLAVENOR_API SCTime : public SCBase {
public:
    SCTime();
    /// A record of `code` with a copy of `time` and no lead-in.
    SCTime(int code, const MCTime& time);
    /// A record of `code` with an unset time (MCTime::TimeNull()) and the lead-in given in
    /// pulses and measures.
    SCTime(int code, int leadInPulse, int leadInMeasure);
    /// Copies the base record, the time and the lead-in.
    SCTime(const SCTime& other);
    /// Copies the base record, the time and the lead-in.
    SCTime& operator=(const SCTime& other) = default;
    ~SCTime() override;

    /// The record's own time; valid while the record lives.
    virtual MCTime& GetTime() { return m_time; }
    /// Replaces the time with a copy of `time` (MCTime's assignment: std::bad_alloc when a
    /// bar/pulse/tick record cannot be allocated).
    virtual void SetTime(const MCTime& time) { m_time = time; }
    /// The lead-in in pulses.
    int GetLeadInPulse() const { return m_nLeadInPulse; }
    /// The lead-in in measures.
    int GetLeadInMeasure() const { return m_nLeadInMeasure; }

    /// Records of this class currently alive.
    static int GetActionCount();

private:
    MCTime m_time;
    int m_nLeadInPulse = 0;
    int m_nLeadInMeasure = 0;
};

} // namespace clavenor
