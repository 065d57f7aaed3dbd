#pragma once

// What the MusicXML importer and exporter share: exact fractions of a quarter note, note
// values and their names, pitch spelling, and the names of dynamics. Internal to the
// interchange library.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace clavenor::musicxml {

/// An exact fraction, always reduced, with a positive denominator. The arithmetic reports
/// overflow instead of wrapping: a result that does not fit comes back empty.
struct Rational {
    std::int64_t num = 0;
    std::int64_t den = 1;

    static std::optional<Rational> Make(std::int64_t num, std::int64_t den);
    static std::optional<Rational> Add(const Rational& a, const Rational& b);
    static std::optional<Rational> Sub(const Rational& a, const Rational& b);
    static std::optional<Rational> Mul(const Rational& a, const Rational& b);
    static std::optional<Rational> Div(const Rational& a, const Rational& b);
    /// A decimal number as MusicXML writes durations and divisions ("480", "1.5", "-2");
    /// empty when the text is no such number or has more digits than a fraction holds.
    static std::optional<Rational> Parse(std::string_view text);

    double ToDouble() const { return static_cast<double>(num) / static_cast<double>(den); }
    bool operator==(const Rational& other) const = default;
    bool operator<(const Rational& other) const;
    bool operator<=(const Rational& other) const { return !(other < *this); }
    bool operator>(const Rational& other) const { return other < *this; }
    bool operator>=(const Rational& other) const { return !(*this < other); }
};

/// The words of a "To Coda" that has none of its own: the flow-control names leave it out.
inline constexpr const char* kToCodaWords = "To Coda";

/// The note values MusicXML names, from the 1024th (index 0) to the maxima.
inline constexpr int kNoteValues = 14;
/// The name of note value `index` ("quarter" for kQuarterIndex).
const char* NoteValueName(int index);
/// Note value index of a name, or -1.
int NoteValueIndex(std::string_view name);
inline constexpr int kQuarterIndex = 8;
/// The length of note value `index` with `dots` dots, in quarter notes.
Rational NoteValueLength(int index, int dots);

/// A written value: a note value with dots, which lasts `length` quarter notes.
struct WrittenValue {
    int index = kQuarterIndex;
    int dots = 0;
};
/// The plain note value (up to three dots) that lasts exactly `length`, if any.
std::optional<WrittenValue> PlainValue(const Rational& length);
/// The longest undotted note value not longer than `length`; empty below a 1024th.
std::optional<WrittenValue> LongestValueWithin(const Rational& length);

/// A pitch as written: a letter (0 C to 6 B), an alteration in semitones and an octave.
struct Spelling {
    int step = 0;
    int alter = 0;
    int octave = 4;
};
/// "CDEFGAB"[step].
char StepLetter(int step);
/// 0-6 for "C" to "B", -1 for anything else.
int StepIndex(std::string_view letter);
/// The MIDI key a written pitch sounds, or empty outside 0-127.
std::optional<int> KeyOf(const Spelling& spelling);
/// How to write MIDI key `key` with the alteration `alter` (-2 to 2): empty when no letter
/// takes that alteration to that key.
std::optional<Spelling> SpellWith(int key, int alter);
/// How to write `key` when nothing says how: naturals as they are, black keys with sharps,
/// or with flats when `preferFlats`.
Spelling SpellPlain(int key, bool preferFlats);

/// The MusicXML element names of the dynamics the document types 0-9 stand for ("pppp" to
/// "ffff"), and the other marks MusicXML names (sf, sfz, fp, ...), which documents keep as
/// user-defined dynamics with their text.
const char* DynamicName(int type);
bool IsDynamicElement(std::string_view name);

/// The bar-style name of a BarlineType ("regular" to "none"); "" for a type no style has.
const char* BarStyleName(int type);
/// The BarlineType of a bar-style name, or -1.
int BarStyleIndex(std::string_view name);

} // namespace clavenor::musicxml
