#include "support/AllocationFailure.h"

#include <clavenor/clavenor.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace clavenor {
namespace {

// Exposes the point list and counts the aux records released through the virtual hook.
class TestCache : public MCCache {
public:
    explicit TestCache(std::int32_t size) : MCCache(size) {}
    ~TestCache() override { DeleteCache(); }

    int PointCount() const { return GetPoints().GetCount(); }

    void AttachAux(float time) { GetCachePointForTime(MCTime(time))->aux = new AuxRecord; }

    std::vector<const CachePoint*> Points() const {
        std::vector<const CachePoint*> points;
        for (POSITION pos = GetPoints().GetHeadPosition(); pos != nullptr;) {
            points.push_back(static_cast<const CachePoint*>(GetPoints().GetNext(pos)));
        }
        return points;
    }

    // What a plain scan from the first point answers, whatever the cursor does: the slot of
    // the last point at or before (strictly before) `time`, or of the first point.
    void* Scan(const MCTime& time, std::int32_t slot, bool before) const {
        const std::vector<const CachePoint*> points = Points();
        std::size_t i = 0;
        while (i + 1 < points.size() &&
               (before ? points[i + 1]->time < time : points[i + 1]->time <= time)) {
            ++i;
        }
        return points.empty() ? nullptr : points[i]->objects[static_cast<std::size_t>(slot)];
    }

    int released = 0;

protected:
    void DeleteAuxPointer(AuxRecord* aux) override {
        ++released;
        MCCache::DeleteAuxPointer(aux);
    }
};

MCTime T(float beats) { return MCTime(beats); }

class Cache : public ::testing::Test {
protected:
    TestCache cache{2};
    int a = 0, b = 0, c = 0;
};

TEST_F(Cache, ObjectsHoldUntilTheNextOneInTheirSlot) {
    EXPECT_EQ(cache.GetObjectForTime(T(5), 1), nullptr);
    EXPECT_EQ(cache.PointCount(), 1) << "the first query makes the point at zero";
    ASSERT_TRUE(cache.CacheObject(&a, T(0), 0));
    ASSERT_TRUE(cache.CacheObject(&b, T(4), 0));
    ASSERT_TRUE(cache.CacheObject(&b, T(4), 0));
    EXPECT_EQ(cache.PointCount(), 2) << "caching at an existing time reuses its point";
    EXPECT_EQ(cache.GetObjectForTime(T(4), 0), &b);
    EXPECT_EQ(cache.GetObjectBeforeTime(T(4), 0), &a);
    EXPECT_EQ(cache.GetObjectForTime(T(4), 1), nullptr);

    MCTime start, end;
    cache.GetObjectScope(&a, T(2), 0, start, end);
    EXPECT_EQ(start, T(0));
    EXPECT_EQ(end, T(4));
    cache.GetObjectScope(&b, T(9), 0, start, end);
    EXPECT_EQ(start, T(4));
    EXPECT_EQ(end, MCTime::TimeMax());
    cache.GetObjectScope(&b, T(2), 0, start, end);
    EXPECT_EQ(start, MCTime::TimeNull());
    EXPECT_EQ(end, MCTime::TimeNull());
}

TEST_F(Cache, ChangesReachLaterPointsUntilAnotherObjectTakesOver) {
    ASSERT_TRUE(cache.CacheObject(&a, T(0), 0));
    ASSERT_TRUE(cache.CacheObject(&c, T(2), 1)); // a point at 2 that still holds a
    ASSERT_TRUE(cache.CacheObject(&c, T(6), 0));
    ASSERT_TRUE(cache.CacheObject(&b, T(1), 0));
    EXPECT_EQ(cache.GetObjectForTime(T(3), 0), &b);
    EXPECT_EQ(cache.GetObjectForTime(T(6), 0), &c);
    ASSERT_TRUE(cache.UncacheObject(&b, T(1), 0));
    EXPECT_EQ(cache.GetObjectForTime(T(3), 0), &a);
    EXPECT_EQ(cache.GetObjectForTime(T(6), 0), &c);
    EXPECT_EQ(cache.PointCount(), 3) << "the point at 1 no longer differs from the one at 0";
}

TEST_F(Cache, UncachingNeedsTheExactTimeAndObjectAndKeepsPointsOtherSlotsNeed) {
    ASSERT_TRUE(cache.CacheObject(&a, T(0), 0));
    ASSERT_TRUE(cache.CacheObject(&b, T(4), 0));
    ASSERT_TRUE(cache.CacheObject(&c, T(4), 1));
    EXPECT_FALSE(cache.UncacheObject(&b, T(4.5f), 0));
    EXPECT_FALSE(cache.UncacheObject(&a, T(4), 0));
    EXPECT_FALSE(cache.UncacheObject(&b, T(4), 1));
    ASSERT_TRUE(cache.UncacheObject(&b, T(4), 0));
    EXPECT_EQ(cache.PointCount(), 2);
    EXPECT_EQ(cache.GetObjectForTime(T(5), 0), &a);
    EXPECT_EQ(cache.GetObjectForTime(T(5), 1), &c);
    ASSERT_TRUE(cache.UncacheObject(&c, T(4), 1));
    EXPECT_EQ(cache.PointCount(), 1);
    ASSERT_TRUE(cache.UncacheObject(&a, T(0), 0)) << "the point at zero stays, emptied";
    EXPECT_EQ(cache.PointCount(), 1);
    EXPECT_EQ(cache.GetObjectForTime(T(5), 0), nullptr);

    TestCache empty(2);
    EXPECT_FALSE(empty.UncacheObject(nullptr, T(0), 0));
    EXPECT_EQ(empty.PointCount(), 0);
}

TEST_F(Cache, RefusesBadTimesAndSlotsAndResizingKeepsObjects) {
    for (const MCTime& time :
         {T(-0.001f), T(std::numeric_limits<float>::quiet_NaN()), MCTime(1, 1, 0, 480)}) {
        EXPECT_FALSE(cache.CacheObject(&a, time, 0));
        EXPECT_FALSE(cache.UncacheObject(nullptr, time, 0));
        EXPECT_EQ(cache.GetObjectBeforeTime(time, 0), nullptr);
        MCTime start, end;
        cache.GetObjectScope(nullptr, time, 0, start, end);
        EXPECT_EQ(start, MCTime::TimeNull());
    }
    for (std::int32_t slot : {-1, 2, INT32_MIN}) {
        EXPECT_FALSE(cache.CacheObject(&a, T(1), slot));
        EXPECT_EQ(cache.GetObjectForTime(T(1), slot), nullptr);
    }
    EXPECT_EQ(cache.PointCount(), 0);
    TestCache none(-3);
    EXPECT_EQ(none.GetSize(), 0);
    EXPECT_TRUE(!none.CacheObject(&a, T(0), 0));

    ASSERT_TRUE(cache.CacheObject(&a, T(1), 1));
    EXPECT_TRUE(cache.ObjectIsCached(&a, -1));
    EXPECT_TRUE(!cache.ObjectIsCached(&a, 0));
    EXPECT_FALSE(cache.ObjectIsCached(&a, -2));
    EXPECT_FALSE(cache.ObjectIsCached(&a, 2));
    cache.SetSize(0);
    cache.SetSize(-1);
    EXPECT_EQ(cache.GetSize(), 2);
    cache.SetSize(4);
    EXPECT_EQ(cache.GetObjectForTime(T(1), 1), &a);
    EXPECT_EQ(cache.GetObjectForTime(T(1), 3), nullptr);
    ASSERT_TRUE(cache.CacheObject(&b, T(2), 3));
    cache.SetSize(1);
    EXPECT_FALSE(cache.ObjectIsCached(&a, -1));
}

TEST_F(Cache, DeletingReleasesAuxRecordsThroughTheSubclass) {
    int objects[4];
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(cache.CacheObject(&objects[i], T(static_cast<float>(i)), 0));
        cache.AttachAux(static_cast<float>(i));
    }
    cache.DeleteCacheAfter(T(1.5f));
    EXPECT_EQ(cache.PointCount(), 2);
    EXPECT_EQ(cache.released, 2);
    EXPECT_EQ(cache.GetObjectForTime(T(9), 0), &objects[1]);
    ASSERT_TRUE(cache.UncacheObject(&objects[1], T(1), 0));
    EXPECT_EQ(cache.released, 3) << "a redundant point goes with its aux record";
    cache.DeleteCache();
    EXPECT_EQ(cache.PointCount(), 0);
    EXPECT_EQ(cache.released, 4);
}

// The cursor only saves work: after any mix of changes, queries in any order answer as a
// scan from the first point does.
TEST(CacheCursor, AnswersDoNotDependOnTheOrderOfQueries) {
    std::vector<int> objects(6);
    TestCache cache(3);
    std::mt19937 random(7);
    auto pick = [&](unsigned n) { return static_cast<int>(random() % n); };
    for (int i = 0; i < 2000; ++i) {
        void* object = &objects[static_cast<std::size_t>(pick(6))];
        MCTime time(static_cast<float>(pick(40)) / 2);
        std::int32_t slot = pick(3);
        if (pick(3) != 0) {
            ASSERT_TRUE(cache.CacheObject(object, time, slot));
        } else {
            cache.UncacheObject(object, time, slot);
        }
        const auto points = cache.Points();
        for (std::size_t p = 0; p < points.size(); ++p) {
            ASSERT_TRUE(p == 0 ? points[p]->time == T(0) : points[p - 1]->time < points[p]->time);
            ASSERT_EQ(points[p]->objects.size(), 3u);
        }
        for (int q = 0; q < 4; ++q) {
            MCTime at(static_cast<float>(pick(90)) / 4);
            ASSERT_EQ(cache.GetObjectForTime(at, slot), cache.Scan(at, slot, false));
            ASSERT_EQ(cache.GetObjectBeforeTime(at, slot), cache.Scan(at, slot, true));
        }
    }
}

TEST_F(Cache, AllocationFailureLeavesTheCacheAsItWas) {
    ASSERT_TRUE(cache.CacheObject(&a, T(0), 0));
    ASSERT_TRUE(cache.CacheObject(&b, T(4), 0));
    test::ForEachAllocationFailure([&] { cache.CacheObject(&c, T(2), 0); },
                                   [&] {
                                       EXPECT_EQ(cache.PointCount(), 2);
                                       EXPECT_EQ(cache.GetObjectForTime(T(3), 0), &a);
                                   });
    EXPECT_EQ(cache.GetObjectForTime(T(3), 0), &c);
    EXPECT_EQ(cache.GetObjectForTime(T(4), 0), &b);
}

} // namespace
} // namespace clavenor
