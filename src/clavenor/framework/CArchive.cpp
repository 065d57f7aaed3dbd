#include "clavenor/framework/CArchive.h"

#include "clavenor/framework/detail/CPointerIndexMap.h"
#include "clavenor/framework/detail/ReserveOneMore.h"

#include "clavenor/framework/CFile.h"
#include "clavenor/framework/CObject.h"
#include "clavenor/framework/CRuntimeClass.h"

#include <algorithm>
#include <atomic>

namespace clavenor {

namespace {

constexpr std::uint16_t NullTag = 0x0000;
constexpr std::uint16_t BigObjectTag = 0x7FFF;
constexpr std::uint16_t ClassTag = 0x8000;
constexpr std::uint16_t NewClassTag = 0xFFFF;
constexpr std::uint32_t BigClassTag = 0x80000000u;
constexpr std::uint32_t MaxMapCount = 0x7FFFFFFFu;

// The platform's class records hold names of fewer than 64 characters; longer ones can
// only come from a damaged stream.
constexpr std::uint16_t MaxClassNameLength = 63;

// Strings are read in pieces of this size, so that a damaged length field costs at most
// the bytes actually present in the stream.
constexpr std::size_t StringChunk = 64 * 1024;

// The records of large documents take about 14 bytes per object (an element with its time
// and voice word), so the load tables are sized for one object per 12 bytes of what is
// left of the stream when the first object reference is read: a load of 10^6 elements
// then skips the twenty-odd regrowths that move the tables and fault in fresh memory for
// each. The size is bounded by the stream, so a damaged count cannot inflate it, and by a
// cap beyond which the tables grow as they go.
constexpr std::uint64_t StreamBytesPerObject = 12;
constexpr std::uint64_t MaxPresizedObjects = std::uint64_t{1} << 21;

// Counts the storing archives ever made. An archive that sees it move knows that another may
// have overwritten the marks it left in objects.
std::atomic<std::uint64_t> g_storeGeneration{0};

} // namespace

CArchive::CArchive(CFile* file, unsigned mode, std::size_t bufferSize)
    : m_file(file), m_loading((mode & load) != 0) {
    if (m_file == nullptr) {
        throw CArchiveException(CArchiveException::genericException, "no file");
    }
    m_filePosition = m_file->GetPosition();
    m_bufferSize = std::max<std::size_t>(bufferSize, 64);
    m_buffer.reset(new std::uint8_t[m_bufferSize]);
    if (m_loading) {
        m_readCur = m_readEnd = m_buffer.get();
    } else {
        m_writeCur = m_buffer.get();
        m_writeEnd = m_buffer.get() + m_bufferSize;
        m_pStoreMap = std::make_unique<CPointerIndexMap>();
        m_storeGeneration = g_storeGeneration.fetch_add(1, std::memory_order_relaxed) + 1;
        m_bMarking = true;
    }
    m_openObjects.reserve(MaxObjectDepth);
    if (m_loading) {
        m_openIndexes.reserve(MaxObjectDepth);
    }
}

CArchive::~CArchive() {
    try {
        Close();
    } catch (...) {
        // A destructor cannot report; callers who care call Close() first.
    }
    ReleaseHolds();
}

void CArchive::Fail(CArchiveException::Cause cause, const std::string& detail) const {
    FailAt(GetPosition(), cause, detail);
}

void CArchive::FailAt(std::uint64_t offset, CArchiveException::Cause cause,
                      const std::string& detail) const {
    throw CArchiveException(cause, detail, offset);
}

std::uint64_t CArchive::GetPosition() const {
    if (m_loading) {
        return m_filePosition - static_cast<std::uint64_t>(m_readEnd - m_readCur);
    }
    return m_writeCur != nullptr
               ? m_filePosition + static_cast<std::uint64_t>(m_writeCur - m_buffer.get())
               : m_filePosition;
}

void CArchive::RequireStoring() const {
    if (m_file == nullptr) {
        Fail(CArchiveException::genericException, "archive is closed");
    }
    if (m_loading) {
        Fail(CArchiveException::readOnly, "write to a loading archive");
    }
}

void CArchive::RequireLoading() const {
    if (m_file == nullptr) {
        Fail(CArchiveException::genericException, "archive is closed");
    }
    if (!m_loading) {
        Fail(CArchiveException::writeOnly, "read from a storing archive");
    }
}

void CArchive::Flush() {
    if (m_file != nullptr && !m_loading) {
        FlushBuffer();
        m_file->Flush();
    }
}

void CArchive::Close() {
    if (m_file == nullptr) {
        return;
    }
    Flush();
    ReleaseHolds();
    m_file = nullptr;
    m_writeCur = m_writeEnd = nullptr;
    m_readCur = m_readEnd = nullptr;
}

void CArchive::ReleaseHolds() {
    // Objects nothing outside the archive can reach may still hold each other; let them go
    // of each other first, until no more do.
    // Both passes visit every object read, each a load from memory that the cache no longer
    // holds for a large document; the objects some steps ahead are asked for early, so that
    // those loads overlap.
    constexpr std::size_t Ahead = 8;
    bool detached = !m_held.empty();
    while (detached) {
        detached = false;
        for (std::size_t i = 0; i < m_held.size(); ++i) {
            if (i + Ahead < m_held.size()) {
                __builtin_prefetch(m_held[i + Ahead]);
            }
            if (m_held[i]->DetachIfUnreachable()) {
                detached = true;
            }
        }
    }
    // Newest first: children are usually created after their parents, so they go first.
    while (!m_held.empty()) {
        if (m_held.size() > Ahead) {
            __builtin_prefetch(m_held[m_held.size() - 1 - Ahead]);
        }
        CObject* object = m_held.back();
        m_held.pop_back();
        object->ReleaseArchiveHold();
    }
}

void CArchive::FlushBuffer() {
    const std::size_t pending = static_cast<std::size_t>(m_writeCur - m_buffer.get());
    if (pending != 0) {
        m_file->Write(m_buffer.get(), pending);
        m_writeCur = m_buffer.get();
        m_filePosition += pending;
    }
}

std::size_t CArchive::FillBuffer(std::size_t wanted) {
    std::size_t available = static_cast<std::size_t>(m_readEnd - m_readCur);
    std::uint8_t* base = m_buffer.get();
    if (available != 0 && m_readCur != base) {
        std::memmove(base, m_readCur, available);
    }
    m_readCur = base;
    while (available < wanted) {
        const std::size_t got = m_file->Read(base + available, m_bufferSize - available);
        if (got == 0) {
            break;
        }
        available += got;
        m_filePosition += got;
    }
    m_readEnd = base + available;
    return available;
}

void CArchive::Write(const void* buffer, std::size_t count) {
    RequireStoring();
    if (count == 0) {
        return;
    }
    if (buffer == nullptr) {
        Fail(CArchiveException::genericException, "no bytes to write");
    }
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    const std::size_t space = static_cast<std::size_t>(m_writeEnd - m_writeCur);
    if (count <= space) {
        std::memcpy(m_writeCur, bytes, count);
        m_writeCur += count;
        return;
    }
    FlushBuffer();
    if (count >= m_bufferSize) {
        m_file->Write(bytes, count);
        m_filePosition += count;
    } else {
        std::memcpy(m_writeCur, bytes, count);
        m_writeCur += count;
    }
}

std::size_t CArchive::Read(void* buffer, std::size_t count) {
    RequireLoading();
    if (count == 0) {
        return 0;
    }
    if (buffer == nullptr) {
        Fail(CArchiveException::genericException, "no room to read into");
    }
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::size_t available = static_cast<std::size_t>(m_readEnd - m_readCur);
    if (count <= available) {
        std::memcpy(out, m_readCur, count);
        m_readCur += count;
        return count;
    }
    std::memcpy(out, m_readCur, available);
    m_readCur = m_readEnd = m_buffer.get();
    std::size_t remaining = count - available;
    out += available;
    if (remaining >= m_bufferSize) {
        while (remaining != 0) {
            const std::size_t got = m_file->Read(out, remaining);
            if (got == 0) {
                Fail(CArchiveException::endOfFile, "stream ends inside a value");
            }
            m_filePosition += got;
            out += got;
            remaining -= got;
        }
        return count;
    }
    if (FillBuffer(remaining) < remaining) {
        Fail(CArchiveException::endOfFile, "stream ends inside a value");
    }
    std::memcpy(out, m_readCur, remaining);
    m_readCur += remaining;
    return count;
}

void CArchive::Skip(std::size_t count) {
    std::uint8_t scratch[256];
    while (count != 0) {
        const std::size_t n = std::min(count, sizeof scratch);
        Read(scratch, n);
        count -= n;
    }
}

void CArchive::WriteCount(std::uint32_t count) {
    if (count < 0xFFFFu) {
        *this << static_cast<std::uint16_t>(count);
    } else {
        *this << static_cast<std::uint16_t>(0xFFFFu) << count;
    }
}

std::uint32_t CArchive::ReadCount() {
    std::uint16_t word = 0;
    *this >> word;
    if (word != 0xFFFFu) {
        return word;
    }
    std::uint32_t count = 0;
    *this >> count;
    return count;
}

void CArchive::WriteString(std::string_view text) {
    const std::size_t length = text.size();
    if (length > 0xFFFFFFFFu) {
        Fail(CArchiveException::genericException, "string too long for the format");
    }
    if (length < 0xFFu) {
        *this << static_cast<std::uint8_t>(length);
    } else if (length < 0xFFFEu) {
        *this << static_cast<std::uint8_t>(0xFFu) << static_cast<std::uint16_t>(length);
    } else {
        *this << static_cast<std::uint8_t>(0xFFu) << static_cast<std::uint16_t>(0xFFFFu)
              << static_cast<std::uint32_t>(length);
    }
    Write(text.data(), length);
}

std::string CArchive::ReadString() {
    std::uint8_t byte = 0;
    *this >> byte;
    std::uint32_t length = byte;
    if (byte == 0xFFu) {
        std::uint16_t word = 0;
        *this >> word;
        if (word == 0xFFFEu) {
            // The platform marks wide-character strings this way; documents never hold them.
            Fail(CArchiveException::genericException, "wide-character string");
        }
        length = word;
        if (word == 0xFFFFu) {
            *this >> length;
        }
    }
    std::string text;
    std::size_t done = 0;
    while (done < length) {
        const std::size_t n = std::min<std::size_t>(length - done, StringChunk);
        text.resize(done + n);
        Read(text.data() + done, n);
        done += n;
    }
    return text;
}

std::uint32_t CArchive::FindStored(const CObject* object) const {
    if (m_bMarking) {
        if (const std::uint32_t* mark = object->GetArchiveMark(); mark != nullptr) {
            const std::uint32_t index = *mark;
            if (index != 0 && index < m_mapCount && m_storedKeys[index - 1] == object) {
                return index;
            }
            // Unless another archive may have moved the mark, the object is new here.
            if (g_storeGeneration.load(std::memory_order_relaxed) == m_storeGeneration) {
                return 0;
            }
            StopMarking();
        }
    }
    return m_pStoreMap->Find(object);
}

void CArchive::StopMarking() const {
    // Everything written so far that the table does not hold is a marked object.
    for (std::size_t i = 0; i < m_storedKeys.size(); ++i) {
        if (m_pStoreMap->Find(m_storedKeys[i]) == 0) {
            m_pStoreMap->Insert(m_storedKeys[i], static_cast<std::uint32_t>(i + 1));
        }
    }
    m_bMarking = false;
}

std::uint32_t CArchive::RegisterStored(const void* key, std::uint32_t* mark) {
    if (m_mapCount >= MaxMapCount) {
        Fail(CArchiveException::badIndex, "too many objects for one archive");
    }
    const std::uint32_t index = m_mapCount;
    ReserveOneMore(m_storedKeys);
    if (m_bMarking && mark != nullptr) {
        *mark = index;
    } else {
        m_pStoreMap->Insert(key, index);
    }
    m_storedKeys.push_back(key);
    ++m_mapCount;
    return index;
}

void CArchive::WriteIndexTag(std::uint32_t index, bool classTag) {
    if (index < BigObjectTag) {
        *this << static_cast<std::uint16_t>(classTag ? (ClassTag | index) : index);
    } else {
        *this << BigObjectTag << (classTag ? (BigClassTag | index) : index);
    }
}

void CArchive::WriteObject(const CObject* object) {
    RequireStoring();
    if (object == nullptr) {
        *this << NullTag;
        return;
    }
    if (const std::uint32_t index = FindStored(object); index != 0) {
        WriteIndexTag(index, false);
        return;
    }
    if (m_openObjects.size() >= static_cast<std::size_t>(MaxObjectDepth)) {
        Fail(CArchiveException::genericException, "objects nested too deeply");
    }
    const CRuntimeClass* cls = object->GetRuntimeClass();
    if (const std::uint32_t index = m_pStoreMap->Find(cls); index != 0) {
        WriteIndexTag(index, true);
    } else {
        const std::string_view name(cls->m_lpszClassName);
        // What no reader takes must not be written: the stream would be lost.
        if (name.empty() || name.size() > MaxClassNameLength) {
            Fail(CArchiveException::badClass,
                 "class name of length " + std::to_string(name.size()) + " cannot be written");
        }
        *this << NewClassTag << cls->GetStoredSchema() << static_cast<std::uint16_t>(name.size());
        Write(name.data(), name.size());
        RegisterStored(cls);
    }
    RegisterStored(object, object->GetArchiveMark());
    m_openObjects.push_back(object);
    try {
        const_cast<CObject*>(object)->Serialize(*this);
    } catch (CArchiveException& e) {
        e.Locate(GetPosition(), cls->m_lpszClassName);
        m_openObjects.pop_back();
        throw;
    } catch (...) {
        m_openObjects.pop_back();
        throw;
    }
    m_openObjects.pop_back();
}

const CRuntimeClass* CArchive::ReadClassRecord(std::uint32_t& schema) {
    std::uint16_t storedSchema = 0;
    std::uint16_t length = 0;
    *this >> storedSchema >> length;
    if (length == 0 || length > MaxClassNameLength) {
        Fail(CArchiveException::badClass, "class name of length " + std::to_string(length));
    }
    char name[MaxClassNameLength];
    Read(name, length);
    const CRuntimeClass* cls = CRuntimeClass::FromName(std::string_view(name, length));
    if (cls == nullptr) {
        Fail(CArchiveException::badClass, "unknown class " + std::string(name, length));
    }
    if (!cls->IsSerializable()) {
        Fail(CArchiveException::badClass, std::string(name, length) + " is not archivable");
    }
    if (!cls->AcceptsSchema(storedSchema)) {
        Fail(CArchiveException::badSchema,
             std::string(name, length) + " with schema " + std::to_string(storedSchema));
    }
    schema = storedSchema;
    return cls;
}

CObject* CArchive::ReadObject(const CRuntimeClass* required) {
    RequireLoading();
    const std::uint64_t start = GetPosition();
    if (m_loadMap.capacity() == 0) {
        const std::uint64_t length = m_file->GetLength();
        const auto objects = static_cast<std::size_t>(std::min(
            length > start ? (length - start) / StreamBytesPerObject : 0, MaxPresizedObjects));
        m_loadMap.reserve(objects);
        m_held.reserve(objects);
    }
    std::uint16_t tag = 0;
    *this >> tag;

    if (tag == NewClassTag) {
        std::uint32_t schema = 0;
        const CRuntimeClass* cls = ReadClassRecord(schema);
        if (m_mapCount >= MaxMapCount) {
            Fail(CArchiveException::badIndex, "too many objects for one archive");
        }
        m_loadMap.push_back(LoadEntry{cls, nullptr, schema, true});
        ++m_mapCount;
        return LoadNewObject(cls, schema, required);
    }

    std::uint32_t reference = tag;
    if (tag == BigObjectTag) {
        *this >> reference;
    } else if ((tag & ClassTag) != 0) {
        reference = BigClassTag | (tag & ~ClassTag);
    }

    if ((reference & BigClassTag) != 0) {
        const std::uint32_t index = reference & ~BigClassTag;
        if (index == 0 || index >= m_mapCount || !m_loadMap[index - 1].isClass) {
            FailAt(start, CArchiveException::badIndex, "class reference " + std::to_string(index));
        }
        const LoadEntry& entry = m_loadMap[index - 1];
        return LoadNewObject(entry.cls, entry.schema, required);
    }

    if (reference == 0) {
        m_lastReadIndex = 0;
        return nullptr;
    }
    if (reference >= m_mapCount || m_loadMap[reference - 1].isClass ||
        m_loadMap[reference - 1].object == nullptr) {
        FailAt(start, CArchiveException::badIndex, "object reference " + std::to_string(reference));
    }
    CObject* object = m_loadMap[reference - 1].object;
    if (required != nullptr && !object->IsKindOf(required)) {
        FailAt(start, CArchiveException::badClass,
               std::string(object->GetRuntimeClass()->m_lpszClassName) + " where " +
                   required->m_lpszClassName + " is required");
    }
    m_lastReadIndex = reference;
    return object;
}

CObject* CArchive::LoadNewObject(const CRuntimeClass* cls, std::uint32_t schema,
                                 const CRuntimeClass* required) {
    if (required != nullptr && !cls->IsDerivedFrom(required)) {
        Fail(CArchiveException::badClass, std::string(cls->m_lpszClassName) + " where " +
                                              required->m_lpszClassName + " is required");
    }
    if (m_openObjects.size() >= static_cast<std::size_t>(MaxObjectDepth)) {
        Fail(CArchiveException::genericException, "objects nested too deeply");
    }
    if (m_mapCount >= MaxMapCount) {
        Fail(CArchiveException::badIndex, "too many objects for one archive");
    }
    // Make room first, so that nothing can fail between creating the object and handing
    // it to its holders. The room grows geometrically, so loading stays linear.
    ReserveOneMore(m_loadMap);
    ReserveOneMore(m_held);
    CObject* object = cls->CreateObject();
    if (object == nullptr) {
        Fail(CArchiveException::badClass, std::string(cls->m_lpszClassName) + " cannot be created");
    }
    const std::size_t slot = m_loadMap.size();
    m_loadMap.push_back(LoadEntry{cls, object, 0, false});
    const std::uint32_t index = m_mapCount++;
    const bool held = object->TakeArchiveHold();
    if (held) {
        m_held.push_back(object);
    }
    m_openObjects.push_back(object);
    m_openIndexes.push_back(index);
    m_objectSchema = schema;
    try {
        object->Serialize(*this);
    } catch (CArchiveException& e) {
        e.Locate(GetPosition(), cls->m_lpszClassName);
        ForgetFailedObject(slot, object, held);
        throw;
    } catch (...) {
        ForgetFailedObject(slot, object, held);
        throw;
    }
    m_openObjects.pop_back();
    m_openIndexes.pop_back();
    m_lastReadIndex = index;
    return object;
}

void CArchive::ForgetFailedObject(std::size_t slot, CObject* object, bool held) {
    m_openObjects.pop_back();
    m_openIndexes.pop_back();
    m_loadMap[slot].object = nullptr;
    if (!held) {
        object->DiscardAfterFailedLoad();
    }
}

std::uint32_t CArchive::GetObjectSchema() {
    const std::uint32_t schema = m_objectSchema;
    m_objectSchema = 0xFFFFFFFFu;
    return schema;
}

bool CArchive::IsObjectMapped(const CObject* object) const {
    return object != nullptr && m_pStoreMap != nullptr && FindStored(object) != 0;
}

bool CArchive::IsObjectBeingLoaded(const CObject* object) const {
    return m_loading &&
           std::find(m_openObjects.begin(), m_openObjects.end(), object) != m_openObjects.end();
}

CArchive& operator<<(CArchive& ar, const CObject* object) {
    ar.WriteObject(object);
    return ar;
}

CArchive& operator>>(CArchive& ar, CObject*& object) {
    object = ar.ReadObject(nullptr);
    return ar;
}

CArchive& operator<<(CArchive& ar, const CString& text) {
    ar.WriteString(text.view());
    return ar;
}

CArchive& operator>>(CArchive& ar, CString& text) {
    text = CString(ar.ReadString());
    return ar;
}

} // namespace clavenor
