#include "clavenor/interchange/MusicXmlException.h"

namespace clavenor {

namespace {

std::string Describe(std::size_t line, const std::string& detail) {
    return line == MusicXmlException::NoLine ? detail
                                             : "line " + std::to_string(line) + ": " + detail;
}

} // namespace

MusicXmlException::MusicXmlException(std::size_t line, std::string detail)
    : std::runtime_error(Describe(line, detail)), m_nLine(line),
      m_pDetail(std::make_shared<const std::string>(std::move(detail))) {}

} // namespace clavenor
