#include "clavenor/elements/ECEnvelope.h"

#include "clavenor/elements/ECPerformance.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

namespace clavenor {

IMPLEMENT_SERIAL(ECEnvelope, ECWithTimeChild, 2 | CRuntimeClass::VersionableSchema)

namespace {

constexpr float MaxFloat = std::numeric_limits<float>::max();
constexpr std::int32_t NoLastInt = 0x7FFFFFFF;
constexpr float DefaultMinDelta = 0.05f;
constexpr float SmallestMinDelta = 0.005f;
// The index grows geometrically from here, so that appending points stays linear.
constexpr std::size_t MinIndexCapacity = 16;
constexpr float SmallestStep = 0.002f;

// How far a query walks from the remembered position before it turns to the index: a few
// steps cost less than the cache misses of a binary search.
constexpr int NearbySteps = 8;

// Truncation toward zero, saturated at the 32-bit limits (0 for NaN), so that no value a
// document or a host supplies makes the conversion undefined.
std::int32_t Truncate(double v) {
    if (std::isnan(v)) {
        return 0;
    }
    if (v >= 2147483647.0) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (v <= -2147483648.0) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(v);
}

// r + 0.5 (r - 0.5 below zero) truncated, in double as the constant makes C compute it.
std::int32_t RoundHalfAway(float r) { return Truncate(r < 0 ? r - 0.5 : r + 0.5); }

bool IsFiniteScalar(const MCTime& t) {
    return t.GetMode() != MCTime::ModeBarPulseTick && std::isfinite(t.GetSeconds());
}

} // namespace

ECEnvelope::ECEnvelope()
    : m_fLowerLimit(-MaxFloat), m_fUpperLimit(MaxFloat), m_minDeltaTime(DefaultMinDelta),
      m_nLastInt(NoLastInt), m_fLastFloat(MaxFloat) {}

ECEnvelope::ECEnvelope(const ECEnvelope& other)
    : ECWithTimeChild(other), m_fDefaultValue(other.m_fDefaultValue),
      m_fLowerLimit(other.m_fLowerLimit), m_fUpperLimit(other.m_fUpperLimit),
      m_minDeltaTime(other.m_minDeltaTime), m_name(other.m_name), m_comment(other.m_comment),
      m_nLastInt(NoLastInt), m_fLastFloat(MaxFloat), m_nEnvFlags(other.m_nEnvFlags) {}

ECEnvelope::~ECEnvelope() {
    BeginDestruction();
    m_groups.clear();
}

ECEnvelope& ECEnvelope::operator=(const ECEnvelope& other) {
    if (this != &other) {
        ECWithTimeChild::operator=(other);
        m_fDefaultValue = other.m_fDefaultValue;
        m_fLowerLimit = other.m_fLowerLimit;
        m_fUpperLimit = other.m_fUpperLimit;
        m_minDeltaTime = other.m_minDeltaTime;
        m_name = other.m_name;
        m_comment = other.m_comment;
        m_nEnvFlags = other.m_nEnvFlags;
    }
    return *this;
}

void ECEnvelope::Serialize(CArchive& ar) {
    ECWithTimeChild::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_fDefaultValue << m_fLowerLimit << m_fUpperLimit << m_name << m_comment
           << m_nEnvFlags;
        m_minDeltaTime.Serialize(ar, -1);
        ar.WriteCount(static_cast<std::uint32_t>(m_groups.size()));
        for (const auto& group : m_groups) {
            ar.WriteObject(group.get());
        }
        return;
    }
    MCEventList* points = GetChildren();
    for (POSITION pos = points->GetHeadPosition(); pos != nullptr;) {
        if (!points->GetNext(pos)->IsKindOf(RUNTIME_CLASS(ECEnvPoint))) {
            throw CArchiveException(CArchiveException::badClass,
                                    "an envelope holds an element that is not a point");
        }
    }
    ar >> m_fDefaultValue >> m_fLowerLimit >> m_fUpperLimit >> m_name >> m_comment >> m_nEnvFlags;
    m_minDeltaTime.Serialize(ar, ECPerformance::GetActiveVersion());
    LoadAnchorGroups(ar);
    RepairLoadedPoints();
}

void ECEnvelope::LoadAnchorGroups(CArchive& ar) {
    m_groups.clear();
    for (std::uint32_t n = ar.ReadCount(); n > 0; --n) {
        const std::uint32_t registered = ar.GetMapCount();
        auto* object = static_cast<MCEventList*>(ar.ReadObject(RUNTIME_CLASS(MCEventList)));
        // A back-reference registers nothing: such a list was read (and is owned) elsewhere.
        if (object == nullptr || ar.GetMapCount() == registered) {
            continue;
        }
        // Kept even when it ends up empty: the archive may still hand out a back-reference
        // to it, which must not find it destroyed.
        m_groups.push_back(std::unique_ptr<MCEventList>(object));
        MCEventList* group = m_groups.back().get();
        // Members that are not points of this envelope are dropped: a group saved after its
        // point left the envelope names an element that loads apart from the document.
        for (POSITION pos = group->GetHeadPosition(); pos != nullptr;) {
            const POSITION at = pos;
            if (!IsOwnPoint(group->GetNext(pos))) {
                group->RemoveAt(at);
            }
        }
    }
}

void ECEnvelope::RepairLoadedPoints() {
    MCEventList* points = GetChildren();
    MCTime zero = MCTime::TimeZero();
    for (POSITION pos = points->GetHeadPosition(); pos != nullptr;) {
        ECBase* point = points->GetNext(pos);
        // A bar/pulse/tick time has no place among quarter notes (and would leave the
        // order to depend on the order read): such a point goes to zero as well.
        if (point->GetTime()->GetMode() == MCTime::ModeBarPulseTick || *point->GetTime() < zero) {
            point->SetTime(&zero);
        }
    }
    points->Sort();
    DropIndex();
    UpdateChildren();
}

ECBase* ECEnvelope::Copy(CObject* src) { return CopyAs(this, src); }

int ECEnvelope::GetEventId() const { return EventId::Envelope; }

int ECEnvelope::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::ConductorStaff);
    types.Add(EventId::Staff);
    types.Add(EventId::Track);
    types.Add(EventId::WaveTrack);
    return 1;
}

ECEnvPoint* ECEnvelope::PointAt(const MCEventList* list, POSITION pos) {
    return static_cast<ECEnvPoint*>(list->GetAt(pos));
}

bool ECEnvelope::IsOwnPoint(ECBase* element) {
    return element != nullptr && element->IsKindOf(RUNTIME_CLASS(ECEnvPoint)) &&
           element->GetParents()->Find(this) != nullptr;
}

int ECEnvelope::AddChild(ECBase* child, int) {
    if (child == nullptr || !child->IsKindOf(RUNTIME_CLASS(ECEnvPoint)) ||
        child->GetTime()->GetMode() == MCTime::ModeBarPulseTick ||
        child->GetParents()->Find(this) != nullptr) {
        return 0;
    }
    // Points are linked here rather than through AddChild, so the list is made here.
    MCEventList* points = ChildList();
    if (points == nullptr) {
        return 0;
    }
    MCTime* time = child->GetTime();
    if (*time < MCTime::TimeZero()) {
        MCTime zero = MCTime::TimeZero();
        child->SetTime(&zero);
    }
    // The usual case, a point after all others, needs no search: the list is sorted.
    POSITION next = nullptr;
    std::size_t index = static_cast<std::size_t>(points->GetCount());
    if (!points->IsEmpty() && !(*PointAt(points, points->GetTailPosition())->GetTime() < *time)) {
        if (EnsureIndex()) {
            index = Partition(Seek::AfterEqual, *time);
            next = index < m_nodes.size() ? m_nodes[index] : nullptr;
        } else {
            next = SeekNode(Seek::AfterEqual, *time);
            DropIndex();
        }
        if (next != nullptr && *PointAt(points, next)->GetTime() == *time) {
            return 0;
        }
    }
    // The index makes room before the list changes, so that lack of memory refuses the point
    // (0, nothing changed) instead of leaving it added and the index gone.
    if (m_bIndexValid && m_nodes.size() == m_nodes.capacity()) {
        try {
            m_nodes.reserve(std::max<std::size_t>(2 * m_nodes.size(), MinIndexCapacity));
        } catch (const std::bad_alloc&) {
            return 0;
        }
    }
    const POSITION pos =
        next != nullptr ? points->InsertBefore(next, child) : points->AddTail(child);
    if (pos == nullptr) {
        return 0;
    }
    if (child->AddParent(this) == 0) {
        // Take the node out again without letting the release destroy a point the caller
        // holds no reference on.
        child->Ref();
        points->RemoveAt(pos);
        child->Unref(0);
        return 0;
    }
    UpdateChildrenFlag();
    if (m_bIndexValid && index <= m_nodes.size() && m_nodes.size() < m_nodes.capacity() &&
        m_nodes.size() + 1 == static_cast<std::size_t>(points->GetCount())) {
        m_nodes.insert(m_nodes.begin() + static_cast<std::ptrdiff_t>(index), pos);
    } else {
        DropIndex();
    }
    UpdateChildren();
    return 1;
}

int ECEnvelope::RemoveChild(ECBase* child, int deep) {
    if (child == nullptr) {
        return 0;
    }
    const int index =
        child->IsKindOf(RUNTIME_CLASS(ECEnvPoint)) ? IndexOf(static_cast<ECEnvPoint*>(child)) : -1;
    if (index < 0) {
        // Not found through the index (or no index): the base removal searches the list.
        const int removed = ECWithChild::RemoveChild(child, deep);
        if (removed != 0) {
            DropIndex();
            UpdateChildren();
        }
        return removed;
    }
    MCEventList* points = GetChildren();
    // Detached as ECWithChild detaches a child; the point and this envelope are held across
    // it, since the removal may give back the last reference of either.
    Ref();
    child->Ref();
    if (deep != 0) {
        child->RemoveChildren(1);
    }
    // A point of this envelope lists it among its parents.
    (void)child->RemoveParent(this);
    points->RemoveAt(m_nodes[static_cast<std::size_t>(index)]);
    m_nodes.erase(m_nodes.begin() + index);
    child->Unref(1);
    UpdateChildrenFlag();
    UpdateChildren();
    Unref(0);
    return 1;
}

int ECEnvelope::UnlinkChild(ECBase* child) { return RemoveChild(child, 0); }

int ECEnvelope::RemoveChildren(int deep) {
    ECWithChild::RemoveChildren(deep);
    m_groups.clear();
    m_nodes.clear();
    m_bIndexValid = true;
    UpdateChildren();
    return 1;
}

void ECEnvelope::UpdateChildren() { m_posSearch = GetChildren()->GetHeadPosition(); }

void ECEnvelope::ChildrenRelinked() {
    DropIndex();
    UpdateChildren();
}

void ECEnvelope::SetLimits(float lower, float upper) {
    m_fLowerLimit = lower;
    m_fUpperLimit = upper;
}

void ECEnvelope::SetMinDeltaTime(const MCTime& time) {
    m_minDeltaTime = time;
    if (m_minDeltaTime < MCTime(SmallestMinDelta)) {
        m_minDeltaTime.SetSeconds(SmallestMinDelta);
    }
}

int ECEnvelope::IsEnabled() {
    return (m_nEnvFlags & FlagEnabled) != 0 && !GetChildren()->IsEmpty() ? 1 : 0;
}

void ECEnvelope::Enable(int enable) {
    m_nEnvFlags = enable != 0 ? (m_nEnvFlags | FlagEnabled) : (m_nEnvFlags & ~FlagEnabled);
}

void ECEnvelope::SetIntValued(int intValued) {
    const bool toInt = intValued != 0;
    if (toInt == (IntValued() != 0)) {
        return;
    }
    if (toInt) {
        m_nLastInt = Truncate(m_fLastFloat + 0.5);
        m_nEnvFlags |= FlagIntValued;
    } else {
        m_fLastFloat = static_cast<float>(m_nLastInt);
        m_nEnvFlags &= ~FlagIntValued;
    }
}

void ECEnvelope::Reset() {
    m_nCurStyle = ECEnvPoint::StyleStep;
    m_nLastInt = NoLastInt;
    m_fLastFloat = MaxFloat;
    m_lastEvalTime = MCTime::TimeZero();
    m_lastSampleEnd = MCTime::TimeZero();
}

// The index ----------------------------------------------------------------------------

bool ECEnvelope::EnsureIndex() {
    MCEventList* points = GetChildren();
    if (m_bIndexValid && m_nodes.size() == static_cast<std::size_t>(points->GetCount())) {
        return true;
    }
    try {
        m_nodes.clear();
        m_nodes.reserve(static_cast<std::size_t>(points->GetCount()));
        for (POSITION pos = points->GetHeadPosition(); pos != nullptr; points->GetNext(pos)) {
            m_nodes.push_back(pos);
        }
    } catch (const std::bad_alloc&) {
        DropIndex();
        return false;
    }
    m_bIndexValid = true;
    return true;
}

void ECEnvelope::DropIndex() {
    m_bIndexValid = false;
    std::vector<POSITION>().swap(m_nodes);
}

bool ECEnvelope::Qualifies(Seek mode, const MCTime& time, const MCTime& t) {
    switch (mode) {
    case Seek::Before:
        return time < t;
    case Seek::BeforeEqual:
        return time <= t;
    case Seek::AfterEqual:
        return time >= t;
    case Seek::After:
        return time > t;
    }
    return false;
}

std::size_t ECEnvelope::Partition(Seek mode, const MCTime& t) const {
    // The points that qualify for a before mode, and those that do not for an after mode,
    // are a prefix of the sorted points; find its length.
    const bool before = mode == Seek::Before || mode == Seek::BeforeEqual;
    const MCEventList* points = const_cast<ECEnvelope*>(this)->GetChildren();
    std::size_t lo = 0;
    std::size_t hi = m_nodes.size();
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (Qualifies(mode, *PointAt(points, m_nodes[mid])->GetTime(), t) == before) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    return lo;
}

int ECEnvelope::IndexOf(ECEnvPoint* point) {
    if (!EnsureIndex()) {
        return -1;
    }
    const MCEventList* points = GetChildren();
    const MCTime& time = *point->GetTime();
    for (std::size_t i = Partition(Seek::AfterEqual, time);
         i < m_nodes.size() && *PointAt(points, m_nodes[i])->GetTime() == time; ++i) {
        if (PointAt(points, m_nodes[i]) == point) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// Point queries ------------------------------------------------------------------------

POSITION ECEnvelope::SeekNode(Seek mode, const MCTime& t) {
    MCEventList* points = GetChildren();
    if (points->IsEmpty()) {
        m_posSearch = nullptr;
        return nullptr;
    }
    const POSITION head = points->GetHeadPosition();
    const POSITION tail = points->GetTailPosition();
    if (m_posSearch == nullptr) {
        m_posSearch = head;
    }
    auto qualifies = [&](POSITION pos) {
        return Qualifies(mode, *PointAt(points, pos)->GetTime(), t);
    };
    auto step = [&](POSITION pos, bool ahead) {
        if (ahead) {
            points->GetNext(pos);
        } else {
            points->GetPrev(pos);
        }
        return pos;
    };
    auto settle = [&](POSITION answer, POSITION rest) {
        m_posSearch = answer != nullptr ? answer : rest;
        return answer;
    };

    // The answer is the last qualifying point for the before modes and the first for the
    // after modes; which side of the remembered point it lies on follows from that point
    // and its neighbour.
    const bool before = mode == Seek::Before || mode == Seek::BeforeEqual;
    const POSITION c = m_posSearch;
    const bool cQualifies = qualifies(c);
    // Walk toward the answer (forward when it lies later than c): the first step settles a
    // query next to the last answer; after a few more the index takes over, or, without
    // one, the walk goes on to the end.
    const bool forward = before == cQualifies;
    POSITION at = c;
    for (int steps = 0;; ++steps) {
        if (steps == NearbySteps && EnsureIndex()) {
            const std::size_t k = Partition(mode, t);
            if (before) {
                return settle(k > 0 ? m_nodes[k - 1] : nullptr, head);
            }
            return settle(k < m_nodes.size() ? m_nodes[k] : nullptr, tail);
        }
        const POSITION next = step(at, forward);
        if (next == nullptr) {
            // At the end the walk would leave: `at` itself, or no point at all.
            return settle(cQualifies ? at : nullptr, at);
        }
        if (qualifies(next) != cQualifies) {
            // The boundary lies between `at` and `next`.
            return settle(cQualifies ? at : next, at);
        }
        at = next;
    }
}

ECEnvPoint* ECEnvelope::SeekPoint(Seek mode, const MCTime& t) {
    const POSITION pos = SeekNode(mode, t);
    return pos != nullptr ? PointAt(GetChildren(), pos) : nullptr;
}

ECEnvPoint* ECEnvelope::GetPointBefore(const MCTime& t) { return SeekPoint(Seek::Before, t); }

ECEnvPoint* ECEnvelope::GetPointBeforeEqual(const MCTime& t) {
    return SeekPoint(Seek::BeforeEqual, t);
}

ECEnvPoint* ECEnvelope::GetPointAt(const MCTime& t) {
    ECEnvPoint* point = SeekPoint(Seek::AfterEqual, t);
    return point != nullptr && *point->GetTime() == t ? point : nullptr;
}

ECEnvPoint* ECEnvelope::GetPointAfterEqual(const MCTime& t) {
    return SeekPoint(Seek::AfterEqual, t);
}

ECEnvPoint* ECEnvelope::GetPointAfter(const MCTime& t) { return SeekPoint(Seek::After, t); }

int ECEnvelope::SeekIndex(Seek mode, const MCTime& t) {
    MCEventList* points = GetChildren();
    if (points->IsEmpty()) {
        return -1;
    }
    if (EnsureIndex()) {
        const bool before = mode == Seek::Before || mode == Seek::BeforeEqual;
        const std::size_t k = Partition(mode, t);
        const std::size_t answer = before ? k - 1 : k;
        if (answer >= m_nodes.size()) { // k - 1 wraps for k = 0
            m_posSearch = before ? points->GetHeadPosition() : points->GetTailPosition();
            return -1;
        }
        m_posSearch = m_nodes[answer];
        return static_cast<int>(answer);
    }
    const POSITION found = SeekNode(mode, t);
    int index = 0;
    for (POSITION pos = points->GetHeadPosition(); pos != nullptr; points->GetNext(pos), ++index) {
        if (pos == found) {
            return index;
        }
    }
    return -1;
}

int ECEnvelope::GetIndexBefore(const MCTime& t) { return SeekIndex(Seek::Before, t); }

int ECEnvelope::GetIndexBeforeEqual(const MCTime& t) { return SeekIndex(Seek::BeforeEqual, t); }

int ECEnvelope::GetIndexAt(const MCTime&) { return -1; }

int ECEnvelope::GetIndexAfterEqual(const MCTime& t) { return SeekIndex(Seek::AfterEqual, t); }

int ECEnvelope::GetIndexAfter(const MCTime& t) { return SeekIndex(Seek::After, t); }

ECEnvPoint* ECEnvelope::GetPointAtIndex(int index) {
    MCEventList* points = GetChildren();
    if (index < 0 || index >= points->GetCount()) {
        return nullptr;
    }
    if (EnsureIndex()) {
        return PointAt(points, m_nodes[static_cast<std::size_t>(index)]);
    }
    return static_cast<ECEnvPoint*>(points->GetAt(points->FindIndex(index)));
}

int ECEnvelope::GetIndexForPoint(ECEnvPoint* point) {
    if (point == nullptr) {
        return -1;
    }
    const int index = IndexOf(point);
    if (index >= 0) {
        m_posSearch = m_nodes[static_cast<std::size_t>(index)];
        return index;
    }
    // Without an index (or with a point whose time was changed in place) walk the list.
    MCEventList* points = GetChildren();
    int i = 0;
    for (POSITION pos = points->GetHeadPosition(); pos != nullptr; ++i) {
        const POSITION at = pos;
        if (points->GetNext(pos) == point) {
            m_posSearch = at;
            return i;
        }
    }
    return -1;
}

int ECEnvelope::IsEndPoint(ECEnvPoint* point) {
    MCEventList* points = GetChildren();
    return point != nullptr && !points->IsEmpty() &&
                   (points->GetHead() == point || points->GetTail() == point)
               ? 1
               : 0;
}

int ECEnvelope::CollectRange(const MCTime& from, const MCTime& to, MCEventList& found,
                             int (ECEnvPoint::*filter)() const) {
    MCEventList* points = GetChildren();
    POSITION pos = SeekNode(Seek::AfterEqual, from);
    POSITION last = nullptr;
    int appended = 0;
    while (pos != nullptr) {
        ECEnvPoint* point = PointAt(points, pos);
        if (!(*point->GetTime() < to)) {
            break;
        }
        if (filter == nullptr || (point->*filter)() != 0) {
            if (found.AddTail(point) == nullptr) {
                // A part of the answer would read as the whole of it: give back what this
                // call appended (the envelope still holds each point, so none goes).
                for (; appended > 0; --appended) {
                    found.RemoveTail();
                }
                throw std::bad_alloc();
            }
            ++appended;
        }
        last = pos;
        points->GetNext(pos);
    }
    if (last != nullptr) {
        m_posSearch = last;
    }
    return appended > 0 ? 1 : 0;
}

int ECEnvelope::GetPointsInRange(const MCTime& from, const MCTime& to, MCEventList& points) {
    return CollectRange(from, to, points, nullptr);
}

int ECEnvelope::GetAnchorPointsInRange(const MCTime& from, const MCTime& to, MCEventList& points) {
    return CollectRange(from, to, points, &ECEnvPoint::IsAnchor);
}

int ECEnvelope::GetAnchorHeadPointsInRange(const MCTime& from, const MCTime& to,
                                           MCEventList& points) {
    return CollectRange(from, to, points, &ECEnvPoint::IsAnchorHead);
}

// Anchor groups ------------------------------------------------------------------------

MCEventList* ECEnvelope::GetAnchorGroup(ECEnvPoint* point) {
    for (const auto& group : m_groups) {
        if (group->Find(point) != nullptr) {
            return group.get();
        }
    }
    return nullptr;
}

MCEventList* ECEnvelope::AddAnchorGroup(MCEventList* points) {
    if (points == nullptr || points->IsEmpty()) {
        return nullptr;
    }
    for (POSITION pos = points->GetHeadPosition(); pos != nullptr;) {
        if (!IsOwnPoint(points->GetNext(pos))) {
            return nullptr;
        }
    }
    try {
        auto group = std::make_unique<MCEventList>();
        for (POSITION pos = points->GetHeadPosition(); pos != nullptr;) {
            if (group->AddTail(points->GetNext(pos)) == nullptr) {
                return nullptr;
            }
        }
        m_groups.push_back(std::move(group));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return m_groups.back().get();
}

int ECEnvelope::RemoveAnchorGroup(MCEventList* group) {
    const auto it = std::find_if(m_groups.begin(), m_groups.end(),
                                 [group](const auto& owned) { return owned.get() == group; });
    if (it == m_groups.end()) {
        return 0;
    }
    m_groups.erase(it);
    return 1;
}

MCEventList* ECEnvelope::GetAnchorGroupAt(int index) const {
    return index >= 0 && index < GetAnchorGroupCount()
               ? m_groups[static_cast<std::size_t>(index)].get()
               : nullptr;
}

std::unique_ptr<MCEventList> ECEnvelope::DetachAnchorGroup(MCEventList* group, int& index) {
    const auto it = std::find_if(m_groups.begin(), m_groups.end(),
                                 [group](const auto& owned) { return owned.get() == group; });
    if (it == m_groups.end()) {
        return nullptr;
    }
    index = static_cast<int>(it - m_groups.begin());
    std::unique_ptr<MCEventList> detached = std::move(*it);
    m_groups.erase(it);
    return detached;
}

int ECEnvelope::InsertAnchorGroup(int index, std::unique_ptr<MCEventList>& group) {
    if (group == nullptr) {
        return 0;
    }
    const auto at = static_cast<std::ptrdiff_t>(
        std::min(static_cast<std::size_t>(std::max(index, 0)), m_groups.size()));
    try {
        m_groups.insert(m_groups.begin() + at, nullptr);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    m_groups[static_cast<std::size_t>(at)] = std::move(group);
    return 1;
}

// Evaluation ---------------------------------------------------------------------------

int ECEnvelope::Finish(float& value, const MCTime& t, ECEnvPoint* point, int clamp) {
    if (clamp != 0) {
        value = std::min(m_fUpperLimit, std::max(m_fLowerLimit, value));
    }
    int changed = 0;
    if (IntValued() == 0) {
        changed = value != m_fLastFloat ? 1 : 0;
        m_fLastFloat = value;
    } else {
        const std::int32_t rounded = RoundHalfAway(value);
        changed = rounded != m_nLastInt ? 1 : 0;
        m_nLastInt = rounded;
        value = static_cast<float>(rounded);
    }
    m_lastEvalTime = t;
    if (point != nullptr) {
        m_nCurStyle = point->GetStyle();
    }
    return changed;
}

int ECEnvelope::GetValue(const MCTime& t, float& value, int clamp) {
    MCEventList* points = GetChildren();
    POSITION pos = SeekNode(Seek::BeforeEqual, t);
    if (pos == nullptr) {
        value = m_fDefaultValue;
        return Finish(value, t, nullptr, clamp);
    }
    ECEnvPoint* point = PointAt(points, pos);
    value = point->GetValue();
    if (point->GetStyle() == ECEnvPoint::StyleLinear && *point->GetTime() != t) {
        // The points are sorted, so the node after the last point at or before t holds the
        // first point after t.
        points->GetNext(pos);
        if (pos != nullptr) {
            ECEnvPoint* next = PointAt(points, pos);
            const float d = next->GetValue() - point->GetValue();
            const float start = point->GetTime()->GetSeconds();
            const float span = next->GetTime()->GetSeconds() - start;
            const bool holds = IntValued() != 0 && std::fabs(d) < 1.0f;
            if (!holds && d != 0 && span > 0) {
                value = point->GetValue() + d / span * (t.GetSeconds() - start);
            }
        }
    }
    return Finish(value, t, point, clamp);
}

int ECEnvelope::GetValue(ECEnvPoint* point, float& value, int clamp) {
    if (point == nullptr) {
        value = m_fDefaultValue;
        return Finish(value, m_lastEvalTime, nullptr, clamp);
    }
    value = point->GetValue();
    return Finish(value, *point->GetTime(), point, clamp);
}

int ECEnvelope::GetValues(const MCTime& from, const MCTime& to, float resolution,
                          CArray<EVALUE>& values, int clamp) {
    if (!IsFiniteScalar(from) || !IsFiniteScalar(to)) {
        return 0;
    }
    // Sampling moves the evaluation cache record by record; a block cut short by lack of
    // memory must leave it (and `values`) as they were, or the player's retry would start
    // from a value it never received and miss the change to it.
    const int size = values.GetSize();
    const int style = m_nCurStyle;
    const std::int32_t lastInt = m_nLastInt;
    const float lastFloat = m_fLastFloat;
    const MCTime lastEval = m_lastEvalTime;
    const MCTime lastSampleEnd = m_lastSampleEnd;
    const POSITION position = m_posSearch;
    try {
        return SampleValues(from, to, resolution, values, clamp);
    } catch (const std::bad_alloc&) {
        values.SetSize(size);
        m_nCurStyle = style;
        m_nLastInt = lastInt;
        m_fLastFloat = lastFloat;
        m_lastEvalTime = lastEval;
        m_lastSampleEnd = lastSampleEnd;
        m_posSearch = position;
        throw;
    }
}

int ECEnvelope::SampleValues(const MCTime& from, const MCTime& to, float resolution,
                             CArray<EVALUE>& values, int clamp) {
    float step = m_minDeltaTime.GetMode() == MCTime::ModeBarPulseTick
                     ? 0.0f
                     : resolution * m_minDeltaTime.GetSeconds();
    if (!(step > SmallestStep)) {
        step = SmallestStep;
    }
    MCEventList range;
    GetPointsInRange(from, to, range);
    POSITION next = range.GetHeadPosition();
    auto emit = [&](int changed, const MCTime& at, float value) {
        if (changed != 0) {
            values.Add(EVALUE{at, value});
        }
    };
    float value = 0.0f;

    if (m_lastSampleEnd != from && m_lastEvalTime != from) {
        // A jump: start from the value in force at `from`, unless a point lies right there.
        m_lastEvalTime = from;
        const bool pointAtFrom = next != nullptr && *PointAt(&range, next)->GetTime() <= from;
        if (!pointAtFrom) {
            if (ECEnvPoint* before = GetPointBefore(from)) {
                m_nCurStyle = before->GetStyle();
                if (m_nCurStyle == ECEnvPoint::StyleStep) {
                    const int changed = GetValue(before, value, clamp);
                    emit(changed, from, value);
                }
            }
        }
    }

    const float end = to.GetSeconds();
    float c =
        m_lastEvalTime.GetMode() == MCTime::ModeBarPulseTick ? 0.0f : m_lastEvalTime.GetSeconds();
    while (c < end) {
        ECEnvPoint* pending = next != nullptr ? PointAt(&range, next) : nullptr;
        if (m_nCurStyle != ECEnvPoint::StyleStep) {
            float stepped = c + step;
            if (!(stepped > c)) {
                // The step no longer moves a float this large: go to the next point, or to
                // the end, rather than loop in place.
                stepped = pending != nullptr ? std::numeric_limits<float>::infinity() : end;
            }
            if (pending != nullptr && stepped >= pending->GetTime()->GetSeconds()) {
                range.GetNext(next);
                c = pending->GetTime()->GetSeconds();
                const int changed = GetValue(pending, value, clamp);
                emit(changed, *pending->GetTime(), value);
            } else if (!(stepped < end)) {
                // A step at or past the end belongs to the next block, whose points may come
                // first: leave it to the next call, which starts from here.
                break;
            } else {
                c = stepped;
                const MCTime at(c);
                const int changed = GetValue(at, value, clamp);
                emit(changed, at, value);
            }
        } else if (pending != nullptr) {
            range.GetNext(next);
            c = pending->GetTime()->GetSeconds();
            const int changed = GetValue(pending, value, clamp);
            emit(changed, *pending->GetTime(), value);
        } else {
            c = end;
        }
    }
    m_lastSampleEnd = to;
    return values.IsEmpty() ? 0 : 1;
}

} // namespace clavenor
