// A redo takes effect whole or not at all: a tuplet comes back with every note or stays
// undone, and an entry that cannot run says so.

#include "support/Score.h"

#include <cstdint>
#include <vector>

namespace clavenor::test {
namespace {

class RedoWhole : public Score {};

TEST_F(RedoWhole, ATupletRedoneWithEveryAllocationFailingInTurnComesBackWholeOrNotAtAll) {
    auto* tuplet = new Counted<ECTuplet>;
    SetSeconds(tuplet, 0.0f);
    for (int i = 0; i < 3; ++i) {
        LinkOrFail(tuplet, NewNote(static_cast<float>(i) / 3), 1);
    }
    Run(new CCAddTuplet(tuplet, m_measure, FCMidi::MidiNull()));
    const std::vector<std::uint8_t> added = Bytes();
    ASSERT_EQ(m_doc->Undo(1), 1);
    const std::vector<std::uint8_t> undone = Bytes();
    ASSERT_NE(added, undone);

    const int failures = ForEachAllocationFailure([&] { (void)m_doc->Redo(1); },
                                                  [&] {
                                                      const std::vector<std::uint8_t> now = Bytes();
                                                      if (now == added) {
                                                          // The failure missed everything that
                                                          // mattered; back to the start.
                                                          ASSERT_EQ(m_doc->Undo(1), 1);
                                                      } else {
                                                          EXPECT_EQ(now, undone);
                                                      }
                                                  });
    EXPECT_GT(failures, 0);
    EXPECT_EQ(Bytes(), added);
}

TEST(RedoWholeEntry, AnEntryWithoutADocumentRedoesNothingAndSaysSo) {
    MCUndoItem entry(CString("detached"));
    auto* command = new CCBase;
    ASSERT_EQ(entry.AddCommand(command), 1);
    EXPECT_EQ(entry.RedoCommands(), 0);
}

} // namespace
} // namespace clavenor::test
