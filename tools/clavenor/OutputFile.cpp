#include "OutputFile.h"

#include "ToolError.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace clavenor::tool {

namespace {

[[noreturn]] void Fail(const std::filesystem::path& path, const std::string& what, int error) {
    throw ToolError(ToolError::BadOutput,
                    path.string() + ": " + what + ": " + std::strerror(error));
}

} // namespace

void OutputFile::Write(const std::filesystem::path& path, std::string_view bytes) {
    const std::filesystem::path folder =
        path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    std::string name(".");
    name += path.filename().string();
    name += ".XXXXXX";
    std::string temporary = (folder / name).string();
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        Fail(path, "cannot create a file in " + folder.string(), errno);
    }
    auto abandon = [&](const std::string& what) {
        const int error = errno;
        ::close(fd);
        ::unlink(temporary.c_str());
        Fail(path, what, error);
    };
    // Output files are ordinary files: readable by all, as the umask allows.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::fchmod(fd, 0666 & ~mask) != 0) {
        abandon("cannot set permissions");
    }
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0) {
            if (errno == EINTR) {
                continue;
            }
            abandon("cannot write");
        }
        done += static_cast<std::size_t>(wrote);
    }
    if (::fsync(fd) != 0) {
        abandon("cannot flush");
    }
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        Fail(path, "cannot close", error);
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        Fail(path, "cannot replace", error);
    }
}

} // namespace clavenor::tool
