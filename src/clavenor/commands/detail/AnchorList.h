#pragma once

#include "clavenor/model/ECBase.h"
#include "clavenor/model/MCEventList.h"

#include <memory>
#include <new>

namespace clavenor {

/// A new list holding the elements of `points` in order (a reference on each).
/// std::bad_alloc when memory is short.
inline std::unique_ptr<MCEventList> CopyAnchorList(const MCEventList& points) {
    auto copy = std::make_unique<MCEventList>(10);
    for (ECBase* point : points) {
        if (copy->AddTail(point) == nullptr) {
            throw std::bad_alloc();
        }
    }
    return copy;
}

} // namespace clavenor
