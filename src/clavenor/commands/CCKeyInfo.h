#pragma once

#include "clavenor/commands/CCMarkInfo.h"

namespace clavenor {

class ECKey;

/// A key command's record of one key (see CCMarkInfo).
class CCKeyInfo : public CCMarkInfo {
public:
    CCKeyInfo(ECKey* key, ECBase* measure);

    ECKey* GetKey() const;
};

} // namespace clavenor
