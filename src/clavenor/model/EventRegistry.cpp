#include "clavenor/model/EventRegistry.h"

#include "clavenor/framework/CObject.h"
#include "clavenor/model/ECBase.h"

#include <memory>

namespace clavenor {

namespace {

struct EventKind {
    // Whether elements of the kind may be made by id. The envelope kinds, bank selects and
    // glissandi exist only inside the elements that own them.
    bool makeable;
    // The display name: the library's string resources 11904 to 11956 (the two lyric ids
    // share one text).
    const char* name;
};

constexpr EventKind kKinds[EventId::Count] = {
    {true, "Accent"},              // 0 ECAccent
    {true, "Accidental"},          // 1 ECAccidental
    {true, "Arpeggio"},            // 2 ECArpeggio
    {false, ""},                   // 3 ECBankLSB
    {false, ""},                   // 4 ECBankMSB
    {true, "Barline"},             // 5 ECBarline
    {true, "Event"},               // 6 ECBase
    {true, "Beam"},                // 7 ECBeam
    {true, "Brace/Bracket"},       // 8 ECBrac
    {true, "Channel Mode"},        // 9 ECChannelMode
    {true, "Channel Pressure"},    // 10 ECChannelPressure
    {false, ""},                   // 11 ECChanPressureEnv
    {true, "Chord"},               // 12 ECChord
    {true, "Chord Symbol"},        // 13 ECChordSymbol
    {true, "Clef"},                // 14 ECClef
    {true, "Conductor"},           // 15 ECConductor
    {true, "Conductor Measure"},   // 16 ECConductorMeasure
    {true, "Conductor Staff"},     // 17 ECConductorStaff
    {true, "Control Change"},      // 18 ECControlChange
    {false, ""},                   // 19 ECControllerEnv
    {true, "Dot"},                 // 20 ECDot
    {true, "Dynamic Marking"},     // 21 ECDynamic
    {false, ""},                   // 22 ECEnvelope
    {false, ""},                   // 23 ECEnvPoint
    {true, "Repeat"},              // 24 ECFlowControl
    {true, "Frame"},               // 25 ECFrame
    {false, "Glissando"},          // 26 ECGlissando
    {true, "Grace note"},          // 27 ECGraceNote
    {true, "Group"},               // 28 ECGroup
    {true, "Key"},                 // 29 ECKey
    {true, "Lyric"},               // 30 ECLyric
    {true, "Lyric"},               // 31 ECLyricBlock
    {true, "Layout"},              // 32 ECMeasure
    {true, "Meter"},               // 33 ECMeter
    {false, ""},                   // 34 ECMeterEnv
    {true, "Mirror"},              // 35 ECMirror
    {true, "Mordent"},             // 36 ECMordent
    {true, "Note"},                // 37 ECNote
    {false, ""},                   // 38 ECNRPNEnv
    {false, ""},                   // 39 ECNRPNPoint
    {true, "Ornament"},            // 40 ECOrnament
    {true, "Pan"},                 // 41 ECPan
    {false, ""},                   // 42 ECPatchEnv
    {true, "Pedal"},               // 43 ECPedal
    {true, "Document"},            // 44 ECPerformance
    {true, "Pitch Bend"},          // 45 ECPitchBend
    {false, ""},                   // 46 ECPitchBendEnv
    {true, "Polyphonic Pressure"}, // 47 ECPolyPressure
    {false, ""},                   // 48 ECPolyPressureEnv
    {true, "Program Change"},      // 49 ECProgramChange
    {true, "Repeat Pattern"},      // 50 ECRepeat
    {true, "Rest"},                // 51 ECRest
    {false, ""},                   // 52 ECRPNEnv
    {false, ""},                   // 53 ECRPNPoint
    {true, "Slur"},                // 54 ECSlur
    {true, "Staff"},               // 55 ECStaff
    {true, "System Message"},      // 56 ECSystemMessage
    {true, "Tempo"},               // 57 ECTempo
    {false, ""},                   // 58 ECTempoEnv
    {true, "Text"},                // 59 ECText
    {true, "Tie"},                 // 60 ECTie
    {true, ""},                    // 61 ECTrack
    {true, "Transpose"},           // 62 ECTranspose
    {false, ""},                   // 63 no class
    {true, "Tremolo"},             // 64 ECTremolo
    {true, "Trill"},               // 65 ECTrill
    {true, "Tuplet"},              // 66 ECTuplet
    {true, "Turn"},                // 67 ECTurn
    {false, ""},                   // 68 no class
    {false, ""},                   // 69 no class
    {true, "Wave file"},           // 70 ECWave
    {true, "Wave track"},          // 71 ECWaveTrack
    {true, ""},                    // 72 ECWithChild
    {true, ""},                    // 73 ECWithTime
    {true, ""},                    // 74 ECWithTimeChild
};

// The kinds whose display name is that of the element's subtype.
constexpr int kSubtypeKinds[] = {
    EventId::Accent,   EventId::Accidental, EventId::ChordSymbol, EventId::Clef,
    EventId::Dot,      EventId::Dynamic,    EventId::FlowControl, EventId::Mordent,
    EventId::Ornament, EventId::Repeat,     EventId::Tempo,       EventId::Text,
};

// Zero-initialised before any static constructor runs, so registrations from other
// translation units find the tables ready whatever the initialisation order.
const CRuntimeClass* g_classes[EventId::Count];
EventSubtypeNamer g_namers[EventId::Count];

bool InTable(int id) { return id >= 0 && id < EventId::Count; }

bool IsSubtypeKind(int id) {
    for (int kind : kSubtypeKinds) {
        if (kind == id) {
            return true;
        }
    }
    return false;
}

} // namespace

const CRuntimeClass* GetEventRuntimeClass(int id) { return InTable(id) ? g_classes[id] : nullptr; }

ECBase* CreateEvent(int id) {
    const CRuntimeClass* cls = GetEventRuntimeClass(id);
    if (cls == nullptr) {
        return nullptr;
    }
    std::unique_ptr<CObject> object(cls->CreateObject());
    // A registration checks nothing about the class (its record may not be initialised
    // yet at that time), so check here that it really makes elements.
    auto* element = dynamic_cast<ECBase*>(object.get());
    if (element != nullptr) {
        object.release();
    }
    return element;
}

CString GetEventString(int id) { return InTable(id) ? CString(kKinds[id].name) : CString(); }

CString GetEventString(ECBase* e) {
    if (e == nullptr) {
        return CString();
    }
    const int id = e->GetEventId();
    if (InTable(id) && g_namers[id] != nullptr) {
        return g_namers[id](e);
    }
    return GetEventString(id);
}

int RegisterEventClass(int id, const CRuntimeClass* cls) {
    if (cls == nullptr || !InTable(id) || !kKinds[id].makeable) {
        return 0;
    }
    g_classes[id] = cls;
    return 1;
}

void UnregisterEventClass(int id, const CRuntimeClass* cls) {
    if (InTable(id) && g_classes[id] == cls) {
        g_classes[id] = nullptr;
    }
}

int SetEventSubtypeNamer(int id, EventSubtypeNamer namer) {
    if (!IsSubtypeKind(id)) {
        return 0;
    }
    g_namers[id] = namer;
    return 1;
}

} // namespace clavenor
