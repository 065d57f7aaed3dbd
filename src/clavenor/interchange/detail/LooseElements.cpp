#include "clavenor/interchange/detail/LooseElements.h"

#include <clavenor/model/ECBase.h>

#include <algorithm>
#include <utility>

namespace clavenor::imported {

void LooseElements::Keep(ECBase* made) {
    Ref<ECBase> hold(made);
    // Should the list find no memory, the hold's release takes the element with it.
    m_holds.push_back(std::move(hold));
}

void LooseElements::Link(ECBase* parent, ECBase* child, int sorted) {
    if (parent->AddChild(child, sorted) == 0) {
        // A child nothing holds is taken with a hold of its own, so that it goes now.
        const Ref<ECBase> release(child);
        throw std::bad_alloc();
    }
    if (!m_holds.empty() && m_holds.back().Get() == child) {
        m_holds.pop_back();
    }
}

void LooseElements::Drop(ECBase* element) {
    const auto found =
        std::find_if(m_holds.rbegin(), m_holds.rend(),
                     [element](const Ref<ECBase>& hold) { return hold.Get() == element; });
    if (found != m_holds.rend()) {
        m_holds.erase(std::next(found).base());
        return;
    }
    // Held by nothing: the hold taken here is its only one.
    const Ref<ECBase> release(element);
}

} // namespace clavenor::imported
