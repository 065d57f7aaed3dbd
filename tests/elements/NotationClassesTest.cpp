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

TEST(NotationClasses, AreMadeByIdAndListTheirParentsInOrder) {
    struct Case {
        int id;
        const CRuntimeClass* cls;
        std::vector<int> parents;
    };
    const Case cases[] = {
        {EventId::Measure, RUNTIME_CLASS(ECMeasure), {55}},
        {EventId::Chord, RUNTIME_CLASS(ECChord), {32, 7, 66}},
        {EventId::Note, RUNTIME_CLASS(ECNote), {32, 12, 7, 66}},
        {EventId::GraceNote, RUNTIME_CLASS(ECGraceNote), {37}},
        {EventId::Rest, RUNTIME_CLASS(ECRest), {32, 7, 66}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GetEventRuntimeClass(c.id), c.cls) << c.id;
        std::unique_ptr<ECBase> e(CreateEvent(c.id));
        ASSERT_NE(e, nullptr) << c.id;
        EXPECT_EQ(e->GetEventId(), c.id);
        EXPECT_EQ(e->GetRuntimeClass()->m_wSchema, 2 | CRuntimeClass::VersionableSchema);
        CArray<int, int> types;
        types.Add(-7); // appended to, not replaced
        EXPECT_EQ(e->GetParentTypes(types), 1);
        std::vector<int> listed;
        for (int i = 1; i < types.GetSize(); ++i) {
            listed.push_back(types[i]);
        }
        EXPECT_EQ(types[0], -7);
        EXPECT_EQ(listed, c.parents) << c.id;
    }
}

TEST(NotationClasses, OnlyNotesHaveADurationObject) {
    ECChord chord;
    ECRest rest;
    ECMeasure measure;
    ECGraceNote grace;
    EXPECT_EQ(chord.GetDuration(), nullptr);
    EXPECT_EQ(rest.GetDuration(), nullptr);
    EXPECT_EQ(measure.GetDuration(), nullptr);
    EXPECT_NE(grace.GetDuration(), nullptr);
}

} // namespace
} // namespace clavenor
