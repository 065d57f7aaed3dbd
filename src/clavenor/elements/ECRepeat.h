#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/ECWithTimeChild.h"

#include <cstdint>

namespace clavenor {

/// A repeat sign in a measure (event id 50; allowed parent: the measure, 32). Its repeat type
/// is the second byte of the flag word, the host's to interpret; the library names every
/// type "Repeat" (GetRepeatString).
///
/// Archive record: the ECWithTimeChild record, then the repeat type (1 byte).
class CLAVENOR_API ECRepeat : public ECWithTimeChild {
    DECLARE_SERIAL(ECRepeat)

public:
    ECRepeat() = default;
    /// Of type `type`, unparented, reference count 0.
    explicit ECRepeat(std::uint8_t type);
    /// Copies the time, the voice/track and the type.
    ECRepeat(const ECRepeat& other);
    ~ECRepeat() override;

    /// Copies the voice/track and the type; not the time.
    ECRepeat& operator=(const ECRepeat& other);
    /// Same repeat type.
    bool operator==(const ECRepeat& other) const {
        return GetRepeatType() == other.GetRepeatType();
    }
    /// The negation of ==.
    bool operator!=(const ECRepeat& other) const { return !(*this == other); }

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    ///@{
    /// The type, stored as given; a direct change, not undoable, notifying nothing.
    std::uint8_t GetRepeatType() const { return GetSubtype(); }
    void SetRepeatType(std::uint8_t type) { SetSubtype(type); }
    ///@}
};

} // namespace clavenor
