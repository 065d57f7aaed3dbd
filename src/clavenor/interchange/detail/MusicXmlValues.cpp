#include "clavenor/interchange/detail/MusicXmlValues.h"

#include "clavenor/interchange/BarlineType.h"

#include <array>
#include <numeric>

namespace clavenor::musicxml {

namespace {

// Products of two 64-bit values, before they are reduced.
__extension__ typedef __int128 Wide;

constexpr std::int64_t kMax = std::int64_t{1} << 62;

std::optional<Rational> Reduce(Wide num, Wide den) {
    if (den == 0) {
        return std::nullopt;
    }
    if (den < 0) {
        num = -num;
        den = -den;
    }
    Wide a = num < 0 ? -num : num;
    Wide b = den;
    while (b != 0) {
        const Wide t = a % b;
        a = b;
        b = t;
    }
    if (a > 1) {
        num /= a;
        den /= a;
    }
    if (num > kMax || num < -kMax || den > kMax) {
        return std::nullopt;
    }
    return Rational{static_cast<std::int64_t>(num), static_cast<std::int64_t>(den)};
}

constexpr std::array<const char*, kNoteValues> kNames = {
    "1024th", "512th",   "256th", "128th", "64th",  "32nd", "16th",
    "eighth", "quarter", "half",  "whole", "breve", "long", "maxima"};

// Octave-relative semitones of the letters C to B.
constexpr int kLetterSemitones[7] = {0, 2, 4, 5, 7, 9, 11};

constexpr std::array<const char*, 10> kDynamicTypes = {"pppp", "ppp", "pp", "p",   "mp",
                                                       "mf",   "f",   "ff", "fff", "ffff"};
constexpr std::array<std::string_view, 26> kDynamicElements = {
    "p",    "pp",    "ppp",    "pppp", "ppppp", "pppppp", "f",   "ff",   "fff",
    "ffff", "fffff", "ffffff", "mp",   "mf",    "sf",     "sfp", "sfpp", "fp",
    "rf",   "rfz",   "sfz",    "sffz", "fz",    "n",      "pf",  "sfzp"};

} // namespace

std::optional<Rational> Rational::Make(std::int64_t num, std::int64_t den) {
    return Reduce(num, den);
}

std::optional<Rational> Rational::Add(const Rational& a, const Rational& b) {
    return Reduce(Wide{a.num} * b.den + Wide{b.num} * a.den, Wide{a.den} * b.den);
}

std::optional<Rational> Rational::Sub(const Rational& a, const Rational& b) {
    return Reduce(Wide{a.num} * b.den - Wide{b.num} * a.den, Wide{a.den} * b.den);
}

std::optional<Rational> Rational::Mul(const Rational& a, const Rational& b) {
    return Reduce(Wide{a.num} * b.num, Wide{a.den} * b.den);
}

std::optional<Rational> Rational::Div(const Rational& a, const Rational& b) {
    return Reduce(Wide{a.num} * b.den, Wide{a.den} * b.num);
}

bool Rational::operator<(const Rational& other) const {
    return Wide{num} * other.den < Wide{other.num} * den;
}

std::optional<Rational> Rational::Parse(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n' ||
                             text.front() == '\r')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n' ||
                             text.back() == '\r')) {
        text.remove_suffix(1);
    }
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    Wide num = 0;
    Wide den = 1;
    bool digits = false;
    bool point = false;
    for (const char c : text) {
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        digits = true;
        num = num * 10 + (c - '0');
        if (point) {
            den *= 10;
        }
        if (num > kMax || den > kMax) {
            return std::nullopt;
        }
    }
    if (!digits) {
        return std::nullopt;
    }
    return Reduce(negative ? -num : num, den);
}

const char* NoteValueName(int index) {
    return index >= 0 && index < kNoteValues ? kNames[static_cast<std::size_t>(index)] : "";
}

int NoteValueIndex(std::string_view name) {
    for (int i = 0; i < kNoteValues; ++i) {
        if (name == kNames[static_cast<std::size_t>(i)]) {
            return i;
        }
    }
    // Older files write the 256th as "256th" and the long as "long"; some write "64nd" style
    // typos no reader accepts. Nothing else to map.
    return -1;
}

Rational NoteValueLength(int index, int dots) {
    // Value index 8 (the quarter) is 1; each step doubles. With d dots the length is
    // value * (2^(d+1) - 1) / 2^d.
    const int shift = index - kQuarterIndex;
    Wide num = (Wide{1} << (dots + 1)) - 1;
    Wide den = Wide{1} << dots;
    if (shift >= 0) {
        num <<= shift;
    } else {
        den <<= -shift;
    }
    return *Reduce(num, den);
}

std::optional<WrittenValue> PlainValue(const Rational& length) {
    for (int index = kNoteValues - 1; index >= 0; --index) {
        for (int dots = 0; dots <= 3; ++dots) {
            if (NoteValueLength(index, dots) == length) {
                return WrittenValue{index, dots};
            }
        }
    }
    return std::nullopt;
}

std::optional<WrittenValue> LongestValueWithin(const Rational& length) {
    for (int index = kNoteValues - 1; index >= 0; --index) {
        if (NoteValueLength(index, 0) <= length) {
            return WrittenValue{index, 0};
        }
    }
    return std::nullopt;
}

char StepLetter(int step) { return step >= 0 && step < 7 ? "CDEFGAB"[step] : '?'; }

int StepIndex(std::string_view letter) {
    if (letter.size() != 1) {
        return -1;
    }
    switch (letter[0]) {
    case 'C':
        return 0;
    case 'D':
        return 1;
    case 'E':
        return 2;
    case 'F':
        return 3;
    case 'G':
        return 4;
    case 'A':
        return 5;
    case 'B':
        return 6;
    default:
        return -1;
    }
}

std::optional<int> KeyOf(const Spelling& spelling) {
    if (spelling.step < 0 || spelling.step > 6 || spelling.octave < -2 || spelling.octave > 10) {
        return std::nullopt;
    }
    const int key = (spelling.octave + 1) * 12 + kLetterSemitones[spelling.step] + spelling.alter;
    if (key < 0 || key > 127) {
        return std::nullopt;
    }
    return key;
}

std::optional<Spelling> SpellWith(int key, int alter) {
    const int natural = key - alter;
    if (natural < -1 || alter < -2 || alter > 2) {
        return std::nullopt;
    }
    // Octave numbers follow the letter: C flat 4 sounds B 3, B sharp 3 sounds C 4.
    const int octave = (natural + 12) / 12 - 2;
    const int within = natural - (octave + 1) * 12;
    for (int step = 0; step < 7; ++step) {
        if (kLetterSemitones[step] == within) {
            return Spelling{step, alter, octave};
        }
    }
    return std::nullopt;
}

Spelling SpellPlain(int key, bool preferFlats) {
    if (auto natural = SpellWith(key, 0)) {
        return *natural;
    }
    return *SpellWith(key, preferFlats ? -1 : 1);
}

const char* DynamicName(int type) {
    return type >= 0 && type < static_cast<int>(kDynamicTypes.size())
               ? kDynamicTypes[static_cast<std::size_t>(type)]
               : "";
}

bool IsDynamicElement(std::string_view name) {
    for (const std::string_view known : kDynamicElements) {
        if (known == name) {
            return true;
        }
    }
    return false;
}

// Indexed by BarlineType.
constexpr std::array<const char*, 11> kBarStyles = {
    "regular",     "dotted",      "dashed", "heavy", "light-light", "light-heavy",
    "heavy-light", "heavy-heavy", "tick",   "short", "none"};
static_assert(kBarStyles.size() == BarlineTypeCount);

const char* BarStyleName(int type) {
    return type >= 0 && type < static_cast<int>(kBarStyles.size())
               ? kBarStyles[static_cast<std::size_t>(type)]
               : "";
}

int BarStyleIndex(std::string_view name) {
    for (std::size_t i = 0; i < kBarStyles.size(); ++i) {
        if (name == kBarStyles[i]) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

} // namespace clavenor::musicxml
