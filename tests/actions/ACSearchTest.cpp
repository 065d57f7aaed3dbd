// The searching and counting actions and the event-type filter they share.

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
    e->GetData()->SetAtGrow(MCDataArray::ViewCodeToIndex(viewCode), new DCBase);
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

TEST_F(SearchTest, TypeFilterEntriesStartUnusedFillInOrderAndDecideWhatIsCounted) {
    ACCount filter(3);
    EXPECT_EQ(Types(filter), (Ids{-1, -1, -1}));
    for (int id : {37, 12, 51, 32}) {
        filter.AddEvtType(id);
    }
    filter.RemoveEvtType(12);
    filter.RemoveEvtType(99);
    EXPECT_EQ(Types(filter), (Ids{37, 51, 32}));
    filter.RemoveEvtTypes();
    EXPECT_EQ(Types(filter), (Ids{-1, -1, -1}));

    CArray<int, int> ids;
    ids.Add(EventId::Note);
    ids.Add(51);
    ACCount count(4);
    count.AddEvtType(EventId::Chord);
    count.AddEvtTypes(ids);
    EXPECT_EQ(Types(count), (Ids{EventId::Chord, EventId::Note, 51, -1}));
    count.Apply(m);
    EXPECT_EQ(count.GetEventCount(), 5);
    count.Reset();
    count.RemoveEvtType(EventId::Chord);
    count.Apply(m);
    EXPECT_EQ(count.GetEventCount(), 3);

    // Without a filter every acted-on element counts, bypassed ones do not.
    Make<EnvPoint>(0, Make<Envelope>(0, m));
    ACCount all;
    all.Apply(m);
    all.Apply(chord);
    EXPECT_EQ(all.GetEventCount(), 7 + 3) << "counts add up until Reset";
}

TEST_F(SearchTest, FindEventsCollectsInWalkOrderUpToTheMaximumAndHoldsWhatItFound) {
    ACFindEvents find, two;
    find.AddEvtType(EventId::Note);
    EXPECT_EQ(find.Apply(m), 0);
    EXPECT_EQ(Items(find.GetEvents()), (std::vector<ECBase*>{n1, n2, n3}));
    EXPECT_EQ(find.GetEventCount(), 3);
    two.SetMaxEventCount(2);
    EXPECT_EQ(two.Apply(m), 2);
    EXPECT_EQ(Items(two.GetEvents()), (std::vector<ECBase*>{m, chord}));
    two.Reset();
    two.Apply(other);
    EXPECT_EQ(Items(two.GetEvents()), (std::vector<ECBase*>{other, n3}));

    other->AddChild(n1, 0);
    find.Reset();
    find.Apply(m);
    EXPECT_EQ(find.GetEventCount(), 4) << "an element reached twice is collected twice";
    const auto refs = n3->GetRefCount();
    other->RemoveChild(n3, 1);
    EXPECT_EQ(n3->GetRefCount(), refs - 1) << "the result list still holds it";
    // Released (and destroyed) with the action: the sanitizer build would report a leak.
}

TEST_F(SearchTest, FindFirstEventAndFindObjectsStopAtTheirFirstMatch) {
    const auto refs = n1->GetRefCount();
    ACFindFirstEvent first, any;
    first.AddEvtType(EventId::Note);
    EXPECT_EQ(first.Apply(m), 2);
    EXPECT_TRUE(first.GetEvent() == n1 && n1->GetRefCount() == refs) << "not held";
    first.Reset();
    first.RemoveEvtTypes();
    first.AddEvtType(EventId::Rest);
    EXPECT_EQ(first.Apply(m), 0);
    EXPECT_EQ(first.GetEvent(), nullptr) << "cleared on a new beginning";
    any.Apply(chord);
    EXPECT_EQ(any.GetEvent(), chord);

    ACFindObjects find(n1);
    EXPECT_EQ(n1->GetRefCount(), refs + 1) << "the set is held";
    EXPECT_EQ(find.Apply(m), 2);
    EXPECT_EQ(find.ObjectsFound(), 1);
    find.Reset();
    EXPECT_EQ(find.Apply(other), 0);
    EXPECT_EQ(find.ObjectsFound(), 0);
    find.RemoveObject(n1);
    EXPECT_EQ(n1->GetRefCount(), refs);
    MCEventList set;
    set.AddTail(other);
    ACFindObjects fromList(&set);
    EXPECT_EQ(fromList.Apply(m), 2);
    fromList.RemoveObjects(&set);
    EXPECT_TRUE(fromList.GetObjects()->IsEmpty());
}

TEST_F(SearchTest, FindDataCollectsElementsWithARecordForTheViewCodeAndCreatesNone) {
    Attach(n1, 2);
    Attach(n2, 0);
    Attach(chord, 2);
    ACFindData find(2), byDefault, notes(2);
    find.Apply(m);
    EXPECT_EQ(Items(find.GetEvents()), (std::vector<ECBase*>{chord, n1}));
    EXPECT_EQ(n3->GetData(2, 0), nullptr);
    byDefault.Apply(m);
    EXPECT_EQ(Items(byDefault.GetEvents()), (std::vector<ECBase*>{n2}));
    notes.AddEvtType(EventId::Note);
    notes.SetMaxEventCount(1);
    EXPECT_EQ(notes.Apply(m), 2);
    EXPECT_EQ(Items(notes.GetEvents()), (std::vector<ECBase*>{n1}));
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
        EXPECT_EQ(find.GetEventCount(), 0);
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
}

TEST(ACFindVoiceTrack, MatchesVoiceAndTrackWithWildcardsAndPlacedNotesOnly) {
    Untimed root;
    auto* r1 = Make<Rest>(0, &root);
    Make<Rest>(0, &root)->SetVoiceTrack(2, 3);
    Make<Rest>(0, &root)->SetVoiceTrack(1, 4);
    r1->SetVoiceTrack(1, 3);
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
    EXPECT_TRUE(count(1, 2047) == 1 && count(15, 2047) == 3 && count(15, 3) == 1);

    auto* note = Make<Note>(0, &root);
    auto* grace = Make<GraceNote>(0, &root);
    note->SetVoiceTrack(1, 4);
    grace->SetVoiceTrack(1, 4);
    EXPECT_EQ(count(1, 4), 1);
    Attach(note, 0);
    Attach(grace, 0);
    EXPECT_EQ(count(1, 4), 3);
    ACFindVoiceTrack rests(2);
    rests.AddEvtType(EventId::Rest);
    rests.SetTrack(4);
    rests.SetMaxEventCount(1);
    EXPECT_EQ(rests.Apply(&root), 2);
}

} // namespace
