#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/ECWithTimeChild.h"

#include <cstdint>

namespace clavenor {

/// A tremolo on a note or chord (event id 64; allowed parents, in this order: note (37), chord
/// (12)). Its one field is its type, a byte whose meaning belongs to the host's notation, kept in
/// bits 8-15 of the flag word and stored as given. It has a time and a voice/track, and no
/// duration. It inherits a children list, which no element uses.
///
/// Archive record: the ECWithTimeChild record, then the type (1 byte).
class CLAVENOR_API ECTremolo : public ECWithTimeChild {
    DECLARE_SERIAL(ECTremolo)

public:
    /// Type 0.
    ECTremolo() = default;
    /// Of type `type`, unparented, reference count 0.
    explicit ECTremolo(std::uint8_t type);
    /// Copies the time, the voice/track and the type.
    ECTremolo(const ECTremolo& other);
    ~ECTremolo() override;

    /// Copies the voice/track and the type, not the time.
    ECTremolo& operator=(const ECTremolo& other);
    /// Equal types.
    bool operator==(const ECTremolo& other) const {
        return GetTremoloType() == other.GetTremoloType();
    }
    /// The negation of ==.
    bool operator!=(const ECTremolo& other) const { return !(*this == other); }

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    MCTime* GetDuration() override { return nullptr; }
    void SetDuration(MCTime*) override {}

    ///@{
    /// The type, stored as given; a direct change, not undoable, notifying nothing.
    std::uint8_t GetTremoloType() const { return GetSubtype(); }
    void SetTremoloType(std::uint8_t type) { SetSubtype(type); }
    ///@}
};

} // namespace clavenor
