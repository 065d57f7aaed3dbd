#pragma once

#include "clavenor/commands/CCMarkInfo.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

class ECClef;

/// A clef command's record of one clef (see CCMarkInfo).
class CLAVENOR_API CCClefInfo : public CCMarkInfo {
public:
    /// As CCMarkInfo(clef, measure); `clef` may not be null.
    CCClefInfo(ECClef* clef, ECBase* measure);

    /// GetElement() as the clef it is.
    ECClef* GetClef() const;
};

} // namespace clavenor
