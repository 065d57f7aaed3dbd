#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/ECWithTimeChild.h"

#include <cstdint>

namespace clavenor {

/// A trill on a note or chord (event id 65; allowed parents, in this order: note (37), chord (12)).
/// Its one field is its type, a byte whose meaning belongs to the host's notation, kept in bits
/// 8-15 of the flag word and stored as given. It has a time and a voice/track, and no duration. It
/// inherits a children list, which no element uses.
///
/// Archive record: the ECWithTimeChild record, then the type (1 byte).
class CLAVENOR_API ECTrill : public ECWithTimeChild {
    DECLARE_SERIAL(ECTrill)

public:
    /// Type 0.
    ECTrill() = default;
    /// Of type `type`, unparented, reference count 0.
    explicit ECTrill(std::uint8_t type);
    /// Copies the time, the voice/track and the type.
    ECTrill(const ECTrill& other);
    ~ECTrill() override;

    /// Copies the voice/track and the type, not the time.
    ECTrill& operator=(const ECTrill& other);
    /// Equal types.
    bool operator==(const ECTrill& other) const { return GetTrillType() == other.GetTrillType(); }
    /// The negation of ==.
    bool operator!=(const ECTrill& other) const { return !(*this == other); }

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    MCTime* GetDuration() override { return nullptr; }
    void SetDuration(MCTime*) override {}

    ///@{
    /// The type, stored as given; a direct change, not undoable, notifying nothing.
    std::uint8_t GetTrillType() const { return GetSubtype(); }
    void SetTrillType(std::uint8_t type) { SetSubtype(type); }
    ///@}
};

} // namespace clavenor
