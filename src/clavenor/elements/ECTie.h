#pragma once

#include "clavenor/elements/ECGroup.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

/// A tie (event id 60; allowed parent: the staff, 55): a group (ECGroup) of the two notes it
/// ties, which stay in their measures; the tie is an extra parent of each. Group type 2 when
/// made (copies too, whatever the source's).
///
/// Members: notes only (event id 37), at most two, of one staff: AddChild refuses anything
/// else, a third note, and a note whose staff differs from the tie's or the other note's
/// (where both are known), and the tie refuses a parent in another staff than its notes'.
/// Pitch is not an element's attribute (it travels beside the note in the commands that add
/// it), so ties between notes of different pitch are the host's to refuse.
///
/// Dissolution: when no note is left among its members, the tie lets go of the rest and,
/// being of type 2, leaves its staff. So a tie disappears with its last note.
class CLAVENOR_API ECTie : public ECGroup {
    DECLARE_SERIAL(ECTie)

public:
    /// Group type 2.
    ECTie();
    /// Copies the time, the voice/track and then sets group type 2; no members.
    ECTie(const ECTie& other);
    ~ECTie() override;

    /// Copies the voice/track and the group type.
    ECTie& operator=(const ECTie& other) = default;

    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    /// Adds a member as ECWithChild does, refusing (0) what the class does not take.
    [[nodiscard]] int AddChild(ECBase* child, int sorted) override;
    /// As ECGroup, refused (0) when a member lies in another staff than `parent`.
    [[nodiscard]] int AddParent(ECBase* parent) override;

    /// True while the members left surely satisfy the dissolution rule above (see ECGroup).
    bool KeepsMembersWithout(const ECBase* leaving, std::size_t others) const override;
    /// By the group type, as a plain group (see ECGroup).
    bool KeepsMembersWhenDetached() const override { return TypeKeepsMembersWhenDetached(); }

protected:
    bool HoldsEnoughMembers() override;
    bool RestrictsMembers() const override { return true; }
    bool Admits(ECBase* child) override;
};

} // namespace clavenor
