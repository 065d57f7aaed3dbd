#include "clavenor/clipboard/MCOleDataInfo.h"

#include "clavenor/framework/CArchive.h"

#include <algorithm>

namespace clavenor {

namespace {

// Payload bytes are read in steps of this size, so that a hostile size costs no more memory
// than the stream really holds.
constexpr std::size_t ReadChunk = 64 * 1024;

std::vector<std::uint8_t> ReadBytes(CArchive& ar, std::int32_t size) {
    std::vector<std::uint8_t> bytes;
    const std::size_t total = size > 0 ? static_cast<std::size_t>(size) : 0;
    while (bytes.size() < total) {
        const std::size_t n = std::min(total - bytes.size(), ReadChunk);
        const std::size_t at = bytes.size();
        bytes.resize(at + n);
        ar.Read(bytes.data() + at, n);
    }
    return bytes;
}

} // namespace

IMPLEMENT_SERIAL(MCOleDataInfo, CObject, 1)

MCOleDataInfo::MCOleDataInfo() = default;

MCOleDataInfo::~MCOleDataInfo() = default;

int MCOleDataInfo::SetInfo(int key, const void* data, int size) {
    if (Find(key) != nullptr) {
        return 0;
    }
    auto item = std::make_unique<MCOleInfoItem>(size, data);
    Insert(key) = std::move(item);
    return 1;
}

int MCOleDataInfo::SetInfo(int key, MCOleInfoItem* item) {
    if (item == nullptr || Find(key) != nullptr) {
        return 0;
    }
    // The slot first: when it cannot be made, the item is still the caller's.
    Insert(key).reset(item);
    return 1;
}

int MCOleDataInfo::GetInfo(int key, const void*& data, int& size) const {
    const MCOleInfoItem* item = Find(key);
    if (item == nullptr) {
        return 0;
    }
    data = item->GetInfo();
    size = item->GetInfoSize();
    return 1;
}

int MCOleDataInfo::GetInfo(int key, MCOleInfoItem*) const { return Find(key) != nullptr ? 1 : 0; }

const MCOleInfoItem* MCOleDataInfo::GetItem(int key) const { return Find(key); }

std::vector<int> MCOleDataInfo::GetKeys() const {
    std::vector<int> keys;
    keys.reserve(static_cast<std::size_t>(m_nCount));
    for (const std::vector<std::int32_t>& bucket : m_buckets) {
        keys.insert(keys.end(), bucket.rbegin(), bucket.rend());
    }
    return keys;
}

void MCOleDataInfo::RemoveAll() {
    for (std::vector<std::int32_t>& bucket : m_buckets) {
        bucket.clear();
    }
    m_items.clear();
    m_nCount = 0;
}

void MCOleDataInfo::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << m_nEventType;
        ar.WriteCount(static_cast<std::uint32_t>(m_nCount));
        for (const std::vector<std::int32_t>& bucket : m_buckets) {
            for (auto key = bucket.rbegin(); key != bucket.rend(); ++key) {
                const MCOleInfoItem* item = Find(*key);
                const std::int32_t size = item->GetInfoSize();
                ar << *key << size;
                if (size > 0) {
                    ar.Write(item->GetInfo(), static_cast<std::size_t>(size));
                }
            }
        }
        return;
    }
    ar >> m_nEventType;
    for (std::uint32_t n = ar.ReadCount(); n > 0; --n) {
        std::int32_t key = 0;
        std::int32_t size = 0;
        ar >> key >> size;
        const std::vector<std::uint8_t> bytes = ReadBytes(ar, size);
        auto item = std::make_unique<MCOleInfoItem>(size, bytes.data());
        auto found = m_items.find(key);
        if (found != m_items.end()) {
            found->second = std::move(item);
        } else {
            Insert(key) = std::move(item);
        }
    }
}

MCOleInfoItem* MCOleDataInfo::Find(int key) const {
    auto found = m_items.find(key);
    return found != m_items.end() ? found->second.get() : nullptr;
}

std::unique_ptr<MCOleInfoItem>& MCOleDataInfo::Insert(int key) {
    std::vector<std::int32_t>& bucket = m_buckets[BucketOf(key)];
    bucket.push_back(key);
    try {
        std::unique_ptr<MCOleInfoItem>& slot = m_items[key];
        ++m_nCount;
        return slot;
    } catch (...) {
        bucket.pop_back();
        throw;
    }
}

} // namespace clavenor
