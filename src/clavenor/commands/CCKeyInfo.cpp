#include "clavenor/commands/CCKeyInfo.h"

#include "clavenor/elements/ECKey.h"

namespace clavenor {

CCKeyInfo::CCKeyInfo(ECKey* key, ECBase* measure) : CCMarkInfo(key, measure) {}

ECKey* CCKeyInfo::GetKey() const { return static_cast<ECKey*>(GetElement()); }

} // namespace clavenor
