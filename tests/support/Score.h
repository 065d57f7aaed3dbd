#pragma once

// A document to edit with the library's own commands: a conductor, a staff and a measure at
// time 0, and helpers that build notation, run commands as a host does and read the saved
// bytes.

#include "fuzz/FuzzDocuments.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace clavenor::test {

class Score : public ::testing::Test {
protected:
    Score();

    /// A counted note at `time`, one quarter long.
    static ECNote* Note(float time);
    /// A counted measure at `time` holding `notes` notes, not linked anywhere.
    static ECMeasure* Bar(float time, int notes);
    /// A counted chord at `time` holding `notes` notes, not linked anywhere.
    static ECChord* Chord(float time, int notes);

    /// Runs `command` synchronously inside an undo group named `name`.
    void Run(CCBase* command, const char* name = "edit");

    /// The document as a host saves it.
    std::vector<std::uint8_t> Bytes() { return fuzz::Save(m_doc.get()); }

    Document m_doc;
    ECStaff* m_staff = new ECStaff;
    ECMeasure* m_measure = new ECMeasure;
};

} // namespace clavenor::test
