#pragma once

#include "clavenor/framework/CFile.h"
#include "clavenor/framework/Export.h"

#include <cstdint>
#include <vector>

namespace clavenor {

/// A growable file in memory: the stream of clipboard transfers, of tests and of hosts that
/// do their own file input and output.
///
/// Bad arguments never reach memory: a null buffer with a non-zero size or count throws
/// CArchiveException(genericException); a file that would grow past what memory can hold
/// throws std::bad_alloc and stays as it was.
class CLAVENOR_API CMemFile : public CFile {
public:
    CMemFile() = default;

    /// A file holding a copy of `size` bytes at `data`, positioned at the start. `data` may
    /// be null only when `size` is 0.
    CMemFile(const void* data, std::size_t size);

    /// A file that takes over `bytes`, positioned at the start.
    explicit CMemFile(std::vector<std::uint8_t> bytes);

    std::size_t Read(void* buffer, std::size_t count) override;
    void Write(const void* buffer, std::size_t count) override;
    /// As CFile::Seek; a target beyond the largest position clamps to it, and an unknown
    /// `from` counts from the start.
    std::uint64_t Seek(std::int64_t offset, SeekPosition from) override;
    /// The number of bytes held.
    std::uint64_t GetLength() const override;
    /// The current position; may lie past the end after a Seek.
    std::uint64_t GetPosition() const override;

    /// Truncates or zero-extends the file; the position stays where it was. A length memory
    /// cannot hold throws std::bad_alloc.
    void SetLength(std::uint64_t length);

    /// The bytes written so far, valid until the next Write, SetLength or Detach.
    const std::uint8_t* GetData() const { return m_bytes.data(); }

    /// Takes the bytes out of the file, which is left empty at position 0.
    std::vector<std::uint8_t> Detach();

private:
    std::vector<std::uint8_t> m_bytes;
    std::uint64_t m_position = 0;
};

} // namespace clavenor
