#include "clavenor/interchange/detail/LinkChild.h"

#include <clavenor/model/ECBase.h>
#include <clavenor/model/Ref.h>

#include <new>

namespace clavenor::imported {

void LinkChild(ECBase* parent, ECBase* child, int sorted) {
    if (parent->AddChild(child, sorted) != 0) {
        return;
    }
    {
        // Taking the child's first outside reference and giving it back releases it with
        // its subtree, which holds it through the children's parent links.
        const Ref<ECBase> release(child);
    }
    throw std::bad_alloc();
}

} // namespace clavenor::imported
