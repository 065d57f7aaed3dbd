#include "FuzzDocuments.h"

namespace clavenor::fuzz {

std::int32_t VersionFromSelector(std::uint8_t selector) {
    return selector <= 4 ? selector : ECPerformance::WriteVersion;
}

void RegisterDataClasses() {
    static CPluginData noteData(RUNTIME_CLASS(DCBase), 2, 73);
    static CPluginData trackData(RUNTIME_CLASS(DCBase), 5, 74);
    static const bool registered = [] {
        CPluginData::AddPlugin(&noteData);
        CPluginData::AddPlugin(&trackData);
        return true;
    }();
    (void)registered;
}

std::vector<std::uint8_t> Save(ECPerformance* document) {
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        document->Serialize(ar);
        ACPostSerialize post(ar);
        post.Apply(document);
        ar.Close();
    }
    return file.Detach();
}

ECPerformance* Load(const std::uint8_t* data, std::size_t size, std::int32_t version) {
    auto* document = new ECPerformance;
    document->SetVersion(version);
    ECPerformance* previous = ECPerformance::SetActivePerformance(document);
    CMemFile file(data, size);
    CArchive ar(&file, CArchive::load);
    try {
        document->Serialize(ar);
        ACPostSerialize post(ar);
        post.Apply(document);
        ar.Close();
    } catch (...) {
        ECPerformance::SetActivePerformance(previous);
        // The host's side of a failed load: drop the partial document while the archive
        // still holds what it created.
        delete document;
        throw;
    }
    ECPerformance::SetActivePerformance(previous);
    return document;
}

namespace {

ECWithTime* Timed(ECWithChild* parent, MCTime time, int voice, int track) {
    auto* element = new ECWithTime;
    element->SetTime(&time);
    element->SetVoiceTrack(voice, track);
    parent->AddChild(element, 1);
    return element;
}

} // namespace

std::vector<ECPerformance*> MakeSeedDocuments() {
    RegisterDataClasses();
    std::vector<ECPerformance*> documents;

    documents.push_back(new ECPerformance);

    auto* score = new ECPerformance;
    auto* conductor = new ECConductor;
    score->AddChild(conductor, 0);
    auto* staff = new ECStaff(3);
    staff->SetStaffEmpty(0);
    conductor->AddChild(staff, 1);
    auto* wave = new ECWaveTrack(conductor, score);
    conductor->AddChild(wave, 1);
    auto* bar = new ECWithTimeChild;
    staff->AddChild(bar, 1);
    Timed(bar, MCTime(1.0f), 1, 1);
    ECWithTime* shared = Timed(bar, MCTime(2.5f), 2, 1);
    Timed(bar, MCTime(2, 1, 240, 480), 3, 1);
    auto* group = new ECWithChild;
    bar->AddChild(group, 0);
    group->AddChild(shared, 0);
    shared->GetData(2, 1);
    bar->GetData(5, 1);
    shared->SetSelected(1);
    documents.push_back(score);

    auto* wide = new ECPerformance;
    auto* container = new ECWithTimeChild;
    wide->AddChild(container, 0);
    for (int i = 0; i < 300; ++i) {
        Timed(container, MCTime(static_cast<float>(i) / 4), i % 16, i);
    }
    documents.push_back(wide);

    // Notation: a rest, chords shared with a beam-like container, a grace note.
    auto* notation = new ECPerformance;
    auto* notationConductor = new ECConductor;
    notation->AddChild(notationConductor, 0);
    auto* notationStaff = new ECStaff;
    notationConductor->AddChild(notationStaff, 1);
    auto* measure = new ECMeasure;
    MCTime zero(0.0f);
    measure->SetTime(&zero);
    notationStaff->AddChild(measure, 1);
    auto* rest = new ECRest(8);
    rest->SetTime(&zero);
    measure->AddChild(rest, 1);
    auto* beam = new ECWithTimeChild;
    for (int i = 1; i <= 2; ++i) {
        MCTime at(static_cast<float>(i));
        auto* chord = new ECChord;
        chord->SetTime(&at);
        chord->SetVoiceTrack(1, 1);
        measure->AddChild(chord, 1);
        beam->AddChild(chord, 0);
        auto* note = new ECNote(at, MCTime(0.5f));
        chord->AddChild(note, 1);
        chord->AddChild(new ECNote(at, MCTime(1, 0, 240, 480)), 1);
        note->AddChild(new ECGraceNote(MCTime(static_cast<float>(i) - 0.125f), MCTime(0.125f)), 0);
        Timed(chord, at, 1, 1);
    }
    measure->AddChild(beam, 0);
    documents.push_back(notation);

    auto* deep = new ECPerformance;
    ECWithChild* level = deep;
    for (int i = 0; i < 40; ++i) {
        auto* next = new ECWithTimeChild;
        level->AddChild(next, 0);
        level = next;
    }
    documents.push_back(deep);
    return documents;
}

} // namespace clavenor::fuzz
