#pragma once

// What scripts/check-exports must catch (three problems) and what it must let pass.

#include "clavenor/framework/Export.h"

namespace clavenor {

class MCForward;

class MCUnmarked {
public:
    int Get() const;
};

struct CLAVENOR_API MCMarked {
    int value = 0;
};

template <class T>
class MCTemplate {};

int UnmarkedFunction(int value);
CLAVENOR_API int MarkedFunction(int value);
inline int InlineFunction(int value) { return value; }

extern int g_unmarkedVariable;

} // namespace clavenor
