#pragma once

#include "clavenor/framework/CString.h"
#include "clavenor/framework/Export.h"
#include "clavenor/framework/WindowTypes.h"

namespace clavenor {

/// The library's string resources, by id: the texts that records, display names and
/// messages are loaded from. Fixed at build time; readable from any thread.
class CLAVENOR_API StringTable {
public:
    /// The text of resource `id`, or null when the library has none.
    static const char* Find(UINT id);

    /// The text of resource `id`, or an empty string when the library has none.
    static CString Load(UINT id);
};

} // namespace clavenor
