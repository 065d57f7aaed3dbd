#pragma once

#include "clavenor/caches/MCStaffCache.h"
#include "clavenor/elements/ECTrack.h"
#include "clavenor/framework/Export.h"

#include <cstdint>
#include <memory>

namespace clavenor {

class ECClef;
class ECKey;

/// A notation track: a staff of measures (event id 55; allowed parent: the conductor). Its
/// flag word keeps the staff type in bits 8-14 and the staff-empty flag in bit 15 (set at
/// construction).
///
/// The staff owns a cache of the clefs and keys in force per time and hand (MCStaffCache).
/// It tracks the clefs and keys that are children of the staff or of a measure that is a
/// child of the staff (TrackingStaff): they enter the cache when they, or their measure,
/// come under the staff, move in it when their time is set, and leave it when they, or their
/// measure, leave; loading rebuilds it from the same elements, and so does the conductor
/// staff's RebuildStaffCaches. Clefs and keys anywhere else (under a chord, in a measure
/// nested in another) are never cached, so nothing the cache holds can be destroyed without
/// leaving it first.
class CLAVENOR_API ECStaff : public ECTrack {
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
    /// The negation of ==.
    bool operator!=(const ECStaff& other) const { return !(*this == other); }

    /// The ECTrack record, then one byte: the staff type (bits 0-6) and the staff-empty flag
    /// (bit 7). Loading then rebuilds the cache.
    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;

    /// Adds as ECWithChild does (0 when refused), then caches `child` when it is a clef or
    /// key, and the clefs and keys of a measure. When the cache has no memory for them,
    /// nothing stays changed and 0 is returned.
    [[nodiscard]] int AddChild(ECBase* child, int sorted) override;
    /// Takes the clefs and keys of `child` (the child, or its children) out of the cache
    /// (they leave the staff with it), then removes as ECWithChild does. Needs no memory.
    /// Cost: a look at the child's children.
    [[nodiscard]] int RemoveChild(ECBase* child, int deep) override;
    /// Takes back an AddChild as a shallow RemoveChild does: nothing below a staff dissolves,
    /// so that is exactly the link and the table entries AddChild made.
    [[nodiscard]] int UnlinkChild(ECBase* child) override;
    /// Removes the children as ECWithChild does, then empties the cache. Returns 1.
    int RemoveChildren(int deep) override;

    /// The clef/key cache, the staff's own, never null; valid until ExchangeCache replaces
    /// it. Query it freely; changes belong to the calls below, which keep it in step.
    MCStaffCache* GetCache() { return m_pCache.get(); }

    ///@{
    /// Caches (uncaches) a clef or key for `hand`; 0 for any other element, else the cache's
    /// answer.
    int CacheEvent(ECBase* element, std::uint8_t hand);
    int UncacheEvent(ECBase* element, std::uint8_t hand);
    ///@}
    /// Caches a clef or key again (after its time or hand changed in place): withdraws it
    /// when it is cached, then caches it for `hand`. 0 for any other element.
    int RecacheEvent(ECBase* element, std::uint8_t hand);

    /// Takes a clef or key out of the cache wherever it is (MCStaffCache::ForgetEvent); 0
    /// for any other element or one that was not cached. Needs no memory.
    int ForgetEvent(ECBase* element);

    ///@{
    /// The clef (key) in force at, or just before, a time for a hand; the range over which
    /// one stays in force (left alone when it has no time). Null where none is.
    ECClef* GetClefAtTime(const MCTime& time, std::uint8_t hand);
    ECClef* GetClefBeforeTime(const MCTime& time, std::uint8_t hand);
    void GetClefScope(ECClef* clef, MCTime& start, MCTime& end, std::uint8_t hand);
    ECKey* GetKeyAtTime(const MCTime& time, std::uint8_t hand);
    ECKey* GetKeyBeforeTime(const MCTime& time, std::uint8_t hand);
    void GetKeyScope(ECKey* key, MCTime& start, MCTime& end, std::uint8_t hand);
    ///@}

    /// Rebuilds the cache from the clefs and keys the staff tracks. All or nothing: when
    /// memory runs out (std::bad_alloc) the cache stays as it was.
    void RebuildCache();
    /// A new cache of the clefs and keys below the staff, as RebuildCache makes it, for
    /// ExchangeCache; the staff's own cache is not touched. Throws std::bad_alloc.
    std::unique_ptr<MCStaffCache> BuildCache();
    /// Puts `cache` (not null) in place of the staff's cache and gives back the one it
    /// had, so that a caller can put that back. Needs no memory.
    std::unique_ptr<MCStaffCache> ExchangeCache(std::unique_ptr<MCStaffCache> cache);

    /// The staff whose cache tracks the clefs and keys that are children of `container`:
    /// the container itself when it is a staff, the staff it is a child of when it is a
    /// measure; null for anything else.
    static ECStaff* TrackingStaff(ECBase* container);

    /// Takes `element` out of (puts it into, for `hand`) the cache of every staff that tracks
    /// it, that is the tracking staves of its parents: what a clef or key does around a change
    /// of its time. Forgetting needs no memory; caching may throw std::bad_alloc.
    ///@{
    static void ForgetInTrackingStaves(ECBase* element);
    static void CacheInTrackingStaves(ECBase* element, std::uint8_t hand);
    ///@}

    /// The staff type, 0-127, the host's to interpret (type 1 staves get a kind-1 group
    /// placeholder, see ECConductorStaff::InsertStaff).
    std::uint8_t GetStaffType() const { return static_cast<std::uint8_t>(GetSubtype() & 0x7F); }
    /// Stores `type & 0x7F`, keeping the staff-empty flag.
    void SetStaffType(std::uint8_t type) {
        SetSubtype(static_cast<std::uint8_t>((GetSubtype() & 0x80) | (type & 0x7F)));
    }
    /// The staff-empty flag, 1 or 0: set at construction and kept as the host sets it;
    /// nothing in the library clears it when music arrives.
    int IsStaffEmpty() const { return (GetSubtype() & 0x80) != 0 ? 1 : 0; }
    /// Stores `value & 1`, keeping the type.
    void SetStaffEmpty(int value) {
        SetSubtype(static_cast<std::uint8_t>((GetSubtype() & 0x7F) | ((value & 1) << 7)));
    }

private:
    std::unique_ptr<MCStaffCache> m_pCache;
};

} // namespace clavenor
