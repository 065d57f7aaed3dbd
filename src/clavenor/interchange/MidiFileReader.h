#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/interchange/MidiFile.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

namespace clavenor {

/// Reads Standard MIDI Files of format 0 and 1, with any division.
///
/// A MIDI file is untrusted input: anything malformed throws MidiFileException with the
/// offset of the offending byte, and nothing the file says makes the reader hang or use
/// memory out of proportion to the file's size (a track count, a chunk length or a message
/// length is believed only as far as the bytes really go). Failures:
///  - no "MThd" header, a header shorter than 6 bytes, format 2 or above, a division of 0,
///    an SMPTE division other than 24, 25, 29 or 30 frames per second or with 0 ticks per
///    frame;
///  - fewer track chunks than the header announces; a chunk whose length runs past the
///    end of the file;
///  - inside a track: a variable-length number of more than four bytes, running status
///    before any status byte, a data byte where a status was due or the reverse, a status
///    that has no place in a file (0xF1-0xF6, 0xF8-0xFE), a message or length that runs past
///    its chunk.
/// Repairs, which make the file readable rather than refused:
///  - a track without an end-of-track event ends with its chunk; bytes after the
///    end-of-track event are ignored;
///  - chunks of other types than "MTrk", and chunks after the announced number of tracks,
///    are skipped;
///  - running status survives meta events and system exclusive messages (as many writers
///    assume, though the standard cancels it);
///  - a format-0 file announcing several tracks is read as format 1.
class CLAVENOR_API MidiFileReader {
public:
    /// Called now and then while reading, with the bytes read so far and the total.
    using Progress = std::function<void(std::size_t done, std::size_t total)>;

    /// The file in `bytes` (which the result does not refer to), or MidiFileException as
    /// listed above; std::bad_alloc when memory runs out. An exception `progress` throws
    /// stops the read and passes through. Cost: one pass, O(bytes).
    static MidiFile Read(std::span<const std::uint8_t> bytes, const Progress& progress = {});
};

} // namespace clavenor
