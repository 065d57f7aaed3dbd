#pragma once

#include "clavenor/framework/CProfileStore.h"
#include "clavenor/framework/Export.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace clavenor {

/// A profile store kept in one initialisation file per user, at a path the host chooses:
///
///     [Settings]
///     UndoLevels=10
///     [Settings\Tempo\Allegro]
///     BPM=132
///
/// Reading. Section headers and keys match without regard to ASCII case; blanks around
/// names and values are ignored, and one pair of double quotes around a value is removed
/// (the store writes them around values that start or end with a blank). Lines that are
/// neither a header nor a key=value entry (comments, blanks, damaged text) are kept and
/// written back unchanged. When a section or key occurs twice, the first one counts.
///
/// Robustness. A missing file, and the missing parts of a truncated one, read as absent
/// keys. A file that exists but cannot be read (no permission, not a regular file, larger
/// than MaxFileSize) also reads as absent keys, and writes to it are refused rather than
/// replacing whatever it holds.
///
/// Writing. Every successful write replaces the whole file atomically: the new contents go
/// to a temporary file beside it, which is flushed to the disk and renamed over the old one,
/// keeping its permissions. So a crash leaves either the old or the new file, never a mix.
/// The folder must exist; the store does not create it.
///
/// The file is read again whenever it changed since the store last saw it (another process,
/// a hand edit), so values read are never older than the file. Each read costs one status
/// query of the file.
///
/// Threads: as for every profile store, one thread (the host's owning thread) at a time.
class CLAVENOR_API CIniProfileStore : public CProfileStore {
public:
    /// Files larger than this are not read (a preference file is a few kilobytes).
    static constexpr std::uint64_t MaxFileSize = 4u << 20;

    /// A store without a file: every key is absent and every write is refused.
    CIniProfileStore();
    /// A store on the file at `path` (SetPath); nothing is read yet.
    explicit CIniProfileStore(std::filesystem::path path);
    ~CIniProfileStore() override;

    /// Uses the file at `path` from now on; an empty path detaches the store from any file.
    /// Nothing is read until the next preference is.
    void SetPath(std::filesystem::path path);
    /// The file's path; empty without a file.
    const std::filesystem::path& GetPath() const { return m_path; }

protected:
    bool ReadValue(std::string_view section, std::string_view key, std::string& value) override;

    /// Refuses (false) names and values the file cannot represent: an empty section or one
    /// holding ']'; an empty key, one holding '=' or starting with ';', '#' or '['; a name
    /// with blanks at either end; any line break or zero byte. Also false when the file
    /// could not be read or written.
    bool WriteValue(std::string_view section, std::string_view key,
                    std::string_view value) override;

private:
    // One line of the file. Entries have a non-empty key; every other line is kept only as
    // its text.
    struct Line {
        std::string text;
        std::string key;
        std::string value;
    };
    // The lines before the first header form a section without a header.
    struct Section {
        std::string name;
        std::string header;
        bool hasHeader = false;
        std::vector<Line> lines;
    };
    // Identifies one version of the file, to notice when someone replaced or changed it.
    struct Stamp {
        bool exists = false;
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t size = 0;
        std::int64_t modifiedSec = 0;
        std::int64_t modifiedNsec = 0;
        std::uint32_t mode = 0;
        bool operator==(const Stamp&) const = default;
    };

    // Reads the file again when it changed since it was last read or written.
    void Refresh();
    // The stamp of the open file `fd`, or of the file at `path` when `fd` is negative.
    static Stamp StampOf(const std::filesystem::path& path, int fd = -1);
    static std::vector<Section> Parse(std::string_view text);
    static std::string Format(const std::vector<Section>& sections);
    // Atomically replaces the file with `contents`; on success `written` is the new file's
    // stamp.
    bool Replace(const std::string& contents, Stamp& written);

    std::filesystem::path m_path;
    std::vector<Section> m_sections;
    Stamp m_stamp;
    bool m_loaded = false;
    bool m_readable = false;
};

} // namespace clavenor
