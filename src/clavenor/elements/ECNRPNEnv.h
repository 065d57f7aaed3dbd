#pragma once

#include "clavenor/elements/ECEnvelope.h"
#include "clavenor/framework/Export.h"

#include <cstdint>

namespace clavenor {

/// The envelope of one non-registered parameter (event id 38; allowed parents: staff, track). Its
/// points are NRPN points. It keeps the parameter number (two 7-bit values, 0 and 0 by default) and
/// the 14-bit flag, the class-specific byte of the flag word (1 by default, with limits 0
/// to 16383; default value 0).
///
/// Archive record: the ECEnvelope record, then the flag byte; the parameter number is not
/// written, so a loaded envelope has parameter 0, 0.
class CLAVENOR_API ECNRPNEnv : public ECEnvelope {
    DECLARE_SERIAL(ECNRPNEnv)

public:
    ECNRPNEnv();
    /// The ECEnvelope copy (settings and time, no points, no anchor groups), the parameter number
    /// and the flag.
    ECNRPNEnv(const ECNRPNEnv& other);
    ~ECNRPNEnv() override;

    /// The ECEnvelope copy, the parameter number and the flag.
    ECNRPNEnv& operator=(const ECNRPNEnv& other);

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    /// The parameter number's two parts into `first` and `second`, each 0 to 127.
    void GetNRPNType(int& first, int& second) const;
    /// Stores the parameter number when both parts are from 0 to 127, else changes nothing.
    void SetNRPNType(int first, int second);
    /// The flag byte: non-zero when the parameter takes 14-bit values.
    int Is14Bit() const { return GetSubtype(); }
    /// Stores the low 8 bits of `flag`; limits 0 to 16383 when they are not 0, else 0 to
    /// 127.
    void Set14Bit(int flag);

private:
    std::uint8_t m_nFirst = 0;
    std::uint8_t m_nSecond = 0;
};

} // namespace clavenor
