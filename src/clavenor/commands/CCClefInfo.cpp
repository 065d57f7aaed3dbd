#include "clavenor/commands/CCClefInfo.h"

#include "clavenor/elements/ECClef.h"

namespace clavenor {

CCClefInfo::CCClefInfo(ECClef* clef, ECBase* measure) : CCMarkInfo(clef, measure) {}

ECClef* CCClefInfo::GetClef() const { return static_cast<ECClef*>(GetElement()); }

} // namespace clavenor
