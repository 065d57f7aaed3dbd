#pragma once

#include "clavenor/clipboard/MCOleInfoItem.h"
#include "clavenor/framework/CObject.h"
#include "clavenor/framework/Export.h"

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace clavenor {

/// The info record that travels with copied elements under "Clavenor Music Info"
/// (runtime class "MCOleDataInfo", schema 1, no other schema accepted): the event id that
/// describes the elements, and keyed payloads that the copying command adds.
///
/// The payloads sit in a table of 17 buckets: a key's bucket is (key >> 4) mod 17 with the
/// key taken as unsigned, and a new key goes to the head of its bucket. The record lists
/// them in bucket order and, within a bucket, newest first, so that order is part of the
/// bytes. The record owns its items.
///
/// Record (little-endian): event type (32-bit); the number of items in the archive's count
/// format; per item its key (32-bit), its size (32-bit) and that many bytes when the size is
/// above 0.
///
/// Used by one thread at a time.
class CLAVENOR_API MCOleDataInfo : public CObject {
    DECLARE_SERIAL(MCOleDataInfo)

public:
    /// The number of buckets the record's key order follows (see BucketOf).
    static constexpr int HashSize = 17;

    MCOleDataInfo();
    /// Destroys every item.
    ~MCOleDataInfo() override;
    MCOleDataInfo(const MCOleDataInfo&) = delete;
    MCOleDataInfo& operator=(const MCOleDataInfo&) = delete;

    /// The event id of the copied elements (MCEventList::GetEventType): -1 when not set,
    /// -2 for elements of several kinds.
    ///@{
    int GetEventType() const { return m_nEventType; }
    void SetEventType(int eventType) { m_nEventType = eventType; }
    ///@}

    /// Stores a copy of `size` bytes under `key` and returns 1; 0 when the key is already
    /// present (the first payload stays). Allocation failure throws std::bad_alloc and
    /// stores nothing.
    int SetInfo(int key, const void* data, int size);

    /// Stores `item` itself under `key` (the record owns it from then on) and returns 1; 0
    /// when the key is already present or `item` is null, and the caller keeps `item`.
    int SetInfo(int key, MCOleInfoItem* item);

    /// 1 with the stored bytes (not a copy: valid while the record keeps the item) and their
    /// size when the key is present; else 0 and the arguments are left alone.
    int GetInfo(int key, const void*& data, int& size) const;

    /// Whether the key is present (1) or not (0). `item` is not filled: read the bytes with
    /// the other GetInfo or GetItem.
    int GetInfo(int key, MCOleInfoItem* item) const;

    /// The item stored under `key`, or null.
    const MCOleInfoItem* GetItem(int key) const;

    /// The number of items stored.
    int GetCount() const { return m_nCount; }

    /// The keys in the order the record lists them.
    std::vector<int> GetKeys() const;

    /// Destroys every item.
    void RemoveAll();

    /// Writes or reads the record. Loading adds the items read to those present; an item
    /// for a key already present replaces that key's item in place. A stream that ends
    /// early throws CArchiveException(endOfFile), keeping the items read so far; a size no
    /// stream can hold never allocates more than the bytes that are really there.
    void Serialize(CArchive& ar) override;

    /// The bucket of `key`: the record lists the buckets in order and each one's keys newest
    /// first.
    static std::uint32_t BucketOf(int key) {
        return (static_cast<std::uint32_t>(key) >> 4) % static_cast<std::uint32_t>(HashSize);
    }

private:
    MCOleInfoItem* Find(int key) const;
    // The empty slot of a new key (which must be absent), at the head of its bucket. The
    // caller fills it at once: every stored key has an item.
    std::unique_ptr<MCOleInfoItem>& Insert(int key);

    std::int32_t m_nEventType = -1;
    std::int32_t m_nCount = 0;
    std::unordered_map<std::int32_t, std::unique_ptr<MCOleInfoItem>> m_items;
    // Each bucket's keys, oldest first: the record lists them from the back. Kept apart from
    // the lookup so that many keys in one bucket (a hostile stream) cost no quadratic time.
    std::vector<std::int32_t> m_buckets[HashSize];
};

} // namespace clavenor
