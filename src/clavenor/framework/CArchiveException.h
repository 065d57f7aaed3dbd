#pragma once

#include "clavenor/framework/Export.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace clavenor {

/// Raised by CArchive (and by the records it reads) for every malformed, truncated or
/// unsupported stream, and for misuse such as writing to a loading archive. It is thrown by
/// value: catch `const CArchiveException&`.
///
/// Besides its cause code it tells where the failure happened, as far as the archive knows:
/// the byte offset in the file (GetOffset) and the class whose record was being read or
/// written (GetClassName). what() names both, for instance
/// "archive error: endOfFile at offset 1234 in ECNote: stream ends inside a value".
///
/// When a load fails, objects read so far stay linked into the partly built graph; the
/// caller discards that graph (see ECBase for how a graph is released).
class CLAVENOR_API CArchiveException : public std::runtime_error {
public:
    /// Cause codes, numbered as in the platform's archive.
    enum Cause {
        none = 0,
        genericException = 1, ///< malformed data that fits no other cause
        readOnly = 2,         ///< a write to an archive that is loading
        endOfFile = 3,        ///< the stream ended inside a value or record
        writeOnly = 4,        ///< a read from an archive that is storing
        badIndex = 5,         ///< an object or class reference to no valid entry
        badClass = 6,         ///< an unknown class, or an object of the wrong class
        badSchema = 7,        ///< a class record whose schema this library refuses
    };

    /// GetOffset() of an exception that was not raised at a known place in a file.
    static constexpr std::uint64_t UnknownOffset = ~std::uint64_t{0};

    ///@{
    /// `detail` says what went wrong in words; offset and class are unknown until the
    /// archive the exception passes through fills them in.
    explicit CArchiveException(Cause cause, const std::string& detail = std::string());
    CArchiveException(Cause cause, const std::string& detail, std::uint64_t offset,
                      std::string_view className = std::string_view());
    ///@}

    Cause m_cause; ///< The cause code; never carries the offset or the class.

    /// The position in the file at which the archive stopped: the start of the refused
    /// object reference or class record, the end of the data for a stream that ends early,
    /// otherwise just past the last value read (or written). UnknownOffset when unknown.
    std::uint64_t GetOffset() const noexcept;

    /// The name of the class whose record was being read (or written), innermost first;
    /// empty when the failure happened outside any object record.
    const std::string& GetClassName() const noexcept;

    /// The words of the failure, without cause, offset or class.
    const std::string& GetDetail() const noexcept;

    /// "archive error: CAUSE[ at offset N][ in CLASS][: DETAIL]".
    const char* what() const noexcept override;

    /// A fixed English name of a cause code ("endOfFile", ...).
    static const char* CauseName(Cause cause);

private:
    friend class CArchive;

    // Fills in the offset and the class where they are still unknown, so the innermost
    // place an exception passes wins. Never throws: if the new text cannot be made, the
    // exception keeps what it said.
    void Locate(std::uint64_t offset, std::string_view className) noexcept;

    struct Where {
        std::string detail;
        std::string className;
        std::uint64_t offset = UnknownOffset;
        std::string text;
    };
    static std::shared_ptr<const Where> Make(Cause cause, std::string detail, std::uint64_t offset,
                                             std::string_view className);

    // Shared, so that copying the exception (as throwing does) cannot fail.
    std::shared_ptr<const Where> m_pWhere;
};

} // namespace clavenor
