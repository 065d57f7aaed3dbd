#include "clavenor/elements/ECLyricBlock.h"

#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECLyricBlock, ECLyric, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECLyricBlock, EventId::LyricBlock)

ECLyricBlock::~ECLyricBlock() = default;

ECBase* ECLyricBlock::Copy(CObject* src) { return CopyAs(this, src); }

int ECLyricBlock::GetEventId() const { return EventId::LyricBlock; }

int ECLyricBlock::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Performance);
    return 1;
}

} // namespace clavenor
