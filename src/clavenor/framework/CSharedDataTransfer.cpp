#include "clavenor/framework/CSharedDataTransfer.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace clavenor {

namespace {

constexpr char Magic[8] = {'C', 'L', 'V', 'X', 'F', 'E', 'R', '1'};

std::atomic<unsigned> s_nTempCounter{0};

std::string SystemError(const char* what, const std::filesystem::path& path, int error) {
    return std::string(what) + " " + path.string() + ": " + std::strerror(error);
}

bool WriteAll(int fd, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

template <class T>
bool WriteValue(int fd, T value) {
    return WriteAll(fd, &value, sizeof value);
}

// Reads the file to its end, refusing more than `limit` bytes.
bool ReadAll(int fd, std::uint64_t limit, std::vector<std::uint8_t>& out) {
    std::uint8_t buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            return true;
        }
        if (out.size() + static_cast<std::size_t>(n) > limit) {
            errno = EFBIG;
            return false;
        }
        out.insert(out.end(), buffer, buffer + n);
    }
}

// A bounds-checked reader over the file's bytes.
class Cursor {
public:
    explicit Cursor(const std::vector<std::uint8_t>& bytes) : m_bytes(bytes) {}

    template <class T>
    bool Take(T& value) {
        if (Left() < sizeof value) {
            return false;
        }
        std::memcpy(&value, m_bytes.data() + m_at, sizeof value);
        m_at += sizeof value;
        return true;
    }
    bool Take(std::size_t count, const std::uint8_t*& at) {
        if (Left() < count) {
            return false;
        }
        at = m_bytes.data() + m_at;
        m_at += count;
        return true;
    }
    std::size_t Left() const { return m_bytes.size() - m_at; }

private:
    const std::vector<std::uint8_t>& m_bytes;
    std::size_t m_at = 0;
};

// The transfer the file's bytes describe, or null (with `error` set) when they are not one.
std::shared_ptr<const CTransferData> Parse(const std::vector<std::uint8_t>& bytes,
                                           std::string& error) {
    Cursor in(bytes);
    const std::uint8_t* magic = nullptr;
    std::uint32_t count = 0;
    if (!in.Take(sizeof Magic, magic) || std::memcmp(magic, Magic, sizeof Magic) != 0 ||
        !in.Take(count)) {
        error = "the clipboard file is not a transfer";
        return nullptr;
    }
    auto data = std::make_shared<CTransferData>();
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t nameLength = 0;
        const std::uint8_t* name = nullptr;
        std::uint64_t size = 0;
        const std::uint8_t* payload = nullptr;
        if (!in.Take(nameLength) || nameLength == 0 ||
            nameLength > CSharedDataTransfer::MaxNameLength || !in.Take(nameLength, name) ||
            !in.Take(size) || size > in.Left() ||
            !in.Take(static_cast<std::size_t>(size), payload)) {
            error = "the clipboard file is damaged in format " + std::to_string(i + 1);
            return nullptr;
        }
        data->SetFormat(std::string_view(reinterpret_cast<const char*>(name), nameLength),
                        std::make_shared<const CTransferData::Bytes>(payload, payload + size));
    }
    if (in.Left() != 0) {
        error = "the clipboard file has bytes after its last format";
        return nullptr;
    }
    return data->IsEmpty() ? nullptr : data;
}

} // namespace

std::filesystem::path CSharedDataTransfer::DefaultFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        return std::filesystem::path(runtime) / "clavenor";
    }
    return std::filesystem::path("/tmp") / ("clavenor-" + std::to_string(::geteuid()));
}

CSharedDataTransfer::CSharedDataTransfer() : CSharedDataTransfer(DefaultFolder()) {}

CSharedDataTransfer::CSharedDataTransfer(std::filesystem::path folder)
    : m_folder(std::move(folder)) {}

CSharedDataTransfer::~CSharedDataTransfer() = default;

int CSharedDataTransfer::SetClipboard(std::shared_ptr<const CTransferData> data) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_error.Empty();
    if (!PrepareFolder()) {
        return 0;
    }
    if (data == nullptr || data->IsEmpty()) {
        const std::filesystem::path file = m_folder / FileName;
        if (::unlink(file.c_str()) != 0 && errno != ENOENT) {
            m_error = SystemError("cannot remove", file, errno);
            return 0;
        }
        return 1;
    }
    return Write(*data) ? 1 : 0;
}

std::shared_ptr<const CTransferData> CSharedDataTransfer::GetClipboard() {
    std::lock_guard<std::mutex> hold(m_lock);
    m_error.Empty();
    return Read();
}

CString CSharedDataTransfer::GetLastError() {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_error;
}

bool CSharedDataTransfer::PrepareFolder() {
    if (m_folder.empty()) {
        m_error = "no clipboard folder";
        return false;
    }
    if (::mkdir(m_folder.c_str(), 0700) != 0 && errno != EEXIST) {
        m_error = SystemError("cannot create", m_folder, errno);
        return false;
    }
    struct stat info {};
    if (::lstat(m_folder.c_str(), &info) != 0) {
        m_error = SystemError("cannot examine", m_folder, errno);
        return false;
    }
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::geteuid() ||
        (info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        m_error = "refusing the clipboard folder " + m_folder.string() +
                  ": not a directory of this user closed to others";
        return false;
    }
    return true;
}

bool CSharedDataTransfer::Write(const CTransferData& data) {
    const std::filesystem::path file = m_folder / FileName;
    std::filesystem::path temp = m_folder;
    temp /= std::string(".") + FileName + '.' + std::to_string(::getpid()) + '.' +
            std::to_string(++s_nTempCounter);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        m_error = SystemError("cannot create", temp, errno);
        return false;
    }
    bool ok = WriteAll(fd, Magic, sizeof Magic) &&
              WriteValue(fd, static_cast<std::uint32_t>(data.GetFormatCount()));
    for (std::size_t i = 0; ok && i < data.GetFormatCount(); ++i) {
        const std::string& name = data.GetFormatName(i);
        const CTransferData::Bytes& payload = *data.GetPayload(i);
        if (name.size() > MaxNameLength) {
            errno = ENAMETOOLONG;
            ok = false;
            break;
        }
        ok = WriteValue(fd, static_cast<std::uint32_t>(name.size())) &&
             WriteAll(fd, name.data(), name.size()) &&
             WriteValue(fd, static_cast<std::uint64_t>(payload.size())) &&
             WriteAll(fd, payload.data(), payload.size());
    }
    int error = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        error = errno;
        ok = false;
    }
    // The rename is what makes the new transfer visible, all at once.
    if (ok && ::rename(temp.c_str(), file.c_str()) != 0) {
        error = errno;
        ok = false;
    }
    if (!ok) {
        m_error = SystemError("cannot write", file, error);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

std::shared_ptr<const CTransferData> CSharedDataTransfer::Read() {
    const std::filesystem::path file = m_folder / FileName;
    const int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT && errno != ENOTDIR) {
            m_error = SystemError("cannot open", file, errno);
        }
        return nullptr;
    }
    std::vector<std::uint8_t> bytes;
    const bool read = ReadFile(fd, file, bytes);
    ::close(fd);
    if (!read) {
        return nullptr;
    }
    std::string error;
    std::shared_ptr<const CTransferData> result = Parse(bytes, error);
    if (!error.empty()) {
        m_error = error + " (" + file.string() + ")";
    }
    return result;
}

bool CSharedDataTransfer::ReadFile(int fd, const std::filesystem::path& file,
                                   std::vector<std::uint8_t>& bytes) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        m_error = SystemError("cannot examine", file, errno);
        return false;
    }
    if (!S_ISREG(info.st_mode) || static_cast<std::uint64_t>(info.st_size) > MaxFileSize) {
        m_error = "refusing the clipboard file " + file.string() +
                  ": not a regular file of a sensible size";
        return false;
    }
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    if (!ReadAll(fd, MaxFileSize, bytes)) {
        m_error = SystemError("cannot read", file, errno);
        return false;
    }
    return true;
}

} // namespace clavenor
