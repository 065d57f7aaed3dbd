// Writes the paste fuzzer's seed corpus, real copies of the example documents, into the
// folder given as the only argument.

#include "FuzzPaste.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER\n", argv[0]);
        return 2;
    }
    int written = 0;
    for (const std::vector<std::uint8_t>& seed : clavenor::fuzz::MakePasteSeeds()) {
        const std::string path = std::string(argv[1]) + "/paste-seed-" + std::to_string(written++);
        std::FILE* out = std::fopen(path.c_str(), "wb");
        if (out == nullptr) {
            std::perror(path.c_str());
            return 1;
        }
        std::fwrite(seed.data(), 1, seed.size(), out);
        std::fclose(out);
    }
    std::printf("wrote %d seeds to %s\n", written, argv[1]);
    return 0;
}
