#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/ECWithChild.h"

#include <cstdint>

namespace clavenor {

/// A mordent on a note or chord (event id 36; allowed parents, in this order: note (37), chord
/// (12)). Its one field is its type, a byte whose meaning belongs to the host's notation, kept in
/// bits 8-15 of the flag word and stored as given. It inherits a children list, which no element
/// uses: nothing lists it as a parent.
///
/// Archive record: the ECWithChild record, then the type (1 byte).
class CLAVENOR_API ECMordent : public ECWithChild {
    DECLARE_SERIAL(ECMordent)

public:
    /// Type 0.
    ECMordent() = default;
    /// Of type `type`, unparented, reference count 0.
    explicit ECMordent(std::uint8_t type);
    /// Copies the type (nothing else of an element is copied: no parents, no data).
    ECMordent(const ECMordent& other);
    ~ECMordent() override;

    /// Copies the type.
    ECMordent& operator=(const ECMordent& other);
    /// Equal types.
    bool operator==(const ECMordent& other) const {
        return GetMordentType() == other.GetMordentType();
    }
    /// The negation of ==.
    bool operator!=(const ECMordent& other) const { return !(*this == other); }

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    ///@{
    /// The type, stored as given; a direct change, not undoable, notifying nothing.
    std::uint8_t GetMordentType() const { return GetSubtype(); }
    void SetMordentType(std::uint8_t type) { SetSubtype(type); }
    ///@}
};

} // namespace clavenor
