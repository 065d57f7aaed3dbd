#include "clavenor/commands/CCEditTime.h"

#include "clavenor/commands/detail/MCEditRun.h"
#include "clavenor/framework/CArray.h"
#include "clavenor/model/ECBase.h"

#include <unordered_set>
#include <vector>

namespace clavenor {

IMPLEMENT_SERIAL(CCEditTime, CCEdit, 2 | CRuntimeClass::VersionableSchema)

CCEditTime::CCEditTime() : m_pRun(std::make_unique<MCEditRun>()) {}

CCEditTime::CCEditTime(ECBase* element, MCTime* time) : CCEditTime() { EditTime(element, time); }

CCEditTime::~CCEditTime() = default;

int CCEditTime::GetCommandId() const { return 29; }

CCEditTimeItem* CCEditTime::EditTime(ECBase* element, MCTime* time) {
    if (element == nullptr || time == nullptr || m_pRun->IsTakeBack()) {
        return nullptr;
    }
    if (CCEditItem* item = FindItem(element)) {
        return static_cast<CCEditTimeItem*>(item);
    }
    return static_cast<CCEditTimeItem*>(AddItem(std::make_unique<CCEditTimeItem>(element, *time)));
}

CCEditItem* CCEditTime::EditEvent(ECBase* element) {
    MCTime* time = element != nullptr ? element->GetTime() : nullptr;
    return EditTime(element, time);
}

bool CCEditTime::Accepts(CCEditItem& item) const {
    return InTarget(item.GetEvent()) && item.GetEvent()->GetTime() != nullptr &&
           static_cast<CCEditTimeItem&>(item).IsPlaceable();
}

int CCEditTime::Prepare() {
    if (m_pRun->IsTakeBack()) {
        return CCBase::Prepare() != 0 ? m_pRun->Prepare(m_pConductor) : 0;
    }
    if (CCEdit::Prepare() == 0) {
        return 0;
    }
    return m_pRun->Prepare(m_pConductor);
}

int CCEditTime::Process() {
    CCBase::Process();
    const int keepUndo = IsInUndoGroup();
    m_pRun->Process([this, keepUndo](MCEditRun& run) {
        for (const auto& item : m_items) {
            auto& time = static_cast<CCEditTimeItem&>(*item);
            time.Process(keepUndo);
            time.Change(run);
        }
        // The lists the elements stayed in; a moved element was linked in time order.
        std::vector<ECBase*> owners;
        std::unordered_set<ECBase*> seen;
        CArray<int, int> types;
        for (const auto& item : m_items) {
            auto& time = static_cast<CCEditTimeItem&>(*item);
            if (time.GetTargetMeasure() != nullptr || time.GetEvent() == nullptr) {
                continue;
            }
            types.RemoveAll();
            time.GetEvent()->GetParentTypes(types);
            std::vector<int> ids;
            for (int i = 0; i < types.GetSize(); ++i) {
                ids.push_back(types.GetAt(i));
            }
            ECBase* owner = MCEditRun::FindAbove(time.GetEvent(), ids.data(), ids.size());
            if (owner != nullptr && seen.insert(owner).second) {
                owners.push_back(owner);
            }
        }
        for (ECBase* owner : owners) {
            run.Journal().SortChildren(owner);
        }
    });
    return 1;
}

void CCEditTime::Revert() { m_pRun->Revert(); }

void CCEditTime::Undo() {
    if (m_items.empty() || m_pRun->IsTakeBack() || !m_pRun->IsInEffect()) {
        return;
    }
    auto inverse = std::make_unique<CCEditTime>();
    for (const auto& item : m_items) {
        MCTime old = static_cast<CCEditTimeItem&>(*item).GetOldTime();
        inverse->EditTime(item->GetEvent(), &old);
    }
    inverse->m_pRun->TakeBackOf(this, m_pRun.get());
    inverse->SetCanUndo(0);
    ApplyInverse(std::move(inverse));
}

} // namespace clavenor
