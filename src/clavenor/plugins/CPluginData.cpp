#include "clavenor/plugins/CPluginData.h"

#include "clavenor/model/DCBase.h"
#include "clavenor/model/ECBase.h"
#include "clavenor/model/detail/MCDataClassTable.h"

namespace clavenor {

static_assert(CPluginData::ViewCodes == MCDataClassTable::ViewCodes &&
              CPluginData::EventTypes == MCDataClassTable::EventTypes);

namespace {

bool s_bTableCleared = false;

} // namespace

CPluginData::CPluginData(const CRuntimeClass* dataClass, int viewCode, int eventType)
    : m_pDataClass(dataClass), m_nViewCode(viewCode), m_nEventType(eventType) {
    if (!s_bTableCleared) {
        MCDataClassTable::Clear();
        s_bTableCleared = true;
    }
}

int CPluginData::AddPlugin(CPluginData* plugin) {
    if (plugin == nullptr ||
        !MCDataClassTable::Contains(plugin->m_nViewCode, plugin->m_nEventType)) {
        return 0;
    }
    MCDataClassTable::Entry(plugin->m_nViewCode, plugin->m_nEventType) = plugin->m_pDataClass;
    return 1;
}

int CPluginData::RemovePlugin(CPluginData* plugin) {
    if (plugin == nullptr ||
        !MCDataClassTable::Contains(plugin->m_nViewCode, plugin->m_nEventType)) {
        return 0;
    }
    MCDataClassTable::Entry(plugin->m_nViewCode, plugin->m_nEventType) = nullptr;
    return 1;
}

const CRuntimeClass*& CPluginData::GetDataClass(int viewCode, int eventType) {
    return MCDataClassTable::Entry(viewCode, eventType);
}

DCBase* CPluginData::CreateData(int viewCode, int eventType) {
    return MCDataClassTable::CreateData(viewCode, eventType);
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
