#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/ECBase.h"

#include <cstdint>

namespace clavenor {

/// A dot that lengthens a note, chord or rest (event id 20; allowed parents, in this order: note
/// (37), chord (12), rest (51)). Its one field is its type, a byte whose meaning belongs to the
/// host's notation, kept in bits 8-15 of the flag word and stored as given.
///
/// Archive record: the ECBase record, then the type (1 byte).
class CLAVENOR_API ECDot : public ECBase {
    DECLARE_SERIAL(ECDot)

public:
    /// Type 0.
    ECDot() = default;
    /// Of type `type`, unparented, reference count 0.
    explicit ECDot(std::uint8_t type);
    /// Copies the type (nothing else of an element is copied: no parents, no data).
    ECDot(const ECDot& other);
    ~ECDot() override;

    /// Copies the type.
    ECDot& operator=(const ECDot& other);
    /// Equal types.
    bool operator==(const ECDot& other) const { return GetDotType() == other.GetDotType(); }
    /// The negation of ==.
    bool operator!=(const ECDot& other) const { return !(*this == other); }

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    ///@{
    /// The type, stored as given; a direct change, not undoable, notifying nothing.
    virtual std::uint8_t GetDotType() const { return GetSubtype(); }
    virtual void SetDotType(std::uint8_t type) { SetSubtype(type); }
    ///@}
};

} // namespace clavenor
