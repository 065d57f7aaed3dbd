#pragma once

#include "clavenor/framework/Export.h"

#include <cstdint>

namespace clavenor {

/// The 16-bit voice/track word of a timed element. Bit 15 tells the two readings apart:
/// clear, it holds a voice (bits 0-3) and a track (bits 4-14); set ("converted"), it holds
/// an output device (bits 0-7) and a MIDI channel (bits 8-14). Voice 15, track 2047,
/// device 255 and channel 127 stand for "none"; a getter of the reading the word is not in
/// answers that "none" value.
class CLAVENOR_API MCVoiceTrack {
public:
    /// Bit 15: set, the word holds a device and a channel instead of a voice and a track.
    static constexpr std::uint16_t ConvertedBit = 0x8000;
    /// The track of an element that names none.
    static constexpr int NoTrack = 2047;
    /// The track of an element that belongs to every track.
    static constexpr int AllTracks = 2046;
    /// The highest track a staff or an element can be given.
    static constexpr int HighestTrack = 2045;

    /// Voice 15, track 2047, unconverted (0x7FFF).
    constexpr MCVoiceTrack() = default;

    /// (voice & 15) | (track << 4), truncated to 16 bits: a track of 2048 or more reaches
    /// the converted bit.
    constexpr MCVoiceTrack(unsigned voice, unsigned track)
        : m_word(static_cast<std::uint16_t>((voice & 15u) | (track << 4))) {}

    /// The voice, 0-15; 15 (none) when converted.
    constexpr unsigned GetVoice() const { return IsConverted() ? 15u : m_word & 15u; }
    /// The track, 0-2047; 2047 (none) when converted.
    constexpr unsigned GetTrack() const { return IsConverted() ? 2047u : m_word >> 4; }
    /// The output device, 0-255; 255 (none) unless converted.
    constexpr unsigned GetDevice() const { return IsConverted() ? m_word & 0xFFu : 255u; }
    /// The MIDI channel, 0-127; 127 (none) unless converted.
    constexpr unsigned GetChannel() const { return IsConverted() ? (m_word >> 8) & 0x7Fu : 127u; }

    /// Replaces the voice and clears the converted bit, keeping the track bits.
    constexpr void SetVoice(unsigned voice) {
        m_word = static_cast<std::uint16_t>((m_word & 0x7FF0u) | (voice & 15u));
    }
    /// Replaces bits 4-15 with `track`, keeping the voice.
    constexpr void SetTrack(unsigned track) {
        m_word = static_cast<std::uint16_t>((m_word & 15u) | (track << 4));
    }
    /// Replaces the device byte and sets the converted bit.
    constexpr void SetDevice(unsigned device) {
        m_word = static_cast<std::uint16_t>((m_word & 0xFF00u) | (device & 0xFFu) | ConvertedBit);
    }
    /// Replaces the channel bits and sets the converted bit.
    constexpr void SetChannel(unsigned channel) {
        m_word = static_cast<std::uint16_t>((m_word & 0x00FFu) | ((channel & 0x7Fu) << 8) |
                                            ConvertedBit);
    }

    /// 0x8000 when converted, else 0.
    constexpr unsigned IsConverted() const { return m_word & ConvertedBit; }

    /// The 16-bit word as archived.
    constexpr unsigned GetValue() const { return m_word; }
    /// Replaces the whole word (truncated to 16 bits), either reading.
    constexpr void SetValue(unsigned word) { m_word = static_cast<std::uint16_t>(word); }

    /// Equal words.
    friend constexpr bool operator==(MCVoiceTrack a, MCVoiceTrack b) {
        return a.m_word == b.m_word;
    }

private:
    std::uint16_t m_word = 0x7FFF;
};

} // namespace clavenor
