#pragma once

#include "clavenor/framework/CString.h"
#include "clavenor/framework/Export.h"
#include "clavenor/framework/WindowTypes.h"
#include "clavenor/state/SCBase.h"

namespace clavenor {

/// Status text with progress, from the host to its own windows (its codes are the host's).
class CLAVENOR_API SCStatus : public SCBase {
public:
    /// A record of `code` with an empty message, range 0 to 100 and step 1.
    explicit SCStatus(int code = 0);
    /// As SCStatus(code), with a copy of `message` (null: empty).
    SCStatus(int code, const char* message);
    /// The message is the library's string resource `messageId` (empty when unknown).
    SCStatus(int code, UINT messageId);
    /// Copies the base record, the message and the progress values.
    SCStatus(const SCStatus& other);
    /// Copies the base record, the message and the progress values.
    SCStatus& operator=(const SCStatus& other) = default;
    ~SCStatus() override;

    /// Replaces the message with a copy of `message`.
    void SetMessage(const CString& message) { m_message = message; }
    /// Replaces the message with the library's string resource `messageId` (empty when
    /// unknown).
    void SetMessage(UINT messageId);
    /// The message; valid until it is next set or the record goes.
    const CString& GetMessage() const { return m_message; }
    /// The progress range, stored as given (no check that low <= high).
    void SetProgressRange(int low, int high) {
        m_nLow = low;
        m_nHigh = high;
    }
    /// The progress range, into `low` and `high`.
    void GetProgressRange(int& low, int& high) const {
        low = m_nLow;
        high = m_nHigh;
    }
    /// The progress position within the range, stored as given.
    void SetProgressStep(int step) { m_nStep = step; }
    /// The progress position within the range.
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
