#include "clavenor/elements/ECChordSymbol.h"

#include "clavenor/elements/ECPerformance.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"
#include "clavenor/strings/DisplayStrings.h"

#include <iterator>
#include <string>

namespace clavenor {

IMPLEMENT_SERIAL(ECChordSymbol, ECWithTime, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECChordSymbol, EventId::ChordSymbol)

namespace {

constexpr int Root = 0;
constexpr int Bass = 1;
constexpr int Flavor = 2;
constexpr int Style = 3;
constexpr std::uint8_t ChartBit = 0x02;

// Root 1, bass 28, flavor 28, style 3.
constexpr std::uint32_t DefaultChord = 0x031C1C01u;

// Flavor numbers of documents before version 3, by old number.
constexpr std::int8_t OldFlavors[] = {0,  1,  8,  2,  19, 5,  20, 21, 4, 22,
                                      23, 24, 25, 26, 10, 11, 27, 3,  28};

std::string s_parseBuffer;

CString NameChordSymbol(ECBase* e) {
    return GetChordSymbolString(
        static_cast<std::uint8_t>(static_cast<ECChordSymbol*>(e)->GetChordFlavor()));
}

const EventSubtypeNamerRegistrar s_namer(EventId::ChordSymbol, &NameChordSymbol);

} // namespace

ECChordSymbol::ECChordSymbol() : m_nChord(DefaultChord) {}

ECChordSymbol::ECChordSymbol(std::int8_t root, std::int8_t bass, std::int8_t flavor,
                             std::uint8_t style)
    : m_nChord(0) {
    SetByte(Root, static_cast<std::uint8_t>(root));
    SetByte(Bass, static_cast<std::uint8_t>(bass));
    SetByte(Flavor, static_cast<std::uint8_t>(flavor));
    SetByte(Style, style);
}

ECChordSymbol::ECChordSymbol(const ECChordSymbol& other)
    : ECWithTime(other), m_nChord(other.m_nChord), m_quality(other.m_quality) {}

ECChordSymbol::~ECChordSymbol() = default;

ECChordSymbol& ECChordSymbol::operator=(const ECChordSymbol& other) {
    ECWithTime::operator=(other);
    m_nChord = other.m_nChord;
    m_quality = other.m_quality;
    return *this;
}

void ECChordSymbol::Serialize(CArchive& ar) {
    ECWithTime::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_nChord << m_quality;
        return;
    }
    ar >> m_nChord;
    if (ECPerformance::GetActiveVersion() >= 3) {
        ar >> m_quality;
        return;
    }
    const std::int8_t old = GetChordFlavor();
    if (old >= 0 && old < static_cast<int>(std::size(OldFlavors))) {
        SetChordFlavor(OldFlavors[old]);
    }
    m_quality = GetChordSymbolString(static_cast<std::uint8_t>(GetChordFlavor()));
}

ECBase* ECChordSymbol::Copy(CObject* src) { return CopyAs(this, src); }

int ECChordSymbol::GetEventId() const { return EventId::ChordSymbol; }

int ECChordSymbol::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Measure);
    return 1;
}

std::int8_t ECChordSymbol::Byte(int index) const {
    return static_cast<std::int8_t>((m_nChord >> (8 * index)) & 0xFF);
}

void ECChordSymbol::SetByte(int index, std::uint8_t value) {
    const int shift = 8 * index;
    m_nChord = (m_nChord & ~(0xFFu << shift)) | (static_cast<std::uint32_t>(value) << shift);
}

std::uint32_t ECChordSymbol::GetChordType() const { return m_nChord; }

void ECChordSymbol::SetChordType(std::uint32_t chord) { m_nChord = chord; }

std::int8_t ECChordSymbol::GetChordRoot() const { return Byte(Root); }

void ECChordSymbol::SetChordRoot(std::int8_t root) {
    SetByte(Root, static_cast<std::uint8_t>(root));
}

std::int8_t ECChordSymbol::GetChordBass() const { return Byte(Bass); }

void ECChordSymbol::SetChordBass(std::int8_t bass) {
    SetByte(Bass, static_cast<std::uint8_t>(bass));
}

std::int8_t ECChordSymbol::GetChordFlavor() const { return Byte(Flavor); }

void ECChordSymbol::SetChordFlavor(std::int8_t flavor) {
    SetByte(Flavor, static_cast<std::uint8_t>(flavor));
}

std::uint8_t ECChordSymbol::GetChordStyle() const { return static_cast<std::uint8_t>(Byte(Style)); }

void ECChordSymbol::SetChordStyle(std::uint8_t style) {
    if (HasChart(GetChordFlavor(), GetChordBass()) == 0) {
        style = static_cast<std::uint8_t>(style & ~ChartBit);
    }
    SetByte(Style, style);
}

CString ECChordSymbol::GetChordQuality() const { return m_quality; }

void ECChordSymbol::SetChordQuality(const CString& quality) { m_quality = quality; }

int ECChordSymbol::HasChart(int flavor, int bass) {
    if (bass > 0) {
        return 0;
    }
    return (flavor >= 0 && flavor <= 5) || flavor == 8 || flavor == 10 || flavor == 11 ||
                   (flavor >= 19 && flavor <= 27)
               ? 1
               : 0;
}

void ECChordSymbol::BeginParse(const CString& text) { s_parseBuffer = text.str(); }

int ECChordSymbol::Parse(CString& out) {
    if (s_parseBuffer.empty()) {
        return TokenEnd;
    }
    const std::size_t mark = s_parseBuffer.find_first_of("^[]");
    if (mark != 0) {
        // Text up to the next mark-up character, or all of it.
        out = CString(s_parseBuffer.substr(0, mark));
        s_parseBuffer.erase(0, mark);
        return TokenText;
    }
    const char first = s_parseBuffer[0];
    s_parseBuffer.erase(0, 1);
    if (s_parseBuffer.empty()) {
        return TokenEnd;
    }
    if (first == '[') {
        return TokenRaised;
    }
    if (first == ']') {
        return TokenEnd;
    }
    const char letter = s_parseBuffer[0];
    s_parseBuffer.erase(0, 1);
    constexpr char Symbols[] = "MNDAHRSF";
    for (int code = 0; Symbols[code] != '\0'; ++code) {
        if (Symbols[code] == letter) {
            return code + 1;
        }
    }
    return 1;
}

void ECChordSymbol::EndParse() { s_parseBuffer.clear(); }

} // namespace clavenor
