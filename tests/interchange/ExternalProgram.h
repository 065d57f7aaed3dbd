#pragma once

// Running the programs the interchange tests check our files against (midicsv, MuseScore 3),
// and the notes a MIDI file plays, for comparing what two programs wrote.

#include <clavenor/interchange/MidiFile.h>

#include <compare>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace clavenor::test {

using Bytes = std::vector<std::uint8_t>;

/// Whether `program` is on the PATH.
bool Installed(const std::string& program);

/// Standard output of a shell command, and its exit status.
std::string Shell(const std::string& command, int& status);

Bytes ReadAll(const std::filesystem::path& path);
void WriteAll(const std::filesystem::path& path, const Bytes& bytes);
void WriteAll(const std::filesystem::path& path, const std::string& text);

/// MuseScore 3, headless.
class MuseScore {
public:
    /// Whether mscore3 is installed.
    static bool Available();
    /// The demo scores of musescore3-common, sorted; empty when not installed.
    static std::vector<std::filesystem::path> DemoScores();
    /// Converts `in` to `out` (the kind follows the extension), with a home folder of its own
    /// in `home`. Returns what it printed; `status` its exit status.
    static std::string Convert(const std::filesystem::path& in, const std::filesystem::path& out,
                               const std::filesystem::path& home, int& status);
};

/// One note as played: its onset and length in ticks of a grid the caller chooses, and its
/// key.
struct PlayedNote {
    long long onset;
    int key;
    long long length;
    auto operator<=>(const PlayedNote&) const = default;
};

/// The notes of `file` (a note-on and the next note-off of its key and channel in its track),
/// sorted, with times on a grid of `grid` ticks per quarter note (a multiple of the file's
/// division). `extraTicks` (in the file's ticks) is added to every length. Notes of one key
/// that start together on one channel of a track are one note, the longest: a player cannot
/// tell them apart (MuseScore writes only that one).
std::vector<PlayedNote> NotesOf(const MidiFile& file, long long grid, int extraTicks = 0);

/// A readable list of the notes of `a` missing from `b` and of `b` missing from `a` (the first
/// few of each), empty when they hold the same notes.
std::string NoteDifference(const std::vector<PlayedNote>& a, const std::vector<PlayedNote>& b,
                           long long grid);

} // namespace clavenor::test
