#include "clavenor/files/DocumentFile.h"

#include "clavenor/actions/ACPostSerialize.h"
#include "clavenor/elements/ECPerformance.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/framework/CArchiveException.h"
#include "clavenor/framework/CFileException.h"
#include "clavenor/framework/CMemFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace clavenor {

namespace {

constexpr std::size_t FramingVersionAt = 8;
constexpr std::size_t DocumentVersionAt = 12;

void PutLE(std::uint8_t* out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::uint32_t GetLE(const std::uint8_t* in, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        value = (value << 8) | in[i];
    }
    return value;
}

std::string SystemError(const std::string& what, int error) {
    return what + ": " + std::strerror(error);
}

[[noreturn]] void ThrowSystem(const std::filesystem::path& path, const std::string& what,
                              int error) {
    throw CFileException(CFileException::CauseFromErrno(error), path.string(),
                         SystemError(what, error));
}

// Restores the active performance and leaves the lock, however the load ends.
class ActiveGuard {
public:
    explicit ActiveGuard(ECPerformance* active)
        : m_pPrevious(ECPerformance::SetActivePerformance(active)) {}
    ~ActiveGuard() { ECPerformance::SetActivePerformance(m_pPrevious); }
    ActiveGuard(const ActiveGuard&) = delete;
    ActiveGuard& operator=(const ActiveGuard&) = delete;

private:
    ECPerformance* m_pPrevious;
};

class LockGuard {
public:
    explicit LockGuard(ECPerformance& document) : m_document(document) { m_document.Lock(); }
    ~LockGuard() { m_document.Unlock(); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;

private:
    ECPerformance& m_document;
};

std::string DamagedDetail(const CArchiveException& e) {
    std::string text = CArchiveException::CauseName(e.m_cause);
    if (!e.GetClassName().empty()) {
        text += " in " + e.GetClassName();
    }
    if (!e.GetDetail().empty()) {
        text += ": " + e.GetDetail();
    }
    return text;
}

// The permission bits a new file gets: those of the file it replaces, else what the umask
// leaves of 0666. The umask is read from the process status rather than set and reset,
// which would race with other threads creating files.
mode_t NewFileMode(const std::filesystem::path& path) {
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0) {
        return existing.st_mode & 07777;
    }
    mode_t mask = 022;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("Umask:", 0) == 0) {
            mask = static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
            break;
        }
    }
    return 0666 & ~mask;
}

// A temporary file that is removed unless it was renamed into place.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::filesystem::path& target) {
        const std::filesystem::path folder =
            target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
        // Hidden, beside the target, unique: ".NAME.XXXXXX" (built step by step, which keeps
        // GCC's -Wrestrict false alarm on string concatenation quiet at -O3).
        std::string name(".");
        name += target.filename().string();
        name += ".XXXXXX";
        m_path = (folder / name).string();
        m_fd = ::mkstemp(m_path.data());
        if (m_fd < 0) {
            ThrowSystem(target, "cannot create a temporary file in " + folder.string(), errno);
        }
    }
    ~TemporaryFile() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        if (!m_path.empty()) {
            ::unlink(m_path.c_str());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int Descriptor() const { return m_fd; }
    const std::string& Path() const { return m_path; }
    int Close() {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result;
    }
    void Keep() { m_path.clear(); }

private:
    std::string m_path;
    int m_fd = -1;
};

struct Descriptor {
    explicit Descriptor(int descriptor) : fd(descriptor) {}
    ~Descriptor() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int fd;
};

void SyncFolder(const std::filesystem::path& target) {
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    const Descriptor handle(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (handle.fd >= 0) {
        // Best effort: the rename has happened; a folder that cannot be synced (some file
        // systems refuse) does not make the save a failure.
        ::fsync(handle.fd);
    }
}

} // namespace

std::vector<std::uint8_t> WriteDocument(ECPerformance& document) {
    CMemFile file;
    std::uint8_t header[DocumentFile::HeaderSize] = {};
    std::memcpy(header, DocumentFile::Signature, sizeof DocumentFile::Signature);
    PutLE(header + FramingVersionAt, DocumentFile::FramingVersion, 2);
    PutLE(header + DocumentVersionAt, static_cast<std::uint32_t>(ECPerformance::WriteVersion), 4);
    file.Write(header, sizeof header);
    {
        LockGuard lock(document);
        CArchive ar(&file, CArchive::store);
        ar.WriteObject(&document);
        ACPostSerialize post(ar);
        post.Apply(&document);
        ar.Close();
    }
    return file.Detach();
}

std::unique_ptr<ECPerformance> ReadDocument(const std::uint8_t* data, std::size_t size,
                                            const std::string& name) {
    if (data == nullptr && size != 0) {
        throw CFileException(CFileException::invalidFile, name, "no data");
    }
    if (size < DocumentFile::HeaderSize ||
        std::memcmp(data, DocumentFile::Signature, sizeof DocumentFile::Signature) != 0) {
        throw CFileException(CFileException::invalidFile, name, "not a Clavenor document");
    }
    const std::uint32_t framing = GetLE(data + FramingVersionAt, 2);
    if (framing != DocumentFile::FramingVersion) {
        throw CFileException(CFileException::newerVersion, name,
                             "file framing version " + std::to_string(framing) +
                                 " (this library reads version " +
                                 std::to_string(DocumentFile::FramingVersion) + ")",
                             FramingVersionAt);
    }
    const auto version = static_cast<std::int32_t>(GetLE(data + DocumentVersionAt, 4));
    if (version > ECPerformance::WriteVersion) {
        throw CFileException(CFileException::newerVersion, name,
                             "document version " + std::to_string(version) +
                                 " (this library reads versions up to " +
                                 std::to_string(ECPerformance::WriteVersion) + ")",
                             DocumentVersionAt);
    }
    if (version < 0) {
        throw CFileException(CFileException::damaged, name,
                             "negative document version " + std::to_string(version),
                             DocumentVersionAt);
    }

    // The root is created by the archive, so the version is carried by a stand-in that is
    // active while the main pass reads; the root itself is active for the second pass.
    ECPerformance carrier;
    carrier.SetVersion(version);
    ActiveGuard active(&carrier);
    ECPerformance* root = nullptr;
    bool held = false;
    try {
        CMemFile file(data, size);
        file.Seek(static_cast<std::int64_t>(DocumentFile::HeaderSize), CFile::begin);
        CArchive ar(&file, CArchive::load);
        root = static_cast<ECPerformance*>(ar.ReadObject(RUNTIME_CLASS(ECPerformance)));
        if (root == nullptr) {
            throw CArchiveException(CArchiveException::genericException, "no document root",
                                    DocumentFile::HeaderSize);
        }
        root->Ref();
        held = true;
        root->SetVersion(version);
        ECPerformance::SetActivePerformance(root);
        {
            LockGuard lock(*root);
            ACPostSerialize post(ar);
            post.Apply(root);
        }
        const std::uint64_t end = ar.GetPosition();
        if (end != size) {
            throw CArchiveException(
                CArchiveException::genericException,
                std::to_string(size - end) + " stray bytes after the end of the document", end);
        }
        ar.Close();
    } catch (const CArchiveException& e) {
        if (held) {
            root->Unref(0);
            delete root;
        }
        throw CFileException(CFileException::damaged, name, DamagedDetail(e), e.GetOffset());
    } catch (...) {
        if (held) {
            root->Unref(0);
            delete root;
        }
        throw;
    }
    root->Unref(0);
    return std::unique_ptr<ECPerformance>(root);
}

void SaveDocument(ECPerformance& document, const std::filesystem::path& path) {
    std::vector<std::uint8_t> bytes;
    try {
        bytes = WriteDocument(document);
    } catch (const CArchiveException& e) {
        throw CFileException(CFileException::damaged, path.string(),
                             "cannot write the document: " + DamagedDetail(e));
    }
    TemporaryFile temporary(path);
    if (::fchmod(temporary.Descriptor(), NewFileMode(path)) != 0) {
        ThrowSystem(path, "cannot set the permissions of " + temporary.Path(), errno);
    }
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t wrote =
            ::write(temporary.Descriptor(), bytes.data() + done, bytes.size() - done);
        if (wrote < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowSystem(path, "cannot write " + temporary.Path(), errno);
        }
        done += static_cast<std::size_t>(wrote);
    }
    if (::fsync(temporary.Descriptor()) != 0) {
        ThrowSystem(path, "cannot flush " + temporary.Path(), errno);
    }
    if (temporary.Close() != 0) {
        ThrowSystem(path, "cannot close " + temporary.Path(), errno);
    }
    if (::rename(temporary.Path().c_str(), path.c_str()) != 0) {
        ThrowSystem(path, "cannot replace the file", errno);
    }
    temporary.Keep();
    SyncFolder(path);
}

std::unique_ptr<ECPerformance> LoadDocument(const std::filesystem::path& path) {
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.fd < 0) {
        ThrowSystem(path, "cannot open", errno);
    }
    struct stat info {};
    if (::fstat(file.fd, &info) != 0) {
        ThrowSystem(path, "cannot read", errno);
    }
    if (S_ISDIR(info.st_mode)) {
        throw CFileException(CFileException::invalidFile, path.string(), "is a folder");
    }
    std::vector<std::uint8_t> bytes;
    if (S_ISREG(info.st_mode)) {
        bytes.reserve(static_cast<std::size_t>(info.st_size));
    }
    std::uint8_t buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(file.fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowSystem(path, "cannot read", errno);
        }
        if (got == 0) {
            break;
        }
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    return ReadDocument(bytes.data(), bytes.size(), path.string());
}

} // namespace clavenor
