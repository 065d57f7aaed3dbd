#pragma once

#include "clavenor/elements/ECEnvPoint.h"
#include "clavenor/framework/Export.h"

#include <cstdint>

namespace clavenor {

/// A polyphonic (key) pressure (event id 47; allowed parent: poly-pressure envelope, 48).
/// The key (0 by default) lives in the class-specific byte of the flag word.
///
/// Archive record: the ECEnvPoint record, then the key (1 byte).
class CLAVENOR_API ECPolyPressure : public ECEnvPoint {
    DECLARE_SERIAL(ECPolyPressure)

public:
    ECPolyPressure() = default;
    /// Of key `key`; the value and time as ECEnvPoint leaves them.
    explicit ECPolyPressure(std::uint8_t key) { SetKey(key); }
    /// The ECEnvPoint copy (time included) and the key.
    ECPolyPressure(const ECPolyPressure& other);
    ~ECPolyPressure() override;

    /// The ECEnvPoint assignment and the key.
    ECPolyPressure& operator=(const ECPolyPressure& other);

    /// Equal keys.
    bool operator==(const ECPolyPressure& other) const { return GetKey() == other.GetKey(); }
    /// The negation of ==.
    bool operator!=(const ECPolyPressure& other) const { return !(*this == other); }

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    ///@{
    /// The key, stored as given (the envelope's key is not checked against it); a direct change,
    /// not undoable, notifying nothing.
    std::uint8_t GetKey() const { return GetSubtype(); }
    void SetKey(std::uint8_t key) { SetSubtype(key); }
    ///@}
};

} // namespace clavenor
