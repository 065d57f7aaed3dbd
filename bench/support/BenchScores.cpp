#include "support/BenchScores.h"

#include "support/BenchChecks.h"

namespace clavenor::bench {

std::vector<std::uint8_t> SaveScore(ECPerformance* performance) {
    CMemFile file;
    CArchive ar(&file, CArchive::store, ArchiveBufferSize);
    performance->Serialize(ar);
    ACPostSerialize post(ar);
    post.Apply(performance);
    ar.Close();
    return file.Detach();
}

std::unique_ptr<ECPerformance> LoadScore(const std::vector<std::uint8_t>& bytes) {
    auto loaded = std::make_unique<ECPerformance>();
    loaded->SetVersion(ECPerformance::WriteVersion);
    ECPerformance* previous = ECPerformance::SetActivePerformance(loaded.get());
    CMemFile file(bytes.data(), bytes.size());
    {
        CArchive ar(&file, CArchive::load, ArchiveBufferSize);
        loaded->Serialize(ar);
        ACPostSerialize post(ar);
        post.Apply(loaded.get());
        ar.Close();
    }
    ECPerformance::SetActivePerformance(previous);
    return loaded;
}

std::int64_t BuildChordScore(ECPerformance* performance, std::int64_t wanted) {
    constexpr int Staves = 4;
    constexpr int Beats = 8; // chords on the even ones, single notes on the odd ones
    constexpr int NotesPerChord = 3;
    auto* conductor = new ECConductor;
    LinkOrStop(performance, conductor, 0);
    ECStaff* staves[Staves];
    for (ECStaff*& staff : staves) {
        staff = new ECStaff;
        LinkOrStop(conductor, staff, 0);
    }
    std::int64_t placed = 0;
    for (std::int64_t bar = 0; placed < wanted; ++bar) {
        auto* measure = new ECMeasure;
        MCTime start(static_cast<float>(bar / Staves) * 4);
        measure->SetTime(&start);
        LinkOrStop(staves[bar % Staves], measure, 1);
        for (int beat = 0; beat < Beats; ++beat) {
            MCTime at(start.GetSeconds() + static_cast<float>(beat) / 2);
            const MCTime length(0.5f);
            if (beat % 2 == 0) {
                auto* chord = new ECChord;
                chord->SetTime(&at);
                LinkOrStop(measure, chord, 1);
                for (int i = 0; i < NotesPerChord; ++i) {
                    LinkOrStop(chord, new ECNote(at, length), 1);
                }
                placed += NotesPerChord;
            } else {
                LinkOrStop(measure, new ECNote(at, length), 1);
                ++placed;
            }
        }
    }
    return placed;
}

std::vector<ECMeasure*> BuildNoteEntryScore(ECPerformance* score, std::int64_t notes) {
    auto* conductor = new ECConductor;
    LinkOrStop(score, conductor, 0);
    auto* staff = new ECStaff;
    LinkOrStop(conductor, staff, 1);
    std::vector<ECMeasure*> measures;
    for (std::int64_t i = 0; i < notes / NoteEntryNotesPerMeasure; ++i) {
        auto* measure = new ECMeasure;
        MCTime start(static_cast<float>(4 * i));
        measure->SetTime(&start);
        LinkOrStop(staff, measure, 1);
        measures.push_back(measure);
    }
    return measures;
}

void EnterNote(ECPerformance* score, const std::vector<ECMeasure*>& measures, std::int64_t index) {
    MCTime start(static_cast<float>(4 * (index / NoteEntryNotesPerMeasure)) +
                 static_cast<float>(index % NoteEntryNotesPerMeasure) / 25);
    MCTime length(0.04f);
    auto* add = new CCAdd(new ECNote(start, length),
                          measures[static_cast<std::size_t>(index / NoteEntryNotesPerMeasure)],
                          FCMidi(0x00403C90u));
    add->SetSynchronous(1);
    ApplyOrStop(add, score);
}

StaffTableNote StaffTableNoteAt(int staves, int index) {
    const int bar = index / 10;
    return {1 + index % staves, bar + 1,
            4.0f * static_cast<float>(bar) + 0.4f * static_cast<float>(index % 10)};
}

StaffTableScore::StaffTableScore(int staves, int measures, int notes)
    : document(new ECPerformance), conductor(new ECConductor) {
    LinkOrStop(document, conductor, 0);
    for (int s = 1; s <= staves; ++s) {
        conductor->GetTrack(ECConductor::KindStaff, s, 1);
    }
    ECConductorStaff* track0 = conductor->GetConductorStaff();
    auto* meter = new ECMeter(4, 4, 0);
    MCTime zero(0.0f);
    meter->SetTime(&zero);
    LinkOrStop(track0->GetMeterEnv(), meter, 1);
    conductor->GetMeasure(0, MCTime(4.0f * static_cast<float>(measures) - 0.5f), 1, 1);
    for (int n = 0; n < notes; ++n) {
        const StaffTableNote at = StaffTableNoteAt(staves, n);
        auto* note = new ECNote(MCTime(at.time), MCTime(0.25f));
        note->SetVoiceTrack(0, static_cast<std::uint16_t>(at.staff));
        ECMeasure* bar = conductor->GetMeasure(at.staff, at.bar);
        if (bar == nullptr) {
            Stop("a note of the staff-table score found no measure to go into");
        }
        LinkOrStop(bar, note, 1);
    }
}

StaffTableScore::~StaffTableScore() {
    delete document;
    MCCommandMgr::OnIdle();
}

ECStaff* StaffTableScore::Staff(int number) const {
    return static_cast<ECStaff*>(conductor->GetTrack(ECConductor::KindStaff, number, 0));
}

} // namespace clavenor::bench
