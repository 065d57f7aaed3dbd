#pragma once

// A score laid out as a host lays one out: staves of the staff table over a measure map of
// 4/4 measures, a note on beats 1 and 3 of every measure of every staff. For the edit and
// track commands, which find measures through the map.

#include "support/Score.h"

#include <cstdint>
#include <vector>

namespace clavenor::test {

class StaffScore {
public:
    StaffScore(int staves, int measures);

    ECPerformance* get() const { return m_doc.get(); }
    ECConductor* Conductor() const { return m_pConductor; }
    ECConductorStaff* Track0() const { return m_pTrack0; }
    /// Measure `number` (from 1) of staff `staff` (from 1).
    ECMeasure* Bar(int staff, int number) const;
    /// The note on beat `beat` (0 or 2) of that measure.
    ECNote* NoteAt(int staff, int number, int beat) const;
    std::vector<std::uint8_t> Bytes() const { return fuzz::Save(m_doc.get()); }

    /// Applies `command` synchronously inside an undo group; 0 when its batch failed or the
    /// manager refused to run it.
    int Run(CCBase* command);
    /// Runs `command` as Run does, then checks that undo gives back the bytes of before and
    /// redo the bytes of after; leaves the command undone. Reports through GoogleTest.
    void RunAndReplay(CCBase* command);

private:
    Document m_doc;
    ECConductor* m_pConductor = nullptr;
    ECConductorStaff* m_pTrack0 = nullptr;
};

} // namespace clavenor::test
