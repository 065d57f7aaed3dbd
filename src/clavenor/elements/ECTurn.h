#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/ECWithChild.h"

#include <cstdint>

namespace clavenor {

/// A turn on a note or chord (event id 67; allowed parents, in this order: note (37), chord (12)).
/// Its one field is its type, a byte whose meaning belongs to the host's notation, kept in bits
/// 8-15 of the flag word and stored as given. It inherits a children list, which no element uses:
/// nothing lists it as a parent.
///
/// Archive record: the ECWithChild record, then the type (1 byte).
class CLAVENOR_API ECTurn : public ECWithChild {
    DECLARE_SERIAL(ECTurn)

public:
    /// Type 0.
    ECTurn() = default;
    /// Of type `type`, unparented, reference count 0.
    explicit ECTurn(std::uint8_t type);
    /// Copies the type (nothing else of an element is copied: no parents, no data).
    ECTurn(const ECTurn& other);
    ~ECTurn() override;

    /// Copies the type.
    ECTurn& operator=(const ECTurn& other);
    /// Equal types.
    bool operator==(const ECTurn& other) const { return GetTurnType() == other.GetTurnType(); }
    /// The negation of ==.
    bool operator!=(const ECTurn& other) const { return !(*this == other); }

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    ///@{
    /// The type, stored as given; a direct change, not undoable, notifying nothing.
    std::uint8_t GetTurnType() const { return GetSubtype(); }
    void SetTurnType(std::uint8_t type) { SetSubtype(type); }
    ///@}
};

} // namespace clavenor
