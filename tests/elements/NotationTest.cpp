// Elements made by id and named; measures, chords, notes, grace notes and rests: what each
// is, its record, chord dissolution, and the release of notated measures.

#include "support/AllocationFailure.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace clavenor {

// A class that registers itself only in the test below.
class RegistryTestNote : public ECWithTime {
    DECLARE_SERIAL(RegistryTestNote)

public:
    int GetEventId() const override { return EventId::Note; }
};

IMPLEMENT_SERIAL(RegistryTestNote, ECWithTime, 1)

namespace {

using test::Bytes;
using test::Counted;
using test::g_liveElements;
using test::Items;
using test::MakeCounted;
using test::Put;
using Mark = ECWithTime; // stands in for an accent or a dot

// Elements are made by id; notation classes also append their parent types in order.
TEST(EventRegistry, ElementsAreMadeByIdAndNotationClassesListTheirParentTypes) {
    const std::tuple<int, const CRuntimeClass*, std::vector<int>> cases[] = {
        {EventId::Base, RUNTIME_CLASS(ECBase), {}},
        {EventId::WithChild, RUNTIME_CLASS(ECWithChild), {}},
        {EventId::WithTime, RUNTIME_CLASS(ECWithTime), {}},
        {EventId::WithTimeChild, RUNTIME_CLASS(ECWithTimeChild), {}},
        {EventId::Performance, RUNTIME_CLASS(ECPerformance), {}},
        {EventId::Measure, RUNTIME_CLASS(ECMeasure), {-7, 55}},
        {EventId::Chord, RUNTIME_CLASS(ECChord), {-7, 32, 7, 66}},
        {EventId::Note, RUNTIME_CLASS(ECNote), {-7, 32, 12, 7, 66}},
        {EventId::GraceNote, RUNTIME_CLASS(ECGraceNote), {-7, 37}},
        {EventId::Rest, RUNTIME_CLASS(ECRest), {-7, 32, 7, 66}}};
    for (const auto& [id, cls, parents] : cases) {
        std::unique_ptr<ECBase> e(CreateEvent(id));
        ASSERT_NE(e, nullptr) << id;
        ASSERT_EQ(GetEventRuntimeClass(id), cls) << id;
        EXPECT_EQ(e->GetRuntimeClass(), cls);
        EXPECT_EQ(e->GetEventId(), id);
        EXPECT_EQ(e->GetRefCount(), 0);
        if (!parents.empty()) {
            CArray<int, int> types;
            types.Add(-7);
            EXPECT_EQ(e->GetParentTypes(types), 1);
            EXPECT_EQ(std::vector<int>(types.GetData(), types.GetData() + types.GetSize()),
                      parents);
        }
    }
    for (int id : {-1, -5, 63, 68, 69, 75, 1000, EventId::Glissando, EventId::Envelope,
                   EventId::TempoEnv, EventId::BankLSB}) {
        EXPECT_EQ(GetEventRuntimeClass(id), nullptr) << id;
        EXPECT_EQ(CreateEvent(id), nullptr) << id;
    }
    ECMeasure a, b;
    EXPECT_EQ(a.GetVoice(), 14);
    EXPECT_EQ(a.GetTrack(), 2047);
    EXPECT_EQ(*a.GetTime(), MCTime::TimeNull());
    EXPECT_NE(a, b) << "measures compare by identity";
    EXPECT_EQ(a, a) << "measures compare by identity";
}

// A class registers beside its own, never for an unmakeable kind or as something that is no
// element; leaving a registration's scope forgets the class without bringing back the old one.
TEST(EventRegistry, AClassRegistersBesideItselfButNotForAnUnmakeableKind) {
    EXPECT_EQ(RegisterEventClass(EventId::Glissando, RUNTIME_CLASS(RegistryTestNote)), 0);
    EXPECT_EQ(RegisterEventClass(75, RUNTIME_CLASS(RegistryTestNote)), 0);
    EXPECT_EQ(RegisterEventClass(EventId::Note, nullptr), 0);
    const CRuntimeClass *note = GetEventRuntimeClass(EventId::Note),
                        *rest = GetEventRuntimeClass(EventId::Rest);
    {
        EventClassRegistrar registration(EventId::Note, RUNTIME_CLASS(RegistryTestNote));
        EventClassRegistrar notAnElement(EventId::Rest, RUNTIME_CLASS(DCBase));
        std::unique_ptr<ECBase> made(CreateEvent(EventId::Note));
        ASSERT_NE(made, nullptr);
        EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(RegistryTestNote)));
        EXPECT_EQ(CreateEvent(EventId::Rest), nullptr);
    }
    EXPECT_EQ(GetEventRuntimeClass(EventId::Note), nullptr);
    RegisterEventClass(EventId::Note, note);
    RegisterEventClass(EventId::Rest, rest);
}

// Display names come from the string table; a subtype namer, once registered for one of the
// subtype kinds, names elements of that kind.
TEST(EventRegistry, DisplayNamesAndSubtypeNamers) {
    EXPECT_EQ(GetEventString(EventId::Measure), "Layout");
    EXPECT_EQ(GetEventString(EventId::FlowControl), "Repeat");
    EXPECT_EQ(GetEventString(EventId::Repeat), "Repeat Pattern");
    EXPECT_EQ(GetEventString(EventId::Pan), "Pan");
    EXPECT_TRUE(GetEventString(EventId::Track).IsEmpty());
    EXPECT_TRUE(GetEventString(-5).IsEmpty());
    EXPECT_TRUE(GetEventString(72).IsEmpty());
    EXPECT_TRUE(GetEventString(nullptr).IsEmpty());
    EXPECT_EQ(SetEventSubtypeNamer(EventId::Note, [](ECBase*) { return CString("x"); }), 0);
    EXPECT_EQ(GetEventSubtypeNamer(EventId::Note), nullptr);
    // The class's own namer goes back at the end, so the other tests of this process see
    // repeats named as the library names them.
    const EventSubtypeNamer own = GetEventSubtypeNamer(EventId::Repeat);
    ASSERT_NE(own, nullptr);
    ASSERT_EQ(SetEventSubtypeNamer(EventId::Repeat, [](ECBase*) { return CString("D.C."); }), 1);
    test::KindElement<EventId::Repeat> repeat;
    EXPECT_EQ(GetEventString(&repeat), "D.C.");
    SetEventSubtypeNamer(EventId::Repeat, nullptr);
    EXPECT_EQ(GetEventString(&repeat), "Repeat Pattern");
    SetEventSubtypeNamer(EventId::Repeat, own);
    ECRepeat real(4);
    EXPECT_EQ(GetEventString(&real), "Repeat");
}

// The host's duration hooks: each direction calls its own, without them the value passes.
TEST(ECNote, ScaleDurationCallsTheHookOfItsDirection) {
    const MCTime quarter(1.0f);
    EXPECT_EQ(ECNote::ScaleDuration(&quarter, 0), quarter);
    EXPECT_EQ(ECNote::ScaleDuration(&quarter, 1), quarter);
    static float factor = 3.0f;
    ECNote::SetDurationFuncs(
        [](MCTime* d, void* data) { return MCTime(d->GetSeconds() * *static_cast<float*>(data)); },
        [](MCTime* d, void* data) { return MCTime(d->GetSeconds() / *static_cast<float*>(data)); },
        &factor);
    EXPECT_EQ(ECNote::ScaleDuration(&quarter, 0), MCTime(3.0f));
    EXPECT_EQ(ECNote::ScaleDuration(&quarter, 1), MCTime(1.0f / 3));
    EXPECT_EQ(quarter, MCTime(1.0f)) << "the argument never changes";
    ECNote::SetDurationFuncs(nullptr, nullptr, nullptr);
}

// Copies take the duration; assignment and Copy take the voice/track only, and equality
// looks at the duration but not the voice.
TEST(ECNote, DurationInDefaultsCopiesAndEquality) {
    ECNote fresh, source(MCTime(2.0f), MCTime(0.25f)), assigned(MCTime(7.0f), MCTime(3.0f));
    EXPECT_EQ(*fresh.GetTime(), MCTime::TimeZero());
    EXPECT_EQ(*fresh.GetDuration(), MCTime(1.0f));
    source.SetVoiceTrack(5, 3);
    ECNote copy(source);
    EXPECT_EQ(*copy.GetDuration(), MCTime(0.25f));
    assigned = source;
    EXPECT_EQ(*assigned.GetDuration(), MCTime(3.0f));
    EXPECT_EQ(assigned.GetTrack(), 3);
    EXPECT_EQ(assigned.Copy(&fresh), &assigned);
    EXPECT_EQ(*assigned.GetDuration(), MCTime(3.0f));
    copy.SetVoiceTrack(9, 9);
    EXPECT_EQ(copy, source);
    copy.SetDuration(assigned.GetDuration());
    EXPECT_NE(copy, source);
}

// Loads a grace note at `version` and checks that the reader stopped right before the
// byte that follows the record.
MCTime LoadGraceDuration(Bytes bytes, std::int32_t version) {
    bytes.insert(bytes.end(), {0xA5, 0x00});
    test::ScopedVersion scoped(version);
    MCTime duration;
    test::Load(bytes, [&](CArchive& ar) {
        duration = *static_cast<ECNote*>(ar.ReadObject(RUNTIME_CLASS(ECGraceNote)))->GetDuration();
        EXPECT_EQ(ar.ReadCount(), 0xA5u) << "the byte after the record";
    });
    return duration;
}

// A note's record is the timed container record, then the duration; grace notes in
// documents before version 3 carry a second duration.
TEST(ECNote, RecordsAndTheOlderGraceNoteLayout) {
    ECNote note(MCTime(2.0f), MCTime(0.5f));
    note.SetVoiceTrack(3, 5);
    EXPECT_EQ(test::Store([&](CArchive& ar) { ar << &note; }),
              test::X("@ECNote 00 0000000040 5300 000000003F"));
    ECGraceNote grace(MCTime(1.0f), MCTime(0.5f));
    const Bytes current = test::Store([&](CArchive& ar) { ar << &grace; });
    EXPECT_EQ(current, test::X("@ECGraceNote 00 000000803F FF7F 000000003F"));
    Bytes older = current;
    older.insert(older.end(), {0x00, 0x00, 0x00, 0x80, 0x3E}); // MCTime 0.25
    EXPECT_EQ(LoadGraceDuration(older, 2), MCTime(0.25f));
    EXPECT_EQ(LoadGraceDuration(current, 3), MCTime(0.5f));
    EXPECT_EQ(LoadGraceDuration(current, ECPerformance::WriteVersion), MCTime(0.5f));
}

TEST(ECRest, TypesAndDotsGiveTheirLengthsAndDottingStaysWithinTheFamily) {
    auto length = [](int type, int dots) {
        return ECRest::GetRestDuration(static_cast<std::uint8_t>(type),
                                       static_cast<std::uint8_t>(dots));
    };
    auto dotted = [](int type, int dots) {
        return int{
            ECRest::GetRestType(static_cast<std::uint8_t>(type), static_cast<std::uint8_t>(dots))};
    };
    const float lengths[] = {8,      4,       6,        7,       2,        3,       3.5f,   1,
                             1.5f,   1.75f,   0.5f,     0.75f,   0.875f,   0.25f,   0.375f, 0.4375f,
                             0.125f, 0.1875f, 0.21875f, 0.0625f, 0.09375f, 0.03125f};
    for (int type = 1; type <= 22; ++type) {
        EXPECT_EQ(length(type, 0), MCTime(lengths[type - 1])) << type;
    }
    EXPECT_EQ(length(8, 1), MCTime(1.5f)) << "two at most";
    EXPECT_EQ(length(8, 5), MCTime(1.75f)) << "two at most";
    EXPECT_EQ(length(20, 2), MCTime(0.09375f)) << "a sixty-fourth takes one dot";
    EXPECT_EQ(length(1, 1), MCTime(8.0f));
    EXPECT_EQ(length(22, 1), MCTime(0.03125f));
    EXPECT_EQ(length(3, 1), MCTime(6.0f)) << "dotted types are not dotted again";
    EXPECT_EQ(length(0, 1), MCTime::TimeNull());
    EXPECT_EQ(length(23, 1), MCTime::TimeNull());

    for (int base : {2, 5, 8, 11, 14, 17}) {
        EXPECT_EQ(dotted(base, 0), base) << base;
        EXPECT_EQ(dotted(base, 1), base + 1) << base;
        EXPECT_EQ(dotted(base, 255), base + 2) << base;
    }
    EXPECT_EQ(dotted(20, 3), 21);
    for (int fixed : {0, 1, 3, 19, 21, 22, 23, 255}) {
        EXPECT_EQ(dotted(fixed, 2), fixed);
    }
}

TEST(ECRest, CopyingEqualityAndTheRecordConcernTheTypeButNeverArchiveIt) {
    ECRest source(12), assigned(2);
    test::SetSeconds(&source, 2.5f);
    source.SetVoiceTrack(3, 7);
    source.SetSelected(1);
    EXPECT_EQ(source.GetFlags(), 0x0C04u); // the type shares the flag word
    EXPECT_EQ(source.GetDuration(), nullptr);
    EXPECT_EQ(ECRest(source).GetRestType(), 12);
    assigned.Copy(&source);
    EXPECT_EQ(assigned.GetRestType(), 12);
    EXPECT_EQ(assigned.GetTrack(), 7);
    EXPECT_EQ(assigned, source) << "time is not compared";
    assigned.SetRestType(9);
    EXPECT_NE(assigned, source);

    const Bytes bytes = test::Store([&](CArchive& ar) { ar << &source; });
    EXPECT_EQ(bytes, test::X("@ECRest 04 0000002040 7300"));
    test::Load(bytes, [&](CArchive& ar) {
        auto* loaded = static_cast<ECRest*>(ar.ReadObject(RUNTIME_CLASS(ECRest)));
        EXPECT_EQ(loaded->GetRestType(), 0);
        EXPECT_EQ(loaded->GetTime()->GetSeconds(), 2.5f);
    });
}

class LiveElements : public ::testing::Test {
protected:
    void SetUp() override { m_live = g_liveElements; }
    void TearDown() override { EXPECT_EQ(g_liveElements, m_live); }
    int m_live = 0;
};
using ChordDissolution = LiveElements;
using NotationRelease = LiveElements;

// A chord at `time` in `parent`: its notes, then one mark.
Counted<ECChord>* MakeChord(ECBase* parent, float time, int notes) {
    MCTime t(time);
    auto* chord = MakeCounted<ECChord>(nullptr);
    chord->SetTime(&t);
    EXPECT_EQ(parent->AddChild(chord, 1), 1);
    for (int i = 0; i < notes; ++i) {
        MakeCounted<ECNote>(chord, t, MCTime(1.0f));
    }
    EXPECT_EQ(chord->AddChild(MakeCounted<Mark>(nullptr), 0), 1);
    return chord;
}

TEST_F(ChordDissolution, TheLastNoteTakesTheMarksAndTheChordOutOfEveryParent) {
    auto* measure = MakeCounted<ECMeasure>(nullptr);
    auto* beam = MakeCounted<test::KindElement<EventId::Beam>>(measure);
    Counted<ECChord>* lone = MakeChord(measure, 1.0f, 1);
    ASSERT_EQ(beam->AddChild(lone, 0), 1);
    lone->Ref(); // to look at it afterwards
    EXPECT_EQ(lone->RemoveChild(lone->GetChildren()->GetHead(), 0), 1);
    EXPECT_TRUE(lone->GetChildren()->IsEmpty());
    EXPECT_TRUE(lone->GetParents()->IsEmpty());
    EXPECT_EQ(lone->GetRefCount(), 1);
    EXPECT_TRUE(beam->GetChildren()->IsEmpty());
    EXPECT_EQ(Items(measure->GetChildren()), std::vector<ECBase*>{beam});
    EXPECT_EQ(g_liveElements, m_live + 3); // the note and the mark are gone
    lone->Unref(1);

    // A chord stays while a note remains, and refuses strangers.
    Counted<ECChord>* chord = MakeChord(measure, 2.0f, 2);
    std::vector<ECBase*> members = Items(chord->GetChildren());
    ECNote stranger;
    EXPECT_EQ(chord->RemoveChild(&stranger, 1), 0);
    EXPECT_EQ(chord->RemoveChild(members[2], 0), 1); // the mark
    EXPECT_EQ(chord->RemoveChild(members[0], 0), 1);
    EXPECT_EQ(Items(chord->GetChildren()), std::vector<ECBase*>{members[1]});
    EXPECT_EQ(Items(measure->GetChildren()), (std::vector<ECBase*>{beam, chord}));
    delete measure;
}

TEST_F(ChordDissolution, RemovingTheChordLeavesItsNotesInTheMeasureOnceEach) {
    auto* measure = MakeCounted<ECMeasure>(nullptr);
    auto* late = test::Make<Counted<ECRest>>(2.0f);
    ASSERT_EQ(measure->AddChild(late, 1), 1);
    Counted<ECChord>* chord = MakeChord(measure, 1.0f, 2);
    std::vector<ECBase*> notes = Items(chord->GetChildren());
    ASSERT_EQ(measure->AddChild(notes[0], 1), 1); // already a child of the measure as well

    EXPECT_EQ(chord->RemoveFromParents(), 1);
    EXPECT_EQ(Items(measure->GetChildren()), (std::vector<ECBase*>{notes[0], notes[1], late}));
    EXPECT_EQ(notes[0]->GetParents()->GetCount(), 1);
    EXPECT_EQ(g_liveElements, m_live + 4); // chord and mark are gone
    delete measure;
}

// Regression: loaded documents may hold any graph. Here the chord that dissolves while its
// child is released deeply holds, beside that child, another parent of the child, and an
// element that only it holds and whose own child holds it back.
TEST_F(ChordDissolution, NestedDissolutionsInAnOddGraphReleaseEverything) {
    for (bool chordFirst : {true, false}) {
        auto* root = MakeCounted<ECWithChild>(nullptr);
        auto* outer = MakeCounted<ECChord>(root);
        auto* other = MakeCounted<ECWithTimeChild>(nullptr);
        auto* inner = MakeCounted<ECChord>(nullptr);
        MakeCounted<Mark>(inner);
        auto* leaf = MakeCounted<ECWithTimeChild>(outer);
        MakeCounted<Mark>(leaf);
        ASSERT_EQ(outer->AddChild(other, 0), 1);
        ECBase* first = chordFirst ? static_cast<ECBase*>(outer) : other;
        ASSERT_EQ(first->AddChild(inner, 0), 1);
        ASSERT_EQ((first == outer ? static_cast<ECBase*>(other) : outer)->AddChild(inner, 0), 1);
        delete root;
        EXPECT_EQ(g_liveElements, m_live) << chordFirst;
    }
}

// A rest with a dot-like mark, two chords with accent-like marks joined by a beam-like
// container (appended last), a grace note under a chord's note, and a single note.
ECMeasure* BuildMeasure() {
    auto* measure = MakeCounted<ECMeasure>(nullptr);
    MakeCounted<Mark>(MakeCounted<ECRest>(measure, 8));
    auto* beam = MakeCounted<ECWithTimeChild>(nullptr);
    for (float at : {1.0f, 2.0f}) {
        ECChord* chord = MakeChord(measure, at, 2);
        EXPECT_EQ(beam->AddChild(chord, 0), 1);
        MakeCounted<ECGraceNote>(chord->GetChildren()->GetHead(), MCTime(at - 0.125f),
                                 MCTime(0.125f));
    }
    MakeCounted<ECNote>(measure, MCTime(3.0f), MCTime(1.0f));
    EXPECT_EQ(measure->AddChild(beam, 0), 1);
    return measure;
}

// Measures full of notation are released whole when the document above them goes, and by a
// load that stops anywhere or meets a failing allocation.
TEST_F(NotationRelease, DeletingTheDocumentOrAFailedLoadLeavesNothingBehind) {
    ECMeasure* measure = BuildMeasure();
    const Bytes bytes = test::Store([&](CArchive& ar) { ar << measure; });
    {
        test::Document document;
        auto* staff = Put(new ECStaff, document->GetChildren()->GetHead());
        ASSERT_EQ(staff->AddChild(measure, 1), 1);
        ASSERT_EQ(staff->AddChild(BuildMeasure(), 1), 1);
        EXPECT_EQ(g_liveElements, m_live + 2 * 15);
    }
    EXPECT_EQ(g_liveElements, m_live);
    auto load = [&](std::size_t size) {
        test::Load(
            bytes, [](CArchive& ar) { (void)ar.ReadObject(RUNTIME_CLASS(ECMeasure)); }, size);
    };
    for (std::size_t size = 0; size < bytes.size(); ++size) {
        EXPECT_THROW(load(size), CArchiveException) << size;
    }
    EXPECT_GT(test::ForEachAllocationFailure([&] { load(bytes.size()); }, [] {}), 20);
}

} // namespace
} // namespace clavenor
