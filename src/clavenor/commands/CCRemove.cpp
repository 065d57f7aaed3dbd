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
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

namespace clavenor {

namespace {

bool IsGroup(ECBase* element) { return ECGroup::AsGroup(element) != nullptr; }

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

void CCRemove::ReserveRegroups() {
    // What an earlier run (before an undo) noted is of no use to this one.
    ReleaseRegroups();
    // Whether a group may let go of its members or leave its parents is judged over the whole
    // command, as any item may take members out of it before another (asked once a group
    // when there are several items, so that a long removal does not ask it each time); for
    // those that may, room for their parents and members is set aside once.
    std::size_t leaving = 0;
    for (const auto& item : m_items) {
        leaving += item->GetChild() != nullptr ? Leaving(item->GetChild()) : 0;
    }
    auto letsGo = [leaving](ECBase* group) {
        return !static_cast<const ECGroup*>(group)->KeepsMembersWithout(nullptr, leaving);
    };
    std::unordered_map<ECBase*, bool> verdicts;
    std::size_t groups = 0;
    std::size_t parents = 0;
    std::size_t links = 0;
    std::size_t places = 0;
    std::size_t mostPlaces = 0; // of one item, recorded before its removal packs them
    std::vector<ECBase*> children;
    children.reserve(m_items.size());
    for (const auto& item : m_items) {
        ECBase* child = item->GetChild();
        if (child == nullptr) {
            children.push_back(nullptr);
            continue;
        }
        std::size_t itemPlaces = 0;
        if (const ECGroup* group = ECGroup::AsGroup(child)) {
            // The group itself goes back under each parent it leaves, but a group, whose own
            // Regroup links it, and its members too when it may let go of them on leaving.
            ++groups;
            for (ECBase* above : *child->GetParents()) {
                const std::size_t plain = IsGroup(above) ? 0 : 1;
                parents += plain;
                links += plain;
            }
            if (!group->KeepsMembersWhenDetached()) {
                const auto members = static_cast<std::size_t>(child->GetChildren()->GetCount());
                links += members;
                places += members;
                itemPlaces += members;
            }
        }
        auto count = [&](ECBase* group, ECBase*) {
            ++groups;
            ++links;
            bool fresh = true;
            bool verdict = false;
            if (m_items.size() > 1) {
                const auto at = verdicts.try_emplace(group, false);
                fresh = at.second;
                if (fresh) {
                    at.first->second = letsGo(group);
                }
                verdict = at.first->second;
            } else {
                verdict = letsGo(group);
            }
            if (!verdict) {
                return;
            }
            const auto above = static_cast<std::size_t>(group->GetParents()->GetCount());
            const auto members = static_cast<std::size_t>(group->GetChildren()->GetCount());
            parents += above;
            itemPlaces += members;
            if (fresh) {
                links += above + members;
                places += members;
            }
        };
        for (ECBase* parent : *child->GetParents()) {
            if (IsGroup(parent)) {
                count(parent, child);
            } else {
                ForEachGroupOfContainer(parent, count);
            }
        }
        mostPlaces = std::max(mostPlaces, itemPlaces);
        children.push_back(child);
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

void CCRemove::BeginRegroup(ECBase* group, ECBase* member, bool container, std::size_t others,
                            bool recorded) {
    Regroup& regroup = m_regroups[m_nRegroups++];
    group->AddCommandHold();
    regroup.group = group;
    regroup.member = member;
    regroup.container = container;
    regroup.firstParent = m_leftParents.size();
    regroup.parentCount = 0;
    regroup.firstPlace = m_memberPlaces.size();
    regroup.placeCount = 0;
    regroup.self = false;
    if (member == nullptr) {
        // The element itself: a group that keeps its members leaves only its parents, so
        // that removing a long slur costs what removing a short one does.
        const bool keeps = static_cast<const ECGroup*>(group)->KeepsMembersWhenDetached();
        regroup.self = NoteLinks(regroup, nullptr, false, !keeps);
        return;
    }
    regroup.memberBefore = Before(*group->GetChildren(), member);
    regroup.groupBefore = Before(*member->GetParents(), group);
    // A group that surely keeps the others only loses the member: leaving a long slur costs
    // what leaving a short one does.
    if (!static_cast<const ECGroup*>(group)->KeepsMembersWithout(member, others)) {
        (void)NoteLinks(regroup, member, recorded, true);
    }
}

bool CCRemove::NoteLinks(Regroup& regroup, ECBase* member, bool recorded, bool members) {
    ECBase* group = regroup.group;
    MCEventList* parents = group->GetParents();
    MCEventList* list = group->GetChildren();
    // A group that the removed group belongs to links it again through its own Regroup.
    const bool self = member == nullptr;
    auto noted = [self](ECBase* parent) { return !self || !IsGroup(parent); };
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
        // Room was set aside for every group the element is or belongs to now; removing the
        // elements before it can only have taken some of them away.
        if (IsGroup(child) && m_nRegroups < m_nRegroupCapacity) {
            BeginRegroup(child, nullptr, false, others, recorded);
        }
        for (ECBase* parent : *child->GetParents()) {
            if (!IsGroup(parent)) {
                ForEachGroupOfContainer(parent, [&](ECBase* group, ECBase* container) {
                    if (m_nRegroups < m_nRegroupCapacity) {
                        BeginRegroup(group, container, true, others, recorded);
                    }
                });
            } else if (m_nRegroups < m_nRegroupCapacity) {
                BeginRegroup(parent, child, false, others, recorded);
            }
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
