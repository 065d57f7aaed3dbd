#include "clavenor/elements/ECBankMSB.h"

#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECBankMSB, ECControlChange, 2 | CRuntimeClass::VersionableSchema)

ECBankMSB::~ECBankMSB() = default;

ECBase* ECBankMSB::Copy(CObject* src) { return CopyAs(this, src); }

int ECBankMSB::GetEventId() const { return EventId::BankMSB; }

int ECBankMSB::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Staff);
    return 1;
}

} // namespace clavenor
