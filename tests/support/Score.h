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

/// Applies `command` synchronously inside an undo group named `name`, as a careful host
/// does: the group is closed whatever happens, and a command that never got applied is
/// deleted. Exceptions pass on.
void Edit(ECPerformance* document, CCBase* command, const char* name = "edit");

/// A counted note at `time`, one quarter long.
ECNote* NewNote(float time);
/// A counted measure at `time` holding `notes` notes a beat apart, not linked anywhere.
ECMeasure* NewBar(float time, int notes);
/// A counted chord at `time` holding `notes` notes, not linked anywhere.
ECChord* NewChord(float time, int notes);

class Score : public ::testing::Test {
protected:
    Score();

    /// Runs `command` synchronously inside an undo group named `name`.
    void Run(CCBase* command, const char* name = "edit");

    /// The document as a host saves it.
    std::vector<std::uint8_t> Bytes() { return fuzz::Save(m_doc.get()); }

    Document m_doc;
    ECStaff* m_staff = new ECStaff;
    ECMeasure* m_measure = new ECMeasure;
};

} // namespace clavenor::test
