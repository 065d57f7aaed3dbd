#pragma once

#include "clavenor/commands/CCMarkInfo.h"

namespace clavenor {

class ECClef;

/// A clef command's record of one clef (see CCMarkInfo).
class CCClefInfo : public CCMarkInfo {
public:
    CCClefInfo(ECClef* clef, ECBase* measure);

    ECClef* GetClef() const;
};

} // namespace clavenor
