#include "clavenor/model/MCPtrList.h"

namespace clavenor {

MCPtrList::MCPtrList(int) {}

MCPtrList::~MCPtrList() { RemoveAll(); }

} // namespace clavenor
