#include "clavenor/commands/CCRemove.h"

#include "clavenor/commands/CCAdd.h"
#include "clavenor/commands/detail/MCEditJournal.h"
#include "clavenor/commands/detail/MCRemovalRecord.h"
#include "clavenor/elements/ECGroup.h"
#include "clavenor/elements/ECMirror.h"
#include "clavenor/elements/MCMirrorList.h"
#include "clavenor/model/ECBase.h"
#include "clavenor/model/EventRegistry.h"
#include "clavenor/model/MCEventList.h"

#include <memory>
#include <utility>
#include <vector>

namespace clavenor {

namespace {

bool IsGroup(ECBase* element) { return dynamic_cast<ECGroup*>(element) != nullptr; }

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
    for (ECBase* parent : m_leftParents) {
        parent->ReleaseCommandHold();
    }
    m_leftParents.clear();
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
    std::size_t groups = 0;
    std::size_t parents = 0;
    std::vector<ECBase*> children;
    children.reserve(m_items.size());
    for (const auto& item : m_items) {
        ECBase* child = item->GetChild();
        if (child == nullptr) {
            children.push_back(nullptr);
            continue;
        }
        groups += IsGroup(child) ? 1 : 0;
        auto count = [&](ECBase* group, ECBase*) {
            ++groups;
            parents += static_cast<std::size_t>(group->GetParents()->GetCount());
        };
        for (ECBase* parent : *child->GetParents()) {
            if (IsGroup(parent)) {
                count(parent, child);
            } else {
                ForEachGroupOfContainer(parent, count);
            }
        }
        children.push_back(child);
    }
    m_itemRegroups.assign(m_items.size(), {0, 0});
    m_leftParents.reserve(parents);
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

void CCRemove::BeginRegroup(ECBase* group, ECBase* member, bool container) {
    Regroup& regroup = m_regroups[m_nRegroups++];
    group->AddCommandHold();
    regroup.group = group;
    regroup.member = member;
    regroup.container = container;
    regroup.firstParent = m_leftParents.size();
    regroup.parentCount = 0;
    if (member == nullptr) {
        return; // the element itself: its recorded parent brings it back
    }
    for (ECBase* parent : *group->GetParents()) {
        parent->AddCommandHold();
        m_leftParents.push_back(parent);
        ++regroup.parentCount;
    }
}

void CCRemove::EndRegroup(Regroup& regroup, std::size_t& write) {
    ECBase* group = regroup.group;
    // Keep only the parents the group has left, moving them down to `write`: the regroups of
    // one item are ended in order, so each one's parents lie at or after `write`.
    const std::size_t first = write;
    for (std::size_t i = 0; i < regroup.parentCount; ++i) {
        ECBase* parent = m_leftParents[regroup.firstParent + i];
        if (group->GetParents()->Find(parent) != nullptr) {
            parent->ReleaseCommandHold();
        } else {
            m_leftParents[write++] = parent;
        }
    }
    regroup.firstParent = first;
    regroup.parentCount = write - first;
    static_cast<ECGroup*>(group)->TakeReleasedMembers(regroup.members);
    for (ECBase* member : regroup.members) {
        member->AddCommandHold();
    }
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
        // Room was set aside for every group the element is or belongs to now; removing the
        // elements before it can only have taken some of them away.
        if (IsGroup(child) && m_nRegroups < m_nRegroupCapacity) {
            BeginRegroup(child, nullptr, false);
        }
        for (ECBase* parent : *child->GetParents()) {
            if (!IsGroup(parent)) {
                ForEachGroupOfContainer(parent, [&](ECBase* group, ECBase* container) {
                    if (m_nRegroups < m_nRegroupCapacity) {
                        BeginRegroup(group, container, true);
                    }
                });
            } else if (m_nRegroups < m_nRegroupCapacity) {
                BeginRegroup(parent, child, false);
            }
        }
        std::size_t write = m_leftParents.size();
        if (first < m_nRegroups) {
            write = m_regroups[first].firstParent;
        }
        child->RemoveFromParents();
        for (std::size_t i = first; i < m_nRegroups; ++i) {
            EndRegroup(m_regroups[i], write);
        }
        // Shrinking needs no memory.
        m_leftParents.resize(write);
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
        for (std::size_t k = 0; k < regroup.parentCount; ++k) {
            link(regroup.group, m_leftParents[regroup.firstParent + k]);
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

void CCRemove::Revert() {
    auto link = [](ECBase* child, ECBase* parent) {
        if (child != nullptr && parent != nullptr && child->GetParents()->Find(parent) == nullptr) {
            // A link refused (no memory) stays undone, as Revert's contract allows; the
            // others are still tried, so that it costs only itself.
            static_cast<void>(parent->AddChild(child, 1));
        }
    };
    for (std::size_t index = m_items.size(); index-- > 0;) {
        if (m_pRecord != nullptr && m_pRecord->Holds(index)) {
            // The chords and tuplets come back first, so that their groups take them again;
            // then the record puts every list it holds in order.
            m_pRecord->Relink(index);
            ForEachRegroupLink(index, true, link);
            m_pRecord->Reorder(index);
            continue;
        }
        link(m_items[index]->GetChild(), m_items[index]->GetParent());
        if (index < m_itemRegroups.size()) {
            ForEachRegroupLink(index, true, link);
        }
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
