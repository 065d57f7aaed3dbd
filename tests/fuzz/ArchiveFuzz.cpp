// Loads arbitrary bytes as a document archive. A stream must either load or raise
// CArchiveException, without crashing, hanging or leaking; a stream that loads must save,
// saving what that save loads must give the same bytes again, and the reloaded document must
// answer the timeline queries of a host.

#include "FuzzDocuments.h"

#include <cstdlib>

using namespace clavenor;

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
    const std::vector<std::uint8_t> first = fuzz::Save(document);
    delete document;
    ECPerformance* reloaded = nullptr;
    try {
        reloaded = fuzz::Load(first.data(), first.size(), ECPerformance::WriteVersion);
    } catch (const CArchiveException&) {
        std::abort(); // what the library wrote, it must read
    }
    const std::vector<std::uint8_t> second = fuzz::Save(reloaded);
    if (first != second) {
        std::abort();
    }
    fuzz::QueryTimeline(reloaded);
    delete reloaded;
    MCCommandMgr::OnIdle();
    return 0;
}
