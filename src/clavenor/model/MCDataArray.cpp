#include "clavenor/model/MCDataArray.h"

#include "clavenor/framework/CArchive.h"
#include "clavenor/model/DCBase.h"
#include "clavenor/model/detail/MCActiveVersion.h"

#include <algorithm>

namespace clavenor {

IMPLEMENT_SERIAL(MCDataArray, CObject, 0)

namespace {

constexpr int ViewCodes = 6;
constexpr int ViewToSlot[ViewCodes] = {0, 3, 1, 4, 5, 2};
constexpr int SlotToView[ViewCodes] = {0, 2, 5, 1, 3, 4};

} // namespace

MCDataArray::MCDataArray(int size) { SetSize(size); }

MCDataArray::~MCDataArray() {
    if (m_bOwnsRecords) {
        for (int i = 0; i < m_nSize; ++i) {
            delete GetAt(i);
        }
    }
}

void MCDataArray::EnsureStorage() {
    if (m_slots == nullptr && m_nSize > 0) {
        m_slots = std::make_unique<DCBase*[]>(static_cast<std::size_t>(m_nSize));
    }
}

void MCDataArray::SetSize(int size) {
    if (size < 0 || size > MaxSize || size == m_nSize) {
        return;
    }
    if (size == 0) {
        RemoveAll();
        return;
    }
    if (m_slots != nullptr) {
        auto slots = std::make_unique<DCBase*[]>(static_cast<std::size_t>(size));
        std::copy_n(m_slots.get(), std::min(size, m_nSize), slots.get());
        m_slots = std::move(slots);
    }
    m_nSize = size;
}

DCBase* MCDataArray::GetAt(int index) const {
    if (index < 0 || index >= m_nSize || m_slots == nullptr) {
        return nullptr;
    }
    return m_slots[static_cast<std::size_t>(index)];
}

DCBase*& MCDataArray::ElementAt(int index) {
    EnsureStorage();
    return m_slots[static_cast<std::size_t>(index)];
}

void MCDataArray::SetAt(int index, DCBase* record) { ElementAt(index) = record; }

int MCDataArray::SetAtGrow(int index, DCBase* record) {
    if (index < 0 || index >= MaxSize) {
        return 0;
    }
    if (index >= m_nSize) {
        SetSize(index + 1);
    }
    SetAt(index, record);
    return 1;
}

int MCDataArray::Add(DCBase* record) {
    const int index = m_nSize;
    return SetAtGrow(index, record) != 0 ? index : -1;
}

void MCDataArray::RemoveAll() {
    m_slots.reset();
    m_nSize = 0;
}

bool MCDataArray::IsArchivableRecord(const DCBase* record) {
    return record != nullptr && record->GetRuntimeClass()->IsSerializable();
}

int MCDataArray::ViewSlots() const { return std::min(m_nSize, ViewCodes); }

int MCDataArray::GetArchivableCount() const {
    // Most elements never had a record: every save asks each of them.
    if (m_slots == nullptr) {
        return 0;
    }
    int count = 0;
    for (int i = 0; i < ViewSlots(); ++i) {
        count += IsArchivableRecord(GetAt(i)) ? 1 : 0;
    }
    return count;
}

int MCDataArray::ViewCodeToIndex(int viewCode) {
    return viewCode >= 0 && viewCode < ViewCodes ? ViewToSlot[viewCode] : 0;
}

int MCDataArray::IndexToViewCode(int index) {
    return index >= 0 && index < ViewCodes ? SlotToView[index] : 0;
}

void MCDataArray::Serialize(CArchive& ar) {
    if (ar.IsLoading()) {
        // No element will destroy what is read here; set before the first record is placed,
        // so that a load failing partway releases the records read so far.
        m_bOwnsRecords = true;
    }
    SerializeFor(ar, nullptr);
}

void MCDataArray::Place(CArchive& ar, int slot, DCBase* record, ECBase* owner) {
    if (record == nullptr) {
        return;
    }
    if (ar.IsObjectBeingLoaded(record)) {
        // A reference from inside the record's own (incomplete) record; the archive destroys
        // the record when its load fails, which would leave this array dangling.
        throw CArchiveException(CArchiveException::badIndex, "a data record inside itself");
    }
    if (record->m_bPlaced) {
        // A back-reference to a record that already sits in an array: two arrays would
        // destroy it twice.
        throw CArchiveException(CArchiveException::badIndex, "a data record placed twice");
    }
    if (GetAt(slot) != nullptr) {
        // Nothing else holds the record yet, and the archive stops at this exception, so
        // its index to the record is never used again.
        delete record;
        throw CArchiveException(CArchiveException::genericException,
                                "two data records for one view");
    }
    try {
        (void)SetAtGrow(slot, record); // a view slot, 0-5: never refused
    } catch (...) {
        delete record; // held by nothing yet, as above
        throw;
    }
    record->m_bPlaced = true;
    record->SetOwner(owner);
}

void MCDataArray::SerializeFor(CArchive& ar, ECBase* owner) {
    if (ar.IsStoring()) {
        std::uint8_t highest = 0;
        for (int i = 0; i < ViewSlots(); ++i) {
            if (IsArchivableRecord(GetAt(i))) {
                highest = static_cast<std::uint8_t>(i);
            }
        }
        ar << static_cast<std::uint8_t>(GetArchivableCount()) << highest;
        for (int i = 0; i < ViewSlots(); ++i) {
            DCBase* record = GetAt(i);
            if (IsArchivableRecord(record)) {
                ar << static_cast<std::uint8_t>(IndexToViewCode(i));
                ar.WriteObject(record);
            }
        }
        return;
    }

    if (MCActiveVersion::Get() >= 3) {
        std::uint8_t count = 0;
        std::uint8_t highest = 0;
        ar >> count >> highest;
        SetSize(std::max(m_nSize, highest + 1));
        for (int k = 0; k < count; ++k) {
            std::uint8_t viewCode = 0;
            ar >> viewCode;
            auto* record = static_cast<DCBase*>(ar.ReadObject(RUNTIME_CLASS(DCBase)));
            Place(ar, ViewCodeToIndex(viewCode), record, owner);
        }
        return;
    }

    const std::uint32_t count = ar.ReadCount();
    int highestSlot = -1;
    for (std::uint32_t k = 0; k < count && k < static_cast<std::uint32_t>(ViewCodes); ++k) {
        highestSlot = std::max(highestSlot, ViewCodeToIndex(static_cast<int>(k)));
    }
    if (count > 0) {
        SetSize(std::max(m_nSize, highestSlot + 1));
    }
    for (std::uint32_t k = 0; k < count; ++k) {
        // The older layout allowed any class here; only data records can live in the array.
        auto* record = static_cast<DCBase*>(ar.ReadObject(RUNTIME_CLASS(DCBase)));
        Place(ar, ViewCodeToIndex(static_cast<int>(k)), record, owner);
    }
}

} // namespace clavenor
