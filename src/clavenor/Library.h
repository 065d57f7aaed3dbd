#pragma once

#include "clavenor/framework/Export.h"

namespace clavenor {

/// Makes sure that every class record of the library is registered, so that archives find
/// each class by its name and CreateEvent makes each element kind; returns how many of the
/// library's class records the archive now finds by name.
///
/// A host linked against the shared library need not call it: loading the library registers
/// every class. A host linked against the static archive must, once, from main() or later
/// and before it loads a document or makes an element by id: the records register themselves
/// only when the linker takes their object files in, and this call is what makes it take all
/// of them. Calling it from a static initialiser is not supported (the records may not be
/// constructed yet). Calling it again is harmless. Not locked; call it from one thread.
CLAVENOR_API int RegisterClasses();

} // namespace clavenor
