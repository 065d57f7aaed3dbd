// Tuplets: units, equivalent ratios, played durations, their place in a measure through the
// borrowed meter, ratios with a zero count, dissolution and records at both schemas.

#include "support/AllocationFailure.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace clavenor {
namespace {

using test::Bytes;
using test::Counted;
using test::g_liveElements;
using test::Items;
using test::X;

// The protected operations, for the tests.
class OpenTuplet : public ECTuplet {
public:
    using ECTuplet::ECTuplet;
    using ECTuplet::FindFit;
    using ECTuplet::GetAdjustedDenominator;
};

struct Ratio {
    std::uint8_t irregular, normal, units;
};

TEST(Tuplet, UnitsRatiosAndPlayedDurations) {
    ECTuplet triplet;
    EXPECT_EQ(triplet.GetDuration(), nullptr) << "its members have the durations";
    MCTime eighth(0.5f);
    EXPECT_FLOAT_EQ(triplet.ScaleDuration(&eighth).GetSeconds(), 1.0f / 3);
    EXPECT_EQ(triplet.ScaleDuration(nullptr), MCTime::TimeNull());

    const float lengths[] = {0.0f, 4.0f, 2.0f, 1.0f, 0.5f, 0.25f, 0.125f, 0.0625f, 0.03125f, 0.0f};
    for (int code = -1; code <= 8; ++code) {
        EXPECT_EQ(ECTuplet::GetUnitsAsTime(code), MCTime(lengths[code + 1])) << code;
    }

    const std::pair<Ratio, Ratio> equivalents[] = {
        {{3, 2, 3}, {3, 2, 3}},
        {{1, 4, 3}, {4, 4, 1}},
        {{7, 2, 2}, {7, 4, 3}},
        {{3, 2, 7}, {3, 2, ECTuplet::UnitNone}}, // a hundred-twenty-eighth has no equivalent
        {{9, 2, 6}, {9, 8, ECTuplet::UnitNone}},
        {{0, 2, 3}, {0, 2, ECTuplet::UnitNone}},
        {{3, 0, 3}, {3, 0, ECTuplet::UnitNone}},
        {{1, 255, 0}, {128, 255, ECTuplet::UnitNone}},
    };
    for (const auto& [in, out] : equivalents) {
        Ratio got{};
        ECTuplet::GetEquivalentTuplet(in.irregular, in.normal, in.units, got.irregular, got.normal,
                                      got.units);
        EXPECT_EQ(got.irregular, out.irregular) << int(in.irregular) << ":" << int(in.normal);
        EXPECT_EQ(got.normal, out.normal) << int(in.irregular) << ":" << int(in.normal);
        EXPECT_EQ(got.units, out.units) << int(in.irregular) << ":" << int(in.normal);
        EXPECT_EQ(ECTuplet::CalcIrregularUnits(in.irregular, in.normal, in.units), out.units);
    }

    const std::pair<Ratio, int> denominators[] = {
        {{3, 2, 3}, 8}, {{3, 2, 2}, 4}, {{5, 4, 4}, 16}, {{7, 2, 2}, 8},
        {{1, 4, 3}, 2}, {{3, 2, 9}, 4}, {{0, 2, 3}, 8},
    };
    for (const auto& [ratio, denominator] : denominators) {
        OpenTuplet t(ratio.irregular, ratio.normal, ratio.units);
        EXPECT_EQ(t.GetAdjustedDenominator(), denominator)
            << int(ratio.irregular) << ":" << int(ratio.normal);
    }

    // A ratio with a zero count plays no length.
    for (Ratio zero : {Ratio{0, 2, 3}, Ratio{3, 0, 3}}) {
        ECTuplet t(zero.irregular, zero.normal, zero.units);
        EXPECT_EQ(t.ScaleDuration(&eighth), MCTime::TimeNull());
    }
    ECTuplet quintuplet(5, 4, 4);
    MCTime sixteenth(0.25f);
    EXPECT_FLOAT_EQ(quintuplet.ScaleDuration(&sixteenth).GetSeconds(), 0.2f);
}

TEST(Tuplet, CopiesEqualityAndRecordsAtBothSchemas) {
    ECTuplet t(5, 4, 4);
    test::SetSeconds(&t, 1.0f);
    t.SetVoiceTrack(2, 1);
    ECTuplet copy(t);
    EXPECT_EQ(copy, t);
    EXPECT_EQ(*copy.GetTime(), MCTime(1.0f));
    ECTuplet assigned;
    assigned.Copy(&t);
    EXPECT_EQ(assigned, t);
    EXPECT_EQ(assigned.GetVoice(), 2);
    EXPECT_EQ(*assigned.GetTime(), MCTime::TimeNull());
    assigned.SetTuplet(5, 4, 3);
    EXPECT_NE(assigned, t);

    const Bytes bytes = test::Store([&](CArchive& ar) { ar << &t; });
    EXPECT_EQ(bytes, X("@ECTuplet 00 00 0000803F 1200 05 04 04"));
    test::Load(bytes, [](CArchive& ar) {
        ECTuplet* back = nullptr;
        ar >> back;
        EXPECT_EQ(back->GetUnits(), 4);
    });
    test::Load(X("@ECTuplet/1 00 00 0000803F 1200 07 04  0180 00 00 00000040 1200 06 04"),
               [](CArchive& ar) {
                   ECTuplet* first = nullptr;
                   ECTuplet* second = nullptr;
                   ar >> first >> second;
                   EXPECT_EQ(first->GetIrregular(), 7);
                   EXPECT_EQ(first->GetUnits(), 3) << "schema 1 holds no units";
                   EXPECT_EQ(second->GetIrregular(), 6);
               });
    EXPECT_EQ(GetEventString(&t), "Tuplet");
    std::unique_ptr<ECBase> made(CreateEvent(EventId::Tuplet));
    EXPECT_EQ(static_cast<ECTuplet*>(made.get())->GetIrregular(), 3);
}

// A measure at `time` under `meter`, and a tuplet placed at `at` in it.
class Placement : public ::testing::Test {
protected:
    int Valid(ECTuplet& tuplet, float at) {
        test::SetSeconds(&tuplet, at);
        return tuplet.IsValid(&m_measure, &m_meter);
    }
    std::pair<float, float> Range(ECTuplet& tuplet, float at, int mode) {
        test::SetSeconds(&tuplet, at);
        MCTime start, end;
        EXPECT_EQ(tuplet.GetTupletRange(&m_measure, &m_meter, start, end, mode), 1);
        return {start.GetSeconds(), end.GetSeconds()};
    }
    void Use(int numerator, int denominator, float time) {
        EXPECT_EQ(1, m_meter.SetMeter(static_cast<std::uint8_t>(numerator),
                                      static_cast<std::uint8_t>(denominator), 255));
        test::SetSeconds(&m_measure, time);
    }

    ECMeasure m_measure;
    ECMeter m_meter;
};

TEST_F(Placement, ATupletTakesItsBeatsOfTheMeasure) {
    Use(4, 4, 8.0f);
    ECTuplet triplet; // three eighths on a quarter beat
    EXPECT_EQ(Range(triplet, 9.0f, 0), (std::pair{1.0f, 2.0f}));
    EXPECT_EQ(Range(triplet, 9.0f, 1), (std::pair{1.5f, 3.0f}));
    EXPECT_EQ(Range(triplet, 11.5f, 0), (std::pair{3.0f, 4.0f}));
    EXPECT_EQ(Range(triplet, 7.0f, 0), (std::pair{0.0f, 1.0f})) << "before the measure: its start";
    EXPECT_EQ(Valid(triplet, 9.0f), 0);

    ECMeter borrowed;
    EXPECT_EQ(triplet.SetupBorrowedMeter(&m_meter, &borrowed), 1);
    EXPECT_EQ(borrowed.GetMeterType(), ECMeter::TypeCompoundList);
    EXPECT_EQ(borrowed.GetNumerator(), 12);
    EXPECT_EQ(borrowed.GetDenominator(), 8);

    ECTuplet quarters(3, 2, 2); // three quarters in the time of a half note
    EXPECT_EQ(Range(quarters, 10.0f, 0), (std::pair{2.0f, 4.0f}));
    EXPECT_EQ(Valid(quarters, 13.0f), 1) << "past the last beat: runs over the bar line";

    // In 3/4 a half-note triplet fills the measure's one long group from its start, with a
    // beat left over.
    Use(3, 4, 0.0f);
    EXPECT_EQ(Range(quarters, 0.0f, 0), (std::pair{0.0f, 2.0f}));
    EXPECT_EQ(Valid(quarters, 0.0f), 0);
    EXPECT_EQ(Valid(quarters, 2.5f), 1);
    OpenTuplet open(3, 2, 2);
    int level = 0;
    int index = 0;
    EXPECT_EQ(open.FindFit(&m_meter, 2.0f, level, index, 1), 0);
    EXPECT_EQ(level, -1);
    EXPECT_EQ(open.FindFit(&m_meter, 2.0f, level, index, 2), 1);
    EXPECT_EQ(level, 1);
    EXPECT_EQ(open.FindFit(&m_meter, 1.0f, level, index, 0), 1);
    EXPECT_EQ(level, 2);
    EXPECT_EQ(index, 3);

    // A beat filled exactly by tuplet groups leaves no empty entry behind.
    CArray<std::uint8_t, std::uint8_t> numerators;
    CArray<std::uint8_t, std::uint8_t> denominators;
    numerators.Add(2);
    numerators.Add(4);
    denominators.Add(4);
    ASSERT_EQ(m_meter.SetMeter(numerators, denominators, 1), 1);
    ECMeter borrowedList;
    EXPECT_EQ(quarters.SetupBorrowedMeter(&m_meter, &borrowedList), 1);
    EXPECT_EQ(borrowedList.GetStressPulsesPerMeasure(), 3);
    EXPECT_EQ(Valid(quarters, 0.0f), 0);
}

TEST_F(Placement, RatiosWithoutAPlaceAreInvalidNotEndless) {
    Use(4, 4, 0.0f);
    const Ratio ratios[] = {{0, 2, 3}, {3, 0, 3}, {0, 0, 0}, {3, 2, 7}, {3, 2, 200}, {255, 1, 0}};
    for (const Ratio& r : ratios) {
        ECTuplet t(r.irregular, r.normal, r.units);
        ECMeter borrowed;
        EXPECT_EQ(Valid(t, 1.0f), 2) << int(r.irregular) << ":" << int(r.normal);
        if (r.irregular == 0 || r.normal == 0 ||
            ECTuplet::GetUnitsAsTime(r.units) == MCTime(0.0f)) {
            EXPECT_EQ(t.SetupBorrowedMeter(&m_meter, &borrowed), 0);
        }
    }
    ECTuplet t;
    MCTime start(-1.0f);
    MCTime end(-1.0f);
    EXPECT_EQ(t.IsValid(nullptr, &m_meter), 2);
    EXPECT_EQ(t.GetTupletRange(&m_measure, nullptr, start, end, 0), 0);
    EXPECT_EQ(t.GetTupletRange(&m_measure, &m_meter, start, end, 0), 0) << "no time";
    EXPECT_EQ(start, MCTime(-1.0f));

    // Without a time of its own a tuplet takes its last member's.
    auto* note = new ECNote(MCTime(2.0f), MCTime(0.5f));
    ASSERT_EQ(t.AddChild(note, 1), 1);
    ASSERT_EQ(t.AddChild(new ECRest(11), 1), 1); // no time
    EXPECT_EQ(t.GetTupletRange(&m_measure, &m_meter, start, end, 0), 1);
    EXPECT_EQ(*t.GetTime(), MCTime(2.0f));
    t.RemoveChildren(1);
}

class TupletMembers : public ::testing::Test {
protected:
    void TearDown() override {
        delete m_measure;
        EXPECT_EQ(g_liveElements, m_live);
    }
    ECNote* Note(float time) { return new Counted<ECNote>(MCTime(time), MCTime(0.5f)); }

    int m_live = g_liveElements;
    ECMeasure* m_measure = new Counted<ECMeasure>;
    ECTuplet* m_tuplet = test::Put(new Counted<ECTuplet>, m_measure);
};

TEST_F(TupletMembers, TheLastMemberTakesTheTupletAwayAndTheTupletLeavesItsMembers) {
    ECNote* a = test::Put(Note(1.0f), m_tuplet, 1);
    ECNote* b = test::Put(Note(1.5f), m_tuplet, 1);
    m_tuplet->Ref();
    EXPECT_EQ(a->RemoveFromParents(), 1);
    EXPECT_EQ(Items(m_measure->GetChildren()), std::vector<ECBase*>{m_tuplet});
    {
        test::FailNthAllocation failure(1);
        EXPECT_EQ(b->RemoveFromParents(), 1);
        EXPECT_FALSE(failure.Triggered());
    }
    EXPECT_TRUE(m_tuplet->GetParents()->IsEmpty());
    EXPECT_TRUE(m_measure->GetChildren()->IsEmpty());
    m_tuplet->Unref(1);

    // Removing a tuplet leaves its notes, chords and rests in the measure, once each.
    auto* tuplet = test::Put(new Counted<ECTuplet>, m_measure);
    ECNote* c = test::Put(Note(2.0f), tuplet, 1);
    auto* rest = new Counted<ECRest>(11);
    test::SetSeconds(rest, 2.5f);
    ASSERT_EQ(tuplet->AddChild(rest, 1), 1);
    ASSERT_EQ(m_measure->AddChild(rest, 1), 1);
    {
        test::FailNthAllocation failure(1);
        EXPECT_EQ(tuplet->RemoveFromParents(), 1);
        EXPECT_FALSE(failure.Triggered());
    }
    EXPECT_EQ(Items(m_measure->GetChildren()), (std::vector<ECBase*>{c, rest}));
    EXPECT_EQ(Items(rest->GetParents()), std::vector<ECBase*>{m_measure});
}

TEST_F(TupletMembers, OnlyNotesChordsAndRestsAreMembers) {
    ECAccent accent;
    ECGraceNote grace;
    ECTuplet inner;
    EXPECT_EQ(m_tuplet->AddChild(&accent, 1), 0);
    EXPECT_EQ(m_tuplet->AddChild(&grace, 1), 0);
    EXPECT_EQ(m_tuplet->AddChild(&inner, 1), 0);
    EXPECT_EQ(m_tuplet->AddChild(new Counted<ECChord>, 1), 1);
    EXPECT_EQ(m_tuplet->AddChild(nullptr, 1), 0);
}

} // namespace
} // namespace clavenor
