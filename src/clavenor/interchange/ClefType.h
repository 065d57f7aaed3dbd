#pragma once

#include "clavenor/framework/Export.h"

#include <cstdint>
#include <optional>

namespace clavenor {

/// What ECClef's type numbers mean wherever this library gives them a meaning: MusicXML
/// import and export, and the example hosts. The document stores a clef's type (7 bits) and
/// compares it, nothing more; a host that numbers clefs otherwise keeps its own meaning, and
/// the interchange writes the types below as the clefs named here.
///
/// The numbers are fixed: documents keep them, so a clef is never renumbered. New clefs
/// take the next free number.
enum ClefType : std::uint8_t {
    ClefTreble = 0,           // G on line 2
    ClefTrebleOctaveDown = 1, // G on line 2, sounding an octave lower (tenor voices)
    ClefBass = 2,             // F on line 4
    ClefAlto = 3,             // C on line 3
    ClefTenor = 4,            // C on line 4
    ClefPercussion = 5,
    ClefTrebleOctaveUp = 6,
    ClefBassOctaveDown = 7,
    ClefSoprano = 8,       // C on line 1
    ClefMezzoSoprano = 9,  // C on line 2
    ClefBaritoneC = 10,    // C on line 5
    ClefBaritoneF = 11,    // F on line 3
    ClefSubBass = 12,      // F on line 5
    ClefFrenchViolin = 13, // G on line 1
    ClefTablature = 14,
    ClefBassOctaveUp = 15,
    ClefTrebleTwoOctavesUp = 16,
    ClefTrebleTwoOctavesDown = 17,
    ClefNone = 18, // a staff shown without a clef
    ClefTypeCount = 19
};

/// A clef as notation draws it: a sign ("G", "F", "C", "percussion", "TAB" or "none"), the
/// staff line it sits on counted from the bottom (0 for the signs that sit on none), and the
/// octaves it transposes by.
struct CLAVENOR_API ClefShape {
    /// The sign's name, a static string of the library (never freed, never null).
    const char* sign;
    /// The staff line, 1 at the bottom; 0 for a sign that sits on none.
    int line;
    /// Octaves up (positive) or down (negative) from where the sign writes.
    int octaveChange;
};

/// The shape of `type`, or empty for a number the list above does not name.
CLAVENOR_API std::optional<ClefShape> ClefShapeOf(std::uint8_t type);

/// The type of a shape, or empty when no type has it. `line` 0 stands for the sign's usual
/// line (G 2, F 4, C 3), as MusicXML reads a clef without one.
CLAVENOR_API std::optional<std::uint8_t> ClefTypeOf(const char* sign, int line, int octaveChange);

} // namespace clavenor
