#include "clavenor/commands/CCGroupStaves.h"

#include "clavenor/caches/MCGroup.h"
#include "clavenor/commands/detail/MCEditRun.h"
#include "clavenor/elements/ECConductor.h"
#include "clavenor/elements/ECConductorStaff.h"

#include <algorithm>
#include <utility>

namespace clavenor {

IMPLEMENT_SERIAL(CCGroupStaves, CCEdit, 2 | CRuntimeClass::VersionableSchema)

CCGroupStaves::CCGroupStaves() = default;

CCGroupStaves::~CCGroupStaves() = default;

int CCGroupStaves::GetCommandId() const { return 31; }

void CCGroupStaves::GroupStaves(int first, int last, int type) {
    m_nMode = ModeGroup;
    m_nFirst = first;
    m_nLast = last;
    m_nType = type;
    m_nIndex = -1;
}

void CCGroupStaves::UngroupStaves(int index) {
    m_nMode = ModeUngroup;
    m_nType = -1;
    m_nFirst = 0;
    m_nLast = AllStaves;
    m_nIndex = index;
}

int CCGroupStaves::Prepare() {
    if (CCBase::Prepare() == 0) {
        return 0;
    }
    m_pConductorStaff = MCEditRun::FindConductorStaff(m_pConductor);
    if (m_pConductorStaff == nullptr) {
        return 0;
    }
    if (m_nMode == ModeGroup) {
        const int highest = std::max(m_pConductor->GetMaxTrackNumber(ECConductor::KindStaff), 0);
        m_nFirst = std::clamp(m_nFirst, 0, highest);
        m_nLast = std::clamp(m_nLast, 0, highest);
    }
    return 1;
}

int CCGroupStaves::Process() {
    CCBase::Process();
    MCGroup& table = m_pConductorStaff->GetGroup();
    // The copies first: the change itself then needs no memory to be taken back.
    auto before = std::make_unique<MCGroup>(table);
    std::unique_ptr<MCGroup> restore =
        m_pRestore != nullptr ? std::make_unique<MCGroup>(*m_pRestore) : nullptr;
    if (m_nMode == ModeGroup) {
        int index = -1;
        // An undo leaves the table it restores whatever the grouping says.
        if (m_pConductorStaff->GroupStaves(m_nFirst, m_nLast, m_nType, index) == 0 &&
            restore == nullptr) {
            return 0;
        }
        m_nIndex = index;
    } else {
        int first = 0;
        int last = 0;
        int type = 0;
        // The table's own answer: the conductor staff's GetGroupInfo reports nothing, and
        // an undo that had no range to group again would lose the group.
        if (table.GetGroupInfo(m_nIndex, first, last, type) != 0) {
            m_nFirst = first;
            m_nLast = last;
            m_nType = type;
            m_pConductorStaff->RemoveGroup(m_nIndex);
        } else if (restore == nullptr) {
            return 0;
        }
    }
    if (restore != nullptr) {
        std::swap(table, *restore);
    }
    m_pBefore = std::move(before);
    return 1;
}

void CCGroupStaves::Revert() {
    if (m_pBefore != nullptr && m_pConductorStaff != nullptr) {
        std::swap(m_pConductorStaff->GetGroup(), *m_pBefore);
        m_pBefore.reset();
    }
}

void CCGroupStaves::Undo() {
    if (m_pBefore == nullptr) {
        return;
    }
    auto inverse = std::make_unique<CCGroupStaves>();
    if (m_nMode == ModeGroup) {
        inverse->UngroupStaves(m_nIndex);
    } else {
        inverse->GroupStaves(m_nFirst, m_nLast, m_nType);
    }
    inverse->m_pRestore = std::make_unique<MCGroup>(*m_pBefore);
    inverse->SetCanUndo(0);
    ApplyInverse(std::move(inverse));
}

} // namespace clavenor
