#include "clavenor/interchange/MusicXmlContainer.h"

#include "clavenor/interchange/MusicXmlException.h"

#include <pugixml.hpp>
#include <zip.h>

#include <cstring>
#include <memory>

namespace clavenor {

namespace {

constexpr std::string_view kMimeType = "application/vnd.recordare.musicxml";
constexpr std::string_view kScoreMediaType = "application/vnd.recordare.musicxml+xml";
constexpr const char* kContainerName = "META-INF/container.xml";
constexpr std::size_t kChunk = 1 << 16;

[[noreturn]] void Fail(const std::string& what) {
    throw MusicXmlException(MusicXmlException::NoLine, what);
}

struct ArchiveCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct FileCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};
struct SourceFreer {
    void operator()(zip_source_t* source) const { zip_source_free(source); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;
using Source = std::unique_ptr<zip_source_t, SourceFreer>;

std::string ZipError(zip_error_t* error) {
    std::string text = zip_error_strerror(error);
    zip_error_fini(error);
    return text;
}

// Reads the entry at `index`, refusing to go past `limit` bytes whatever its header says.
std::string ReadEntry(zip_t* archive, zip_uint64_t index, std::size_t limit) {
    const char* name = zip_get_name(archive, index, ZIP_FL_ENC_GUESS);
    const std::string label = name != nullptr ? name : "entry " + std::to_string(index);
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive, index, 0, &stat) == 0 && (stat.valid & ZIP_STAT_SIZE) != 0 &&
        stat.size > limit) {
        Fail("the archive's " + label + " says it holds " + std::to_string(stat.size) +
             " bytes, more than the " + std::to_string(limit) + " an import reads");
    }
    std::unique_ptr<zip_file_t, FileCloser> file(zip_fopen_index(archive, index, 0));
    if (file == nullptr) {
        Fail("the archive's " + label + " cannot be opened: " + zip_strerror(archive));
    }
    std::string text;
    char buffer[kChunk];
    for (;;) {
        const zip_int64_t got = zip_fread(file.get(), buffer, sizeof buffer);
        if (got < 0) {
            Fail("the archive's " + label + " is damaged: " + zip_file_strerror(file.get()));
        }
        if (got == 0) {
            break;
        }
        if (text.size() + static_cast<std::size_t>(got) > limit) {
            Fail("the archive's " + label + " inflates to more than the " + std::to_string(limit) +
                 " bytes an import reads");
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
    return text;
}

bool EndsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// The score's path as container.xml names it, or empty.
std::string RootFile(const std::string& container) {
    pugi::xml_document document;
    if (!document.load_buffer(container.data(), container.size())) {
        return {};
    }
    const pugi::xml_node rootfiles = document.child("container").child("rootfiles");
    for (pugi::xml_node rootfile : rootfiles.children("rootfile")) {
        const std::string_view type = rootfile.attribute("media-type").as_string();
        if (type.empty() || type == kScoreMediaType) {
            return rootfile.attribute("full-path").as_string();
        }
    }
    return {};
}

void Add(zip_t* archive, const char* name, std::string_view bytes, bool store) {
    zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
    if (source == nullptr) {
        Fail(std::string("cannot make the archive: ") + zip_strerror(archive));
    }
    const zip_int64_t index = zip_file_add(archive, name, source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        Fail(std::string("cannot make the archive: ") + zip_strerror(archive));
    }
    zip_set_file_compression(archive, static_cast<zip_uint64_t>(index),
                             store ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 9);
}

} // namespace

bool MusicXmlContainer::IsCompressed(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 4 && bytes[0] == 'P' && bytes[1] == 'K' && bytes[2] == 3 &&
           bytes[3] == 4;
}

std::string MusicXmlContainer::Unpack(std::span<const std::uint8_t> bytes, const Limits& limits) {
    zip_error_t error;
    zip_error_init(&error);
    Source source(zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error));
    if (source == nullptr) {
        Fail("cannot read the archive: " + ZipError(&error));
    }
    Archive archive(zip_open_from_source(source.get(), ZIP_RDONLY, &error));
    if (archive == nullptr) {
        Fail("not a readable .mxl archive: " + ZipError(&error));
    }
    source.release(); // the archive owns it now
    zip_error_fini(&error);

    std::string path;
    const zip_int64_t container = zip_name_locate(archive.get(), kContainerName, 0);
    if (container >= 0) {
        path = RootFile(ReadEntry(archive.get(), static_cast<zip_uint64_t>(container),
                                  limits.maxContainerBytes));
    }
    zip_int64_t score = path.empty() ? -1 : zip_name_locate(archive.get(), path.c_str(), 0);
    if (score < 0) {
        const zip_int64_t entries = zip_get_num_entries(archive.get(), 0);
        for (zip_int64_t i = 0; i < entries && score < 0; ++i) {
            const char* name = zip_get_name(archive.get(), static_cast<zip_uint64_t>(i), 0);
            if (name != nullptr && std::strncmp(name, "META-INF/", 9) != 0 &&
                (EndsWith(name, ".musicxml") || EndsWith(name, ".xml"))) {
                score = i;
            }
        }
    }
    if (score < 0) {
        Fail(path.empty() ? "the archive holds no MusicXML score"
                          : "the archive holds no " + path + ", the score its container names");
    }
    return ReadEntry(archive.get(), static_cast<zip_uint64_t>(score), limits.maxScoreBytes);
}

std::vector<std::uint8_t> MusicXmlContainer::Pack(std::string_view xml,
                                                  const std::string& scoreName) {
    const std::string container =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<container>\n  <rootfiles>\n"
        "    <rootfile full-path=\"" +
        scoreName + "\" media-type=\"" + std::string(kScoreMediaType) +
        "\"/>\n  </rootfiles>\n</container>\n";
    zip_error_t error;
    zip_error_init(&error);
    Source source(zip_source_buffer_create(nullptr, 0, 0, &error));
    if (source == nullptr) {
        Fail("cannot make the archive: " + ZipError(&error));
    }
    zip_t* archive = zip_open_from_source(source.get(), ZIP_TRUNCATE, &error);
    if (archive == nullptr) {
        Fail("cannot make the archive: " + ZipError(&error));
    }
    zip_error_fini(&error);
    // The archive takes the source over and closes it; kept, it holds the bytes after that.
    zip_source_keep(source.get());
    Archive guard(archive);
    Add(archive, "mimetype", kMimeType, true);
    Add(archive, kContainerName, container, false);
    Add(archive, scoreName.c_str(), xml, false);
    if (zip_close(archive) != 0) {
        Fail(std::string("cannot make the archive: ") + zip_strerror(archive));
    }
    guard.release(); // closed
    std::vector<std::uint8_t> bytes;
    zip_stat_t stat;
    if (zip_source_stat(source.get(), &stat) != 0 || zip_source_open(source.get()) != 0) {
        Fail("cannot read the archive back");
    }
    bytes.resize(static_cast<std::size_t>(stat.size));
    const zip_int64_t got = zip_source_read(source.get(), bytes.data(), bytes.size());
    zip_source_close(source.get());
    if (got < 0 || static_cast<std::size_t>(got) != bytes.size()) {
        Fail("cannot read the archive back");
    }
    return bytes;
}

} // namespace clavenor
