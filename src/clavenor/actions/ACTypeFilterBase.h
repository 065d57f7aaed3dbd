#pragma once

#include "clavenor/actions/ACBase.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

/// The event-type filter that counting, finding and sorting actions share: a count of used
/// entries and a growable array of ids. With no entry in use every element passes;
/// otherwise an element passes when its event id is among the used entries.
class CLAVENOR_API ACTypeFilterBase : public ACBase {
public:
    /// `size` entries start at -1 (unused); the used count starts at 0.
    explicit ACTypeFilterBase(int size = 1, int reverse = 0);

    /// Stores `id` at the next used entry, growing the array when needed.
    void AddEvtType(int id);
    /// When no type is in use yet, empties the array first (dropping its unused entries);
    /// then adds each of `ids` as AddEvtType does.
    void AddEvtTypes(const CArray<int, int>& ids);
    /// Removes the first used entry equal to `id`; later entries move down.
    void RemoveEvtType(int id);
    /// Sets every entry to -1 and the used count to 0: every element passes again.
    void RemoveEvtTypes();

    /// The type array, used entries first; entries past the used count are -1.
    CArray<int, int>& GetEventTypes() { return m_types; }

protected:
    /// The index of `id` among the used entries, or -1.
    int FindEvtType(int id) const;
    /// Whether `element` (not null) passes: no entry in use, or its event id among them.
    bool PassesTypeFilter(ECBase* element) const;

private:
    int m_nUsed = 0;
    CArray<int, int> m_types;
};

} // namespace clavenor
