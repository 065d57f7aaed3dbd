#pragma once

// Element classes that count their live instances, so that tests see exactly which
// elements a removal or a release destroyed.

#include "clavenor/model/ECBase.h"

#include <utility>

namespace clavenor::test {

inline int g_liveElements = 0;

template <class T>
class Counted : public T {
public:
    template <class... Args>
    explicit Counted(Args&&... args) : T(std::forward<Args>(args)...) {
        ++g_liveElements;
    }
    ~Counted() override { --g_liveElements; }
};

/// A new counted T, added to `parent` (sorted by time) when given.
template <class T, class... Args>
Counted<T>* MakeCounted(ECBase* parent, Args&&... args) {
    auto* e = new Counted<T>(std::forward<Args>(args)...);
    if (parent != nullptr) {
        parent->AddChild(e, 1);
    }
    return e;
}

} // namespace clavenor::test
