#pragma once

#include "clavenor/framework/CArchive.h"
#include "clavenor/framework/CRuntimeClass.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

class CArchive;

/// Root of the object model: a runtime class record, a kind test and a virtual archive
/// record. Every element, list, data record, command and filter of the library is a
/// CObject, and so is anything a plug-in registers.
class CLAVENOR_API CObject {
public:
    virtual ~CObject();

    /// The record of the object's most derived class that declares one (never null);
    /// static storage, valid for the life of the module.
    virtual const CRuntimeClass* GetRuntimeClass() const;

    /// True when this object's class is `cls` or derives from it; false for null.
    bool IsKindOf(const CRuntimeClass* cls) const;

    /// Writes the object's record when `ar` is storing and reads it when loading. The base
    /// writes and reads nothing. Failures throw CArchiveException.
    virtual void Serialize(CArchive& ar);

    /// The class record of CObject itself, the root of every IsKindOf chain.
    static const CRuntimeClass classCObject;

protected:
    CObject() = default;
    ///@{
    /// Copying carries no state of the base (archive marks stay with their object).
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
    ///@}

private:
    friend class CArchive;

    // Ownership of objects that an archive creates while loading. The archive calls
    // TakeArchiveHold() on each object it creates; when that returns true the archive keeps
    // the object alive until it closes and then calls ReleaseArchiveHold() once. Before that,
    // it calls DetachIfUnreachable() on every held object, repeating while any call returns
    // true, so that reference-counted objects which only keep each other alive (an element
    // and its children, read where the stream leaves them unlinked) let go of each other. When an
    // object's own record fails to load, the archive forgets it and calls
    // DiscardAfterFailedLoad(): the default destroys an object the archive does not hold,
    // since no holder has seen it yet.
    virtual bool TakeArchiveHold();
    virtual void ReleaseArchiveHold();
    virtual bool DetachIfUnreachable();
    virtual void DiscardAfterFailedLoad();

    // Room in the object for the index under which a storing archive wrote it, so that
    // finding whether an object has been written costs no lookup in a table the size of the
    // document. Null (the default) when the object has none: the archive then keeps the
    // object in its table. The word is only a hint, since another archive may have written
    // the object too: the archive believes it after checking that it wrote this very object
    // under that index.
    virtual std::uint32_t* GetArchiveMark() const;
};

} // namespace clavenor

/// The class record of a class declared with DECLARE_DYNAMIC or DECLARE_SERIAL.
#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

/// Declares a class record without a factory. Place in the public part of the class.
#define DECLARE_DYNAMIC(class_name)                                                                \
public:                                                                                            \
    static const ::clavenor::CRuntimeClass class##class_name;                                      \
    static const ::clavenor::CRuntimeClass* GetThisClass() { return &class##class_name; }          \
    const ::clavenor::CRuntimeClass* GetRuntimeClass() const override;

/// Declares a class record with a factory (the default constructor) and the checked
/// `operator>>` that reads a pointer of this class from an archive.
#define DECLARE_SERIAL(class_name)                                                                 \
    DECLARE_DYNAMIC(class_name)                                                                    \
    static ::clavenor::CObject* CreateObject();                                                    \
    friend CLAVENOR_API ::clavenor::CArchive& operator>>(::clavenor::CArchive& ar,                 \
                                                         class_name*& pOb);

/// Declares a class record with a factory but no archive support: objects of the class can
/// be created by class record (the data registry does so) but are never written or read.
#define DECLARE_DYNCREATE(class_name)                                                              \
    DECLARE_DYNAMIC(class_name)                                                                    \
    static ::clavenor::CObject* CreateObject();

#define IMPLEMENT_DYNAMIC(class_name, base_class_name)                                             \
    const ::clavenor::CRuntimeClass class_name::class##class_name(#class_name, 0xFFFFu, nullptr,   \
                                                                  RUNTIME_CLASS(base_class_name)); \
    const ::clavenor::CRuntimeClass* class_name::GetRuntimeClass() const {                         \
        return RUNTIME_CLASS(class_name);                                                          \
    }

/// Defines the class record of a DECLARE_DYNCREATE class (schema 0xFFFF, not archivable) and
/// its factory.
#define IMPLEMENT_DYNCREATE(class_name, base_class_name)                                           \
    ::clavenor::CObject* class_name::CreateObject() { return new class_name; }                     \
    const ::clavenor::CRuntimeClass class_name::class##class_name(                                 \
        #class_name, 0xFFFFu, &class_name::CreateObject, RUNTIME_CLASS(base_class_name));          \
    const ::clavenor::CRuntimeClass* class_name::GetRuntimeClass() const {                         \
        return RUNTIME_CLASS(class_name);                                                          \
    }

/// Defines the class record, the factory and the checked `operator>>`. `schema` is the
/// number written into class records; OR it with CRuntimeClass::VersionableSchema to accept
/// any stored schema when loading. Must be used inside namespace clavenor.
#define IMPLEMENT_SERIAL(class_name, base_class_name, schema)                                      \
    ::clavenor::CObject* class_name::CreateObject() { return new class_name; }                     \
    const ::clavenor::CRuntimeClass class_name::class##class_name(                                 \
        #class_name, (schema), &class_name::CreateObject, RUNTIME_CLASS(base_class_name));         \
    const ::clavenor::CRuntimeClass* class_name::GetRuntimeClass() const {                         \
        return RUNTIME_CLASS(class_name);                                                          \
    }                                                                                              \
    ::clavenor::CArchive& operator>>(::clavenor::CArchive& ar, class_name*& pOb) {                 \
        pOb = static_cast<class_name*>(ar.ReadObject(RUNTIME_CLASS(class_name)));                  \
        return ar;                                                                                 \
    }
