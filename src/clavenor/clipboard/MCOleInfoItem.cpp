#include "clavenor/clipboard/MCOleInfoItem.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace clavenor {

namespace {

std::unique_ptr<std::uint8_t[]> CopyOf(const void* data, int size) {
    if (data == nullptr || size < 1) {
        return nullptr;
    }
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[static_cast<std::size_t>(size)]);
    std::memcpy(copy.get(), data, static_cast<std::size_t>(size));
    return copy;
}

} // namespace

MCOleInfoItem::MCOleInfoItem() = default;

MCOleInfoItem::MCOleInfoItem(int size, const void* data)
    : m_nSize(data != nullptr || size < 1 ? size : 0), m_pData(CopyOf(data, size)) {}

MCOleInfoItem::MCOleInfoItem(const MCOleInfoItem& other)
    : m_nSize(other.m_nSize), m_pData(CopyOf(other.m_pData.get(), other.m_nSize)) {}

MCOleInfoItem& MCOleInfoItem::operator=(const MCOleInfoItem& other) {
    if (this != &other) {
        m_pData = CopyOf(other.m_pData.get(), other.m_nSize);
        m_nSize = other.m_nSize;
    }
    return *this;
}

MCOleInfoItem::~MCOleInfoItem() = default;

void MCOleInfoItem::SetInfoSize(int size) {
    if (size < 1) {
        m_pData = nullptr;
        m_nSize = size;
        return;
    }
    auto resized = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(size));
    if (m_pData != nullptr && m_nSize > 0) {
        std::memcpy(resized.get(), m_pData.get(),
                    static_cast<std::size_t>(std::min(size, m_nSize)));
    }
    m_pData = std::move(resized);
    m_nSize = size;
}

void MCOleInfoItem::SetInfo(std::unique_ptr<std::uint8_t[]> data) {
    m_pData = std::move(data);
    if (m_pData == nullptr) {
        m_nSize = 0;
    }
}

} // namespace clavenor
