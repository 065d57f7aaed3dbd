#pragma once

#include "clavenor/elements/ECGroup.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

/// A glissando (event id 26; allowed parent: the staff, 55): a group (ECGroup) of the two
/// notes it joins, which stay in their measures. Group type 6 (2 and 4) when made (copies
/// too). Not made by id (CreateEvent(26) is null), but archived like every element.
///
/// Members: notes only (event id 37), at most two; AddChild refuses anything else. Unlike a
/// tie, a glissando may join notes of two staves.
///
/// Dissolution: when no note is left among its members, the glissando lets go of the rest
/// and leaves its staff.
class CLAVENOR_API ECGlissando : public ECGroup {
    DECLARE_SERIAL(ECGlissando)

public:
    /// Group type 6.
    ECGlissando();
    /// Copies the time, the voice/track and then sets group type 6; no members.
    ECGlissando(const ECGlissando& other);
    ~ECGlissando() override;

    /// Copies the voice/track and the group type.
    ECGlissando& operator=(const ECGlissando& other) = default;

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
