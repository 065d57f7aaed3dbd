#include "clavenor/commands/CCAdd.h"

#include "clavenor/commands/CCRemove.h"
#include "clavenor/model/ECBase.h"
#include "clavenor/model/MCEventList.h"

namespace clavenor {

IMPLEMENT_SERIAL(CCAdd, CCBase, 2 | CRuntimeClass::VersionableSchema)

CCAdd::CCAdd() = default;

CCAdd::CCAdd(ECBase* child, ECBase* parent, const FCMidi& data) { Add(child, parent, data); }

CCAdd::~CCAdd() = default;

int CCAdd::GetCommandId() const { return 0; }

int CCAdd::Process() {
    CCBase::Process();
    for (const auto& item : m_items) {
        if (item->GetParent() != nullptr && item->GetChild() != nullptr) {
            item->GetParent()->AddChild(item->GetChild(), 1);
        }
    }
    return 1;
}

void CCAdd::Undo() {
    if (m_items.empty()) {
        return;
    }
    auto* inverse = new CCRemove;
    inverse->SetSynchronous(IsSynchronous());
    for (const auto& item : m_items) {
        inverse->Remove(item->GetChild());
    }
    if (inverse->Apply(GetTarget()) == 0) {
        delete inverse;
    }
}

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
