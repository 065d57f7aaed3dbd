#include "clavenor/elements/ECConductor.h"

#include "clavenor/elements/ECConductorStaff.h"
#include "clavenor/elements/ECMeter.h"
#include "clavenor/elements/ECMeterEnv.h"
#include "clavenor/elements/ECPerformance.h"
#include "clavenor/elements/ECStaff.h"
#include "clavenor/elements/ECTempo.h"
#include "clavenor/elements/ECTempoEnv.h"
#include "clavenor/elements/ECWaveTrack.h"
#include "clavenor/elements/MCStructureCommands.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"

#include <algorithm>
#include <new>
#include <vector>

namespace clavenor {

IMPLEMENT_SERIAL(ECConductor, ECWithChild, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECConductor, EventId::Conductor)

namespace {

constexpr int StructureVoice = 14;

bool IsTrackChild(ECBase* child) {
    const int id = child->GetEventId();
    return id == EventId::Staff || id == EventId::WaveTrack;
}

} // namespace

ECConductor::ECConductor(const ECConductor& other) : ECWithChild(other) {}

ECConductor::~ECConductor() = default;

ECConductor& ECConductor::operator=(const ECConductor& other) {
    ECWithChild::operator=(other);
    return *this;
}

void ECConductor::Serialize(CArchive& ar) {
    ECWithChild::Serialize(ar);
    if (ar.IsStoring()) {
        ar.WriteObject(ar.IsObjectMapped(m_pConductorStaff) ? m_pConductorStaff : nullptr);
        return;
    }
    // Documents of the first layouts may name a plain staff here, or nothing.
    auto* staff = static_cast<ECBase*>(ar.ReadObject(RUNTIME_CLASS(ECBase)));
    // Anything but a child would be a pointer the conductor does not keep alive.
    m_pConductorStaff = staff != nullptr && staff->IsKindOf(RUNTIME_CLASS(ECConductorStaff)) &&
                                GetChildren()->Find(staff) != nullptr
                            ? static_cast<ECConductorStaff*>(staff)
                            : nullptr;
    m_bFixedUp = false;
    BuildWaveTrackArray();
}

void ECConductor::PostSerialize(CArchive& ar) {
    ECWithChild::PostSerialize(ar);
    if (ar.IsLoading()) {
        m_bFixedUp = true;
    }
}

ECBase* ECConductor::Copy(CObject* src) { return CopyAs(this, src); }

int ECConductor::GetEventId() const { return EventId::Conductor; }

int ECConductor::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Performance);
    return 1;
}

ECPerformance* ECConductor::GetPerformance() {
    // The remembered performance may have let this conductor go (and been destroyed); it
    // is trusted only while it is still among the parents, comparing pointers only.
    if (m_pPerformance != nullptr && GetParents()->Find(m_pPerformance) == nullptr) {
        m_pPerformance = nullptr;
    }
    if (m_pPerformance == nullptr) {
        m_pPerformance = static_cast<ECPerformance*>(GetAncestor(EventId::Performance, -1));
    }
    return m_pPerformance;
}

// Children ---------------------------------------------------------------------------------

int ECConductor::AddChild(ECBase* child, int sorted) {
    if (ECWithChild::AddChild(child, sorted) == 0) {
        return 0;
    }
    if (m_pConductorStaff == nullptr && child->IsKindOf(RUNTIME_CLASS(ECConductorStaff))) {
        m_pConductorStaff = static_cast<ECConductorStaff*>(child);
    }
    if (IsTrackChild(child)) {
        try {
            OrderTracks(0);
        } catch (const std::bad_alloc&) {
            // Linked just above, so not refused; held so that a child its maker still owns
            // outlives the refusal.
            child->Ref();
            (void)UnlinkChild(child);
            child->Unref(0);
            return 0;
        }
    }
    return 1;
}

int ECConductor::RemoveChild(ECBase* child, int deep) {
    if (child == nullptr || GetChildren()->Find(child) == nullptr) {
        return 0;
    }
    ECConductorStaff* timeline = HeldConductorStaff();
    if (child == timeline) {
        ForgetConductorStaff();
    } else if (timeline != nullptr && child->GetEventId() == EventId::Staff) {
        const int number = timeline->GetStaffNumber(static_cast<ECStaff*>(child));
        if (number > 0) {
            timeline->ForgetStaff(number);
        }
    } else if (child->GetEventId() == EventId::WaveTrack) {
        const int number = GetWaveTrackNumber(static_cast<ECWaveTrack*>(child));
        if (number > 0) {
            m_waveTracks.RemoveAt(number - 1);
        }
    }
    return ECWithChild::RemoveChild(child, deep);
}

int ECConductor::UnlinkChild(ECBase* child) { return RemoveChild(child, 0); }

int ECConductor::RemoveChildren(int deep) {
    ReleaseTables();
    return ECWithChild::RemoveChildren(deep);
}

ECConductorStaff* ECConductor::HeldConductorStaff() {
    // Trusted only while it is still a child, comparing pointers only: a table that outlived
    // the staff must not be followed into freed memory. It is nearly always the first child.
    if (m_pConductorStaff != nullptr && GetChildren()->FindNearEnds(m_pConductorStaff) == nullptr) {
        m_pConductorStaff = nullptr;
    }
    return m_pConductorStaff;
}

void ECConductor::ForgetConductorStaff() {
    // A conductor staff that another conductor keeps (only a damaged document shares one)
    // keeps its tables.
    ECConductorStaff* timeline = HeldConductorStaff();
    if (timeline != nullptr && timeline->GetConductor() == this) {
        timeline->DropTables();
    }
    m_pConductorStaff = nullptr;
}

void ECConductor::ReleaseTables() {
    ForgetConductorStaff();
    m_waveTracks.RemoveAll();
}

// Tracks -----------------------------------------------------------------------------------

ECConductorStaff* ECConductor::GetConductorStaff() {
    ECPerformance* performance = GetPerformance();
    if (ECConductorStaff* timeline = HeldConductorStaff()) {
        return timeline;
    }
    MCEventList* children = GetChildren();
    for (POSITION pos = children->GetHeadPosition(); pos != nullptr;) {
        ECBase* child = children->GetNext(pos);
        if (child->IsKindOf(RUNTIME_CLASS(ECConductorStaff))) {
            m_pConductorStaff = static_cast<ECConductorStaff*>(child);
            return m_pConductorStaff;
        }
    }
    // A handler that asks the conductor while the command runs gets no second one.
    if (m_bMakingStaff) {
        return nullptr;
    }
    auto* staff = new ECConductorStaff(this, performance);
    staff->SetVoiceTrack(StructureVoice, 0);
    MCTime zero = MCTime::TimeZero();
    staff->SetTime(&zero);
    // Held across the command: when it does not insert the staff, releasing it deletes it.
    staff->Ref();
    m_bMakingStaff = true;
    MCStructureCommands::AddTrack(performance, staff, -1);
    m_bMakingStaff = false;
    staff->Unref(1);
    return m_pConductorStaff;
}

int ECConductor::GetMaxTrackNumber(int kind) {
    ECConductorStaff* staff = GetConductorStaff();
    switch (kind) {
    case KindConductorStaff:
        return 1;
    case KindStaff:
        return staff != nullptr ? staff->GetMaxStaffNumber() : 0;
    case KindWaveTrack:
        return m_waveTracks.GetSize();
    default:
        return 0;
    }
}

int ECConductor::GetTrackNumber(int kind, ECTrack* track) {
    ECConductorStaff* staff = GetConductorStaff();
    switch (kind) {
    case KindConductorStaff:
        return 0;
    case KindStaff:
        return staff != nullptr ? staff->GetStaffNumber(dynamic_cast<ECStaff*>(track)) : -1;
    case KindWaveTrack:
        return GetWaveTrackNumber(dynamic_cast<ECWaveTrack*>(track));
    default:
        return 0;
    }
}

ECTrack* ECConductor::GetTrack(int kind, int number, int create) {
    ECConductorStaff* staff = GetConductorStaff();
    switch (kind) {
    case KindConductorStaff:
        return staff;
    case KindStaff:
        return staff != nullptr ? staff->GetStaff(number, create) : nullptr;
    case KindWaveTrack:
        return GetWaveTrack(number, create);
    default:
        return nullptr;
    }
}

int ECConductor::InsertTrack(ECTrack* track, int number) {
    if (track == nullptr) {
        return -1;
    }
    switch (track->GetEventId()) {
    case EventId::ConductorStaff:
        return AddChild(track, 1) != 0 ? 0 : -1;
    case EventId::Staff: {
        ECConductorStaff* staff = GetConductorStaff();
        return staff != nullptr ? staff->InsertStaff(static_cast<ECStaff*>(track), number) : -1;
    }
    case EventId::WaveTrack:
        return InsertWaveTrack(static_cast<ECWaveTrack*>(track), number);
    default:
        return -1;
    }
}

void ECConductor::RemoveTrack(ECTrack* track) {
    if (track == nullptr) {
        return;
    }
    ECConductorStaff* timeline = HeldConductorStaff();
    if (track->GetEventId() == EventId::Staff && timeline != nullptr) {
        timeline->RemoveStaff(static_cast<ECStaff*>(track));
    } else if (track->GetEventId() == EventId::WaveTrack) {
        RemoveWaveTrack(static_cast<ECWaveTrack*>(track));
    }
}

int ECConductor::GetWaveTrackNumber(ECWaveTrack* track) const {
    if (track == nullptr) {
        return -1;
    }
    for (int i = 0; i < m_waveTracks.GetSize(); ++i) {
        if (m_waveTracks[i] == track) {
            return i + 1;
        }
    }
    return -1;
}

ECWaveTrack* ECConductor::GetWaveTrack(int number, int create) {
    if (number >= 1 && number <= m_waveTracks.GetSize()) {
        return m_waveTracks[number - 1];
    }
    if (create == 0) {
        return nullptr;
    }
    auto* track = new ECWaveTrack;
    track->Ref();
    MCStructureCommands::AddTrack(GetPerformance(), track, -1);
    const bool placed = GetWaveTrackNumber(track) > 0;
    track->Unref(1);
    return placed ? track : nullptr;
}

int ECConductor::InsertWaveTrack(ECWaveTrack* track, int index) {
    if (track == nullptr || GetWaveTrackNumber(track) > 0) {
        return -1;
    }
    if (index < 0 || index > m_waveTracks.GetSize()) {
        index = m_waveTracks.GetSize();
    }
    track->SetVoiceTrack(StructureVoice, index + 1);
    m_waveTracks.InsertAt(index, track);
    if (AddChild(track, 1) == 0) {
        // A track that is no child would be a pointer nothing keeps alive.
        if (track->GetParents()->Find(this) == nullptr) {
            m_waveTracks.RemoveAt(index);
        }
        return -1;
    }
    return index;
}

int ECConductor::ReturnWaveTrack(ECWaveTrack* track, int number) {
    if (track == nullptr || number < 1 || number > m_waveTracks.GetSize() + 1 ||
        GetWaveTrackNumber(track) > 0 || track->GetParents()->FindNearEnds(this) == nullptr) {
        return 0;
    }
    try {
        m_waveTracks.InsertAt(number - 1, track);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return 1;
}

void ECConductor::RemoveWaveTrack(ECWaveTrack* track) {
    const int number = GetWaveTrackNumber(track);
    if (number < 1) {
        return;
    }
    m_waveTracks.RemoveAt(number - 1);
    // A wave track that is no child has no link to take back.
    (void)ECWithChild::RemoveChild(track, 0);
}

void ECConductor::BuildWaveTrackArray() {
    std::vector<ECWaveTrack*> tracks;
    MCEventList* children = GetChildren();
    for (POSITION pos = children->GetHeadPosition(); pos != nullptr;) {
        ECBase* child = children->GetNext(pos);
        if (child->GetEventId() == EventId::WaveTrack &&
            child->IsKindOf(RUNTIME_CLASS(ECWaveTrack))) {
            tracks.push_back(static_cast<ECWaveTrack*>(child));
        }
    }
    std::stable_sort(tracks.begin(), tracks.end(),
                     [](ECWaveTrack* a, ECWaveTrack* b) { return a->GetTrack() < b->GetTrack(); });
    m_waveTracks.SetSize(static_cast<int>(tracks.size()));
    std::copy(tracks.begin(), tracks.end(), m_waveTracks.GetData());
}

void ECConductor::ReserveTrackOrder(int extra) {
    const auto room = static_cast<std::size_t>(GetChildren()->GetCount() + std::max(extra, 0));
    m_orderRest.reserve(room);
    m_orderTracks.reserve(room);
}

void ECConductor::OrderTracks(int orderStaves) {
    ECConductorStaff* timeline = HeldConductorStaff();
    if (timeline == nullptr) {
        return;
    }
    // The room for the order is the only memory this needs, so it comes before the first
    // change. The order is then written over the places the tracks already hold in the list:
    // every track stays in the list throughout, never one that its parent no longer lists.
    ReserveTrackOrder(0);
    if (orderStaves != 0) {
        timeline->OrderStaves();
    }
    MCEventList* children = GetChildren();
    std::vector<ECBase*>& rest = m_orderRest;
    std::vector<ECBase*>& order = m_orderTracks;
    for (ECBase* child : *children) {
        if (IsTrackChild(child)) {
            rest.push_back(child);
        }
    }
    auto take = [&](ECBase* track) {
        const auto at = std::find(rest.begin(), rest.end(), track);
        if (track != nullptr && at != rest.end()) {
            order.push_back(track);
            rest.erase(at);
        }
    };
    for (int i = 1; i <= timeline->GetMaxStaffNumber(); ++i) {
        take(timeline->GetStaff(i, 0));
    }
    for (int i = 0; i < m_waveTracks.GetSize(); ++i) {
        take(m_waveTracks[i]);
    }
    order.insert(order.end(), rest.begin(), rest.end());
    rest.clear();
    // Held across the rewrite: storing one track over another releases the one overwritten
    // before it is stored again further on.
    for (ECBase* track : order) {
        track->Ref();
    }
    auto next = order.begin();
    for (POSITION pos = children->GetHeadPosition(); pos != nullptr;) {
        const POSITION at = pos;
        if (IsTrackChild(children->GetNext(pos))) {
            children->SetAt(at, *next++);
        }
    }
    for (ECBase* track : order) {
        track->Unref(1);
    }
    order.clear();
    children->Sort();
}

// Timeline ---------------------------------------------------------------------------------

int ECConductor::GetMaxMeasureNumber() {
    ECConductorStaff* staff = GetConductorStaff();
    return staff != nullptr ? staff->GetMaxMeasureNumber() : 0;
}

MCTime ECConductor::GetMaxMeasureEndTime() {
    ECConductorStaff* staff = GetConductorStaff();
    return staff != nullptr ? staff->GetMaxMeasureEndTime() : MCTime::TimeZero();
}

int ECConductor::GetMeasureNumberAtTime(const MCTime& time) {
    ECConductorStaff* staff = GetConductorStaff();
    return staff != nullptr ? staff->GetMeasureNumberAtTime(time) : 0;
}

int ECConductor::GetMeasureNumberBeforeTime(const MCTime& time) {
    ECConductorStaff* staff = GetConductorStaff();
    return staff != nullptr ? staff->GetMeasureNumberBeforeTime(time) : 0;
}

ECMeasure* ECConductor::GetMeasure(int track, const MCTime& time, int extend, int count) {
    ECConductorStaff* staff = GetConductorStaff();
    return staff != nullptr ? staff->GetMeasure(track, time, extend, count) : nullptr;
}

ECMeasure* ECConductor::GetMeasure(int track, int number) {
    ECConductorStaff* staff = GetConductorStaff();
    return staff != nullptr ? staff->GetMeasure(track, number) : nullptr;
}

int ECConductor::GetMeasures(int track, const MCTime& start, const MCTime& end,
                             MCEventList& measures) {
    ECConductorStaff* staff = GetConductorStaff();
    if (staff == nullptr) {
        measures.RemoveAll();
        return 0;
    }
    return staff->GetMeasures(track, start, end, measures);
}

int ECConductor::GetMeasures(int track, int first, int last, MCEventList& measures) {
    ECConductorStaff* staff = GetConductorStaff();
    if (staff == nullptr) {
        measures.RemoveAll();
        return 0;
    }
    return staff->GetMeasures(track, first, last, measures);
}

ECTempo* ECConductor::GetTempoAtTime(const MCTime& time) {
    ECConductorStaff* staff = GetConductorStaff();
    ECTempoEnv* map = staff != nullptr ? staff->GetTempoEnv() : nullptr;
    return map != nullptr ? static_cast<ECTempo*>(map->GetPointBeforeEqual(time)) : nullptr;
}

ECTempo* ECConductor::GetTempoBeforeTime(const MCTime& time) {
    ECConductorStaff* staff = GetConductorStaff();
    ECTempoEnv* map = staff != nullptr ? staff->GetTempoEnv() : nullptr;
    return map != nullptr ? static_cast<ECTempo*>(map->GetPointBefore(time)) : nullptr;
}

ECMeter* ECConductor::GetMeterAtTime(const MCTime& time) {
    ECConductorStaff* staff = GetConductorStaff();
    ECMeterEnv* map = staff != nullptr ? staff->GetMeterEnv() : nullptr;
    return map != nullptr ? static_cast<ECMeter*>(map->GetPointBeforeEqual(time)) : nullptr;
}

ECMeter* ECConductor::GetMeterBeforeTime(const MCTime& time) {
    ECConductorStaff* staff = GetConductorStaff();
    ECMeterEnv* map = staff != nullptr ? staff->GetMeterEnv() : nullptr;
    return map != nullptr ? static_cast<ECMeter*>(map->GetPointBefore(time)) : nullptr;
}

void ECConductor::GetMeterScope(ECMeter* meter, MCTime& start, MCTime& end) {
    start = MCTime::TimeNull();
    end = MCTime::TimeNull();
    ECConductorStaff* staff = GetConductorStaff();
    ECMeterEnv* map = staff != nullptr ? staff->GetMeterEnv() : nullptr;
    const int index = map != nullptr ? map->GetIndexForPoint(meter) : -1;
    if (index < 0) {
        return;
    }
    start = *meter->GetTime();
    ECEnvPoint* next = map->GetPointAtIndex(index + 1);
    end = next != nullptr ? *next->GetTime() : staff->GetMaxMeasureEndTime();
}

} // namespace clavenor
