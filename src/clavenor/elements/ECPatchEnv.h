#pragma once

#include "clavenor/elements/ECEnvelope.h"
#include "clavenor/framework/Export.h"

#include <cstdint>

namespace clavenor {

/// The program (patch) envelope of a staff (event id 42; allowed parent: staff). Its points
/// are program changes whose value packs bank and program: (bank MSB & 127) x 16384 + (bank
/// LSB & 127) x 128 + (program & 127). Limits and default value are the ECEnvelope ones.
///
/// Archive record: the ECEnvelope record only.
class CLAVENOR_API ECPatchEnv : public ECEnvelope {
    DECLARE_SERIAL(ECPatchEnv)

public:
    ECPatchEnv() = default;
    /// As the ECEnvelope copy: the settings and the time, no points, no anchor groups.
    ECPatchEnv(const ECPatchEnv& other) = default;
    ~ECPatchEnv() override;
    /// The base class's assignment (see there for what it leaves out), then this class's
    /// own members.
    ECPatchEnv& operator=(const ECPatchEnv& other) = default;

    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    /// The packed value of a patch (the low 7 bits of each part, see the class comment); exact in a
    /// float, being below 2^21.
    static float MakePatchValue(std::uint8_t bankMSB, std::uint8_t bankLSB, std::uint8_t program);
    ///@{
    /// The parts of a packed value (truncated to an integer first; values outside the
    /// 32-bit range or NaN count as the nearest limit or 0).
    static int GetBankMSB(float value);
    static int GetBankLSB(float value);
    static int GetProgram(float value);
    ///@}

    /// Evaluates the envelope at `t` without clamping and splits the value into its parts.
    /// Returns the changed flag of that evaluation.
    int GetPatch(const MCTime& t, std::uint32_t& bankMSB, std::uint32_t& bankLSB,
                 std::uint32_t& program);
    /// Kept for hosts written against it: changes nothing (patches change through their
    /// points).
    void SetPatch(const MCTime& t, std::uint32_t& bankMSB, std::uint32_t& bankLSB,
                  std::uint32_t& program);
};

} // namespace clavenor
