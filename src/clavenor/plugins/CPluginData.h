#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/plugins/CPlugin.h"

namespace clavenor {

struct CRuntimeClass;
class DCBase;
class ECBase;

/// A registration of an attached data class: the class (derived from DCBase) that serves
/// elements of one event id under one view code.
///
/// The registry is a process-wide table of 6 view codes x 75 event ids. It holds class
/// pointers, never the records; a registration lasts until it is removed or replaced. The
/// table is not locked: register from the host's owning thread (plug-ins do so while being
/// initialised).
class CLAVENOR_API CPluginData : public CPlugin {
public:
    ///@{
    /// The table's size: view codes 0-5, event ids 0-74.
    static constexpr int ViewCodes = 6;
    static constexpr int EventTypes = 75;
    ///@}

    /// A registration not yet in the table (AddPlugin puts it there); the values are checked
    /// only then.
    CPluginData(const CRuntimeClass* dataClass, int viewCode, int eventType);

    ///@{
    /// The registration's values; changing them after AddPlugin changes nothing in the table
    /// until the next AddPlugin.
    const CRuntimeClass* GetDataClass() const { return m_pDataClass; }
    void SetDataClass(const CRuntimeClass* dataClass) { m_pDataClass = dataClass; }
    int GetViewCode() const { return m_nViewCode; }
    void SetViewCode(int viewCode) { m_nViewCode = viewCode; }
    int GetEventType() const { return m_nEventType; }
    void SetEventType(int eventType) { m_nEventType = eventType; }
    ///@}

    /// Stores the record's class in its table entry, replacing an earlier one. A record
    /// whose view code or event type is outside the table is ignored (returns 0).
    [[nodiscard]] static int AddPlugin(CPluginData* plugin);
    /// Clears the record's table entry (returns 0 for a record outside the table).
    [[nodiscard]] static int RemovePlugin(CPluginData* plugin);

    /// The table entry itself; a view code or event type outside the table yields a
    /// reference to a scratch entry that is always null when read through CreateData.
    static const CRuntimeClass*& GetDataClass(int viewCode, int eventType);

    /// A new record of the registered class, or null when the entry is empty, out of range,
    /// or names a class that is not a DCBase. The caller owns the record.
    static DCBase* CreateData(int viewCode, int eventType);
    /// CreateData for `element`'s event id; the new record's owner is `element`.
    static DCBase* CreateData(int viewCode, ECBase* element);

private:
    const CRuntimeClass* m_pDataClass;
    int m_nViewCode;
    int m_nEventType;
};

} // namespace clavenor
