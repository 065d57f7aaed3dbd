#pragma once

#include "clavenor/framework/Export.h"

#include <cstdint>
#include <memory>

namespace clavenor {

/// One keyed payload of an info record (MCOleDataInfo): a size and an owned copy of that
/// many bytes. A size below 1 holds no bytes (null data). Not archivable by itself.
class CLAVENOR_API MCOleInfoItem {
public:
    MCOleInfoItem();
    /// Copies `size` bytes from `data`. A size below 1 gives an item without bytes that
    /// keeps that size; null data with a positive size gives size 0 (nothing to copy).
    MCOleInfoItem(int size, const void* data);
    /// Copies the size and the bytes into a new buffer.
    MCOleInfoItem(const MCOleInfoItem& other);
    /// Replaces the size and the bytes with copies of `other`'s.
    MCOleInfoItem& operator=(const MCOleInfoItem& other);
    ~MCOleInfoItem();

    /// The size as stored (it may be below 1 for an item without bytes).
    int GetInfoSize() const { return m_nSize; }
    /// Resizes the bytes: the first ones stay, new ones are zero; below 1 frees them.
    void SetInfoSize(int size);

    /// The bytes (null when the size is below 1); owned by the item.
    void* GetInfo() const { return m_pData.get(); }
    /// Replaces the bytes by `data`, which the item then owns; `data` must hold at least
    /// GetInfoSize() bytes (or be null, which sets the size to 0).
    void SetInfo(std::unique_ptr<std::uint8_t[]> data);

private:
    std::int32_t m_nSize = 0;
    std::unique_ptr<std::uint8_t[]> m_pData;
};

} // namespace clavenor
