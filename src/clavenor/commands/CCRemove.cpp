#include "clavenor/commands/CCRemove.h"

#include "clavenor/commands/CCAdd.h"
#include "clavenor/model/ECBase.h"
#include "clavenor/model/MCEventList.h"

namespace clavenor {

IMPLEMENT_SERIAL(CCRemove, CCBase, 2 | CRuntimeClass::VersionableSchema)

CCRemove::CCRemove() = default;

CCRemove::CCRemove(ECBase* element) { Remove(element); }

CCRemove::~CCRemove() = default;

int CCRemove::GetCommandId() const { return 36; }

int CCRemove::Process() {
    CCBase::Process();
    DoRemove();
    return 1;
}

void CCRemove::DoRemove() {
    for (const auto& item : m_items) {
        if (ECBase* child = item->GetChild()) {
            child->RemoveFromParents();
        }
    }
}

void CCRemove::Undo() {
    if (m_items.empty()) {
        return;
    }
    auto inverse = std::make_unique<CCAdd>();
    inverse->SetSynchronous(IsSynchronous());
    for (auto it = m_items.rbegin(); it != m_items.rend(); ++it) {
        inverse->Add((*it)->GetChild(), (*it)->GetParent(), FCMidi::MidiNull());
    }
    // From here the dispatch owns it, and gives it back whatever happens.
    CCAdd* command = inverse.release();
    if (command->Apply(GetTarget()) == 0) {
        delete command;
    }
}

void CCRemove::Revert() {
    for (auto it = m_items.rbegin(); it != m_items.rend(); ++it) {
        ECBase* child = (*it)->GetChild();
        ECBase* parent = (*it)->GetParent();
        if (child != nullptr && parent != nullptr) {
            parent->AddChild(child, 1);
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
    const auto [at, added] = m_positions.emplace(element, static_cast<int>(m_items.size()));
    if (!added) {
        return nullptr;
    }
    try {
        auto item = std::make_unique<CCRemoveItem>();
        item->SetChild(element);
        m_items.push_back(std::move(item));
    } catch (...) {
        m_positions.erase(at);
        throw;
    }
    return m_items.back().get();
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
