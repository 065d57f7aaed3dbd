#include "clavenor/model/MCEventList.h"

#include "support/KindElement.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace clavenor;
using namespace clavenor::test;

namespace {

std::vector<ECBase*> Contents(const MCEventList& list) {
    std::vector<ECBase*> items;
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
        items.push_back(list.GetNext(pos));
    }
    return items;
}

TEST(MCEventListCollapseToAncestors, KeepsOnlyElementsNotBelowOthersOfTheList) {
    auto staff = std::make_unique<Staff>();
    auto* measure = Make<Measure>(0, staff.get());
    auto* chord = Make<Chord>(0, measure);
    auto* note = Make<Note>(0, chord);
    auto* beam = Make<Beam>(0, measure);
    auto* beamedOnly = Make<Note>(0, beam);
    auto* envelope = Make<Envelope>(0, measure);
    auto* point = Make<EnvPoint>(0, envelope);
    auto* otherMeasure = Make<Measure>(1, staff.get());

    MCEventList list;
    for (ECBase* e :
         std::vector<ECBase*>{note, chord, beamedOnly, envelope, point, measure, otherMeasure}) {
        list.AddTail(e);
    }
    list.CollapseToAncestors();
    // The envelope is passed through, not collected, so it stays; what lies below it and
    // below the beam does not.
    EXPECT_EQ(Contents(list), (std::vector<ECBase*>{envelope, measure, otherMeasure}));
    EXPECT_EQ(note->GetRefCount(), 1);
}

TEST(MCEventListCollapseToAncestors, RemovesOneOccurrenceAndReleasesWhatOnlyTheListHeld) {
    auto measure = std::make_unique<Measure>();
    auto* chord = Make<Chord>(0, measure.get());
    auto* detached = Make<Note>(0, chord);
    detached->Ref();
    chord->RemoveChild(detached, 0);

    MCEventList list;
    list.AddTail(chord);
    list.AddTail(measure.get());
    list.AddTail(chord);
    list.CollapseToAncestors();
    EXPECT_EQ(Contents(list), (std::vector<ECBase*>{measure.get(), chord}));
    list.RemoveAll();
    // A list of one, or of unrelated elements, is left alone.
    list.AddTail(detached);
    detached->Unref(0);
    list.CollapseToAncestors();
    EXPECT_EQ(list.GetCount(), 1);
}

} // namespace
