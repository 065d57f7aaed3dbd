#include "clavenor/plugins/CPlugin.h"

#include "clavenor/framework/CMessageSink.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

namespace clavenor {

namespace {

std::string& PluginFolderOverride() {
    static std::string folder;
    return folder;
}

template <class... Args>
CString Format(const char* format, Args... args) {
    const int length = std::snprintf(nullptr, 0, format, args...);
    std::string text(static_cast<std::size_t>(std::max(length, 0)), '\0');
    std::snprintf(text.data(), text.size() + 1, format, args...);
    return CString(std::move(text));
}

bool IsLibraryName(const char* name) {
    const std::string_view text(name);
    const std::string_view suffix(CPlugin::LibrarySuffix);
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// The full paths of the libraries in `folder`, by name; empty when there is no such folder.
std::vector<std::string> LibrariesIn(const std::string& folder) {
    std::vector<std::string> names;
    if (folder.empty()) {
        return names;
    }
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return names;
    }
    while (const dirent* entry = ::readdir(dir)) {
        if (IsLibraryName(entry->d_name)) {
            names.emplace_back(entry->d_name);
        }
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    for (std::string& name : names) {
        name = folder + '/' + name;
    }
    return names;
}

// The system error number that names why `path` could not be loaded; the dynamic loader
// only gives text. The file's own error when it cannot be opened or read (EISDIR for a
// folder), ENOEXEC for a file that is not a shared object, and ELIBBAD for a shared object
// the loader refused (a missing dependency or symbol, another architecture).
int LoadErrorCode(const char* path) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    char magic[4] = {};
    const ssize_t n = ::read(fd, magic, sizeof magic);
    const int error = errno;
    ::close(fd);
    if (n < 0) {
        return error;
    }
    if (n < static_cast<ssize_t>(sizeof magic) || std::memcmp(magic,
                                                              "\x7f"
                                                              "ELF",
                                                              4) != 0) {
        return ENOEXEC;
    }
    return ELIBBAD;
}

int WalkFolder(int (*operation)(const char* path)) {
    if (operation == nullptr) {
        return 0;
    }
    const std::vector<std::string> libraries = LibrariesIn(CPlugin::GetPluginFolder());
    if (libraries.empty()) {
        CMessageSink::Message("No plugins were found!", CMessageSink::IconStop);
        return 0;
    }
    for (const std::string& path : libraries) {
        operation(path.c_str());
    }
    return 1;
}

} // namespace

CPlugin::~CPlugin() = default;

int CPlugin::Initialize() { return WalkFolder(&InitPlugin); }

int CPlugin::UnInitialize() { return WalkFolder(&FreePlugin); }

int CPlugin::InitPlugin(const char* path) {
    if (path == nullptr) {
        return 0;
    }
    void* library = ::dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* why = ::dlerror();
        CMessageSink::Message(
            Format("The plugin, %s, could not be loaded (err code %d).", path, LoadErrorCode(path)),
            CMessageSink::IconStop, CString(why));
        return 0;
    }
    auto version = reinterpret_cast<VersionEntry>(::dlsym(library, "GetPluginVersion"));
    if (version == nullptr || version() < InterfaceVersion) {
        return 0;
    }
    auto init = reinterpret_cast<InitEntry>(::dlsym(library, "InitPlugins"));
    if (init == nullptr) {
        CMessageSink::Message(Format("Plugin, %s, could not be initialized.", path),
                              CMessageSink::IconInformation);
        return 0;
    }
    init();
    return 1;
}

int CPlugin::FreePlugin(const char* path) {
    if (path == nullptr) {
        return 1;
    }
    // Asking for a library without loading it counts one more use of it: give that back,
    // then the use that InitPlugin took.
    if (void* library = ::dlopen(path, RTLD_NOW | RTLD_NOLOAD)) {
        ::dlclose(library);
        ::dlclose(library);
    }
    return 1;
}

std::string CPlugin::GetPluginFolder() {
    if (!PluginFolderOverride().empty()) {
        return PluginFolderOverride();
    }
    const std::string exe = GetExecutableFolder();
    return exe.empty() ? std::string() : exe + '/' + FolderName;
}

void CPlugin::SetPluginFolder(std::string folder) { PluginFolderOverride() = std::move(folder); }

std::string CPlugin::GetExecutableFolder() {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) {
            return std::string();
        }
        if (static_cast<std::size_t>(n) < buffer.size()) {
            const std::string path(buffer.data(), static_cast<std::size_t>(n));
            const std::size_t slash = path.rfind('/');
            if (slash == std::string::npos) {
                return std::string();
            }
            return slash == 0 ? std::string("/") : path.substr(0, slash);
        }
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace clavenor
