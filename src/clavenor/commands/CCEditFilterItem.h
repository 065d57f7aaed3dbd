#pragma once

#include "clavenor/framework/Export.h"

#include "clavenor/commands/CCEditItem.h"

#include <memory>

namespace clavenor {

class LCBase;

/// One filter object that a CCEditFilter changes: the filter (not referenced: its owner
/// keeps it alive while the command may run), the filter copy the host fills with the
/// wanted values, and, once the command has run inside an undo group, the filter undo copy.
/// The inherited fields stay null.
class CLAVENOR_API CCEditFilterItem : public CCEditItem {
public:
    /// Throws std::bad_alloc.
    explicit CCEditFilterItem(LCBase* filter);
    ~CCEditFilterItem() override;

    void Process(int keepUndo) override;
    void Keep() override;
    void Restore() override;
    const void* GetKey() const override { return m_pFilter; }

    ///@{
    /// The filter edited (not owned), and the edit copy the host fills, the item's own.
    LCBase* GetFilter() const { return m_pFilter; }
    LCBase* GetFilterCopy() const { return m_pFilterCopy.get(); }
    ///@}
    /// The filter undo copy, or null.
    LCBase* GetOldFilter() const { return m_pFilterUndo.get(); }

    /// A new filter of `source`'s runtime class with `source`'s values; null for null or a
    /// class that cannot be made. Throws std::bad_alloc.
    static std::unique_ptr<LCBase> MakeCopy(LCBase* source);

private:
    LCBase* m_pFilter;
    std::unique_ptr<LCBase> m_pFilterCopy;
    std::shared_ptr<LCBase> m_pFilterUndo;
    std::shared_ptr<LCBase> m_pFilterKept;
};

} // namespace clavenor
