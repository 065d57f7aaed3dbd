#include "clavenor/elements/ECConductorMeasure.h"

#include "clavenor/actions/ACFindEvents.h"
#include "clavenor/elements/ECConductorStaff.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"

#include <new>
#include <utility>
#include <vector>

namespace clavenor {

IMPLEMENT_SERIAL(ECConductorMeasure, ECMeasure, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECConductorMeasure, EventId::ConductorMeasure)

namespace {

constexpr int StructureVoice = 14;

[[noreturn]] void BadTable(const char* what) {
    throw CArchiveException(CArchiveException::badIndex, what);
}

} // namespace

ECConductorMeasure::ECConductorMeasure() {
    SetVoiceTrack(StructureVoice, 0);
    ResetTable();
}

ECConductorMeasure::ECConductorMeasure(const MCTime& time) : ECConductorMeasure() { m_time = time; }

ECConductorMeasure::ECConductorMeasure(const ECConductorMeasure& other) : ECMeasure(other) {
    ResetTable();
}

ECConductorMeasure::~ECConductorMeasure() = default;

ECConductorMeasure& ECConductorMeasure::operator=(const ECConductorMeasure& other) {
    ECMeasure::operator=(other);
    return *this;
}

void ECConductorMeasure::ResetTable() {
    m_trackMeasures.RemoveAll();
    m_trackMeasures.SetSize(InitialSlots);
    m_trackMeasures[0] = this;
    m_nLastTrack = 0;
}

ECBase* ECConductorMeasure::Copy(CObject* src) { return CopyAs(this, src); }

int ECConductorMeasure::GetEventId() const { return EventId::ConductorMeasure; }

int ECConductorMeasure::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::ConductorStaff);
    return 1;
}

void ECConductorMeasure::Serialize(CArchive& ar) {
    ECWithTimeChild::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_nLastTrack;
        return;
    }
    ar >> m_nLastTrack;
    // The table comes with the fix-up pass; until then this measure holds only itself.
    const std::int32_t last = m_nLastTrack;
    ResetTable();
    m_nLastTrack = last < 0 ? -1 : 0;
    m_pendingLastTrack = last;
}

void ECConductorMeasure::PostSerialize(CArchive& ar) {
    ECMeasure::PostSerialize(ar);
    if (ar.IsStoring()) {
        ar.WriteCount(static_cast<std::uint32_t>(m_trackMeasures.GetSize()));
        for (int i = 0; i < m_trackMeasures.GetSize(); ++i) {
            ar.WriteObject(m_trackMeasures[i]);
        }
        return;
    }
    std::vector<ECMeasure*> slots;
    for (std::uint32_t n = ar.ReadCount(); n > 0; --n) {
        slots.push_back(static_cast<ECMeasure*>(ar.ReadObject(RUNTIME_CLASS(ECMeasure))));
    }
    ECConductorStaff* staff = std::exchange(m_pLoadingStaff, nullptr);
    const std::int32_t last = m_pendingLastTrack;
    // Slot 0 holds this measure; every staff of the conductor staff that lists this measure
    // in its map has its measure (one of its children) in its slot; nothing lies above.
    const std::int32_t staves = staff != nullptr ? staff->GetMaxStaffNumber() : 0;
    if (staff == nullptr && last == -1 && slots.empty()) {
        RemoveMeasures();
        return;
    }
    if (slots.empty() || slots[0] != this || last != staves ||
        slots.size() <= static_cast<std::size_t>(last)) {
        BadTable("a conductor measure's track table does not match its staves");
    }
    for (std::size_t t = 1; t < slots.size(); ++t) {
        ECMeasure* measure = slots[t];
        if (t > static_cast<std::size_t>(last)) {
            if (measure != nullptr) {
                BadTable("a conductor measure names a measure beyond its last track");
            }
        } else if (measure == nullptr || measure->GetParents()->Find(
                                             staff->GetStaff(static_cast<int>(t), 0)) == nullptr) {
            BadTable("a conductor measure names a measure that is not its staff's");
        }
    }
    m_trackMeasures.SetSize(static_cast<int>(slots.size()));
    std::copy(slots.begin(), slots.end(), m_trackMeasures.GetData());
    m_nLastTrack = last;
}

ECMeasure* ECConductorMeasure::GetMeasureOnTrack(int track) const {
    return track >= 0 && track <= m_nLastTrack ? m_trackMeasures[track] : nullptr;
}

int ECConductorMeasure::AddMeasureOnTrack(ECMeasure* measure, int track) {
    if (track < 1 || track > m_nLastTrack + 1) {
        return -1;
    }
    m_trackMeasures.InsertAt(track, measure);
    return ++m_nLastTrack;
}

void ECConductorMeasure::ReserveMeasureOnTrack() {
    m_trackMeasures.Reserve(m_trackMeasures.GetSize() + 1);
}

ECMeasure* ECConductorMeasure::RemoveMeasureOnTrack(int track) {
    if (track < 1 || track > m_nLastTrack) {
        return nullptr;
    }
    ECMeasure* measure = m_trackMeasures[track];
    m_trackMeasures.RemoveAt(track);
    --m_nLastTrack;
    return measure;
}

void ECConductorMeasure::RemoveMeasures() {
    m_trackMeasures.RemoveAll();
    m_nLastTrack = -1;
}

void ECConductorMeasure::SetMeasureTime(MCTime* time) {
    if (time == nullptr) {
        return;
    }
    for (int t = 0; t <= m_nLastTrack; ++t) {
        if (ECMeasure* measure = m_trackMeasures[t]) {
            measure->SetTime(time);
        }
    }
}

int ECConductorMeasure::GetMeasureEvents(int track, MCEventList& events) {
    events.RemoveAll();
    auto collect = [&events](ECMeasure* measure) {
        if (measure == nullptr) {
            return;
        }
        ACFindEvents find;
        find.Apply(measure);
        MCEventList* found = find.GetEvents();
        // What lies below the measure, not the measure itself.
        found->RemoveEvent(measure);
        events.AddTail(found);
    };
    if (track == ECConductorStaff::AllTracks) {
        for (int t = 0; t <= m_nLastTrack; ++t) {
            collect(m_trackMeasures[t]);
        }
    } else {
        collect(GetMeasureOnTrack(track));
    }
    return events.IsEmpty() ? 0 : 1;
}

void ECConductorMeasure::SwapMeasures(int a, int b) {
    if (a >= 1 && b >= 1 && a <= m_nLastTrack && b <= m_nLastTrack) {
        std::swap(m_trackMeasures[a], m_trackMeasures[b]);
    }
}

void ECConductorMeasure::OrderMeasures() {
    auto track = [this](int i) {
        ECMeasure* measure = m_trackMeasures[i];
        return measure != nullptr ? measure->GetTrack() : ECConductorStaff::NoTrack + 1;
    };
    for (int i = 1; i <= m_nLastTrack; ++i) {
        for (int j = i + 1; j <= m_nLastTrack; ++j) {
            if (track(j) < track(i)) {
                std::swap(m_trackMeasures[i], m_trackMeasures[j]);
            }
        }
    }
}

} // namespace clavenor
