#include "clavenor/commands/CCRemove.h"

#include "clavenor/commands/CCAdd.h"
#include "clavenor/commands/detail/MCEditJournal.h"
#include "clavenor/commands/detail/MCRemovalRecord.h"
#include "clavenor/commands/detail/MCSpareLinks.h"
#include "clavenor/elements/ECGroup.h"
#include "clavenor/elements/ECMirror.h"
#include "clavenor/elements/MCMirrorList.h"
#include "clavenor/model/ECBase.h"
#include "clavenor/model/EventRegistry.h"
#include "clavenor/model/MCEventList.h"

#include <algorithm>
#include <array>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

namespace clavenor {

namespace {

bool IsGroup(ECBase* element) { return ECGroup::AsGroup(element) != nullptr; }

// Lines take only notes, rests and chords as members, so they hold no group.
bool IsLine(const ECBase* element) {
    const int id = element->GetEventId();
    return id == EventId::Beam || id == EventId::Glissando || id == EventId::Slur ||
           id == EventId::Tie;
}

bool IsContainer(ECBase* element) {
    const int id = element->GetEventId();
    return id == EventId::Chord || id == EventId::Tuplet;
}

// When `parent` is a chord or tuplet, calls visit(group, container) for each group that it,
// or a tuplet holding it, belongs to: a removal that dissolves the chord or tuplet takes it
// out of the group, which may then let go of its other members.
template <class Visit>
void ForEachGroupOfContainer(ECBase* parent, Visit visit) {
    if (!IsContainer(parent)) {
        return;
    }
    auto groupsOf = [&](ECBase* container) {
        for (ECBase* above : *container->GetParents()) {
            if (IsGroup(above)) {
                visit(above, container);
            }
        }
    };
    groupsOf(parent);
    for (ECBase* above : *parent->GetParents()) {
        if (IsContainer(above)) {
            groupsOf(above);
        }
    }
}

// How many members of one group removing `child` may take out: the element, and each chord
// or tuplet that its removal may dissolve (see ForEachGroupOfContainer).
std::size_t Leaving(ECBase* child) {
    std::size_t leaving = 1;
    for (ECBase* parent : *child->GetParents()) {
        if (!IsContainer(parent)) {
            continue;
        }
        ++leaving;
        for (ECBase* above : *parent->GetParents()) {
            leaving += IsContainer(above) ? 1 : 0;
        }
    }
    return leaving;
}

// Tells a group in a group that a link to a parent came back without its AddParent.
void NoteRelinkedGroup(ECBase* member) {
    if (ECGroup* group = ECGroup::AsGroup(member)) {
        group->NoteParentRelinked();
    }
}

// The element before `element` in `list`, null at the head or when it is not there.
ECBase* Before(MCEventList& list, ECBase* element) {
    POSITION pos = list.FindNearEnds(element);
    if (pos == nullptr) {
        return nullptr;
    }
    list.GetPrev(pos);
    return pos != nullptr ? list.GetAt(pos) : nullptr;
}

} // namespace

IMPLEMENT_SERIAL(CCRemove, CCBase, 2 | CRuntimeClass::VersionableSchema)

CCRemove::CCRemove() = default;

CCRemove::CCRemove(ECBase* element) { Remove(element); }

CCRemove::~CCRemove() { ReleaseRegroups(); }

CCRemove::Regroup::~Regroup() {
    for (ECBase* element : members) {
        element->ReleaseCommandHold();
    }
    if (group != nullptr) {
        group->ReleaseCommandHold();
    }
}

int CCRemove::GetCommandId() const { return 36; }

int CCRemove::Process() {
    ReserveRegroups();
    WithdrawMirrors();
    CCBase::Process();
    DoRemove();
    return 1;
}

void CCRemove::ReleaseRegroups() {
    for (const LeftParent& left : m_leftParents) {
        left.parent->ReleaseCommandHold();
    }
    m_leftParents.clear();
    m_memberPlaces.clear();
    m_spareLinks.RemoveAll();
    if (m_pRecord != nullptr) {
        m_pRecord->Clear();
    }
    if (m_pMirrors != nullptr) {
        m_pMirrors->Clear();
    }
    m_regroups.reset();
    m_nRegroups = 0;
    m_nRegroupCapacity = 0;
    m_itemRegroups.clear();
}

template <class Slots, class Judge>
void CCRemove::PlanRegroups(ECBase* child, Slots& slots, Judge judge) {
    auto planned = [&](ECBase* group) {
        for (std::size_t i = 0; i < slots.size(); ++i) {
            if (slots[i].group == group) {
                return true;
            }
        }
        return false;
    };
    auto add = [&](ECBase* group, ECBase* member, Role role, bool container) {
        Planned plan;
        plan.group = group;
        plan.member = member;
        plan.role = role;
        plan.container = container;
        // The element's own group leaves its parents, and a group whose only holder let go
        // of it lets go of its members; the others are judged.
        plan.own = role == Role::Removed || role == Role::Released ||
                   (role == Role::Left && judge(plan, 0));
        plan.letsGo = plan.own;
        static_cast<void>(slots.Add(plan));
    };
    // How many groups among the members of slot `at`'s group may leave it; none for a line.
    auto inside = [&](std::size_t at) {
        ECBase* group = slots[at].group;
        std::size_t count = 0;
        if (IsLine(group)) {
            return count;
        }
        for (std::size_t i = 0; i < slots.size(); ++i) {
            const Planned& other = slots[i];
            // The removed element is counted as leaving already.
            if (i != at && other.role != Role::Removed && other.letsGo &&
                other.group->GetParents()->FindNearEnds(group) != nullptr) {
                ++count;
            }
        }
        return count;
    };
    // Whether every holder of `member` is a planned group that may let go, so that it may
    // lose its last parent.
    auto orphaned = [&](ECBase* member) {
        for (ECBase* holder : *member->GetParents()) {
            bool lets = false;
            for (std::size_t i = 0; i < slots.size() && !lets; ++i) {
                lets = slots[i].group == holder && slots[i].letsGo;
            }
            if (!lets) {
                return false;
            }
        }
        return true;
    };
    if (IsGroup(child)) {
        add(child, nullptr, Role::Removed, false);
    }
    for (ECBase* parent : *child->GetParents()) {
        if (IsGroup(parent)) {
            add(parent, child, Role::Left, false);
        } else {
            ForEachGroupOfContainer(parent, [&](ECBase* group, ECBase* container) {
                add(group, container, Role::Left, true);
            });
        }
    }
    // Until nothing changes: a group judged to let go may make its holders let go, and what
    // it holds; each is planned once, and a verdict only ever turns to letting go.
    for (bool changed = true; changed;) {
        changed = false;
        for (std::size_t i = 0; i < slots.size(); ++i) {
            if (!slots[i].letsGo &&
                (slots[i].role == Role::Left || slots[i].role == Role::Holder)) {
                const std::size_t count = inside(i);
                if (count > 0 && judge(slots[i], count)) {
                    slots[i].letsGo = true;
                    changed = true;
                }
            }
            if (!slots[i].letsGo || slots[i].expanded) {
                continue;
            }
            slots[i].expanded = true;
            // Another pass only for what this adds: verdicts change with letting go alone.
            const std::size_t before = slots.size();
            const Planned from = slots[i];
            // The removed group's holders were planned as groups it leaves; a released group
            // leaves only the holder that released it.
            if (from.role == Role::Left || from.role == Role::Holder) {
                for (ECBase* holder : *from.group->GetParents()) {
                    if (IsGroup(holder) && !planned(holder)) {
                        add(holder, nullptr, Role::Holder, from.container);
                    }
                }
            }
            const bool releases =
                from.role != Role::Removed ||
                !static_cast<const ECGroup*>(from.group)->KeepsMembersWhenDetached();
            if (releases && !IsLine(from.group)) {
                for (ECBase* member : *from.group->GetChildren()) {
                    const ECGroup* held = ECGroup::AsGroup(member);
                    if (held != nullptr && !held->KeepsMembersWhenDetached() && !planned(member) &&
                        orphaned(member)) {
                        add(member, nullptr, Role::Released, from.container);
                    }
                }
            }
            changed = changed || slots.size() > before;
        }
    }
}

void CCRemove::ReserveRegroups() {
    // What an earlier run (before an undo) noted is of no use to this one.
    ReleaseRegroups();
    // Whether a group may let go of its members or leave its parents is judged over the whole
    // command, as any item may take members out of it before another (asked once a group,
    // so that a long removal does not ask it each time); for those that may, room for their
    // parents and members is set aside once.
    std::size_t leaving = 0;
    for (const auto& item : m_items) {
        leaving += item->GetChild() != nullptr ? Leaving(item->GetChild()) : 0;
    }
    // Per group met: whether it may let go over the whole command, once asked, and whether
    // what putting it back needs was counted; what is put back is counted once, as a group
    // lets go, or leaves a parent, once in a command.
    struct Seen {
        bool judged = false;
        bool letsGo = false;
        bool counted = false;
    };
    // A command of one item asks each of its few groups once anyway, without the map.
    const bool several = m_items.size() > 1;
    std::unordered_map<ECBase*, Seen> seen;
    auto letsGo = [&](ECBase* group) {
        auto judged = [&] {
            return !static_cast<const ECGroup*>(group)->KeepsMembersWithout(nullptr, leaving);
        };
        if (!several) {
            return judged();
        }
        Seen& at = seen[group];
        if (!at.judged) {
            at.judged = true;
            at.letsGo = judged();
        }
        return at.letsGo;
    };
    // Over the whole command a holder may lose any of its members, and so may let go.
    auto judge = [&](const Planned& plan, std::size_t inside) {
        return plan.role == Role::Holder || inside > 0 || letsGo(plan.group);
    };
    // An item's plan: most hold a few groups, kept here without an allocation each.
    constexpr std::size_t Local = 8;
    struct Plan {
        std::array<Planned, Local> local;
        std::vector<Planned> more;
        std::size_t count = 0;
        std::size_t size() const { return count; }
        Planned& operator[](std::size_t at) { return at < Local ? local[at] : more[at - Local]; }
        bool Add(const Planned& plan) {
            if (count < Local) {
                local[count] = plan;
            } else {
                more.push_back(plan);
            }
            ++count;
            return true;
        }
        void Clear() {
            count = 0;
            more.clear();
        }
    };
    std::size_t groups = 0;
    std::size_t parents = 0;
    std::size_t links = 0;
    std::size_t places = 0;
    std::size_t mostPlaces = 0; // of one item, recorded before its removal packs them
    std::vector<ECBase*> children;
    children.reserve(m_items.size());
    Plan plan;
    for (const auto& item : m_items) {
        ECBase* child = item->GetChild();
        children.push_back(child);
        if (child == nullptr) {
            continue;
        }
        plan.Clear();
        PlanRegroups(child, plan, judge);
        groups += plan.size();
        std::size_t itemPlaces = 0;
        for (std::size_t i = 0; i < plan.size(); ++i) {
            const Planned& slot = plan[i];
            ECBase* group = slot.group;
            const auto above = static_cast<std::size_t>(group->GetParents()->GetCount());
            const auto members = static_cast<std::size_t>(group->GetChildren()->GetCount());
            // A removed group is counted apart: leaving it, its members may still let go.
            bool fresh = true;
            if (several && slot.role != Role::Removed) {
                Seen& at = seen[group];
                fresh = !at.counted;
                at.counted = true;
            }
            switch (slot.role) {
            case Role::Removed: {
                // The group itself goes back under each parent it leaves, but a group, whose
                // own Regroup links it, and its members too when it may let go of them on
                // leaving.
                std::size_t plain = 0;
                for (ECBase* holder : *group->GetParents()) {
                    plain += IsGroup(holder) ? 0 : 1;
                }
                parents += plain;
                links += plain;
                if (!static_cast<const ECGroup*>(group)->KeepsMembersWhenDetached()) {
                    links += members;
                    places += members;
                    itemPlaces += members;
                }
                break;
            }
            case Role::Left:
            case Role::Holder:
                links += slot.role == Role::Left ? 1 : 0;
                if (slot.letsGo) {
                    parents += above;
                    itemPlaces += members;
                    if (fresh) {
                        links += above + members;
                        places += members;
                    }
                }
                break;
            case Role::Released:
                itemPlaces += members;
                if (fresh) {
                    links += members;
                    places += members;
                }
                break;
            }
        }
        mostPlaces = std::max(mostPlaces, itemPlaces);
    }
    m_itemRegroups.assign(m_items.size(), {0, 0});
    m_leftParents.reserve(parents);
    m_memberPlaces.reserve(places + mostPlaces);
    MCSpareLinks::Reserve(m_spareLinks, links);
    if (groups > 0) {
        m_regroups = std::make_unique<Regroup[]>(groups);
    }
    m_nRegroupCapacity = groups;
    if (m_pRecord == nullptr) {
        m_pRecord = std::make_unique<MCRemovalRecord>();
    }
    m_pRecord->Reserve(children);
}

void CCRemove::WithdrawMirrors() {
    for (const auto& item : m_items) {
        ECBase* child = item->GetChild();
        // The event id first: a cast across to the mirror list costs more than a removal.
        const int id = child != nullptr ? child->GetEventId() : EventId::Base;
        if (id != EventId::Clef && id != EventId::Key && id != EventId::Meter &&
            id != EventId::Tempo) {
            continue;
        }
        auto* shown = dynamic_cast<MCMirrorList*>(child);
        if (shown == nullptr || shown->GetMirrors().IsEmpty()) {
            continue;
        }
        if (m_pMirrors == nullptr) {
            m_pMirrors = std::make_unique<MCEditJournal>();
        }
        try {
            const std::vector<ECBase*> mirrors(shown->GetMirrors().begin(),
                                               shown->GetMirrors().end());
            for (ECBase* entry : mirrors) {
                m_pMirrors->WithdrawMirror(static_cast<ECMirror*>(entry));
            }
        } catch (...) {
            m_pMirrors->TakeBack();
            m_pMirrors->Clear();
            throw;
        }
    }
}

void CCRemove::BeginRegroup(Regroup& regroup, bool recorded) {
    ECBase* group = regroup.group;
    group->AddCommandHold();
    regroup.firstParent = m_leftParents.size();
    regroup.parentCount = 0;
    regroup.firstPlace = m_memberPlaces.size();
    regroup.placeCount = 0;
    regroup.self = false;
    switch (regroup.role) {
    case Role::Removed: {
        // A group that keeps its members leaves only its parents, so that removing a long
        // slur costs what removing a short one does.
        const bool keeps = static_cast<const ECGroup*>(group)->KeepsMembersWhenDetached();
        regroup.self = NoteLinks(regroup, nullptr, Parents::NotGroups, false, !keeps);
        return;
    }
    case Role::Left:
        regroup.memberBefore = Before(*group->GetChildren(), regroup.member);
        regroup.groupBefore = Before(*regroup.member->GetParents(), group);
        // A group that surely keeps the others only loses the member: leaving a long slur
        // costs what leaving a short one does. The record places only a group that may let
        // go by its own rules.
        if (regroup.letsGo) {
            (void)NoteLinks(regroup, regroup.member, Parents::All, recorded && regroup.own, true);
        }
        return;
    case Role::Holder:
        if (regroup.letsGo) {
            (void)NoteLinks(regroup, nullptr, Parents::All, false, true);
        }
        return;
    case Role::Released:
        // Its holder's Regroup links it again.
        (void)NoteLinks(regroup, nullptr, Parents::None, false, true);
        return;
    }
}

bool CCRemove::NoteLinks(Regroup& regroup, ECBase* member, Parents which, bool recorded,
                         bool members) {
    ECBase* group = regroup.group;
    MCEventList* parents = group->GetParents();
    MCEventList* list = group->GetChildren();
    // A group that the removed group belongs to links it again through its own Regroup.
    auto noted = [which](ECBase* parent) {
        return which == Parents::All || (which == Parents::NotGroups && !IsGroup(parent));
    };
    std::size_t count = 0;
    for (ECBase* parent : *parents) {
        count += noted(parent) ? 1 : 0;
    }
    // Reserve judged the group over the whole command, which bounds this judgement, so the
    // room is there; were it not, nothing is recorded rather than memory taken.
    if (m_leftParents.size() + count > m_leftParents.capacity() ||
        (members && m_memberPlaces.size() + static_cast<std::size_t>(list->GetCount()) >
                        m_memberPlaces.capacity())) {
        return false;
    }
    for (ECBase* parent : *parents) {
        if (!noted(parent)) {
            continue;
        }
        parent->AddCommandHold();
        // A staff's children are many, and the group may stand anywhere among them: where
        // the record places it, it goes back at the head for the record to move.
        ECBase* before = recorded ? nullptr : Before(*parent->GetChildren(), group);
        m_leftParents.push_back({parent, before, Before(*parents, parent)});
        ++regroup.parentCount;
    }
    if (!members) {
        return true;
    }
    for (ECBase* other : *list) {
        if (other != member) {
            m_memberPlaces.push_back({other, Before(*other->GetParents(), group)});
            ++regroup.placeCount;
        }
    }
    return true;
}

void CCRemove::EndRegroup(Regroup& regroup, std::size_t& parents, std::size_t& places) {
    ECBase* group = regroup.group;
    // Keep only the parents the group has left and the places of the members it let go of,
    // moving them down: the regroups of one item are ended in order, so each one's entries
    // lie at or after the write positions.
    const std::size_t firstParent = parents;
    for (std::size_t i = 0; i < regroup.parentCount; ++i) {
        const LeftParent left = m_leftParents[regroup.firstParent + i];
        if (group->GetParents()->FindNearEnds(left.parent) != nullptr) {
            left.parent->ReleaseCommandHold();
        } else {
            m_leftParents[parents++] = left;
        }
    }
    regroup.firstParent = firstParent;
    regroup.parentCount = parents - firstParent;
    static_cast<ECGroup*>(group)->TakeReleasedMembers(regroup.members);
    for (ECBase* member : regroup.members) {
        member->AddCommandHold();
    }
    // The group lets its members go in their order, which is the order they were noted in.
    const std::size_t firstPlace = places;
    POSITION released = regroup.members.GetHeadPosition();
    for (std::size_t i = 0; i < regroup.placeCount && released != nullptr; ++i) {
        const MemberPlace place = m_memberPlaces[regroup.firstPlace + i];
        if (place.member == regroup.members.GetAt(released)) {
            m_memberPlaces[places++] = place;
            regroup.members.GetNext(released);
        }
    }
    regroup.firstPlace = firstPlace;
    regroup.placeCount = places - firstPlace;
    // A member that refused to let go stays, so nothing is to be linked again.
    if (regroup.member != nullptr && regroup.member->GetParents()->Find(group) != nullptr) {
        regroup.member = nullptr;
    }
}

void CCRemove::DoRemove() {
    for (std::size_t index = 0; index < m_items.size(); ++index) {
        ECBase* child = m_items[index]->GetChild();
        if (child == nullptr) {
            continue;
        }
        if (m_pRecord != nullptr) {
            m_pRecord->Take(index, child);
        }
        const std::size_t first = m_nRegroups;
        const std::size_t others = Leaving(child) - 1;
        const bool recorded = m_pRecord != nullptr && m_pRecord->Holds(index);
        // Room was set aside for every group planned for the element now; removing the
        // elements before it can only have taken some of them away.
        struct Slots {
            Regroup* at;
            std::size_t count;
            std::size_t room;
            std::size_t size() const { return count; }
            Planned& operator[](std::size_t i) { return at[i]; }
            bool Add(const Planned& plan) {
                if (count == room) {
                    return false;
                }
                static_cast<Planned&>(at[count++]) = plan;
                return true;
            }
        } slots{m_regroups.get() + first, 0, m_nRegroupCapacity - first};
        // The element and its chords and tuplets leave a group they are in; groups among the
        // members that may leave are counted by `inside`.
        PlanRegroups(child, slots, [others](const Planned& plan, std::size_t inside) {
            const std::size_t besides = plan.member != nullptr ? others + inside : inside;
            return !static_cast<const ECGroup*>(plan.group)
                        ->KeepsMembersWithout(plan.member, besides);
        });
        m_nRegroups += slots.count;
        for (std::size_t i = first; i < m_nRegroups; ++i) {
            BeginRegroup(m_regroups[i], recorded);
        }
        std::size_t parents = m_leftParents.size();
        std::size_t places = m_memberPlaces.size();
        if (first < m_nRegroups) {
            parents = m_regroups[first].firstParent;
            places = m_regroups[first].firstPlace;
        }
        child->RemoveFromParents();
        for (std::size_t i = first; i < m_nRegroups; ++i) {
            EndRegroup(m_regroups[i], parents, places);
        }
        // Shrinking needs no memory.
        m_leftParents.erase(m_leftParents.begin() + static_cast<std::ptrdiff_t>(parents),
                            m_leftParents.end());
        m_memberPlaces.erase(m_memberPlaces.begin() + static_cast<std::ptrdiff_t>(places),
                             m_memberPlaces.end());
        m_itemRegroups[index] = {first, m_nRegroups};
    }
}

template <class Link>
void CCRemove::ForEachRegroupLink(std::size_t index, bool containers, Link link) const {
    const auto [first, end] = m_itemRegroups[index];
    for (std::size_t i = end; i-- > first;) {
        const Regroup& regroup = m_regroups[i];
        if (regroup.container && !containers) {
            continue;
        }
        // A removed group goes back under its recorded parent with the item (see Undo).
        for (std::size_t k = 0; !regroup.self && k < regroup.parentCount; ++k) {
            link(regroup.group, m_leftParents[regroup.firstParent + k].parent);
        }
        for (ECBase* member : regroup.members) {
            link(member, regroup.group);
        }
        if (regroup.member != nullptr) {
            link(regroup.member, regroup.group);
        }
    }
}

void CCRemove::Undo() {
    if (m_items.empty()) {
        return;
    }
    auto inverse = std::make_unique<CCAdd>();
    for (std::size_t index = m_items.size(); index-- > 0;) {
        inverse->Add(m_items[index]->GetChild(), m_items[index]->GetParent(), FCMidi::MidiNull());
        if (index < m_itemRegroups.size()) {
            ForEachRegroupLink(index, false, [&](ECBase* child, ECBase* parent) {
                inverse->Add(child, parent, FCMidi::MidiNull());
            });
        }
    }
    ApplyInverse(std::move(inverse));
}

void CCRemove::RelinkRegroups(std::size_t index) {
    if (index >= m_itemRegroups.size()) {
        return;
    }
    // In the order they were noted, all against the lists as they were before the item's
    // removal: a group goes back after a neighbour that an earlier one put back.
    const auto [first, end] = m_itemRegroups[index];
    for (std::size_t i = first; i < end; ++i) {
        const Regroup& regroup = m_regroups[i];
        ECBase* group = regroup.group;
        bool relinked = false;
        for (std::size_t k = 0; k < regroup.parentCount; ++k) {
            const LeftParent& left = m_leftParents[regroup.firstParent + k];
            if (group->GetParents()->FindNearEnds(left.parent) == nullptr) {
                MCSpareLinks::Link(m_spareLinks, left.parent, group, left.groupBefore,
                                   left.parentBefore);
                relinked = true;
            }
        }
        if (relinked) {
            // Linked without AddParent, which would have unlocked it.
            static_cast<ECGroup*>(group)->NoteParentRelinked();
        }
        ECBase* before = nullptr;
        std::size_t place = regroup.firstPlace;
        const std::size_t places = regroup.firstPlace + regroup.placeCount;
        for (ECBase* member : regroup.members) {
            ECBase* groupBefore = member->GetParents()->GetTail();
            if (place < places && m_memberPlaces[place].member == member) {
                groupBefore = m_memberPlaces[place++].groupBefore;
            }
            MCSpareLinks::Link(m_spareLinks, group, member, before, groupBefore);
            NoteRelinkedGroup(member);
            before = member;
        }
        if (regroup.member != nullptr) {
            MCSpareLinks::Link(m_spareLinks, group, regroup.member, regroup.memberBefore,
                               regroup.groupBefore);
            NoteRelinkedGroup(regroup.member);
        }
    }
}

void CCRemove::Revert() {
    for (std::size_t index = m_items.size(); index-- > 0;) {
        if (m_pRecord != nullptr && m_pRecord->Holds(index)) {
            // The chords and tuplets come back first, so that their groups take them again;
            // then the record puts every list it holds in order.
            m_pRecord->Relink(index);
            RelinkRegroups(index);
            m_pRecord->Reorder(index);
            continue;
        }
        ECBase* child = m_items[index]->GetChild();
        ECBase* parent = m_items[index]->GetParent();
        // A removed group whose parents were noted goes back under each of them where it
        // stood (RelinkRegroups), and under none that it had left already.
        const bool relinksItself = index < m_itemRegroups.size() &&
                                   m_itemRegroups[index].first < m_itemRegroups[index].second &&
                                   m_regroups[m_itemRegroups[index].first].self;
        if (!relinksItself && child != nullptr && parent != nullptr &&
            child->GetParents()->Find(parent) == nullptr) {
            // A link refused (no memory) stays undone, as Revert's contract allows; the
            // others are still tried, so that it costs only itself.
            static_cast<void>(parent->AddChild(child, 1));
        }
        RelinkRegroups(index);
    }
    if (m_pRecord != nullptr) {
        m_pRecord->RestoreCaches();
    }
    // Withdrawn before the removals, so back once the elements they show are.
    if (m_pMirrors != nullptr) {
        m_pMirrors->TakeBack();
        m_pMirrors->Clear();
    }
}

void CCRemove::Committed() {
    m_pRecord.reset();
    m_pMirrors.reset();
    m_spareLinks.RemoveAll();
    // The parents a removed group left are Revert's alone (the undo puts it back under its
    // recorded parent): they go, and the others move down over them, in place.
    std::size_t kept = 0;
    for (std::size_t i = 0; i < m_nRegroups; ++i) {
        Regroup& regroup = m_regroups[i];
        regroup.placeCount = 0;
        if (regroup.self) {
            for (std::size_t k = 0; k < regroup.parentCount; ++k) {
                m_leftParents[regroup.firstParent + k].parent->ReleaseCommandHold();
            }
            regroup.parentCount = 0;
            regroup.self = false;
        }
        // Each regroup's parents lie after the last one's, so none is overwritten unread.
        for (std::size_t k = 0; k < regroup.parentCount; ++k) {
            m_leftParents[kept + k] = m_leftParents[regroup.firstParent + k];
        }
        regroup.firstParent = kept;
        kept += regroup.parentCount;
    }
    // Shrinking needs no memory.
    m_leftParents.erase(m_leftParents.begin() + static_cast<std::ptrdiff_t>(kept),
                        m_leftParents.end());
    // Swapped away rather than shrunk, which may allocate.
    std::vector<MemberPlace>().swap(m_memberPlaces);
}

int CCRemove::FindRemovePosition(ECBase* element) const {
    const auto it = m_positions.find(element);
    return it != m_positions.end() ? it->second : -1;
}

CCRemoveItem* CCRemove::Remove(ECBase* element) {
    if (element == nullptr) {
        return nullptr;
    }
    return AppendItem<CCRemoveItem>(element);
}

void CCRemove::Remove(MCEventList* elements) {
    if (elements == nullptr) {
        return;
    }
    for (POSITION pos = elements->GetHeadPosition(); pos != nullptr;) {
        Remove(elements->GetNext(pos));
    }
}

int CCRemove::GetRemoveEvents(MCEventList& list) {
    for (const auto& item : m_items) {
        if (item->GetChild() != nullptr && list.AddTail(item->GetChild()) == nullptr) {
            throw std::bad_alloc();
        }
    }
    return list.IsEmpty() ? 0 : 1;
}

} // namespace clavenor
