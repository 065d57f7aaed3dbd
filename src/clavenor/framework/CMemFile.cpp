#include "clavenor/framework/CMemFile.h"

#include "clavenor/framework/CArchiveException.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

namespace clavenor {

namespace {

void RequireBytes(const void* bytes, std::size_t count) {
    if (bytes == nullptr && count != 0) {
        throw CArchiveException(CArchiveException::genericException, "null buffer");
    }
}

const std::uint8_t* CheckedBytes(const void* data, std::size_t size) {
    RequireBytes(data, size);
    return static_cast<const std::uint8_t*>(data);
}

// The largest position or length: what a vector can hold, and what a signed seek reaches.
constexpr std::uint64_t MaxLength = std::min<std::uint64_t>(
    std::numeric_limits<std::int64_t>::max(), std::numeric_limits<std::size_t>::max() / 2);

} // namespace

CMemFile::CMemFile(const void* data, std::size_t size)
    : m_bytes(CheckedBytes(data, size), CheckedBytes(data, size) + size) {}

CMemFile::CMemFile(std::vector<std::uint8_t> bytes) : m_bytes(std::move(bytes)) {}

std::size_t CMemFile::Read(void* buffer, std::size_t count) {
    if (m_position >= m_bytes.size() || count == 0) {
        return 0;
    }
    RequireBytes(buffer, count);
    const std::size_t available = m_bytes.size() - static_cast<std::size_t>(m_position);
    const std::size_t n = std::min(count, available);
    std::memcpy(buffer, m_bytes.data() + m_position, n);
    m_position += n;
    return n;
}

void CMemFile::Write(const void* buffer, std::size_t count) {
    if (count == 0) {
        return;
    }
    RequireBytes(buffer, count);
    if (count > MaxLength || m_position > MaxLength - count) {
        throw std::bad_alloc();
    }
    const std::size_t pos = static_cast<std::size_t>(m_position);
    if (pos + count > m_bytes.size()) {
        m_bytes.resize(pos + count);
    }
    std::memcpy(m_bytes.data() + pos, buffer, count);
    m_position += count;
}

std::uint64_t CMemFile::Seek(std::int64_t offset, SeekPosition from) {
    std::int64_t base = 0;
    if (from == current) {
        base = static_cast<std::int64_t>(m_position);
    } else if (from == end) {
        base = static_cast<std::int64_t>(m_bytes.size());
    }
    std::int64_t target = 0;
    if (__builtin_add_overflow(base, offset, &target)) {
        target = offset < 0 ? 0 : std::numeric_limits<std::int64_t>::max();
    }
    m_position = target < 0 ? 0 : std::min(static_cast<std::uint64_t>(target), MaxLength);
    return m_position;
}

std::uint64_t CMemFile::GetLength() const { return m_bytes.size(); }

std::uint64_t CMemFile::GetPosition() const { return m_position; }

void CMemFile::SetLength(std::uint64_t length) {
    if (length > MaxLength) {
        throw std::bad_alloc();
    }
    m_bytes.resize(static_cast<std::size_t>(length));
}

std::vector<std::uint8_t> CMemFile::Detach() {
    std::vector<std::uint8_t> bytes = std::move(m_bytes);
    m_bytes.clear();
    m_position = 0;
    return bytes;
}

} // namespace clavenor
