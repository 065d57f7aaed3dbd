#pragma once

#include "clavenor/elements/ECEnvelope.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

/// The polyphonic-pressure envelope of one key of a staff (event id 48; allowed parent:
/// staff). Its points are poly pressures; limits 0 to 127, default value 0. The key lives
/// in the class-specific byte of the flag word (0 by default).
///
/// Archive record: the ECEnvelope record, then the key byte (a key above 127 loads as 0).
class CLAVENOR_API ECPolyPressureEnv : public ECEnvelope {
    DECLARE_SERIAL(ECPolyPressureEnv)

public:
    ECPolyPressureEnv();
    /// The ECEnvelope copy (settings and time, no points, no anchor groups) and the key.
    ECPolyPressureEnv(const ECPolyPressureEnv& other);
    ~ECPolyPressureEnv() override;

    /// The ECEnvelope copy and the key.
    ECPolyPressureEnv& operator=(const ECPolyPressureEnv& other);

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    /// The key, 0 to 127.
    int GetKey() const { return GetSubtype(); }
    /// Stores a key from 0 to 127 and ignores any other.
    void SetKey(int key);
};

} // namespace clavenor
