#pragma once

#include "clavenor/framework/CObject.h"
#include "clavenor/framework/CString.h"
#include "clavenor/framework/Export.h"
#include "clavenor/framework/POSITION.h"

#include <cstdint>

namespace clavenor {

/// A string-keyed map of untyped pointers with a fixed table of 71 buckets (runtime class
/// "MCMapStringToPtr", not archivable). The plug-in filter registry uses it.
///
/// Keys are compared byte for byte, case-sensitively. A key keeps at most MaxKeyLength
/// characters: longer keys are cut to that length by every operation, so they still find
/// their entries. Iteration runs in bucket order and, within a bucket, newest first.
class CLAVENOR_API MCMapStringToPtr : public CObject {
    DECLARE_DYNAMIC(MCMapStringToPtr)

public:
    /// The number of buckets (fixed: lookups slow down linearly past a few hundred keys).
    static constexpr int HashSize = 71;
    /// The longest key kept, in bytes; longer keys are cut (see the class comment).
    static constexpr int MaxKeyLength = 51;

    /// An empty map. `blockSize` is accepted for the familiar signature and ignored.
    explicit MCMapStringToPtr(int blockSize = 10);
    /// RemoveAll(0): the values are left alone.
    ~MCMapStringToPtr() override;
    MCMapStringToPtr(const MCMapStringToPtr&) = delete;
    MCMapStringToPtr& operator=(const MCMapStringToPtr&) = delete;

    /// The number of entries; O(1).
    int GetCount() const { return m_nCount; }
    /// Whether the map has no entry; O(1).
    bool IsEmpty() const { return m_nCount == 0; }

    /// h = h * 33 + c over the key's bytes (c as a signed byte), 32-bit unsigned.
    static std::uint32_t HashKey(const char* key);

    /// 1 and the value when the key is present, else 0.
    int Lookup(const char* key, void*& value) const;

    ///@{
    /// The value slot of `key`, created with a null value at the head of its bucket when
    /// the key is new. Throws std::bad_alloc when a new entry cannot be allocated.
    void*& operator[](const char* key);
    void SetAt(const char* key, void* value) { (*this)[key] = value; }
    ///@}

    /// Removes the entry; with `destroy` non-zero the value is deleted as a CObject.
    /// Returns 0 when the key is absent.
    int RemoveKey(const char* key, int destroy = 0);
    /// Removes every entry, deleting the values as CObjects when `destroy` is non-zero.
    void RemoveAll(int destroy = 0);

    /// The position before the first entry (the value -1), or null for an empty map.
    POSITION GetStartPosition() const;
    /// Moves to the next entry and returns its key and value; `pos` becomes null after the
    /// last entry.
    void GetNextAssoc(POSITION& pos, CString& key, void*& value) const;

private:
    struct Assoc {
        char key[MaxKeyLength + 1];
        void* value;
        std::uint32_t bucket;
        Assoc* next;
    };

    Assoc* Find(const char* key, std::uint32_t& bucket) const;
    Assoc* FirstFrom(std::uint32_t bucket) const;

    int m_nCount = 0;
    Assoc* m_buckets[HashSize] = {};
};

} // namespace clavenor
