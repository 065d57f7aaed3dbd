#include "clavenor/plugins/CPluginFilter.h"

#include "clavenor/framework/CRuntimeClass.h"
#include "clavenor/model/MCMapStringToPtr.h"
#include "clavenor/plugins/LCBase.h"

#include <cstring>
#include <memory>

namespace clavenor {

namespace {

// Every record visits this, so a search walks the map in its own order.
template <class Match>
CPluginFilter* FindFirst(Match match) {
    MCMapStringToPtr& plugins = CPluginFilter::GetPlugins();
    CString key;
    void* value = nullptr;
    for (POSITION pos = plugins.GetStartPosition(); pos != nullptr;) {
        plugins.GetNextAssoc(pos, key, value);
        auto* plugin = static_cast<CPluginFilter*>(value);
        if (match(plugin)) {
            return plugin;
        }
    }
    return nullptr;
}

} // namespace

CPluginFilter::CPluginFilter() = default;

CPluginFilter::CPluginFilter(const CRuntimeClass* filterClass, const char* key)
    : m_pFilterClass(filterClass) {
    SetFilterClassKey(key);
}

// A filter that was never added is refused, having nothing to remove.
CPluginFilter::~CPluginFilter() { (void)RemovePlugin(this); }

void CPluginFilter::SetFilterClassKey(const char* key) {
    const std::size_t length = key != nullptr ? ::strnlen(key, MaxKeyLength) : 0;
    std::memcpy(m_szKey, key != nullptr ? key : "", length);
    m_szKey[length] = '\0';
}

int CPluginFilter::AddPlugin(CPluginFilter* plugin) {
    if (plugin == nullptr) {
        return 0;
    }
    void* existing = nullptr;
    if (GetPlugins().Lookup(plugin->m_szKey, existing) != 0) {
        return 0;
    }
    GetPlugins().SetAt(plugin->m_szKey, plugin);
    return 1;
}

int CPluginFilter::RemovePlugin(CPluginFilter* plugin) {
    if (plugin == nullptr) {
        return 0;
    }
    MCMapStringToPtr& plugins = GetPlugins();
    void* value = nullptr;
    if (plugins.Lookup(plugin->m_szKey, value) != 0 && value == plugin) {
        return plugins.RemoveKey(plugin->m_szKey);
    }
    // Filed under a key it no longer has.
    CString key;
    for (POSITION pos = plugins.GetStartPosition(); pos != nullptr;) {
        plugins.GetNextAssoc(pos, key, value);
        if (value == plugin) {
            return plugins.RemoveKey(key.GetString());
        }
    }
    return 0;
}

CPluginFilter* CPluginFilter::FindPlugin(const char* key) {
    void* value = nullptr;
    return key != nullptr && GetPlugins().Lookup(key, value) != 0
               ? static_cast<CPluginFilter*>(value)
               : nullptr;
}

CPluginFilter* CPluginFilter::FindPlugin(const CRuntimeClass* filterClass) {
    return FindFirst([filterClass](const CPluginFilter* plugin) {
        return plugin->m_pFilterClass == filterClass;
    });
}

CPluginFilter* CPluginFilter::FindPlugin(unsigned code) {
    return FindFirst([code](const CPluginFilter* plugin) { return plugin->m_nFilterCode == code; });
}

LCBase* CPluginFilter::CreateFilter(const char* key) { return Create(FindPlugin(key)); }

LCBase* CPluginFilter::CreateFilter(unsigned code) { return Create(FindPlugin(code)); }

MCMapStringToPtr& CPluginFilter::GetPlugins() {
    // Never destroyed: records in libraries that are unloaded at exit may leave it after the
    // library's own statics are gone.
    static MCMapStringToPtr* plugins = new MCMapStringToPtr;
    return *plugins;
}

LCBase* CPluginFilter::Create(const CPluginFilter* plugin) {
    if (plugin == nullptr || plugin->m_pFilterClass == nullptr) {
        return nullptr;
    }
    std::unique_ptr<CObject> object(plugin->m_pFilterClass->CreateObject());
    if (object == nullptr || !object->IsKindOf(RUNTIME_CLASS(LCBase))) {
        return nullptr;
    }
    return static_cast<LCBase*>(object.release());
}

} // namespace clavenor
