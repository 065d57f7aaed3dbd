#pragma once

#include "clavenor/framework/Export.h"

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>

namespace clavenor {

/// A MusicXML file that cannot be read (malformed XML, a broken or oversized .mxl container,
/// music that no document can hold), or a document that cannot be written as one: what was
/// wrong, and the line of the XML text where it was found. Thrown by value; what() reads
/// "line 120: a duration before any divisions were given".
class CLAVENOR_API MusicXmlException : public std::runtime_error {
public:
    /// GetLine() when no line applies (the container, or a failure while writing).
    static constexpr std::size_t NoLine = 0;

    /// what() is "line <line>: <detail>", or the detail alone for NoLine. Throws
    /// std::bad_alloc only while it is made, never when it is copied.
    MusicXmlException(std::size_t line, std::string detail);

    /// 1 for the first line of the XML text, NoLine when none applies.
    std::size_t GetLine() const noexcept { return m_nLine; }
    /// The words of the failure, without the line.
    const std::string& GetDetail() const noexcept { return *m_pDetail; }

private:
    std::size_t m_nLine;
    // Shared, so that copying the exception (as throwing does) cannot fail.
    std::shared_ptr<const std::string> m_pDetail;
};

} // namespace clavenor
