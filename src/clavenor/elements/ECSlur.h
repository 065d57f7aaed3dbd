#pragma once

#include "clavenor/elements/ECGroup.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

/// A slur (event id 54; allowed parent: the staff, 55): a group (ECGroup) of the notes, chords
/// and rests it spans, which stay in their measures. Group type 6 (2 and 4) when made
/// (copies too, whatever the source's), so a slur taken out of its staff keeps its members.
///
/// Members: notes, chords and rests (event ids 37, 12, 51); AddChild refuses other elements.
///
/// Dissolution: a slur goes on only while it has at least two members and one of them is a
/// note; otherwise it lets go of the rest and leaves its staff. Deciding costs a look at
/// its members from both ends, at once in a passage of notes.
class CLAVENOR_API ECSlur : public ECGroup {
    DECLARE_SERIAL(ECSlur)

public:
    /// Group type 6.
    ECSlur();
    /// Copies the time, the voice/track and then sets group type 6; no members.
    ECSlur(const ECSlur& other);
    ~ECSlur() override;

    /// Copies the voice/track and the group type.
    ECSlur& operator=(const ECSlur& other) = default;

    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    /// Adds a member as ECWithChild does, refusing (0) what the class does not take.
    [[nodiscard]] int AddChild(ECBase* child, int sorted) override;

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
