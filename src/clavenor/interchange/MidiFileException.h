#pragma once

#include "clavenor/framework/Export.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace clavenor {

/// A Standard MIDI File that cannot be read (or a document that cannot be written as one):
/// what was wrong, and the byte offset in the file where reading stopped. Thrown by value;
/// what() reads "offset 1234: running status without a status byte".
class CLAVENOR_API MidiFileException : public std::runtime_error {
public:
    /// GetOffset() when no offset applies (a failure while writing).
    static constexpr std::uint64_t NoOffset = ~std::uint64_t{0};

    /// what() is "offset <offset>: <detail>", or the detail alone for NoOffset. Throws
    /// std::bad_alloc only while it is made, never when it is copied.
    MidiFileException(std::uint64_t offset, std::string detail);

    /// The byte offset in the file, from its first byte; NoOffset when none applies.
    std::uint64_t GetOffset() const noexcept { return m_nOffset; }
    /// The words of the failure, without the offset.
    const std::string& GetDetail() const noexcept { return *m_pDetail; }

private:
    std::uint64_t m_nOffset;
    // Shared, so that copying the exception (as throwing does) cannot fail.
    std::shared_ptr<const std::string> m_pDetail;
};

} // namespace clavenor
