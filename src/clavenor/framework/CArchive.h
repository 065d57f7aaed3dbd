#pragma once

#include "clavenor/framework/CArchiveException.h"
#include "clavenor/framework/CString.h"
#include "clavenor/framework/Export.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace clavenor {

class CPointerIndexMap;

class CDocument;
class CFile;
class CObject;
struct CRuntimeClass;

static_assert(std::endian::native == std::endian::little,
              "the archive writes its values in the machine's byte order");

/// Reads or writes the object archive format over a CFile: little-endian primitive values,
/// counts, counted strings, and object references that name a class the first time it
/// occurs and refer back to earlier objects afterwards.
///
/// An archive is used by one thread at a time and for one direction only. Every failure
/// (a short stream, an unknown class, a refused schema, an object of the wrong class, a bad
/// back-reference, a record nested deeper than MaxObjectDepth, a read from a storing archive
/// or a write to a loading one) throws CArchiveException; allocation failure throws
/// std::bad_alloc. Neither leaves memory behind once the caller has discarded what it was
/// building.
///
/// Objects created while loading: reference-counted objects (elements) are held by the
/// archive until Close(), so that whatever the caller has not linked into its graph or
/// given a reference (Ref()) by then is destroyed with the archive, even when it holds
/// references in a cycle (an element and its children) that nothing outside the archive can
/// reach. A host that reads its document root through ReadObject or operator>> therefore
/// takes a reference on it before the archive closes. Other objects belong to the caller of
/// ReadObject as soon as it returns.
class CLAVENOR_API CArchive {
public:
    /// The direction of an archive, fixed at construction.
    enum Mode : unsigned { store = 0, load = 1 };

    /// How deeply object records may nest inside one another, on both sides. It bounds the
    /// stack that loading a hostile stream can use; real documents nest far less deeply.
    static constexpr int MaxObjectDepth = 256;

    /// `file` must outlive the archive; the archive never closes or deletes it.
    CArchive(CFile* file, unsigned mode, std::size_t bufferSize = 4096);

    /// Closes the archive if Close() has not run; errors are swallowed here, so a storing
    /// caller that wants to see them calls Close() itself.
    ~CArchive();

    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    /// Whether the archive reads (mode load); fixed for its life.
    bool IsLoading() const { return m_loading; }
    /// Whether the archive writes (mode store); fixed for its life.
    bool IsStoring() const { return !m_loading; }

    /// The underlying file. While storing, bytes may still sit in the archive's buffer until
    /// Flush(); while loading, the file may be ahead of what has been read.
    CFile* GetFile() const { return m_file; }

    /// Storing: writes out the buffer. Loading: nothing.
    void Flush();

    /// Flushes a storing archive, gives back the holds on loaded objects and detaches the
    /// file. Later reads and writes throw. Calling it twice is harmless.
    void Close();

    ///@{
    /// Writes a primitive value, little-endian, at its own width (floats as IEEE 754).
    /// Throws CArchiveException: readOnly on a loading archive, genericException after
    /// Close, or the file's failure when the buffer is written out.
    CArchive& operator<<(std::uint8_t v) { return WriteValue(v); }
    CArchive& operator<<(std::int8_t v) { return WriteValue(v); }
    CArchive& operator<<(std::uint16_t v) { return WriteValue(v); }
    CArchive& operator<<(std::int16_t v) { return WriteValue(v); }
    CArchive& operator<<(std::uint32_t v) { return WriteValue(v); }
    CArchive& operator<<(std::int32_t v) { return WriteValue(v); }
    CArchive& operator<<(float v) { return WriteValue(v); }
    CArchive& operator<<(double v) { return WriteValue(v); }
    ///@}

    ///@{
    /// Reads a primitive value written by operator<<. Throws CArchiveException: writeOnly on
    /// a storing archive, endOfFile when the stream ends inside the value (`v` is then left
    /// as it was).
    CArchive& operator>>(std::uint8_t& v) { return ReadValue(v); }
    CArchive& operator>>(std::int8_t& v) { return ReadValue(v); }
    CArchive& operator>>(std::uint16_t& v) { return ReadValue(v); }
    CArchive& operator>>(std::int16_t& v) { return ReadValue(v); }
    CArchive& operator>>(std::uint32_t& v) { return ReadValue(v); }
    CArchive& operator>>(std::int32_t& v) { return ReadValue(v); }
    CArchive& operator>>(float& v) { return ReadValue(v); }
    CArchive& operator>>(double& v) { return ReadValue(v); }
    ///@}

    /// Raw block of `count` bytes. A null `buffer` with a non-zero count throws
    /// CArchiveException(genericException).
    void Write(const void* buffer, std::size_t count);

    /// Reads exactly `count` bytes and returns `count`; a stream that ends first throws
    /// CArchiveException(endOfFile), a null `buffer` with a non-zero count
    /// CArchiveException(genericException).
    std::size_t Read(void* buffer, std::size_t count);

    /// Skips `count` bytes of a loading archive (endOfFile when the stream is shorter).
    void Skip(std::size_t count);

    ///@{
    /// Count format: a word below 0xFFFF, else 0xFFFF and a 32-bit value.
    void WriteCount(std::uint32_t count);
    std::uint32_t ReadCount();
    ///@}

    ///@{
    /// Counted 8-bit string: a byte length below 255, else 0xFF and a word below 0xFFFE,
    /// else 0xFF, 0xFFFF and a 32-bit length; then the bytes.
    void WriteString(std::string_view text);
    std::string ReadString();
    ///@}

    /// Writes an object reference to `object` (any class; null allowed). A new object's
    /// record is written through its Serialize, nested here. A class whose name a reader
    /// would refuse (empty, or longer than 63 characters) is refused with
    /// CArchiveException(badClass) before anything of its record is written.
    void WriteObject(const CObject* object);

    /// Reads an object reference. The object must be of class `required` or derived from it
    /// (any class when `required` is null), else CArchiveException(badClass). Returns null
    /// for a null reference. A new object is created by its class's factory, registered,
    /// and read through its Serialize before this returns.
    [[nodiscard]] CObject* ReadObject(const CRuntimeClass* required);

    ///@{
    /// The schema stored for the class of the object whose record is being read, or
    /// 0xFFFFFFFF outside such a record. Reading resets it, as in the platform.
    std::uint32_t GetObjectSchema();
    void SetObjectSchema(std::uint32_t schema) { m_objectSchema = schema; }
    ///@}

    /// True while `object`'s own record is being read (it is registered, so a back-reference
    /// to it is legal, but it is not complete). Linking such an object as a child would make
    /// the graph cyclic.
    bool IsObjectBeingLoaded(const CObject* object) const;

    /// Storing: true when `object` has been written (or is being written) to this archive,
    /// so that a reference to it is a back-reference. A reference to an object that is not
    /// would write its whole record again, nested; records that point back at their
    /// enclosing document write null instead of the unmapped root of a direct Serialize.
    /// Constant time. Like WriteObject, it may throw std::bad_alloc once in an archive's life:
    /// when another storing archive has been made since this one, the first lookup that
    /// finds an object unmarked moves everything written so far into the archive's table.
    bool IsObjectMapped(const CObject* object) const;

    /// The position in the file of the next byte the archive reads or writes: the file's
    /// position when the archive was made, plus what it has read or written since (bytes
    /// still in its buffer included). Failures carry it in CArchiveException::GetOffset().
    std::uint64_t GetPosition() const;

    /// Levels of object records currently open.
    int GetObjectDepth() const { return static_cast<int>(m_openObjects.size()); }

    ///@{
    /// Loading: the index under which the object the last ReadObject returned is registered
    /// (0 after a null reference), and that of the object whose record is being read (0
    /// outside every record, as in the record of a root read by a direct Serialize).
    std::uint32_t GetLastReadIndex() const { return m_lastReadIndex; }
    std::uint32_t GetCurrentObjectIndex() const {
        return m_openIndexes.empty() ? 0 : m_openIndexes.back();
    }
    ///@}

    ///@{
    /// Loading: one word per object read, 0 until set, for readers that carry a fact about
    /// an object from its record to the records that refer to it later (the element lists
    /// keep the depth and the walk size of each element read). Index 0 and unknown
    /// indexes read 0 and are not written.
    std::uint64_t GetObjectNote(std::uint32_t index) const {
        return index != 0 && index < m_mapCount ? m_loadMap[index - 1].note : 0;
    }
    void SetObjectNote(std::uint32_t index, std::uint64_t note) {
        if (index != 0 && index < m_mapCount) {
            m_loadMap[index - 1].note = note;
        }
    }
    ///@}

    /// Classes and objects registered so far (the next index minus one).
    std::uint32_t GetMapCount() const { return m_mapCount - 1; }

    ///@{
    /// The host's document the stream belongs to (null by default). The archive only carries
    /// it, for records that want to know where they are being read or written.
    CDocument* GetDocument() const { return m_pDocument; }
    void SetDocument(CDocument* document) { m_pDocument = document; }
    ///@}

private:
    template <class T>
    CArchive& WriteValue(T v) {
        if (static_cast<std::size_t>(m_writeEnd - m_writeCur) >= sizeof(T)) {
            std::memcpy(m_writeCur, &v, sizeof(T));
            m_writeCur += sizeof(T);
        } else {
            Write(&v, sizeof(T));
        }
        return *this;
    }

    template <class T>
    CArchive& ReadValue(T& v) {
        if (static_cast<std::size_t>(m_readEnd - m_readCur) >= sizeof(T)) {
            std::memcpy(&v, m_readCur, sizeof(T));
            m_readCur += sizeof(T);
        } else {
            Read(&v, sizeof(T));
        }
        return *this;
    }

    struct LoadEntry {
        const CRuntimeClass* cls; // the class, for a class entry
        CObject* object;          // the object, for an object entry; null once discarded
        std::uint32_t schema;     // for a class entry: the schema read from its record
        bool isClass;
        std::uint64_t note = 0; // see SetObjectNote
    };

    [[noreturn]] void Fail(CArchiveException::Cause cause, const std::string& detail) const;
    [[noreturn]] void FailAt(std::uint64_t offset, CArchiveException::Cause cause,
                             const std::string& detail) const;
    void RequireStoring() const;
    void RequireLoading() const;
    void FlushBuffer();
    std::size_t FillBuffer(std::size_t wanted);
    std::uint32_t FindStored(const CObject* object) const;
    std::uint32_t RegisterStored(const void* key, std::uint32_t* mark = nullptr);
    void StopMarking() const;
    void WriteIndexTag(std::uint32_t index, bool classTag);
    const CRuntimeClass* ReadClassRecord(std::uint32_t& schema);
    CObject* LoadNewObject(const CRuntimeClass* cls, std::uint32_t schema,
                           const CRuntimeClass* required);
    void ForgetFailedObject(std::size_t slot, CObject* object, bool held);
    void ReleaseHolds();

    CFile* m_file;
    bool m_loading;
    std::uint32_t m_objectSchema = 0xFFFFFFFFu;

    // The file position just past the last byte read from (or written to) the file.
    std::uint64_t m_filePosition = 0;
    std::unique_ptr<std::uint8_t[]> m_buffer;
    std::size_t m_bufferSize;
    // Exactly one pair is in use, the other stays null, so that the inline paths above
    // fall through to the checked Write/Read in the wrong direction or after Close().
    std::uint8_t* m_writeCur = nullptr;
    std::uint8_t* m_writeEnd = nullptr;
    const std::uint8_t* m_readCur = nullptr;
    const std::uint8_t* m_readEnd = nullptr;

    std::uint32_t m_mapCount = 1;
    // Storing only: what has been written, by index - 1, and by address. Objects that have
    // room for a mark (see CObject::GetArchiveMark) carry their index themselves and stay
    // out of the table, until another storing archive, which may overwrite marks, has been
    // made since this one: then the table takes them all (StopMarking).
    std::vector<const void*> m_storedKeys;
    std::unique_ptr<CPointerIndexMap> m_pStoreMap;
    std::uint64_t m_storeGeneration = 0;
    mutable bool m_bMarking = false;
    std::vector<LoadEntry> m_loadMap;
    std::vector<const CObject*> m_openObjects;
    std::vector<std::uint32_t> m_openIndexes; // loading: the indexes of m_openObjects
    std::uint32_t m_lastReadIndex = 0;
    std::vector<CObject*> m_held;
    CDocument* m_pDocument = nullptr;
};

/// Object references as stream operators: `ar << pElement`, `ar >> pAnyObject`. Each
/// archivable class also has its own checked `operator>>` (see DECLARE_SERIAL).
CLAVENOR_API CArchive& operator<<(CArchive& ar, const CObject* object);
CLAVENOR_API CArchive& operator>>(CArchive& ar, CObject*& object);

CLAVENOR_API CArchive& operator<<(CArchive& ar, const CString& text);
CLAVENOR_API CArchive& operator>>(CArchive& ar, CString& text);

} // namespace clavenor
