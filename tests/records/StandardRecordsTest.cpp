#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace clavenor::test {
namespace {

constexpr int kView = 3;

// A staff with one measure in a document whose host has opted in to the note records.
class Records : public ::testing::Test {
protected:
    Records() {
        EXPECT_EQ(m_doc->GetChildren()->GetHead()->AddChild(m_staff, 1), 1);
        SetSeconds(m_measure, 0.0f);
        EXPECT_EQ(m_staff->AddChild(m_measure, 1), 1);
    }
    ~Records() override { MCStandardRecords::Unregister(kView); }

    void Add(ECBase* child, ECBase* parent, std::uint32_t message) {
        auto add = MakeRef<CCAdd>(child, parent, FCMidi(message));
        add->SetSynchronous(1);
        MCCommandMgr::BeginUndo(m_doc.get(), CString("add"));
        EXPECT_EQ(add->Apply(m_doc.get()), 1);
        MCCommandMgr::EndUndo(m_doc.get());
    }

    Document m_doc;
    ECStaff* m_staff = new ECStaff;
    ECMeasure* m_measure = new ECMeasure;
};

TEST_F(Records, WithoutOptingInNothingIsAttached) {
    auto* note = new ECNote(MCTime(0.0f), MCTime(1.0f));
    Add(note, m_measure, 0x00643D90u);
    EXPECT_EQ(MCStandardRecords::FindNote(note), nullptr);
    EXPECT_EQ(note->GetFlags() & ECBase::FlagHasData, 0u);
}

TEST_F(Records, AddedElementsTakeTheirFactsFromTheMessageAndKeepThemThroughUndo) {
    ASSERT_EQ(MCStandardRecords::Use(m_doc.get(), kView), 1);
    auto* note = new ECNote(MCTime(0.0f), MCTime(1.0f));
    auto* grace = new ECGraceNote(MCTime(0.0f), MCTime(0.25f));
    auto* released = new ECNote(MCTime(1.0f), MCTime(1.0f));
    auto* controlled = new ECNote(MCTime(2.0f), MCTime(1.0f));
    auto* rest = new ECRest(9);
    SetSeconds(rest, 3.0f);
    Add(note, m_measure, 0x00643D90u);       // note-on, key 61, velocity 100
    Add(grace, note, 0x00204391u);           // note-on on channel 2, key 67, velocity 32
    Add(released, m_measure, 0x00154080u);   // note-off, key 64, release velocity 21
    Add(controlled, m_measure, 0x00400AB0u); // a controller: no record
    Add(rest, m_measure, 0);

    ASSERT_NE(MCStandardRecords::FindNote(note), nullptr);
    EXPECT_EQ(MCStandardRecords::FindNote(note)->GetPitch(), 61);
    EXPECT_EQ(MCStandardRecords::FindNote(note)->GetVelocity(), 100);
    EXPECT_EQ(MCStandardRecords::FindNote(note)->GetSpelling(), DCNote::AutoSpelling);
    EXPECT_EQ(MCStandardRecords::FindNote(grace)->GetPitch(), 67);
    EXPECT_EQ(MCStandardRecords::FindNote(grace)->GetVelocity(), 32);
    EXPECT_EQ(MCStandardRecords::FindNote(released)->GetPitch(), 64);
    EXPECT_EQ(MCStandardRecords::FindNote(released)->GetReleaseVelocity(), 21);
    EXPECT_EQ(MCStandardRecords::FindNote(released)->GetVelocity(), 64);
    EXPECT_EQ(MCStandardRecords::FindNote(controlled), nullptr);
    ASSERT_NE(MCStandardRecords::FindRest(rest), nullptr);
    EXPECT_EQ(MCStandardRecords::FindRest(rest)->GetBaseType(), 8);
    EXPECT_EQ(MCStandardRecords::FindRest(rest)->GetDots(), 1);
    EXPECT_EQ(note->GetData(kView, 0), MCStandardRecords::FindNote(note));

    DCNote* record = MCStandardRecords::FindNote(note);
    ASSERT_EQ(m_doc->Undo(5), 1);
    EXPECT_TRUE(note->GetParents()->IsEmpty());
    ASSERT_EQ(m_doc->Redo(1), 1);
    EXPECT_EQ(MCStandardRecords::FindNote(note), record);
    EXPECT_EQ(record->GetPitch(), 61);
}

TEST_F(Records, ALoadedDocumentAnswersAtOnceAndItsRestsGetTheirTypesBack) {
    MCStandardRecords::Use(m_doc.get(), kView);
    auto* note = new ECNote(MCTime(0.0f), MCTime(1.0f));
    auto* rest = new ECRest(13);
    SetSeconds(rest, 1.0f);
    Add(note, m_measure, 0x007F2490u);
    Add(rest, m_measure, 0);
    ASSERT_EQ(MCStandardRecords::FindNote(note)->SetSpelling(-1), 1);
    const std::vector<std::uint8_t> bytes = WriteDocument(*m_doc.get());
    MCStandardRecords::Unregister(kView);

    std::unique_ptr<ECPerformance> loaded = ReadDocument(bytes.data(), bytes.size(), "memory");
    ECBase* measure = loaded->GetDescendant(EventId::Measure, -1);
    ASSERT_NE(measure, nullptr);
    ECBase* loadedNote = measure->GetDescendant(EventId::Note, -1);
    auto* loadedRest = static_cast<ECRest*>(measure->GetDescendant(EventId::Rest, -1));
    ASSERT_NE(MCStandardRecords::FindNote(loadedNote), nullptr);
    EXPECT_EQ(MCStandardRecords::FindNote(loadedNote)->GetPitch(), 36);
    EXPECT_EQ(MCStandardRecords::FindNote(loadedNote)->GetVelocity(), 127);
    EXPECT_EQ(MCStandardRecords::FindNote(loadedNote)->GetSpelling(), -1);
    EXPECT_EQ(MCStandardRecords::FindNote(loadedNote)->GetOwner(), loadedNote);
    EXPECT_EQ(loadedRest->GetRestType(), 13);
    EXPECT_EQ(WriteDocument(*loaded), bytes);
}

TEST_F(Records, AnUnknownRecordLayoutIsRefusedWhereItStands) {
    MCStandardRecords::Use(m_doc.get(), kView);
    Add(new ECNote(MCTime(0.0f), MCTime(1.0f)), m_measure, 0x00403C90u);
    std::vector<std::uint8_t> bytes = WriteDocument(*m_doc.get());
    // The layout byte follows the record's class name and its DCBase fields.
    const std::string name = "DCNote";
    const auto at = std::search(bytes.begin(), bytes.end(), name.begin(), name.end());
    ASSERT_NE(at, bytes.end());
    const auto layout = static_cast<std::size_t>(at - bytes.begin()) + name.size() + 4 + 4 + 2;
    ASSERT_EQ(bytes[layout], 1);
    bytes[layout] = 2;
    try {
        ReadDocument(bytes.data(), bytes.size(), "memory");
        FAIL() << "loaded a record of an unknown layout";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::damaged);
        EXPECT_EQ(e.GetOffset(), layout + 1);
        EXPECT_NE(e.GetDetail().find("DCNote"), std::string::npos) << e.what();
    }
}

TEST_F(Records, TrackAndMessageRecordsTravelWithTheirElements) {
    MCStandardRecords::Register(kView);
    DCMidiTrack* track = MCStandardRecords::GetTrack(m_staff, kView);
    ASSERT_NE(track, nullptr);
    EXPECT_EQ(track->GetChannel(), DCMidiTrack::None);
    EXPECT_EQ(track->SetChannel(16), 0);
    ASSERT_EQ(track->SetChannel(9), 1);
    ASSERT_EQ(track->SetPort(2), 1);
    auto* message = new ECSystemMessage(DCMidiMessage::SysEx);
    SetSeconds(message, 0.0f);
    ASSERT_EQ(m_staff->AddChild(message, 1), 1);
    const std::uint8_t gmOn[] = {0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    DCMidiMessage* record = MCStandardRecords::GetMessage(message, kView);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->SetMessage(0x90, 0, gmOn, sizeof gmOn), 0);
    ASSERT_EQ(record->SetMessage(DCMidiMessage::SysEx, 0, gmOn, sizeof gmOn), 1);
    EXPECT_EQ(MCStandardRecords::GetNote(m_staff, kView), nullptr);

    std::vector<std::uint8_t> bytes = WriteDocument(*m_doc.get());
    std::unique_ptr<ECPerformance> loaded = ReadDocument(bytes.data(), bytes.size(), "memory");
    ECBase* staff = loaded->GetDescendant(EventId::Staff, -1);
    ASSERT_NE(MCStandardRecords::FindTrack(staff), nullptr);
    EXPECT_EQ(*MCStandardRecords::FindTrack(staff), *track);
    DCMidiMessage* loadedMessage =
        MCStandardRecords::FindMessage(staff->GetDescendant(EventId::SystemMessage, -1));
    ASSERT_NE(loadedMessage, nullptr);
    EXPECT_EQ(*loadedMessage, *record);

    // A count that claims more bytes than the file holds ends the load, not the memory.
    const auto at = std::search(bytes.begin(), bytes.end(), std::begin(gmOn), std::end(gmOn));
    ASSERT_NE(at, bytes.end());
    const auto count = static_cast<std::size_t>(at - bytes.begin()) - 2;
    ASSERT_EQ(bytes[count], sizeof gmOn);
    bytes[count] = 0xFF;
    bytes[count + 1] = 0xFF;
    bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(count) + 2, {0xFF, 0xFF, 0xFF, 0x7F});
    try {
        ReadDocument(bytes.data(), bytes.size(), "memory");
        FAIL() << "read a record longer than its file";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.GetOffset(), bytes.size());
    }
    MCStandardRecords::Unregister(kView);
}

TEST(NoteRecordValues, SettersKeepWhatTheTypesAllow) {
    DCNote note;
    note.SetPitch(200);
    EXPECT_EQ(note.GetPitch(), 72);
    EXPECT_EQ(note.SetSpelling(3), 0);
    EXPECT_EQ(note.GetSpelling(), DCNote::AutoSpelling);
    EXPECT_EQ(note.SetSpelling(-2), 1);
    DCNote copy(note);
    EXPECT_EQ(copy.GetSpelling(), -2);
    EXPECT_EQ(copy.GetOwner(), nullptr);

    struct Case {
        std::uint8_t type, dots, base, keptDots, combined;
    };
    for (const Case& c : std::vector<Case>{{9, 0, 8, 1, 9},
                                           {10, 0, 8, 2, 10},
                                           {21, 0, 20, 1, 21},
                                           {20, 2, 20, 1, 21},
                                           {5, 5, 5, 2, 7},
                                           {1, 1, 1, 0, 1},
                                           {22, 1, 22, 0, 22},
                                           {6, 1, 5, 1, 6},
                                           {40, 0, 40, 0, 40}}) {
        DCRest rest;
        rest.SetRestType(c.type, c.dots);
        EXPECT_EQ(rest.GetBaseType(), c.base) << int(c.type) << "/" << int(c.dots);
        EXPECT_EQ(rest.GetDots(), c.keptDots) << int(c.type) << "/" << int(c.dots);
        EXPECT_EQ(rest.GetRestType(), c.combined) << int(c.type) << "/" << int(c.dots);
    }
}

TEST(NoteRecordRegistration, RefusesBadArgumentsAndUnregistersOnlyItsOwn) {
    EXPECT_EQ(MCStandardRecords::Use(nullptr, kView), 0);
    EXPECT_EQ(MCStandardRecords::Register(6), 0);
    ASSERT_EQ(MCStandardRecords::Register(kView), 1);
    EXPECT_EQ(CPluginData::GetDataClass(kView, EventId::GraceNote), RUNTIME_CLASS(DCNote));
    CPluginData other(RUNTIME_CLASS(DCBase), kView, EventId::Note);
    EXPECT_EQ(1, CPluginData::AddPlugin(&other));
    MCStandardRecords::Unregister(kView);
    EXPECT_EQ(CPluginData::GetDataClass(kView, EventId::Note), RUNTIME_CLASS(DCBase));
    EXPECT_EQ(CPluginData::GetDataClass(kView, EventId::Rest), nullptr);
    EXPECT_EQ(1, CPluginData::RemovePlugin(&other));
}

} // namespace
} // namespace clavenor::test
