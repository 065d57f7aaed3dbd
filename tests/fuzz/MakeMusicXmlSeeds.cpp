// Writes the MusicXML fuzzer's seed corpus into the folder given as the only argument.

#include "FuzzMusicXml.h"

#include <clavenor/clavenor.h>

#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER\n", argv[0]);
        return 2;
    }
    // The import's structure comes through commands: this thread must own the queue.
    delete new clavenor::ECPerformance;
    int written = 0;
    for (const auto& bytes : clavenor::fuzz::MakeMusicXmlSeeds()) {
        const std::string path =
            std::string(argv[1]) + "/musicxml-seed-" + std::to_string(written++);
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
