// Loads arbitrary bytes as a document archive. A stream must either load or raise
// CArchiveException, without crashing, hanging or leaking; a stream that loads must save,
// saving what that save loads must give the same bytes again, and the reloaded document must
// answer the timeline queries of a host.

#include "FuzzDocuments.h"

#include <cstdio>
#include <cstdlib>

using namespace clavenor;

namespace {

// What the library loaded it must be able to write; a failure is a finding, reported with
// its cause rather than as an exception nobody catches.
std::vector<std::uint8_t> SaveOrAbort(ECPerformance* document, const char* which) {
    try {
        return fuzz::Save(document);
    } catch (const CArchiveException& e) {
        std::fprintf(stderr, "saving the %s document failed: %s\n", which, e.what());
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    fuzz::RegisterDataClasses();
    ECPerformance* document = nullptr;
    try {
        document = fuzz::Load(data + 1, size - 1, fuzz::VersionFromSelector(data[0]));
    } catch (const CArchiveException&) {
        MCCommandMgr::OnIdle();
        return 0;
    }
    const std::vector<std::uint8_t> first = SaveOrAbort(document, "loaded");
    delete document;
    ECPerformance* reloaded = nullptr;
    try {
        reloaded = fuzz::Load(first.data(), first.size(), ECPerformance::WriteVersion);
    } catch (const CArchiveException& e) {
        std::fprintf(stderr, "loading what the library wrote failed: %s\n", e.what());
        std::abort();
    }
    const std::vector<std::uint8_t> second = SaveOrAbort(reloaded, "reloaded");
    if (first != second) {
        std::fprintf(stderr, "saving a reloaded document gave other bytes\n");
        std::abort();
    }
    fuzz::QueryTimeline(reloaded);
    delete reloaded;
    MCCommandMgr::OnIdle();
    return 0;
}
