// Lines read from damaged documents: members of a kind the line refuses, too many members,
// members of another staff and lines short of the members they need are let go or dissolve
// as removals would make them, leaving every element's links consistent.

#include "support/Score.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace clavenor {
namespace {

// A class tag of the archive (new class, schema 2) naming `name`.
std::vector<std::uint8_t> ClassTag(const std::string& name) { return test::X("@" + name); }

// Every element reachable downwards from `root`, each once.
std::vector<ECBase*> Reachable(ECBase* root) {
    std::vector<ECBase*> found{root};
    for (std::size_t i = 0; i < found.size(); ++i) {
        if (MCEventList* children = found[i]->GetChildren()) {
            for (ECBase* child : *children) {
                if (std::find(found.begin(), found.end(), child) == found.end()) {
                    found.push_back(child);
                }
            }
        }
    }
    return found;
}

struct Case {
    const char* name;
    const char* kind; // the class the stored plain group is renamed to
    std::uint8_t type;
    bool inMeasure; // beams live in a measure, the other lines in the staff
    // Fills the group with members; `measure` and `other` are measures of two staves.
    std::function<void(ECGroup&, ECMeasure& measure, ECMeasure& other)> fill;
    std::int32_t kept; // members left; a line left with none is gone from its parent
};

// A note (a rest, a repeat, an empty chord) in `measure` at `time`.
ECBase* Put(ECMeasure& measure, ECBase* element, float time) {
    MCTime at(time);
    element->SetTime(&at);
    EXPECT_EQ(measure.AddChild(element, 1), 1);
    return element;
}
ECBase* NoteIn(ECMeasure& measure, float time) {
    return Put(measure, new ECNote(MCTime(time), MCTime(1.0f)), time);
}
ECBase* RestIn(ECMeasure& measure, float time) { return Put(measure, new ECRest(8), time); }

void Join(ECGroup& group, std::initializer_list<ECBase*> members) {
    for (ECBase* member : members) {
        ASSERT_EQ(group.AddChild(member, 0), 1);
    }
}

class LoadedLines : public test::Score, public ::testing::WithParamInterface<Case> {};

TEST_P(LoadedLines, AreRepairedAsRemovalsWouldLeaveThem) {
    const Case& c = GetParam();
    auto* other = new ECStaff;
    ASSERT_EQ(m_doc->GetChildren()->GetHead()->AddChild(other, 1), 1);
    auto* otherBar = new ECMeasure;
    MCTime zero(0.0f);
    otherBar->SetTime(&zero);
    ASSERT_EQ(other->AddChild(otherBar, 1), 1);
    auto* group = new ECGroup(c.type);
    c.fill(*group, *m_measure, *otherBar);
    ASSERT_EQ((c.inMeasure ? static_cast<ECBase*>(m_measure) : m_staff)->AddChild(group, 1), 1);

    const std::vector<ECBase*> before = Reachable(m_doc.get());
    const auto stored = static_cast<std::int32_t>(std::count_if(
        before.begin(), before.end(), [](ECBase* e) { return e->GetEventId() == EventId::Note; }));
    std::vector<std::uint8_t> bytes = Bytes();
    const std::vector<std::uint8_t> from = ClassTag("ECGroup");
    const std::vector<std::uint8_t> to = ClassTag(c.kind);
    auto at = std::search(bytes.begin(), bytes.end(), from.begin(), from.end());
    ASSERT_NE(at, bytes.end());
    ASSERT_EQ(std::search(at + 1, bytes.end(), from.begin(), from.end()), bytes.end());
    at = bytes.erase(at, at + static_cast<long>(from.size()));
    bytes.insert(at, to.begin(), to.end());

    std::unique_ptr<ECPerformance> loaded(
        fuzz::Load(bytes.data(), bytes.size(), ECPerformance::WriteVersion));
    const std::vector<ECBase*> elements = Reachable(loaded.get());
    ECGroup* line = nullptr;
    std::int32_t notes = 0;
    for (ECBase* element : elements) {
        if (auto* g = dynamic_cast<ECGroup*>(element)) {
            line = g;
        }
        notes += element->GetEventId() == EventId::Note ? 1 : 0;
        // Each link is listed at both ends.
        for (ECBase* parent : *element->GetParents()) {
            EXPECT_NE(parent->GetChildren()->Find(element), nullptr);
        }
        if (MCEventList* children = element->GetChildren()) {
            for (ECBase* child : *children) {
                EXPECT_NE(child->GetParents()->Find(element), nullptr);
            }
        }
    }
    EXPECT_EQ(notes, stored) << "notes stay in their measures";
    if (c.kept == 0) {
        EXPECT_EQ(line, nullptr) << "dissolved";
        return;
    }
    ASSERT_NE(line, nullptr);
    EXPECT_STREQ(line->GetRuntimeClass()->m_lpszClassName, c.kind);
    EXPECT_EQ(line->GetChildren()->GetCount(), c.kept);
}

const Case kCases[] = {
    {"TieKeepsTwoNotes", "ECTie", 2, false,
     [](ECGroup& g, ECMeasure& m, ECMeasure&) {
         Join(g, {NoteIn(m, 0), NoteIn(m, 1)});
     },
     2},
    {"TieLetsARepeatGo", "ECTie", 2, false,
     [](ECGroup& g, ECMeasure& m, ECMeasure&) {
         Join(g, {Put(m, new ECRepeat(1), 0), NoteIn(m, 1)});
     },
     1},
    {"TieOfAnEmptyChordDissolves", "ECTie", 2, false,
     [](ECGroup& g, ECMeasure& m, ECMeasure&) { Join(g, {Put(m, new ECChord, 0)}); }, 0},
    {"TieLetsAThirdNoteGo", "ECTie", 2, false,
     [](ECGroup& g, ECMeasure& m, ECMeasure&) {
         Join(g, {NoteIn(m, 0), NoteIn(m, 1), NoteIn(m, 2)});
     },
     2},
    {"TieLetsANoteOfAnotherStaffGo", "ECTie", 2, false,
     [](ECGroup& g, ECMeasure& m, ECMeasure& o) {
         Join(g, {NoteIn(m, 0), NoteIn(o, 1)});
     },
     1},
    {"TieInAnotherStaffThanItsNotesDissolves", "ECTie", 2, false,
     [](ECGroup& g, ECMeasure&, ECMeasure& o) {
         Join(g, {NoteIn(o, 0), NoteIn(o, 1)});
     },
     0},
    {"TieWithoutMembersDissolves", "ECTie", 2, false, [](ECGroup&, ECMeasure&, ECMeasure&) {}, 0},
    {"SlurOfOneNoteDissolves", "ECSlur", 6, false,
     [](ECGroup& g, ECMeasure& m, ECMeasure&) { Join(g, {NoteIn(m, 0)}); }, 0},
    {"SlurLosingARepeatToOneMemberDissolves", "ECSlur", 6, false,
     [](ECGroup& g, ECMeasure& m, ECMeasure&) {
         Join(g, {NoteIn(m, 0), Put(m, new ECRepeat(1), 1)});
     },
     0},
    {"SlurOfRestsOnlyDissolves", "ECSlur", 6, false,
     [](ECGroup& g, ECMeasure& m, ECMeasure&) {
         Join(g, {RestIn(m, 0), RestIn(m, 1)});
     },
     0},
    {"SlurKeepsANoteAndARest", "ECSlur", 6, false,
     [](ECGroup& g, ECMeasure& m, ECMeasure&) {
         Join(g, {NoteIn(m, 0), RestIn(m, 1)});
     },
     2},
    {"GlissandoLetsARestGo", "ECGlissando", 6, false,
     [](ECGroup& g, ECMeasure& m, ECMeasure&) {
         Join(g, {RestIn(m, 0), NoteIn(m, 1)});
     },
     1},
    {"GlissandoLetsAThirdNoteGo", "ECGlissando", 6, false,
     [](ECGroup& g, ECMeasure& m, ECMeasure&) {
         Join(g, {NoteIn(m, 0), NoteIn(m, 1), NoteIn(m, 2)});
     },
     2},
    {"BeamLetsARepeatGo", "ECBeam", 2, true,
     [](ECGroup& g, ECMeasure& m, ECMeasure&) {
         Join(g, {NoteIn(m, 0), Put(m, new ECRepeat(1), 1), RestIn(m, 2)});
     },
     2},
    {"BeamOfRepeatsOnlyDissolves", "ECBeam", 2, true,
     [](ECGroup& g, ECMeasure& m, ECMeasure&) { Join(g, {Put(m, new ECRepeat(1), 0)}); }, 0},
    {"BeamWithoutMembersDissolves", "ECBeam", 2, true, [](ECGroup&, ECMeasure&, ECMeasure&) {}, 0},
};

INSTANTIATE_TEST_SUITE_P(Defects, LoadedLines, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace clavenor
