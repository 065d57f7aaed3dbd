#pragma once

#include "clavenor/caches/MCStaffCache.h"
#include "clavenor/elements/ECTrack.h"

#include <cstdint>
#include <memory>

namespace clavenor {

/// A notation track: a staff of measures (event id 55; allowed parent: the conductor). Its
/// flag word keeps the staff type in bits 8-14 and the staff-empty flag in bit 15 (set at
/// construction).
///
/// The staff owns a cache of the clefs and keys in force per time and hand (MCStaffCache).
/// Its measures keep it in step as clefs and keys come and go; loading rebuilds it from the
/// clefs and keys below the staff (in its measures, or directly under it), and so does the
/// conductor staff's RebuildStaffCaches. What leaves the staff leaves the cache.
class ECStaff : public ECTrack {
    DECLARE_SERIAL(ECStaff)

public:
    ECStaff();
    /// A staff of type `type & 0x7F`.
    explicit ECStaff(std::uint8_t type);
    /// Copies the ECTrack part, the staff type and the staff-empty flag; the cache starts
    /// empty.
    ECStaff(const ECStaff& other);
    ~ECStaff() override;

    /// Copies the ECTrack part and the staff type; the staff-empty flag stays.
    ECStaff& operator=(const ECStaff& other);
    /// Equal staff types.
    bool operator==(const ECStaff& other) const { return GetStaffType() == other.GetStaffType(); }
    bool operator!=(const ECStaff& other) const { return !(*this == other); }

    /// The ECTrack record, then one byte: the staff type (bits 0-6) and the staff-empty flag
    /// (bit 7). Loading then rebuilds the cache.
    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;

    /// Uncaches the clefs and keys below `child` (they leave the staff with it), then removes
    /// as ECWithChild does. Cost: a walk of the child's subtree.
    int RemoveChild(ECBase* child, int deep) override;
    /// Removes the children as ECWithChild does, then empties the cache. Returns 1.
    int RemoveChildren(int deep) override;

    MCStaffCache* GetCache() { return m_pCache.get(); }

    /// Caches (uncaches) a clef or key for `hand`; 0 for any other element, else the cache's
    /// answer.
    int CacheEvent(ECBase* element, std::uint8_t hand);
    int UncacheEvent(ECBase* element, std::uint8_t hand);
    /// Caches a clef or key again (after its time or hand changed in place): withdraws it
    /// when it is cached, then caches it for `hand`. 0 for any other element.
    int RecacheEvent(ECBase* element, std::uint8_t hand);

    /// Rebuilds the cache from the clefs and keys below the staff. All or nothing: when
    /// memory runs out (std::bad_alloc) the cache stays as it was.
    void RebuildCache();
    /// A new cache of the clefs and keys below the staff, as RebuildCache makes it, for
    /// ExchangeCache; the staff's own cache is not touched. Throws std::bad_alloc.
    std::unique_ptr<MCStaffCache> BuildCache();
    /// Puts `cache` (not null) in place of the staff's cache and gives back the one it
    /// had, so that a caller can put that back. Needs no memory.
    std::unique_ptr<MCStaffCache> ExchangeCache(std::unique_ptr<MCStaffCache> cache);

    std::uint8_t GetStaffType() const { return static_cast<std::uint8_t>(GetSubtype() & 0x7F); }
    /// Stores `type & 0x7F`, keeping the staff-empty flag.
    void SetStaffType(std::uint8_t type) {
        SetSubtype(static_cast<std::uint8_t>((GetSubtype() & 0x80) | (type & 0x7F)));
    }
    int IsStaffEmpty() const { return (GetSubtype() & 0x80) != 0 ? 1 : 0; }
    /// Stores `value & 1`, keeping the type.
    void SetStaffEmpty(int value) {
        SetSubtype(static_cast<std::uint8_t>((GetSubtype() & 0x7F) | ((value & 1) << 7)));
    }

private:
    std::unique_ptr<MCStaffCache> m_pCache;
};

} // namespace clavenor
