#pragma once

#include "clavenor/elements/ECGroup.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

/// A beam (event id 7; allowed parent: the measure, 32): a group (ECGroup) of the notes, chords
/// and rests it joins, which stay in the measure too (they list the beam among their
/// parents). Group type 2 when made; a copy keeps the source's group type.
///
/// Members: notes, chords and rests (event ids 37, 12, 51); AddChild refuses other elements.
///
/// Dissolution: the group rule only: losing its last member, the beam leaves its measure.
class CLAVENOR_API ECBeam : public ECGroup {
    DECLARE_SERIAL(ECBeam)

public:
    /// Group type 2.
    ECBeam();
    /// Copies the time, the voice/track and the group type; no members.
    ECBeam(const ECBeam& other);
    ~ECBeam() override;

    /// Copies the voice/track and the group type.
    ECBeam& operator=(const ECBeam& other) = default;

    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    /// Adds a member as ECWithChild does, refusing (0) what the class does not take.
    [[nodiscard]] int AddChild(ECBase* child, int sorted) override;

    /// The group rule only: true while more members stay than leave (see ECGroup).
    bool KeepsMembersWithout(const ECBase* leaving, std::size_t others) const override;
    /// By the group type, as a plain group (see ECGroup).
    bool KeepsMembersWhenDetached() const override { return TypeKeepsMembersWhenDetached(); }

protected:
    bool RestrictsMembers() const override { return true; }
    bool Admits(ECBase* child) override;
};

} // namespace clavenor
