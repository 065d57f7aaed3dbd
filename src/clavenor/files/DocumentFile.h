#pragma once

#include "clavenor/framework/Export.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace clavenor {

class ECPerformance;

/// Document files: the archive stream of a performance inside a small framing that carries
/// what the stream itself does not, the document version (docs/file-format.md has the
/// layout and a worked example):
///
///     offset  size  contents
///     0       8     signature 89 43 4C 56 0D 0A 1A 0A
///     8       2     framing version, 1
///     10      2     0 (reserved)
///     12      4     the document version the reader sets before loading
///     16      ...   the root performance as an object reference, then the records of the
///                   post-serialize pass; nothing follows them
///
/// The calls below do the whole ritual on both sides: the version, the active performance,
/// the document lock, the post-serialize pass and, on failure, the release of whatever was
/// read. They run on the owning thread (the lock keeps commands out meanwhile).
namespace DocumentFile {

/// The first eight bytes of every document file: a byte above 127 and the line endings of
/// both kinds catch a transfer that changed the bytes, the 0x1A stops a listing on old systems.
inline constexpr std::uint8_t Signature[8] = {0x89, 'C', 'L', 'V', '\r', '\n', 0x1A, '\n'};
/// The layout of the header; a reader refuses a file of another.
inline constexpr std::uint16_t FramingVersion = 1;
/// The header's size in bytes: the root's object reference starts here.
inline constexpr std::size_t HeaderSize = 16;

} // namespace DocumentFile

/// The bytes of a document file holding `document`, written with ECPerformance::WriteVersion.
/// Holds the document's lock while the stream is written. Throws CArchiveException when a
/// record refuses to be written, std::bad_alloc when memory runs out.
CLAVENOR_API std::vector<std::uint8_t> WriteDocument(ECPerformance& document);

/// A new document read from the bytes of a document file. `name` is used only in error
/// messages (a file name, for instance). Throws CFileException: invalidFile when the bytes
/// are not a document file, newerVersion when a newer library wrote them, damaged (with the
/// byte offset, and the class being read when known) when the stream is broken or is
/// followed by stray bytes. Nothing read is left behind after a failure; the active
/// performance is what it was before the call, whatever happens.
CLAVENOR_API std::unique_ptr<ECPerformance> ReadDocument(const std::uint8_t* data, std::size_t size,
                                                         const std::string& name);

/// Writes `document` to `path` atomically: into a new temporary file in the same folder,
/// flushed to the disk, then renamed over `path`, so that a failure (a full disk, a crash)
/// leaves the previous file as it was and no temporary file behind. A file replaced keeps
/// its permission bits; a new one gets those the process's umask allows. Throws
/// CFileException naming the file (diskFull, accessDenied, fileNotFound, genericException,
/// or damaged when a record refused to be written) and std::bad_alloc.
CLAVENOR_API void SaveDocument(ECPerformance& document, const std::filesystem::path& path);

/// Reads the document file at `path` (see ReadDocument; a file that cannot be opened or
/// read gives fileNotFound, accessDenied or genericException). The caller owns the result.
CLAVENOR_API std::unique_ptr<ECPerformance> LoadDocument(const std::filesystem::path& path);

} // namespace clavenor
