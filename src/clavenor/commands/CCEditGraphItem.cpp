#include "clavenor/commands/CCEditGraphItem.h"

#include "clavenor/model/ECBase.h"

#include <new>

namespace clavenor {

CCEditGraphItem::CCEditGraphItem(ECBase* event) {
    Hold(event);
    if (event != nullptr) {
        Append(m_parents, event->GetParents());
        Append(m_children, event->GetChildren());
    }
}

CCEditGraphItem::CCEditGraphItem(ECBase* event, ECBase* parent, MCEventList& children) {
    MCEventList one;
    if (parent != nullptr && one.AddTail(parent) == nullptr) {
        throw std::bad_alloc();
    }
    Hold(event);
    Append(m_parents, &one);
    Append(m_children, &children);
}

CCEditGraphItem::CCEditGraphItem(ECBase* event, MCEventList& parents, MCEventList& children) {
    Hold(event);
    Append(m_parents, &parents);
    Append(m_children, &children);
}

CCEditGraphItem::~CCEditGraphItem() {
    Release(m_children);
    Release(m_parents);
    if (m_pEvent != nullptr) {
        m_pEvent->ReleaseCommandHold();
    }
}

void CCEditGraphItem::Hold(ECBase* event) {
    if (event != nullptr) {
        event->AddCommandHold();
    }
    m_pEvent = event;
}

void CCEditGraphItem::Append(MCEventList& to, MCEventList* from) {
    if (from == nullptr) {
        return;
    }
    try {
        for (ECBase* element : *from) {
            if (to.AddTail(element) == nullptr) {
                throw std::bad_alloc();
            }
            element->AddCommandHold();
        }
    } catch (...) {
        // The constructor does not finish, so the destructor will not run: give back here.
        Release(m_children);
        Release(m_parents);
        if (m_pEvent != nullptr) {
            m_pEvent->ReleaseCommandHold();
            m_pEvent = nullptr;
        }
        throw;
    }
}

void CCEditGraphItem::Release(MCEventList& list) {
    // The list's reference goes first, so that the last command hold decides what is taken
    // apart.
    while (!list.IsEmpty()) {
        ECBase* element = list.GetHead();
        element->Ref();
        list.RemoveHead();
        element->ReleaseCommandHold();
        element->Unref(1);
    }
}

} // namespace clavenor
