#pragma once

// The scores the benchmarks share, so that figures measured by different binaries describe
// the same music.

#include <clavenor/clavenor.h>

#include <cstdint>
#include <vector>

namespace clavenor::bench {

/// The score of the save, load and walk benchmarks, built under `performance` by hand (no
/// commands): a conductor with four staves of measures four seconds long, each measure four
/// chords of three notes and four single notes, half a second apart, until at least `wanted`
/// notes stand. Returns the number of notes placed.
std::int64_t BuildChordScore(ECPerformance* performance, std::int64_t wanted);

/// Notes per measure of the note-entry score.
inline constexpr int NoteEntryNotesPerMeasure = 100;

/// The empty score the note-entry benchmarks enter `notes` notes into: a conductor with one
/// staff of measures four seconds apart, one measure per NoteEntryNotesPerMeasure notes.
/// Returns the measures in order.
std::vector<ECMeasure*> BuildNoteEntryScore(ECPerformance* score, std::int64_t notes);

/// Enters note `index` into its measure of a note-entry score as a host's note entry does: one
/// synchronous add command, recorded if an undo group is open.
void EnterNote(ECPerformance* score, const std::vector<ECMeasure*>& measures, std::int64_t index);

} // namespace clavenor::bench
