#pragma once

#include "clavenor/commands/CCMarkInfo.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

class ECClef;

/// A clef command's record of one clef (see CCMarkInfo).
class CLAVENOR_API CCClefInfo : public CCMarkInfo {
public:
    CCClefInfo(ECClef* clef, ECBase* measure);

    ECClef* GetClef() const;
};

} // namespace clavenor
