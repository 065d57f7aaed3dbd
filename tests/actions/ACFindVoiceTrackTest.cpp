#include "clavenor/actions/ACFindVoiceTrack.h"

#include "clavenor/model/DCBase.h"
#include "clavenor/model/MCDataArray.h"

#include "support/KindElement.h"

#include <gtest/gtest.h>

#include <memory>

using namespace clavenor;
using namespace clavenor::test;

namespace {

using Rest = KindElement<EventId::Rest, ECWithTime>;
using GraceNote = KindElement<EventId::GraceNote, ECWithTime>;

class ACFindVoiceTrackTest : public ::testing::Test {
protected:
    ACFindVoiceTrackTest() : root(new Untimed) {
        r1 = Make<Rest>(0, root.get());
        r1->SetVoiceTrack(1, 3);
        r2 = Make<Rest>(0, root.get());
        r2->SetVoiceTrack(2, 3);
        r3 = Make<Rest>(0, root.get());
        r3->SetVoiceTrack(1, 4);
    }
    int Count(unsigned voice, unsigned track) {
        ACFindVoiceTrack find;
        find.SetVoice(voice);
        find.SetTrack(track);
        find.Apply(root.get());
        return find.GetEventCount();
    }
    std::unique_ptr<Untimed> root;
    ECBase *r1, *r2, *r3;
};

TEST_F(ACFindVoiceTrackTest, MatchesVoiceAndTrackWithWildcards) {
    EXPECT_EQ(Count(15, 2047), 3);
    EXPECT_EQ(Count(14, 2047), 3);
    EXPECT_EQ(Count(1, 2047), 2);
    EXPECT_EQ(Count(15, 3), 2);
    EXPECT_EQ(Count(14, 3), 2);
    EXPECT_EQ(Count(1, 3), 1);
    EXPECT_EQ(Count(7, 2047), 0);
}

TEST_F(ACFindVoiceTrackTest, ADeviceChannelWordReadsAsNoVoiceAndNoTrack) {
    r1->GetVoiceTrack()->SetChannel(3);
    EXPECT_EQ(Count(1, 2047), 1);
    EXPECT_EQ(Count(15, 2047), 3);
    EXPECT_EQ(Count(15, 3), 1);
}

TEST_F(ACFindVoiceTrackTest, NotesAndGraceNotesCountOnlyOncePlaced) {
    auto* note = Make<Note>(0, root.get());
    auto* grace = Make<GraceNote>(0, root.get());
    note->SetVoiceTrack(1, 3);
    grace->SetVoiceTrack(1, 3);
    EXPECT_EQ(Count(1, 3), 1);
    note->GetData()->SetAtGrow(MCDataArray::ViewCodeToIndex(0), new DCBase);
    EXPECT_EQ(Count(1, 3), 2);
    grace->GetData()->SetAtGrow(MCDataArray::ViewCodeToIndex(0), new DCBase);
    EXPECT_EQ(Count(1, 3), 3);
}

TEST_F(ACFindVoiceTrackTest, FilterAndMaximumApply) {
    ACFindVoiceTrack find(2);
    find.AddEvtType(EventId::Rest);
    find.SetTrack(3);
    find.SetMaxEventCount(1);
    EXPECT_EQ(find.Apply(root.get()), 2);
    EXPECT_EQ(find.GetEvents()->GetHead(), r1);
}

} // namespace
