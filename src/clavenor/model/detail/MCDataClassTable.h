#pragma once

namespace clavenor {

struct CRuntimeClass;
class DCBase;

/// The process-wide table of attached data classes: for each view code and event id, the
/// class (derived from DCBase) whose records serve such elements. Plug-ins fill it through
/// their data registrations (CPluginData); elements make their records from it
/// (ECBase::GetData), which is why it lives with the model core rather than with the
/// plug-ins.
///
/// It holds class pointers, never records. Not locked: change it from the owning thread.
class MCDataClassTable {
public:
    static constexpr int ViewCodes = 6;
    static constexpr int EventTypes = 75;

    static bool Contains(int viewCode, int eventType) {
        return viewCode >= 0 && viewCode < ViewCodes && eventType >= 0 && eventType < EventTypes;
    }

    /// The entry itself; outside the table, a scratch entry that reads as null.
    static const CRuntimeClass*& Entry(int viewCode, int eventType);

    /// Empties every entry.
    static void Clear();

    /// A new record of the entry's class, or null when the entry is empty, outside the
    /// table, or names a class that is not a DCBase. The caller owns the record.
    static DCBase* CreateData(int viewCode, int eventType);
};

} // namespace clavenor
