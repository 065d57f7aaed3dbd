// The searching and counting actions and the event-type filter they share.

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using namespace clavenor;
using namespace clavenor::test;

namespace {

using Rest = KindElement<EventId::Rest, ECWithTime>;
using GraceNote = KindElement<EventId::GraceNote, ECWithTime>;

std::vector<int> Types(ACTypeFilterBase& filter) {
    CArray<int, int>& types = filter.GetEventTypes();
    return std::vector<int>(types.GetData(), types.GetData() + types.GetSize());
}

void Attach(ECBase* e, int viewCode) {
    e->GetData()->SetAtGrow(MCDataArray::ViewCodeToIndex(viewCode), new DCBase);
}

// measure: chord (n1, n2), other (n3)
class SearchTest : public ::testing::Test {
protected:
    int CountIn(ACCount& count, ECBase* root = nullptr) {
        count.Reset();
        count.Apply(root != nullptr ? root : m);
        return count.GetEventCount();
    }
    std::unique_ptr<Measure> measure{new Measure};
    ECBase* m = measure.get();
    ECBase* chord = Make<Chord>(0, m);
    ECBase* n1 = Make<Note>(0, chord);
    ECBase* n2 = Make<Note>(0, chord);
    ECBase* other = Make<Chord>(1, m);
    ECBase* n3 = Make<Note>(1, other);
};

TEST_F(SearchTest, TypeFilterEntriesStartUnusedFillInOrderAndDecideWhatCounts) {
    ACCount filter(3);
    EXPECT_EQ(Types(filter), (std::vector<int>{-1, -1, -1}));
    for (int id : {37, 12, 51, 32}) {
        filter.AddEvtType(id);
    }
    EXPECT_EQ(Types(filter), (std::vector<int>{37, 12, 51, 32}));
    filter.RemoveEvtType(12);
    filter.RemoveEvtType(99);
    EXPECT_EQ(Types(filter), (std::vector<int>{37, 51, 32}));
    filter.RemoveEvtTypes();
    EXPECT_EQ(Types(filter), (std::vector<int>{-1, -1, -1}));

    CArray<int, int> ids;
    ids.Add(EventId::Note);
    ids.Add(51);
    ACCount fresh(4), partly(4);
    fresh.AddEvtTypes(ids);
    EXPECT_EQ(Types(fresh), (std::vector<int>{EventId::Note, 51}));
    partly.AddEvtType(EventId::Chord);
    partly.AddEvtTypes(ids);
    EXPECT_EQ(Types(partly), (std::vector<int>{EventId::Chord, EventId::Note, 51, -1}));
    EXPECT_EQ(CountIn(partly), 5);

    ACCount count(1);
    EXPECT_EQ(CountIn(count), 6);
    count.AddEvtType(EventId::Note);
    EXPECT_EQ(CountIn(count), 3);
    count.RemoveEvtType(EventId::Note);
    EXPECT_EQ(CountIn(count), 6);
}

TEST_F(SearchTest, CountSkipsBypassedElementsAndAccumulatesUntilReset) {
    auto* envelope = Make<Envelope>(0, m);
    Make<EnvPoint>(0, envelope);
    ACCount count;
    EXPECT_EQ(count.Apply(m), 0);
    EXPECT_EQ(count.GetEventCount(), 7);
    count.Apply(chord);
    EXPECT_EQ(count.GetEventCount(), 10);
}

TEST_F(SearchTest, FindEventsCollectsInWalkOrderUpToTheMaximumAndAppendsUntilReset) {
    ACFindEvents find, two, again;
    find.AddEvtType(EventId::Note);
    EXPECT_EQ(find.GetMaxEventCount(), 0x7FFFFFFF);
    EXPECT_EQ(find.Apply(m), 0);
    EXPECT_EQ(find.GetEventCount(), 3);
    EXPECT_EQ(find.GetEvents()->GetCount(), 3);
    EXPECT_TRUE(find.GetEvents()->GetHead() == n1 && find.GetEvents()->GetTail() == n3);

    two.SetMaxEventCount(2);
    EXPECT_EQ(two.Apply(m), 2);
    EXPECT_TRUE(two.GetEventCount() == 2 && two.GetEvents()->GetTail() == chord);

    again.AddEvtType(EventId::Note);
    again.Apply(chord);
    again.Apply(other);
    EXPECT_EQ(again.GetEvents()->GetCount(), 3);
    again.Reset();
    again.Apply(other);
    EXPECT_TRUE(again.GetEventCount() == 1 && again.GetEvents()->GetHead() == n3);

    other->AddChild(n1, 0);
    ACFindEvents twice;
    twice.AddEvtType(EventId::Note);
    twice.Apply(m);
    EXPECT_EQ(twice.GetEventCount(), 4) << "an element reached twice is collected twice";
}

TEST_F(SearchTest, FoundElementsAreHeldUntilTheActionLetsGo) {
    const auto before = n3->GetRefCount();
    {
        ACFindEvents find;
        find.AddEvtType(EventId::Note);
        find.Apply(other);
        EXPECT_EQ(n3->GetRefCount(), before + 1);
        other->RemoveChild(n3, 1);
        EXPECT_EQ(find.GetEvents()->GetHead()->GetRefCount(), 1);
    }
    // Released (and destroyed) with the action: the sanitizer build would report a leak.
    EXPECT_EQ(other->GetChildren()->GetCount(), 0);
}

TEST_F(SearchTest, FindFirstEventStopsAtTheFirstMatchWithoutHoldingIt) {
    const auto refs = n1->GetRefCount();
    ACFindFirstEvent find, any;
    find.AddEvtType(EventId::Note);
    EXPECT_EQ(find.Apply(m), 2);
    EXPECT_TRUE(find.GetEvent() == n1 && n1->GetRefCount() == refs);
    find.Reset();
    find.RemoveEvtTypes();
    find.AddEvtType(EventId::Rest);
    EXPECT_EQ(find.Apply(m), 0);
    EXPECT_EQ(find.GetEvent(), nullptr) << "cleared on a new beginning";
    any.Apply(chord);
    EXPECT_EQ(any.GetEvent(), chord);
}

TEST_F(SearchTest, FindObjectsStopsAtAnObjectOfItsSetAndHoldsTheSet) {
    const auto refs = n1->GetRefCount();
    ACFindObjects find(n1);
    EXPECT_EQ(n1->GetRefCount(), refs + 1);
    EXPECT_EQ(find.Apply(m), 2);
    EXPECT_EQ(find.ObjectsFound(), 1);
    find.Reset();
    EXPECT_EQ(find.Apply(other), 0);
    EXPECT_EQ(find.ObjectsFound(), 0);
    find.RemoveObject(n1);
    EXPECT_EQ(n1->GetRefCount(), refs);
    EXPECT_EQ(find.AddObject(nullptr), 0);

    MCEventList set;
    set.AddTail(other);
    ACFindObjects fromList(&set);
    EXPECT_EQ(fromList.Apply(chord), 0);
    EXPECT_EQ(fromList.Apply(m), 2);
    fromList.RemoveObjects(&set);
    EXPECT_TRUE(fromList.GetObjects()->IsEmpty());
    fromList.AddObjects(&set);
    EXPECT_EQ(fromList.GetObjects()->GetCount(), 1);
}

TEST_F(SearchTest, FindDataCollectsElementsWithARecordForTheViewCodeAndCreatesNone) {
    Attach(n1, 2);
    Attach(n2, 0);
    ACFindData find(2), byDefault, filtered(2);
    find.Apply(m);
    EXPECT_TRUE(find.GetEventCount() == 1 && find.GetEvents()->GetHead() == n1);
    EXPECT_EQ(n3->GetData(2, 0), nullptr);
    byDefault.Apply(m);
    EXPECT_TRUE(byDefault.GetEventCount() == 1 && byDefault.GetEvents()->GetHead() == n2);

    Attach(chord, 2);
    filtered.AddEvtType(EventId::Note);
    filtered.Apply(m);
    EXPECT_EQ(filtered.GetEventCount(), 1);
    filtered.Reset();
    filtered.RemoveEvtTypes();
    filtered.SetMaxEventCount(1);
    EXPECT_EQ(filtered.Apply(m), 2);
    EXPECT_EQ(filtered.GetEvents()->GetHead(), chord);
}

TEST(ACFindTime, EachRangeModeTakesItsEnds) {
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
        EXPECT_EQ(find.GetEventCount(), 0);
    }
}

TEST(ACFindTime, TheFirstLaterElementEndsItsSiblingGroupAndUntimedOnesAreEntered) {
    auto root = std::make_unique<Untimed>();
    auto* group = Put(new Untimed, root.get());
    Make<Note>(1, group);
    Make<Note>(2, group);
    Make<Note>(2, Make<Chord>(4, group));
    Make<Note>(2, group);

    ACFindTime find(MCTime(1.0f), MCTime(3.0f), ACFindTime::StartOnly);
    find.Apply(root.get());
    EXPECT_EQ(Times(find.GetEvents()), (std::vector<float>{1, 2}));

    ACFindTime notes(MCTime(0.0f), MCTime(5.0f), ACFindTime::BothEnds);
    notes.AddEvtType(EventId::Note);
    notes.SetMaxEventCount(1);
    notes.Apply(root.get());
    EXPECT_EQ(Times(notes.GetEvents()), (std::vector<float>{1, 2, 2, 2})) << "no maximum";
    notes.Reset();
    notes.SetTimeRange(MCTime(1.5f), MCTime(5.0f), ACFindTime::BothEnds);
    notes.Apply(root.get());
    EXPECT_EQ(Times(notes.GetEvents()), (std::vector<float>{2, 2, 2}));
}

class FindVoiceTrackTest : public ::testing::Test {
protected:
    FindVoiceTrackTest() {
        r1->SetVoiceTrack(1, 3);
        r2->SetVoiceTrack(2, 3);
        r3->SetVoiceTrack(1, 4);
    }
    int Count(unsigned voice, unsigned track) {
        ACFindVoiceTrack find;
        find.SetVoice(voice);
        find.SetTrack(track);
        find.Apply(root.get());
        return find.GetEventCount();
    }
    std::unique_ptr<Untimed> root{new Untimed};
    ECBase* r1 = Make<Rest>(0, root.get());
    ECBase* r2 = Make<Rest>(0, root.get());
    ECBase* r3 = Make<Rest>(0, root.get());
};

TEST_F(FindVoiceTrackTest, MatchesVoiceAndTrackWithWildcards) {
    const std::tuple<unsigned, unsigned, int> cases[] = {{15, 2047, 3}, {14, 2047, 3}, {1, 2047, 2},
                                                         {15, 3, 2},    {14, 3, 2},    {1, 3, 1},
                                                         {7, 2047, 0}};
    for (auto [voice, track, count] : cases) {
        EXPECT_EQ(Count(voice, track), count) << voice << "/" << track;
    }
    r1->GetVoiceTrack()->SetChannel(3); // a device/channel word: no voice and no track
    EXPECT_EQ(Count(1, 2047), 1);
    EXPECT_EQ(Count(15, 2047), 3);
    EXPECT_EQ(Count(15, 3), 1);
}

TEST_F(FindVoiceTrackTest, NotesAndGraceNotesCountOnlyOncePlacedAndFilterAndMaximumApply) {
    auto* note = Make<Note>(0, root.get());
    auto* grace = Make<GraceNote>(0, root.get());
    note->SetVoiceTrack(1, 3);
    grace->SetVoiceTrack(1, 3);
    EXPECT_EQ(Count(1, 3), 1);
    Attach(note, 0);
    EXPECT_EQ(Count(1, 3), 2);
    Attach(grace, 0);
    EXPECT_EQ(Count(1, 3), 3);

    ACFindVoiceTrack find(2);
    find.AddEvtType(EventId::Rest);
    find.SetTrack(3);
    find.SetMaxEventCount(1);
    EXPECT_EQ(find.Apply(root.get()), 2);
    EXPECT_EQ(find.GetEvents()->GetHead(), r1);
}

} // namespace
