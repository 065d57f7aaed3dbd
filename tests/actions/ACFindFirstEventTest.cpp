#include "clavenor/actions/ACFindFirstEvent.h"

#include "support/KindElement.h"

#include <gtest/gtest.h>

#include <memory>

using namespace clavenor;
using namespace clavenor::test;

namespace {

TEST(ACFindFirstEvent, StopsAtTheFirstMatchAndClearsOnANewBeginning) {
    auto measure = std::make_unique<Measure>();
    auto* chord = Make<Chord>(0, measure.get());
    auto* note = Make<Note>(0, chord);
    const auto refs = note->GetRefCount();

    ACFindFirstEvent find;
    find.AddEvtType(EventId::Note);
    EXPECT_EQ(find.Apply(measure.get()), 2);
    EXPECT_EQ(find.GetEvent(), note);
    EXPECT_EQ(note->GetRefCount(), refs);

    find.Reset();
    find.RemoveEvtTypes();
    find.AddEvtType(EventId::Rest);
    EXPECT_EQ(find.Apply(measure.get()), 0);
    EXPECT_EQ(find.GetEvent(), nullptr);

    ACFindFirstEvent any;
    any.Apply(chord);
    EXPECT_EQ(any.GetEvent(), chord);
}

} // namespace
