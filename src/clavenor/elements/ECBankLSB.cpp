#include "clavenor/elements/ECBankLSB.h"

#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECBankLSB, ECControlChange, 2 | CRuntimeClass::VersionableSchema)

ECBankLSB::~ECBankLSB() = default;

ECBase* ECBankLSB::Copy(CObject* src) { return CopyAs(this, src); }

int ECBankLSB::GetEventId() const { return EventId::BankLSB; }

int ECBankLSB::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Staff);
    return 1;
}

} // namespace clavenor
