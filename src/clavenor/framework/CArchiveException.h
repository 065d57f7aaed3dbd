#pragma once

#include <stdexcept>
#include <string>

namespace clavenor {

/// Raised by CArchive (and by the records it reads) for every malformed, truncated or
/// unsupported stream, and for misuse such as writing to a loading archive. It is thrown by
/// value: catch `const CArchiveException&`.
///
/// When a load fails, objects read so far stay linked into the partly built graph; the
/// caller discards that graph (see ECBase for how a graph is released).
class CArchiveException : public std::runtime_error {
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

    explicit CArchiveException(Cause cause, const std::string& detail = std::string());

    Cause m_cause;

    /// A fixed English name of a cause code ("endOfFile", ...).
    static const char* CauseName(Cause cause);
};

} // namespace clavenor
