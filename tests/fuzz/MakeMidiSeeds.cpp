// Writes the MIDI fuzzer's seed corpus into the folder given as the only argument: the
// generated seeds, and the Standard MIDI Files named after it.

#include "FuzzMidi.h"

#include <clavenor/clavenor.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER [MIDI_FILE...]\n", argv[0]);
        return 2;
    }
    // The import's structure comes through commands: this thread must own the queue.
    delete new clavenor::ECPerformance;
    std::vector<std::vector<std::uint8_t>> seeds = clavenor::fuzz::MakeMidiSeeds();
    for (int i = 2; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    int written = 0;
    for (const auto& bytes : seeds) {
        const std::string path = std::string(argv[1]) + "/midi-seed-" + std::to_string(written++);
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::perror(path.c_str());
            return 1;
        }
    }
    std::printf("wrote %d seeds to %s\n", written, argv[1]);
    return 0;
}
