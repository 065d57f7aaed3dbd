#pragma once

#include "clavenor/framework/Export.h"

#include <cstdint>
#include <string_view>

namespace clavenor {

class CObject;

/// The class record of the object model: name, archive schema, factory and base class.
///
/// Every record registers itself by name when it is constructed (that is, while the library
/// or a plug-in is being loaded) and leaves the registry when destroyed. The archive looks
/// classes up by name while loading, so each name must be unique across the process; a
/// second record with a name already taken stays out of the registry, and so does a record
/// whose name is null or empty.
///
/// Records are immutable after construction and may be read from any thread; registration
/// itself happens during static initialisation and is not meant to race with lookups.
struct CLAVENOR_API CRuntimeClass {
    /// Marks a schema under which a reader accepts any stored schema; the low 16 bits are
    /// still the number written into new archives.
    static constexpr std::uint32_t VersionableSchema = 0x80000000u;

    const char* m_lpszClassName;       ///< The class name, as written into archives.
    std::uint32_t m_wSchema;           ///< The schema (see VersionableSchema).
    CObject* (*m_pfnCreateObject)();   ///< The factory; null for a class not made by name.
    const CRuntimeClass* m_pBaseClass; ///< The base class's record; null for CObject.

    /// A record with the given name, schema, factory and base, registered by name for the
    /// archive's class lookup for as long as it lives (the destructor unregisters it).
    /// `name` must outlive the record (a string literal, as the declaring macros give); a
    /// null or empty name is not registered.
    CRuntimeClass(const char* name, std::uint32_t schema, CObject* (*factory)(),
                  const CRuntimeClass* base);
    ~CRuntimeClass();
    CRuntimeClass(const CRuntimeClass&) = delete;
    CRuntimeClass& operator=(const CRuntimeClass&) = delete;

    /// A new, empty instance made by the factory, or null for a class without one.
    /// Allocation failure throws std::bad_alloc.
    CObject* CreateObject() const;

    /// True when this class is `base` or derives from it (following m_pBaseClass).
    bool IsDerivedFrom(const CRuntimeClass* base) const;

    /// Whether objects of the class are written to archives (a class without an archive
    /// record carries the schema 0xFFFF).
    bool IsSerializable() const { return m_wSchema != 0xFFFFu; }

    /// The schema number written into class records.
    std::uint16_t GetStoredSchema() const {
        return static_cast<std::uint16_t>(m_wSchema & 0xFFFFu);
    }

    /// Whether a class record read with `schema` may be loaded as this class.
    bool AcceptsSchema(std::uint32_t schema) const {
        return (m_wSchema & VersionableSchema) != 0 || schema == GetStoredSchema();
    }

    /// The registered class with exactly this name (case-sensitive), or null.
    static const CRuntimeClass* FromName(std::string_view name);
};

} // namespace clavenor
