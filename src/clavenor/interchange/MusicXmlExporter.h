#pragma once

#include "clavenor/framework/Export.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace clavenor {

class ECPerformance;

/// What a MusicXML export wrote, and what it had to approximate or leave out.
struct CLAVENOR_API MusicXmlExportReport {
    /// The parts written, one per staff.
    int parts = 0;
    /// The measures of each part (every part has them all).
    int measures = 0;
    /// Notes written (a note split at bar lines or into tied values counts once).
    std::size_t notes = 0;
    /// Rest elements written (a rest written as several values counts each).
    std::size_t rests = 0;
    /// The divisions of a quarter note written.
    long long divisions = 0;
    /// One line for each kind of approximation or loss, with a count.
    std::vector<std::string> warnings;
};

/// Writes a document as a partwise MusicXML 4.0 score: one part per staff (its track name as
/// the part name, its MIDI channel and first program in the part's MIDI instrument), the
/// conductor's measures in every part, and in them:
///  - attributes: the divisions (the smallest that puts every time of the document on a
///    whole division), a time signature wherever the meter changes (a compound list meter as
///    "3+2+2"), and the keys and clefs of hand 0 of the staff (clef types as ClefType names
///    them; a staff without a clef at its start gets the treble or bass clef its range
///    suits; a key or clef inside a measure stands before the note at its time);
///  - notes, chords, rests and grace notes with pitch (spelled as the note record says, or
///    with sharps for black keys), duration, type, dots and voice. A note that runs over a
///    bar line, or whose length no single note value has, is written as tied notes; a
///    length that only a tuplet value has gets a time modification (3:2, 5:4, ...); the notes
///    of an ECTuplet are written with its ratio and unit value, under a bracket from its
///    first note to its last. An ECTie ties its first note's last value to its second's first
///    value. Notes
///    of one voice that start together with one length are written as a chord; notes of a
///    voice that overlap otherwise go to further voices, so that every voice of the file is
///    one line of events. A note's velocity becomes its dynamics attribute (percent of 90);
///  - lines and modifiers (numbered as NotationType.h does): an ECSlur as a slur from its
///    earliest member to its latest (from its first grace note, or to its last grace note,
///    with SlurFromGrace, SlurToGrace), an ECGlissando as a glissando from its earlier
///    note's last value to its later note's first, an ECBeam as a beam over its members on
///    every value they are written in (begin, continue, end), of level 1, or one below the
///    innermost beam whose members include all of its own (one of a single member a hook);
///    the modifiers of a note, and those of its chord on the chord's first note, as
///    articulations, fermatas, ornaments (trill marks, turns, mordents, shakes, schleifers,
///    haydns, tremolos: one between two notes leaves from the first's last value, and the
///    two show twice their value in half its time); a chord's arpeggio on each of its
///    notes; a grace note's accents. A line that joins fewer than two notes or chords of
///    its staff (a slur reaching into another staff, which is another part), a beam over the
///    notes of another, and types NotationType.h does not name are left out, reported;
///  - directions: dynamics (types 0-9 as pppp..ffff, user-defined ones by their text),
///    hairpins (dynamic types 14 crescendo and 15 diminuendo, with their duration) as wedges,
///    the words cresc., decresc. and dim. (types 11-13), pedal points of controller 64 as
///    pedal start (value 64 and above) and stop, the conductor's tempo marks (in the first
///    part) as metronome marks with their words and a sound tempo, texts of a staff (type 0)
///    and of the conductor (markers, cue points, rehearsal marks) as words and rehearsals;
///  - lyrics (on the note or rest that starts at their time: verse v as number v + 1, the
///    auxiliary type 0-3 as syllabic single, begin, middle, end) and chord symbols as
///    harmony (see MusicXmlImporter for the numbering of roots and flavors);
///  - barlines: the bar styles of the conductor's measures (BarlineType) in every part, each
///    staff's repeats (RepeatType), and the score's endings, each ending with its measure;
///  - the title texts: title and subtitle as work and movement title, opus number as work
///    number, composer, arranger and text author as creators, copyright as rights, the other
///    title-page texts as credits with their kind as credit type.
/// Directions and harmonies inside a note's span carry an offset (with sound="yes").
/// Controller envelopes other than the sustain pedal, pitch bends, pressures and system
/// messages have no place in MusicXML: they are left out, with a warning per kind, as are a
/// second hand's keys and clefs, and flow controls of types NotationType.h does not name.
/// Octave signs are numbered apart from those they overlap; an instrument's transposition
/// with a length that ends before the next is followed by a transposition of none.
///
/// The result is the XML text (UTF-8); MusicXmlContainer::Pack makes an .mxl of it.
class CLAVENOR_API MusicXmlExporter {
public:
    /// How to export; the defaults choose the divisions and report no progress.
    struct Options {
        /// Divisions of a quarter note; 0 chooses (see above).
        long long divisions = 0;
        /// Called now and then with the elements handled so far and their total.
        std::function<void(std::size_t done, std::size_t total)> progress;
    };

    /// Throws MusicXmlException for a document no file can hold (times that fall on no
    /// division when the divisions are given, times beyond what a file can count); `report`
    /// is untouched then. On success `report` (when given) is replaced by this export's.
    static std::string Export(ECPerformance& document, const Options& options,
                              MusicXmlExportReport* report = nullptr);
};

} // namespace clavenor
