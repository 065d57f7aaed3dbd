#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/state/SCBase.h"

namespace clavenor {

/// A file event of the host (its codes are the host's); delivered synchronously.
class CLAVENOR_API SCFile : public SCBase {
public:
    /// A synchronous record of the host's `code`.
    explicit SCFile(int code = 0) : SCBase(code) { SetSynchronous(1); }
};

} // namespace clavenor
