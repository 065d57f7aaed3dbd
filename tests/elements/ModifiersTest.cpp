// Note modifiers: accents, accidentals, dots, arpeggios, mordents, ornaments, turns, trills
// and tremolos; what each is, its parents and name, its copies and equality, its record; how
// each goes with what it marks (a removed note takes it along and its undo brings it back, a
// chord that dissolves lets go of it) and how it lives inside a saved document.

#include "support/Score.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace clavenor {
namespace {

using test::Bytes;
using test::X;

class ScoreWithModifiers : public test::Score {};

// A modifier of each class, made with type 5, and what it must be.
struct Modifier {
    std::function<ECBase*(std::uint8_t)> make;
    std::function<std::uint8_t(ECBase*)> type;
    std::function<void(ECBase*, std::uint8_t)> setType;
    int id;
    std::vector<int> parents;
    const char* name;
    const char* base; // the base record, before the type byte
};

template <class T, std::uint8_t (T::*Get)() const, void (T::*Set)(std::uint8_t)>
Modifier Make(int id, std::vector<int> parents, const char* name, const char* base) {
    return Modifier{[](std::uint8_t type) { return new T(type); },
                    [](ECBase* e) { return (static_cast<T*>(e)->*Get)(); },
                    [](ECBase* e, std::uint8_t type) { (static_cast<T*>(e)->*Set)(type); },
                    id,
                    std::move(parents),
                    name,
                    base};
}

const char kPlain[] = "00";                  // ECBase and ECWithChild without children
const char kTimed[] = "00 00 0000803F 1300"; // ECWithTimeChild at 1.0, voice 3, track 1

std::vector<Modifier> Modifiers() {
    return {
        Make<ECAccent, &ECAccent::GetAccentType, &ECAccent::SetAccentType>(0, {37, 12, 27},
                                                                           "Accent", kPlain),
        Make<ECAccidental, &ECAccidental::GetAccidentalType, &ECAccidental::SetAccidentalType>(
            1, {37, 27}, "Accidental", kPlain),
        Make<ECDot, &ECDot::GetDotType, &ECDot::SetDotType>(20, {37, 12, 51}, "Dot", kPlain),
        Make<ECArpeggio, &ECArpeggio::GetArpeggioType, &ECArpeggio::SetArpeggioType>(
            2, {12}, "Arpeggio", kPlain),
        Make<ECMordent, &ECMordent::GetMordentType, &ECMordent::SetMordentType>(36, {37, 12},
                                                                                "Mordent", kPlain),
        Make<ECOrnament, &ECOrnament::GetOrnamentType, &ECOrnament::SetOrnamentType>(
            40, {37}, "Ornament", kPlain),
        Make<ECTurn, &ECTurn::GetTurnType, &ECTurn::SetTurnType>(67, {37, 12}, "Turn", kPlain),
        Make<ECTrill, &ECTrill::GetTrillType, &ECTrill::SetTrillType>(65, {37, 12}, "Trill",
                                                                      kTimed),
        Make<ECTremolo, &ECTremolo::GetTremoloType, &ECTremolo::SetTremoloType>(64, {37, 12},
                                                                                "Tremolo", kTimed),
    };
}

TEST(Modifiers, IdsParentsNamesCopiesAndEquality) {
    for (const Modifier& m : Modifiers()) {
        SCOPED_TRACE(m.name);
        std::unique_ptr<ECBase> accent(m.make(5));
        EXPECT_EQ(accent->GetEventId(), m.id);
        CArray<int, int> types;
        EXPECT_EQ(accent->GetParentTypes(types), 1);
        EXPECT_EQ(std::vector<int>(types.GetData(), types.GetData() + types.GetSize()), m.parents);
        EXPECT_EQ(GetEventString(accent.get()), m.name);
        EXPECT_EQ(accent->GetDuration(), nullptr);
        std::unique_ptr<ECBase> made(CreateEvent(m.id));
        ASSERT_NE(made, nullptr);
        EXPECT_EQ(m.type(made.get()), 0);

        // A copy equals its source until its type changes; setters store the byte as given.
        MCTime at(1.0f);
        accent->SetTime(&at);
        accent->SetVoiceTrack(3, 1);
        std::unique_ptr<ECBase> copy(
            static_cast<ECBase*>(accent->GetRuntimeClass()->CreateObject()));
        copy->Copy(accent.get());
        EXPECT_EQ(m.type(copy.get()), 5);
        EXPECT_EQ(copy->GetVoice(), accent->GetVoice()) << "timed ones copy the voice/track";
        m.setType(copy.get(), 0xFF);
        EXPECT_EQ(m.type(copy.get()), 0xFF);
        m.setType(copy.get(), 6);
        if (MCTime* time = copy->GetTime()) {
            EXPECT_EQ(*time, MCTime::TimeNull()) << "assignment leaves the time alone";
        }
    }
    // Equality and copy construction, class by class.
    ECAccent five(5);
    ECAccent copy(five);
    EXPECT_EQ(copy, five);
    copy.SetAccentType(6);
    EXPECT_NE(copy, five);
    ECTrill trill(2);
    MCTime two(2.0f);
    trill.SetTime(&two);
    EXPECT_EQ(*ECTrill(trill).GetTime(), two) << "the copy constructor copies the time";
    EXPECT_EQ(ECTremolo(1), ECTremolo(1));
    EXPECT_NE(ECDot(1), ECDot(2));
}

TEST(Modifiers, RecordsAreTheBaseRecordAndTheTypeByte) {
    for (const Modifier& m : Modifiers()) {
        SCOPED_TRACE(m.name);
        ECBase* e = m.make(5);
        MCTime at(1.0f);
        e->SetTime(&at);
        e->SetVoiceTrack(3, 1);
        const std::string name = e->GetRuntimeClass()->m_lpszClassName;
        test::ExpectRecord(e, "@" + name + " " + m.base + " 05", [&](CObject* back) {
            EXPECT_EQ(m.type(static_cast<ECBase*>(back)), 5);
        });
    }
}

bool Marks(const Modifier& m, int parent) {
    return std::find(m.parents.begin(), m.parents.end(), parent) != m.parents.end();
}

// What a modifier marks goes out of the document with it and comes back with it; in a saved
// document it sits under its note and loads back there.
TEST_F(ScoreWithModifiers, ARemovedNoteTakesItsModifierAlongAndItsUndoBringsItBack) {
    for (const Modifier& m : Modifiers()) {
        if (!Marks(m, EventId::Note)) {
            continue;
        }
        SCOPED_TRACE(m.name);
        ECNote* note = test::NewNote(1.0f);
        ECBase* modifier = m.make(5);
        ASSERT_EQ(note->AddChild(modifier, 1), 1);
        Run(new CCAdd(note, m_measure, FCMidi::MidiNull()));
        const std::vector<std::uint8_t> with = Bytes();
        std::unique_ptr<ECPerformance> loaded(
            fuzz::Load(with.data(), with.size(), ECPerformance::WriteVersion));
        EXPECT_EQ(fuzz::Save(loaded.get()), with);

        Run(new CCRemove(note));
        EXPECT_EQ(modifier->GetParents()->GetHead(), note) << "it stays on its note";
        ASSERT_EQ(m_doc->Undo(1), 1);
        EXPECT_EQ(Bytes(), with);
        EXPECT_EQ(m.type(modifier), 5);
        ASSERT_EQ(m_doc->Undo(1), 1);
    }
}

// A chord whose last note goes dissolves: it leaves its measure and lets go of its modifiers,
// which go when nothing else holds them (nothing is left pointing at the chord).
TEST_F(ScoreWithModifiers, ADissolvingChordLetsGoOfItsModifiers) {
    for (const Modifier& m : Modifiers()) {
        if (!Marks(m, EventId::Chord)) {
            continue;
        }
        SCOPED_TRACE(m.name);
        const int live = test::g_liveElements;
        ECChord* chord = test::NewChord(2.0f, 1);
        ECBase* note = chord->GetChildren()->GetHead();
        ECBase* mark = m.make(3);
        ASSERT_EQ(chord->AddChild(mark, 1), 1);
        ASSERT_EQ(m_measure->AddChild(chord, 1), 1);
        for (ECBase* held : {static_cast<ECBase*>(chord), mark, note}) {
            held->Ref();
        }
        note->RemoveFromParents();
        EXPECT_TRUE(chord->GetParents()->IsEmpty()) << "the chord left the measure";
        EXPECT_TRUE(mark->GetParents()->IsEmpty()) << "and its modifier";
        EXPECT_EQ(mark->GetRefCount(), 1) << "only the test holds the modifier now";
        for (ECBase* held : {static_cast<ECBase*>(chord), mark, note}) {
            held->Unref(1);
        }
        EXPECT_EQ(test::g_liveElements, live);
    }
}

} // namespace
} // namespace clavenor
