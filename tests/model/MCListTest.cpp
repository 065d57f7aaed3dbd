#include "clavenor/model/ECWithChild.h"
#include "clavenor/model/ECWithTime.h"
#include "clavenor/model/ECWithTimeChild.h"
#include "clavenor/model/MCObList.h"

#include <gtest/gtest.h>

using namespace clavenor;

TEST(MCObListNext, WithAClassSkipsOthersAndEndsPastTheFind) {
    ECWithTime timed;
    ECWithChild container;
    ECWithTimeChild timedContainer;
    MCObList list;
    for (CObject* o : {static_cast<CObject*>(&timed), static_cast<CObject*>(&container),
                       static_cast<CObject*>(&timedContainer), static_cast<CObject*>(&timed)}) {
        list.AddTail(o);
    }
    POSITION pos = list.GetHeadPosition();
    EXPECT_EQ(list.GetNext(pos, RUNTIME_CLASS(ECWithChild)), &container);
    EXPECT_EQ(pos, list.FindIndex(2));
    EXPECT_EQ(list.GetNext(pos, RUNTIME_CLASS(ECWithChild)), &timedContainer);
    EXPECT_EQ(list.GetNext(pos, RUNTIME_CLASS(ECWithChild)), nullptr);
    EXPECT_EQ(pos, nullptr);
    pos = list.GetTailPosition();
    EXPECT_EQ(list.GetPrev(pos, RUNTIME_CLASS(ECWithTime)), &timed);
    EXPECT_EQ(list.GetPrev(pos, RUNTIME_CLASS(ECWithTime)), &timed);
    EXPECT_EQ(pos, nullptr);
    pos = list.FindIndex(1);
    EXPECT_EQ(list.GetNext(pos, nullptr), &container);
    EXPECT_EQ(pos, list.FindIndex(2));
}
