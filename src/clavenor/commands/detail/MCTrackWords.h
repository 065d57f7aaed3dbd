#pragma once

#include "clavenor/model/MCVoiceTrack.h"

#include <vector>

namespace clavenor {

class ECBase;
class ECConductor;
class ECConductorStaff;

/// The voice/track words of a staff and everything under it, kept so that they can be put
/// back exactly. Inserting or taking out a staff moves every later staff, with all it holds,
/// to its new number wholesale: a word that was unset, or named another track than its
/// staff (a renumbering can leave two staves on one number), comes back from the opposite
/// move as its staff's number, and the document would save other bytes.
///
/// Holds a reference on every element it names until Clear. Used on the owning thread,
/// inside a batch.
class MCTrackWords {
public:
    MCTrackWords() = default;
    /// Clear().
    ~MCTrackWords();
    MCTrackWords(const MCTrackWords&) = delete;
    MCTrackWords& operator=(const MCTrackWords&) = delete;

    bool IsEmpty() const { return m_words.empty(); }

    /// Adds the words of the staves of `conductor`'s table that a staff inserted at `first`,
    /// or one taken out from `first - 1`, moves: those whose own track is `first` or above
    /// (ECConductorStaff::Renumber). Throws std::bad_alloc, keeping what it kept before.
    void KeepStavesFrom(ECConductor* conductor, int first);
    /// The same for the staff table of `table`, which asking the conductor would make when
    /// it has none.
    void KeepStavesFrom(ECConductorStaff* table, int first);
    /// Adds the words of `track` and of everything under it. Throws std::bad_alloc, keeping
    /// what it kept before.
    void Keep(ECBase* track);
    /// Writes every kept word back, the first kept last (an element reached twice gets the
    /// word it had first). Needs no memory.
    void PutBack() const;
    /// Forgets the words and lets go of the elements. Needs no memory.
    void Clear();

private:
    struct Word {
        ECBase* element; // referenced
        MCVoiceTrack word;
    };
    std::vector<Word> m_words;
};

} // namespace clavenor
