#include "clavenor/commands/CCAddEnvPoint.h"

#include "clavenor/commands/CCRemoveEnvPoint.h"
#include "clavenor/commands/detail/MCEnvPointEdit.h"
#include "clavenor/elements/ECEnvPoint.h"
#include "clavenor/elements/ECEnvelope.h"
#include "clavenor/elements/ECPerformance.h"
#include "clavenor/model/EventRegistry.h"
#include "clavenor/model/MCEventList.h"

#include <algorithm>

namespace clavenor {

IMPLEMENT_SERIAL(CCAddEnvPoint, CCAdd, 2 | CRuntimeClass::VersionableSchema)

CCAddEnvPoint::CCAddEnvPoint() : m_pEdit(std::make_unique<MCEnvPointEdit>()) {}

CCAddEnvPoint::CCAddEnvPoint(ECEnvPoint* point, ECEnvelope* envelope) : CCAddEnvPoint() {
    Add(point, envelope, FCMidi::MidiNull());
}

CCAddEnvPoint::CCAddEnvPoint(CCRemoveEnvPoint* removal) : CCAddEnvPoint() {
    for (const auto& item : removal->GetItems()) {
        auto* removed = static_cast<CCRemoveEnvPtItem*>(item.get());
        if (CCAddItem* added = Add(removed->GetChild(), removed->GetParent(), FCMidi::MidiNull())) {
            static_cast<CCAddEnvPtItem*>(added)->SetAnchorList(removed->GetAnchorList());
        }
    }
    m_pEdit->TakeBackOf(removal, removal->m_pEdit.get());
    SetCanUndo(0);
}

CCAddEnvPoint::~CCAddEnvPoint() {
    // The record goes first: it may hold the last references of points the items name.
    m_pEdit.reset();
}

int CCAddEnvPoint::GetCommandId() const { return 3; }

CCAddItem* CCAddEnvPoint::Add(ECBase* child, ECBase* parent, const FCMidi& data) {
    if (dynamic_cast<ECEnvPoint*>(child) == nullptr ||
        dynamic_cast<ECEnvelope*>(parent) == nullptr || child->GetParents()->GetCount() > 0) {
        return nullptr;
    }
    return m_items.Append(std::make_unique<CCAddEnvPtItem>(child, parent, data));
}

CCAddEnvPtItem* CCAddEnvPoint::GetEnvItem(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_items.size()) {
        return nullptr;
    }
    return static_cast<CCAddEnvPtItem*>(m_items[static_cast<std::size_t>(index)]);
}

ECEnvelope* CCAddEnvPoint::EnvelopeOf(const CCAddItem* item) {
    return static_cast<ECEnvelope*>(item->GetParent());
}

bool CCAddEnvPoint::InTarget(ECBase* element) const {
    return GetTarget() != nullptr &&
           (element == GetTarget() ||
            element->GetAncestor(EventId::Performance, -1) == GetTarget());
}

int CCAddEnvPoint::Prepare() {
    if (CCBase::Prepare() == 0) {
        return 0;
    }
    // A take-back or a redo replays its record; nothing is prepared again.
    if (m_pEdit->Replays()) {
        return 1;
    }
    for (const auto& item : m_items) {
        if (!InTarget(item->GetParent())) {
            return 0;
        }
    }
    // Items are taken out as they are prepared: a later item may be the end point that an
    // earlier one's anchor list brings.
    for (std::size_t i = 0; i < m_items.size();) {
        if (PrepareItem(GetEnvItem(static_cast<int>(i))) == 0) {
            m_items.Erase(i);
        } else {
            ++i;
        }
    }
    return 1;
}

int CCAddEnvPoint::PrepareItem(CCAddEnvPtItem* item) {
    for (const auto& other : m_items) {
        if (other == item) {
            continue;
        }
        MCEventList* anchors = static_cast<CCAddEnvPtItem*>(other)->GetAnchorList();
        if (anchors != nullptr && anchors->Find(item->GetChild()) != nullptr) {
            return 0;
        }
    }
    return 1;
}

int CCAddEnvPoint::Process() {
    CCBase::Process();
    return m_pEdit->Process([this](MCEnvPointEdit&) { return Record(); });
}

bool CCAddEnvPoint::Record() {
    for (const auto& item : m_items) {
        if (!m_pEdit->Link(EnvelopeOf(item), static_cast<ECEnvPoint*>(item->GetChild()))) {
            return false;
        }
    }
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        if (ProcessItem(GetEnvItem(static_cast<int>(i))) == 0) {
            return false;
        }
    }
    return true;
}

int CCAddEnvPoint::ProcessItem(CCAddEnvPtItem* item) {
    MCEventList* anchors = item->GetAnchorList();
    if (anchors == nullptr || anchors->IsEmpty()) {
        return 1;
    }
    ECEnvelope* envelope = EnvelopeOf(item);
    bool first = true;
    for (ECBase* element : *anchors) {
        auto* point = dynamic_cast<ECEnvPoint*>(element);
        if (point == nullptr) {
            return 0;
        }
        m_pEdit->SetAnchorFlags(point, 1, first ? 1 : point->IsAnchorHead());
        first = false;
        if (point != item->GetChild() && !m_pEdit->Link(envelope, point)) {
            return 0;
        }
    }
    return m_pEdit->AddGroup(envelope, anchors) ? 1 : 0;
}

void CCAddEnvPoint::Undo() {
    if (m_pEdit->IsTakeBack() || !m_pEdit->IsInEffect()) {
        return;
    }
    ApplyInverse(std::unique_ptr<CCBase>(new CCRemoveEnvPoint(this)));
}

void CCAddEnvPoint::Revert() { m_pEdit->Revert(); }

} // namespace clavenor
