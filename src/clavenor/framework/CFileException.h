#pragma once

#include "clavenor/framework/Export.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace clavenor {

/// A failure to read or write a file on disk: what went wrong, which file, and, when the
/// contents were at fault, the byte offset in the file where reading stopped. Thrown by
/// value; catch `const CFileException&`. what() says all of it on one line, for instance
/// "song.clv: damaged at offset 1234 in ECNote: stream ends inside a value".
class CLAVENOR_API CFileException : public std::runtime_error {
public:
    /// What kind of failure; the values are fixed (hosts store and compare them).
    enum Cause {
        genericException = 1, ///< an operating-system failure not named below
        fileNotFound = 2,     ///< the file (or a folder on its path) does not exist
        accessDenied = 5,     ///< the system refused to open, create or replace it
        invalidFile = 8,      ///< not a file of the expected kind (its first bytes say so)
        diskFull = 14,        ///< writing failed for lack of space
        newerVersion = 16,    ///< written by a newer version of the format than this reads
        damaged = 17,         ///< the expected kind, but its contents are broken
    };

    /// GetOffset() when no offset applies.
    static constexpr std::uint64_t NoOffset = ~std::uint64_t{0};

    /// A failure of `fileName` (as the user named it) with `detail` in words and, for
    /// damaged contents, the byte `offset`; what() is composed from them at once.
    CFileException(Cause cause, std::string fileName, std::string detail,
                   std::uint64_t offset = NoOffset);

    Cause m_cause; ///< The kind of failure.

    /// The file's name as given to the constructor.
    const std::string& GetFileName() const noexcept;
    /// The byte offset in the file where the contents went wrong, or NoOffset.
    std::uint64_t GetOffset() const noexcept;
    /// The words of the failure, without file name and offset.
    const std::string& GetDetail() const noexcept;

    /// The cause for an errno value of a failed system call (diskFull for ENOSPC and
    /// EDQUOT, fileNotFound for ENOENT and ENOTDIR, accessDenied for EACCES, EPERM and
    /// EROFS, else genericException).
    static Cause CauseFromErrno(int error);

private:
    struct Where {
        std::string fileName;
        std::string detail;
        std::uint64_t offset;
    };
    // Shared, so that copying the exception (as throwing does) cannot fail.
    std::shared_ptr<const Where> m_pWhere;
};

} // namespace clavenor
