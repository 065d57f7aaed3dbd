#pragma once

#include "clavenor/framework/CString.h"
#include "clavenor/framework/Export.h"
#include "clavenor/framework/WindowTypes.h"
#include "clavenor/state/SCBase.h"

namespace clavenor {

/// Status text with progress, from the host to its own windows (its codes are the host's).
class CLAVENOR_API SCStatus : public SCBase {
public:
    explicit SCStatus(int code = 0);
    SCStatus(int code, const char* message);
    /// The message is the library's string resource `messageId` (empty when unknown).
    SCStatus(int code, UINT messageId);
    SCStatus(const SCStatus& other);
    SCStatus& operator=(const SCStatus& other) = default;
    ~SCStatus() override;

    void SetMessage(const CString& message) { m_message = message; }
    void SetMessage(UINT messageId);
    const CString& GetMessage() const { return m_message; }
    void SetProgressRange(int low, int high) {
        m_nLow = low;
        m_nHigh = high;
    }
    void GetProgressRange(int& low, int& high) const {
        low = m_nLow;
        high = m_nHigh;
    }
    void SetProgressStep(int step) { m_nStep = step; }
    int GetProgressStep() const { return m_nStep; }

    /// Records of this class currently alive.
    static int GetActionCount();

private:
    CString m_message;
    int m_nLow = 0;
    int m_nHigh = 100;
    int m_nStep = 1;
};

} // namespace clavenor
