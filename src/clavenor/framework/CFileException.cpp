#include "clavenor/framework/CFileException.h"

#include <cerrno>

namespace clavenor {

namespace {

std::string Describe(const std::string& fileName, const std::string& detail, std::uint64_t offset) {
    std::string text = fileName.empty() ? std::string("(no file name)") : fileName;
    text += ": ";
    if (offset != CFileException::NoOffset) {
        text += "at offset " + std::to_string(offset) + ": ";
    }
    return text + detail;
}

} // namespace

CFileException::CFileException(Cause cause, std::string fileName, std::string detail,
                               std::uint64_t offset)
    : std::runtime_error(Describe(fileName, detail, offset)), m_cause(cause),
      m_pWhere(
          std::make_shared<const Where>(Where{std::move(fileName), std::move(detail), offset})) {}

const std::string& CFileException::GetFileName() const noexcept { return m_pWhere->fileName; }

std::uint64_t CFileException::GetOffset() const noexcept { return m_pWhere->offset; }

const std::string& CFileException::GetDetail() const noexcept { return m_pWhere->detail; }

CFileException::Cause CFileException::CauseFromErrno(int error) {
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return diskFull;
    case ENOENT:
    case ENOTDIR:
        return fileNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return accessDenied;
    default:
        return genericException;
    }
}

} // namespace clavenor
