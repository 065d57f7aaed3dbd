#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/interchange/MidiFile.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace clavenor {

class ECPerformance;

/// What a MIDI import made, and what it had to repair or could not hold.
struct CLAVENOR_API MidiImportReport {
    /// The staves made.
    int staves = 0;
    /// The bars of the measure map (each staff has one measure per bar).
    int measures = 0;
    ///@{
    /// The elements made of each kind; a chord counts once beside its notes.
    std::size_t notes = 0;
    std::size_t chords = 0;
    std::size_t rests = 0;
    ///@}
    /// Controller, program, pitch-bend, pressure and channel-mode points.
    std::size_t points = 0;
    ///@{
    /// Tempo and meter marks made.
    std::size_t tempi = 0;
    std::size_t meters = 0;
    ///@}
    /// Key elements made, one per staff a key signature went to.
    std::size_t keys = 0;
    /// Text and lyric elements made.
    std::size_t texts = 0;
    /// System exclusive messages and meta events kept as raw system messages.
    std::size_t rawMessages = 0;
    /// One line for each kind of repair or loss, with a count and where it first happened
    /// ("note-offs without a note-on, ignored: 2, the first in track 1 at tick 480").
    std::vector<std::string> warnings;
};

/// Turns a Standard MIDI File into a new document: a conductor with its tempo and meter
/// envelopes and measure map, and one staff for each channel used in each track (a track
/// that holds no channel message but is not the first track of a format-1 file gets a staff
/// of its own, so that its name and texts have a home).
///
/// What goes where:
///  - notes: a note-on and the next note-off of the same key and channel in the same track
///    (first on, first off) make an ECNote in the measure where it starts, with its pitch,
///    velocity and release velocity in a DCNote record (a note-on of velocity 0 releases
///    with 64, as MIDI assumes); notes of one staff that start together form an ECChord;
///    a spelling from the key signature in force (sharps or flats) goes with black keys;
///  - rests: the spans of each measure that no note of the staff sounds in get ECRest
///    elements of the largest note values that fit (DCRest records keep their types);
///  - controllers 0-119 become points of one ECControllerEnv per controller, program
///    changes of an ECPatchEnv, pitch bend, channel pressure and key pressure of their
///    envelopes, channel mode messages (120-127) ECChannelMode elements of the staff;
///  - tempo and time signatures become ECTempo and ECMeter marks (120 beats per minute and
///    4/4 from the start when the file says otherwise only later, as MIDI assumes);
///  - text meta events become ECText elements of the same text type (track names and
///    instrument names under their staff, the rest under the conductor staff, with the
///    staff's number as their track), lyrics ECLyric elements in the staff's measures;
///  - key signatures become ECKey elements (hand 0) in the measures where they start: one
///    in the conductor's track in every staff, one in a staff's track in that staff; of
///    several for one staff at one tick the last holds;
///  - a MIDI port meta event sets the port of the track's staves; every other meta event
///    (key signatures no key can hold among them: more than seven sharps or flats, a mode
///    other than major or minor, a length other than two, or no staff to go to) and every
///    system exclusive message becomes an
///    ECSystemMessage of the conductor staff with its bytes in a DCMidiMessage record, so
///    that export writes it back unchanged.
/// Repairs, reported as warnings: a note-off without a note-on is ignored; a note still
/// sounding at its track's end ends there; of two points of one envelope, or two keys of one
/// staff, at the same time the later value is kept; a time or key signature the meter or a
/// key cannot hold, or a key signature with no staff to go to, is kept as a raw message.
///
/// Times are quarter notes (ticks divided by the division; with an SMPTE division through
/// the seconds and the tempo map). The standard records are registered under the view code
/// given (see MCStandardRecords). The import runs structural commands on the document, so
/// it runs on the owning thread.
class CLAVENOR_API MidiImporter {
public:
    /// How to import; the defaults suit a host that uses the standard view code.
    struct Options {
        /// The view code the records are registered and attached under.
        int viewCode = 5;
        /// Called now and then with the events handled so far and their total.
        std::function<void(std::size_t done, std::size_t total)> progress;
        ///@{
        /// Bounds on what a file may make: a few bytes can say "this track ends in a
        /// century", and every bar costs a measure per staff. Far above real music.
        int maxStaves = 4096;
        std::size_t maxBars = 1 << 16;
        ///@}
        /// Bars times staves.
        std::size_t maxStaffMeasures = 1 << 21;
    };

    /// Throws MidiFileException, with the offset of the track chunk at fault, when the file
    /// needs more staves, bars or staff measures than the options allow; nothing is left
    /// behind then.
    static std::unique_ptr<ECPerformance> Import(const MidiFile& file, const Options& options,
                                                 MidiImportReport* report = nullptr);
};

} // namespace clavenor
