#include "clavenor/commands/CCEditDuration.h"

#include "clavenor/commands/detail/MCEditRun.h"
#include "clavenor/model/ECBase.h"
#include "clavenor/model/EventRegistry.h"

#include <vector>

namespace clavenor {

IMPLEMENT_SERIAL(CCEditDuration, CCEdit, 2 | CRuntimeClass::VersionableSchema)

namespace {

// The ten envelope kinds.
constexpr int EnvelopeIds[] = {EventId::ChanPressureEnv, EventId::ControllerEnv,
                               EventId::Envelope,        EventId::MeterEnv,
                               EventId::NRPNEnv,         EventId::PatchEnv,
                               EventId::PitchBendEnv,    EventId::PolyPressureEnv,
                               EventId::RPNEnv,          EventId::TempoEnv};

} // namespace

CCEditDuration::CCEditDuration() : m_pRun(std::make_unique<MCEditRun>()) {}

CCEditDuration::CCEditDuration(ECBase* element, MCTime* duration) : CCEditDuration() {
    EditDuration(element, duration);
}

CCEditDuration::~CCEditDuration() = default;

int CCEditDuration::GetCommandId() const { return 24; }

CCEditDurItem* CCEditDuration::EditDuration(ECBase* element, MCTime* duration) {
    if (element == nullptr || duration == nullptr || m_pRun->IsTakeBack()) {
        return nullptr;
    }
    if (CCEditItem* item = FindItem(element)) {
        return static_cast<CCEditDurItem*>(item);
    }
    return static_cast<CCEditDurItem*>(
        AddItem(std::make_unique<CCEditDurItem>(element, *duration)));
}

CCEditItem* CCEditDuration::EditEvent(ECBase* element) {
    MCTime* duration = element != nullptr ? element->GetDuration() : nullptr;
    return EditDuration(element, duration);
}

bool CCEditDuration::Accepts(CCEditItem& item) const {
    return InTarget(item.GetEvent()) && item.GetEvent()->GetDuration() != nullptr;
}

int CCEditDuration::Prepare() {
    if (m_pRun->IsTakeBack()) {
        return CCBase::Prepare() != 0 ? m_pRun->Prepare(m_pConductor) : 0;
    }
    if (CCEdit::Prepare() == 0) {
        return 0;
    }
    return m_pRun->Prepare(m_pConductor);
}

int CCEditDuration::Process() {
    CCBase::Process();
    const int keepUndo = IsInUndoGroup();
    m_pRun->Process([this, keepUndo](MCEditRun& run) {
        std::vector<ECBase*> envelopes;
        for (const auto& item : m_items) {
            auto& duration = static_cast<CCEditDurItem&>(*item);
            duration.Process(keepUndo);
            duration.Change(run);
        }
        for (const auto& item : m_items) {
            ECBase* envelope =
                MCEditRun::FindAbove(item->GetEvent(), EnvelopeIds, std::size(EnvelopeIds));
            if (envelope != nullptr &&
                std::find(envelopes.begin(), envelopes.end(), envelope) == envelopes.end()) {
                envelopes.push_back(envelope);
            }
        }
        for (ECBase* envelope : envelopes) {
            run.Journal().SortChildren(envelope);
        }
    });
    return 1;
}

void CCEditDuration::Revert() { m_pRun->Revert(); }

void CCEditDuration::Undo() {
    if (m_items.empty() || m_pRun->IsTakeBack() || !m_pRun->IsInEffect()) {
        return;
    }
    auto inverse = std::make_unique<CCEditDuration>();
    for (const auto& item : m_items) {
        MCTime old = static_cast<CCEditDurItem&>(*item).GetOldDuration();
        inverse->EditDuration(item->GetEvent(), &old);
    }
    inverse->m_pRun->TakeBackOf(this, m_pRun.get());
    inverse->SetCanUndo(0);
    ApplyInverse(std::move(inverse));
}

} // namespace clavenor
