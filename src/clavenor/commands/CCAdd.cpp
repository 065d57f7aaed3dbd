#include "clavenor/commands/CCAdd.h"

#include "clavenor/commands/CCRemove.h"
#include "clavenor/model/ECWithChild.h"
#include "clavenor/model/MCEventList.h"

#include <algorithm>
#include <utility>

namespace clavenor {

IMPLEMENT_SERIAL(CCAdd, CCBase, 2 | CRuntimeClass::VersionableSchema)

CCAdd::CCAdd() = default;

CCAdd::CCAdd(ECBase* child, ECBase* parent, const FCMidi& data) { Add(child, parent, data); }

CCAdd::~CCAdd() = default;

int CCAdd::GetCommandId() const { return 0; }

int CCAdd::Process() {
    CCBase::Process();
    m_linkedFirst = 0;
    const std::size_t rest = m_items.size() > LinkedBits ? m_items.size() - LinkedBits : 0;
    if (rest > m_nLinkedRest) {
        m_linkedRest = std::make_unique<std::uint64_t[]>((rest + LinkedBits - 1) / LinkedBits);
    } else if (m_linkedRest != nullptr) {
        std::fill_n(m_linkedRest.get(), (m_nLinkedRest + LinkedBits - 1) / LinkedBits, 0);
    }
    m_nLinkedRest = std::max(rest, m_nLinkedRest);
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        ECBase* child = m_items[i]->GetChild();
        ECBase* parent = m_items[i]->GetParent();
        if (parent == nullptr || child == nullptr || child->GetParents()->Find(parent) != nullptr) {
            continue;
        }
        if (parent->AddChild(child, 1) == 0) {
            Unlink();
            return 0;
        }
        SetLinked(i, true);
    }
    return 1;
}

bool CCAdd::IsLinked(std::size_t item) const {
    if (item < LinkedBits) {
        return ((m_linkedFirst >> item) & 1u) != 0;
    }
    const std::size_t rest = item - LinkedBits;
    return rest < m_nLinkedRest &&
           ((m_linkedRest[rest / LinkedBits] >> (rest % LinkedBits)) & 1u) != 0;
}

void CCAdd::SetLinked(std::size_t item, bool linked) {
    std::uint64_t* word = &m_linkedFirst;
    if (item >= LinkedBits) {
        word = &m_linkedRest[(item - LinkedBits) / LinkedBits];
    }
    const std::uint64_t bit = std::uint64_t{1} << (item % LinkedBits);
    *word = linked ? (*word | bit) : (*word & ~bit);
}

void CCAdd::Unlink() {
    for (std::size_t i = m_items.size(); i-- > 0;) {
        if (!IsLinked(i)) {
            continue;
        }
        SetLinked(i, false);
        ECBase* child = m_items[i]->GetChild();
        ECBase* parent = m_items[i]->GetParent();
        if (auto* container = dynamic_cast<ECWithChild*>(parent)) {
            // This command linked the child, so taking the link back is not refused.
            (void)container->UnlinkChild(child);
        } else {
            (void)parent->RemoveChild(child, 0);
        }
    }
}

void CCAdd::Undo() {
    if (m_items.empty()) {
        return;
    }
    auto inverse = std::make_unique<CCRemove>();
    for (const auto& item : m_items) {
        inverse->Remove(item->GetChild());
    }
    ApplyInverse(std::move(inverse));
}

void CCAdd::Revert() { Unlink(); }

CCAddItem* CCAdd::Add(ECBase* child, ECBase* parent, const FCMidi& data) {
    return m_items.Emplace(child, parent, data);
}

int CCAdd::GetAddEvents(MCEventList& list) {
    for (const auto& item : m_items) {
        if (item->GetChild() != nullptr && list.AddTail(item->GetChild()) == nullptr) {
            throw std::bad_alloc();
        }
    }
    return list.IsEmpty() ? 0 : 1;
}

} // namespace clavenor
