#pragma once

#include "clavenor/framework/Export.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace clavenor {

/// One event of a Standard MIDI File track, at an absolute time in ticks. Channel messages
/// keep their status and data bytes here; system exclusive messages and meta events keep
/// their bytes in the file's shared byte pool (MidiFile::GetBytes).
struct CLAVENOR_API MidiEvent {
    ///@{
    /// Kinds of status besides the channel messages 0x80-0xEF.
    static constexpr std::uint8_t SysEx = 0xF0;
    static constexpr std::uint8_t SysExEscape = 0xF7;
    static constexpr std::uint8_t Meta = 0xFF;
    ///@}

    ///@{
    /// Meta event types this library reads or writes.
    static constexpr std::uint8_t MetaSequenceNumber = 0x00;
    static constexpr std::uint8_t MetaText = 0x01;
    static constexpr std::uint8_t MetaCopyright = 0x02;
    static constexpr std::uint8_t MetaTrackName = 0x03;
    static constexpr std::uint8_t MetaInstrument = 0x04;
    static constexpr std::uint8_t MetaLyric = 0x05;
    static constexpr std::uint8_t MetaMarker = 0x06;
    static constexpr std::uint8_t MetaCuePoint = 0x07;
    static constexpr std::uint8_t MetaChannelPrefix = 0x20;
    static constexpr std::uint8_t MetaPort = 0x21;
    static constexpr std::uint8_t MetaEndOfTrack = 0x2F;
    static constexpr std::uint8_t MetaTempo = 0x51;
    static constexpr std::uint8_t MetaSmpteOffset = 0x54;
    static constexpr std::uint8_t MetaTimeSignature = 0x58;
    static constexpr std::uint8_t MetaKeySignature = 0x59;
    static constexpr std::uint8_t MetaSequencer = 0x7F;
    ///@}

    /// The absolute time in ticks from the track's start (the file's division gives their
    /// length).
    std::uint64_t tick = 0;
    /// 0x80-0xEF a channel message; SysEx, SysExEscape or Meta.
    std::uint8_t status = 0;
    ///@{
    /// Channel message: the data bytes (data2 is 0 for messages with one). Meta event: data1
    /// is the meta type.
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;
    ///@}
    ///@{
    /// Where the bytes of a system exclusive message or meta event lie in the byte pool of
    /// the file that made or read the event; meaningless in any other file.
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
    ///@}

    /// A channel message (status 0x80-0xEF).
    bool IsChannel() const { return status >= 0x80 && status < 0xF0; }
    /// A meta event (its type in data1).
    bool IsMeta() const { return status == Meta; }
    /// A system exclusive message, first packet (SysEx) or continuation (SysExEscape).
    bool IsSysEx() const { return status == SysEx || status == SysExEscape; }
    /// The high nibble of the status: the channel message's kind (0x80 note-off ... 0xE0
    /// pitch bend).
    std::uint8_t Kind() const { return status & 0xF0; }
    /// The low nibble of the status, 0-15: a channel message's channel (meaningless for the
    /// others).
    std::uint8_t Channel() const { return status & 0x0F; }
    ///@{
    /// A note-on with velocity 0 counts as a note-off, as in MIDI.
    bool IsNoteOn() const { return Kind() == 0x90 && data2 != 0; }
    bool IsNoteOff() const { return Kind() == 0x80 || (Kind() == 0x90 && data2 == 0); }
    ///@}
    /// The number of data bytes a channel message of this status carries.
    static int DataBytes(std::uint8_t status) {
        const std::uint8_t kind = status & 0xF0;
        return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
    }
};

/// The events of one track chunk, in file order (so in time order). The end-of-track meta
/// event is not kept: a track ends at its last event, or later at its end time.
struct CLAVENOR_API MidiTrack {
    /// The events, ordered by tick; events at one tick keep their file order.
    std::vector<MidiEvent> events;
    /// The tick of the track's end-of-track event (at least that of its last event).
    std::uint64_t endTick = 0;
    /// Where the track's chunk starts in the file it was read from (0 for a track made in
    /// memory), so that messages about it can name a place.
    std::size_t offset = 0;
};

/// A Standard MIDI File in memory: header values, tracks of events, and one byte pool for
/// the bytes of every system exclusive message and meta event. A plain value; copying it
/// copies everything.
class CLAVENOR_API MidiFile {
public:
    /// Format 0 (one track) or 1 (parallel tracks).
    std::uint16_t format = 1;
    /// The division word of the header: ticks per quarter note when bit 15 is clear; when
    /// set, the high byte is minus the SMPTE frames per second and the low byte the ticks
    /// per frame.
    std::uint16_t division = 480;
    /// The track chunks in file order (a format-1 file's first is its conductor track).
    std::vector<MidiTrack> tracks;

    /// Whether the division counts SMPTE frames (bit 15 set) rather than quarter notes.
    bool IsSmpte() const { return (division & 0x8000) != 0; }
    /// Ticks per quarter note (0 for an SMPTE division).
    int TicksPerQuarter() const { return IsSmpte() ? 0 : division; }
    /// Frames per second of an SMPTE division (24, 25, 29 for 29.97 drop frame, 30).
    int SmpteFramesPerSecond() const {
        return IsSmpte() ? -static_cast<std::int8_t>(division >> 8) : 0;
    }
    /// Ticks per frame of an SMPTE division (0 for ticks per quarter note).
    int SmpteTicksPerFrame() const { return IsSmpte() ? (division & 0xFF) : 0; }
    /// Seconds per tick of an SMPTE division (29 counts as 29.97 frames per second).
    double SmpteSecondsPerTick() const;

    ///@{
    /// The bytes of a system exclusive message or meta event, the text form for meta
    /// texts (as stored: no encoding is assumed or checked). Views into the pool, valid until
    /// the next MakeEvent or MakeText or a change through GetPool. Requires an event this
    /// file made or read: the offset and length are not checked, and another file's event
    /// reads out of bounds. Channel messages give an empty view (their length is 0).
    std::span<const std::uint8_t> GetBytes(const MidiEvent& event) const {
        return {m_pool.data() + event.offset, event.length};
    }
    std::string_view GetText(const MidiEvent& event) const {
        return {reinterpret_cast<const char*>(m_pool.data()) + event.offset, event.length};
    }
    ///@}

    ///@{
    /// Appends bytes to the pool and returns an event of `status` (and meta type) at `tick`
    /// that refers to them; the caller adds it to a track. MakeText makes a meta event of
    /// `text`'s bytes. Throws std::length_error, the pool unchanged, for more than 2^28 - 1
    /// bytes (the most a file's length field holds) or a pool past 4 GiB, and std::bad_alloc
    /// when memory runs out. Invalidates the views GetBytes and GetText gave.
    MidiEvent MakeEvent(std::uint64_t tick, std::uint8_t status, std::uint8_t metaType,
                        std::span<const std::uint8_t> bytes);
    MidiEvent MakeText(std::uint64_t tick, std::uint8_t metaType, std::string_view text);
    ///@}
    /// A channel message; data2 is ignored for the kinds with one data byte.
    static MidiEvent MakeChannel(std::uint64_t tick, std::uint8_t status, std::uint8_t data1,
                                 std::uint8_t data2);

    /// How many events all tracks hold.
    std::size_t CountEvents() const;

    ///@{
    /// The byte pool itself, for writers and tests. Appending keeps every event valid;
    /// shrinking it or changing bytes changes or breaks the events that refer to them.
    std::vector<std::uint8_t>& GetPool() { return m_pool; }
    const std::vector<std::uint8_t>& GetPool() const { return m_pool; }
    ///@}

private:
    std::vector<std::uint8_t> m_pool;
};

} // namespace clavenor
