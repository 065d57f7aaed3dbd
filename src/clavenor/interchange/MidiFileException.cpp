#include "clavenor/interchange/MidiFileException.h"

namespace clavenor {

namespace {

std::string Describe(std::uint64_t offset, const std::string& detail) {
    return offset == MidiFileException::NoOffset
               ? detail
               : "offset " + std::to_string(offset) + ": " + detail;
}

} // namespace

MidiFileException::MidiFileException(std::uint64_t offset, std::string detail)
    : std::runtime_error(Describe(offset, detail)), m_nOffset(offset),
      m_pDetail(std::make_shared<const std::string>(std::move(detail))) {}

} // namespace clavenor
