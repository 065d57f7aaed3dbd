#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/interchange/MidiFile.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace clavenor {

class ECPerformance;

/// What an export wrote, and what it had to approximate or leave out.
struct CLAVENOR_API MidiExportReport {
    /// The track chunks written, the conductor track included.
    int tracks = 0;
    /// The events written, over all tracks; the end-of-track events not counted.
    std::size_t events = 0;
    /// The ticks per quarter note written.
    int division = 0;
    /// One sentence per kind of approximation or omission, with its count, in English.
    std::vector<std::string> warnings;
};

/// Writes a document as a format-1 Standard MIDI File: a first track for the conductor
/// (tempo and meter marks, the texts and raw messages filed under track 0), then one track
/// per staff in staff order (its name, port, texts, lyrics, raw messages, key signatures,
/// notes and the points of its envelopes and channel mode elements), so that importing the
/// result gives the document back.
///
/// Keys of hand 0 become key signatures (sharps when a key has both sharps and flats; keys of
/// the second hand are left out, with a warning). A key that every staff has at the same
/// time goes once to the conductor track, as MidiImporter makes such keys from one there.
///
/// A note's pitch and velocities come from its DCNote record (middle C at velocity 64 when
/// it has none, with a warning). Notes a tie joins sound as one note, from the first's start
/// to the last's end, when they have one key and each starts by the time the one before it
/// ends; a tie between notes apart plays both. A staff's channel comes from its DCMidiTrack
/// record (when it has none, staves take channels in turn, leaving out channel 10, the
/// drums' channel). Rests
/// write nothing. Envelope points are written as they stand: a linear ramp between two points
/// is not sampled into steps. Events at the same tick go in this order: meta events, system
/// exclusive messages, note-offs (those of earlier notes first), other channel messages,
/// note-ons (a note of no length keeps its note-off right after its note-on); so a reader
/// that pairs the first note-on of a key with its first note-off, as MidiImporter does, finds
/// the notes as they were.
///
/// The division is the given one, or else the first of the common divisions (480, 960, 384,
/// ...) at which every time of the document falls on a whole tick; when none does, 960 and
/// times rounded to the nearest tick, with a warning.
class CLAVENOR_API MidiExporter {
public:
    /// How to export; the defaults choose the division and report no progress.
    struct Options {
        /// Ticks per quarter note; 0 chooses (see above).
        int division = 0;
        /// Called now and then with the elements handled so far and their total.
        std::function<void(std::size_t done, std::size_t total)> progress;
    };

    /// Throws MidiFileException for a document that no file can hold (more than 65535
    /// staves, times beyond what a file can count).
    static MidiFile Export(ECPerformance& document, const Options& options,
                           MidiExportReport* report = nullptr);
};

} // namespace clavenor
