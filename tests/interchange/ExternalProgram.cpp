#include "interchange/ExternalProgram.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <fstream>
#include <map>
#include <tuple>

namespace clavenor::test {

bool Installed(const std::string& program) {
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

std::string Shell(const std::string& command, int& status) {
    std::string out;
    if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            out.append(buffer, got);
        }
        status = ::pclose(pipe);
    } else {
        status = -1;
    }
    return out;
}

Bytes ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

void WriteAll(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

bool MuseScore::Available() { return Installed("mscore3"); }

std::vector<std::filesystem::path> MuseScore::DemoScores() {
    std::vector<std::filesystem::path> scores;
    std::error_code error;
    for (const auto& share : std::filesystem::directory_iterator("/usr/share", error)) {
        const std::filesystem::path demos = share.path() / "demos";
        if (share.path().filename().string().rfind("mscore3", 0) == 0 &&
            std::filesystem::is_directory(demos)) {
            for (const auto& entry : std::filesystem::directory_iterator(demos)) {
                const std::string extension = entry.path().extension().string();
                if (extension == ".mscz" || extension == ".mscx") {
                    scores.push_back(entry.path());
                }
            }
        }
    }
    std::sort(scores.begin(), scores.end());
    return scores;
}

std::string MuseScore::Convert(const std::filesystem::path& in, const std::filesystem::path& out,
                               const std::filesystem::path& home, int& status) {
    // MuseScore keeps settings in the home folder: give it one of its own.
    return Shell("HOME='" + home.string() +
                     "' QT_QPA_PLATFORM=offscreen timeout 300 mscore3 -platform offscreen -o '" +
                     out.string() + "' '" + in.string() + "' 2>&1",
                 status);
}

std::vector<PlayedNote> NotesOf(const MidiFile& file, long long grid, int extraTicks) {
    const long long scale = grid / std::max(1, file.TicksPerQuarter());
    std::vector<PlayedNote> notes;
    for (const MidiTrack& track : file.tracks) {
        std::map<std::pair<int, int>, std::deque<std::uint64_t>> open;
        // Notes of one key struck together on one channel sound as one: the longest.
        std::map<std::tuple<int, std::uint64_t, int>, std::size_t> struck;
        for (const MidiEvent& event : track.events) {
            if (!event.IsChannel() || (event.Kind() != 0x80 && event.Kind() != 0x90)) {
                continue;
            }
            auto& queue = open[{event.Channel(), event.data1}];
            if (event.IsNoteOn()) {
                queue.push_back(event.tick);
            } else if (!queue.empty()) {
                const std::uint64_t start = queue.front();
                queue.pop_front();
                const PlayedNote note{static_cast<long long>(start) * scale, event.data1,
                                      (static_cast<long long>(event.tick - start) + extraTicks) *
                                          scale};
                const auto key = std::make_tuple(int{event.Channel()}, start, int{event.data1});
                if (auto found = struck.find(key); found != struck.end()) {
                    notes[found->second].length =
                        std::max(notes[found->second].length, note.length);
                    continue;
                }
                struck.emplace(key, notes.size());
                notes.push_back(note);
            }
        }
    }
    std::sort(notes.begin(), notes.end());
    return notes;
}

std::string NoteDifference(const std::vector<PlayedNote>& a, const std::vector<PlayedNote>& b,
                           long long grid) {
    std::vector<PlayedNote> onlyA;
    std::vector<PlayedNote> onlyB;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(onlyA));
    std::set_difference(b.begin(), b.end(), a.begin(), a.end(), std::back_inserter(onlyB));
    if (onlyA.empty() && onlyB.empty()) {
        return {};
    }
    auto list = [&](const std::vector<PlayedNote>& notes) {
        std::string text;
        for (std::size_t i = 0; i < notes.size() && i < 6; ++i) {
            char item[96];
            std::snprintf(item, sizeof item, " (key %d at %.4f for %.4f)", notes[i].key,
                          static_cast<double>(notes[i].onset) / static_cast<double>(grid),
                          static_cast<double>(notes[i].length) / static_cast<double>(grid));
            text += item;
        }
        return std::to_string(notes.size()) + text;
    };
    return "only in the first: " + list(onlyA) + "; only in the second: " + list(onlyB);
}

} // namespace clavenor::test
