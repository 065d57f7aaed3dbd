#include "clavenor/framework/CArchiveException.h"

namespace clavenor {

namespace {

std::string Describe(CArchiveException::Cause cause, const std::string& detail) {
    std::string text = "archive error: ";
    text += CArchiveException::CauseName(cause);
    if (!detail.empty()) {
        text += ": ";
        text += detail;
    }
    return text;
}

} // namespace

CArchiveException::CArchiveException(Cause cause, const std::string& detail)
    : std::runtime_error(Describe(cause, detail)), m_cause(cause) {}

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
