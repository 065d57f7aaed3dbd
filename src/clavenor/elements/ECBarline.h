#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/ECBase.h"

#include <cstdint>

namespace clavenor {

/// A barline of the whole score (event id 5; allowed parent: the conductor measure, 16). The
/// second byte of the flag word holds its type (bits 8-13) and its position in the measure
/// (bits 14-15); both are the host's to interpret.
///
/// Archive record: the ECBase record, then the second byte of the flag word. A document of
/// version below 3 holds a byte whose low 6 bits are the type, then a byte whose low 2 bits
/// are the position.
class CLAVENOR_API ECBarline : public ECBase {
    DECLARE_SERIAL(ECBarline)

public:
    ECBarline() = default;
    /// Copies the type and the position.
    ECBarline(const ECBarline& other);
    ~ECBarline() override;

    /// Copies the type and the position through the source's getters.
    ECBarline& operator=(const ECBarline& other);
    /// Same type and position (the other's through its getters).
    bool operator==(const ECBarline& other) const {
        return GetBarlineType() == other.GetBarlineType() &&
               GetBarlinePos() == other.GetBarlinePos();
    }
    /// The negation of ==.
    bool operator!=(const ECBarline& other) const { return !(*this == other); }

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    /// The barline type, 0-63.
    virtual std::uint8_t GetBarlineType() const { return GetSubtype() & kTypeMask; }
    /// Stores the low 6 bits, keeping the position.
    virtual void SetBarlineType(std::uint8_t type);
    /// The position in the measure, 0-3.
    virtual std::uint8_t GetBarlinePos() const { return GetSubtype() >> kPosShift; }
    /// Stores the low 2 bits, keeping the type.
    virtual void SetBarlinePos(std::uint8_t pos);

private:
    static constexpr std::uint8_t kTypeMask = 0x3F;
    static constexpr int kPosShift = 6;
};

} // namespace clavenor
