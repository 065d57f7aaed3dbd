#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/interchange/MidiFile.h"

#include <cstdint>
#include <vector>

namespace clavenor {

/// Writes a MidiFile as a Standard MIDI File: the header with the file's format and
/// division, then one track chunk per track, each ending with an end-of-track event at the
/// track's end tick (or its last event, when that is later). Channel messages use running
/// status, which a meta event or system exclusive message always cancels, as the standard
/// asks.
class CLAVENOR_API MidiFileWriter {
public:
    /// Throws MidiFileException (without offset) for a file that cannot be written: more
    /// than 65535 tracks, format 0 with more than one track, a division of 0, events out of
    /// time order, a status that is no channel message, system exclusive message or meta
    /// event, or two events further apart than a delta time can say (0x0FFFFFFF ticks).
    static std::vector<std::uint8_t> Write(const MidiFile& file);
};

} // namespace clavenor
