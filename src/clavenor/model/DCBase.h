#pragma once

#include "clavenor/framework/CObject.h"
#include "clavenor/framework/Export.h"
#include "clavenor/model/FCInt.h"

namespace clavenor {

class ECBase;

/// The base of attached data records ("DCBase", any schema accepted, 2 written). Plug-ins
/// derive their records from it and register them with CPluginData; an element creates
/// them on demand (ECBase::GetData) and destroys them with itself.
///
/// The state is a typed integer field whose value's bit 0 is the record's dirty flag (set
/// by the constructor); derived classes may use the other bits. The owner is the element
/// the record belongs to; no reference is taken on it.
class CLAVENOR_API DCBase : public CObject {
    DECLARE_SERIAL(DCBase)

public:
    DCBase();
    /// A record with value 0 and no owner.
    DCBase(const DCBase& other);
    ~DCBase() override;

    /// Copies nothing.
    DCBase& operator=(const DCBase& other);

    ///@{
    /// Equal state values; owners and classes are not compared.
    bool operator==(const DCBase& other) const { return m_state == other.m_state; }
    bool operator!=(const DCBase& other) const { return !(*this == other); }
    ///@}

    /// Storing: the state word (4 bytes), the value (32-bit) and the owner as an object
    /// reference. Documents before version 3 hold 4 more bytes in front, which are skipped.
    void Serialize(CArchive& ar) override;

    /// Copies nothing; returns this.
    virtual DCBase* Copy(CObject* src);

    /// Runs after the whole document is read or written; the base does nothing.
    virtual void PostSerialize(CArchive& ar);

    /// Bit 0 of the state value, as 0 or 1.
    virtual int IsDirty();
    /// Sets the dirty bit to (flag > 0).
    virtual void SetDirty(int flag);
    /// Records the element the record belongs to; no reference is taken, so the owner must
    /// outlive the record (an element destroys its records with itself). ECBase::GetData
    /// calls it; a host rarely needs to.
    virtual void SetOwner(ECBase* owner);

    /// The owning element, or null for a record made outside an element.
    ECBase* GetOwner() const { return m_pOwner; }
    ///@{
    /// The state field itself; valid while the record lives. Bit 0 is the dirty flag.
    FCInt& GetState() { return m_state; }
    const FCInt& GetState() const { return m_state; }
    ///@}

private:
    friend class MCDataArray;

    FCInt m_state;
    ECBase* m_pOwner = nullptr;
    // Set once the record sits in an element's data array, so that a stream cannot place
    // one record in two arrays (which would destroy it twice).
    bool m_bPlaced = false;
};

} // namespace clavenor
