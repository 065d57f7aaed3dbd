#pragma once

#include "clavenor/commands/CCMarkInfo.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

class ECKey;

/// A key command's record of one key (see CCMarkInfo).
class CLAVENOR_API CCKeyInfo : public CCMarkInfo {
public:
    /// As CCMarkInfo(key, measure); `key` may not be null.
    CCKeyInfo(ECKey* key, ECBase* measure);

    /// GetElement() as the key it is.
    ECKey* GetKey() const;
};

} // namespace clavenor
