#include "clavenor/model/FCBase.h"

namespace clavenor {

FCBase::~FCBase() = default;

} // namespace clavenor
