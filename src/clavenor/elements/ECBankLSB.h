#pragma once

#include "clavenor/elements/ECControlChange.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

/// A bank-select LSB event of a staff (event id 3; allowed parents: staff). Nothing of its
/// own: it copies, compares and archives as ECControlChange.
class CLAVENOR_API ECBankLSB : public ECControlChange {
    DECLARE_SERIAL(ECBankLSB)

public:
    ECBankLSB() = default;
    /// As the ECControlChange copy (the time included; no graph links).
    ECBankLSB(const ECBankLSB& other) = default;
    ~ECBankLSB() override;
    /// The base class's assignment (see there for what it leaves out), then this class's
    /// own members.
    ECBankLSB& operator=(const ECBankLSB& other) = default;

    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;
};

} // namespace clavenor
