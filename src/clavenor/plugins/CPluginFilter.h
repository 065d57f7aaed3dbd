#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/plugins/CPlugin.h"

namespace clavenor {

struct CRuntimeClass;
class LCBase;
class MCMapStringToPtr;

/// A registration of a filter class (derived from LCBase) under a key of at most
/// MaxKeyLength characters and a numeric code, so that a host creates filters by key or by
/// code without knowing the plug-in that brings them.
///
/// The registry is one process-wide map from key to record (GetPlugins). It points to the
/// records and owns none of them: a record must stay valid while registered. The first
/// registration of a key wins. A record leaves the registry when RemovePlugin is called for
/// it or when it is destroyed, so that a plug-in's static records go with the plug-in.
/// Not locked: register and look up from the host's owning thread.
class CLAVENOR_API CPluginFilter : public CPlugin {
public:
    /// The longest key kept, in characters; a longer one is cut.
    static constexpr int MaxKeyLength = 51;

    /// Code 0, no class, an empty key.
    CPluginFilter();
    /// Code 0; the key is copied (cut at MaxKeyLength characters; null is an empty key).
    CPluginFilter(const CRuntimeClass* filterClass, const char* key);
    /// Leaves the registry when registered.
    ~CPluginFilter() override;
    CPluginFilter(const CPluginFilter&) = delete;
    CPluginFilter& operator=(const CPluginFilter&) = delete;

    ///@{
    /// The code and the class a host finds the record by, and the key it is filed under; the
    /// key points into the record and lives as long as it.
    unsigned GetFilterCode() const { return m_nFilterCode; }
    void SetFilterCode(unsigned code) { m_nFilterCode = code; }
    const CRuntimeClass* GetFilterClass() const { return m_pFilterClass; }
    void SetFilterClass(const CRuntimeClass* filterClass) { m_pFilterClass = filterClass; }
    const char* GetFilterClassKey() const { return m_szKey; }
    ///@}
    /// Copies the key (cut at MaxKeyLength characters). Change it only while the record is
    /// not registered: the registry files a record under the key it had when added.
    void SetFilterClassKey(const char* key);

    /// Registers the record under its key: 1, or 0 (changing nothing) when the key is
    /// already registered or the record is null. Allocation failure throws std::bad_alloc.
    [[nodiscard]] static int AddPlugin(CPluginFilter* plugin);
    /// Takes the record out of the registry: 1, or 0 when it was not registered.
    [[nodiscard]] static int RemovePlugin(CPluginFilter* plugin);

    /// The record registered under `key` (exact, case-sensitive), or null.
    static CPluginFilter* FindPlugin(const char* key);
    /// The first record, in the registry's iteration order, with that class (code), or null.
    ///@{
    static CPluginFilter* FindPlugin(const CRuntimeClass* filterClass);
    static CPluginFilter* FindPlugin(unsigned code);
    ///@}

    /// A new filter of the class registered under `key` (`code`), or null when there is no
    /// such record or its class makes no LCBase. The caller owns the filter and must destroy
    /// it before the plug-in that brought its class is unloaded.
    ///@{
    static LCBase* CreateFilter(const char* key);
    static LCBase* CreateFilter(unsigned code);
    ///@}

    /// The registry: filter class key to CPluginFilter record.
    static MCMapStringToPtr& GetPlugins();

private:
    static LCBase* Create(const CPluginFilter* plugin);

    unsigned m_nFilterCode = 0;
    const CRuntimeClass* m_pFilterClass = nullptr;
    char m_szKey[MaxKeyLength + 1] = {};
};

} // namespace clavenor
