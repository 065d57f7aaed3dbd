// Saving and loading: the ritual around the archive. The element stream carries no version,
// so the host keeps it in its own framing and sets it before loading; both directions end
// with the post-serialize pass over the same archive. A damaged file throws
// CArchiveException, which says where and in which class.

#include <clavenor/clavenor.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using namespace clavenor;

namespace {

int g_failures = 0;

void Expect(bool fact, const char* what) {
    std::printf("%s: %s\n", fact ? "ok" : "FAILED", what);
    g_failures += fact ? 0 : 1;
}

//! [save]
std::vector<std::uint8_t> Save(ECPerformance& document) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    document.Serialize(ar);
    ACPostSerialize post(ar); // after storing too: some records finish in this pass
    post.Apply(&document);
    ar.Close(); // flushes; a failure throws here rather than in the destructor
    return file.Detach();
}
//! [save]

//! [load]
// A new document read from `bytes`, written with version `version`; null when the bytes
// are damaged, with the reason in `error`.
std::unique_ptr<ECPerformance> Load(const std::vector<std::uint8_t>& bytes, int version,
                                    std::string& error) {
    auto document = std::make_unique<ECPerformance>();
    document->SetVersion(version);
    ECPerformance* previous = ECPerformance::SetActivePerformance(document.get());
    try {
        CMemFile file(bytes.data(), bytes.size());
        CArchive ar(&file, CArchive::load);
        document->Serialize(ar);
        ACPostSerialize post(ar);
        post.Apply(document.get());
        ar.Close();
    } catch (const CArchiveException& e) {
        error = e.what(); // cause, byte offset and class
        document.reset(); // the partly built graph goes with it
    }
    ECPerformance::SetActivePerformance(previous);
    return document;
}
//! [load]

} // namespace

int main() {
    // Needed only when the library is linked statically; harmless otherwise.
    RegisterClasses();

    auto document = std::make_unique<ECPerformance>();
    auto* conductor = new ECConductor;
    Expect(document->AddChild(conductor, 0) == 1, "the document took the conductor");
    Expect(conductor->AddChild(new ECStaff, 1) == 1, "the conductor took a staff");

    const std::vector<std::uint8_t> bytes = Save(*document);
    std::string error;
    auto copy = Load(bytes, ECPerformance::WriteVersion, error);
    Expect(copy != nullptr && copy->GetConductor() != nullptr, "the copy has its conductor");

    const std::vector<std::uint8_t> cut(bytes.begin(), bytes.end() - 3);
    auto damaged = Load(cut, ECPerformance::WriteVersion, error);
    std::printf("loading a cut file: %s\n", error.c_str());
    Expect(damaged == nullptr, "a cut file gives no document");
    Expect(error.find("endOfFile at offset") != std::string::npos, "the error says where");
    return g_failures;
}
