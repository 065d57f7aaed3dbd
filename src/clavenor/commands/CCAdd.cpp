#include "clavenor/commands/CCAdd.h"

#include "clavenor/commands/CCRemove.h"
#include "clavenor/model/ECWithChild.h"
#include "clavenor/model/MCEventList.h"

#include <utility>

namespace clavenor {

IMPLEMENT_SERIAL(CCAdd, CCBase, 2 | CRuntimeClass::VersionableSchema)

CCAdd::CCAdd() = default;

CCAdd::CCAdd(ECBase* child, ECBase* parent, const FCMidi& data) { Add(child, parent, data); }

CCAdd::~CCAdd() = default;

int CCAdd::GetCommandId() const { return 0; }

int CCAdd::Process() {
    CCBase::Process();
    // Sized before anything changes, so that a failure leaves the document untouched.
    m_linked.assign(m_items.size(), false);
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
        m_linked[i] = true;
    }
    return 1;
}

void CCAdd::Unlink() {
    for (std::size_t i = m_linked.size(); i-- > 0;) {
        if (!m_linked[i]) {
            continue;
        }
        m_linked[i] = false;
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
    m_items.push_back(std::make_unique<CCAddItem>(child, parent, data));
    return m_items.back().get();
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
