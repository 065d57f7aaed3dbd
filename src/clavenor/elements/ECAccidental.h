#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/ECBase.h"

#include <cstdint>

namespace clavenor {

/// An accidental of a note or grace note (event id 1; allowed parents, in this order: note (37),
/// grace note (27)). Its one field is its type, a byte whose meaning belongs to the host's
/// notation, kept in bits 8-15 of the flag word and stored as given.
///
/// Archive record: the ECBase record, then the type (1 byte).
class CLAVENOR_API ECAccidental : public ECBase {
    DECLARE_SERIAL(ECAccidental)

public:
    /// Type 0.
    ECAccidental() = default;
    /// Of type `type`, unparented, reference count 0.
    explicit ECAccidental(std::uint8_t type);
    /// Copies the type (nothing else of an element is copied: no parents, no data).
    ECAccidental(const ECAccidental& other);
    ~ECAccidental() override;

    /// Copies the type.
    ECAccidental& operator=(const ECAccidental& other);
    /// Equal types.
    bool operator==(const ECAccidental& other) const {
        return GetAccidentalType() == other.GetAccidentalType();
    }
    /// The negation of ==.
    bool operator!=(const ECAccidental& other) const { return !(*this == other); }

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    ///@{
    /// The type, stored as given; a direct change, not undoable, notifying nothing.
    std::uint8_t GetAccidentalType() const { return GetSubtype(); }
    void SetAccidentalType(std::uint8_t type) { SetSubtype(type); }
    ///@}
};

} // namespace clavenor
