#pragma once

// The scores the benchmarks share, so that figures measured by different binaries describe
// the same music.

#include <clavenor/clavenor.h>

#include <cstddef>
#include <cstdint>
#include <memory>
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

/// The score of the measure, edit and track command benchmarks, laid out as a host lays one
/// out, so that the commands find their measures through the measure map: a conductor with
/// `staves` staves of the staff table over `measures` 4/4 measures, and `notes` notes a
/// quarter long, ten to a measure number (the first ten in bar 1, and so on), on the staves
/// in turn, 0.4 quarter apart within a measure. `notes` must not exceed ten a measure. A score
/// that cannot be built stops the run. The score owns its document: it goes
/// with the score, and what its history held with the idle time that follows.
struct StaffTableScore {
    StaffTableScore(int staves, int measures, int notes);
    ~StaffTableScore();
    StaffTableScore(const StaffTableScore&) = delete;
    StaffTableScore& operator=(const StaffTableScore&) = delete;

    /// Staff `number` (from 1).
    ECStaff* Staff(int number) const;

    ECPerformance* document;
    ECConductor* conductor;
};

/// Where note `index` of a staff-table score stands: its staff, bar number and time.
struct StaffTableNote {
    int staff;
    int bar;
    float time;
};
StaffTableNote StaffTableNoteAt(int staves, int index);

/// The archive buffer of SaveScore and LoadScore, large enough that the archive's own
/// buffering is not what a save or load measures; floors copy bytes in chunks of this size.
inline constexpr std::size_t ArchiveBufferSize = 64 * 1024;

/// The bytes of `performance` as a host saves them: serialized, post-serialized, closed.
std::vector<std::uint8_t> SaveScore(ECPerformance* performance);

/// A new document read from `bytes`, which must be bytes SaveScore made, as a host loads a
/// file: made the active performance only while it reads.
std::unique_ptr<ECPerformance> LoadScore(const std::vector<std::uint8_t>& bytes);

} // namespace clavenor::bench
