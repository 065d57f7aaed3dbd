#pragma once

#include "clavenor/elements/ECControlChange.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

/// A bank-select MSB event of a staff (event id 4; allowed parents: staff). Nothing of its
/// own: it copies, compares and archives as ECControlChange.
class CLAVENOR_API ECBankMSB : public ECControlChange {
    DECLARE_SERIAL(ECBankMSB)

public:
    ECBankMSB() = default;
    /// As the ECControlChange copy (the time included; no graph links).
    ECBankMSB(const ECBankMSB& other) = default;
    ~ECBankMSB() override;
    /// The base class's assignment (see there for what it leaves out), then this class's
    /// own members.
    ECBankMSB& operator=(const ECBankMSB& other) = default;

    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;
};

} // namespace clavenor
