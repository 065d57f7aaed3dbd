#pragma once

#include <cstdint>

namespace clavenor {

/// What the type numbers of ECBarline and ECRepeat, and ECBarline's position, mean wherever
/// this library gives them a meaning: MusicXML import and export. The document stores and
/// compares these numbers only; a host that numbers them otherwise keeps its own meaning.
/// The numbers are fixed, as documents keep them; new kinds take the next free number.

/// ECBarline's type (6 bits): the line's style.
enum BarlineType : std::uint8_t {
    BarlineRegular = 0,
    BarlineDotted = 1,
    BarlineDashed = 2,
    BarlineHeavy = 3,
    BarlineDouble = 4,     // light-light
    BarlineFinal = 5,      // light-heavy
    BarlineHeavyLight = 6, // the start of a section, as a forward repeat draws it
    BarlineHeavyHeavy = 7,
    BarlineTick = 8,
    BarlineShort = 9,
    BarlineNone = 10,
    BarlineTypeCount = 11
};

/// ECBarline's position (2 bits): the edge of its conductor measure it stands at.
enum BarlinePosition : std::uint8_t { BarlineAtEnd = 0, BarlineAtStart = 1, BarlineInside = 2 };

/// ECRepeat's type: which way the repeat sign faces. A repeat stands at the start time of its
/// measure whichever end of the measure it marks.
enum RepeatType : std::uint8_t { RepeatForward = 0, RepeatBackward = 1 };

/// The ECFlowControl type of a volta ending (its number is the pass it is played on).
inline constexpr std::uint8_t FlowEnding = 2;

} // namespace clavenor
