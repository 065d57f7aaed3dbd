#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/ECBase.h"

#include <cstdint>

namespace clavenor {

/// An accent on a note, chord or grace note (event id 0; allowed parents, in this order: note (37),
/// chord (12), grace note (27)). Its one field is its type, a byte whose meaning belongs to the
/// host's notation, kept in bits 8-15 of the flag word and stored as given.
///
/// Archive record: the ECBase record, then the type (1 byte).
class CLAVENOR_API ECAccent : public ECBase {
    DECLARE_SERIAL(ECAccent)

public:
    /// Type 0.
    ECAccent() = default;
    /// Of type `type`, unparented, reference count 0.
    explicit ECAccent(std::uint8_t type);
    /// Copies the type (nothing else of an element is copied: no parents, no data).
    ECAccent(const ECAccent& other);
    ~ECAccent() override;

    /// Copies the type.
    ECAccent& operator=(const ECAccent& other);
    /// Equal types.
    bool operator==(const ECAccent& other) const {
        return GetAccentType() == other.GetAccentType();
    }
    /// The negation of ==.
    bool operator!=(const ECAccent& other) const { return !(*this == other); }

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    ///@{
    /// The type, stored as given; a direct change, not undoable, notifying nothing.
    std::uint8_t GetAccentType() const { return GetSubtype(); }
    void SetAccentType(std::uint8_t type) { SetSubtype(type); }
    ///@}
};

} // namespace clavenor
