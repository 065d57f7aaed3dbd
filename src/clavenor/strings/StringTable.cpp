#include "clavenor/strings/StringTable.h"

#include <algorithm>
#include <iterator>

namespace clavenor {

namespace {

struct Entry {
    UINT id;
    const char* text;
};

// Sorted by id.
constexpr Entry kStrings[] = {
    {11904, "Accent"},
    {11905, "Accidental"},
    {11906, "Arpeggio"},
    {11907, "Barline"},
    {11908, "Event"},
    {11909, "Beam"},
    {11910, "Brace/Bracket"},
    {11911, "Channel Mode"},
    {11912, "Channel Pressure"},
    {11913, "Chord"},
    {11914, "Chord Symbol"},
    {11915, "Clef"},
    {11916, "Conductor"},
    {11917, "Conductor Measure"},
    {11918, "Conductor Staff"},
    {11919, "Control Change"},
    {11920, "Dot"},
    {11921, "Dynamic Marking"},
    {11922, "Repeat"},
    {11923, "Frame"},
    {11924, "Glissando"},
    {11925, "Grace note"},
    {11926, "Group"},
    {11927, "Key"},
    {11928, "Lyric"},
    {11929, "Layout"},
    {11930, "Meter"},
    {11931, "Mirror"},
    {11932, "Mordent"},
    {11933, "Note"},
    {11934, "Ornament"},
    {11935, "Pedal"},
    {11936, "Document"},
    {11937, "Pitch Bend"},
    {11938, "Polyphonic Pressure"},
    {11939, "Program Change"},
    {11940, "Repeat Pattern"},
    {11941, "Rest"},
    {11942, "Slur"},
    {11943, "Staff"},
    {11944, "System Message"},
    {11945, "Tempo"},
    {11946, "Text"},
    {11947, "Tie"},
    {11948, "Transpose"},
    {11949, "Tremolo"},
    {11950, "Trill"},
    {11951, "Tuplet"},
    {11952, "Turn"},
    {11953, "Pan"},
    {11955, "Wave file"},
    {11956, "Wave track"},
};

static_assert(std::is_sorted(std::begin(kStrings), std::end(kStrings),
                             [](const Entry& a, const Entry& b) { return a.id < b.id; }));

} // namespace

const char* StringTable::Find(UINT id) {
    const Entry* it = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                                       [](const Entry& e, UINT key) { return e.id < key; });
    return it != std::end(kStrings) && it->id == id ? it->text : nullptr;
}

CString StringTable::Load(UINT id) {
    const char* text = Find(id);
    return CString(text != nullptr ? text : "");
}

} // namespace clavenor
