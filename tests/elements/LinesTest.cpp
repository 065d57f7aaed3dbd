// Groups and lines: the group type flags and their lifetime rules, ties, slurs, glissandi and
// beams with their members and their dissolution, what each refuses, and their records.

#include "support/AllocationFailure.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>

namespace clavenor {
namespace {

using test::Bytes;
using test::Counted;
using test::g_liveElements;
using test::Items;
using test::X;

class Lines : public ::testing::Test {
protected:
    void TearDown() override {
        delete m_staff;
        EXPECT_EQ(g_liveElements, m_live);
    }

    // A note at `time` in the measure.
    ECNote* Note(float time) {
        auto* note = new Counted<ECNote>(MCTime(time), MCTime(1.0f));
        EXPECT_EQ(m_measure->AddChild(note, 1), 1);
        return note;
    }
    ECRest* Rest(float time) {
        auto* rest = new Counted<ECRest>(8);
        MCTime at(time);
        rest->SetTime(&at);
        EXPECT_EQ(m_measure->AddChild(rest, 1), 1);
        return rest;
    }
    // A line of `members` in the staff (a beam in the measure).
    template <class Line>
    Line* Join(std::initializer_list<ECBase*> members) {
        auto* line = new Counted<Line>;
        for (ECBase* member : members) {
            EXPECT_EQ(line->AddChild(member, 1), 1);
        }
        EXPECT_EQ((line->GetEventId() == EventId::Beam ? static_cast<ECBase*>(m_measure) : m_staff)
                      ->AddChild(line, 1),
                  1);
        return line;
    }
    static bool InStaff(ECBase* element) { return !element->GetParents()->IsEmpty(); }

    int m_live = g_liveElements; // before the staff and the measure are made
    ECStaff* m_staff = new Counted<ECStaff>;
    ECMeasure* m_measure = [this] {
        auto* measure = new Counted<ECMeasure>;
        MCTime zero(0.0f);
        measure->SetTime(&zero);
        EXPECT_EQ(m_staff->AddChild(measure, 1), 1);
        return measure;
    }();
};

TEST_F(Lines, KindsTheirDefaultsCopiesAndNames) {
    struct Case {
        std::function<ECGroup*()> make;
        int id;
        int parent;
        std::uint8_t type;
        const char* name;
        bool madeById;
    };
    const Case cases[] = {
        {[] { return new ECGroup; }, 28, 55, 0, "Group", true},
        {[] { return new ECTie; }, 60, 55, 2, "Tie", true},
        {[] { return new ECSlur; }, 54, 55, 6, "Slur", true},
        {[] { return new ECGlissando; }, 26, 55, 6, "Glissando", false},
        {[] { return new ECBeam; }, 7, 32, 2, "Beam", true},
    };
    for (const Case& c : cases) {
        std::unique_ptr<ECGroup> line(c.make());
        SCOPED_TRACE(c.name);
        EXPECT_EQ(line->GetEventId(), c.id);
        EXPECT_EQ(line->GetGroupType(), c.type);
        EXPECT_EQ(test::ParentTypes(line.get()), std::vector<int>{c.parent});
        EXPECT_EQ(GetEventString(line.get()), c.name);
        EXPECT_EQ(ECGroup::AsGroup(line.get()), line.get());
        std::unique_ptr<ECBase> made(CreateEvent(c.id));
        EXPECT_EQ(made != nullptr, c.madeById);
        // A copy of a line whose type was changed to 5.
        line->SetGroupType(5);
        std::unique_ptr<ECGroup> copy(
            static_cast<ECGroup*>(line->GetRuntimeClass()->CreateObject()));
        copy->Copy(line.get());
        EXPECT_EQ(copy->GetGroupType(), 5) << "assignment copies the type";
        EXPECT_EQ(*copy, *line);
        copy->AddGroupType(8);
        EXPECT_NE(*copy, *line);
        EXPECT_EQ(copy->RemoveGroupType(9), 4);
        EXPECT_EQ(copy->HasType(6), 1);
        EXPECT_EQ(copy->HasType(1), 0);
    }
    // Copy construction: slurs, ties and glissandi start from their own type.
    ECSlur slur;
    slur.SetGroupType(2);
    EXPECT_EQ(ECSlur(slur).GetGroupType(), 6);
    ECTie tie;
    tie.SetGroupType(7);
    EXPECT_EQ(ECTie(tie).GetGroupType(), 2);
    ECGlissando glissando;
    glissando.SetGroupType(1);
    EXPECT_EQ(ECGlissando(glissando).GetGroupType(), 6);
    ECBeam beam;
    beam.SetGroupType(9);
    EXPECT_EQ(ECBeam(beam).GetGroupType(), 9);
    ECGroup group(3);
    EXPECT_EQ(ECGroup(group).GetGroupType(), 3);
}

// Told by event id where one answers, by a cast for the kinds of a host.
TEST_F(Lines, WhatIsAGroup) {
    struct Bracket : ECGroup {
        int GetEventId() const override { return EventId::Base; }
    };
    Bracket bracket;
    EXPECT_EQ(ECGroup::AsGroup(&bracket), &bracket);
    ECRest* rest = Rest(1.0f);
    for (ECBase* other : {static_cast<ECBase*>(Note(1.0f)), static_cast<ECBase*>(rest),
                          static_cast<ECBase*>(m_measure), static_cast<ECBase*>(m_staff)}) {
        EXPECT_EQ(ECGroup::AsGroup(other), nullptr) << other->GetEventId();
    }
    EXPECT_EQ(ECGroup::AsGroup(nullptr), nullptr);
}

TEST_F(Lines, ATieGoesWithItsLastNoteWhicheverGoesFirst) {
    for (int first : {0, 1}) {
        ECNote* notes[] = {Note(1.0f), Note(2.0f)};
        auto* tie = Join<ECTie>({notes[0], notes[1]});
        tie->Ref();
        EXPECT_EQ(notes[first]->RemoveFromParents(), 1);
        EXPECT_TRUE(InStaff(tie));
        EXPECT_EQ(Items(tie->GetChildren()), std::vector<ECBase*>{notes[1 - first]});
        notes[1 - first]->Ref();
        EXPECT_EQ(m_measure->RemoveChild(notes[1 - first], 0), 1);
        EXPECT_TRUE(InStaff(tie)) << "the note left its measure, not the tie";
        EXPECT_EQ(tie->RemoveChild(notes[1 - first], 0), 1);
        EXPECT_FALSE(InStaff(tie));
        EXPECT_TRUE(tie->GetChildren()->IsEmpty());
        EXPECT_TRUE(tie->GetReleasedMembers().IsEmpty()) << "nothing was let go of";
        notes[1 - first]->Unref(1);
        tie->Unref(1);
    }
    EXPECT_EQ(g_liveElements, m_live + 2);
}

// A slur that a group let go of, with the group's record its last holder: forgetting the
// record takes the slur apart (it and its members would keep each other alive), unless the
// host holds the slur.
TEST_F(Lines, AForgottenRecordTakesApartWhatOnlyItHeld) {
    for (bool hostHolds : {false, true}) {
        ECNote* inMeasure[] = {Note(1.0f), Note(2.0f)};
        const int before = g_liveElements;
        auto* slur = new Counted<ECSlur>;
        auto* onlyInSlur = new Counted<ECNote>(MCTime(3.0f), MCTime(1.0f));
        ECBase* members[] = {inMeasure[0], inMeasure[1], onlyInSlur};
        for (ECBase* member : members) {
            ASSERT_EQ(slur->AddChild(member, 1), 1);
        }
        auto* group = new Counted<ECGroup>(ECGroup::TypeReleaseWhenDetached);
        ASSERT_EQ(group->AddChild(slur, 0), 1);
        ASSERT_EQ(m_staff->AddChild(group, 1), 1);
        if (hostHolds) {
            slur->Ref();
        }
        // The group lets go of the slur, which locks itself; then the group goes, record and all.
        EXPECT_EQ(m_staff->RemoveChild(group, 0), 1);
        if (!hostHolds) {
            EXPECT_EQ(g_liveElements, before);
            for (ECNote* note : inMeasure) {
                EXPECT_EQ(Items(note->GetParents()), std::vector<ECBase*>{m_measure});
            }
            continue;
        }
        EXPECT_EQ(g_liveElements, before + 2);
        EXPECT_EQ(slur->GetChildren()->GetCount(), 3) << "the host's slur keeps its members";
        slur->RemoveChildren(1);
        slur->Unref(1);
    }
}

TEST_F(Lines, LinesLetGoOfTheMembersTheyNoLongerNeedAndKeepARecordOfThem) {
    // A slur of a note and a rest: losing the rest leaves one member, so the slur lets go of
    // the note too and leaves its staff; the note stays in its measure.
    ECNote* note = Note(1.0f);
    ECRest* rest = Rest(2.0f);
    auto* slur = Join<ECSlur>({note, rest});
    slur->Ref();
    EXPECT_EQ(rest->RemoveFromParents(), 1);
    EXPECT_FALSE(InStaff(slur));
    EXPECT_TRUE(slur->GetChildren()->IsEmpty());
    EXPECT_EQ(slur->HasType(ECGroup::TypeLocked), 1) << "a detached slur keeps what it has";
    EXPECT_EQ(Items(&slur->GetReleasedMembers()), std::vector<ECBase*>{note});
    EXPECT_EQ(Items(note->GetParents()), std::vector<ECBase*>{m_measure});
    MCEventList taken;
    slur->TakeReleasedMembers(taken);
    EXPECT_EQ(Items(&taken), std::vector<ECBase*>{note});
    EXPECT_TRUE(slur->GetReleasedMembers().IsEmpty());
    taken.RemoveAll();
    slur->Unref(1);

    // A slur of a rest, a chord and a note goes on while a note and another member remain;
    // the chord is no note.
    auto* chord = new Counted<ECChord>;
    MCTime two(2.0f);
    chord->SetTime(&two);
    ASSERT_EQ(chord->AddChild(new Counted<ECNote>(two, MCTime(1.0f)), 1), 1);
    ASSERT_EQ(m_measure->AddChild(chord, 1), 1);
    ECNote* last = Note(3.0f);
    auto* long_ = Join<ECSlur>({Rest(1.0f), chord, last});
    EXPECT_EQ(long_->RemoveChild(long_->GetChildren()->GetHead(), 0), 1);
    EXPECT_TRUE(InStaff(long_));
    long_->Ref();
    EXPECT_EQ(last->RemoveFromParents(), 1);
    EXPECT_FALSE(InStaff(long_)) << "no note left";
    EXPECT_EQ(Items(&long_->GetReleasedMembers()), std::vector<ECBase*>{chord});

    // Linked under a parent again, a group drops its record.
    EXPECT_EQ(m_staff->AddChild(long_, 1), 1);
    EXPECT_EQ(long_->HasType(ECGroup::TypeLocked), 0);
    EXPECT_TRUE(long_->GetReleasedMembers().IsEmpty());
    long_->Unref(1);

    // A glissando is a tie that may cross staves; a beam goes with its last member.
    ECNote* from = Note(4.0f);
    auto* glissando = Join<ECGlissando>({from, Note(5.0f)});
    glissando->Ref();
    from->RemoveFromParents();
    EXPECT_TRUE(InStaff(glissando));
    glissando->RemoveChildren(0);
    EXPECT_FALSE(InStaff(glissando));
    glissando->Unref(1);
    ECNote* beamed = Note(6.0f);
    auto* beam = Join<ECBeam>({beamed, Rest(6.5f)});
    beam->Ref();
    EXPECT_EQ(beam->RemoveChild(beam->GetChildren()->GetTail(), 0), 1);
    EXPECT_TRUE(InStaff(beam));
    beamed->RemoveFromParents();
    EXPECT_FALSE(InStaff(beam));
    EXPECT_TRUE(beam->GetReleasedMembers().IsEmpty());
    beam->Unref(1);
}

TEST_F(Lines, TheGroupTypeFlagsRuleTheGroupsLife) {
    // Type 4: locked while it has no parent; a locked group keeps its members.
    auto* group = new Counted<ECGroup>(ECGroup::TypeLockWhenDetached);
    ECNote* a = Note(1.0f);
    ECNote* b = Note(2.0f);
    ASSERT_EQ(group->AddChild(a, 1), 1);
    ASSERT_EQ(group->AddChild(b, 1), 1);
    ASSERT_EQ(m_staff->AddChild(group, 1), 1);
    EXPECT_EQ(group->GetGroupType(), ECGroup::TypeLockWhenDetached);
    group->Ref();
    EXPECT_EQ(group->RemoveFromParents(), 1);
    EXPECT_EQ(group->HasType(ECGroup::TypeLocked), 1);
    EXPECT_EQ(group->RemoveChild(a, 0), 0);
    EXPECT_EQ(group->RemoveChildren(0), 0);
    EXPECT_EQ(a->RemoveFromParents(), 1) << "the measure lets it go, the group does not";
    EXPECT_EQ(Items(a->GetParents()), std::vector<ECBase*>{group});
    ASSERT_EQ(m_staff->AddChild(group, 1), 1);
    EXPECT_EQ(group->HasType(ECGroup::TypeLocked), 0);
    EXPECT_EQ(group->RemoveChild(a, 0), 1);

    // Type 1: the members go when the last parent does, into the record.
    group->SetGroupType(ECGroup::TypeReleaseWhenDetached);
    group->RemoveFromParents();
    EXPECT_TRUE(group->GetChildren()->IsEmpty());
    EXPECT_EQ(Items(&group->GetReleasedMembers()), std::vector<ECBase*>{b});

    // Type 2: the last member's going takes the group out of its parents, by either call.
    group->SetGroupType(ECGroup::TypeDissolveWhenEmpty);
    ASSERT_EQ(m_staff->AddChild(group, 1), 1);
    ASSERT_EQ(group->AddChild(b, 1), 1);
    EXPECT_EQ(group->RemoveChild(b, 0), 1);
    EXPECT_FALSE(InStaff(group));
    ASSERT_EQ(m_staff->AddChild(group, 1), 1);
    ASSERT_EQ(group->AddChild(b, 1), 1);
    group->RemoveChildren(0);
    EXPECT_FALSE(InStaff(group));

    // A locked group is torn down with whatever holds it: a deep removal is not refused.
    group->SetGroupType(ECGroup::TypeLocked);
    ASSERT_EQ(group->AddChild(b, 1), 1);
    EXPECT_EQ(group->RemoveChildren(1), 1);
    EXPECT_TRUE(group->GetChildren()->IsEmpty());
    group->Unref(1);
}

TEST_F(Lines, MembersAreNotesChordsAndRestsOfOneStaffAndATieTiesTwo) {
    ECNote* a = Note(1.0f);
    ECNote* b = Note(2.0f);
    ECRest* rest = Rest(3.0f);
    auto* otherStaff = new Counted<ECStaff>;
    auto* otherMeasure = new Counted<ECMeasure>;
    ASSERT_EQ(otherStaff->AddChild(otherMeasure, 1), 1);
    auto* elsewhere = new Counted<ECNote>(MCTime(2.0f), MCTime(1.0f));
    ASSERT_EQ(otherMeasure->AddChild(elsewhere, 1), 1);
    ECAccent accent;

    auto* tie = Join<ECTie>({a});
    EXPECT_EQ(tie->AddChild(rest, 1), 0);
    EXPECT_EQ(tie->AddChild(&accent, 1), 0);
    EXPECT_EQ(tie->AddChild(elsewhere, 1), 0) << "another staff";
    EXPECT_EQ(tie->AddChild(b, 1), 1);
    EXPECT_EQ(tie->AddChild(Note(4.0f), 1), 0) << "a third note";
    tie->Ref();
    tie->RemoveFromParents();
    EXPECT_EQ(otherStaff->AddChild(tie, 1), 0) << "its notes are in this staff";
    EXPECT_EQ(m_staff->AddChild(tie, 1), 1);
    tie->Unref(1);

    // A tie not yet in a staff compares its notes with each other.
    auto* loose = new Counted<ECTie>;
    EXPECT_EQ(loose->AddChild(elsewhere, 1), 1);
    EXPECT_EQ(loose->AddChild(a, 1), 0);
    loose->RemoveChildren(1);
    delete loose;

    for (ECGroup* line : std::initializer_list<ECGroup*>{new ECSlur, new ECBeam}) {
        EXPECT_EQ(line->AddChild(&accent, 1), 0);
        EXPECT_EQ(line->AddChild(rest, 1), 1);
        EXPECT_EQ(line->AddChild(elsewhere, 1), 1) << "slurs and beams may cross staves";
        line->RemoveChildren(0);
        delete line;
    }
    auto* glissando = new ECGlissando;
    EXPECT_EQ(glissando->AddChild(rest, 1), 0);
    EXPECT_EQ(glissando->AddChild(elsewhere, 1), 1);
    EXPECT_EQ(glissando->AddChild(b, 1), 1);
    EXPECT_EQ(glissando->AddChild(a, 1), 0);
    glissando->RemoveChildren(0);
    delete glissando;
    delete otherStaff;
}

// Removal must need no memory: a failed command takes removals back.
TEST_F(Lines, DissolvingNeedsNoMemory) {
    ECNote* a = Note(1.0f);
    ECNote* b = Note(2.0f);
    ECRest* rest = Rest(3.0f);
    auto* tie = Join<ECTie>({a, b});
    auto* slur = Join<ECSlur>({a, rest});
    auto* beam = Join<ECBeam>({a, b, rest});
    for (ECBase* line :
         {static_cast<ECBase*>(tie), static_cast<ECBase*>(slur), static_cast<ECBase*>(beam)}) {
        line->Ref();
    }
    a->Ref();
    {
        test::FailNthAllocation failure(1);
        EXPECT_EQ(a->RemoveFromParents(), 1);
        EXPECT_EQ(b->RemoveFromParents(), 1);
        EXPECT_FALSE(failure.Triggered());
    }
    EXPECT_FALSE(InStaff(tie));
    EXPECT_FALSE(InStaff(slur));
    EXPECT_TRUE(InStaff(beam));
    EXPECT_EQ(Items(&slur->GetReleasedMembers()), std::vector<ECBase*>{rest});
    for (ECBase* element : {static_cast<ECBase*>(tie), static_cast<ECBase*>(slur),
                            static_cast<ECBase*>(beam), static_cast<ECBase*>(a)}) {
        element->Unref(1);
    }
}

// What a group promises ahead of a removal (KeepsMembersWithout) must be what its rules do
// when the members go: for one member leaving, exactly; for one more after it, never a
// promise the rules break.
TEST_F(Lines, AGroupForeseesWhetherItKeepsItsMembers) {
    struct Case {
        const char* what;
        std::function<ECGroup*()> make;
        const char* members; // n: note, r: rest, c: chord
    };
    // A kind of a host, with a rule of its own that the plain group's does not know.
    struct Trio : ECGroup {
        Trio() : ECGroup(TypeDissolveWhenEmpty) {}
        bool HoldsEnoughMembers() override { return GetChildren()->GetCount() >= 3; }
    };
    const Case cases[] = {
        {"a slur of two notes", [] { return new ECSlur; }, "nn"},
        {"a slur of three notes", [] { return new ECSlur; }, "nnn"},
        {"a slur of a note and rests", [] { return new ECSlur; }, "rnr"},
        {"a slur of chords and a note", [] { return new ECSlur; }, "cnc"},
        {"a slur of notes and a rest", [] { return new ECSlur; }, "nrn"},
        {"a tie", [] { return new ECTie; }, "nn"},
        {"a tie of one note", [] { return new ECTie; }, "n"},
        {"a glissando", [] { return new ECGlissando; }, "nn"},
        {"a beam", [] { return new ECBeam; }, "nrc"},
        {"a beam of one note", [] { return new ECBeam; }, "n"},
        {"a plain group", [] { return new ECGroup(ECGroup::TypeDissolveWhenEmpty); }, "nr"},
        {"a plain group of one rest", [] { return new ECGroup(ECGroup::TypeDissolveWhenEmpty); },
         "r"},
    };
    float at = 0.0f;
    auto member = [&](char kind) -> ECBase* {
        at += 1.0f;
        if (kind == 'n') {
            return Note(at);
        }
        if (kind == 'r') {
            return Rest(at);
        }
        auto* chord = new Counted<ECChord>;
        MCTime time(at);
        chord->SetTime(&time);
        EXPECT_EQ(chord->AddChild(new Counted<ECNote>(time, MCTime(1.0f)), 1), 1);
        EXPECT_EQ(m_measure->AddChild(chord, 1), 1);
        return chord;
    };
    // The group of the case, linked with its members and held by the test.
    auto build = [&](const Case& c, std::vector<ECBase*>& members) {
        ECGroup* group = c.make();
        members.clear();
        for (const char* kind = c.members; *kind != '\0'; ++kind) {
            members.push_back(member(*kind));
            EXPECT_EQ(group->AddChild(members.back(), 1), 1) << c.what;
        }
        EXPECT_EQ((group->GetEventId() == EventId::Beam ? static_cast<ECBase*>(m_measure) : m_staff)
                      ->AddChild(group, 1),
                  1);
        group->Ref();
        return group;
    };
    // Whether the group still holds every member but those gone, and its parent.
    auto kept = [](ECGroup* group, const std::vector<ECBase*>& members,
                   std::initializer_list<ECBase*> gone) {
        std::vector<ECBase*> left;
        for (ECBase* m : members) {
            if (std::find(gone.begin(), gone.end(), m) == gone.end()) {
                left.push_back(m);
            }
        }
        return InStaff(group) && Items(group->GetChildren()) == left;
    };
    std::vector<ECBase*> members;
    for (const Case& c : cases) {
        const std::size_t count = std::strlen(c.members);
        for (std::size_t i = 0; i < count; ++i) {
            ECGroup* group = build(c, members);
            const bool promised = group->KeepsMembersWithout(members[i], 0);
            EXPECT_EQ(group->RemoveChild(members[i], 0), 1);
            EXPECT_EQ(promised, kept(group, members, {members[i]}))
                << c.what << ", member " << i << " leaving";
            group->Unref(1);
            for (std::size_t k = 0; k < count; ++k) {
                if (k == i) {
                    continue;
                }
                group = build(c, members);
                if (group->KeepsMembersWithout(members[i], 1)) {
                    EXPECT_EQ(group->RemoveChild(members[i], 0), 1);
                    EXPECT_EQ(group->RemoveChild(members[k], 0), 1);
                    EXPECT_TRUE(kept(group, members, {members[i], members[k]}))
                        << c.what << ", members " << i << " and " << k << " leaving";
                }
                group->Unref(1);
            }
        }
        ECGroup* group = build(c, members);
        EXPECT_EQ(group->KeepsMembersWithout(nullptr, 0), !members.empty()) << c.what;
        EXPECT_FALSE(group->KeepsMembersWithout(nullptr, count)) << c.what;
        group->Unref(1);
    }
    // Four members would do for a plain group; a host's kind is not trusted with its rules.
    std::vector<ECBase*> four;
    auto* trio = new Counted<Trio>;
    for (char kind : {'n', 'n', 'n', 'n'}) {
        four.push_back(member(kind));
        ASSERT_EQ(trio->AddChild(four.back(), 1), 1);
    }
    ASSERT_EQ(m_staff->AddChild(trio, 1), 1);
    EXPECT_FALSE(trio->KeepsMembersWithout(four[0], 0));
}

// What a group promises ahead of its own removal (KeepsMembersWhenDetached) must be what
// its rules do when it leaves its parents.
TEST_F(Lines, AGroupForeseesWhetherItKeepsItsMembersWhenItLeavesItsParents) {
    using Make = ECGroup* (*)();
    const std::pair<const char*, Make> cases[] = {
        {"a slur", []() -> ECGroup* { return new ECSlur; }},
        {"a tie", []() -> ECGroup* { return new ECTie; }},
        {"a glissando", []() -> ECGroup* { return new ECGlissando; }},
        {"a beam", []() -> ECGroup* { return new ECBeam; }},
        {"a plain group", [] { return new ECGroup(ECGroup::TypeDissolveWhenEmpty); }},
        {"a plain group of type 1", [] { return new ECGroup(ECGroup::TypeReleaseWhenDetached); }},
        {"a plain group of types 1 and 4",
         [] {
             return new ECGroup(ECGroup::TypeReleaseWhenDetached | ECGroup::TypeLockWhenDetached);
         }},
        {"a beam given type 1",
         []() -> ECGroup* {
             auto* beam = new ECBeam;
             beam->AddGroupType(ECGroup::TypeReleaseWhenDetached);
             return beam;
         }},
    };
    float at = 0.0f;
    for (const auto& [what, make] : cases) {
        ECGroup* group = make();
        for (int i = 0; i < 2; ++i) {
            at += 1.0f;
            ASSERT_EQ(group->AddChild(Note(at), 1), 1) << what;
        }
        ASSERT_EQ((group->GetEventId() == EventId::Beam ? static_cast<ECBase*>(m_measure) : m_staff)
                      ->AddChild(group, 1),
                  1)
            << what;
        group->Ref();
        const bool promised = group->KeepsMembersWhenDetached();
        group->RemoveFromParents();
        EXPECT_EQ(promised, group->GetChildren()->GetCount() == 2) << what;
        // Nothing reaches a detached group but this test and its members.
        group->ReleaseOuterHold();
    }
    // A kind of a host is not trusted with the plain group's rules, which it may not follow.
    struct Kept : ECGroup {};
    auto* kept = new Counted<Kept>;
    ASSERT_EQ(m_staff->AddChild(kept, 1), 1);
    EXPECT_FALSE(kept->KeepsMembersWhenDetached());
}

TEST(LineRecords, BytesAtEveryVersion) {
    const std::string timeless = "00 00 FFFF7FFF FF7F ";
    const std::pair<ECBase*, std::string> cases[] = {
        {new ECGroup(5), "@ECGroup " + timeless + "05"},
        {new ECTie, "@ECTie " + timeless + "02"},
        {new ECSlur, "@ECSlur " + timeless + "06"},
        {new ECGlissando, "@ECGlissando " + timeless + "06"},
        {new ECBeam, "@ECBeam " + timeless + "02"},
    };
    for (const auto& [line, expected] : cases) {
        test::ExpectRecord(line, expected);
    }
    // A slur with its members; a locked slur of type 4 is read unlocked (it is read into a
    // parent's list); version 2 holds no group type.
    ECSlur slur;
    auto* note = new ECNote(MCTime(1.0f), MCTime(1.0f));
    ASSERT_EQ(slur.AddChild(note, 0), 1);
    EXPECT_EQ(test::Store([&](CArchive& ar) { ar << &slur; }),
              X("@ECSlur 02 0100 @ECNote 00 00 0000803F FF7F 00 0000803F  00 FFFF7FFF FF7F 06"));
    slur.RemoveChildren(1);
    test::Load(X("@ECSlur " + timeless + "0E"), [](CArchive& ar) {
        auto* back = static_cast<ECGroup*>(ar.ReadObject(nullptr));
        EXPECT_EQ(back->GetGroupType(), 6);
    });
    test::Load(X("@ECTie " + timeless + "0A"), [](CArchive& ar) {
        auto* back = static_cast<ECGroup*>(ar.ReadObject(nullptr));
        EXPECT_EQ(back->GetGroupType(), 10) << "no type 4";
    });
    test::ScopedVersion version(2);
    test::Load(X("@ECGroup " + timeless + "@ECTie " + timeless), [](CArchive& ar) {
        ECGroup* group = nullptr;
        ECTie* tie = nullptr;
        ar >> group >> tie;
        EXPECT_EQ(group->GetGroupType(), 0);
        EXPECT_EQ(tie->GetGroupType(), 2) << "the tie's own";
    });
}

} // namespace
} // namespace clavenor
