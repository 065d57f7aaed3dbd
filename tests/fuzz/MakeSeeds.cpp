// Writes the fuzzer's seed corpus into the folder given as the only argument: real
// archives of example documents, and hand-made streams of shapes the writer never makes
// (graphs deep through back-references, chains of diamonds, many parents of one child),
// some within the loader's bounds and some beyond them. Each comes behind the version
// selector byte.

#include "FuzzDocuments.h"

#include <cstdio>
#include <string>

using namespace clavenor;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER\n", argv[0]);
        return 2;
    }
    std::vector<std::vector<std::uint8_t>> streams;
    for (ECPerformance* document : fuzz::MakeSeedDocuments()) {
        streams.push_back(fuzz::Save(document));
        delete document;
    }
    for (const auto& [chains, length] : {std::pair{2, 120}, std::pair{3, 100}, std::pair{40, 8}}) {
        streams.push_back(fuzz::DeepChainsStream(chains, length));
    }
    for (int diamonds : {6, 12, 40}) {
        streams.push_back(fuzz::DiamondsStream(diamonds));
    }
    streams.push_back(fuzz::SharedChildStream(2000));
    int written = 0;
    for (const std::vector<std::uint8_t>& bytes : streams) {
        for (std::uint8_t selector : {std::uint8_t{4}, std::uint8_t{255}}) {
            const std::string path = std::string(argv[1]) + "/seed-" + std::to_string(written++);
            std::FILE* out = std::fopen(path.c_str(), "wb");
            if (out == nullptr) {
                std::perror(path.c_str());
                return 1;
            }
            std::fputc(selector, out);
            std::fwrite(bytes.data(), 1, bytes.size(), out);
            std::fclose(out);
        }
    }
    std::printf("wrote %d seeds to %s\n", written, argv[1]);
    return 0;
}
