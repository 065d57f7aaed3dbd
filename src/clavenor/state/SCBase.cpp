#include "clavenor/state/SCBase.h"

#include "clavenor/state/MCStateMgr.h"

namespace clavenor {

SCBase::~SCBase() = default;

void SCBase::Apply(ECPerformance* performance) { MCStateMgr::ApplyState(this, performance); }

void SCBase::DoState() {}

} // namespace clavenor
