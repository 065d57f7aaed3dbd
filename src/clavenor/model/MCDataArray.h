#pragma once

#include "clavenor/framework/CObject.h"
#include "clavenor/framework/Export.h"

#include <cstdint>
#include <memory>

namespace clavenor {

class DCBase;
class ECBase;

/// The attached data records of one element, one slot per view code ("MCDataArray",
/// schema 0, accepted only at schema 0). View codes and slots are different numbers; see
/// ViewCodeToIndex.
///
/// An element's array does not own its records as a container: SetSize, SetAt and
/// RemoveAll drop pointers without destroying anything, and the element destroys them
/// (ECBase::RemoveData). An array read by reference (an object of its own, for example in
/// an object list) has no element: it owns the records it was loaded with and destroys
/// those still in its slots when it goes. An element's array starts with two empty slots;
/// the slot storage is allocated only when a record is first stored.
class CLAVENOR_API MCDataArray : public CObject {
    DECLARE_SERIAL(MCDataArray)

public:
    /// The most slots an array can have (the highest slot index is archived as one byte).
    static constexpr int MaxSize = 256;

    /// An array of `size` null slots (SetSize's rules: a size outside 0..MaxSize leaves it
    /// empty). Throws std::bad_alloc when the slots cannot be allocated.
    explicit MCDataArray(int size = 0);
    ~MCDataArray() override;
    MCDataArray(const MCDataArray&) = delete;
    MCDataArray& operator=(const MCDataArray&) = delete;

    /// The number of slots.
    int GetSize() const { return m_nSize; }

    /// Keeps the first min(n, size) pointers and fills new slots with null; n = 0 empties
    /// the array. Sizes outside 0..MaxSize are refused (nothing changes).
    void SetSize(int size);

    ///@{
    /// The record in slot `index`, or null outside 0..size-1.
    DCBase* GetAt(int index) const;
    DCBase* operator[](int index) const { return GetAt(index); }
    ///@}

    ///@{
    /// The slot itself; `index` must be in 0..size-1.
    DCBase*& ElementAt(int index);
    DCBase*& operator[](int index) { return ElementAt(index); }
    ///@}

    /// Stores `record` in slot `index`, which must be in 0..size-1.
    void SetAt(int index, DCBase* record);

    /// Grows to index + 1 slots when needed, then stores. Returns 0 for an index outside
    /// 0..MaxSize-1, else 1.
    [[nodiscard]] int SetAtGrow(int index, DCBase* record);

    /// Appends a slot holding `record`; returns its index, or -1 when the array is full.
    [[nodiscard]] int Add(DCBase* record);

    /// Drops the slot storage (not the records); the size becomes 0.
    void RemoveAll();

    ///@{
    /// The records of the six view slots that are written to archives (non-null and of a
    /// serializable class). Slots beyond the six stand for no view code and are never
    /// written.
    int GetArchivableCount() const;
    static bool IsArchivableRecord(const DCBase* record);
    ///@}

    /// View code 0..5 to slot: 0->0, 1->3, 2->1, 3->4, 4->5, 5->2; any other code -> 0.
    static int ViewCodeToIndex(int viewCode);
    /// The inverse: slot 0->0, 1->2, 2->5, 3->1, 4->3, 5->4; any other slot -> 0.
    static int IndexToViewCode(int index);

    /// Writes or reads the records of `owner`'s array. Storing: the number of archivable
    /// records of the six view slots, the highest slot holding one, then for each its view
    /// code and an object
    /// reference. Loading follows the document version (the layout before version 3 is a
    /// count and that many references by view code). Loaded records must be DCBase
    /// objects; each is given `owner` as its owner. A record the stream places twice, one
    /// placed from inside its own record, or two records for one view, are refused with
    /// CArchiveException.
    void SerializeFor(CArchive& ar, ECBase* owner);

    /// The array as an object of its own (class record schema 0): the SerializeFor record
    /// without an owner. Loading makes the array the owner of the records it reads.
    void Serialize(CArchive& ar) override;

private:
    void EnsureStorage();
    int ViewSlots() const;
    void Place(CArchive& ar, int slot, DCBase* record, ECBase* owner);

    std::unique_ptr<DCBase*[]> m_slots;
    int m_nSize = 0;
    bool m_bOwnsRecords = false;
};

} // namespace clavenor
