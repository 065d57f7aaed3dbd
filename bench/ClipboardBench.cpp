// Copy and paste of 10^4 notes through the clipboard commands: time per note and bytes per
// note of the transfer format. The floors are the archive itself, measured in the same run:
// writing the same notes (the copy's floor) and reading them back (the paste's floor). A
// copy should stay within twice its floor, and so should a paste: what they add is the
// command road, the collapse and sort of the copied list and the lists that hold the notes.

#include "support/BenchChecks.h"

#include <clavenor/clavenor.h>

#include <benchmark/benchmark.h>

using namespace clavenor;

namespace {

constexpr int kNotes = 10000;

// A document whose one measure holds kNotes notes, with an in-process clipboard of its own.
struct Score {
    ECPerformance* performance = new ECPerformance;
    ECMeasure* measure = new ECMeasure;
    CMemDataTransfer clipboard;
    CDataTransfer* previous = CDataTransfer::SetActive(&clipboard);

    Score() {
        auto* conductor = new ECConductor;
        bench::LinkOrStop(performance, conductor, 0);
        auto* staff = new ECStaff;
        bench::LinkOrStop(conductor, staff, 1);
        MCTime zero(0.0f);
        measure->SetTime(&zero);
        bench::LinkOrStop(staff, measure, 1);
        for (int i = 0; i < kNotes; ++i) {
            bench::LinkOrStop(measure,
                              new ECNote(MCTime(0.25f * static_cast<float>(i)), MCTime(0.25f)), 1);
        }
    }
    ~Score() {
        delete performance;
        MCCommandMgr::OnIdle();
        CDataTransfer::SetActive(previous);
    }

    void Copy() {
        auto* copy = new CCCopy;
        copy->SetSynchronous(1);
        copy->CopyEvents(measure->GetChildren());
        bench::ApplyOrStop(copy, performance);
    }

    std::size_t TransferBytes() {
        return clipboard.GetClipboard()->GetFormat(MCClipFormat::MusicData)->size();
    }
};

void ReportPerNote(benchmark::State& state, std::size_t bytes) {
    state.SetItemsProcessed(state.iterations() * kNotes);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
    state.counters["bytes_per_note"] = static_cast<double>(bytes) / kNotes;
}

void BM_CopyNotes(benchmark::State& state) {
    Score score;
    for (auto _ : state) {
        score.Copy();
    }
    ReportPerNote(state, score.TransferBytes());
}
BENCHMARK(BM_CopyNotes)->Unit(benchmark::kMillisecond);

void BM_PasteNotes(benchmark::State& state) {
    Score score;
    score.Copy();
    for (auto _ : state) {
        auto* paste = new CCPaste;
        paste->SetSynchronous(1);
        paste->Ref();
        bench::ApplyOrStop(paste, score.performance);
        if (paste->GetEvents().GetCount() != kNotes) {
            state.SkipWithError("the paste lost notes");
        }
        paste->Unref(1);
    }
    ReportPerNote(state, score.TransferBytes());
}
BENCHMARK(BM_PasteNotes)->Unit(benchmark::kMillisecond);

// The floors: the archive writing and reading the same notes, without the commands.
void BM_WriteNotesFloor(benchmark::State& state) {
    Score score;
    std::size_t bytes = 0;
    for (auto _ : state) {
        CMemFile file;
        CArchive ar(&file, CArchive::store);
        score.measure->GetChildren()->Serialize(ar);
        ar.Close();
        bytes = static_cast<std::size_t>(file.GetLength());
    }
    ReportPerNote(state, bytes);
}
BENCHMARK(BM_WriteNotesFloor)->Unit(benchmark::kMillisecond);

void BM_ReadNotesFloor(benchmark::State& state) {
    Score score;
    CMemFile written;
    {
        CArchive ar(&written, CArchive::store);
        score.measure->GetChildren()->Serialize(ar);
        ar.Close();
    }
    const std::vector<std::uint8_t> bytes = written.Detach();
    for (auto _ : state) {
        MCEventList notes;
        CMemFile file(bytes.data(), bytes.size());
        CArchive ar(&file, CArchive::load);
        notes.Serialize(ar);
        ar.Close();
    }
    ReportPerNote(state, bytes.size());
}
BENCHMARK(BM_ReadNotesFloor)->Unit(benchmark::kMillisecond);

} // namespace
