#include "support/TestElements.h"

namespace clavenor::test {

IMPLEMENT_SERIAL(TLeaf, ECWithTime, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_SERIAL(TNode, ECWithTimeChild, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_SERIAL(TData, DCBase, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_DYNCREATE(TTransient, DCBase)

int NextDeath() {
    static int deaths = 0;
    return ++deaths;
}

} // namespace clavenor::test
