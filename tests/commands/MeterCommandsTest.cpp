// The meter commands: a meter whose measure length differs from the one in force re-bars
// the measures it governs, moves what follows and re-files what they hold; undo gives back
// the saved bytes of before and redo those of after, also mixed with the measure, key and
// add/remove commands; the first meter cannot be removed.

#include "support/Score.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace clavenor::test {
namespace {

ECMeter* NewMeter(int numerator, int denominator, float time) {
    auto* meter = new ECMeter(static_cast<std::uint8_t>(numerator),
                              static_cast<std::uint8_t>(denominator), ECMeter::TypeComputed);
    MCTime at(time);
    meter->SetTime(&at);
    return meter;
}

float Seconds(ECBase* element) { return element->GetTime()->GetSeconds(); }

std::vector<std::uint8_t> Bytes(ECPerformance* doc) { return fuzz::Save(doc); }

// Twelve measures of 4/4 on one staff with a note on beats 1 and 3 of each.
class TwelveBars : public ::testing::Test {
protected:
    TwelveBars() {
        conductor = m_doc->GetConductor();
        conductor->GetTrack(ECConductor::KindStaff, 1, 1);
        track0 = conductor->GetConductorStaff();
        EXPECT_EQ(track0->GetMeterEnv()->AddChild(NewMeter(4, 4, 0.0f), 1), 1);
        conductor->GetMeasure(0, MCTime(47.5f), 1, 1);
        for (int m = 0; m < 12; ++m) {
            for (float beat : {0.0f, 2.0f}) {
                ECNote* note = NewNote(4.0f * static_cast<float>(m) + beat);
                note->SetVoiceTrack(0, 1);
                EXPECT_EQ(conductor->GetMeasure(1, m + 1)->AddChild(note, 1), 1);
                notes.push_back(note);
            }
        }
    }

    Document m_doc;
    ECConductor* conductor = nullptr;
    ECConductorStaff* track0 = nullptr;
    std::vector<ECNote*> notes;
};

TEST_F(TwelveBars, ThreeFourFromBarFiveRetimesTheRestAndRefilesTheNotes) {
    ASSERT_EQ(track0->GetMaxMeasureNumber(), 12);
    auto* command = new CCAddMeter(NewMeter(3, 4, 16.0f));
    command->Ref();
    Edit(m_doc.get(), command);
    for (int m = 5; m <= 12; ++m) {
        EXPECT_EQ(Seconds(conductor->GetMeasure(0, m)), 16.0f + 3.0f * (m - 5)) << m;
        EXPECT_EQ(Seconds(conductor->GetMeasure(1, m)), 16.0f + 3.0f * (m - 5)) << m;
    }
    // 8 x (3 - 4) quarters earlier, then measures appended for the notes past the end.
    EXPECT_EQ(command->GetFirstAddedMeasure(), 13);
    EXPECT_EQ(command->GetAddedMeasureCount(), 3);
    EXPECT_EQ(track0->GetMaxMeasureNumber(), 15);
    EXPECT_EQ(track0->GetMaxMeasureEndTime().GetSeconds(), 49.0f);
    for (std::size_t i = 0; i < notes.size(); ++i) {
        const float time = 4.0f * static_cast<float>(i / 2) + 2.0f * static_cast<float>(i % 2);
        EXPECT_EQ(Seconds(notes[i]), time) << i;
        ECBase* bar = notes[i]->GetParents()->GetHead();
        EXPECT_LE(Seconds(bar), time) << i;
        EXPECT_GT(Seconds(bar) + (time < 16.0f ? 4.0f : 3.0f), time) << i;
    }
    EXPECT_EQ(command->GetMeter(1)->GetNumerator(), 4);
    EXPECT_EQ(command->GetMeterDuration(0).GetSeconds(), 3.0f);
    command->Unref(1);
}

TEST_F(TwelveBars, TheFirstMeterCannotBeRemoved) {
    const std::vector<std::uint8_t> before = Bytes(m_doc.get());
    auto* first = static_cast<ECMeter*>(track0->GetMeterEnv()->GetPointAtIndex(0));
    Edit(m_doc.get(), new CCRemoveMeter(first));
    EXPECT_EQ(Bytes(m_doc.get()), before);
    EXPECT_EQ(first->GetParents()->GetCount(), 1);
}

TEST_F(TwelveBars, AMeterEqualToTheOneInForceMovesNothing) {
    Edit(m_doc.get(), new CCAddMeter(NewMeter(4, 4, 20.0f)));
    EXPECT_EQ(track0->GetMaxMeasureNumber(), 12);
    EXPECT_EQ(track0->GetMeterEnv()->GetChildren()->GetCount(), 2);
    EXPECT_EQ(Seconds(conductor->GetMeasure(0, 12)), 44.0f);
}

TEST_F(TwelveBars, AMeterAtTheTimeOfOneAddedBeforeReplacesItAndTheUndoBringsItBack) {
    const std::vector<std::uint8_t> before = Bytes(m_doc.get());
    Edit(m_doc.get(), new CCAddMeter(NewMeter(3, 4, 16.0f)));
    const std::vector<std::uint8_t> threeFour = Bytes(m_doc.get());
    Edit(m_doc.get(), new CCAddMeter(NewMeter(2, 4, 16.0f)));
    EXPECT_EQ(track0->GetMeterEnv()->GetChildren()->GetCount(), 2);
    EXPECT_EQ(Seconds(conductor->GetMeasure(0, 6)), 18.0f);
    ASSERT_EQ(m_doc->Undo(1), 1);
    EXPECT_EQ(Bytes(m_doc.get()), threeFour);
    ASSERT_EQ(m_doc->Undo(1), 1);
    EXPECT_EQ(Bytes(m_doc.get()), before);
}

// On the measure commands' score (four measures of 4/4, four of 3/4 from 16, two of 6/8
// from 28, tempi, two staves and a wave track): each meter command, undone and redone, gives
// back the saved bytes.
TEST(MeterCommandsOnAScore, UndoAndRedoGiveBackTheSavedBytes) {
    struct Case {
        const char* name;
        std::function<CCBase*(ECMeterEnv*)> make;
    };
    auto at = [](ECMeterEnv* meters, int index) {
        return static_cast<ECMeter*>(meters->GetPointAtIndex(index));
    };
    const Case cases[] = {
        {"3/4 from bar 3 makes the 3/4 after it redundant",
         [](ECMeterEnv*) { return new CCAddMeter(NewMeter(3, 4, 8.0f)); }},
        {"2/4 replacing the 3/4",
         [](ECMeterEnv*) { return new CCAddMeter(NewMeter(2, 4, 16.0f)); }},
        {"5/4 from bar 2 pushes the rest back",
         [](ECMeterEnv*) { return new CCAddMeter(NewMeter(5, 4, 4.0f)); }},
        {"7/8 in the last meter's span",
         [](ECMeterEnv*) { return new CCAddMeter(NewMeter(7, 8, 31.0f)); }},
        {"removing the 3/4", [at](ECMeterEnv* m) { return new CCRemoveMeter(at(m, 1)); }},
        {"removing the 6/8", [at](ECMeterEnv* m) { return new CCRemoveMeter(at(m, 2)); }},
    };
    for (const Case& c : cases) {
        std::unique_ptr<ECPerformance> doc(fuzz::MakeScoreDocument());
        ECMeterEnv* meters = doc->GetConductor()->GetConductorStaff()->GetMeterEnv();
        const std::vector<std::uint8_t> before = Bytes(doc.get());
        Edit(doc.get(), c.make(meters));
        const std::vector<std::uint8_t> after = Bytes(doc.get());
        EXPECT_NE(after, before) << c.name;
        for (int round = 0; round < 2; ++round) {
            ASSERT_EQ(doc->Undo(1), 1) << c.name;
            EXPECT_EQ(Bytes(doc.get()), before) << c.name;
            ASSERT_EQ(doc->Redo(1), 1) << c.name;
            EXPECT_EQ(Bytes(doc.get()), after) << c.name;
        }
        std::unique_ptr<ECPerformance> loaded(
            fuzz::Load(after.data(), after.size(), ECPerformance::WriteVersion));
        EXPECT_EQ(fuzz::Save(loaded.get()), after) << c.name;
        loaded.reset();
        doc.reset();
        MCCommandMgr::OnIdle();
    }
}

// Meter, key, clef, measure and add/remove commands one after another: undoing them all
// walks back through the saved bytes of every step, and redoing them all walks forward.
TEST(MeterCommandsOnAScore, MixedWithTheOtherCommandsUndoAndRedoWalkThroughEveryStep) {
    std::unique_ptr<ECPerformance> doc(fuzz::MakeScoreDocument());
    ECConductor* conductor = doc->GetConductor();
    ECMeterEnv* meters = conductor->GetConductorStaff()->GetMeterEnv();
    auto* key = new ECKey(2, 0, 0);
    key->SetTime(conductor->GetMeasure(1, 2)->GetTime());
    auto* clef = new ECClef(2);
    clef->SetTime(conductor->GetMeasure(1, 3)->GetTime());
    auto* note = NewNote(5.0f);
    note->SetVoiceTrack(0, 1);
    const std::vector<std::function<CCBase*()>> steps = {
        [&] { return new CCAddKey(key, conductor->GetMeasure(1, 2)); },
        [&] { return new CCAddMeter(NewMeter(3, 4, 4.0f)); },
        [&] { return new CCAddMeasure(2, 1); },
        [&] { return new CCAddClef(clef, conductor->GetMeasure(1, 3)); },
        [&] {
            return new CCAdd(note, conductor->GetMeasure(1, MCTime(5.0f), 0, 1),
                             FCMidi::MidiNull());
        },
        [&] { return new CCRemoveMeter(static_cast<ECMeter*>(meters->GetPointAtIndex(1))); },
        [&] { return new CCRemoveKey(key); },
        [&] { return new CCRemoveMeasure(1, 0); },
        [&] { return new CCAddMeter(NewMeter(6, 8, 0.0f)); },
    };
    std::vector<std::vector<std::uint8_t>> saved = {Bytes(doc.get())};
    for (const auto& step : steps) {
        Edit(doc.get(), step());
        saved.push_back(Bytes(doc.get()));
    }
    for (std::size_t i = steps.size(); i-- > 0;) {
        ASSERT_EQ(doc->Undo(1), 1) << i;
        EXPECT_EQ(Bytes(doc.get()), saved[i]) << i;
    }
    for (std::size_t i = 1; i <= steps.size(); ++i) {
        ASSERT_EQ(doc->Redo(1), 1) << i;
        EXPECT_EQ(Bytes(doc.get()), saved[i]) << i;
    }
    doc.reset();
    MCCommandMgr::OnIdle();
}

} // namespace
} // namespace clavenor::test
