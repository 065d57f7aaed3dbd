#include "clavenor/framework/CArchiveException.h"

#include <utility>

namespace clavenor {

std::shared_ptr<const CArchiveException::Where>
CArchiveException::Make(Cause cause, std::string detail, std::uint64_t offset,
                        std::string_view className) {
    auto where = std::make_shared<Where>();
    where->text = "archive error: ";
    where->text += CauseName(cause);
    if (offset != UnknownOffset) {
        where->text += " at offset ";
        where->text += std::to_string(offset);
    }
    if (!className.empty()) {
        where->text += " in ";
        where->text += className;
    }
    if (!detail.empty()) {
        where->text += ": ";
        where->text += detail;
    }
    where->detail = std::move(detail);
    where->className = std::string(className);
    where->offset = offset;
    return where;
}

CArchiveException::CArchiveException(Cause cause, const std::string& detail)
    : CArchiveException(cause, detail, UnknownOffset) {}

CArchiveException::CArchiveException(Cause cause, const std::string& detail, std::uint64_t offset,
                                     std::string_view className)
    : std::runtime_error(detail), m_cause(cause), m_pWhere(Make(cause, detail, offset, className)) {
}

std::uint64_t CArchiveException::GetOffset() const noexcept { return m_pWhere->offset; }

const std::string& CArchiveException::GetClassName() const noexcept { return m_pWhere->className; }

const std::string& CArchiveException::GetDetail() const noexcept { return m_pWhere->detail; }

const char* CArchiveException::what() const noexcept { return m_pWhere->text.c_str(); }

void CArchiveException::Locate(std::uint64_t offset, std::string_view className) noexcept {
    const bool newOffset = m_pWhere->offset == UnknownOffset && offset != UnknownOffset;
    const bool newClass = m_pWhere->className.empty() && !className.empty();
    if (!newOffset && !newClass) {
        return;
    }
    try {
        m_pWhere = Make(m_cause, m_pWhere->detail, newOffset ? offset : m_pWhere->offset,
                        newClass ? className : std::string_view(m_pWhere->className));
    } catch (...) {
        // Out of memory while already failing: the exception says less, but it is thrown.
    }
}

const char* CArchiveException::CauseName(Cause cause) {
    switch (cause) {
    case none:
        return "none";
    case genericException:
        return "genericException";
    case readOnly:
        return "readOnly";
    case endOfFile:
        return "endOfFile";
    case writeOnly:
        return "writeOnly";
    case badIndex:
        return "badIndex";
    case badClass:
        return "badClass";
    case badSchema:
        return "badSchema";
    }
    return "unknown";
}

} // namespace clavenor
