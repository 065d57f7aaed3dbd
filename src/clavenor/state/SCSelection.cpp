#include "clavenor/state/SCSelection.h"

#include "clavenor/framework/CMessageQueue.h"
#include "clavenor/framework/CWnd.h"
#include "clavenor/model/ECBase.h"

#include <new>
#include <unordered_set>

namespace clavenor {

namespace {

std::uint32_t s_color = 255;

std::unordered_set<ECBase*> Members(MCEventList& list) {
    std::unordered_set<ECBase*> members;
    members.reserve(static_cast<std::size_t>(list.GetCount()));
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
        members.insert(list.GetNext(pos));
    }
    return members;
}

void Append(MCEventList& list, ECBase* element, int sorted) {
    if (list.AddEvent(element, sorted) == nullptr) {
        throw std::bad_alloc();
    }
}

} // namespace

SCSelection::SCSelection(int code) : SCBase(code) { SetSynchronous(1); }

SCSelection::SCSelection(int code, ECBase* element) : SCSelection(code) { AddToSelection(element); }

SCSelection::SCSelection(int code, MCEventList* elements) : SCSelection(code) {
    AddToSelection(elements);
}

SCSelection::SCSelection(const SCSelection& other)
    : SCBase(other), m_nSelFlags(other.m_nSelFlags), m_pFocusWnd(other.m_pFocusWnd),
      m_hFocusWnd(other.m_hFocusWnd) {
    m_events.AddTail(&other.m_events);
    m_newSelection.AddTail(&other.m_newSelection);
    m_added.AddTail(&other.m_added);
    m_removed.AddTail(&other.m_removed);
}

SCSelection& SCSelection::operator=(const SCSelection& other) {
    if (this != &other) {
        SCBase::operator=(other);
        m_nSelFlags = other.m_nSelFlags;
        m_pFocusWnd = other.m_pFocusWnd;
        m_hFocusWnd = other.m_hFocusWnd;
        ClearSelection();
        m_events.AddTail(&other.m_events);
        m_newSelection.AddTail(&other.m_newSelection);
        m_added.AddTail(&other.m_added);
        m_removed.AddTail(&other.m_removed);
    }
    return *this;
}

SCSelection::~SCSelection() {
    ClearSelection();
    if (m_hFocusWnd != nullptr && CMessageQueue::IsWindow(m_hFocusWnd)) {
        CMessageQueue::SetFocusWindow(m_hFocusWnd);
    }
}

void SCSelection::SetFocusWnd(CWnd* window) {
    m_pFocusWnd = window;
    m_hFocusWnd = window != nullptr ? window->GetSafeHwnd() : nullptr;
}

MCEventList* SCSelection::GetEvents(int index) {
    switch (index) {
    case 0:
        return &m_events;
    case 1:
        return IsUpdated() != 0 ? &m_newSelection : nullptr;
    case 2:
        return IsUpdated() != 0 ? &m_added : nullptr;
    case 3:
        return IsUpdated() != 0 ? &m_removed : nullptr;
    default:
        return nullptr;
    }
}

ECBase* SCSelection::Resolve(ECBase* element) const { return element; }

void SCSelection::AddToSelection(ECBase* element) {
    CMessageQueue::RequireOwnerThread("SCSelection::AddToSelection");
    ECBase* resolved = Resolve(element);
    if (resolved != nullptr && m_events.Find(resolved) == nullptr) {
        Append(m_events, resolved, 1);
    }
}

void SCSelection::AddToSelection(MCEventList* elements) {
    if (elements == nullptr) {
        return;
    }
    for (POSITION pos = elements->GetHeadPosition(); pos != nullptr;) {
        AddToSelection(elements->GetNext(pos));
    }
}

void SCSelection::RemoveFromSelection(ECBase* element) {
    if (ECBase* resolved = Resolve(element)) {
        m_events.RemoveEvent(resolved);
    }
}

void SCSelection::RemoveFromSelection(MCEventList* elements) {
    if (elements == nullptr) {
        return;
    }
    for (POSITION pos = elements->GetHeadPosition(); pos != nullptr;) {
        RemoveFromSelection(elements->GetNext(pos));
    }
}

void SCSelection::ClearSelection() {
    m_events.RemoveAll();
    m_newSelection.RemoveAll();
    m_added.RemoveAll();
    m_removed.RemoveAll();
}

int SCSelection::UpdateSelection(MCEventList& current) {
    const int code = GetCode();
    if (code < CodeClear || code > CodeToggle) {
        return 0;
    }
    MCEventList next(10);
    if (code == CodeReplace) {
        next.AddTail(&m_events);
    } else if (code != CodeClear) {
        const std::unordered_set<ECBase*> events = Members(m_events);
        for (POSITION pos = current.GetHeadPosition(); pos != nullptr;) {
            ECBase* element = current.GetNext(pos);
            if (code != CodeRemove || events.count(element) == 0) {
                Append(next, element, 0);
            }
        }
        if (code == CodeAdd || code == CodeToggle) {
            std::unordered_set<ECBase*> inNext = Members(next);
            for (POSITION pos = m_events.GetHeadPosition(); pos != nullptr;) {
                ECBase* element = m_events.GetNext(pos);
                if (code == CodeToggle && element->IsSelected() != 0) {
                    next.RemoveEvent(element);
                    inNext.erase(element);
                } else if (inNext.insert(element).second) {
                    Append(next, element, 0);
                }
            }
        }
    }

    const std::unordered_set<ECBase*> before = Members(current);
    const std::unordered_set<ECBase*> after = Members(next);
    m_added.RemoveAll();
    m_removed.RemoveAll();
    for (POSITION pos = next.GetHeadPosition(); pos != nullptr;) {
        ECBase* element = next.GetNext(pos);
        if (before.count(element) == 0) {
            Append(m_added, element, 1);
        }
    }
    for (POSITION pos = current.GetHeadPosition(); pos != nullptr;) {
        ECBase* element = current.GetNext(pos);
        if (after.count(element) == 0) {
            Append(m_removed, element, 1);
        }
    }
    for (POSITION pos = m_added.GetHeadPosition(); pos != nullptr;) {
        m_added.GetNext(pos)->SetSelected(1);
    }
    for (POSITION pos = m_removed.GetHeadPosition(); pos != nullptr;) {
        m_removed.GetNext(pos)->SetSelected(0);
    }
    current.RemoveAll();
    current.AddTail(&next);
    m_newSelection.RemoveAll();
    m_newSelection.AddTail(&next);
    m_nSelFlags |= 0x2;
    return m_added.IsEmpty() && m_removed.IsEmpty() ? 0 : 1;
}

std::uint32_t SCSelection::GetColor() { return s_color; }

void SCSelection::SetColor(std::uint32_t color) { s_color = color; }

} // namespace clavenor
