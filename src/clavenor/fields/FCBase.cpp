#include "clavenor/fields/FCBase.h"

namespace clavenor {

FCBase::~FCBase() = default;

} // namespace clavenor
