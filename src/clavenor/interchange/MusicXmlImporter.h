#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/interchange/MusicXmlContainer.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace clavenor {

class ECPerformance;

/// What a MusicXML import made, and what it had to repair or could not hold.
struct CLAVENOR_API MusicXmlImportReport {
    /// The staves made (a part of several staves counts each).
    int staves = 0;
    /// The bars of the measure map (each staff has one measure per bar).
    int measures = 0;
    ///@{
    /// The elements made of each kind; a chord counts once beside its notes.
    std::size_t notes = 0;
    std::size_t graceNotes = 0;
    std::size_t chords = 0;
    std::size_t rests = 0;
    std::size_t tempi = 0;
    std::size_t meters = 0;
    ///@}
    /// Dynamics, hairpins and pedal marks.
    std::size_t marks = 0;
    /// Free texts, rehearsal marks and title texts.
    std::size_t texts = 0;
    ///@{
    /// Lyric syllables and chord symbols made.
    std::size_t lyrics = 0;
    std::size_t chordSymbols = 0;
    ///@}
    ///@{
    /// Key signatures and clefs made (one per staff they apply to).
    std::size_t keys = 0;
    std::size_t clefs = 0;
    ///@}
    ///@{
    /// The groups made of each kind (ECTie, ECTuplet, ECSlur, ECBeam, ECGlissando).
    std::size_t ties = 0;
    std::size_t tuplets = 0;
    std::size_t slurs = 0;
    std::size_t beams = 0;
    std::size_t glissandi = 0;
    ///@}
    /// Accents, fermatas, ornaments, tremolos and arpeggios.
    std::size_t modifiers = 0;
    ///@{
    /// Bar styles, repeat signs (one per staff) and volta endings.
    std::size_t barlines = 0;
    std::size_t repeats = 0;
    std::size_t endings = 0;
    ///@}
    /// Segni, codas, Fine and the jumps.
    std::size_t flowControls = 0;
    /// Instrument transpositions and octave signs (one per staff they apply to).
    std::size_t transpositions = 0;
    /// One line for each kind of repair or loss, with a count and the line where it first
    /// happened ("not held, left out: <slur> in <notations>: 12, the first at line 310").
    std::vector<std::string> warnings;
};

/// Turns a partwise MusicXML score (plain XML, or the compressed .mxl container, told apart
/// by their first bytes) into a new document, the way MidiImporter builds one: a conductor
/// with its meter and tempo envelopes and measure map, and one staff per staff of each part.
///
/// What goes where:
///  - measures: the measure map follows the file's measures; a measure gets the meter of its
///    time signature, or, when the music in it (the longest of its parts) is shorter or
///    longer than that, a meter of its own length (a pickup of one quarter in 4/4 becomes a
///    1/4 measure), reported;
///  - notes: one ECNote per note, at its sounding time, in the measure it starts in, with pitch,
///    spelling (the written alteration) and velocity (the note's dynamics attribute, else the
///    staff's last dynamics, else 80) in a DCNote record; the notes of a chord of one voice
///    form an ECChord; voices become the element voices 0-13 in order of first use per staff;
///    a tie between notes of one key that meet is an ECTie of the two under their staff (a
///    chain of ties one ECTie per pair); a tuplet bracket an ECTuplet in the measure where it
///    starts, holding the notes and chords under it, with the ratio of the time modification
///    of its first note and the unit value of its normal type (else its type);
///    a slur becomes an ECSlur under the staff of its first note holding the notes (a chord's
///    notes as their ECChord) of its voice from its first note to its last (only its two ends
///    when they are of two voices; one from or to a grace note from or to the grace note's
///    note, with SlurFromGrace or SlurToGrace), a glissando or slide an ECGlissando of its
///    two notes, a beam of each level an ECBeam in the measure of its first note holding its
///    notes or chords (the upper levels added first; a hook one of a single note);
///    articulations and fermatas become ECAccent children of their note, trill marks
///    ECTrill, turns ECTurn, mordents ECMordent, shakes, schleifers and haydns ECOrnament,
///    tremolos ECTremolo (all numbered as NotationType.h does), an arpeggio or
///    non-arpeggio bracket an ECArpeggio of the note's chord; a grace note keeps its accents;
///    unpitched notes sound their instrument's MIDI key (midi-unpitched) or their display
///    pitch; a part's transposition is applied, so that pitches are sounding pitches, and
///    becomes an ECTranspose (TransposeInstrument, its value the chromatic semitones) of a
///    "Transpositions" envelope of each staff it applies to, lasting to the next one or the
///    end of the part; octave shifts become ECTranspose octave signs there likewise, a stop
///    ending the sign of its number (the
///    notes keep the pitch MusicXML gives, which is the played one); cue
///    notes, which are shown and not played, are left out (reported);
///  - grace notes become ECGraceNote children of the note they precede, each a written value
///    long, ending where that note starts;
///  - rests become ECRest elements with their rest types (a rest no rest type has, such as a
///    5/4 measure rest, as several; one inside a tuplet, which no rest type has, is left out);
///  - keys become ECKey marks (fifths as sharps or flats, minor mode as mode 1, any other mode
///    as 0), clefs ECClef marks numbered as ClefType does, each for hand 0 of the staff its
///    number names (all the part's staves without one), at its time in its measure;
///  - bar styles become ECBarline elements of the conductor's measure (numbered as
///    BarlineType does; location left, right or middle as BarlineAtStart, BarlineAtEnd,
///    BarlineInside; the first part's, the document's barlines being the whole score's),
///    repeats ECRepeat marks (RepeatForward, RepeatBackward) at the start of their measure in
///    every staff of the part, the start of a volta ending an ECFlowControl ending
///    (FlowEnding) with its first number at the start of its measure (the first part's);
///    segno and coda signs, and words that name Fine or a jump as GetFlowString does or say
///    "To Coda" (else the sound's fine, dacapo, dalsegno, segno, coda or tocoda),
///    ECFlowControl marks of the conductor
///    staff numbered as NotationType.h does (the first part's);
///  - time signatures become ECMeter marks (3+2+2/8 as a compound list), metronome marks and
///    sound tempos ECTempo marks (words such as Allegro name the tempo type), in every part
///    (the last one read at a time holds);
///  - dynamics become ECDynamic points of a "Dynamics" envelope of the staff (pppp..ffff as
///    types 0-9, cresc./decresc./dim. words as 11-13, any other mark as type 16 with its name
///    as text; the value is the sound's dynamics, else GetDynamicValue), wedges points of a
///    "Hairpins" envelope (14 crescendo, 15 diminuendo, with their length), pedal marks
///    ECPedal points of a sustain controller envelope (down 127 with the length held, up 0);
///  - words become ECText type 0 under the staff, rehearsal marks type 15 under the conductor
///    staff; the work and movement titles, work number, creators, rights and typed credits
///    the title texts (GetTextString's types);
///  - lyrics become ECLyric elements (number n as verse n - 1; syllabic single, begin,
///    middle, end as auxiliary types 0-3), harmonies ECChordSymbol elements: root and bass
///    are letter * 4 + accidental (0 flat, 1 natural, 2 sharp, 3 double sharp; 28 means no
///    bass), the flavor is that of GetChordSymbolString whose name is the kind's text, else
///    the kind's own (major 0, minor 1, diminished 2, augmented 3, major-seventh 4,
///    minor-seventh 5, dominant 8, half-diminished 10, suspended-fourth 11, major-minor 12,
///    minor-sixth 19, major-sixth 20, dominant-ninth 21, none 28), the text the quality;
///  - a part's name becomes an ECText type 3 of its staves, its MIDI channel a DCMidiTrack
///    record, its MIDI program an ECPatchEnv point at the start.
/// What the document cannot hold (layout, ...) is reported once per kind of element with a
/// count and the first line, never dropped silently (technical marks, glissandi from grace
/// notes, a slur from a grace note to its own note, arpeggios on single notes, ...).
///
/// Bad input gives MusicXmlException with the line: malformed XML, a root that is no partwise
/// score, a duration before any divisions or one that cannot be counted, a measure longer
/// than a meter holds (ECMeter::MaxMeasureQuarters), more staves, measures or staff measures
/// than the options allow. Repairs, reported as warnings: a part the part list does not name
/// is imported under its id; a backup past the start of its measure stops there; a tie whose
/// notes do not meet keeps them apart; a grace note with no note after it is left out.
///
/// The standard records are registered under the view code given (see MCStandardRecords).
/// The import runs structural commands on the document, so it runs on the owning thread.
class CLAVENOR_API MusicXmlImporter {
public:
    /// How to import; the defaults suit a host that uses the standard view code.
    struct Options {
        /// The view code the records are registered and attached under.
        int viewCode = 5;
        /// Called now and then with the measures handled so far and their total.
        std::function<void(std::size_t done, std::size_t total)> progress;
        ///@{
        /// Bounds on what a file may make. Far above real music.
        int maxStaves = 4096;
        std::size_t maxMeasures = 1 << 16;
        ///@}
        /// Measures times staves.
        std::size_t maxStaffMeasures = 1 << 21;
        /// Bounds on an .mxl container.
        MusicXmlContainer::Limits container;
    };

    /// Throws MusicXmlException as described above; nothing is left behind then, and `report`
    /// is untouched. On success `report` (when given) is replaced by this import's.
    static std::unique_ptr<ECPerformance> Import(std::span<const std::uint8_t> bytes,
                                                 const Options& options,
                                                 MusicXmlImportReport* report = nullptr);
};

} // namespace clavenor
