#include "clavenor/model/DCBase.h"

#include "clavenor/framework/CArchive.h"
#include "clavenor/model/ECBase.h"
#include "clavenor/model/detail/MCActiveVersion.h"

namespace clavenor {

IMPLEMENT_SERIAL(DCBase, CObject, 2 | CRuntimeClass::VersionableSchema)

DCBase::DCBase() : m_state(1) {}

DCBase::DCBase(const DCBase&) : CObject(), m_state(0) {}

DCBase::~DCBase() = default;

DCBase& DCBase::operator=(const DCBase&) { return *this; }

void DCBase::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << m_state.GetState() << m_state.GetValue();
        // The owner is the element whose record encloses this one; only a document root
        // written by a direct Serialize is not in the archive, and is written as null.
        ar.WriteObject(ar.IsObjectMapped(m_pOwner) ? m_pOwner : nullptr);
        return;
    }
    if (MCActiveVersion::Get() < 3) {
        ar.Skip(4);
    }
    std::uint32_t state = 0;
    std::int32_t value = 0;
    ar >> state >> value;
    m_state.SetState(state);
    m_state.SetValue(value);
    auto* owner = static_cast<ECBase*>(ar.ReadObject(RUNTIME_CLASS(ECBase)));
    // In a sound stream the owner is the element whose record encloses this one; anything
    // else would leave a pointer the record does not keep alive.
    m_pOwner = ar.IsObjectBeingLoaded(owner) ? owner : nullptr;
}

DCBase* DCBase::Copy(CObject*) { return this; }

void DCBase::PostSerialize(CArchive&) {}

int DCBase::IsDirty() { return m_state.GetBitValue(0); }

void DCBase::SetDirty(int flag) { m_state.SetBitValue(0, flag > 0 ? 1 : 0); }

void DCBase::SetOwner(ECBase* owner) { m_pOwner = owner; }

} // namespace clavenor
