#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/ECWithTimeChild.h"

namespace clavenor {

/// A group of notes that share a start time (event id 12; allowed parents, in this order:
/// measure, beam, tuplet). Children: its notes and its chord-level marks (accents,
/// arpeggios, dots, mordents, tremolos, trills, turns). A chord has no duration object: its
/// length is its notes' business. Equality is that of ECWithTimeChild.
///
/// Archive record: the ECWithTimeChild record only.
///
/// A chord exists only while it holds notes. Losing its last note takes its marks away as
/// well and then the chord leaves its parents; removing the chord itself from its parents
/// leaves its notes in the enclosing measure as single notes. Because of that, RemoveChild,
/// RemoveChildren and RemoveFromParents may destroy the chord they run on: once it has left
/// its parents, a chord that nothing else holds (no Ref() of the caller, no other list) is
/// gone when the call returns, even one the caller created with `new`. Callers that need
/// the chord afterwards hold a reference across the call.
///
/// While the chord is being destroyed these operations behave as the base classes' and
/// never dissolve it a second time. None of them is undoable by itself (commands are) or
/// notifies anyone.
class CLAVENOR_API ECChord : public ECWithTimeChild {
    DECLARE_SERIAL(ECChord)

public:
    ECChord() = default;
    /// Copies the time and the voice/track; the children list starts empty.
    ECChord(const ECChord& other) = default;
    ~ECChord() override;

    /// Copies the voice/track, not the time, nothing of the children.
    ECChord& operator=(const ECChord& other) = default;

    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    MCTime* GetDuration() override { return nullptr; }
    void SetDuration(MCTime*) override {}

    /// Detaches `child` as ECWithChild does (deeply when asked). When no note (event id 37)
    /// is left, every remaining child is detached too: a child that another parent also
    /// holds keeps its own children, any other goes with its subtree (marks have none in a
    /// well-formed score; in other graphs the subtree would otherwise keep it alive). A
    /// chord left without children then removes itself from its parents
    /// (RemoveFromParents) and is destroyed unless something else holds it. Returns 0 and
    /// changes nothing when `child` is not a child; else 1.
    [[nodiscard]] int RemoveChild(ECBase* child, int deep) override;

    /// Detaches every child as ECWithChild does, then removes the chord from its parents
    /// (RemoveFromParents), so that it is destroyed unless something else holds it. This is
    /// also what a deep removal above the chord (a parent's RemoveChild(chord, 1), the
    /// destruction of a parent) runs on it. Returns 1.
    int RemoveChildren(int deep) override;

    /// Finds the nearest enclosing measure (event id 32, through any number of levels).
    /// When there is one and the chord holds notes, each note that is not yet a child of
    /// that measure is added to it in time order; then every child is detached from the
    /// chord as RemoveChild detaches the rest, which releases its marks. Last, the chord
    /// leaves all its parents as ECBase::RemoveFromParents does. Without an enclosing
    /// measure the chord keeps its children, which then keep it alive. Returns 1.
    /// Needs no memory when the measure is an ECWithChild (the notes move with their list
    /// nodes) and the ancestor search goes less than 48 levels up; otherwise allocation
    /// failure throws std::bad_alloc before anything has changed. A measure of another class
    /// takes the notes by its AddChild, all or none: when it refuses one, the notes it took
    /// go again and the chord keeps its children, as without a measure.
    /// Cost: an ancestor walk, and a search of each note's parents.
    int RemoveFromParents() override;

private:
    bool HoldsNote();
    /// Whether `child` is a note that `measure` does not hold.
    static bool IsNoteOutside(ECBase* child, ECBase* measure);
    /// Links the notes outside `measure` under it by its AddChild, all or none; false when
    /// it refused one. std::bad_alloc, changing nothing, when the list of those taken cannot
    /// be made.
    bool LinkNotesUnder(ECBase* measure);

    /// Detaches every child: deeply unless another parent still holds it.
    void DetachAllChildren();
};

} // namespace clavenor
