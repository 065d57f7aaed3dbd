#pragma once

#include "clavenor/commands/CCMarkInfo.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

class ECKey;

/// A key command's record of one key (see CCMarkInfo).
class CLAVENOR_API CCKeyInfo : public CCMarkInfo {
public:
    CCKeyInfo(ECKey* key, ECBase* measure);

    ECKey* GetKey() const;
};

} // namespace clavenor
