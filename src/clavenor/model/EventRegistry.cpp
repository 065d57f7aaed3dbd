#include "clavenor/model/EventRegistry.h"

#include "clavenor/framework/CObject.h"
#include "clavenor/framework/StringTable.h"
#include "clavenor/model/ECBase.h"

#include <memory>

namespace clavenor {

namespace {

struct EventKind {
    // Whether elements of the kind may be made by id. The envelope kinds, bank selects and
    // glissandi exist only inside the elements that own them.
    bool makeable;
    // The string resource of the display name (the two lyric ids share one); 0 for none.
    UINT name;
};

constexpr EventKind Kinds[EventId::Count] = {
    {true, 11904},  // 0 ECAccent
    {true, 11905},  // 1 ECAccidental
    {true, 11906},  // 2 ECArpeggio
    {false, 0},     // 3 ECBankLSB
    {false, 0},     // 4 ECBankMSB
    {true, 11907},  // 5 ECBarline
    {true, 11908},  // 6 ECBase
    {true, 11909},  // 7 ECBeam
    {true, 11910},  // 8 ECBrac
    {true, 11911},  // 9 ECChannelMode
    {true, 11912},  // 10 ECChannelPressure
    {false, 0},     // 11 ECChanPressureEnv
    {true, 11913},  // 12 ECChord
    {true, 11914},  // 13 ECChordSymbol
    {true, 11915},  // 14 ECClef
    {true, 11916},  // 15 ECConductor
    {true, 11917},  // 16 ECConductorMeasure
    {true, 11918},  // 17 ECConductorStaff
    {true, 11919},  // 18 ECControlChange
    {false, 0},     // 19 ECControllerEnv
    {true, 11920},  // 20 ECDot
    {true, 11921},  // 21 ECDynamic
    {false, 0},     // 22 ECEnvelope
    {false, 0},     // 23 ECEnvPoint
    {true, 11922},  // 24 ECFlowControl
    {true, 11923},  // 25 ECFrame
    {false, 11924}, // 26 ECGlissando
    {true, 11925},  // 27 ECGraceNote
    {true, 11926},  // 28 ECGroup
    {true, 11927},  // 29 ECKey
    {true, 11928},  // 30 ECLyric
    {true, 11928},  // 31 ECLyricBlock
    {true, 11929},  // 32 ECMeasure
    {true, 11930},  // 33 ECMeter
    {false, 0},     // 34 ECMeterEnv
    {true, 11931},  // 35 ECMirror
    {true, 11932},  // 36 ECMordent
    {true, 11933},  // 37 ECNote
    {false, 0},     // 38 ECNRPNEnv
    {false, 0},     // 39 ECNRPNPoint
    {true, 11934},  // 40 ECOrnament
    {true, 11953},  // 41 ECPan
    {false, 0},     // 42 ECPatchEnv
    {true, 11935},  // 43 ECPedal
    {true, 11936},  // 44 ECPerformance
    {true, 11937},  // 45 ECPitchBend
    {false, 0},     // 46 ECPitchBendEnv
    {true, 11938},  // 47 ECPolyPressure
    {false, 0},     // 48 ECPolyPressureEnv
    {true, 11939},  // 49 ECProgramChange
    {true, 11940},  // 50 ECRepeat
    {true, 11941},  // 51 ECRest
    {false, 0},     // 52 ECRPNEnv
    {false, 0},     // 53 ECRPNPoint
    {true, 11942},  // 54 ECSlur
    {true, 11943},  // 55 ECStaff
    {true, 11944},  // 56 ECSystemMessage
    {true, 11945},  // 57 ECTempo
    {false, 0},     // 58 ECTempoEnv
    {true, 11946},  // 59 ECText
    {true, 11947},  // 60 ECTie
    {true, 0},      // 61 ECTrack
    {true, 11948},  // 62 ECTranspose
    {false, 0},     // 63 no class
    {true, 11949},  // 64 ECTremolo
    {true, 11950},  // 65 ECTrill
    {true, 11951},  // 66 ECTuplet
    {true, 11952},  // 67 ECTurn
    {false, 0},     // 68 no class
    {false, 0},     // 69 no class
    {true, 11955},  // 70 ECWave
    {true, 11956},  // 71 ECWaveTrack
    {true, 0},      // 72 ECWithChild
    {true, 0},      // 73 ECWithTime
    {true, 0},      // 74 ECWithTimeChild
};

// The kinds whose display name is that of the element's subtype.
constexpr int SubtypeKinds[] = {
    EventId::Accent,   EventId::Accidental, EventId::ChordSymbol, EventId::Clef,
    EventId::Dot,      EventId::Dynamic,    EventId::FlowControl, EventId::Mordent,
    EventId::Ornament, EventId::Repeat,     EventId::Tempo,       EventId::Text,
};

// Zero-initialised before any static constructor runs, so registrations from other
// translation units find the tables ready whatever the initialisation order.
const CRuntimeClass* s_classes[EventId::Count];
EventSubtypeNamer s_namers[EventId::Count];

bool InTable(int id) { return id >= 0 && id < EventId::Count; }

bool IsSubtypeKind(int id) {
    for (int kind : SubtypeKinds) {
        if (kind == id) {
            return true;
        }
    }
    return false;
}

} // namespace

const CRuntimeClass* GetEventRuntimeClass(int id) { return InTable(id) ? s_classes[id] : nullptr; }

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

CString GetEventString(int id) {
    return InTable(id) && Kinds[id].name != 0 ? StringTable::Load(Kinds[id].name) : CString();
}

CString GetEventString(ECBase* e) {
    if (e == nullptr) {
        return CString();
    }
    const int id = e->GetEventId();
    if (InTable(id) && s_namers[id] != nullptr) {
        return s_namers[id](e);
    }
    return GetEventString(id);
}

int RegisterEventClass(int id, const CRuntimeClass* cls) {
    if (cls == nullptr || !InTable(id) || !Kinds[id].makeable) {
        return 0;
    }
    s_classes[id] = cls;
    return 1;
}

void UnregisterEventClass(int id, const CRuntimeClass* cls) {
    if (InTable(id) && s_classes[id] == cls) {
        s_classes[id] = nullptr;
    }
}

EventSubtypeNamer GetEventSubtypeNamer(int id) {
    return IsSubtypeKind(id) ? s_namers[id] : nullptr;
}

int SetEventSubtypeNamer(int id, EventSubtypeNamer namer) {
    if (!IsSubtypeKind(id)) {
        return 0;
    }
    s_namers[id] = namer;
    return 1;
}

} // namespace clavenor
