#pragma once

#include "clavenor/framework/Export.h"

#include <cstddef>
#include <cstdint>

namespace clavenor {

/// A byte stream an archive reads from or writes to. The library only needs random access
/// over bytes; CMemFile is the implementation it ships. A host may derive its own.
///
/// Positions and lengths are 64-bit; a file is used by one thread at a time.
class CLAVENOR_API CFile {
public:
    /// Where a Seek offset counts from: the start, the current position, the end.
    enum SeekPosition { begin = 0, current = 1, end = 2 };

    virtual ~CFile();

    /// Copies up to `count` bytes at the current position into `buffer`, advances past them
    /// and returns how many were copied: fewer than asked only at the end of the data.
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;

    /// Writes `count` bytes at the current position, growing the file as needed. Throws
    /// std::bad_alloc when the file cannot grow.
    virtual void Write(const void* buffer, std::size_t count) = 0;

    /// Moves to `offset` counted from `from`, returns the new position. Positions before 0
    /// are clamped to 0; positions past the end are allowed (a later Write fills the gap
    /// with zero bytes).
    virtual std::uint64_t Seek(std::int64_t offset, SeekPosition from) = 0;

    /// The number of bytes in the file.
    virtual std::uint64_t GetLength() const = 0;
    /// The current position, from the start; may lie past the end (see Seek).
    virtual std::uint64_t GetPosition() const = 0;

    /// Seek(0, begin).
    void SeekToBegin() { Seek(0, begin); }
    /// Seek(0, end); returns the length.
    std::uint64_t SeekToEnd() { return Seek(0, end); }

    /// Hands buffered bytes to the medium; the base has none and does nothing.
    virtual void Flush();
    /// Ends the use of the medium; the base does nothing. Archives never call it: the file
    /// is its owner's to close.
    virtual void Close();

protected:
    CFile() = default;
    ///@{
    /// Copying is for derived classes that decide to allow it.
    CFile(const CFile&) = default;
    CFile& operator=(const CFile&) = default;
    ///@}
};

} // namespace clavenor
