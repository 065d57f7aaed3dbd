#include "clavenor/framework/CIniProfileStore.h"

#include "clavenor/framework/detail/TextScan.h"

#include <atomic>
#include <cerrno>
#include <string>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace clavenor {

namespace {

bool HasLineBreakOrZero(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool HasOuterBlank(std::string_view text) {
    return !text.empty() && (TextScan::IsBlank(text.front()) || TextScan::IsBlank(text.back()));
}

bool IsQuoted(std::string_view text) {
    return text.size() >= 2 && text.front() == '"' && text.back() == '"';
}

bool IsValidSection(std::string_view name) {
    return !name.empty() && !HasLineBreakOrZero(name) && !HasOuterBlank(name) &&
           name.find(']') == std::string_view::npos;
}

bool IsValidKey(std::string_view key) {
    return !key.empty() && !HasLineBreakOrZero(key) && !HasOuterBlank(key) &&
           key.find('=') == std::string_view::npos && key.front() != ';' && key.front() != '#' &&
           key.front() != '[';
}

// Quotes keep blanks at either end, which reading trims, and keep a value that is itself
// quoted from losing its quotes.
std::string EncodeValue(std::string_view value) {
    if (HasOuterBlank(value) || IsQuoted(value)) {
        std::string quoted;
        quoted.reserve(value.size() + 2);
        quoted += '"';
        quoted += value;
        quoted += '"';
        return quoted;
    }
    return std::string(value);
}

std::string DecodeValue(std::string_view text) {
    text = TextScan::TrimBlanks(text);
    if (IsQuoted(text)) {
        text = text.substr(1, text.size() - 2);
    }
    return std::string(text);
}

// Reads at most `limit` + 1 bytes, so that an oversized file is noticed without reading it.
bool ReadAll(int fd, std::uint64_t limit, std::string& out) {
    char buffer[8192];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            return true;
        }
        out.append(buffer, static_cast<std::size_t>(n));
        if (out.size() > limit) {
            return false;
        }
    }
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::atomic<unsigned> s_nTempCounter{0};

} // namespace

CIniProfileStore::CIniProfileStore() = default;

CIniProfileStore::CIniProfileStore(std::filesystem::path path) : m_path(std::move(path)) {}

CIniProfileStore::~CIniProfileStore() = default;

void CIniProfileStore::SetPath(std::filesystem::path path) {
    m_path = std::move(path);
    m_sections.clear();
    m_stamp = Stamp();
    m_loaded = false;
    m_readable = false;
}

bool CIniProfileStore::ReadValue(std::string_view section, std::string_view key,
                                 std::string& value) {
    Refresh();
    for (const Section& s : m_sections) {
        if (!s.hasHeader || !NamesEqual(s.name, section)) {
            continue;
        }
        for (const Line& line : s.lines) {
            if (!line.key.empty() && NamesEqual(line.key, key)) {
                value = line.value;
                return true;
            }
        }
    }
    return false;
}

bool CIniProfileStore::WriteValue(std::string_view section, std::string_view key,
                                  std::string_view value) {
    if (!IsValidSection(section) || !IsValidKey(key) || HasLineBreakOrZero(value)) {
        return false;
    }
    Refresh();
    if (!m_readable) {
        return false;
    }

    // Edit a copy, so that the store keeps matching the file when the file cannot be
    // replaced.
    std::vector<Section> sections = m_sections;
    Line* existing = nullptr;
    Section* target = nullptr;
    for (Section& s : sections) {
        if (!s.hasHeader || !NamesEqual(s.name, section)) {
            continue;
        }
        if (target == nullptr) {
            target = &s;
        }
        for (Line& line : s.lines) {
            if (!line.key.empty() && NamesEqual(line.key, key)) {
                existing = &line;
                break;
            }
        }
        if (existing != nullptr) {
            break;
        }
    }

    if (existing != nullptr) {
        // Keep the spelling of the key the file already has.
        existing->text = existing->key + '=' + EncodeValue(value);
        existing->value = std::string(value);
    } else {
        Line line{std::string(key) + '=' + EncodeValue(value), std::string(key),
                  std::string(value)};
        if (target == nullptr) {
            // A blank line between sections, for whoever reads the file.
            if (!sections.empty() && !sections.back().lines.empty() &&
                !TextScan::TrimBlanks(sections.back().lines.back().text).empty()) {
                sections.back().lines.push_back(Line());
            }
            Section added;
            added.name = std::string(section);
            added.header = '[' + added.name + ']';
            added.hasHeader = true;
            sections.push_back(std::move(added));
            target = &sections.back();
        }
        // After the section's last entry, so that the blank lines and comments that close
        // the section stay at its end.
        std::size_t at = 0;
        for (std::size_t i = 0; i < target->lines.size(); ++i) {
            if (!target->lines[i].key.empty()) {
                at = i + 1;
            }
        }
        target->lines.insert(target->lines.begin() + static_cast<std::ptrdiff_t>(at),
                             std::move(line));
    }

    Stamp written;
    if (!Replace(Format(sections), written)) {
        return false;
    }
    m_sections = std::move(sections);
    m_stamp = written;
    return true;
}

void CIniProfileStore::Refresh() {
    if (m_path.empty()) {
        m_sections.clear();
        m_loaded = true;
        m_readable = false;
        return;
    }
    Stamp now = StampOf(m_path);
    if (m_loaded && now == m_stamp) {
        return;
    }

    std::vector<Section> sections;
    bool readable = !now.exists;
    if (now.exists) {
        int fd = ::open(m_path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            struct stat info {};
            std::string text;
            if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                static_cast<std::uint64_t>(info.st_size) <= MaxFileSize &&
                ReadAll(fd, MaxFileSize, text)) {
                sections = Parse(text);
                readable = true;
            }
            ::close(fd);
        }
    }
    m_sections = std::move(sections);
    m_stamp = now;
    m_loaded = true;
    m_readable = readable;
}

CIniProfileStore::Stamp CIniProfileStore::StampOf(const std::filesystem::path& path, int fd) {
    Stamp stamp;
    struct stat info {};
    if ((fd >= 0 ? ::fstat(fd, &info) : ::stat(path.c_str(), &info)) != 0) {
        // Only a file that is certainly absent may be created; any other failure (a folder
        // without search permission) counts as a file that exists but cannot be read.
        stamp.exists = errno != ENOENT && errno != ENOTDIR;
        return stamp;
    }
    stamp.exists = true;
    stamp.device = static_cast<std::uint64_t>(info.st_dev);
    stamp.inode = static_cast<std::uint64_t>(info.st_ino);
    stamp.size = static_cast<std::int64_t>(info.st_size);
    stamp.modifiedSec = static_cast<std::int64_t>(info.st_mtim.tv_sec);
    stamp.modifiedNsec = static_cast<std::int64_t>(info.st_mtim.tv_nsec);
    stamp.mode = static_cast<std::uint32_t>(info.st_mode);
    return stamp;
}

std::vector<CIniProfileStore::Section> CIniProfileStore::Parse(std::string_view text) {
    // A byte-order mark stays in the first line's text, to be written back, but is no part
    // of what the line says.
    std::size_t mark = text.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    std::vector<Section> sections(1);
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view raw = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);

        std::string_view trimmed = TextScan::TrimBlanks(raw.substr(mark));
        mark = 0;
        if (trimmed.starts_with('[')) {
            std::size_t close = trimmed.find(']');
            if (close != std::string_view::npos) {
                Section s;
                s.name = std::string(TextScan::TrimBlanks(trimmed.substr(1, close - 1)));
                s.header = std::string(raw);
                s.hasHeader = true;
                sections.push_back(std::move(s));
                continue;
            }
        }
        Line line{std::string(raw), std::string(), std::string()};
        std::size_t equals = trimmed.find('=');
        if (!trimmed.starts_with(';') && !trimmed.starts_with('#') &&
            equals != std::string_view::npos) {
            line.key = std::string(TextScan::TrimBlanks(trimmed.substr(0, equals)));
            if (!line.key.empty()) {
                line.value = DecodeValue(trimmed.substr(equals + 1));
            }
        }
        sections.back().lines.push_back(std::move(line));
    }
    return sections;
}

std::string CIniProfileStore::Format(const std::vector<Section>& sections) {
    std::string out;
    for (const Section& s : sections) {
        if (s.hasHeader) {
            out += s.header;
            out += '\n';
        }
        for (const Line& line : s.lines) {
            out += line.text;
            out += '\n';
        }
    }
    return out;
}

bool CIniProfileStore::Replace(const std::string& contents, Stamp& written) {
    std::filesystem::path temp = m_path;
    temp += ".tmp." + std::to_string(::getpid()) + '.' + std::to_string(++s_nTempCounter);

    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        return false;
    }
    bool ok = true;
    if (m_stamp.exists) {
        ok = ::fchmod(fd, static_cast<mode_t>(m_stamp.mode & 07777)) == 0;
    }
    ok = ok && WriteAll(fd, contents) && ::fsync(fd) == 0;
    // Renaming keeps the inode and the modification time, so the stamp of the temporary
    // file is the stamp of the file that replaces the old one. Taking it from the open file
    // rather than the path afterwards keeps a change by someone else from being mistaken
    // for ours.
    Stamp stamp = StampOf(temp, fd);
    ok = ::close(fd) == 0 && ok && stamp.inode != 0;
    ok = ok && ::rename(temp.c_str(), m_path.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    written = stamp;
    return true;
}

} // namespace clavenor
