#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/ECWithTime.h"

#include <cstdint>

namespace clavenor {

class COleClientItem;

/// An embedded document object on the page, a picture or a document of another program
/// (event id 25; allowed parent: the performance, 44). Bits 8-14 of the flag word hold the
/// frame type (the host's to interpret); the frame owns its embedded item
/// (COleClientItem) and deletes it (COleClientItem::Delete) when it goes or takes another.
///
/// Archive record: the ECWithTime record, the second byte of the flag word, then the item as
/// an object reference (null for none). An item that an earlier frame of the stream owns
/// already is refused with CArchiveException(badIndex): two frames would delete it twice.
class CLAVENOR_API ECFrame : public ECWithTime {
    DECLARE_SERIAL(ECFrame)

public:
    /// Type 0, no item.
    ECFrame() = default;
    /// The low 7 bits of `type`, no item.
    explicit ECFrame(std::uint8_t type);
    /// Copies the time, the voice/track and the type; the copy has no item (the item has
    /// one owner).
    ECFrame(const ECFrame& other);
    /// Deletes the item.
    ~ECFrame() override;

    /// Copies the voice/track and the type; the frame keeps its own item (an edit that copies
    /// attributes must not throw away the embedded document).
    ECFrame& operator=(const ECFrame& other);
    /// Same type and the same item object (both without one included).
    bool operator==(const ECFrame& other) const {
        return GetFrameType() == other.GetFrameType() && m_pItem == other.m_pItem;
    }
    /// The negation of ==.
    bool operator!=(const ECFrame& other) const { return !(*this == other); }

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    /// The embedded item or null; the frame keeps owning it (do not delete it), valid until the
    /// frame goes or takes another.
    COleClientItem* GetClientItem() const { return m_pItem; }
    /// Takes `item` (null for none) and deletes the item held so far. An item another frame
    /// owns is refused: nothing changes and 0 is returned; otherwise 1.
    int SetClientItem(COleClientItem* item);

    /// The frame type, 0-127.
    std::uint8_t GetFrameType() const { return GetSubtype() & kTypeMask; }
    /// Stores the low 7 bits.
    void SetFrameType(std::uint8_t type);

private:
    static constexpr std::uint8_t kTypeMask = 0x7F;

    COleClientItem* m_pItem = nullptr;
};

} // namespace clavenor
