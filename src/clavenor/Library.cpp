#include "clavenor/Library.h"

#include "clavenor/clavenor.h"

namespace clavenor {

namespace {

// Every class record of the library, as listed from the sources at build time. Referring to
// a record is what makes a static link take in the object file that defines it, and with it
// the static initialisers that register the class.
const CRuntimeClass* const Classes[] = {
#define CLAVENOR_CLASS(name) RUNTIME_CLASS(name),
#include "clavenor/ClassList.inc"
#undef CLAVENOR_CLASS
};

} // namespace

int RegisterClasses() {
    int found = 0;
    for (const CRuntimeClass* cls : Classes) {
        if (CRuntimeClass::FromName(cls->m_lpszClassName) == cls) {
            ++found;
        }
    }
    return found;
}

} // namespace clavenor
