#pragma once

#include "clavenor/framework/CString.h"

namespace clavenor {

struct CRuntimeClass;
class ECBase;

/// Event ids: the small integers by which the whole model names element kinds (actions clip,
/// bypass, find and count by them, elements list their allowed parents with them, commands
/// and the host filter by them). The numbers are fixed; they appear in documents, in the
/// host's code and in plug-ins. Reserved63, Reserved68 and Reserved69 belong to no class.
namespace EventId {
enum : int {
    None = -1,
    Accent = 0,
    Accidental = 1,
    Arpeggio = 2,
    BankLSB = 3,
    BankMSB = 4,
    Barline = 5,
    Base = 6,
    Beam = 7,
    Brac = 8,
    ChannelMode = 9,
    ChannelPressure = 10,
    ChanPressureEnv = 11,
    Chord = 12,
    ChordSymbol = 13,
    Clef = 14,
    Conductor = 15,
    ConductorMeasure = 16,
    ConductorStaff = 17,
    ControlChange = 18,
    ControllerEnv = 19,
    Dot = 20,
    Dynamic = 21,
    Envelope = 22,
    EnvPoint = 23,
    FlowControl = 24,
    Frame = 25,
    Glissando = 26,
    GraceNote = 27,
    Group = 28,
    Key = 29,
    Lyric = 30,
    LyricBlock = 31,
    Measure = 32,
    Meter = 33,
    MeterEnv = 34,
    Mirror = 35,
    Mordent = 36,
    Note = 37,
    NRPNEnv = 38,
    NRPNPoint = 39,
    Ornament = 40,
    Pan = 41,
    PatchEnv = 42,
    Pedal = 43,
    Performance = 44,
    PitchBend = 45,
    PitchBendEnv = 46,
    PolyPressure = 47,
    PolyPressureEnv = 48,
    ProgramChange = 49,
    Repeat = 50,
    Rest = 51,
    RPNEnv = 52,
    RPNPoint = 53,
    Slur = 54,
    Staff = 55,
    SystemMessage = 56,
    Tempo = 57,
    TempoEnv = 58,
    Text = 59,
    Tie = 60,
    Track = 61,
    Transpose = 62,
    Reserved63 = 63,
    Tremolo = 64,
    Trill = 65,
    Tuplet = 66,
    Turn = 67,
    Reserved68 = 68,
    Reserved69 = 69,
    Wave = 70,
    WaveTrack = 71,
    WithChild = 72,
    WithTime = 73,
    WithTimeChild = 74,
    /// One past the highest id.
    Count = 75
};
} // namespace EventId

/// The class record of the element class with event id `id`, or null when the id has no
/// class that can be made by id (ids outside 0..74, ids of no class, the envelope kinds and
/// the other kinds that are only ever created inside their owners, and classes that have not
/// registered themselves).
const CRuntimeClass* GetEventRuntimeClass(int id);

/// A new element of the class with event id `id`, made by the class's default constructor,
/// with reference count 0: the caller links it into the graph or takes a reference. Null
/// when GetEventRuntimeClass(id) is null. Allocation failure throws std::bad_alloc.
ECBase* CreateEvent(int id);

/// The display name of an event id ("Note", "Layout", ...); empty for ids without one,
/// including negative ids and ids of 72 and above.
CString GetEventString(int id);

/// The display name of an element: for the kinds that carry a subtype (accent, accidental,
/// chord symbol, clef, dot, dynamic, flow control, mordent, ornament, repeat, tempo, text)
/// the name of its subtype, as given by the function registered for the kind; otherwise,
/// and until such a function is registered, GetEventString(e->GetEventId()). Empty for null.
CString GetEventString(ECBase* e);

/// Makes `cls` the class that GetEventRuntimeClass answers for `id`, replacing an earlier
/// one. Refused (returns 0) for a null class, an id outside 0..74 and an id whose kind is
/// never made by id; returns 1 otherwise. Element classes call it through
/// IMPLEMENT_EVENT_CLASS while the library loads; not locked.
int RegisterEventClass(int id, const CRuntimeClass* cls);

/// Forgets `cls` as the class of `id` when it still is; other registrations stay.
void UnregisterEventClass(int id, const CRuntimeClass* cls);

/// The function that names the subtype of an element of kind `id` (the kinds listed at
/// GetEventString(ECBase*)), or null to name it by its kind again. Returns 0 and changes
/// nothing for any other id. Not locked: register while the library loads.
using EventSubtypeNamer = CString (*)(ECBase* e);
int SetEventSubtypeNamer(int id, EventSubtypeNamer namer);

/// Holds one registration for the life of the module that defines it.
class EventClassRegistrar {
public:
    EventClassRegistrar(int id, const CRuntimeClass* cls) : m_nId(id), m_pClass(cls) {
        RegisterEventClass(id, cls);
    }
    ~EventClassRegistrar() { UnregisterEventClass(m_nId, m_pClass); }
    EventClassRegistrar(const EventClassRegistrar&) = delete;
    EventClassRegistrar& operator=(const EventClassRegistrar&) = delete;

private:
    int m_nId;
    const CRuntimeClass* m_pClass;
};

} // namespace clavenor

/// Registers an element class under its event id, so that GetEventRuntimeClass and
/// CreateEvent know it. Place it beside IMPLEMENT_SERIAL in the class's source file, inside
/// namespace clavenor. Ids whose kind is never made by id are refused by the registry, so
/// such classes simply do not use this line.
#define IMPLEMENT_EVENT_CLASS(class_name, id)                                                      \
    namespace {                                                                                    \
    const ::clavenor::EventClassRegistrar                                                          \
        s_eventClassRegistrar##class_name((id), RUNTIME_CLASS(class_name));                        \
    }
