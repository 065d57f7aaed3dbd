#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/MCListTemplate.h"

namespace clavenor {

/// A list of untyped pointers; the list never owns what they point to. Command lists and
/// callback lists build on it. The constructor's block size is accepted and ignored.
class CLAVENOR_API MCPtrList : public MCListTemplate<void*, MCListNoBase> {
public:
    /// An empty list; `blockSize` is accepted for the familiar signature and ignored: nodes
    /// are allocated one by one.
    explicit MCPtrList(int blockSize = 10);
    virtual ~MCPtrList();
};

} // namespace clavenor
