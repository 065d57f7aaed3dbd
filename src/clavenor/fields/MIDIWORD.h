#pragma once

#include "clavenor/framework/Export.h"

#include <cstdint>

namespace clavenor {

/// A MIDI short message packed into 32 bits: byte 0 (the low byte) is the status, byte 1 the
/// first data byte, byte 2 the second; byte 3 is unused. Bytes are numbered from the low end
/// of the word whatever the machine's byte order, so the word can be handed to a MIDI
/// driver's short-message call as it stands.
struct CLAVENOR_API MIDIWORD {
    std::uint32_t dwData = 0; ///< The packed word; bytes 0-2 the message, byte 3 unused.

    /// The empty message: every byte 0.
    constexpr MIDIWORD() = default;
    /// The word as it stands, byte 3 included.
    constexpr explicit MIDIWORD(std::uint32_t word) : dwData(word) {}
    /// Packs the three bytes as they are (data bytes are not masked to 7 bits); byte 3 is 0.
    constexpr MIDIWORD(std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
        : dwData(status | (static_cast<std::uint32_t>(data1) << 8) |
                 (static_cast<std::uint32_t>(data2) << 16)) {}

    /// Byte `index` (0 to 3); 0 for any other index.
    constexpr std::uint8_t GetByte(int index) const {
        return index >= 0 && index < 4 ? static_cast<std::uint8_t>(dwData >> (8 * index)) : 0;
    }
    /// Replaces byte `index` (0 to 3); any other index changes nothing.
    constexpr void SetByte(int index, std::uint8_t value) {
        if (index < 0 || index >= 4) {
            return;
        }
        const int shift = 8 * index;
        dwData = (dwData & ~(0xFFu << shift)) | (static_cast<std::uint32_t>(value) << shift);
    }

    /// Equal words, byte 3 included.
    friend constexpr bool operator==(const MIDIWORD&, const MIDIWORD&) = default;
};

} // namespace clavenor
