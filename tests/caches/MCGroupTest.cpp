// The staff group table: placeholders, groups and nested groups as tracks come and go, and its
// record with the upgrade of version-2 documents.

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace clavenor {
namespace {

// The entries in use, in table order, as "first-last:kind#id".
std::string Describe(MCGroup::Table& table) {
    std::string out;
    for (int i = 0; i < table.GetSize(); ++i) {
        const tag_group& e = table[i];
        if (e.IsUsed() == 0) {
            continue;
        }
        if (!out.empty()) {
            out += ' ';
        }
        out += std::to_string(e.GetFirst());
        out += '-';
        out += std::to_string(e.GetLast());
        out += ':';
        out += std::to_string(e.GetKind());
        out += '#';
        out += std::to_string(e.GetId());
    }
    return out;
}

// Three tracks, each with its placeholder in both tables.
class GroupTable : public ::testing::Test {
protected:
    GroupTable() {
        for (int track = 0; track < 3; ++track) {
            group.InsertTrack(track, tag_group::KindPlaceholder);
        }
    }
    std::string Primary() { return Describe(group.GetPrimaryGroup()); }
    std::string Secondary() { return Describe(group.GetSecondaryGroup()); }

    MCGroup group;
};

TEST_F(GroupTable, PlaceholdersTakeAlternateIds) {
    EXPECT_EQ(Primary(), "0-0:2#0 1-1:2#2 2-2:2#4");
    EXPECT_EQ(Secondary(), "0-0:2#1 1-1:2#3 2-2:2#5");
    // A new entry made by growth carries barEntire.
    EXPECT_EQ(group.IsBarEntireGroup(4), 1);
    EXPECT_EQ(group.IsBarEntireGroup(99), 0);
}

TEST_F(GroupTable, GroupingNestingAndRemoval) {
    int id = -1;
    ASSERT_EQ(group.GroupTracks(0, 1, 0, id), 1);
    EXPECT_EQ(id, 0);
    int first = -1;
    int last = -1;
    int kind = -1;
    ASSERT_EQ(group.GetGroupInfo(0, first, last, kind), 1);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 1);
    EXPECT_EQ(kind, 0);

    // Refused, changing nothing: a reversed range and one across the group's edge.
    const std::string before = Primary() + " / " + Secondary();
    EXPECT_EQ(group.GroupTracks(2, 1, 0, id), 0);
    EXPECT_EQ(group.GroupTracks(1, 2, 0, id), 0);
    EXPECT_EQ(Primary() + " / " + Secondary(), before);

    // A range inside the group nests in the secondary table; kind 1 over the same range too.
    int nested = -1;
    ASSERT_EQ(group.GroupTracks(1, 1, 3, nested), 1);
    EXPECT_EQ(Secondary(), "0-0:2#1 1-1:3#2 2-2:2#5");
    EXPECT_EQ(group.GetGroupInfo(nested, first, last, kind), 1);
    EXPECT_EQ(kind, 3);

    group.SetBarEntireGroup(0, 0);
    EXPECT_EQ(group.IsBarEntireGroup(0), 0);

    // Removing the outer group takes the nested one with it and restores the placeholders.
    EXPECT_EQ(group.RemoveGroup(0), 1);
    EXPECT_EQ(Secondary(), "0-0:2#1 2-2:2#5");
    EXPECT_EQ(Primary(), "0-0:2#0 1-1:2#2 2-2:2#4");
    EXPECT_EQ(group.RemoveGroup(0) + group.RemoveGroup(77), 1);
}

TEST_F(GroupTable, TracksComingAndGoingInsideAGroup) {
    int id = -1;
    group.GroupTracks(0, 1, 0, id);
    group.InsertTrack(1, 2);
    EXPECT_EQ(Primary(), "0-2:0#0 3-3:2#4");
    group.RemoveTrack(1);
    EXPECT_EQ(Primary(), "0-1:0#0 2-2:2#4");
    // A track inserted where a placeholder starts goes before it.
    group.InsertTrack(2, 2);
    EXPECT_EQ(Primary(), "0-1:0#0 2-2:2#2 3-3:2#4");
    group.RemoveTrack(3);
    EXPECT_EQ(Primary(), "0-1:0#0 2-2:2#2");
}

TEST_F(GroupTable, Record) {
    int id = -1;
    group.GroupTracks(0, 1, 1, id);
    const test::Bytes bytes = test::Store([&](CArchive& ar) { group.Serialize(ar, -1); });
    MCGroup loaded;
    test::Load(bytes, [&](CArchive& ar) { loaded.Serialize(ar, ECPerformance::LatestLayout); });
    EXPECT_EQ(Describe(loaded.GetPrimaryGroup()), Primary());
    EXPECT_EQ(Describe(loaded.GetSecondaryGroup()), Secondary());
    EXPECT_EQ(loaded.GetPrimaryGroup().GetSize(), group.GetPrimaryGroup().GetSize());

    // Version 2 had neither ids nor barEntire: both come from the positions.
    const test::Bytes old = test::X("0200 00000400 01010400 0100 02020400");
    test::Load(old, [&](CArchive& ar) { loaded.Serialize(ar, 2); });
    EXPECT_EQ(Describe(loaded.GetPrimaryGroup()), "0-0:0#0 1-1:0#1");
    EXPECT_EQ(Describe(loaded.GetSecondaryGroup()), "2-2:0#2");
    EXPECT_EQ(loaded.IsBarEntireGroup(2), 1);
}

} // namespace
} // namespace clavenor
