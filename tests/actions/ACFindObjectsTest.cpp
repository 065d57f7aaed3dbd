#include "clavenor/actions/ACFindObjects.h"

#include "support/KindElement.h"

#include <gtest/gtest.h>

#include <memory>

using namespace clavenor;
using namespace clavenor::test;

namespace {

TEST(ACFindObjects, StopsAtTheFirstObjectOfTheSetAndHoldsTheSet) {
    auto measure = std::make_unique<Measure>();
    auto* chord = Make<Chord>(0, measure.get());
    auto* note = Make<Note>(0, chord);
    auto* other = Make<Chord>(1, measure.get());
    const auto refs = note->GetRefCount();

    ACFindObjects find(note);
    EXPECT_EQ(note->GetRefCount(), refs + 1);
    EXPECT_EQ(find.ObjectsFound(), 0);
    EXPECT_EQ(find.Apply(measure.get()), 2);
    EXPECT_EQ(find.ObjectsFound(), 1);

    find.Reset();
    EXPECT_EQ(find.Apply(other), 0);
    EXPECT_EQ(find.ObjectsFound(), 0);

    find.RemoveObject(note);
    EXPECT_EQ(note->GetRefCount(), refs);
    EXPECT_EQ(find.AddObject(nullptr), 0);
    find.Reset();
    EXPECT_EQ(find.Apply(measure.get()), 0);
}

TEST(ACFindObjects, BuiltFromAListLooksForAnyOfIt) {
    auto measure = std::make_unique<Measure>();
    auto* chord = Make<Chord>(0, measure.get());
    auto* other = Make<Chord>(1, measure.get());
    MCEventList set;
    set.AddTail(other);
    ACFindObjects find(&set);
    EXPECT_EQ(find.GetObjects()->GetCount(), 1);
    EXPECT_EQ(find.Apply(chord), 0);
    EXPECT_EQ(find.Apply(measure.get()), 2);
    EXPECT_EQ(find.ObjectsFound(), 1);
    find.RemoveObjects(&set);
    EXPECT_TRUE(find.GetObjects()->IsEmpty());
    find.AddObjects(&set);
    EXPECT_EQ(find.GetObjects()->GetCount(), 1);
}

} // namespace
