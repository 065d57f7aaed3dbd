// Keys, clefs and transpositions: their fields, copies and records at every version, and
// the staff's clef/key cache kept right as they come, move and go, whatever their parents.

#include "support/AllocationFailure.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace clavenor {
namespace {

using test::Bytes;
using test::Counted;
using test::g_liveElements;
using test::X;

TEST(KeysAndClefs, FieldsKeepTheirBitsAndEachOther) {
    ECKey key(9, 2, 3);
    EXPECT_EQ(key.GetNumSharps(), 1);
    EXPECT_EQ(key.GetNumFlats(), 2);
    EXPECT_EQ(key.GetMode(), 1);
    EXPECT_EQ(key.GetHand(), 0);
    key.SetHand(3);
    key.SetNumFlats(15);
    EXPECT_EQ(key.GetHand(), 1);
    EXPECT_EQ(key.GetNumFlats(), 7);
    EXPECT_EQ(key.GetNumSharps(), 1);
    EXPECT_EQ(key.GetMode(), 1);
    EXPECT_EQ(key.GetFlags(), 0xF900u) << "sharps 1, flats 7, mode, hand";

    ECClef clef(0xFF);
    EXPECT_EQ(clef.GetClefType(), 0x7F);
    EXPECT_EQ(clef.GetHand(), 0);
    clef.SetHand(1);
    clef.SetClefType(2);
    EXPECT_EQ(clef.GetClefType(), 2);
    EXPECT_EQ(clef.GetHand(), 1);

    // Copies take the fields and the voice/track; equality ignores time and mirrors.
    MCTime one(1.0f);
    MCTime two(2.0f);
    clef.SetTime(&one);
    clef.SetVoiceTrack(3, 4);
    ECClef other;
    other.SetTime(&two);
    other.Copy(&clef);
    EXPECT_EQ(other, clef);
    EXPECT_EQ(*other.GetTime(), two);
    EXPECT_EQ(other.GetVoice(), 3);
    other.SetHand(0);
    EXPECT_NE(other, clef);
    EXPECT_EQ(*ECClef(clef).GetTime(), one);
    ECKey copy;
    copy.Copy(&key);
    EXPECT_EQ(copy, key);
    copy.SetMode(0);
    EXPECT_NE(copy, key);

    EXPECT_EQ(GetEventString(&clef), "Clef");
    EXPECT_EQ(GetClefString(200), "Clef");
    EXPECT_EQ(GetEventString(&key), "Key");
    for (int id : {EventId::Clef, EventId::Key, EventId::Transpose}) {
        std::unique_ptr<ECBase> made(CreateEvent(id));
        ASSERT_NE(made, nullptr);
        EXPECT_EQ(made->GetEventId(), id);
    }
}

TEST(KeysAndClefs, TranspositionsArePointsWithATypeAndALength) {
    ECTranspose plain;
    EXPECT_EQ(plain.GetTransposeType(), 0);
    EXPECT_EQ(*plain.GetDuration(), MCTime(4.0f));
    EXPECT_EQ(ECTranspose::HasDuration(77), 1);
    CArray<int, int> types;
    plain.GetParentTypes(types);
    EXPECT_EQ(std::vector<int>(types.GetData(), types.GetData() + 2), (std::vector<int>{22, 19}));

    ECTranspose shift(3, MCTime(2.0f));
    shift.SetValue(5.0f);
    MCTime at(8.0f);
    shift.SetTime(&at);
    ECTranspose copy(shift);
    EXPECT_EQ(copy, shift);
    EXPECT_EQ(*copy.GetTime(), at);
    ECTranspose assigned;
    assigned = shift;
    EXPECT_EQ(assigned.GetTransposeType(), 3);
    EXPECT_EQ(assigned.GetValue(), 5.0f);
    EXPECT_EQ(*assigned.GetDuration(), MCTime(4.0f)) << "assignment keeps the duration";
    EXPECT_NE(assigned, shift);

    // In a controller envelope, one point per time.
    ECControllerEnv envelope;
    auto* first = new ECTranspose(1, MCTime(1.0f));
    first->SetTime(&at);
    EXPECT_EQ(envelope.AddChild(first, 1), 1);
    auto* second = new ECTranspose(2, MCTime(1.0f));
    second->SetTime(&at);
    EXPECT_EQ(envelope.AddChild(second, 1), 0);
    delete second;
    EXPECT_EQ(envelope.GetPointAt(at), first);
    envelope.RemoveChildren(1);
}

TEST(KeysAndClefs, RecordsAtTheCurrentAndOlderVersions) {
    const std::string timed = "00 00 0000803F FF7F ";
    auto* key = new ECKey(3, 0, 1);
    key->SetHand(1);
    auto* clef = new ECClef(5);
    clef->SetHand(1);
    auto* shift = new ECTranspose(7, MCTime(2.0f));
    test::ExpectRecord(test::AtSeconds(key, 1.0f), "@ECKey " + timed + "C3");
    test::ExpectRecord(test::AtSeconds(clef, 1.0f), "@ECClef " + timed + "85");
    test::ExpectRecord(test::AtSeconds(shift, 1.0f),
                       "@ECTranspose " + timed + "00 FFFF7F7F 07 00 00000040");

    // Version 2: keys as a signed count, clefs as two bytes; the point before a transposition
    // holds neither flags nor value.
    test::ScopedVersion version(2);
    test::Load(X("@ECKey " + timed + "FDFF 0909  0180 " + timed + "0500 0000  " + "@ECClef " +
                 timed + "FF 03  @ECTranspose " + timed + "04 00 0000C03F"),
               [](CArchive& ar) {
                   ECKey* flats = nullptr;
                   ECKey* sharps = nullptr;
                   ECClef* clef = nullptr;
                   ECTranspose* shift = nullptr;
                   ar >> flats >> sharps >> clef >> shift;
                   EXPECT_EQ(flats->GetNumFlats(), 3);
                   EXPECT_EQ(flats->GetNumSharps(), 0);
                   EXPECT_EQ(flats->GetHand(), 0);
                   EXPECT_EQ(sharps->GetNumSharps(), 5);
                   EXPECT_EQ(sharps->GetNumFlats(), 0);
                   EXPECT_EQ(clef->GetClefType(), 0x7F);
                   EXPECT_EQ(clef->GetHand(), 1);
                   EXPECT_EQ(shift->GetTransposeType(), 4);
                   EXPECT_EQ(*shift->GetDuration(), MCTime(1.5f));
                   EXPECT_EQ(shift->IsAnchorHead(), 1);
               });
}

TEST(KeysAndClefs, MirrorsComeAndGoWithTheKey) {
    auto* key = new ECKey;
    ECMirror* mirror = new ECMirror;
    mirror->Ref();
    mirror->SetMirrorEvent(key, 1);
    EXPECT_EQ(test::Items(&key->GetMirrors()), std::vector<ECBase*>{mirror});
    EXPECT_EQ(ECKey(*key).GetMirrors().GetCount(), 0) << "a copy shows nothing";
    delete key;
    EXPECT_EQ(mirror->GetMirrorEvent(), nullptr);
    mirror->Unref(1);
}

// A staff with two measures (at 0 and 4) whose cache the tests read through the staff.
class StaffCache : public ::testing::Test {
protected:
    void TearDown() override {
        delete m_staff;
        EXPECT_EQ(g_liveElements, m_live);
    }
    ECMeasure* Bar(float time) {
        auto* bar = new Counted<ECMeasure>;
        test::SetSeconds(bar, time);
        return bar;
    }
    template <class T>
    T* At(T* mark, float time, int hand) {
        test::SetSeconds(mark, time);
        mark->SetHand(static_cast<std::uint8_t>(hand));
        return mark;
    }
    ECKey* KeyAt(float time, int hand) const {
        return m_staff->GetKeyAtTime(MCTime(time), static_cast<std::uint8_t>(hand));
    }
    ECClef* ClefAt(float time, int hand) const {
        return m_staff->GetClefAtTime(MCTime(time), static_cast<std::uint8_t>(hand));
    }

    int m_live = g_liveElements;
    ECStaff* m_staff = new Counted<ECStaff>;
    ECMeasure* m_first = test::Put(Bar(0.0f), m_staff);
    ECMeasure* m_second = test::Put(Bar(4.0f), m_staff, 1);
};

TEST_F(StaffCache, KeysEnterMoveAndLeaveForTheirHandOnly) {
    auto* key = At(new Counted<ECKey>(2, 0, 0), 4.0f, 1);
    EXPECT_EQ(m_second->AddChild(key, 1), 1);
    EXPECT_EQ(KeyAt(4.0f, 1), key);
    EXPECT_EQ(KeyAt(7.0f, 1), key);
    EXPECT_EQ(KeyAt(3.0f, 1), nullptr);
    EXPECT_EQ(KeyAt(5.0f, 0), nullptr);
    auto* early = At(new Counted<ECKey>, 1.0f, 0);
    ASSERT_EQ(m_first->AddChild(early, 1), 1);
    EXPECT_EQ(KeyAt(5.0f, 0), early);

    // Moving it changes the answers in between for its hand only.
    MCTime six(6.0f);
    key->SetTime(&six);
    EXPECT_EQ(KeyAt(5.0f, 1), nullptr);
    EXPECT_EQ(KeyAt(6.0f, 1), key);
    EXPECT_EQ(KeyAt(5.0f, 0), early);
    MCTime start, end;
    m_staff->GetKeyScope(key, start, end, 1);
    EXPECT_EQ(start, six);
    EXPECT_EQ(end, MCTime::TimeMax());

    EXPECT_EQ(m_second->RemoveChildren(1), 1);
    EXPECT_EQ(KeyAt(7.0f, 1), nullptr);
    EXPECT_EQ(KeyAt(7.0f, 0), early);

    // A measure brings its clefs and keys into the staff it joins, and takes them away.
    auto* bar = Bar(8.0f);
    auto* clef = At(new Counted<ECClef>(3), 8.0f, 0);
    ASSERT_EQ(bar->AddChild(clef, 1), 1);
    EXPECT_EQ(ClefAt(9.0f, 0), nullptr);
    ASSERT_EQ(m_staff->AddChild(bar, 1), 1);
    EXPECT_EQ(ClefAt(9.0f, 0), clef);
    EXPECT_EQ(m_staff->GetClefBeforeTime(MCTime(8.0f), 0), nullptr);
    bar->Ref();
    EXPECT_EQ(m_staff->RemoveChild(bar, 0), 1);
    EXPECT_EQ(ClefAt(9.0f, 0), nullptr);
    bar->RemoveChildren(1);
    bar->Unref(1);
}

// Whatever a caller did to a cached mark in place, it leaves the cache when it leaves the
// staff, so that the cache never keeps a pointer to an element that is gone.
TEST_F(StaffCache, MarksChangedInPlaceStillLeaveTheCache) {
    auto* clef = At(new Counted<ECClef>, 2.0f, 0);
    ASSERT_EQ(m_first->AddChild(clef, 1), 1);
    clef->SetHand(1); // without re-caching
    EXPECT_EQ(m_first->RemoveChild(clef, 0), 1);
    EXPECT_EQ(m_staff->GetCache()->EventIsCached(clef), 0);

    auto* key = At(new Counted<ECKey>, 5.0f, 0);
    ASSERT_EQ(m_second->AddChild(key, 1), 1);
    *key->GetTime() = MCTime(6.0f); // the time changed behind the cache's back
    EXPECT_EQ(m_staff->RemoveChild(m_second, 1), 1);
    EXPECT_EQ(KeyAt(5.5f, 0), nullptr);
    EXPECT_EQ(m_staff->GetCache()->EventIsCached(key), 0);
}

// Marks under parents their rules forbid (under a chord, in a measure in a measure) are never
// cached, and a second mark for a hand and time is not either.
TEST_F(StaffCache, OnlyTheMarksTheStaffTracksAreCached) {
    auto* inner = Bar(1.0f);
    auto* chordLike = new Counted<ECChord>;
    ASSERT_EQ(m_first->AddChild(chordLike, 1), 1);
    ASSERT_EQ(m_first->AddChild(inner, 1), 1);
    auto* underChord = At(new Counted<ECClef>, 1.0f, 0);
    auto* nested = At(new Counted<ECClef>, 2.0f, 0);
    ASSERT_EQ(chordLike->AddChild(underChord, 1), 1);
    ASSERT_EQ(chordLike->AddChild(new Counted<ECNote>, 1), 1);
    ASSERT_EQ(inner->AddChild(nested, 1), 1);
    EXPECT_EQ(ClefAt(3.0f, 0), nullptr);
    MCTime moved(3.0f);
    nested->SetTime(&moved);
    EXPECT_EQ(ClefAt(3.0f, 0), nullptr);
    m_staff->RebuildCache();
    EXPECT_EQ(ClefAt(3.0f, 0), nullptr);

    auto* first = At(new Counted<ECClef>(1), 4.0f, 0);
    auto* second = At(new Counted<ECClef>(2), 4.0f, 0);
    ASSERT_EQ(m_second->AddChild(first, 1), 1);
    ASSERT_EQ(m_second->AddChild(second, 1), 1);
    EXPECT_EQ(ClefAt(4.0f, 0), first);
    EXPECT_EQ(m_second->RemoveChild(second, 0), 1);
    EXPECT_EQ(ClefAt(4.0f, 0), first);
}

TEST_F(StaffCache, ACacheWithoutMemoryRefusesTheMarkAndChangesNothing) {
    auto* key = At(new Counted<ECKey>, 2.0f, 0);
    key->Ref();
    const int failures = test::ForEachAllocationFailure(
        [&] {
            if (m_first->AddChild(key, 1) == 0) {
                throw std::bad_alloc();
            }
        },
        [&] {
            EXPECT_TRUE(key->GetParents()->IsEmpty());
            EXPECT_EQ(KeyAt(3.0f, 0), nullptr);
        });
    EXPECT_GT(failures, 0);
    EXPECT_EQ(KeyAt(3.0f, 0), key);
    EXPECT_EQ(m_first->RemoveChild(key, 0), 1);
    auto* bar = Bar(8.0f);
    bar->Ref();
    ASSERT_EQ(bar->AddChild(key, 1), 1);
    EXPECT_GT(test::ForEachAllocationFailure(
                  [&] {
                      if (m_staff->AddChild(bar, 1) == 0) {
                          throw std::bad_alloc();
                      }
                  },
                  [&] {
                      EXPECT_TRUE(bar->GetParents()->IsEmpty());
                      EXPECT_EQ(KeyAt(9.0f, 0), nullptr);
                  }),
              0);
    EXPECT_EQ(KeyAt(9.0f, 0), key);
    key->Unref(1);
    bar->Unref(1);
}

// An importer links what it has just made and holds no reference on it: a refusal for want
// of memory must leave the mark alive and unlinked, for its maker to delete.
TEST_F(StaffCache, AMarkNobodyHoldsOutlivesItsRefusal) {
    for (ECWithChild* parent :
         {static_cast<ECWithChild*>(m_first), static_cast<ECWithChild*>(m_staff)}) {
        const int deaths = test::g_deaths;
        auto* key = At(new Counted<ECKey>, 2.0f, 0);
        const int failures = test::ForEachAllocationFailure(
            [&] {
                if (parent->AddChild(key, 1) == 0) {
                    throw std::bad_alloc();
                }
            },
            [&] {
                EXPECT_EQ(test::g_deaths, deaths);
                EXPECT_EQ(key->GetRefCount(), 0);
            });
        EXPECT_GT(failures, 0);
        EXPECT_EQ(parent->RemoveChild(key, 0), 1);
    }
}

} // namespace
} // namespace clavenor
