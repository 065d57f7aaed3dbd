#include "clavenor/commands/CCEdit.h"

#include "clavenor/elements/ECPerformance.h"
#include "clavenor/framework/detail/ReserveOneMore.h"
#include "clavenor/model/ECBase.h"
#include "clavenor/model/EventRegistry.h"
#include "clavenor/model/MCEventList.h"

#include <new>
#include <utility>

namespace clavenor {

IMPLEMENT_SERIAL(CCEdit, CCBase, 2 | CRuntimeClass::VersionableSchema)

CCEdit::CCEdit() = default;

CCEdit::~CCEdit() = default;

int CCEdit::GetCommandId() const { return 21; }

CCEditItem* CCEdit::GetItem(int index) const {
    return index >= 0 && index < GetItemCount() ? m_items[static_cast<std::size_t>(index)].get()
                                                : nullptr;
}

CCEditItem* CCEdit::FindItem(const void* key) const {
    auto it = m_index.find(key);
    return it != m_index.end() ? m_items[it->second].get() : nullptr;
}

CCEditItem* CCEdit::AddItem(std::unique_ptr<CCEditItem> item) {
    ReserveOneMore(m_items);
    m_index.emplace(item->GetKey(), m_items.size());
    m_items.push_back(std::move(item));
    return m_items.back().get();
}

CCEditItem* CCEdit::EditEvent(ECBase* element) {
    if (element == nullptr) {
        return nullptr;
    }
    if (CCEditItem* item = FindItem(element)) {
        return item;
    }
    return AddItem(std::make_unique<CCEditItem>(element));
}

int CCEdit::GetEditEvents(MCEventList& list) {
    for (const auto& item : m_items) {
        if (item->GetEvent() != nullptr && list.AddTail(item->GetEvent()) == nullptr) {
            throw std::bad_alloc();
        }
    }
    return list.IsEmpty() ? 0 : 1;
}

bool CCEdit::InTarget(ECBase* element) const {
    return element != nullptr && GetTarget() != nullptr &&
           element->GetAncestor(EventId::Performance, -1) == GetTarget();
}

bool CCEdit::Accepts(CCEditItem& item) const { return InTarget(item.GetEvent()); }

int CCEdit::Prepare() {
    if (CCBase::Prepare() == 0) {
        return 0;
    }
    for (const auto& item : m_items) {
        if (!Accepts(*item)) {
            return 0;
        }
    }
    return 1;
}

int CCEdit::Process() {
    CCBase::Process();
    for (const auto& item : m_items) {
        item->Keep();
    }
    const int keepUndo = IsInUndoGroup();
    std::size_t done = 0;
    try {
        for (; done < m_items.size(); ++done) {
            m_items[done]->Process(keepUndo);
        }
    } catch (...) {
        // An assignment that ran out of memory halfway: the items begun go back.
        for (std::size_t i = 0; i <= done && i < m_items.size(); ++i) {
            m_items[i]->Restore();
        }
        throw;
    }
    return 1;
}

void CCEdit::Revert() {
    for (auto it = m_items.rbegin(); it != m_items.rend(); ++it) {
        (*it)->Restore();
    }
}

bool CCEdit::HasUndo(CCEditItem& item) const { return item.GetUndoCopy() != nullptr; }

std::unique_ptr<CCEdit> CCEdit::MakeInverse() const { return std::make_unique<CCEdit>(); }

void CCEdit::Invert(CCEdit& inverse, CCEditItem& item) const {
    CCEditItem* target = inverse.EditEvent(item.GetEvent());
    target->GetEditCopy()->Copy(item.GetUndoCopy());
}

void CCEdit::Undo() {
    if (m_items.empty()) {
        return;
    }
    for (const auto& item : m_items) {
        if (!HasUndo(*item)) {
            return;
        }
    }
    std::unique_ptr<CCEdit> inverse = MakeInverse();
    for (const auto& item : m_items) {
        Invert(*inverse, *item);
    }
    ApplyInverse(std::move(inverse));
}

} // namespace clavenor
