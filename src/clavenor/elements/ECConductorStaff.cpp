#include "clavenor/elements/ECConductorStaff.h"

#include "clavenor/actions/ACFindEvents.h"
#include "clavenor/actions/ACSetVoiceTrack.h"
#include "clavenor/elements/ECConductor.h"
#include "clavenor/elements/ECConductorMeasure.h"
#include "clavenor/elements/ECMeter.h"
#include "clavenor/elements/ECMeterEnv.h"
#include "clavenor/elements/ECPerformance.h"
#include "clavenor/elements/ECTempoEnv.h"
#include "clavenor/elements/MCStructureCommands.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"
#include "clavenor/model/Ref.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <unordered_set>
#include <vector>

namespace clavenor {

IMPLEMENT_SERIAL(ECConductorStaff, ECStaff, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECConductorStaff, EventId::ConductorStaff)

namespace {

constexpr int StructureVoice = 14;
constexpr float DefaultMeasureLength = 4.0f;
constexpr std::int32_t EnvelopeVersion = 3;
// A query moves the cursor this many measures before it turns to a binary search.
constexpr int NearbySteps = 8;
// Measures are not appended to reach times beyond this (quarter notes, days of music):
// appending there would take memory without end, and float times no longer tell ticks
// apart.
constexpr float FarthestExtension = 1048576.0f;

// A quarter-note time the measure map can be asked about.
bool IsMapTime(const MCTime& time) {
    return time.GetMode() != MCTime::ModeBarPulseTick && !std::isnan(time.GetSeconds());
}

bool IsChildOf(ECBase* element, ECBase* parent) {
    return element != nullptr && element->GetParents()->Find(parent) != nullptr;
}

[[noreturn]] void BadTable(const char* what) {
    throw CArchiveException(CArchiveException::badIndex, what);
}

template <class T>
std::vector<T*> ReadSlots(CArchive& ar) {
    std::vector<T*> slots;
    for (std::uint32_t n = ar.ReadCount(); n > 0; --n) {
        slots.push_back(static_cast<T*>(ar.ReadObject(T::GetThisClass())));
    }
    return slots;
}

template <class T, class A>
void WriteSlots(CArchive& ar, const CArray<T, A>& slots) {
    ar.WriteCount(static_cast<std::uint32_t>(slots.GetSize()));
    for (int i = 0; i < slots.GetSize(); ++i) {
        ar.WriteObject(slots[i]);
    }
}

// Adds `child` under `parent`; a refusal of a child not already there can only be a failed
// allocation. A new element that nothing holds yet goes with the failure.
void Link(ECBase* parent, ECBase* child) {
    if (parent->AddChild(child, 1) == 0 && !IsChildOf(child, parent)) {
        if (child->GetRefCount() == 0) {
            delete child;
        }
        throw std::bad_alloc();
    }
}

} // namespace

ECConductorStaff::ECConductorStaff() {
    m_staves.SetSize(InitialSlots);
    m_staves[0] = this;
}

ECConductorStaff::ECConductorStaff(ECConductor* conductor, ECPerformance* performance)
    : ECConductorStaff() {
    m_pConductor = conductor;
    m_pPerformance = performance;
}

ECConductorStaff::ECConductorStaff(const ECConductorStaff& other) : ECStaff(other) {
    m_staves.SetSize(InitialSlots);
    m_staves[0] = this;
}

ECConductorStaff::~ECConductorStaff() = default;

ECConductorStaff& ECConductorStaff::operator=(const ECConductorStaff& other) {
    ECStaff::operator=(other);
    return *this;
}

ECBase* ECConductorStaff::Copy(CObject* src) { return CopyAs(this, src); }

int ECConductorStaff::GetEventId() const { return EventId::ConductorStaff; }

int ECConductorStaff::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Conductor);
    return 1;
}

ECConductor* ECConductorStaff::GetConductor() {
    // The remembered conductor may have let this staff go; it is trusted only while it is
    // still a parent, comparing pointers only.
    if (m_pConductor != nullptr && GetParents()->Find(m_pConductor) != nullptr) {
        return m_pConductor;
    }
    m_pConductor = nullptr;
    MCEventList* parents = GetParents();
    for (POSITION pos = parents->GetHeadPosition(); pos != nullptr;) {
        ECBase* parent = parents->GetNext(pos);
        if (parent->IsKindOf(RUNTIME_CLASS(ECConductor))) {
            m_pConductor = static_cast<ECConductor*>(parent);
            break;
        }
    }
    return m_pConductor;
}

ECPerformance* ECConductorStaff::GetPerformance() {
    ECConductor* conductor = GetConductor();
    m_pPerformance = conductor != nullptr ? conductor->GetPerformance() : nullptr;
    return m_pPerformance;
}

// Archive ----------------------------------------------------------------------------------

void ECConductorStaff::Serialize(CArchive& ar) {
    ECStaff::Serialize(ar);
    if (ar.IsStoring()) {
        ECConductor* conductor = GetConductor();
        ECPerformance* performance = GetPerformance();
        // Both enclose this record; a root written by a direct Serialize is not in the
        // archive and is written as null rather than nested again.
        ar.WriteObject(ar.IsObjectMapped(conductor) ? conductor : nullptr);
        ar.WriteObject(ar.IsObjectMapped(performance) ? performance : nullptr);
        ar << m_nStaffCount << m_nLastMeasure;
        m_endTime.Serialize(ar, -1);
        ar.WriteObject(m_pTempoEnv);
        ar.WriteObject(m_pMeterEnv);
        return;
    }
    const std::int32_t version = ECPerformance::GetActiveVersion();
    auto* conductor = static_cast<ECConductor*>(ar.ReadObject(RUNTIME_CLASS(ECConductor)));
    auto* performance = static_cast<ECPerformance*>(ar.ReadObject(RUNTIME_CLASS(ECPerformance)));
    m_pConductor = ar.IsObjectBeingLoaded(conductor) ? conductor : nullptr;
    m_pPerformance = ar.IsObjectBeingLoaded(performance) ? performance : nullptr;
    ar >> m_nLoadedStaffCount >> m_nLoadedLastMeasure;
    m_loadedEndTime.Serialize(ar, version);
    // The tables come with the fix-up pass; until then the staff has none.
    DropTables();
    m_pTempoEnv = nullptr;
    m_pMeterEnv = nullptr;
    if (version >= EnvelopeVersion) {
        auto* tempo = static_cast<ECTempoEnv*>(ar.ReadObject(RUNTIME_CLASS(ECTempoEnv)));
        auto* meter = static_cast<ECMeterEnv*>(ar.ReadObject(RUNTIME_CLASS(ECMeterEnv)));
        // Only children are kept: anything else would be a pointer nothing keeps alive.
        m_pTempoEnv = IsChildOf(tempo, this) ? tempo : nullptr;
        m_pMeterEnv = IsChildOf(meter, this) ? meter : nullptr;
        return;
    }
    // Older documents name neither map; they are among the children.
    MCEventList* children = GetChildren();
    for (POSITION pos = children->GetHeadPosition(); pos != nullptr;) {
        ECBase* child = children->GetNext(pos);
        if (m_pTempoEnv == nullptr && child->IsKindOf(RUNTIME_CLASS(ECTempoEnv))) {
            m_pTempoEnv = static_cast<ECTempoEnv*>(child);
        } else if (m_pMeterEnv == nullptr && child->IsKindOf(RUNTIME_CLASS(ECMeterEnv))) {
            m_pMeterEnv = static_cast<ECMeterEnv*>(child);
        }
    }
}

void ECConductorStaff::PostSerialize(CArchive& ar) {
    ECStaff::PostSerialize(ar);
    if (ar.IsStoring()) {
        WriteSlots(ar, m_staves);
        WriteSlots(ar, m_measures);
        m_group.Serialize(ar, -1);
        return;
    }
    ReadStaffTable(ar);
    ReadMeasureMap(ar);
    m_group.Serialize(ar, ECPerformance::GetActiveVersion());
}

void ECConductorStaff::ReadStaffTable(CArchive& ar) {
    const std::vector<ECStaff*> slots = ReadSlots<ECStaff>(ar);
    const std::int32_t count = m_nLoadedStaffCount;
    if (count < 0 || slots.size() <= static_cast<std::size_t>(count) || slots[0] != this) {
        BadTable("the staff table does not match the staff count");
    }
    // The staves must be children of a conductor that the fix-up pass reached through the
    // document (one that stays in it): a table naming anything else would outlive it.
    ECConductor* conductor = m_pConductor;
    if (count > 0 && (conductor == nullptr || GetParents()->Find(conductor) == nullptr ||
                      !conductor->m_bFixedUp)) {
        BadTable("a staff table without its conductor");
    }
    std::unordered_set<ECStaff*> seen;
    for (std::size_t i = 1; i < slots.size(); ++i) {
        ECStaff* staff = slots[i];
        const bool numbered = i <= static_cast<std::size_t>(count);
        if (!numbered && staff != nullptr) {
            BadTable("the staff table names a staff beyond the staff count");
        }
        if (numbered && (!IsChildOf(staff, conductor) || !seen.insert(staff).second)) {
            BadTable("the staff table names a staff that is not the conductor's");
        }
    }
    m_staves.SetSize(static_cast<int>(slots.size()));
    std::copy(slots.begin(), slots.end(), m_staves.GetData());
    m_nStaffCount = count;
}

void ECConductorStaff::ReadMeasureMap(CArchive& ar) {
    const std::vector<ECConductorMeasure*> slots = ReadSlots<ECConductorMeasure>(ar);
    const std::int32_t last = m_nLoadedLastMeasure;
    if (last < -1 || slots.size() != static_cast<std::size_t>(last) + 1) {
        BadTable("the measure map does not match the measure count");
    }
    MCTime previous = MCTime::TimeZero();
    for (ECConductorMeasure* measure : slots) {
        if (!IsChildOf(measure, this)) {
            BadTable("the measure map names a measure that is not the conductor staff's");
        }
        const MCTime& time = *measure->GetTime();
        if (time.GetMode() != MCTime::ModeNormalized || !std::isfinite(time.GetSeconds()) ||
            time < previous) {
            BadTable("the measure map is out of time order");
        }
        previous = time;
    }
    const MCTime& end = m_loadedEndTime;
    if (end.GetMode() != MCTime::ModeNormalized || !std::isfinite(end.GetSeconds()) ||
        end < previous) {
        BadTable("the end time lies before the last measure");
    }
    m_measures.SetSize(static_cast<int>(slots.size()));
    std::copy(slots.begin(), slots.end(), m_measures.GetData());
    m_nLastMeasure = last;
    m_endTime = end;
    m_nCursor = 0;
    // Each conductor measure checks its track table against this staff table when the
    // fix-up pass reaches it.
    for (ECConductorMeasure* measure : slots) {
        measure->m_pLoadingStaff = this;
    }
}

void ECConductorStaff::DropTables() {
    m_staves.RemoveAll();
    m_staves.SetSize(InitialSlots);
    m_staves[0] = this;
    m_nStaffCount = 0;
    m_measures.RemoveAll();
    m_nLastMeasure = -1;
    m_nCursor = 0;
    m_endTime = MCTime::TimeZero();
}

// Children ---------------------------------------------------------------------------------

int ECConductorStaff::AddChild(ECBase* child, int sorted) {
    if (ECStaff::AddChild(child, sorted) == 0) {
        return 0;
    }
    if (child->IsKindOf(RUNTIME_CLASS(ECTempoEnv))) {
        m_pTempoEnv = static_cast<ECTempoEnv*>(child);
    } else if (child->IsKindOf(RUNTIME_CLASS(ECMeterEnv))) {
        m_pMeterEnv = static_cast<ECMeterEnv*>(child);
    }
    return 1;
}

int ECConductorStaff::RemoveChild(ECBase* child, int deep) {
    if (ECStaff::RemoveChild(child, deep) == 0) {
        return 0;
    }
    if (child == m_pTempoEnv) {
        m_pTempoEnv = nullptr;
    }
    if (child == m_pMeterEnv) {
        m_pMeterEnv = nullptr;
    }
    return 1;
}

int ECConductorStaff::RemoveChildren(int deep) {
    m_pTempoEnv = nullptr;
    m_pMeterEnv = nullptr;
    m_measures.RemoveAll();
    m_nLastMeasure = -1;
    m_nCursor = 0;
    m_endTime = MCTime::TimeZero();
    return ECStaff::RemoveChildren(deep);
}

// Staff table ------------------------------------------------------------------------------

int ECConductorStaff::GetStaffNumber(ECStaff* staff) const {
    if (staff == nullptr) {
        return -1;
    }
    for (int i = 0; i <= m_nStaffCount; ++i) {
        if (m_staves[i] == staff) {
            return i;
        }
    }
    return -1;
}

int ECConductorStaff::GetTrackOf(ECBase* element) const {
    const int track = element->GetTrack();
    if (track >= 0 && track <= m_nStaffCount) {
        return track;
    }
    for (ECBase* parent : *element->GetParents()) {
        if (parent->GetEventId() != EventId::Measure) {
            continue;
        }
        for (ECBase* holder : *parent->GetParents()) {
            const int number = holder->GetEventId() == EventId::Staff
                                   ? GetStaffNumber(static_cast<ECStaff*>(holder))
                                   : -1;
            if (number > 0) {
                return number;
            }
        }
    }
    return -1;
}

ECStaff* ECConductorStaff::GetStaff(int number, int create) {
    if (number >= 0 && number <= m_nStaffCount) {
        return m_staves[number];
    }
    if (create == 0 || number < 0 || number > MCVoiceTrack::HighestTrack) {
        return nullptr;
    }
    auto* staff = new ECStaff;
    staff->SetVoiceTrack(StructureVoice, number);
    // Held across the command: when it does not place the staff, releasing it deletes it.
    staff->Ref();
    MCStructureCommands::AddTrack(GetPerformance(), staff, -1);
    const bool placed = GetStaffNumber(staff) > 0;
    staff->Unref(1);
    return placed ? staff : nullptr;
}

void ECConductorStaff::Renumber(int above, int delta) {
    for (int i = 1; i <= m_nStaffCount; ++i) {
        ECStaff* staff = m_staves[i];
        const int track = staff->GetTrack();
        if (track != 0 && track > above) {
            ACSetVoiceTrack::MoveToTrack(staff, track + delta);
        }
    }
}

int ECConductorStaff::InsertStaff(ECStaff* staff, int number) {
    ECConductor* conductor = GetConductor();
    if (staff == nullptr || staff == this || conductor == nullptr || GetStaffNumber(staff) >= 0) {
        return -1;
    }
    if (number < 1 || number > m_nStaffCount + 1) {
        number = m_nStaffCount + 1;
    }
    // Everything that needs memory comes first, then the links that may fail (each taken
    // back when a later one does), and only then the changes that cannot fail: running out
    // of memory leaves the tables, the measure map and the staff as they were.
    ACFindEvents find;
    find.AddEvtType(EventId::Measure);
    find.SetDepth(1);
    if (find.Apply(staff) == ACBase::ResultAbort) {
        throw std::bad_alloc();
    }
    MCEventList* own = find.GetEvents();
    own->Sort();
    MCGroup group(m_group);
    group.InsertTrack(number, staff->GetStaffType() == 1 ? 1 : tag_group::KindPlaceholder);
    m_staves.Reserve(m_staves.GetSize() + 1);
    for (int i = 0; i <= m_nLastMeasure; ++i) {
        MeasureAt(i)->ReserveMeasureOnTrack();
    }
    conductor->ReserveTrackOrder(1);
    std::vector<clavenor::Ref<ECMeasure>> fresh;
    fresh.reserve(static_cast<std::size_t>(std::max(0, m_nLastMeasure + 1 - own->GetCount())));
    for (int i = own->GetCount(); i <= m_nLastMeasure; ++i) {
        fresh.emplace_back(new ECMeasure);
        fresh.back()->SetTime(MeasureAt(i)->GetTime());
        fresh.back()->SetVoiceTrack(StructureVoice, number);
    }
    std::size_t linked = 0;
    try {
        for (; linked < fresh.size(); ++linked) {
            Link(staff, fresh[linked].Get());
        }
        // Among the tracks outside the table for now; ordered again below.
        Link(conductor, staff);
    } catch (...) {
        while (linked > 0) {
            // Linked above, so not refused.
            (void)staff->UnlinkChild(fresh[--linked].Get());
        }
        throw;
    }

    Renumber(number - 1, 1);
    staff->SetVoiceTrack(StructureVoice, number);
    m_staves.InsertAt(number, staff);
    ++m_nStaffCount;
    POSITION next = own->GetHeadPosition();
    auto made = fresh.begin();
    for (int i = 0; i <= m_nLastMeasure; ++i) {
        ECConductorMeasure* column = MeasureAt(i);
        ECMeasure* measure =
            next != nullptr ? static_cast<ECMeasure*>(own->GetNext(next)) : (made++)->Get();
        measure->SetTime(column->GetTime());
        measure->SetVoiceTrack(StructureVoice, number);
        column->AddMeasureOnTrack(measure, number);
    }
    std::swap(m_group, group);
    conductor->OrderTracks(0);
    return number;
}

void ECConductorStaff::ForgetStaff(int number) {
    Renumber(number, -1);
    m_staves.RemoveAt(number);
    --m_nStaffCount;
    for (int i = m_nLastMeasure; i >= 0; --i) {
        MeasureAt(i)->RemoveMeasureOnTrack(number);
    }
    m_group.RemoveTrack(number);
}

void ECConductorStaff::RemoveStaff(ECStaff* staff) {
    const int number = GetStaffNumber(staff);
    if (number < 1) {
        return;
    }
    // The tables let go of the staff before the conductor does, which may release it.
    staff->Ref();
    ForgetStaff(number);
    if (ECConductor* conductor = GetConductor()) {
        // A staff that is no child of the conductor has no link to take back.
        (void)conductor->RemoveChild(staff, 0);
    }
    staff->Unref(1);
}

void ECConductorStaff::SwapStaves(int a, int b) {
    std::swap(m_staves[a], m_staves[b]);
    for (int i = 0; i <= m_nLastMeasure; ++i) {
        MeasureAt(i)->SwapMeasures(a, b);
    }
}

void ECConductorStaff::OrderStaves() {
    for (int i = 1; i <= m_nStaffCount; ++i) {
        for (int j = i + 1; j <= m_nStaffCount; ++j) {
            if (m_staves[j]->GetTrack() < m_staves[i]->GetTrack()) {
                SwapStaves(i, j);
            }
        }
    }
}

std::vector<ECStaff*> ECConductorStaff::GetStaffOrder() const {
    std::vector<ECStaff*> order;
    order.reserve(static_cast<std::size_t>(m_nStaffCount));
    for (int i = 1; i <= m_nStaffCount; ++i) {
        order.push_back(m_staves[i]);
    }
    return order;
}

bool ECConductorStaff::PutStaffOrder(const std::vector<ECStaff*>& order) {
    if (order.size() != static_cast<std::size_t>(m_nStaffCount)) {
        return false;
    }
    for (auto it = order.begin(); it != order.end(); ++it) {
        if (GetStaffNumber(*it) < 1 || std::find(order.begin(), it, *it) != it) {
            return false;
        }
    }
    for (int i = 1; i <= m_nStaffCount; ++i) {
        ECStaff* wanted = order[static_cast<std::size_t>(i - 1)];
        for (int j = i; j <= m_nStaffCount; ++j) {
            if (m_staves[j] == wanted) {
                if (j != i) {
                    SwapStaves(i, j);
                }
                break;
            }
        }
    }
    return true;
}

int ECConductorStaff::ReturnStaff(ECStaff* staff, int number, ECMeasure* const* measures,
                                  int count) {
    ECConductor* conductor = GetConductor();
    if (staff == nullptr || staff == this || conductor == nullptr || GetStaffNumber(staff) >= 0 ||
        staff->GetParents()->FindNearEnds(conductor) == nullptr || number < 1 ||
        number > m_nStaffCount + 1 || count != m_nLastMeasure + 1 ||
        (count > 0 && measures == nullptr)) {
        return 0;
    }
    for (int i = 0; i < count; ++i) {
        if (number > MeasureAt(i)->GetLastTrackIndex() + 1) {
            return 0;
        }
    }
    // The removal left the room, so these only look; were it gone, memory is taken here,
    // before the first change.
    try {
        m_staves.Reserve(m_staves.GetSize() + 1);
        for (int i = 0; i < count; ++i) {
            MeasureAt(i)->ReserveMeasureOnTrack();
        }
    } catch (const std::bad_alloc&) {
        return 0;
    }
    m_staves.InsertAt(number, staff);
    ++m_nStaffCount;
    for (int i = 0; i < count; ++i) {
        (void)MeasureAt(i)->AddMeasureOnTrack(measures[i], number);
    }
    return 1;
}

void ECConductorStaff::RebuildStaffCaches() {
    for (int i = 1; i <= m_nStaffCount; ++i) {
        m_staves[i]->RebuildCache();
    }
}

int ECConductorStaff::GroupStaves(int first, int last, int kind, int& group) {
    return m_group.GroupTracks(first, last, static_cast<std::uint8_t>(kind), group);
}

void ECConductorStaff::RemoveGroup(int group) { m_group.RemoveGroup(group); }

int ECConductorStaff::GetGroupInfo(int, int&, int&, int&) { return 1; }

// Measure map ------------------------------------------------------------------------------

int ECConductorStaff::FindMeasureIndex(const MCTime& time) {
    const int count = m_nLastMeasure + 1;
    if (count == 0) {
        return -1;
    }
    auto startsAfter = [&](int i) { return time < *MeasureAt(i)->GetTime(); };
    int i = std::clamp(m_nCursor, 0, count - 1);
    for (int step = 0; step < NearbySteps; ++step) {
        if (startsAfter(i)) {
            if (i == 0) {
                return -1;
            }
            --i;
        } else if (i + 1 < count && !startsAfter(i + 1)) {
            ++i;
        } else {
            return i;
        }
    }
    ECConductorMeasure* const* first = m_measures.GetData();
    ECConductorMeasure* const* after =
        std::upper_bound(first, first + count, time,
                         [](const MCTime& t, ECConductorMeasure* m) { return t < *m->GetTime(); });
    return static_cast<int>(after - first) - 1;
}

ECConductorMeasure* ECConductorStaff::GetConductorMeasureAtTime(const MCTime& time, int extend,
                                                                int count) {
    if (!IsMapTime(time) || time < MCTime::TimeZero()) {
        return nullptr;
    }
    if (time < m_endTime) {
        const int index = FindMeasureIndex(time);
        if (index < 0) {
            return nullptr;
        }
        m_nCursor = index;
        return MeasureAt(index);
    }
    if (extend == 0 || !(time < MCTime(FarthestExtension))) {
        return nullptr;
    }
    ECConductor* conductor = GetConductor();
    while (!(time < m_endTime)) {
        const MCTime before = m_endTime;
        ECMeter* meter = conductor != nullptr ? conductor->GetMeterAtTime(before) : nullptr;
        InsertMeasures(m_nLastMeasure + 1, std::max(count, 1), before, meter);
        if (!(before < m_endTime)) {
            return nullptr;
        }
    }
    m_nCursor = m_nLastMeasure;
    return GetConductorMeasureAtTime(time, 0, 1);
}

int ECConductorStaff::GetMeasureNumberAtTime(const MCTime& time) {
    if (!IsMapTime(time) || time < MCTime::TimeZero()) {
        return 0;
    }
    if (!(time < m_endTime)) {
        return m_nLastMeasure + 2;
    }
    ECConductorMeasure* measure = GetConductorMeasureAtTime(time, 0, 1);
    return measure != nullptr ? m_nCursor + 1 : 0;
}

int ECConductorStaff::GetMeasureNumberBeforeTime(const MCTime& time) {
    if (!IsMapTime(time) || time <= MCTime::TimeZero()) {
        return 0;
    }
    if (!(time < m_endTime)) {
        return m_nLastMeasure + 1;
    }
    ECConductorMeasure* measure = GetConductorMeasureAtTime(time, 0, 1);
    if (measure == nullptr) {
        return 0;
    }
    return *measure->GetTime() == time ? m_nCursor : m_nCursor + 1;
}

ECMeasure* ECConductorStaff::GetMeasure(int track, const MCTime& time, int extend, int count) {
    if (GetStaff(track, extend) == nullptr) {
        return nullptr;
    }
    ECConductorMeasure* column = GetConductorMeasureAtTime(time, extend, count);
    return column != nullptr ? column->GetMeasureOnTrack(track) : nullptr;
}

ECMeasure* ECConductorStaff::GetMeasure(int track, int number) {
    if (track < 0 || track > m_nStaffCount || number < 1 || number > m_nLastMeasure + 1) {
        return nullptr;
    }
    return MeasureAt(number - 1)->GetMeasureOnTrack(track);
}

int ECConductorStaff::GetMeasures(int track, const MCTime& start, const MCTime& end,
                                  MCEventList& measures) {
    if (!IsMapTime(start) || !(start < m_endTime)) {
        measures.RemoveAll();
        return 0;
    }
    return GetMeasures(track, GetMeasureNumberAtTime(start), GetMeasureNumberBeforeTime(end),
                       measures);
}

int ECConductorStaff::GetMeasures(int track, int first, int last, MCEventList& measures) {
    measures.RemoveAll();
    if (m_nLastMeasure < 0) {
        return 0;
    }
    const int from = static_cast<int>(std::clamp<long long>(first - 1LL, 0, m_nLastMeasure));
    const int to = static_cast<int>(std::clamp<long long>(last - 1LL, from, m_nLastMeasure));
    auto collect = [&](int t) {
        for (int i = from; i <= to; ++i) {
            ECMeasure* measure = MeasureAt(i)->GetMeasureOnTrack(t);
            if (measure != nullptr && measures.AddTail(measure) == nullptr) {
                throw std::bad_alloc();
            }
        }
    };
    if (track == AllTracks) {
        for (int t = 0; t <= m_nStaffCount; ++t) {
            collect(t);
        }
    } else {
        collect(track);
    }
    return measures.IsEmpty() ? 0 : 1;
}

float ECConductorStaff::MeasureLength(ECMeter* meter) const {
    return meter != nullptr ? meter->GetMeasureLength() : DefaultMeasureLength;
}

float ECConductorStaff::LengthAt(const MCTime& time) {
    ECConductor* conductor = GetConductor();
    return MeasureLength(conductor != nullptr ? conductor->GetMeterAtTime(time) : nullptr);
}

void ECConductorStaff::PlaceColumn(int index, ECConductorMeasure* measure, float length) {
    m_measures.InsertAt(index, measure);
    ++m_nLastMeasure;
    m_endTime += MCTime(length);
}

int ECConductorStaff::InsertMeasures(int index, int count, const MCTime& time, ECMeter* meter) {
    count = std::max(count, 0);
    if (index < 0 || index > m_nLastMeasure) {
        index = m_nLastMeasure + 1;
    }
    const float length = MeasureLength(meter);
    MCTime at = time;
    for (int pass = 0; pass < count; ++pass) {
        auto* column = new ECConductorMeasure(at);
        Link(this, column);
        PlaceColumn(index + pass, column, length);
        for (int t = 1; t <= m_nStaffCount; ++t) {
            auto* measure = new ECMeasure;
            measure->SetTime(&at);
            measure->SetVoiceTrack(StructureVoice, t);
            Link(m_staves[t], measure);
            column->AddMeasureOnTrack(measure, t);
        }
        at += MCTime(length);
    }
    m_nCursor = std::min(index + count, m_nLastMeasure);
    return 1;
}

int ECConductorStaff::InsertMeasures(int index, MCEventList& measures, const MCTime& time,
                                     ECMeter* meter) {
    if (index < 0 || index > m_nLastMeasure) {
        index = m_nLastMeasure + 1;
    }
    const float length = MeasureLength(meter);
    MCEventList pool;
    pool.AddTail(&measures);
    pool.Sort();
    int passes = 0;
    for (POSITION pos = pool.GetHeadPosition(); pos != nullptr;) {
        passes += pool.GetNext(pos)->GetEventId() == EventId::ConductorMeasure ? 1 : 0;
    }
    if (passes == 0) {
        return 0;
    }
    // Only staff measures are taken from the list, the first of each track in time order:
    // every column gets a new conductor measure.
    auto take = [&pool](int track) -> ECMeasure* {
        for (POSITION pos = pool.GetHeadPosition(); pos != nullptr;) {
            const POSITION at = pos;
            ECBase* element = pool.GetNext(pos);
            if (element->GetEventId() == EventId::Measure && element->GetTrack() == track &&
                element->IsKindOf(RUNTIME_CLASS(ECMeasure))) {
                // The list of the caller still holds it.
                auto* measure = static_cast<ECMeasure*>(element);
                pool.RemoveAt(at);
                return measure;
            }
        }
        return nullptr;
    };
    MCTime at = time;
    for (int pass = 0; pass < passes; ++pass) {
        auto* column = new ECConductorMeasure(at);
        Link(this, column);
        PlaceColumn(index + pass, column, length);
        for (int t = 1; t <= m_nStaffCount; ++t) {
            ECMeasure* measure = take(t);
            if (measure == nullptr) {
                measure = new ECMeasure;
            }
            measure->SetTime(&at);
            measure->SetVoiceTrack(StructureVoice, t);
            Link(m_staves[t], measure);
            column->AddMeasureOnTrack(measure, t);
        }
        at += MCTime(length);
    }
    m_nCursor = std::min(index + passes, m_nLastMeasure);
    return 1;
}

int ECConductorStaff::RemoveMeasures(int index, int count) {
    count = std::max(count, 0);
    if (index < 0 || index > m_nLastMeasure) {
        index = m_nLastMeasure - count;
    }
    for (long long k = count - 1LL; k >= 0; --k) {
        const long long position = index + k;
        if (position < 0 || position > m_nLastMeasure) {
            continue;
        }
        ECConductorMeasure* column = MeasureAt(static_cast<int>(position));
        const float length = LengthAt(*column->GetTime());
        for (int t = m_nStaffCount; t >= 1; --t) {
            column->RemoveMeasureOnTrack(t);
        }
        m_measures.RemoveAt(static_cast<int>(position));
        --m_nLastMeasure;
        m_endTime -= MCTime(length);
    }
    m_nCursor = static_cast<int>(
        std::min<long long>(index + static_cast<long long>(count), m_nLastMeasure));
    return 1;
}

ECConductorMeasure* ECConductorStaff::GetColumn(int index) const {
    return index >= 0 && index <= m_nLastMeasure ? MeasureAt(index) : nullptr;
}

ECConductorMeasure* ECConductorStaff::MakeColumn(const MCTime& time, MCEventList* pool,
                                                 MCEventList& made) {
    // A new element goes with a failure to hold it; one from the pool stays the pool's.
    auto hold = [&made](ECBase* element, bool fresh) {
        if (made.AddTail(element) == nullptr) {
            if (fresh) {
                delete element;
            }
            throw std::bad_alloc();
        }
    };
    auto* column = new ECConductorMeasure(time);
    hold(column, true);
    MCTime at = time;
    for (int t = 1; t <= m_nStaffCount; ++t) {
        ECMeasure* measure = nullptr;
        for (POSITION pos = pool != nullptr ? pool->GetHeadPosition() : nullptr; pos != nullptr;) {
            const POSITION here = pos;
            ECBase* element = pool->GetNext(pos);
            if (element->GetEventId() == EventId::Measure && element->GetTrack() == t &&
                element->IsKindOf(RUNTIME_CLASS(ECMeasure))) {
                measure = static_cast<ECMeasure*>(element);
                hold(measure, false);
                pool->RemoveAt(here);
                break;
            }
        }
        if (measure == nullptr) {
            measure = new ECMeasure;
            hold(measure, true);
        }
        measure->SetTime(&at);
        measure->SetVoiceTrack(StructureVoice, t);
        column->AddMeasureOnTrack(measure, t);
    }
    return column;
}

void ECConductorStaff::ReserveColumns(int count) {
    m_measures.Reserve(m_measures.GetSize() + std::max(count, 0));
}

void ECConductorStaff::InsertColumns(int index, ECConductorMeasure* const* columns, int count,
                                     const MCTime& end) {
    index = std::clamp(index, 0, m_nLastMeasure + 1);
    for (int i = 0; i < count; ++i) {
        m_measures.InsertAt(index + i, columns[i]);
    }
    m_nLastMeasure += std::max(count, 0);
    m_endTime = end;
    m_nCursor = std::min(index + std::max(count, 0), m_nLastMeasure);
}

void ECConductorStaff::RemoveColumns(int index, int count, const MCTime& end) {
    count = std::clamp(count, 0, std::max(m_nLastMeasure + 1 - index, 0));
    m_measures.RemoveAt(index, count);
    m_nLastMeasure -= count;
    m_endTime = end;
    m_nCursor = std::max(std::min(index, m_nLastMeasure), 0);
}

// Maps created on demand ---------------------------------------------------------------------

template <class Map>
Map* ECConductorStaff::MakeMap(Map*& map) {
    // A handler that asks for the map while the command runs gets no second one.
    if (map == nullptr && !m_bMakingMap) {
        auto* made = new Map;
        made->SetVoiceTrack(StructureVoice, 0);
        // Held across the command: when it does not add the map, releasing it deletes it, and
        // the lookup below finds none, which is this call's answer then.
        made->Ref();
        m_bMakingMap = true;
        (void)MCStructureCommands::AddChild(GetPerformance(), made, this);
        m_bMakingMap = false;
        made->Unref(1);
    }
    return map;
}

int ECConductorStaff::ReturnMap(ECBase* map) {
    if (map == nullptr || map->GetParents()->FindNearEnds(this) == nullptr) {
        return 0;
    }
    if (m_pTempoEnv == nullptr && map->IsKindOf(RUNTIME_CLASS(ECTempoEnv))) {
        m_pTempoEnv = static_cast<ECTempoEnv*>(map);
        return 1;
    }
    if (m_pMeterEnv == nullptr && map->IsKindOf(RUNTIME_CLASS(ECMeterEnv))) {
        m_pMeterEnv = static_cast<ECMeterEnv*>(map);
        return 1;
    }
    return 0;
}

ECTempoEnv* ECConductorStaff::GetTempoEnv() { return MakeMap(m_pTempoEnv); }

ECMeterEnv* ECConductorStaff::GetMeterEnv() { return MakeMap(m_pMeterEnv); }

} // namespace clavenor
