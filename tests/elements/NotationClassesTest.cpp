#include "clavenor/elements/ECChord.h"
#include "clavenor/elements/ECGraceNote.h"
#include "clavenor/elements/ECMeasure.h"
#include "clavenor/elements/ECNote.h"
#include "clavenor/elements/ECRest.h"
#include "clavenor/model/EventRegistry.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace clavenor {
namespace {

TEST(NotationClasses, AreMadeByIdAndAppendTheirParentTypesInOrder) {
    struct Case {
        int id;
        const CRuntimeClass* cls;
        std::vector<int> parents;
    };
    const Case cases[] = {
        {EventId::Measure, RUNTIME_CLASS(ECMeasure), {-7, 55}},
        {EventId::Chord, RUNTIME_CLASS(ECChord), {-7, 32, 7, 66}},
        {EventId::Note, RUNTIME_CLASS(ECNote), {-7, 32, 12, 7, 66}},
        {EventId::GraceNote, RUNTIME_CLASS(ECGraceNote), {-7, 37}},
        {EventId::Rest, RUNTIME_CLASS(ECRest), {-7, 32, 7, 66}},
    };
    for (const Case& c : cases) {
        std::unique_ptr<ECBase> e(CreateEvent(c.id));
        ASSERT_NE(e, nullptr) << c.id;
        EXPECT_EQ(e->GetRuntimeClass(), c.cls);
        EXPECT_EQ(e->GetEventId(), c.id);
        CArray<int, int> types;
        types.Add(-7);
        EXPECT_EQ(e->GetParentTypes(types), 1);
        std::vector<int> listed;
        for (int i = 0; i < types.GetSize(); ++i) {
            listed.push_back(types[i]);
        }
        EXPECT_EQ(listed, c.parents) << c.id;
    }
}

TEST(ECMeasure, StartsOnTheStructuralVoiceAndComparesByIdentity) {
    ECMeasure a;
    ECMeasure b;
    EXPECT_EQ(a.GetVoice(), 14);
    EXPECT_EQ(a.GetTrack(), 2047);
    EXPECT_EQ(*a.GetTime(), MCTime::TimeNull());
    EXPECT_TRUE(a != b); // same time and voice/track, still two measures
    EXPECT_TRUE(a == a);
}

} // namespace
} // namespace clavenor
