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
    for (const auto& item : m_items) {
        item->m_bLinked = false;
    }
    for (const auto& item : m_items) {
        ECBase* child = item->GetChild();
        ECBase* parent = item->GetParent();
        if (parent == nullptr || child == nullptr || child->GetParents()->Find(parent) != nullptr) {
            continue;
        }
        if (parent->AddChild(child, 1) == 0) {
            Unlink();
            return 0;
        }
        item->m_bLinked = true;
    }
    return 1;
}

void CCAdd::Unlink() {
    for (std::size_t i = m_items.size(); i-- > 0;) {
        CCAddItem& item = *m_items[i];
        if (!item.m_bLinked) {
            continue;
        }
        item.m_bLinked = false;
        ECBase* child = item.GetChild();
        ECBase* parent = item.GetParent();
        if (auto* container = dynamic_cast<ECWithChild*>(parent)) {
            container->UnlinkChild(child);
        } else {
            parent->RemoveChild(child, 0);
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
