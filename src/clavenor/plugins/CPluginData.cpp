#include "clavenor/plugins/CPluginData.h"

#include "clavenor/framework/CRuntimeClass.h"
#include "clavenor/model/DCBase.h"
#include "clavenor/model/ECBase.h"

#include <memory>

namespace clavenor {

namespace {

const CRuntimeClass* g_table[CPluginData::ViewCodes * CPluginData::EventTypes];
const CRuntimeClass* g_outOfRange;
bool g_tableCleared = false;

bool InTable(int viewCode, int eventType) {
    return viewCode >= 0 && viewCode < CPluginData::ViewCodes && eventType >= 0 &&
           eventType < CPluginData::EventTypes;
}

int Entry(int viewCode, int eventType) { return viewCode * CPluginData::EventTypes + eventType; }

} // namespace

CPluginData::CPluginData(const CRuntimeClass* dataClass, int viewCode, int eventType)
    : m_pDataClass(dataClass), m_nViewCode(viewCode), m_nEventType(eventType) {
    if (!g_tableCleared) {
        for (const CRuntimeClass*& entry : g_table) {
            entry = nullptr;
        }
        g_tableCleared = true;
    }
}

int CPluginData::AddPlugin(CPluginData* plugin) {
    if (plugin == nullptr || !InTable(plugin->m_nViewCode, plugin->m_nEventType)) {
        return 0;
    }
    g_table[Entry(plugin->m_nViewCode, plugin->m_nEventType)] = plugin->m_pDataClass;
    return 1;
}

int CPluginData::RemovePlugin(CPluginData* plugin) {
    if (plugin == nullptr || !InTable(plugin->m_nViewCode, plugin->m_nEventType)) {
        return 0;
    }
    g_table[Entry(plugin->m_nViewCode, plugin->m_nEventType)] = nullptr;
    return 1;
}

const CRuntimeClass*& CPluginData::GetDataClass(int viewCode, int eventType) {
    if (!InTable(viewCode, eventType)) {
        g_outOfRange = nullptr;
        return g_outOfRange;
    }
    return g_table[Entry(viewCode, eventType)];
}

DCBase* CPluginData::CreateData(int viewCode, int eventType) {
    if (!InTable(viewCode, eventType)) {
        return nullptr;
    }
    const CRuntimeClass* cls = g_table[Entry(viewCode, eventType)];
    if (cls == nullptr) {
        return nullptr;
    }
    std::unique_ptr<CObject> object(cls->CreateObject());
    if (object == nullptr || !object->IsKindOf(RUNTIME_CLASS(DCBase))) {
        return nullptr;
    }
    return static_cast<DCBase*>(object.release());
}

DCBase* CPluginData::CreateData(int viewCode, ECBase* element) {
    if (element == nullptr) {
        return nullptr;
    }
    DCBase* record = CreateData(viewCode, element->GetEventId());
    if (record != nullptr) {
        record->SetOwner(element);
    }
    return record;
}

} // namespace clavenor
