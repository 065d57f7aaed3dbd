#pragma once

#include "clavenor/framework/CString.h"
#include "clavenor/framework/Export.h"

#include <cstdint>

namespace clavenor {

// Display names of musical and MIDI values, and the conversions between mark types and
// their MIDI numbers. Every name function returns a string by value and never fails: a code
// without a name gives the empty string unless stated otherwise. Names come from the
// library's string table (StringTable) or are fixed texts; the chord-symbol names keep the
// mark-up that the host's renderer interprets ("^" and a letter for a symbol, "[" ... "]"
// for a raised part). All of them may be called from any thread, except GetDynamicValue and
// GetDynamicType, which read and write preferences (the host's owning thread).

/// "Accent", "Accidental", "Dot", "Mordent", "Ornament", whatever the type.
CLAVENOR_API CString GetAccentString(std::uint8_t type);
CLAVENOR_API CString GetAccidentalString(std::uint8_t type);
CLAVENOR_API CString GetDotString(std::uint8_t type);
CLAVENOR_API CString GetMordentString(std::uint8_t type);
CLAVENOR_API CString GetOrnamentString(std::uint8_t type);

/// "Clef" for every clef type, and "Repeat" for every repeat type: their meaning is the
/// host's.
CLAVENOR_API CString GetClefString(std::uint8_t type);
CLAVENOR_API CString GetRepeatString(std::uint8_t type);

/// The navigation mark of a flow-control type: 5 "Fine", 6 "D.C.", 7 "D.C. al Fine", 8 "D.C.
/// al Segno", 9 "D.C. al Segno e poi la Coda", 10 "D.S.", 11 "D.S. al Fine", 12 "D.S. al
/// Coda"; empty for every other type.
CLAVENOR_API CString GetFlowString(std::uint8_t type);

/// The chord suffix of chord type (flavor) 1 to 27, "m" to "7 sus"; empty for 0 and above 27.
CLAVENOR_API CString GetChordSymbolString(std::uint8_t type);

/// The dynamic mark of a dynamic type: 0 to 9 "pppp" to "ffff", 11 "cresc.", 12
/// "decresc.", 13 "dim.", 16 "User Defined"; empty for 10, 14, 15 and above 16.
CLAVENOR_API CString GetDynamicString(std::uint8_t type);

/// The name of text type 1 to 20 ("Copyright Information" ... "Tune"; 14 is "Rehearsal
/// Number" and 15 "Rehearsal Letter"); empty for 0 and above 20.
CLAVENOR_API CString GetTextString(std::uint8_t type);

/// The pitch of a MIDI key: with `mode` PitchFlats a letter, "b" on black keys, and the
/// octave (key 60 is "C4", 61 "Db4", 0 "C-1"); with PitchSharps likewise with "#" (61 is
/// "C#4"); with any other mode the key number.
inline constexpr int PitchNumber = 0;
inline constexpr int PitchFlats = 1;
inline constexpr int PitchSharps = 2;
CLAVENOR_API CString GetPitchString(std::uint8_t key, int mode);

/// The name of a controller number: with `style` ControllerNumber the number alone; with
/// ControllerNumbered "%3d)  %s" (the number right-aligned in three places, a parenthesis,
/// two blanks and the name); with any other non-zero style the name alone. Numbers without
/// a name (3, 9, 14, 15, 20-63, 68, 69, 75-83, 85-90, 96-119 and 127) have an empty name.
inline constexpr int ControllerNumber = 0;
inline constexpr int ControllerName = 1;
inline constexpr int ControllerNumbered = 2;
CLAVENOR_API CString GetControllerString(std::uint8_t controller, int style);

/// "PolyPressure %d" with the key.
CLAVENOR_API CString GetPolyPressureString(std::uint8_t key);

/// The name of a registered parameter (MSB 0, LSB 0 to 4) or "Unknown function". `value`
/// is not used.
CLAVENOR_API CString GetRPNString(int msb, int lsb, std::uint32_t value);

/// The name of a non-registered parameter of the GS/XG sets: MSB 1 with a known LSB, or a
/// per-drum parameter (MSB 20-26 and 28-31, the LSB being the drum's key); any other
/// number gives "Unknown function". `value` is not used.
CLAVENOR_API CString GetNRPNString(int msb, int lsb, std::uint32_t value);

/// "Patch change", "Pitch bend", "After touch".
CLAVENOR_API CString GetPatchString();
CLAVENOR_API CString GetPitchBendString();
CLAVENOR_API CString GetChanPressureString();

/// The MIDI velocity of a dynamic type: the integer preference "Midi Value" in the section
/// "Settings\Dynamics\<the type's name>". When it is not set, the built-in value (types 0
/// to 9: 1, 15, 29, 43, 57, 71, 85, 99, 113, 127; type 10: 85; any other: 100) is stored
/// there and returned. Types whose name is empty share one section.
CLAVENOR_API int GetDynamicValue(int type);

/// The dynamic type whose velocity range holds `velocity`: the type before the first of
/// types 0 to 9 whose value is above it, 0 below type 0's value, 9 from type 9's value on.
CLAVENOR_API int GetDynamicType(int velocity);

/// The Standard MIDI File meta-event type that carries a text type: copyright (1) 2,
/// sequence name and title (3, 8) 3, instrument name (4) 4, marker (5) 6, cue point (6) 7,
/// every other type 1 (plain text).
CLAVENOR_API int GetTextValue(std::uint8_t type);

/// The text type of a meta-event type: 2 gives 1, 3 gives 8 (the title) when `titleFlag` is
/// non-zero and 3 otherwise, 4 gives 4, 6 gives 5, 7 gives 6, any other 0.
CLAVENOR_API int GetTextType(int meta, int titleFlag);

} // namespace clavenor
