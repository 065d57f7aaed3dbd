#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/ECWithChild.h"

#include <cstdint>

namespace clavenor {

/// An arpeggio sign on a chord (event id 2; allowed parents, in this order: chord (12)). Its one
/// field is its type, a byte whose meaning belongs to the host's notation, kept in bits 8-15 of the
/// flag word and stored as given.
/// It inherits a children list, which no element uses: nothing lists it as a parent.
///
/// Archive record: the ECWithChild record, then the type (1 byte).
class CLAVENOR_API ECArpeggio : public ECWithChild {
    DECLARE_SERIAL(ECArpeggio)

public:
    /// Type 0.
    ECArpeggio() = default;
    /// Of type `type`, unparented, reference count 0.
    explicit ECArpeggio(std::uint8_t type);
    /// Copies the type (nothing else of an element is copied: no parents, no data).
    ECArpeggio(const ECArpeggio& other);
    ~ECArpeggio() override;

    /// Copies the type.
    ECArpeggio& operator=(const ECArpeggio& other);
    /// Equal types.
    bool operator==(const ECArpeggio& other) const {
        return GetArpeggioType() == other.GetArpeggioType();
    }
    /// The negation of ==.
    bool operator!=(const ECArpeggio& other) const { return !(*this == other); }

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    ///@{
    /// The type, stored as given; a direct change, not undoable, notifying nothing.
    std::uint8_t GetArpeggioType() const { return GetSubtype(); }
    void SetArpeggioType(std::uint8_t type) { SetSubtype(type); }
    ///@}
};

} // namespace clavenor
