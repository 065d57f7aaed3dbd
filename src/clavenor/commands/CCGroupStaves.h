#pragma once

#include "clavenor/framework/Export.h"

#include "clavenor/commands/CCEdit.h"

#include <memory>

namespace clavenor {

class ECConductorStaff;
class MCGroup;

/// Groups a run of staves in the staff group table of the conductor staff, or takes a group
/// apart (ECConductorStaff::GroupStaves, RemoveGroup; see MCGroup for which ranges a table
/// takes). Prepare clamps a grouping's range into 0 to the number of staves; it fails
/// without a conductor staff. Process fails (0, the batch aborts, nothing changes) when the
/// table refuses the range or no group has the index to take apart.
///
/// Ungrouping reads the group's range and kind from the table itself, so that its undo can
/// group them again. Undo applies a CCGroupStaves, with this command's synchronous flag:
/// after a grouping it ungroups the new group, after an ungrouping it groups the stored
/// range and kind again; either way it leaves the table word for word as this command found
/// it (ids, the barline bit and the secondary groups a removed primary group took along come
/// back), so the document saves the bytes it saved before. All or nothing: Revert puts the
/// table back.
class CLAVENOR_API CCGroupStaves : public CCEdit {
    DECLARE_SERIAL(CCGroupStaves)

public:
    ///@{
    /// What Process does: take a group apart, or group a range.
    static constexpr int ModeUngroup = 0;
    static constexpr int ModeGroup = 1;
    ///@}
    /// A last staff that Prepare clamps to the number of staves.
    static constexpr int AllStaves = 0x7FFFFFFF;

    /// Mode group, staves 0 to AllStaves, type 1, group index -1.
    CCGroupStaves();
    ~CCGroupStaves() override;

    int GetCommandId() const override;

    /// Mode group, `first` to `last`, of `type`; group index -1.
    void GroupStaves(int first, int last, int type);
    /// Mode ungroup of the group `index`; type -1, first 0, last AllStaves.
    void UngroupStaves(int index);

    ///@{
    /// The request as GroupStaves or UngroupStaves set it; after Prepare the range is
    /// clamped, after a grouping Process the index is the new group's, and after an
    /// ungrouping Process the range and type are those of the group taken apart.
    int GetMode() const { return m_nMode; }
    int GetFirstStaff() const { return m_nFirst; }
    int GetLastStaff() const { return m_nLast; }
    int GetGroupType() const { return m_nType; }
    int GetGroupIndex() const { return m_nIndex; }
    ///@}
    /// The conductor staff Prepare found, not held; null before Prepare.
    ECConductorStaff* GetConductorStaff() const { return m_pConductorStaff; }

    int Prepare() override;
    int Process() override;
    void Undo() override;
    void Revert() override;

private:
    int m_nMode = ModeGroup;
    int m_nFirst = 0;
    int m_nLast = AllStaves;
    int m_nType = 1;
    int m_nIndex = -1;
    ECConductorStaff* m_pConductorStaff = nullptr;
    // The table before the last Process (for Revert), and, in an undo, the table to leave.
    std::unique_ptr<MCGroup> m_pBefore;
    std::unique_ptr<MCGroup> m_pRestore;
};

} // namespace clavenor
