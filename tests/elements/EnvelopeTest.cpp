// Envelopes: every query against a plain scan over the sorted points while the remembered
// position moves forward, backward and at random; evaluation and sampling; anchor groups;
// records, and streams that hold what an envelope must not.

#include "support/AllocationFailure.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <random>

namespace clavenor {
namespace {

using test::Bytes;
using test::X;

enum class Mode { Before, BeforeEqual, AfterEqual, After };

ECEnvPoint* Point(float time, float value, int style = ECEnvPoint::StyleStep) {
    auto* point = new ECEnvPoint;
    test::SetSeconds(point, time);
    point->SetValue(value);
    point->SetStyle(style);
    return point;
}

// An envelope held by the test, and a sorted model of its points.
struct Fixture {
    Fixture() { envelope->Ref(); }
    ~Fixture() { Release(envelope); }
    static void Release(ECEnvelope* e) {
        e->RemoveChildren(1);
        e->Unref(1);
    }
    bool Add(ECEnvPoint* point) {
        const float t = point->GetTime()->GetSeconds();
        const int added = envelope->AddChild(point, 1);
        EXPECT_EQ(added, model.count(t) == 0 ? 1 : 0) << t;
        if (added == 0) {
            delete point;
            return false;
        }
        model[t] = point;
        return true;
    }
    ECEnvelope* envelope = new ECEnvelope;
    std::map<float, ECEnvPoint*> model;
};

// What a scan over the sorted points answers: the index of the last point before (or at)
// t, or of the first at (or after) it; -1 for none.
int Scan(const std::map<float, ECEnvPoint*>& model, Mode mode, float t) {
    int found = -1;
    int i = 0;
    for (const auto& [time, point] : model) {
        const bool qualifies = mode == Mode::Before        ? time < t
                               : mode == Mode::BeforeEqual ? time <= t
                               : mode == Mode::AfterEqual  ? time >= t
                                                           : time > t;
        if (qualifies) {
            found = i;
            if (mode == Mode::AfterEqual || mode == Mode::After) {
                break;
            }
        }
        ++i;
    }
    return found;
}

// The value a plain reading of the points gives (float-valued, no clamping).
float ScanValue(const std::map<float, ECEnvPoint*>& model, float t, float defaultValue) {
    auto after = model.upper_bound(t);
    if (after == model.begin()) {
        return defaultValue;
    }
    const auto& [time, point] = *std::prev(after);
    if (point->GetStyle() != ECEnvPoint::StyleLinear || time == t || after == model.end()) {
        return point->GetValue();
    }
    const float d = after->second->GetValue() - point->GetValue();
    return point->GetValue() + d / (after->first - time) * (t - time);
}

// Every point, index, range and value query at t, in an order that varies, against the scan.
void CheckQueriesAt(Fixture& f, float t, std::mt19937& random) {
    SCOPED_TRACE(testing::Message() << "t = " << t << ", " << f.model.size() << " points");
    ECEnvelope& e = *f.envelope;
    std::vector<ECEnvPoint*> points;
    for (const auto& entry : f.model) {
        points.push_back(entry.second);
    }
    auto at = [&](int index) {
        return index < 0 ? nullptr : points[static_cast<std::size_t>(index)];
    };
    const MCTime time(t);
    Mode modes[] = {Mode::Before, Mode::BeforeEqual, Mode::AfterEqual, Mode::After};
    std::shuffle(std::begin(modes), std::end(modes), random);
    for (Mode mode : modes) {
        const int expected = Scan(f.model, mode, t);
        switch (mode) {
        case Mode::Before:
            EXPECT_EQ(e.GetPointBefore(time), at(expected));
            EXPECT_EQ(e.GetIndexBefore(time), expected);
            break;
        case Mode::BeforeEqual:
            EXPECT_EQ(e.GetPointBeforeEqual(time), at(expected));
            EXPECT_EQ(e.GetIndexBeforeEqual(time), expected);
            break;
        case Mode::AfterEqual:
            EXPECT_EQ(e.GetPointAfterEqual(time), at(expected));
            EXPECT_EQ(e.GetIndexAfterEqual(time), expected);
            break;
        case Mode::After:
            EXPECT_EQ(e.GetPointAfter(time), at(expected));
            EXPECT_EQ(e.GetIndexAfter(time), expected);
            break;
        }
    }
    EXPECT_EQ(e.GetPointAt(time), f.model.count(t) != 0 ? f.model[t] : nullptr);
    EXPECT_EQ(e.GetIndexAt(time), -1);

    MCEventList range;
    const float width = static_cast<float>(random() % 5) * 0.5f;
    e.GetPointsInRange(time, MCTime(t + width), range);
    std::vector<ECBase*> expected;
    for (auto it = f.model.lower_bound(t); it != f.model.end() && it->first < t + width; ++it) {
        expected.push_back(it->second);
    }
    EXPECT_EQ(test::Items(&range), expected);

    float value = 0.0f;
    e.GetValue(time, value, 0);
    EXPECT_FLOAT_EQ(value, ScanValue(f.model, t, e.GetDefaultValue()));
}

// Sweeps forward and backward over the whole range and jumps at random, adding and removing
// points in between; the envelope's index is rebuilt after a reload.
TEST(ECEnvelope, EveryQueryAgreesWithAPlainScanWhereverThePositionStands) {
    std::mt19937 random(7);
    for (int round = 0; round < 24; ++round) {
        Fixture f;
        f.envelope->SetIntValued(0);
        const int size = round < 4 ? round : static_cast<int>(random() % 300);
        for (int i = 0; i < size; ++i) {
            // Quarter-note grid times in random order (some taken twice, so refused).
            f.Add(Point(static_cast<float>(random() % (2 * size + 1)) * 0.25f,
                        static_cast<float>(random() % 128), static_cast<int>(random() % 3)));
        }
        const float last = static_cast<float>(size) * 0.5f + 1.0f;
        for (float t = -1.0f; t <= last; t += 0.125f) {
            CheckQueriesAt(f, t, random);
        }
        for (float t = last; t >= -1.0f; t -= 0.375f) {
            CheckQueriesAt(f, t, random);
        }
        for (int i = 0; i < 100; ++i) {
            if (!f.model.empty() && random() % 4 == 0) {
                auto victim = std::next(f.model.begin(), random() % f.model.size());
                ASSERT_EQ(f.envelope->RemoveChild(victim->second, 1), 1);
                f.model.erase(victim);
            } else if (random() % 4 == 0) {
                f.Add(Point(static_cast<float>(random() % 1000) * 0.125f, 1.0f));
            }
            CheckQueriesAt(f, static_cast<float>(random() % 1000) * 0.125f - 1.0f, random);
        }
        // A reloaded envelope starts without its index.
        const Bytes bytes = test::Store([&](CArchive& ar) { ar << f.envelope; });
        Fixture loaded;
        test::Load(bytes, [&](CArchive& ar) {
            ECEnvelope* back = nullptr;
            ar >> back;
            back->Ref();
            Fixture::Release(loaded.envelope);
            loaded.envelope = back;
        });
        for (int i = 0; i < loaded.envelope->GetPointCount(); ++i) {
            ECEnvPoint* point = loaded.envelope->GetPointAtIndex(i);
            loaded.model[point->GetTime()->GetSeconds()] = point;
        }
        ASSERT_EQ(loaded.model.size(), f.model.size());
        for (int i = 0; i < 50; ++i) {
            CheckQueriesAt(loaded, static_cast<float>(random() % 1000) * 0.125f - 1.0f, random);
        }
        int index = 0;
        for (const auto& [time, point] : f.model) {
            EXPECT_EQ(f.envelope->GetIndexForPoint(point), index);
            EXPECT_EQ(f.envelope->GetPointAtIndex(index++), point);
        }
    }
}

TEST(ECEnvelope, PointsStaySortedAndUniqueAndOnlyPointsEnter) {
    Fixture f;
    ECEnvPoint* two = Point(2.0f, 1.0f);
    ASSERT_TRUE(f.Add(two));
    EXPECT_FALSE(f.Add(Point(2.0f, 5.0f))) << "a second point at one time";
    EXPECT_EQ(f.envelope->AddChild(two, 1), 0) << "a point already there";
    ECEnvPoint* early = Point(-1.0f, 1.0f);
    ASSERT_EQ(f.envelope->AddChild(early, 0), 1) << "unsorted adds still go in time order";
    EXPECT_EQ(*early->GetTime(), MCTime::TimeZero());
    EXPECT_EQ(f.envelope->GetPointAtIndex(0), early);
    ECWithTime notAPoint;
    EXPECT_EQ(f.envelope->AddChild(&notAPoint, 1), 0);
    ECEnvPoint atBarPulseTick;
    MCTime bar(1, 0, 0, 480);
    atBarPulseTick.SetTime(&bar);
    EXPECT_EQ(f.envelope->AddChild(&atBarPulseTick, 1), 0);
    EXPECT_EQ(f.envelope->AddChild(nullptr, 1), 0);
    EXPECT_EQ(f.envelope->GetPointCount(), 2);
    EXPECT_EQ(f.envelope->GetPointAtIndex(2), nullptr);
    EXPECT_EQ(f.envelope->GetPointAtIndex(-1), nullptr);
    EXPECT_EQ(f.envelope->IsEndPoint(early), 1);
    EXPECT_EQ(f.envelope->RemoveChild(&notAPoint, 0), 0);

    // An allocation failing while adding refuses the point, or (when only the index could
    // not grow) adds it all the same: the queries answer right either way.
    ECEnvPoint* middle = Point(1.0f, 1.0f);
    middle->Ref();
    test::ForEachAllocationFailure(
        [&] {
            const int added = f.envelope->AddChild(middle, 1);
            EXPECT_EQ(added, f.envelope->GetPointCount() - 2);
        },
        [&] {
            if (f.envelope->GetPointCount() == 3) {
                EXPECT_EQ(f.envelope->GetPointAfter(MCTime(0.0f)), middle);
                EXPECT_EQ(f.envelope->RemoveChild(middle, 0), 1);
            }
            EXPECT_EQ(f.envelope->GetPointAfter(MCTime(0.0f)), two);
        });
    EXPECT_EQ(f.envelope->GetPointAfter(MCTime(0.0f)), middle);
    middle->Unref(1);
}

// Evaluation: steps and ramps, the integer hold and rounding, clamping, the changed flag.
TEST(ECEnvelope, ValuesHoldRampRoundAndClamp) {
    Fixture f;
    f.envelope->SetDefaultValue(7.0f);
    f.Add(Point(1.0f, 0.0f, ECEnvPoint::StyleLinear));
    f.Add(Point(3.0f, 100.0f));
    float v = 0.0f;
    const std::pair<float, float> cases[] = {
        {2.0f, 50.0f}, {0.5f, 7.0f}, {4.0f, 100.0f}, {1.5f, 25.0f}};
    for (const auto& [t, expected] : cases) {
        f.envelope->GetValue(MCTime(t), v, 0);
        EXPECT_EQ(v, expected) << t;
    }
    f.model[1.0f]->SetStyle(ECEnvPoint::StyleStep);
    f.envelope->GetValue(MCTime(2.0f), v, 0);
    EXPECT_EQ(v, 0.0f) << "a step holds";

    Fixture hold;
    hold.Add(Point(0.0f, 10.0f, ECEnvPoint::StyleLinear));
    hold.Add(Point(4.0f, 10.6f));
    hold.envelope->GetValue(MCTime(3.9f), v, 0);
    EXPECT_EQ(v, 10.0f) << "an integer envelope holds through a difference below 1";

    Fixture rounding;
    rounding.envelope->SetLimits(0.0f, 127.0f);
    for (const auto& [stored, clamp, expected] :
         {std::tuple{2.5f, 0, 3.0f},
          {-2.5f, 0, -3.0f},
          {130.0f, 0, 130.0f},
          {130.0f, 1, 127.0f},
          {-4.0f, 1, 0.0f},
          {std::numeric_limits<float>::max(), 0, 2147483647.0f}}) {
        rounding.envelope->SetDefaultValue(stored);
        rounding.envelope->GetValue(MCTime(0.0f), v, clamp);
        EXPECT_EQ(v, expected) << stored << " clamp " << clamp;
    }

    EXPECT_EQ(f.envelope->GetValue(MCTime(9.0f), v, 0), 1);
    EXPECT_EQ(f.envelope->GetValue(MCTime(9.0f), v, 0), 0);
    f.envelope->Reset();
    EXPECT_EQ(f.envelope->GetValue(MCTime(9.0f), v, 0), 1);
    f.envelope->SetIntValued(0);
    EXPECT_EQ(f.envelope->GetValue(MCTime(9.0f), v, 0), 0) << "the float cache took the integer";
    EXPECT_EQ(f.envelope->GetValue(f.model[1.0f], v, 0), 1);
    EXPECT_EQ(v, 0.0f);
}

// Sampling a ramp with a step exact in binary: the first block ramps up to the
// boundary, the next one starts with the point at 4 and then holds.
TEST(ECEnvelope, SamplingEmitsEachChangeOnceAcrossBlocks) {
    Fixture f;
    f.Add(Point(0.0f, 0.0f, ECEnvPoint::StyleLinear));
    f.Add(Point(4.0f, 100.0f));
    f.envelope->SetMinDeltaTime(MCTime(0.0625f));
    CArray<EVALUE> first, second;
    EXPECT_EQ(f.envelope->GetValues(MCTime(0.0f), MCTime(4.0f), 1.0f, first, 0), 1);
    ASSERT_EQ(first.GetSize(), 64);
    EXPECT_EQ(first[0].time, MCTime(0.0f));
    EXPECT_EQ(first[0].value, 0.0f);
    EXPECT_EQ(first[63].time, MCTime(3.9375f));
    EXPECT_EQ(first[63].value, 98.0f);
    EXPECT_EQ(f.envelope->GetValues(MCTime(4.0f), MCTime(8.0f), 1.0f, second, 0), 1);
    ASSERT_EQ(second.GetSize(), 1);
    EXPECT_EQ(second[0].time, MCTime(4.0f));
    EXPECT_EQ(second[0].value, 100.0f);

    // A jump back starts afresh from the held value; bad times are refused.
    CArray<EVALUE> jump;
    f.model[0.0f]->SetStyle(ECEnvPoint::StyleStep);
    f.envelope->Reset();
    f.envelope->GetValues(MCTime(2.0f), MCTime(3.0f), 1.0f, jump, 0);
    ASSERT_EQ(jump.GetSize(), 1);
    EXPECT_EQ(jump[0].time, MCTime(2.0f));
    EXPECT_EQ(f.envelope->GetValues(MCTime(std::nanf("")), MCTime(3.0f), 1.0f, jump, 0), 0);
    EXPECT_EQ(f.envelope->GetValues(MCTime(0.0f), MCTime(1, 0, 0, 480), 1.0f, jump, 0), 0);
    f.envelope->SetMinDeltaTime(MCTime(0.001f));
    EXPECT_EQ(f.envelope->GetMinDeltaTime().GetSeconds(), 0.005f);
}

// A player pulling blocks of any size gets exactly what one call over the whole range
// gives, each record within its own block, and only changes.
TEST(ECEnvelope, BlocksOfAnySizeSampleLikeOneCall) {
    std::mt19937 random(11);
    for (int round = 0; round < 40; ++round) {
        Fixture f;
        f.envelope->SetIntValued(static_cast<int>(random() % 2));
        for (int i = 0; i < 12; ++i) {
            f.Add(Point(static_cast<float>(random() % 64) * 0.25f,
                        static_cast<float>(random() % 100), static_cast<int>(random() % 2)));
        }
        f.envelope->SetMinDeltaTime(MCTime(0.05f * static_cast<float>(1 + random() % 4)));
        CArray<EVALUE> whole;
        f.envelope->GetValues(MCTime(0.0f), MCTime(20.0f), 1.0f, whole, 1);
        f.envelope->Reset();
        std::vector<std::pair<float, float>> blocks;
        for (float from = 0.0f; from < 20.0f;) {
            const float to = std::min(20.0f, from + static_cast<float>(1 + random() % 9) * 0.3f);
            CArray<EVALUE> block;
            f.envelope->GetValues(MCTime(from), MCTime(to), 1.0f, block, 1);
            for (int i = 0; i < block.GetSize(); ++i) {
                const float t = block[i].time.GetSeconds();
                EXPECT_TRUE(t >= from) << t << " in [" << from << ", " << to << ")";
                EXPECT_TRUE(t < to) << t << " in [" << from << ", " << to << ")";
                blocks.emplace_back(t, block[i].value);
            }
            from = to;
        }
        std::vector<std::pair<float, float>> expected;
        for (int i = 0; i < whole.GetSize(); ++i) {
            expected.emplace_back(whole[i].time.GetSeconds(), whole[i].value);
            if (i > 0) {
                EXPECT_NE(whole[i].value, whole[i - 1].value) << "only changes";
            }
        }
        EXPECT_EQ(blocks, expected) << "round " << round;
    }
}

TEST(ECEnvelope, AnchorGroupsKeepTheirPointsTogether) {
    Fixture f;
    ECEnvPoint* start = Point(1.0f, 10.0f);
    ECEnvPoint* end = Point(3.0f, 20.0f);
    f.Add(start);
    f.Add(end);
    MCEventList pair;
    ASSERT_NE(pair.AddTail(start), nullptr);
    ASSERT_NE(pair.AddTail(end), nullptr);
    start->SetAnchor(1);
    start->SetAnchorHead(1);
    end->SetAnchor(1);
    MCEventList* group = f.envelope->AddAnchorGroup(&pair);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(f.envelope->GetAnchorGroup(end), group);
    MCEventList list;
    EXPECT_EQ(end->GetAnchorList(list), 1);
    EXPECT_EQ(test::Items(&list), (std::vector<ECBase*>{start, end}));
    MCEventList anchors, heads;
    f.envelope->GetAnchorPointsInRange(MCTime(0.0f), MCTime(9.0f), anchors);
    f.envelope->GetAnchorHeadPointsInRange(MCTime(0.0f), MCTime(9.0f), heads);
    EXPECT_EQ(anchors.GetCount(), 2);
    EXPECT_EQ(test::Items(&heads), std::vector<ECBase*>{start});

    ECEnvPoint stranger;
    stranger.Ref(); // the lists below must not destroy it
    MCEventList foreign;
    ASSERT_NE(foreign.AddTail(&stranger), nullptr);
    EXPECT_EQ(f.envelope->AddAnchorGroup(&foreign), nullptr) << "only its own points";
    foreign.RemoveAll();
    EXPECT_EQ(stranger.GetAnchorList(list), 0) << "no envelope above";
    EXPECT_EQ(f.envelope->RemoveAnchorGroup(&pair), 0);
    EXPECT_EQ(f.envelope->RemoveAnchorGroup(group), 1);
    EXPECT_EQ(f.envelope->GetAnchorGroup(start), nullptr);
}

// The records exactly: a point in a group, and the layout of documents before version 3.
TEST(ECEnvelope, RecordsWithPointsAndGroups) {
    Fixture f;
    ECEnvPoint* point = Point(1.0f, 64.0f, ECEnvPoint::StyleLinear);
    point->SetAnchor(1);
    point->SetAnchorHead(1);
    f.Add(point);
    MCEventList members;
    ASSERT_NE(members.AddTail(point), nullptr);
    f.envelope->AddAnchorGroup(&members);
    f.envelope->SetEnvelopeName(CString("v"));
    const Bytes expected = X("@ECEnvelope 02 0100  @ECEnvPoint 00 00 0000803F FF7F 07 00008042"
                             "  00 FFFF7FFF FF7F  00000000 FFFF7FFF FFFF7F7F 0176 00 03000000"
                             "  00 CDCC4C3D  0100 @MCEventList/1 0100 0400");
    ASSERT_EQ(test::Store([&](CArchive& ar) { ar << f.envelope; }), expected);
    test::Load(expected, [](CArchive& ar) {
        ECEnvelope* back = nullptr;
        ar >> back;
        ECEnvPoint* loaded = back->GetPointAtIndex(0);
        ASSERT_NE(loaded, nullptr);
        EXPECT_EQ(loaded->GetValue(), 64.0f);
        EXPECT_EQ(loaded->GetStyle(), ECEnvPoint::StyleLinear);
        EXPECT_EQ(back->GetAnchorGroup(loaded)->GetHead(), loaded);
        EXPECT_EQ(back->GetEnvelopeName(), "v");
        EXPECT_EQ(back->IntValued(), 1);
    });

    test::ScopedVersion version(2);
    test::Load(X("@ECEnvPoint 00 00 0000803F FF7F"), [](CArchive& ar) {
        auto* old = static_cast<ECEnvPoint*>(ar.ReadObject(nullptr));
        EXPECT_EQ(old->IsAnchorHead(), 1);
        EXPECT_EQ(old->IsAnchor(), 1);
        EXPECT_EQ(old->GetStyle(), ECEnvPoint::StyleLinear);
    });
}

// Malformed envelopes load repaired or fail cleanly: elements that are no points, groups
// that name strangers or are read twice, points before zero or out of order.
TEST(ECEnvelope, MalformedStreamsAreRepairedOrRefused) {
    const std::string head = "@ECEnvelope 02 0200  @ECEnvPoint 00 00 00004040 FF7F 00 00000000"
                             "  0380 00 00 000080BF FF7F 00 0000803F  00 00000000 FF7F"
                             "  00000000 00000000 00000000 00 00 03000000 00 CDCC4C3D";
    const Bytes whole = X(head + " 0000");
    const std::int64_t live = test::LiveAllocations();
    // Groups: one naming only the envelope itself (emptied, but kept: the next one refers
    // back to it), one naming the envelope and a point, and a null one.
    test::Load(X(head + " 0400 @MCEventList/1 0100 0200  0700  0680 0200 0200 0400  0000"),
               [](CArchive& ar) {
                   ECEnvelope* back = nullptr;
                   ar >> back;
                   EXPECT_EQ(back->GetPointAtIndex(0)->GetTime()->GetSeconds(), 0.0f)
                       << "moved to zero";
                   EXPECT_EQ(back->GetPointAtIndex(1)->GetTime()->GetSeconds(), 3.0f);
                   EXPECT_EQ(back->GetAnchorGroupCount(), 2);
                   EXPECT_EQ(back->GetAnchorGroup(back->GetPointAtIndex(1))->GetCount(), 1);
               });
    EXPECT_EQ(test::LiveAllocations(), live);
    EXPECT_EQ(
        test::LoadCause(X("@ECEnvelope 02 0100 @ECWithTime 00 00 00000000 FF7F  00 00000000 FF7F"),
                        [](CArchive& ar) { (void)ar.ReadObject(nullptr); }),
        CArchiveException::badClass);
    for (std::size_t n = 0; n < whole.size(); ++n) {
        EXPECT_THROW(test::Load(
                         whole, [](CArchive& ar) { (void)ar.ReadObject(nullptr); }, n),
                     CArchiveException);
    }
    EXPECT_EQ(test::LiveAllocations(), live);
}

// Forty points half a quarter apart, stepped and ramped in turn, as stored in a document.
Bytes FortyPoints() {
    Fixture f;
    f.envelope->SetIntValued(0);
    for (int i = 0; i < 40; ++i) {
        f.Add(Point(static_cast<float>(i) * 0.5f, static_cast<float>(i), i % 2));
    }
    return test::Store([&](CArchive& ar) { ar << f.envelope; });
}

// The envelope read back from `bytes`: it has not built its index yet.
std::unique_ptr<Fixture> Reloaded(const Bytes& bytes) {
    auto loaded = std::make_unique<Fixture>();
    test::Load(bytes, [&](CArchive& ar) {
        ECEnvelope* back = nullptr;
        ar >> back;
        back->Ref();
        Fixture::Release(loaded->envelope);
        loaded->envelope = back;
    });
    return loaded;
}

// The point at `index` found by walking the children, which leaves the index unbuilt (and
// allocates nothing, so that it may run while an allocation is set to fail).
ECEnvPoint* NthChild(ECEnvelope* e, int index) {
    for (ECBase* child : *e->GetChildren()) {
        if (index-- == 0) {
            return static_cast<ECEnvPoint*>(child);
        }
    }
    return nullptr;
}

float TimeOf(ECEnvPoint* point) {
    return point != nullptr ? point->GetTime()->GetSeconds() : -1.0f;
}

// Every query far from the remembered position builds the index; when the memory for it
// cannot be had, the query answers from the list all the same.
TEST(ECEnvelope, QueriesAnswerAsAPlainScanWhenTheirIndexCannotBeBuilt) {
    const Bytes bytes = FortyPoints();
    const MCTime t(13.25f);
    const MCTime onPoint(19.5f);
    using Query = float (*)(ECEnvelope&, const MCTime&, const MCTime&);
    const std::pair<const char*, Query> queries[] = {
        {"point before", [](ECEnvelope& e, const MCTime& at,
                            const MCTime&) { return TimeOf(e.GetPointBefore(at)); }},
        {"point before or at", [](ECEnvelope& e, const MCTime&,
                                  const MCTime& on) { return TimeOf(e.GetPointBeforeEqual(on)); }},
        {"point at",
         [](ECEnvelope& e, const MCTime&, const MCTime& on) { return TimeOf(e.GetPointAt(on)); }},
        {"point at or after", [](ECEnvelope& e, const MCTime& at,
                                 const MCTime&) { return TimeOf(e.GetPointAfterEqual(at)); }},
        {"point after", [](ECEnvelope& e, const MCTime&,
                           const MCTime& on) { return TimeOf(e.GetPointAfter(on)); }},
        {"index before", [](ECEnvelope& e, const MCTime& at,
                            const MCTime&) { return static_cast<float>(e.GetIndexBefore(at)); }},
        {"index before or at",
         [](ECEnvelope& e, const MCTime&, const MCTime& on) {
             return static_cast<float>(e.GetIndexBeforeEqual(on));
         }},
        {"index at or after",
         [](ECEnvelope& e, const MCTime& at, const MCTime&) {
             return static_cast<float>(e.GetIndexAfterEqual(at));
         }},
        {"index after", [](ECEnvelope& e, const MCTime&,
                           const MCTime& on) { return static_cast<float>(e.GetIndexAfter(on)); }},
        {"point at index",
         [](ECEnvelope& e, const MCTime&, const MCTime&) { return TimeOf(e.GetPointAtIndex(31)); }},
        {"index of point",
         [](ECEnvelope& e, const MCTime&, const MCTime&) {
             return static_cast<float>(e.GetIndexForPoint(NthChild(&e, 27)));
         }},
        {"ramped value",
         [](ECEnvelope& e, const MCTime& at, const MCTime&) {
             float value = 0.0f;
             e.GetValue(at, value, 0);
             return value;
         }},
    };
    for (const auto& [name, query] : queries) {
        const float expected = query(*Reloaded(bytes)->envelope, t, onPoint);
        int failures = 0;
        for (std::int64_t n = 1;; ++n) {
            const std::unique_ptr<Fixture> f = Reloaded(bytes);
            float answer = 0.0f;
            bool triggered = false;
            {
                test::FailNthAllocation failure(n);
                answer = query(*f->envelope, t, onPoint);
                triggered = failure.Triggered();
            }
            if (!triggered) {
                break;
            }
            ++failures;
            EXPECT_EQ(answer, expected) << name << ", allocation " << n << " failing";
        }
        EXPECT_GT(failures, 0) << name << " built no index";
    }
}

// Without memory for the index a removal still finds its point: it goes, or nothing changes.
TEST(ECEnvelope, RemovingAPointWithoutMemoryForTheIndexRemovesItOrNothing) {
    const Bytes bytes = FortyPoints();
    for (std::int64_t n = 1;; ++n) {
        const std::unique_ptr<Fixture> f = Reloaded(bytes);
        ECEnvPoint* victim = NthChild(f->envelope, 27);
        victim->Ref();
        int removed = 0;
        bool triggered = false;
        {
            test::FailNthAllocation failure(n);
            removed = f->envelope->RemoveChild(victim, 0);
            triggered = failure.Triggered();
        }
        SCOPED_TRACE(testing::Message() << "allocation " << n << " failing");
        if (removed != 0) {
            EXPECT_EQ(f->envelope->GetPointCount(), 39);
            EXPECT_EQ(f->envelope->GetIndexForPoint(victim), -1);
            EXPECT_EQ(TimeOf(f->envelope->GetPointAfter(MCTime(13.25f))), 14.0f);
        } else {
            EXPECT_EQ(f->envelope->GetPointCount(), 40);
            EXPECT_EQ(f->envelope->GetPointAtIndex(27), victim);
        }
        victim->Unref(1);
        if (!triggered) {
            EXPECT_EQ(removed, 1);
            break;
        }
    }
}

// A range that cannot be appended whole is not appended at all: the list is as it was.
TEST(ECEnvelope, ARangeWithoutMemoryLeavesTheListAsItWas) {
    const std::unique_ptr<Fixture> f = Reloaded(FortyPoints());
    MCEventList range;
    ASSERT_NE(range.AddTail(NthChild(f->envelope, 0)), nullptr);
    for (std::int64_t n = 1;; ++n) {
        bool threw = false;
        bool triggered = false;
        {
            test::FailNthAllocation failure(n);
            try {
                f->envelope->GetPointsInRange(MCTime(5.0f), MCTime(10.0f), range);
            } catch (const std::bad_alloc&) {
                threw = true;
            }
            triggered = failure.Triggered();
        }
        EXPECT_EQ(range.GetCount(), threw ? 1 : 11) << "allocation " << n << " failing";
        while (range.GetCount() > 1) {
            range.RemoveTail();
        }
        if (!triggered) {
            break;
        }
    }
}

// A player whose block could not be sampled asks again and gets what an unhindered run gives.
TEST(ECEnvelope, SamplingWithoutMemoryCanBeRepeatedToTheSameValues) {
    const std::unique_ptr<Fixture> f = Reloaded(FortyPoints());
    auto records = [](const CArray<EVALUE>& values) {
        std::vector<std::pair<float, float>> out;
        for (int i = 0; i < values.GetSize(); ++i) {
            out.emplace_back(values[i].time.GetSeconds(), values[i].value);
        }
        return out;
    };
    auto blocks = [&](CArray<EVALUE>& values, std::int64_t failing) {
        f->envelope->Reset();
        f->envelope->GetValues(MCTime(0.0f), MCTime(10.0f), 1.0f, values, 0);
        const int before = values.GetSize();
        bool triggered = false;
        {
            test::FailNthAllocation failure(failing);
            try {
                f->envelope->GetValues(MCTime(10.0f), MCTime(20.0f), 1.0f, values, 0);
            } catch (const std::bad_alloc&) {
                EXPECT_EQ(values.GetSize(), before) << "allocation " << failing << " failing";
                f->envelope->GetValues(MCTime(10.0f), MCTime(20.0f), 1.0f, values, 0);
            }
            triggered = failure.Triggered();
        }
        return triggered;
    };
    CArray<EVALUE> unhindered;
    blocks(unhindered, std::numeric_limits<std::int64_t>::max());
    for (std::int64_t n = 1;; ++n) {
        CArray<EVALUE> values;
        const bool triggered = blocks(values, n);
        EXPECT_EQ(records(values), records(unhindered)) << "allocation " << n << " failing";
        if (!triggered) {
            break;
        }
    }
}

} // namespace
} // namespace clavenor
