#pragma once

#include "clavenor/commands/CCAdd.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

/// Adds note-level marks: accents and tremolos, accidentals, arpeggios, mordents,
/// ornaments, trills and turns. An accent or a tremolo given to a chord goes to each of its
/// notes, as one copy per note. Processed and undone as CCAdd.
class CLAVENOR_API CCAddNoteModifier : public CCAdd {
    DECLARE_SERIAL(CCAddNoteModifier)

public:
    CCAddNoteModifier();
    /// A command with the items Add makes of `modifier`.
    CCAddNoteModifier(ECBase* modifier, ECBase* parent);
    ~CCAddNoteModifier() override;

    int GetCommandId() const override;

    /// By the modifier's kind: an accent or a tremolo under a chord makes one item per note
    /// of the chord, each adding a copy of the modifier to that note, and gives the modifier
    /// up (it is deleted unless something holds it); the result is the last item, or null
    /// for a chord without notes. An accent or a tremolo under anything else, and an
    /// accidental, arpeggio, mordent, ornament, trill or turn, make one item as CCAdd::Add.
    /// Anything else (a dot, say), a null modifier or a null parent adds nothing: null.
    CCAddItem* Add(ECBase* child, ECBase* parent, const FCMidi& data) override;
};

} // namespace clavenor
