#pragma once

#include "clavenor/framework/Export.h"

#include "clavenor/commands/CCEditItem.h"

#include <memory>

namespace clavenor {

class DCBase;

/// One attached data record that a CCEditData changes: the record (not referenced: the
/// element that owns it, held as the item's element, keeps it), its view code (-1 when not
/// given), the data copy the host fills with the wanted values, and, once the command has
/// run inside an undo group, the data undo copy. The inherited element copies stay null.
class CLAVENOR_API CCEditDataItem : public CCEditItem {
public:
    /// An item for `data`, owned by its owner element; throws std::bad_alloc.
    CCEditDataItem(DCBase* data, int index);
    ~CCEditDataItem() override;

    void Process(int keepUndo) override;
    void Keep() override;
    void Restore() override;
    const void* GetKey() const override { return m_pData; }

    ///@{
    /// The record edited (its owner element owns it), its view code, and the edit copy the host
    /// fills; the copy is the item's.
    DCBase* GetData() const { return m_pData; }
    int GetIndex() const { return m_nIndex; }
    DCBase* GetDataCopy() const { return m_pDataCopy.get(); }
    ///@}
    /// The data undo copy, or null.
    DCBase* GetOldData() const { return m_pDataUndo.get(); }

    /// Whether the record is still attached to its owner (under its view code, when one is
    /// given): a record its owner has dropped is no longer touched.
    bool IsAttached() const;

    /// A new record of `source`'s runtime class with `source`'s values; null for null or a
    /// class that cannot be made. Throws std::bad_alloc.
    static std::unique_ptr<DCBase> MakeCopy(DCBase* source);

private:
    DCBase* m_pData;
    int m_nIndex;
    std::unique_ptr<DCBase> m_pDataCopy;
    std::shared_ptr<DCBase> m_pDataUndo;
    std::shared_ptr<DCBase> m_pDataKept;
};

} // namespace clavenor
