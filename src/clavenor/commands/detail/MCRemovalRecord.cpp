#include "clavenor/commands/detail/MCRemovalRecord.h"

#include "clavenor/caches/MCGroup.h"
#include "clavenor/caches/MCStaffCache.h"
#include "clavenor/commands/detail/MCEditRun.h"
#include "clavenor/commands/detail/MCSpareLinks.h"
#include "clavenor/elements/ECConductor.h"
#include "clavenor/elements/ECConductorStaff.h"
#include "clavenor/elements/ECEnvelope.h"
#include "clavenor/elements/ECGroup.h"
#include "clavenor/elements/ECMeasure.h"
#include "clavenor/elements/ECMeterEnv.h"
#include "clavenor/elements/ECStaff.h"
#include "clavenor/elements/ECTempoEnv.h"
#include "clavenor/elements/ECWaveTrack.h"
#include "clavenor/model/ECWithChild.h"
#include "clavenor/model/EventRegistry.h"

#include <algorithm>
#include <utility>

namespace clavenor {

namespace {

bool IsContainer(ECBase* element) {
    const int id = element->GetEventId();
    return id == EventId::Chord || id == EventId::Tuplet;
}

bool IsGroup(ECBase* element) { return ECGroup::AsGroup(element) != nullptr; }

bool IsEnvelope(ECBase* parent) {
    switch (parent->GetEventId()) {
    case EventId::Envelope:
    case EventId::ChanPressureEnv:
    case EventId::ControllerEnv:
    case EventId::MeterEnv:
    case EventId::NRPNEnv:
    case EventId::PatchEnv:
    case EventId::PitchBendEnv:
    case EventId::PolyPressureEnv:
    case EventId::RPNEnv:
    case EventId::TempoEnv:
        return true;
    default:
        return false;
    }
}

// Whether `parent` keeps nothing over its children but the list, or only what it computes
// from the list again, so that a link parked and put back with spare nodes leaves it as its
// own AddChild would: a measure (a conductor measure too), a chord, a tuplet, a note, a
// track, an envelope of any kind (the record has the tempo and meter maps compute their clock
// and bar times again, see Reorder), and a staff, whose clef and key cache the record puts
// back whole (see TouchedStaff). The conductor and its staff file their children in tables
// of their own.
bool HoldsPlainly(ECBase* parent) {
    switch (parent->GetEventId()) {
    case EventId::Measure:
    case EventId::ConductorMeasure:
    case EventId::Chord:
    case EventId::Tuplet:
    case EventId::Note:
    case EventId::Staff:
    case EventId::Track:
    case EventId::WaveTrack:
        return true;
    default:
        return IsEnvelope(parent);
    }
}

// Whether `parent` files `element` in no table but one the record puts back: a wave track, a
// staff or a plain track of the conductor (the wave-track numbers, see Renumber; the staff
// tables, see Restaff), the tempo or meter map and the measures of the conductor staff.
bool HoldsTrackPlainly(ECBase* parent, ECBase* element) {
    const int id = element->GetEventId();
    switch (parent->GetEventId()) {
    case EventId::Conductor:
        return id == EventId::WaveTrack || id == EventId::Staff || id == EventId::Track;
    case EventId::ConductorStaff:
        // The staff only names its maps, which Reorder names again (ReturnMap); its measure
        // map keeps naming a measure that leaves (see ECConductorStaff).
        return id == EventId::TempoEnv || id == EventId::MeterEnv ||
               id == EventId::ConductorMeasure;
    default:
        return false;
    }
}

// The staff whose clef and key cache removing `element` from `parent` changes, or null: a
// clef or key leaves the cache of the staff tracking its parent, and a measure with clefs or
// keys takes them out of its staff's (ECStaff::RemoveChild). Asked of every removal, so the
// event ids come first.
ECStaff* TouchedStaff(ECBase* element, ECBase* parent) {
    const int id = element->GetEventId();
    if (MCStaffCache::IsCacheEvent(element) != 0) {
        const int above = parent->GetEventId();
        return above == EventId::Measure || above == EventId::ConductorMeasure ||
                       above == EventId::Staff || above == EventId::ConductorStaff
                   ? ECStaff::TrackingStaff(parent)
                   : nullptr;
    }
    if (id != EventId::Measure && id != EventId::ConductorMeasure) {
        return nullptr;
    }
    auto* staff = dynamic_cast<ECStaff*>(parent);
    if (staff == nullptr) {
        return nullptr;
    }
    for (ECBase* child : *element->GetChildren()) {
        if (MCStaffCache::IsCacheEvent(child) != 0) {
            return staff;
        }
    }
    return nullptr;
}

// Finds, through the envelope's index rather than a walk of a list that may be long, the
// point that stands before `point` among the points of `envelope` (null: at the head). False
// when `point` is not one of them.
bool PointBefore(ECEnvelope* envelope, ECEnvPoint* point, ECBase*& before) {
    const int index = envelope->GetIndexForPoint(point);
    before = index > 0 ? envelope->GetPointAtIndex(index - 1) : nullptr;
    return index >= 0;
}

std::uint32_t Narrow(std::size_t value) { return static_cast<std::uint32_t>(value); }

// The conductor staff whose staff table numbers `element`, a staff, with its number; null
// when none does. Found among the conductor's children, since asking the conductor would
// make a conductor staff.
ECConductorStaff* StaffTableOf(ECBase* element, int& number) {
    auto* staff = dynamic_cast<ECStaff*>(element);
    for (ECBase* parent : *element->GetParents()) {
        ECConductorStaff* table = parent->GetEventId() == EventId::Conductor
                                      ? MCEditRun::FindConductorStaff(parent)
                                      : nullptr;
        number = table != nullptr ? table->GetStaffNumber(staff) : -1;
        if (number > 0) {
            return table;
        }
    }
    return nullptr;
}

} // namespace

MCRemovalRecord::MCRemovalRecord() = default;

MCRemovalRecord::~MCRemovalRecord() { Clear(); }

bool MCRemovalRecord::Qualifies(ECBase* element) {
    // Event ids first: most removals are of plain notes in measures, and a long one asks
    // this of every element.
    for (ECBase* parent : *element->GetParents()) {
        if (!HoldsPlainly(parent) && !IsGroup(parent) && !HoldsTrackPlainly(parent, element)) {
            return false;
        }
    }
    return !IsGroup(element);
}

bool MCRemovalRecord::Gather(ECBase* element, std::vector<Focus>& focus, bool bounded,
                             Verdicts* batch) {
    const std::size_t first = focus.size();
    auto add = [&](ECBase* added, bool container) {
        for (std::size_t i = first; i < focus.size(); ++i) {
            if (focus[i].element == added) {
                focus[i].container = focus[i].container || container;
                return true;
            }
        }
        if (bounded && focus.size() == focus.capacity()) {
            return false;
        }
        focus.push_back(Focus{added, container, IsGroup(added), 0, 0, 0, 0});
        return true;
    };
    if (!add(element, IsContainer(element))) {
        return false;
    }
    // The element leaves its parents, and so may each chord or tuplet it leaves (one that
    // loses its last note or member); a leaving chord or tuplet takes its members apart.
    for (std::size_t i = first; i < focus.size(); ++i) {
        ECBase* at = focus[i].element;
        const bool container = focus[i].container;
        if (i == first || container) {
            for (ECBase* parent : *at->GetParents()) {
                const bool dissolves = IsContainer(parent);
                if (dissolves && !add(parent, true)) {
                    return false;
                }
            }
        }
        if (container) {
            // A chord that dissolves removes its marks deeply, taking apart everything below
            // them: a mark with children is recorded whole, and so on down.
            const int id = at->GetEventId();
            for (ECBase* child : *at->GetChildren()) {
                const MCEventList* below = child->GetChildren();
                const bool torn = id != EventId::Tuplet &&
                                  (id != EventId::Chord || child->GetEventId() != EventId::Note) &&
                                  below != nullptr && !below->IsEmpty();
                if (!add(child, torn)) {
                    return false;
                }
            }
        }
    }
    // A group that the element, or a chord or tuplet it takes apart, leaves may let go of
    // its members and leave its own parents: such a group's lists are recorded whole for
    // their order. One that surely keeps the others is only a place among them (Neighbour),
    // so that leaving a long slur costs the same as leaving a short one.
    const std::size_t gathered = focus.size();
    for (std::size_t i = first; i < gathered; ++i) {
        if (i != first && !focus[i].container) {
            continue;
        }
        for (ECBase* parent : *focus[i].element->GetParents()) {
            if (!IsGroup(parent)) {
                continue;
            }
            // IsGroup said so.
            const auto* group = static_cast<const ECGroup*>(parent);
            bool keeps = false;
            if (batch == nullptr) {
                // Whatever else the removal takes apart may leave the group too.
                keeps = group->KeepsMembersWithout(focus[i].element, gathered - first - 1);
            } else {
                // Over the whole batch, as any of its elements may leave the group before
                // this one; asked once a group, so a long batch does not ask it each time.
                const auto [at, fresh] = batch->verdicts.try_emplace(parent, false);
                if (fresh) {
                    at->second = group->KeepsMembersWithout(nullptr, batch->leaving);
                }
                keeps = at->second;
            }
            if (!keeps && !add(parent, false)) {
                return false;
            }
        }
    }
    return true;
}

MCRemovalRecord::Room MCRemovalRecord::Measure(const std::vector<Focus>& focus, std::size_t first) {
    Room room;
    for (std::size_t i = first; i < focus.size(); ++i) {
        ECBase* element = focus[i].element;
        const auto parents = static_cast<std::size_t>(element->GetParents()->GetCount());
        const MCEventList* children = element->GetChildren();
        ++room.focus;
        room.neighbours += parents;
        room.links += parents;
        room.links += children != nullptr ? static_cast<std::size_t>(children->GetCount()) : 0;
        if (focus[i].group) {
            continue;
        }
        // Relink links with spare nodes only what does not involve a group.
        for (ECBase* parent : *element->GetParents()) {
            room.spares += IsGroup(parent) ? 0 : 1;
        }
        if (children != nullptr) {
            for (ECBase* child : *children) {
                room.spares += IsGroup(child) ? 0 : 1;
            }
        }
    }
    return room;
}

void MCRemovalRecord::Reserve(const std::vector<ECBase*>& elements) {
    Clear();
    Room total;
    std::vector<Focus> scratch;
    // First what the removals take apart, which bounds how many members any group can lose
    // to the batch; then each measured with the groups that may let go.
    Verdicts batch;
    for (ECBase* element : elements) {
        if (element != nullptr && Qualifies(element)) {
            scratch.clear();
            Gather(element, scratch, false, &batch);
            batch.leaving += scratch.size();
        }
    }
    batch.verdicts.clear();
    for (ECBase* element : elements) {
        if (element == nullptr || !Qualifies(element)) {
            continue;
        }
        scratch.clear();
        Gather(element, scratch, false, &batch);
        const Room room = Measure(scratch, 0);
        total.focus += room.focus;
        total.links += room.links;
        total.neighbours += room.neighbours;
        total.spares += room.spares;
    }
    if (total.focus == 0) {
        return;
    }
    try {
        m_removals.resize(elements.size());
        std::size_t entries = 0;
        std::size_t staves = 0;
        std::size_t staffMeasures = 0;
        int firstStaff = 0;
        for (std::size_t i = 0; i < elements.size(); ++i) {
            ECBase* element = elements[i];
            if (element == nullptr) {
                continue;
            }
            const int id = element->GetEventId();
            const bool candidate =
                Qualifies(element) &&
                (id != EventId::Staff || TakesStaff(element, staves, staffMeasures, firstStaff));
            m_removals[i].candidate = candidate;
            if (candidate && (id == EventId::Tempo || id == EventId::WaveTrack)) {
                entries += static_cast<std::size_t>(element->GetParents()->GetCount());
            }
            if (id == EventId::Clef || id == EventId::Key || id == EventId::Measure ||
                id == EventId::ConductorMeasure) {
                m_cachesExact = CopyCaches(element, candidate) && m_cachesExact;
            }
        }
        // A tempo mark may move the next one, a wave track leave its number, in each parent.
        m_retimes.reserve(entries);
        m_renumbers.reserve(entries);
        m_restaffs.reserve(staves);
        m_staffMeasures.reserve(staffMeasures);
        if (staves > 0) {
            m_pGroupBefore = std::make_unique<MCGroup>(m_pStaffTable->GetGroup());
            m_wordsBefore.KeepStavesFrom(m_pStaffTable, firstStaff);
        }
        m_focus.reserve(total.focus);
        m_links.reserve(total.links);
        m_neighbours.reserve(total.neighbours);
        MCSpareLinks::Reserve(m_spares, total.spares);
    } catch (...) {
        Clear();
        throw;
    }
}

bool MCRemovalRecord::TakesStaff(ECBase* element, std::size_t& staves, std::size_t& measures,
                                 int& first) {
    int number = 0;
    ECConductorStaff* table = StaffTableOf(element, number);
    if (table == nullptr) {
        return true; // a plain child of the conductor, which only the list holds
    }
    if (m_pStaffTable == nullptr) {
        table->Ref();
        m_pStaffTable = table;
    }
    if (table != m_pStaffTable) {
        return false;
    }
    ++staves;
    measures += static_cast<std::size_t>(table->GetMaxMeasureNumber());
    first = first == 0 ? number : std::min(first, number);
    return true;
}

bool MCRemovalRecord::CopyCaches(ECBase* element, bool qualifies) {
    bool exact = true;
    for (ECBase* parent : *element->GetParents()) {
        ECStaff* staff = TouchedStaff(element, parent);
        if (staff == nullptr) {
            continue;
        }
        exact = exact && qualifies;
        bool copied = false;
        for (const CacheCopy& copy : m_caches) {
            copied = copied || copy.staff == staff;
        }
        if (!copied && qualifies) {
            // Room first, so that a copy made is never lost to a failing push.
            m_caches.reserve(m_caches.size() + 1);
            m_caches.push_back(CacheCopy{staff, staff->GetCache()->Clone()});
            staff->Ref();
        }
    }
    return exact;
}

void MCRemovalRecord::Take(std::size_t index, ECBase* element) {
    if (index >= m_removals.size() || element == nullptr || !m_removals[index].candidate) {
        return;
    }
    const std::size_t firstFocus = m_focus.size();
    // A removal left unrecorded comes back through its parent's AddChild, which caches a
    // clef or key in the cache as it is then: the copies no longer tell the whole story.
    if (!Gather(element, m_focus, true, nullptr)) {
        m_focus.erase(m_focus.begin() + static_cast<std::ptrdiff_t>(firstFocus), m_focus.end());
        m_cachesExact = false;
        return;
    }
    const Room room = Measure(m_focus, firstFocus);
    if (m_links.size() + room.links > m_links.capacity() ||
        m_neighbours.size() + room.neighbours > m_neighbours.capacity()) {
        m_focus.erase(m_focus.begin() + static_cast<std::ptrdiff_t>(firstFocus), m_focus.end());
        m_cachesExact = false;
        return;
    }
    // From here on, every push stays within the room checked above.
    Removal& removal = m_removals[index];
    removal.firstFocus = Narrow(firstFocus);
    removal.firstNeighbour = Narrow(m_neighbours.size());
    for (std::size_t i = firstFocus; i < m_focus.size(); ++i) {
        Focus& focus = m_focus[i];
        focus.element->Ref();
        focus.firstParent = Narrow(m_links.size());
        for (ECBase* parent : *focus.element->GetParents()) {
            parent->Ref();
            m_links.push_back(parent);
        }
        focus.parentCount = Narrow(m_links.size()) - focus.firstParent;
        focus.firstChild = Narrow(m_links.size());
        if (MCEventList* children = focus.element->GetChildren()) {
            for (ECBase* child : *children) {
                child->Ref();
                m_links.push_back(child);
            }
        }
        focus.childCount = Narrow(m_links.size()) - focus.firstChild;
    }
    removal.focusCount = Narrow(m_focus.size() - firstFocus);
    for (std::size_t i = firstFocus; i < m_focus.size(); ++i) {
        ECBase* element = m_focus[i].element;
        for (ECBase* parent : *element->GetParents()) {
            MCEventList* siblings = parent->GetChildren();
            // A group recorded whole has its order written back; the removal command puts
            // the element back in its place among the members of any other group.
            if (Find(removal, parent) != nullptr || siblings == nullptr || IsGroup(parent)) {
                continue;
            }
            Neighbour neighbour{parent, element, nullptr};
            if (IsEnvelope(parent)) {
                if (!PointBefore(static_cast<ECEnvelope*>(parent),
                                 static_cast<ECEnvPoint*>(element), neighbour.before)) {
                    continue;
                }
            } else {
                POSITION before = siblings->FindNearEnds(element);
                if (before == nullptr) {
                    continue;
                }
                siblings->GetPrev(before);
                neighbour.before = before != nullptr ? siblings->GetAt(before) : nullptr;
            }
            neighbour.parent->Ref();
            neighbour.child->Ref();
            if (neighbour.before != nullptr) {
                neighbour.before->Ref();
            }
            m_neighbours.push_back(neighbour);
        }
    }
    removal.neighbourCount = Narrow(m_neighbours.size()) - removal.firstNeighbour;
    removal.held = true;
    if (element->GetEventId() == EventId::Tempo) {
        Retimed(index, element);
    } else if (element->GetEventId() == EventId::WaveTrack) {
        Renumbered(index, element);
    } else if (element->GetEventId() == EventId::Staff) {
        Restaffed(index, element);
    }
}

void MCRemovalRecord::Retimed(std::size_t index, ECBase* element) {
    for (ECBase* parent : *element->GetParents()) {
        MCEventList* marks = parent->GetChildren();
        if (parent->GetEventId() != EventId::TempoEnv || marks->GetCount() < 2 ||
            marks->GetHead() != element || m_retimes.size() == m_retimes.capacity()) {
            continue;
        }
        POSITION pos = marks->GetHeadPosition();
        marks->GetNext(pos);
        ECBase* next = marks->GetAt(pos);
        next->Ref();
        m_retimes.push_back(Retime{index, next, *next->GetTime()});
    }
}

void MCRemovalRecord::Renumbered(std::size_t index, ECBase* element) {
    auto* track = static_cast<ECWaveTrack*>(element);
    for (ECBase* parent : *element->GetParents()) {
        if (parent->GetEventId() != EventId::Conductor ||
            m_renumbers.size() == m_renumbers.capacity()) {
            continue;
        }
        auto* conductor = static_cast<ECConductor*>(parent);
        const int number = conductor->GetTrackNumber(ECConductor::KindWaveTrack, track);
        if (number > 0) {
            conductor->Ref();
            track->Ref();
            m_renumbers.push_back(Renumber{index, conductor, track, number});
        }
    }
}

void MCRemovalRecord::Restaffed(std::size_t index, ECBase* element) {
    if (m_pStaffTable == nullptr || m_restaffs.size() == m_restaffs.capacity()) {
        return;
    }
    auto* staff = dynamic_cast<ECStaff*>(element);
    const int number = m_pStaffTable->GetStaffNumber(staff);
    const auto columns = static_cast<std::size_t>(m_pStaffTable->GetMaxMeasureNumber());
    // The removals leave the measure map as it is, so the room Reserve measured holds it.
    if (number < 1 || m_staffMeasures.size() + columns > m_staffMeasures.capacity()) {
        return;
    }
    staff->Ref();
    m_restaffs.push_back(Restaff{index, staff, number, m_staffMeasures.size(), columns});
    for (std::size_t column = 1; column <= columns; ++column) {
        ECMeasure* measure = m_pStaffTable->GetMeasure(number, static_cast<int>(column));
        if (measure != nullptr) {
            measure->Ref();
        }
        m_staffMeasures.push_back(measure);
    }
}

void MCRemovalRecord::RestoreStaffTable() {
    if (m_pGroupBefore != nullptr) {
        std::swap(m_pStaffTable->GetGroup(), *m_pGroupBefore);
        m_pGroupBefore.reset();
    }
    m_wordsBefore.PutBack();
}

bool MCRemovalRecord::Holds(std::size_t index) const {
    return index < m_removals.size() && m_removals[index].held;
}

const MCRemovalRecord::Focus* MCRemovalRecord::Find(const Removal& removal, ECBase* element) const {
    for (std::uint32_t i = 0; i < removal.focusCount; ++i) {
        const Focus& focus = m_focus[removal.firstFocus + i];
        if (focus.element == element) {
            return &focus;
        }
    }
    return nullptr;
}

bool MCRemovalRecord::InRange(std::uint32_t first, std::uint32_t count, ECBase* element) const {
    for (std::uint32_t i = 0; i < count; ++i) {
        if (m_links[first + i] == element) {
            return true;
        }
    }
    return false;
}

ECBase* MCRemovalRecord::Before(std::uint32_t first, std::uint32_t count, ECBase* element) const {
    for (std::uint32_t i = 1; i < count; ++i) {
        if (m_links[first + i] == element) {
            return m_links[first + i - 1];
        }
    }
    return nullptr;
}

ECBase* MCRemovalRecord::NeighbourBefore(const Removal& removal, ECBase* parent,
                                         ECBase* child) const {
    for (std::uint32_t i = 0; i < removal.neighbourCount; ++i) {
        const Neighbour& neighbour = m_neighbours[removal.firstNeighbour + i];
        if (neighbour.parent == parent && neighbour.child == child) {
            return neighbour.before;
        }
    }
    return nullptr;
}

void MCRemovalRecord::Link(ECBase* parent, ECBase* child, ECBase* childBefore,
                           ECBase* parentBefore) {
    MCSpareLinks::Link(m_spares, parent, child, childBefore, parentBefore);
}

bool MCRemovalRecord::WriteOrder(MCEventList& list, std::uint32_t first, std::uint32_t count) {
    if (list.GetCount() != static_cast<std::int32_t>(count)) {
        return false;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        if (list.FindNearEnds(m_links[first + i]) == nullptr) {
            return false;
        }
    }
    // The record holds every element it writes, so a node written over never frees one.
    bool changed = false;
    std::uint32_t i = first;
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr; ++i) {
        const POSITION at = pos;
        if (list.GetNext(pos) != m_links[i]) {
            list.SetAt(at, m_links[i]);
            changed = true;
        }
    }
    return changed;
}

void MCRemovalRecord::PlaceAmongNeighbours(const Removal& removal) {
    // An element goes back after the one it followed, which may itself be on its way back:
    // each pass puts at least one more in place, so the passes end.
    for (std::uint32_t pass = 0; pass <= removal.neighbourCount; ++pass) {
        bool moved = false;
        for (std::uint32_t k = 0; k < removal.neighbourCount; ++k) {
            const Neighbour& neighbour = m_neighbours[removal.firstNeighbour + k];
            MCEventList* siblings = neighbour.parent->GetChildren();
            const POSITION pos = siblings->FindNearEnds(neighbour.child);
            if (pos == nullptr) {
                continue;
            }
            POSITION previous = pos;
            siblings->GetPrev(previous);
            if ((previous != nullptr ? siblings->GetAt(previous) : nullptr) == neighbour.before) {
                continue;
            }
            POSITION after = nullptr;
            if (neighbour.before != nullptr) {
                after = siblings->FindNearEnds(neighbour.before);
                if (after == nullptr) {
                    continue;
                }
            }
            // Moving a node needs no memory; its new position is not needed.
            (void)siblings->MoveEventAfter(*siblings, pos, after);
            if (auto* owner = dynamic_cast<ECWithChild*>(neighbour.parent)) {
                owner->NoteChildrenReordered();
            }
            moved = true;
        }
        if (!moved) {
            return;
        }
    }
}

void MCRemovalRecord::Relink(std::size_t index) {
    if (!Holds(index)) {
        return;
    }
    const Removal& removal = m_removals[index];
    const Focus* begin = m_focus.data() + removal.firstFocus;
    const Focus* end = begin + removal.focusCount;
    // Links the removal made (members moved into the measure) go, their nodes kept.
    for (const Focus* focus = begin; focus != end; ++focus) {
        if (focus->group) {
            continue;
        }
        ECBase* element = focus->element;
        MCEventList* parents = element->GetParents();
        for (POSITION pos = parents->GetHeadPosition(); pos != nullptr;) {
            ECBase* parent = parents->GetNext(pos);
            auto* owner = dynamic_cast<ECWithChild*>(parent);
            if (owner != nullptr && !IsGroup(parent) &&
                !InRange(focus->firstParent, focus->parentCount, parent)) {
                ECWithChild::ParkedLink link;
                (void)owner->ParkChild(element, m_parked, link);
            }
        }
        auto* owner = dynamic_cast<ECWithChild*>(element);
        if (owner == nullptr) {
            continue;
        }
        MCEventList* children = owner->GetChildren();
        for (POSITION pos = children->GetHeadPosition(); pos != nullptr;) {
            ECBase* child = children->GetNext(pos);
            if (!IsGroup(child) && !InRange(focus->firstChild, focus->childCount, child)) {
                ECWithChild::ParkedLink link;
                (void)owner->ParkChild(child, m_parked, link);
            }
        }
    }
    // Links the removal broke come back, near their places.
    for (const Focus* focus = begin; focus != end; ++focus) {
        if (focus->group) {
            continue;
        }
        ECBase* element = focus->element;
        for (std::uint32_t k = 0; k < focus->parentCount; ++k) {
            ECBase* parent = m_links[focus->firstParent + k];
            if (IsGroup(parent) || element->GetParents()->FindNearEnds(parent) != nullptr) {
                continue;
            }
            const Focus* above = Find(removal, parent);
            ECBase* childBefore = above != nullptr
                                      ? Before(above->firstChild, above->childCount, element)
                                      : NeighbourBefore(removal, parent, element);
            Link(parent, element, childBefore,
                 Before(focus->firstParent, focus->parentCount, parent));
        }
        for (std::uint32_t k = 0; k < focus->childCount; ++k) {
            ECBase* child = m_links[focus->firstChild + k];
            if (IsGroup(child) || child->GetParents()->FindNearEnds(element) != nullptr) {
                continue;
            }
            const Focus* below = Find(removal, child);
            ECBase* parentBefore = below != nullptr
                                       ? Before(below->firstParent, below->parentCount, element)
                                       : child->GetParents()->GetTail();
            Link(element, child, Before(focus->firstChild, focus->childCount, child), parentBefore);
        }
    }
}

void MCRemovalRecord::Reorder(std::size_t index) {
    if (!Holds(index)) {
        return;
    }
    Removal& removal = m_removals[index];
    removal.held = false;
    const Focus* begin = m_focus.data() + removal.firstFocus;
    const Focus* end = begin + removal.focusCount;
    for (const Focus* focus = begin; focus != end; ++focus) {
        (void)WriteOrder(*focus->element->GetParents(), focus->firstParent, focus->parentCount);
        auto* owner = dynamic_cast<ECWithChild*>(focus->element);
        if (owner != nullptr &&
            WriteOrder(*owner->GetChildren(), focus->firstChild, focus->childCount)) {
            owner->NoteChildrenReordered();
        }
    }
    PlaceAmongNeighbours(removal);
    for (Retime& retime : m_retimes) {
        if (retime.removal == index) {
            retime.mark->SetTime(&retime.time);
        }
    }
    for (const Renumber& renumber : m_renumbers) {
        if (renumber.removal == index) {
            (void)renumber.conductor->ReturnWaveTrack(renumber.track, renumber.number);
        }
    }
    for (const Restaff& restaff : m_restaffs) {
        if (restaff.removal != index) {
            continue;
        }
        (void)m_pStaffTable->ReturnStaff(restaff.staff, restaff.number,
                                         m_staffMeasures.data() + restaff.firstMeasure,
                                         static_cast<int>(restaff.measureCount));
        // The first staff removal is taken back last: the staves are where they were, so
        // the group table and the words that the removals moved go back.
        if (&restaff == &m_restaffs.front()) {
            RestoreStaffTable();
        }
    }
    // The maps the removal left compute their clock and bar times again from their lists,
    // as the removal had them do, now that the lists are as they were; a conductor staff
    // that a map left names it again.
    for (std::uint32_t k = 0; k < removal.neighbourCount; ++k) {
        ECBase* parent = m_neighbours[removal.firstNeighbour + k].parent;
        const int id = parent->GetEventId();
        if (id == EventId::TempoEnv) {
            static_cast<ECTempoEnv*>(parent)->RecalculateClockTimes();
        } else if (id == EventId::MeterEnv) {
            static_cast<ECMeterEnv*>(parent)->RecalculateBPTTimes();
        } else if (id == EventId::ConductorStaff) {
            (void)static_cast<ECConductorStaff*>(parent)->ReturnMap(
                m_neighbours[removal.firstNeighbour + k].child);
        }
    }
}

void MCRemovalRecord::RestoreCaches() {
    for (CacheCopy& copy : m_caches) {
        if (m_cachesExact) {
            copy.cache = copy.staff->ExchangeCache(std::move(copy.cache));
            continue;
        }
        try {
            copy.staff->RebuildCache();
        } catch (const std::bad_alloc&) {
            // The cache stays as the relinks left it: short of what came back, never naming
            // an element the staff no longer holds.
        }
    }
    for (CacheCopy& copy : m_caches) {
        copy.staff->ReleaseOuterHold();
    }
    m_caches.clear();
}

void MCRemovalRecord::Clear() {
    // The parked nodes go first, then what the record holds. A hold of the record may be the
    // last thing outside its subtree that keeps a removed element (a chord that dissolved, a
    // member a group let go of): such an element is taken apart as it goes, or it and its
    // children would keep each other alive.
    while (!m_parked.IsEmpty()) {
        ECBase* element = m_parked.GetHead();
        element->Ref();
        m_parked.RemoveHead();
        element->ReleaseOuterHold();
    }
    for (const Neighbour& neighbour : m_neighbours) {
        neighbour.parent->ReleaseOuterHold();
        neighbour.child->ReleaseOuterHold();
        if (neighbour.before != nullptr) {
            neighbour.before->ReleaseOuterHold();
        }
    }
    for (ECBase* element : m_links) {
        element->ReleaseOuterHold();
    }
    for (const Focus& focus : m_focus) {
        focus.element->ReleaseOuterHold();
    }
    for (const Retime& retime : m_retimes) {
        retime.mark->ReleaseOuterHold();
    }
    for (const Renumber& renumber : m_renumbers) {
        renumber.conductor->ReleaseOuterHold();
        renumber.track->ReleaseOuterHold();
    }
    m_renumbers.clear();
    for (const Restaff& restaff : m_restaffs) {
        restaff.staff->ReleaseOuterHold();
    }
    m_restaffs.clear();
    for (ECMeasure* measure : m_staffMeasures) {
        if (measure != nullptr) {
            measure->ReleaseOuterHold();
        }
    }
    m_staffMeasures.clear();
    m_wordsBefore.Clear();
    m_pGroupBefore.reset();
    if (m_pStaffTable != nullptr) {
        m_pStaffTable->ReleaseOuterHold();
        m_pStaffTable = nullptr;
    }
    for (const CacheCopy& copy : m_caches) {
        copy.staff->ReleaseOuterHold();
    }
    m_retimes.clear();
    m_caches.clear();
    m_cachesExact = true;
    m_neighbours.clear();
    m_links.clear();
    m_focus.clear();
    m_removals.clear();
    m_spares.RemoveAll();
}

} // namespace clavenor
