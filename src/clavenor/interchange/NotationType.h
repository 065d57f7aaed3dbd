#pragma once

#include <cstdint>

namespace clavenor {

/// What the type numbers of the note modifiers (ECAccent, ECTrill, ECTurn, ECMordent,
/// ECOrnament, ECTremolo, ECArpeggio), of ECTranspose and of the named flow controls mean
/// wherever this library gives them a meaning: MusicXML import and export. The document
/// stores and compares these numbers only; a host that numbers them otherwise keeps its own
/// meaning. The numbers are fixed, as documents keep them; new kinds take the next free
/// number.

/// ECAccent's type: the articulation marks and the fermatas drawn over a note or chord.
enum AccentType : std::uint8_t {
    AccentAccent = 0, // >
    AccentStrong = 1, // ^ (marcato)
    AccentStaccato = 2,
    AccentTenuto = 3,
    AccentDetachedLegato = 4, // tenuto with a staccato dot
    AccentStaccatissimo = 5,
    AccentSpiccato = 6,
    AccentStress = 7,
    AccentUnstress = 8,
    AccentSoft = 9,
    AccentFermata = 10,      // the usual rounded fermata
    AccentFermataShort = 11, // angled
    AccentFermataLong = 12,  // square
    AccentTypeCount = 13
};

/// ECTrill's type: a trill sign, with or without the wavy line that carries it on.
enum TrillType : std::uint8_t { TrillMark = 0, TrillWithLine = 1, TrillTypeCount = 2 };

/// ECTurn's type.
enum TurnType : std::uint8_t {
    TurnNormal = 0,
    TurnInverted = 1,
    TurnDelayed = 2,
    TurnDelayedInverted = 3,
    TurnVertical = 4, // the turn stood upright
    TurnTypeCount = 5
};

/// ECMordent's type: the lower mordent (with its line) and the upper one (pralltriller).
enum MordentType : std::uint8_t { MordentLower = 0, MordentUpper = 1, MordentTypeCount = 2 };

/// ECOrnament's type: the ornaments that have no element class of their own.
enum OrnamentType : std::uint8_t {
    OrnamentShake = 0,
    OrnamentSchleifer = 1,
    OrnamentHaydn = 2,
    OrnamentTypeCount = 3
};

/// ECArpeggio's type: a chord rolled (which way), or a bracket saying not to roll it.
enum ArpeggioType : std::uint8_t {
    ArpeggioPlain = 0,
    ArpeggioUp = 1,
    ArpeggioDown = 2,
    ArpeggioNone = 3,
    ArpeggioTypeCount = 4
};

/// ECTremolo's type: the number of strokes through the stem of a note played as a measured
/// tremolo, 1 to TremoloMostStrokes. Two notes or chords played in alternation carry one
/// tremolo each, the strokes between them plus TremoloToNext on the first and plus
/// TremoloFromPrevious on the second.
inline constexpr std::uint8_t TremoloMostStrokes = 8;
inline constexpr std::uint8_t TremoloToNext = 16;
inline constexpr std::uint8_t TremoloFromPrevious = 32;

/// Group-type flags of an ECSlur beyond those of ECGroup's lifetime rules: the slur starts on
/// the first grace note of its earliest member, or ends on the last grace note of its latest
/// member. A copy of a slur loses them, as it loses every group type but its own.
inline constexpr std::uint8_t SlurFromGrace = 16;
inline constexpr std::uint8_t SlurToGrace = 32;

/// ECTranspose's type. The octave signs are those the transposition command knows (its
/// value is the semitones the notes sound above how they are drawn: 12, -12, 24); an
/// instrument's transposition says how a part is written: its value is the semitones the
/// music sounds above the written notes (-2 for a clarinet in B flat), and it lasts for its
/// length, or when it has none until the next transposition of its staff. The document's notes
/// always keep their sounding pitch.
enum TransposeType : std::uint8_t {
    TransposeOctaveUp = 0,   // 8va: sounds an octave above the written notes
    TransposeOctaveDown = 1, // 8vb
    TransposeTwoOctavesUp = 2,
    TransposeTwoOctavesDown = 3,
    TransposeInstrument = 4,
    TransposeTypeCount = 5
};

/// The ECFlowControl types of the signs that jumps lead to (the named jumps and Fine are
/// types 5 to 12, as GetFlowString names them), and of "To Coda", the place a repeat left
/// by a jump al Coda leaves for the coda.
inline constexpr std::uint8_t FlowSegno = 3;
inline constexpr std::uint8_t FlowCoda = 4;
inline constexpr std::uint8_t FlowFine = 5;
inline constexpr std::uint8_t FlowDaCapo = 6;
inline constexpr std::uint8_t FlowDaCapoAlFine = 7;
inline constexpr std::uint8_t FlowDaCapoAlSegno = 8;
inline constexpr std::uint8_t FlowDaCapoAlCoda = 9;
inline constexpr std::uint8_t FlowDalSegno = 10;
inline constexpr std::uint8_t FlowDalSegnoAlFine = 11;
inline constexpr std::uint8_t FlowDalSegnoAlCoda = 12;
inline constexpr std::uint8_t FlowToCoda = 13;

} // namespace clavenor
