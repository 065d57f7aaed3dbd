#include "clavenor/commands/CCRemoveEnvPoint.h"

#include "clavenor/commands/CCAddEnvPoint.h"
#include "clavenor/commands/CCAddTempo.h"
#include "clavenor/commands/detail/MCEnvPointEdit.h"
#include "clavenor/elements/ECEnvPoint.h"
#include "clavenor/elements/ECEnvelope.h"
#include "clavenor/elements/ECPerformance.h"
#include "clavenor/elements/ECTempo.h"
#include "clavenor/model/EventRegistry.h"
#include "clavenor/model/MCEventList.h"

namespace clavenor {

IMPLEMENT_SERIAL(CCRemoveEnvPoint, CCRemove, 2 | CRuntimeClass::VersionableSchema)

CCRemoveEnvPoint::CCRemoveEnvPoint() : m_pEdit(std::make_unique<MCEnvPointEdit>()) {}

CCRemoveEnvPoint::CCRemoveEnvPoint(ECEnvPoint* point) : CCRemoveEnvPoint() { Remove(point); }

CCRemoveEnvPoint::CCRemoveEnvPoint(CCAddEnvPoint* addition) : CCRemoveEnvPoint() {
    for (const auto& item : addition->GetItems()) {
        auto* added = static_cast<CCAddEnvPtItem*>(item);
        if (CCRemoveItem* removed = Remove(added->GetChild())) {
            static_cast<CCRemoveEnvPtItem*>(removed)->SetAnchorList(added->GetAnchorList());
        }
    }
    m_pEdit->TakeBackOf(addition, addition->m_pEdit.get());
    SetCanUndo(0);
}

CCRemoveEnvPoint::~CCRemoveEnvPoint() {
    // The record goes first: it may hold the last references of points the items name.
    m_pEdit.reset();
}

int CCRemoveEnvPoint::GetCommandId() const { return 38; }

CCRemoveItem* CCRemoveEnvPoint::Remove(ECBase* element) {
    if (dynamic_cast<ECEnvPoint*>(element) == nullptr) {
        return nullptr;
    }
    return AppendItem<CCRemoveEnvPtItem>(element);
}

CCRemoveEnvPtItem* CCRemoveEnvPoint::GetEnvItem(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_items.size()) {
        return nullptr;
    }
    return static_cast<CCRemoveEnvPtItem*>(m_items[static_cast<std::size_t>(index)].get());
}

int CCRemoveEnvPoint::Prepare() {
    if (CCBase::Prepare() == 0) {
        return 0;
    }
    // A take-back or a redo replays its record; nothing is prepared again.
    if (m_pEdit->Replays()) {
        return 1;
    }
    for (const auto& item : m_items) {
        ECBase* envelope = item->GetParent();
        if (dynamic_cast<ECEnvelope*>(envelope) == nullptr ||
            item->GetChild()->GetParents()->FindNearEnds(envelope) == nullptr ||
            envelope->GetAncestor(EventId::Performance, -1) != GetTarget()) {
            return 0;
        }
    }
    for (std::size_t i = 0; i < m_items.size();) {
        if (PrepareItem(GetEnvItem(static_cast<int>(i))) == 0) {
            m_positions.erase(m_items[i]->GetChild());
            m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(i));
            for (std::size_t k = i; k < m_items.size(); ++k) {
                m_positions[m_items[k]->GetChild()] = static_cast<int>(k);
            }
        } else {
            ++i;
        }
    }
    return 1;
}

int CCRemoveEnvPoint::PrepareItem(CCRemoveEnvPtItem* item) {
    for (const auto& other : m_items) {
        if (other.get() == item) {
            continue;
        }
        MCEventList* anchors = static_cast<CCRemoveEnvPtItem*>(other.get())->GetAnchorList();
        if (anchors != nullptr && anchors->Find(item->GetChild()) != nullptr) {
            return 0;
        }
    }
    auto* envelope = static_cast<ECEnvelope*>(item->GetParent());
    if (MCEventList* group = envelope->GetAnchorGroup(static_cast<ECEnvPoint*>(item->GetChild()))) {
        item->SetAnchorList(group);
    }
    return 1;
}

int CCRemoveEnvPoint::Process() {
    CCBase::Process();
    return m_pEdit->Process([this](MCEnvPointEdit&) { return Record(); });
}

bool CCRemoveEnvPoint::Record() {
    for (const auto& item : m_items) {
        m_pEdit->Withdraw(static_cast<ECEnvPoint*>(item->GetChild()));
    }
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        if (ProcessItem(GetEnvItem(static_cast<int>(i))) == 0) {
            return false;
        }
    }
    return true;
}

int CCRemoveEnvPoint::ProcessItem(CCRemoveEnvPtItem* item) {
    auto* envelope = static_cast<ECEnvelope*>(item->GetParent());
    auto* point = static_cast<ECEnvPoint*>(item->GetChild());
    if (MCEventList* anchors = item->GetAnchorList()) {
        for (ECBase* anchor : *anchors) {
            if (anchor != point) {
                m_pEdit->Withdraw(static_cast<ECEnvPoint*>(anchor));
            }
        }
    }
    if (MCEventList* group = envelope->GetAnchorGroup(point)) {
        m_pEdit->RemoveGroup(envelope, group);
    }
    auto* tempo = dynamic_cast<ECTempo*>(point);
    if (tempo != nullptr && tempo->GetTempoType() == ECTempo::TypePause &&
        *tempo->GetTime() == MCTime::TimeZero()) {
        // The opening tempo that adding the pause moved one tick before zero.
        if (ECEnvPoint* opening = envelope->GetPointBefore(MCTime::TimeZero())) {
            m_pEdit->SetTime(opening, MCTime::TimeZero());
        }
    }
    return 1;
}

void CCRemoveEnvPoint::Undo() {
    if (m_pEdit->IsTakeBack() || !m_pEdit->IsInEffect()) {
        return;
    }
    bool tempo = false;
    for (const auto& item : m_items) {
        tempo = tempo || item->GetChild()->GetEventId() == EventId::Tempo;
    }
    ApplyInverse(tempo ? std::unique_ptr<CCBase>(new CCAddTempo(this))
                       : std::unique_ptr<CCBase>(new CCAddEnvPoint(this)));
}

void CCRemoveEnvPoint::Revert() { m_pEdit->Revert(); }

} // namespace clavenor
