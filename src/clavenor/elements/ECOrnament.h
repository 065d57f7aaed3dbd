#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/ECWithChild.h"

#include <cstdint>

namespace clavenor {

/// An ornament on a note (event id 40; allowed parents, in this order: note (37)). Its one field is
/// its type, a byte whose meaning belongs to the host's notation, kept in bits 8-15 of the
/// flag word and stored as given.
/// It inherits a children list, which no element uses: nothing lists it as a parent.
///
/// Archive record: the ECWithChild record, then the type (1 byte).
class CLAVENOR_API ECOrnament : public ECWithChild {
    DECLARE_SERIAL(ECOrnament)

public:
    /// Type 0.
    ECOrnament() = default;
    /// Of type `type`, unparented, reference count 0.
    explicit ECOrnament(std::uint8_t type);
    /// Copies the type (nothing else of an element is copied: no parents, no data).
    ECOrnament(const ECOrnament& other);
    ~ECOrnament() override;

    /// Copies the type.
    ECOrnament& operator=(const ECOrnament& other);
    /// Equal types.
    bool operator==(const ECOrnament& other) const {
        return GetOrnamentType() == other.GetOrnamentType();
    }
    /// The negation of ==.
    bool operator!=(const ECOrnament& other) const { return !(*this == other); }

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    ///@{
    /// The type, stored as given; a direct change, not undoable, notifying nothing.
    std::uint8_t GetOrnamentType() const { return GetSubtype(); }
    void SetOrnamentType(std::uint8_t type) { SetSubtype(type); }
    ///@}
};

} // namespace clavenor
