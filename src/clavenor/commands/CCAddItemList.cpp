#include "clavenor/commands/CCAddItemList.h"

#include <new>
#include <utility>

namespace clavenor {

CCAddItemList::~CCAddItemList() {
    if (m_bInline) {
        Inline()->~CCAddItem();
    }
}

CCAddItem* CCAddItemList::operator[](std::size_t index) const {
    if (m_bInline) {
        if (index == 0) {
            return Inline();
        }
        --index;
    }
    return (*m_pRest)[index].get();
}

std::vector<std::unique_ptr<CCAddItem>>& CCAddItemList::Rest() {
    if (m_pRest == nullptr) {
        m_pRest = std::make_unique<std::vector<std::unique_ptr<CCAddItem>>>();
    }
    return *m_pRest;
}

CCAddItem* CCAddItemList::Emplace(ECBase* child, ECBase* parent, const FCMidi& data) {
    if (empty()) {
        // Holding elements needs no memory, so the item cannot fail half made.
        ::new (static_cast<void*>(m_first)) CCAddItem(child, parent, data);
        m_bInline = true;
        return Inline();
    }
    return Append(std::make_unique<CCAddItem>(child, parent, data));
}

CCAddItem* CCAddItemList::Append(std::unique_ptr<CCAddItem> item) {
    std::vector<std::unique_ptr<CCAddItem>>& rest = Rest();
    rest.push_back(std::move(item));
    return rest.back().get();
}

void CCAddItemList::Erase(std::size_t index) {
    if (m_bInline) {
        if (index == 0) {
            m_bInline = false;
            Inline()->~CCAddItem();
            return;
        }
        --index;
    }
    m_pRest->erase(m_pRest->begin() + static_cast<std::ptrdiff_t>(index));
}

} // namespace clavenor
