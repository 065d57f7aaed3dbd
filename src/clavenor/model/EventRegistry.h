#pragma once

#include "clavenor/framework/CString.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

struct CRuntimeClass;
class ECBase;

/// Event ids: the small integers by which the whole model names element kinds (actions clip,
/// bypass, find and count by them, elements list their allowed parents with them, commands
/// and the host filter by them). The numbers are fixed; they appear in documents, in the
/// host's code and in plug-ins. Reserved63, Reserved68 and Reserved69 belong to no class.
namespace EventId {
///@{
/// The id of the element class of the same name (Note for ECNote, Staff for ECStaff, ...);
/// Base, WithChild, WithTime and WithTimeChild are the abstract layers of the model, None
/// stands for no kind ("any" where a filter takes an id).
inline constexpr int None = -1;
inline constexpr int Accent = 0;
inline constexpr int Accidental = 1;
inline constexpr int Arpeggio = 2;
inline constexpr int BankLSB = 3;
inline constexpr int BankMSB = 4;
inline constexpr int Barline = 5;
inline constexpr int Base = 6;
inline constexpr int Beam = 7;
inline constexpr int Brac = 8;
inline constexpr int ChannelMode = 9;
inline constexpr int ChannelPressure = 10;
inline constexpr int ChanPressureEnv = 11;
inline constexpr int Chord = 12;
inline constexpr int ChordSymbol = 13;
inline constexpr int Clef = 14;
inline constexpr int Conductor = 15;
inline constexpr int ConductorMeasure = 16;
inline constexpr int ConductorStaff = 17;
inline constexpr int ControlChange = 18;
inline constexpr int ControllerEnv = 19;
inline constexpr int Dot = 20;
inline constexpr int Dynamic = 21;
inline constexpr int Envelope = 22;
inline constexpr int EnvPoint = 23;
inline constexpr int FlowControl = 24;
inline constexpr int Frame = 25;
inline constexpr int Glissando = 26;
inline constexpr int GraceNote = 27;
inline constexpr int Group = 28;
inline constexpr int Key = 29;
inline constexpr int Lyric = 30;
inline constexpr int LyricBlock = 31;
inline constexpr int Measure = 32;
inline constexpr int Meter = 33;
inline constexpr int MeterEnv = 34;
inline constexpr int Mirror = 35;
inline constexpr int Mordent = 36;
inline constexpr int Note = 37;
inline constexpr int NRPNEnv = 38;
inline constexpr int NRPNPoint = 39;
inline constexpr int Ornament = 40;
inline constexpr int Pan = 41;
inline constexpr int PatchEnv = 42;
inline constexpr int Pedal = 43;
inline constexpr int Performance = 44;
inline constexpr int PitchBend = 45;
inline constexpr int PitchBendEnv = 46;
inline constexpr int PolyPressure = 47;
inline constexpr int PolyPressureEnv = 48;
inline constexpr int ProgramChange = 49;
inline constexpr int Repeat = 50;
inline constexpr int Rest = 51;
inline constexpr int RPNEnv = 52;
inline constexpr int RPNPoint = 53;
inline constexpr int Slur = 54;
inline constexpr int Staff = 55;
inline constexpr int SystemMessage = 56;
inline constexpr int Tempo = 57;
inline constexpr int TempoEnv = 58;
inline constexpr int Text = 59;
inline constexpr int Tie = 60;
inline constexpr int Track = 61;
inline constexpr int Transpose = 62;
inline constexpr int Reserved63 = 63;
inline constexpr int Tremolo = 64;
inline constexpr int Trill = 65;
inline constexpr int Tuplet = 66;
inline constexpr int Turn = 67;
inline constexpr int Reserved68 = 68;
inline constexpr int Reserved69 = 69;
inline constexpr int Wave = 70;
inline constexpr int WaveTrack = 71;
inline constexpr int WithChild = 72;
inline constexpr int WithTime = 73;
inline constexpr int WithTimeChild = 74;
///@}
/// One past the highest id.
inline constexpr int Count = 75;
} // namespace EventId

/// The class record of the element class with event id `id`, or null when the id has no
/// class that can be made by id (ids outside 0..74, ids of no class, the envelope kinds and
/// the other kinds that are only ever created inside their owners, and classes that have not
/// registered themselves).
CLAVENOR_API const CRuntimeClass* GetEventRuntimeClass(int id);

/// A new element of the class with event id `id`, made by the class's default constructor,
/// with reference count 0: the caller links it into the graph or takes a reference. Null
/// when GetEventRuntimeClass(id) is null. Allocation failure throws std::bad_alloc.
CLAVENOR_API ECBase* CreateEvent(int id);

/// The display name of an event id ("Note", "Layout", ...); empty for ids without one,
/// including negative ids and ids of 72 and above.
CLAVENOR_API CString GetEventString(int id);

/// The display name of an element: for the kinds that carry a subtype (accent, accidental,
/// chord symbol, clef, dot, dynamic, flow control, mordent, ornament, repeat, tempo, text)
/// the name of its subtype, as given by the function registered for the kind; otherwise,
/// and until such a function is registered, GetEventString(e->GetEventId()). Empty for null.
CLAVENOR_API CString GetEventString(ECBase* e);

/// Makes `cls` the class that GetEventRuntimeClass answers for `id`, replacing an earlier
/// one. Refused (returns 0) for a null class, an id outside 0..74 and an id whose kind is
/// never made by id; returns 1 otherwise. Element classes call it through
/// IMPLEMENT_EVENT_CLASS while the library loads; not locked.
CLAVENOR_API int RegisterEventClass(int id, const CRuntimeClass* cls);

/// Forgets `cls` as the class of `id` when it still is; other registrations stay.
CLAVENOR_API void UnregisterEventClass(int id, const CRuntimeClass* cls);

/// The function that names the subtype of an element of kind `id` (the kinds listed at
/// GetEventString(ECBase*)), or null to name it by its kind again. Returns 0 and changes
/// nothing for any other id. Not locked: register while the library loads.
using EventSubtypeNamer = CString (*)(ECBase* e);
CLAVENOR_API int SetEventSubtypeNamer(int id, EventSubtypeNamer namer);

/// The function registered for kind `id`, null when none is or `id` is not a subtype kind;
/// lets a caller that swaps in its own namer put the earlier one back.
CLAVENOR_API EventSubtypeNamer GetEventSubtypeNamer(int id);

/// Holds one registration for the life of the module that defines it.
class CLAVENOR_API EventClassRegistrar {
public:
    /// Registers `cls` for `id` (RegisterEventClass; a refusal leaves nothing to undo, and the
    /// destructor's unregistering is then harmless).
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

/// Holds one subtype namer for the life of the module that defines it.
class CLAVENOR_API EventSubtypeNamerRegistrar {
public:
    /// Sets `namer` for `id` (SetEventSubtypeNamer); the destructor clears it again.
    EventSubtypeNamerRegistrar(int id, EventSubtypeNamer namer) : m_nId(id) {
        SetEventSubtypeNamer(id, namer);
    }
    ~EventSubtypeNamerRegistrar() { SetEventSubtypeNamer(m_nId, nullptr); }
    EventSubtypeNamerRegistrar(const EventSubtypeNamerRegistrar&) = delete;
    EventSubtypeNamerRegistrar& operator=(const EventSubtypeNamerRegistrar&) = delete;

private:
    int m_nId;
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
