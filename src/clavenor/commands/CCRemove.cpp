#include "clavenor/commands/CCRemove.h"

#include "clavenor/commands/CCAdd.h"
#include "clavenor/elements/ECGroup.h"
#include "clavenor/model/ECBase.h"
#include "clavenor/model/MCEventList.h"

#include <utility>

namespace clavenor {

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
    CCBase::Process();
    DoRemove();
    return 1;
}

void CCRemove::ReleaseRegroups() {
    for (ECBase* parent : m_leftParents) {
        parent->ReleaseCommandHold();
    }
    m_leftParents.clear();
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
    for (const auto& item : m_items) {
        ECBase* child = item->GetChild();
        if (child == nullptr) {
            continue;
        }
        groups += dynamic_cast<ECGroup*>(child) != nullptr ? 1 : 0;
        for (ECBase* parent : *child->GetParents()) {
            if (dynamic_cast<ECGroup*>(parent) != nullptr) {
                ++groups;
                parents += static_cast<std::size_t>(parent->GetParents()->GetCount());
            }
        }
    }
    m_itemRegroups.assign(m_items.size(), {0, 0});
    m_leftParents.reserve(parents);
    if (groups > 0) {
        m_regroups = std::make_unique<Regroup[]>(groups);
    }
    m_nRegroupCapacity = groups;
}

void CCRemove::BeginRegroup(ECBase* group, ECBase* member) {
    Regroup& regroup = m_regroups[m_nRegroups++];
    group->AddCommandHold();
    regroup.group = group;
    regroup.member = member;
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

void CCRemove::EndRegroup(Regroup& regroup, ECBase* element, std::size_t& write) {
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
    if (regroup.member != nullptr && element->GetParents()->Find(group) != nullptr) {
        regroup.member = nullptr;
    }
}

void CCRemove::DoRemove() {
    for (std::size_t index = 0; index < m_items.size(); ++index) {
        ECBase* child = m_items[index]->GetChild();
        if (child == nullptr) {
            continue;
        }
        const std::size_t first = m_nRegroups;
        // Room was set aside for every group the element is or belongs to now; removing the
        // elements before it can only have taken some of them away.
        if (dynamic_cast<ECGroup*>(child) != nullptr && m_nRegroups < m_nRegroupCapacity) {
            BeginRegroup(child, nullptr);
        }
        for (ECBase* parent : *child->GetParents()) {
            if (dynamic_cast<ECGroup*>(parent) != nullptr && m_nRegroups < m_nRegroupCapacity) {
                BeginRegroup(parent, child);
            }
        }
        std::size_t write = m_leftParents.size();
        if (first < m_nRegroups) {
            write = m_regroups[first].firstParent;
        }
        child->RemoveFromParents();
        for (std::size_t i = first; i < m_nRegroups; ++i) {
            EndRegroup(m_regroups[i], child, write);
        }
        // Shrinking needs no memory.
        m_leftParents.resize(write);
        m_itemRegroups[index] = {first, m_nRegroups};
    }
}

template <class Link>
void CCRemove::ForEachRegroupLink(std::size_t index, Link link) const {
    const auto [first, end] = m_itemRegroups[index];
    for (std::size_t i = end; i-- > first;) {
        const Regroup& regroup = m_regroups[i];
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
            ForEachRegroupLink(index, [&](ECBase* child, ECBase* parent) {
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
        link(m_items[index]->GetChild(), m_items[index]->GetParent());
        if (index < m_itemRegroups.size()) {
            ForEachRegroupLink(index, link);
        }
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
