// The actions that search, count, move, sort or change the voice/track of what they walk,
// and the event-type filter they share.

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace clavenor;
using namespace clavenor::test;

namespace {

using Rest = KindElement<EventId::Rest, ECWithTime>;
using GraceNote = KindElement<EventId::GraceNote, ECWithTime>;
using Ids = std::vector<int>;

Ids Types(ACTypeFilterBase& filter) {
    CArray<int, int>& types = filter.GetEventTypes();
    return Ids(types.GetData(), types.GetData() + types.GetSize());
}

void Attach(ECBase* e, int viewCode) {
    ASSERT_EQ(e->GetData()->SetAtGrow(MCDataArray::ViewCodeToIndex(viewCode), new DCBase), 1);
}

// measure: chord (n1, n2), other (n3)
class SearchTest : public ::testing::Test {
protected:
    Measure measure;
    ECBase* m = &measure;
    ECBase* chord = Make<Chord>(0, m);
    ECBase* n1 = Make<Note>(0, chord);
    ECBase* n2 = Make<Note>(0, chord);
    ECBase* other = Make<Chord>(1, m);
    ECBase* n3 = Make<Note>(1, other);
};

TEST_F(SearchTest, TypeFilterCountAndFindEventsCollectInWalkOrder) {
    ACCount count(3), all;
    EXPECT_EQ(Types(count), (Ids{-1, -1, -1}));
    for (int id : {EventId::Chord, 12, 51, EventId::Note}) {
        count.AddEvtType(id);
    }
    count.RemoveEvtType(51);
    count.RemoveEvtType(99);
    EXPECT_EQ(Types(count), (Ids{EventId::Chord, 12, EventId::Note}));
    count.Apply(m);
    EXPECT_EQ(count.GetEventCount(), 5);
    CArray<int, int> ids;
    ids.Add(EventId::Note);
    count.RemoveEvtTypes();
    count.AddEvtType(51);
    count.AddEvtTypes(ids);
    EXPECT_EQ(Types(count), (Ids{51, EventId::Note, -1}));
    count.Reset();
    count.Apply(m);
    EXPECT_EQ(count.GetEventCount(), 3);

    // Without a filter every acted-on element counts, bypassed ones do not.
    Make<EnvPoint>(0, Make<Envelope>(0, m));
    all.Apply(m);
    all.Apply(chord);
    EXPECT_EQ(all.GetEventCount(), 7 + 3) << "counts add up until Reset";
    ACFindEvents find, two;
    find.AddEvtType(EventId::Note);
    EXPECT_EQ(find.Apply(m), 0);
    EXPECT_EQ(Items(find.GetEvents()), (std::vector<ECBase*>{n1, n2, n3}));
    two.SetMaxEventCount(2);
    EXPECT_EQ(two.Apply(m), 2);
    EXPECT_EQ(Items(two.GetEvents()), (std::vector<ECBase*>{m, chord}));
    ASSERT_EQ(other->AddChild(n1, 0), 1);
    find.Reset();
    find.Apply(m);
    EXPECT_EQ(find.GetEventCount(), 4) << "an element reached twice is collected twice";
    const auto refs = n3->GetRefCount();
    EXPECT_EQ(other->RemoveChild(n3, 1), 1);
    EXPECT_EQ(n3->GetRefCount(), refs - 1) << "the result list still holds it";
    // Released (and destroyed) with the action: the sanitizer build would report a leak.
}

TEST_F(SearchTest, FindFirstFindObjectsAndFindData) {
    const auto refs = n1->GetRefCount();
    ACFindFirstEvent first;
    first.AddEvtType(EventId::Note);
    EXPECT_EQ(first.Apply(m), 2);
    EXPECT_EQ(first.GetEvent(), n1) << "not held";
    EXPECT_EQ(n1->GetRefCount(), refs) << "not held";
    first.Reset();
    first.RemoveEvtTypes();
    first.AddEvtType(EventId::Rest);
    EXPECT_EQ(first.Apply(m), 0) << "cleared on a new walk";
    EXPECT_EQ(first.GetEvent(), nullptr) << "cleared on a new walk";

    MCEventList set;
    ASSERT_NE(set.AddTail(other), nullptr);
    ACFindObjects find(n1), fromList(&set);
    EXPECT_EQ(n1->GetRefCount(), refs + 1) << "the set is held";
    EXPECT_EQ(find.Apply(m), 2);
    EXPECT_EQ(find.ObjectsFound(), 1);
    find.Reset();
    EXPECT_EQ(find.Apply(other), 0);
    EXPECT_EQ(find.ObjectsFound(), 0);
    find.RemoveObject(n1);
    EXPECT_EQ(n1->GetRefCount(), refs);
    EXPECT_EQ(fromList.Apply(m), 2);
    Attach(n1, 2);
    Attach(n2, 0);
    Attach(chord, 2);
    ACFindData data(2), byDefault, notes(2);
    data.Apply(m);
    byDefault.Apply(m);
    EXPECT_EQ(Items(data.GetEvents()), (std::vector<ECBase*>{chord, n1}));
    EXPECT_EQ(Items(byDefault.GetEvents()), (std::vector<ECBase*>{n2}));
    EXPECT_EQ(n3->GetData(2, 0), nullptr);
    notes.AddEvtType(EventId::Note);
    notes.SetMaxEventCount(1);
    EXPECT_EQ(notes.Apply(m), 2);
}

TEST(ACFindTime, RangeModesAndTheFirstLaterElementEndsItsSiblingGroup) {
    Untimed root;
    for (float t : {0.0f, 1.0f, 2.0f, 3.0f}) {
        Make<Note>(t, &root);
    }
    const std::pair<int, std::vector<float>> cases[] = {{0, {1, 2, 3}}, {1, {2}}, {2, {2, 3}},
                                                        {3, {1, 2}},    {4, {}},  {-1, {}}};
    for (const auto& [mode, times] : cases) {
        ACFindTime find(MCTime(1.0f), MCTime(3.0f), mode);
        find.Apply(&root);
        EXPECT_EQ(Times(find.GetEvents()), times) << mode;
    }

    Untimed top;
    auto* group = Put(new Untimed, &top); // untimed elements are entered
    Make<Note>(1, group);
    Make<Note>(2, Make<Chord>(4, group));
    Make<Note>(2, group);
    ACFindTime find(MCTime(1.0f), MCTime(3.0f), ACFindTime::StartOnly);
    find.Apply(&top);
    EXPECT_EQ(Times(find.GetEvents()), (std::vector<float>{1}));
    ACFindTime notes(MCTime(1.5f), MCTime(5.0f), ACFindTime::BothEnds);
    notes.AddEvtType(EventId::Note);
    notes.SetMaxEventCount(1);
    notes.Apply(&top);
    EXPECT_EQ(Times(notes.GetEvents()), (std::vector<float>{2, 2})) << "no maximum applies";
    EXPECT_EQ(notes.GetEventCount(), 0);
}

TEST(ACFindVoiceTrack, MatchesVoiceAndTrackWithWildcardsAndPlacedNotesOnly) {
    Untimed root;
    auto* r1 = Make<Rest>(0, &root);
    r1->SetVoiceTrack(1, 3);
    Make<Rest>(0, &root)->SetVoiceTrack(2, 3);
    Make<Rest>(0, &root)->SetVoiceTrack(1, 4);
    auto count = [&](unsigned voice, unsigned track) {
        ACFindVoiceTrack find;
        find.SetVoice(voice);
        find.SetTrack(track);
        find.Apply(&root);
        return find.GetEventCount();
    };
    const std::tuple<unsigned, unsigned, int> cases[] = {{15, 2047, 3}, {14, 2047, 3}, {1, 2047, 2},
                                                         {15, 3, 2},    {14, 3, 2},    {1, 3, 1},
                                                         {7, 2047, 0}};
    for (auto [voice, track, n] : cases) {
        EXPECT_EQ(count(voice, track), n) << voice << "/" << track;
    }
    r1->GetVoiceTrack()->SetChannel(3); // a device/channel word: no voice and no track
    EXPECT_EQ(count(1, 2047), 1);
    EXPECT_EQ(count(15, 2047), 3);
    EXPECT_EQ(count(15, 3), 1);

    auto* note = Make<Note>(0, &root);
    Make<GraceNote>(0, &root)->SetVoiceTrack(1, 4);
    note->SetVoiceTrack(1, 4);
    EXPECT_EQ(count(1, 4), 1);
    Attach(note, 0);
    EXPECT_EQ(count(1, 4), 2);
}

// Structural elements at zero stay; others move by the delta, clamped at zero, within the
// range, whose end also ends the sibling group.
TEST(ACDeltaTime, MovesWithinTheRangeClampsAtZeroAndLeavesStructureAtZero) {
    Untimed root, other;
    Make<Note>(1, &root);
    Make<Clef>(0, &root);
    Make<EnvPoint>(0, &root);
    Make<Note>(0, &root);
    Make<Clef>(1, &root);
    ACDeltaTime back(MCTime(-2.0f), MCTime::TimeZero(), MCTime::TimeMax(), ACFindTime::BothEnds);
    back.Apply(&root);
    EXPECT_EQ(Times(root.GetChildren()), (std::vector<float>{0, 0, 0, 0, 0}));
    back.Reset();
    back.SetTimeDelta(MCTime(2.0f));
    back.Apply(&root);
    EXPECT_EQ(Times(root.GetChildren()), (std::vector<float>{2, 0, 0, 2, 0}));

    for (float t : {3.0f, 4.0f}) {
        Make<Note>(t, &other);
    }
    auto* inFive = Make<Note>(3, Make<Chord>(5, &other));
    Make<Note>(3, &other);
    ACDeltaTime shift(MCTime(10.0f), MCTime::TimeZero(), MCTime(4.0f), ACFindTime::StartOnly);
    shift.Apply(&other);
    EXPECT_EQ(Times(other.GetChildren()), (std::vector<float>{13, 4, 5, 3}));
    ACDeltaTime later(MCTime(1.0f), MCTime(3.5f), MCTime(20.0f), ACFindTime::NeitherEnd);
    later.Apply(&other);
    EXPECT_EQ(Times(other.GetChildren()), (std::vector<float>{14, 5, 6, 3}));
    EXPECT_EQ(inFive->GetTime()->GetSeconds(), 3.0f);
    ACDeltaTime().Apply(&other);
    EXPECT_EQ(Times(other.GetChildren()), (std::vector<float>{14, 5, 6, 3})) << "defaults";
}

// Tracks move within their range (1 to 2045 unless set; all tracks count, 2046 does not);
// voices are clamped to 7 and set within their range, and unset ones change nothing.
TEST(ACSetVoiceTrack, SetsTracksAndVoicesWithinTheirRanges) {
    using Setup = void (*)(ACSetVoiceTrack&);
    const Setup none = [](ACSetVoiceTrack&) {};
    const Setup tracks = [](ACSetVoiceTrack& a) { a.SetTrackRange(3, 4); };
    const Setup voices = [](ACSetVoiceTrack& a) { a.SetVoiceRange(4, 5); };
    const std::tuple<int, int, Setup, MCVoiceTrack, MCVoiceTrack> cases[] = {
        {5, 15, none, {2, 3}, {2, 5}},       {5, 15, none, {2, 2047}, {2, 5}},
        {5, 15, none, {2, 2046}, {2, 2046}}, {5, 15, none, {2, 0}, {2, 0}},
        {5, 3, none, {2, 2046}, {2, 2046}},  {5, 15, tracks, {0, 4}, {0, 5}},
        {5, 15, tracks, {0, 6}, {0, 6}},     {5000, 15, none, {1, 3}, {1, 2045}},
        {2047, 9, none, {0, 3}, {7, 3}},     {2047, 9, none, {15, 3}, {7, 3}},
        {2047, 9, none, {12, 3}, {12, 3}},   {2047, 2, voices, {5, 3}, {2, 3}},
        {2047, 2, voices, {3, 3}, {3, 3}},   {2047, 15, none, {3, 3}, {3, 3}}};
    for (const auto& [track, voice, setup, before, after] : cases) {
        ACSetVoiceTrack action(track, voice);
        setup(action);
        Note note;
        *note.GetVoiceTrack() = before;
        action.Apply(&note);
        EXPECT_EQ(*note.GetVoiceTrack(), after) << track << " " << voice;
    }

    // A device/channel word counts as unset and becomes a voice/track; the subtree is walked.
    Untimed root;
    auto* chord = Make<Chord>(0, &root);
    auto* note = Make<Note>(0, chord);
    note->GetVoiceTrack()->SetDevice(0x1A); // its low bits must not read as voice 10
    ACSetVoiceTrack(6, 1).Apply(&root);
    EXPECT_EQ(*note->GetVoiceTrack(), MCVoiceTrack(1, 6));
    EXPECT_EQ(chord->GetTrack(), 6);
    EXPECT_EQ(note->GetVoiceTrack()->IsConverted(), 0u);
}

// Only the filtered kinds have their children sorted.
TEST(ACSortChildren, SortsTheChildrenOfTheFilteredKindsOnly) {
    Untimed root;
    auto* measure = Make<Measure>(0, &root);
    auto* chord = Make<Chord>(0, measure);
    for (float t : {3.0f, 1.0f}) {
        ASSERT_EQ(measure->AddChild(Make<Note>(t, nullptr), 0), 1);
        ASSERT_EQ(chord->AddChild(Make<Note>(t, nullptr), 0), 1);
    }
    ACSortChildren sort(1);
    sort.AddEvtType(EventId::Measure);
    sort.Apply(&root);
    EXPECT_EQ(measure->GetChildren()->GetTail()->GetTime()->GetSeconds(), 3.0f);
    EXPECT_EQ(chord->GetChildren()->GetTail()->GetTime()->GetSeconds(), 1.0f);
}

// The own value, else the nearest ancestor's, parents in list order and depth first; a walk
// that finds none keeps the value.
TEST(ACGetVoiceTrack, TakesTheOwnValueElseTheNearestAncestorsInParentOrder) {
    Untimed first, alone;
    auto* inner = Put(new Untimed, &first);
    Chord second, outer;
    second.SetVoiceTrack(5, 9);
    outer.SetVoiceTrack(3, 7);
    ASSERT_EQ(outer.AddChild(&first, 0), 1);
    auto* element = Put(new Untimed, inner);
    ASSERT_EQ(second.AddChild(element, 0), 1);
    // element's parents: inner (no voice/track; its parent first, whose parent outer has
    // voice 3), then second (voice 5): depth first, so outer wins.
    ACGetVoiceTrack get, own;
    EXPECT_EQ(get.Apply(element), 2);
    EXPECT_EQ(get.GetVoiceTrack(), MCVoiceTrack(3, 7));
    get.Reset();
    EXPECT_EQ(get.Apply(&alone), 0);
    EXPECT_EQ(get.GetVoiceTrack(), MCVoiceTrack(3, 7));
    own.Apply(&second);
    EXPECT_EQ(own.GetVoiceTrack().GetVoice(), 5u);
    EXPECT_EQ(outer.RemoveChild(&first, 0), 1);
    EXPECT_EQ(ACGetVoiceTrack().GetVoiceTrack().GetValue(), 0x7FFFu);
}

} // namespace
