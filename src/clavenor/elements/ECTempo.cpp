#include "clavenor/elements/ECTempo.h"

#include "clavenor/elements/ECPerformance.h"
#include "clavenor/elements/ECTempoEnv.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/framework/StringTable.h"
#include "clavenor/model/EventRegistry.h"
#include "clavenor/strings/Preferences.h"

#include <cmath>

namespace clavenor {

IMPLEMENT_SERIAL(ECTempo, ECEnvPoint, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECTempo, EventId::Tempo)

namespace {

constexpr float SecondsPerMinute = 60.0f;
constexpr float MaxPausePercent = 400.0f;

// The string resources of the tempo names: types 2 to 23 in order, then 25 to 28.
constexpr UINT FirstName = 12360;
constexpr UINT FirstNameAfterPause = 12382;

// Built-in speeds of the named tempi 2 to 20, in quarter notes per minute.
constexpr int NamedSpeeds[] = {40, 43,  47,  50,  52,  54,  56,  58,  60, 70,
                               80, 100, 120, 150, 160, 190, 210, 220, 240};
constexpr int UnnamedSpeed = 60;

CString NameTempo(ECBase* e) { return GetTempoString(static_cast<ECTempo*>(e)->GetTempoType()); }

const EventSubtypeNamerRegistrar s_namer(EventId::Tempo, &NameTempo);

} // namespace

ECTempo::ECTempo() {
    SetSubtype(TypeMetronome);
    ECEnvPoint::SetValue(m_fTempo);
}

// An unknown type is stored all the same, so the refusal changes nothing here.
ECTempo::ECTempo(std::uint8_t type, const MCTime& duration) : ECTempo() {
    (void)SetTempoType(type, duration);
}

ECTempo::ECTempo(const ECTempo& other)
    : ECEnvPoint(other), MCMirrorList(other), m_duration(other.m_duration) {
    CopyTempo(other);
}

ECTempo::~ECTempo() = default;

ECTempo& ECTempo::operator=(const ECTempo& other) {
    if (this != &other) {
        ECEnvPoint::operator=(other);
        CopyTempo(other);
    }
    return *this;
}

void ECTempo::CopyTempo(const ECTempo& other) {
    SetSubtype(other.GetTempoType());
    m_text = other.m_text;
    m_fTempo = other.m_fTempo;
    m_fRate = other.m_fRate;
    m_fSpeed = other.m_fSpeed;
    m_fBeat = other.m_fBeat;
    m_fPausePercent = other.m_fPausePercent;
    ECEnvPoint::SetValue(m_fTempo);
}

bool ECTempo::operator==(const ECTempo& other) const {
    return GetTempoType() == other.GetTempoType() && m_duration == other.m_duration &&
           m_text == other.m_text && m_fTempo == other.m_fTempo && m_fSpeed == other.m_fSpeed &&
           m_fBeat == other.m_fBeat && m_fPausePercent == other.m_fPausePercent;
}

void ECTempo::Serialize(CArchive& ar) {
    ECEnvPoint::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_fTempo << m_fRate << m_fSpeed << m_fBeat << GetSubtype();
        if (HasDuration(GetTempoType())) {
            m_duration.Serialize(ar, -1);
        }
        ar << m_text << m_fPausePercent;
        return;
    }
    std::uint8_t type = 0;
    ar >> m_fTempo >> m_fRate >> m_fSpeed >> m_fBeat >> type;
    SetSubtype(type);
    if (HasDuration(type)) {
        m_duration.Serialize(ar, ECPerformance::GetActiveVersion());
    }
    ar >> m_text;
    if (ECPerformance::GetActiveVersion() >= 3) {
        ar >> m_fPausePercent;
    }
}

ECBase* ECTempo::Copy(CObject* src) { return CopyAs(this, src); }

int ECTempo::GetEventId() const { return EventId::Tempo; }

int ECTempo::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::TempoEnv);
    return 1;
}

float ECTempo::GetValue() { return m_fTempo; }

// The envelope's setter has no result: a refused value leaves the tempo as it was.
void ECTempo::SetValue(float value) { (void)SetTempo(value, 1.0f); }

void ECTempo::SetDuration(MCTime* duration) {
    if (duration != nullptr) {
        m_duration = *duration;
    }
    MCEventList* parents = GetParents();
    for (POSITION pos = parents->GetHeadPosition(); pos != nullptr;) {
        ECBase* parent = parents->GetNext(pos);
        if (parent->GetEventId() == EventId::TempoEnv) {
            static_cast<ECTempoEnv*>(parent)->RecalculateClockTimes();
            return;
        }
    }
}

int ECTempo::SetTempoType(std::uint8_t type, const MCTime& duration) {
    SetSubtype(type);
    if (type >= TypeLarghissimo && type <= TypePrestissimo) {
        const int speed = GetTempoValue(type);
        if (speed > 0) {
            // Refused only while the stored tempo is 0, which then stays, as SetTempo says.
            (void)SetTempo(static_cast<float>(speed), 1.0f);
        }
    } else if (type >= TypeAccelerando && type <= TypeRitardando) {
        m_duration = duration;
    }
    return type <= TypeLast ? 1 : 0;
}

int ECTempo::SetTempo(float tempo, float beat) {
    const float product = tempo * beat;
    // A zero, negative or endless tempo would give the mark no speed, or an endless one.
    if (m_fTempo == 0.0f || !(product > 0.0f) || !std::isfinite(product)) {
        return 0;
    }
    m_fTempo = product;
    m_fRate = m_fTempo / SecondsPerMinute;
    m_fSpeed = SecondsPerMinute / m_fTempo;
    m_fBeat = beat;
    return 1;
}

float ECTempo::GetTempo(float beat) const {
    if (m_fBeat == 0.0f) {
        return 0.0f;
    }
    return beat == 1.0f ? m_fTempo : m_fTempo / m_fBeat;
}

float ECTempo::GetPausePercent() const {
    return IsPauseTempo(GetTempoType()) ? m_fPausePercent : 0.0f;
}

void ECTempo::SetPausePercent(float percent) {
    if (!(percent > 0.0f)) {
        m_fPausePercent = 0.0f;
    } else {
        m_fPausePercent = percent >= MaxPausePercent ? MaxPausePercent : percent;
    }
}

CString ECTempo::GetText() const {
    return m_text.IsEmpty() ? GetTempoString(GetTempoType()) : m_text;
}

CString GetTempoString(std::uint8_t type) {
    if (type >= ECTempo::TypeLarghissimo && type < ECTempo::TypePause) {
        return StringTable::Load(FirstName + (type - ECTempo::TypeLarghissimo));
    }
    if (type > ECTempo::TypePause && type <= ECTempo::TypeRubato) {
        return StringTable::Load(FirstNameAfterPause + (type - ECTempo::TypeGeneralPause));
    }
    return CString();
}

int GetTempoValue(int type) {
    const CString section =
        CString("Settings\\Tempo\\") + GetTempoString(static_cast<std::uint8_t>(type & 0xFF));
    const CString key("BPM");
    const std::int32_t stored = LoadIntPreference(section, key, -1);
    if (stored != -1) {
        return stored;
    }
    const int first = ECTempo::TypeLarghissimo;
    const int builtIn = type >= first && type <= ECTempo::TypePrestissimo
                            ? NamedSpeeds[type - first]
                            : UnnamedSpeed;
    // Stored for the user to change; a store that refuses it costs only that.
    (void)SaveIntPreference(section, key, builtIn);
    return builtIn;
}

int GetTempoType(int speed) {
    for (int type = ECTempo::TypeLarghissimo; type <= ECTempo::TypePrestissimo; ++type) {
        if (GetTempoValue(type) > speed) {
            return type > ECTempo::TypeLarghissimo ? type - 1 : type;
        }
    }
    return ECTempo::TypePrestissimo;
}

} // namespace clavenor
