#pragma once

#include "clavenor/elements/ECEnvelope.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

/// The envelope of one MIDI controller (event id 19; allowed parents, in this order: staff,
/// track). Its points are control changes, and pans, dynamics, pedals and transpositions,
/// which all list it as a parent. The class-specific byte of the flag word keeps the
/// controller type (bits 0-6) and the 14-bit flag (bit 7). A new envelope has type 0, the
/// flag clear, limits 0 to 127 and default value 0.
///
/// Archive record: the ECEnvelope record, then that byte (a type above 119 loads as 0).
class CLAVENOR_API ECControllerEnv : public ECEnvelope {
    DECLARE_SERIAL(ECControllerEnv)

public:
    ECControllerEnv();
    /// The ECEnvelope copy (settings and time, no points, no anchor groups), the controller type
    /// and the 14-bit flag.
    ECControllerEnv(const ECControllerEnv& other);
    ~ECControllerEnv() override;

    /// The ECEnvelope copy, the controller type and the 14-bit flag.
    ECControllerEnv& operator=(const ECControllerEnv& other);

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    /// The controller number, 0 to 119.
    int GetControllerType() const { return GetSubtype() & TypeMask; }
    /// Stores a type from 0 to 119 (the channel mode numbers above are no controllers) and
    /// ignores any other. Either way the default value becomes that of the requested type:
    /// 127 for volume (7) and expression (11), 64 for balance (8) and pan (10), else 0.
    void SetControllerType(int type);
    /// 1 when the controller sends 14-bit values (limits 0..16383), else 0.
    int Is14Bit() const { return (GetSubtype() & Flag14Bit) != 0 ? 1 : 0; }
    /// Stores bit 0 of `flag` and sets the limits to 0..16383 when set, 0..127 when clear.
    void Set14Bit(int flag);

private:
    static constexpr std::uint8_t TypeMask = 0x7F;
    static constexpr std::uint8_t Flag14Bit = 0x80;
};

} // namespace clavenor
