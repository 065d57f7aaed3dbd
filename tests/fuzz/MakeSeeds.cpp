// Writes the fuzzer's seed corpus: real archives of example documents, each behind the
// version selector byte, into the folder given as the only argument.

#include "FuzzDocuments.h"

#include <cstdio>
#include <string>

using namespace clavenor;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER\n", argv[0]);
        return 2;
    }
    int written = 0;
    for (ECPerformance* document : fuzz::MakeSeedDocuments()) {
        std::vector<std::uint8_t> bytes = fuzz::Save(document);
        delete document;
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
