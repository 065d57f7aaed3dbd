#include "clavenor/commands/detail/MCMarkEdit.h"

#include "clavenor/commands/CCBase.h"
#include "clavenor/commands/CCClefInfo.h"
#include "clavenor/commands/CCKeyInfo.h"
#include "clavenor/elements/ECClef.h"
#include "clavenor/elements/ECConductor.h"
#include "clavenor/elements/ECConductorStaff.h"
#include "clavenor/elements/ECKey.h"
#include "clavenor/elements/ECMirror.h"
#include "clavenor/elements/ECStaff.h"
#include "clavenor/elements/MCMirrorList.h"
#include "clavenor/model/EventRegistry.h"

#include <vector>

namespace clavenor {

namespace {

std::vector<ECBase*> ParentsOf(ECBase* element) {
    MCEventList* parents = element->GetParents();
    return std::vector<ECBase*>(parents->begin(), parents->end());
}

} // namespace

MCMarkEdit::MCMarkEdit(int eventId) : m_nEventId(eventId) {}

MCMarkEdit::~MCMarkEdit() {
    // The journal lets go of removed material first: the records may hold its last
    // references.
    m_journal.Clear();
    m_state.Forget();
    if (m_pOwner != nullptr) {
        m_pOwner->Unref(1);
    }
}

CCMarkInfo* MCMarkEdit::GetInfo(int index) const {
    return index >= 0 && index < 3 ? m_info[static_cast<std::size_t>(index)].get() : nullptr;
}

std::unique_ptr<CCMarkInfo> MCMarkEdit::MakeInfo(ECBase* element, ECBase* measure) const {
    if (m_nEventId == EventId::Key) {
        return std::make_unique<CCKeyInfo>(static_cast<ECKey*>(element), measure);
    }
    return std::make_unique<CCClefInfo>(static_cast<ECClef*>(element), measure);
}

bool MCMarkEdit::SetSubject(ECBase* element, ECBase* measure, int remove) {
    if (m_info[0] != nullptr || element == nullptr || m_pOther != nullptr) {
        return false;
    }
    const bool fits = m_nEventId == EventId::Key ? dynamic_cast<ECKey*>(element) != nullptr
                                                 : dynamic_cast<ECClef*>(element) != nullptr;
    if (!fits) {
        return false;
    }
    m_info[0] = MakeInfo(element, measure);
    m_info[0]->SetRemove(remove);
    return true;
}

void MCMarkEdit::TakeBackOf(CCBase* owner, MCMarkEdit* other) {
    owner->Ref();
    m_pOwner = owner;
    m_pOther = other;
}

std::uint8_t MCMarkEdit::HandOf(ECBase* element) const {
    return m_nEventId == EventId::Key ? static_cast<ECKey*>(element)->GetHand()
                                      : static_cast<ECClef*>(element)->GetHand();
}

bool MCMarkEdit::Equal(ECBase* a, ECBase* b) const {
    return m_nEventId == EventId::Key ? *static_cast<ECKey*>(a) == *static_cast<ECKey*>(b)
                                      : *static_cast<ECClef*>(a) == *static_cast<ECClef*>(b);
}

ECBase* MCMarkEdit::AtTime(ECStaff* staff, const MCTime& time, std::uint8_t hand) const {
    return m_nEventId == EventId::Key ? static_cast<ECBase*>(staff->GetKeyAtTime(time, hand))
                                      : staff->GetClefAtTime(time, hand);
}

ECBase* MCMarkEdit::BeforeTime(ECStaff* staff, const MCTime& time, std::uint8_t hand) const {
    return m_nEventId == EventId::Key ? static_cast<ECBase*>(staff->GetKeyBeforeTime(time, hand))
                                      : staff->GetClefBeforeTime(time, hand);
}

ECBase* MCMarkEdit::Next(ECStaff* staff, const MCTime& from, bool atFrom, std::uint8_t hand,
                         ECBase* skip1, ECBase* skip2) const {
    for (ECBase* measure : *staff->GetChildren()) {
        if (measure->GetEventId() != EventId::Measure) {
            continue;
        }
        for (ECBase* element : *measure->GetChildren()) {
            if (element->GetEventId() != m_nEventId || element == skip1 || element == skip2 ||
                HandOf(element) != hand) {
                continue;
            }
            const MCTime& time = *element->GetTime();
            if (time > from || (atFrom && time == from)) {
                return element;
            }
        }
    }
    return nullptr;
}

int MCMarkEdit::Prepare(ECConductor* conductor, bool adding, bool canUndo) {
    if (m_pOther != nullptr) {
        m_pConductorStaff = m_pOther->m_pConductorStaff;
        return m_pOther->IsInEffect() ? 1 : 0;
    }
    if (!m_journal.IsEmpty() && !m_journal.IsInEffect()) {
        return m_pConductorStaff != nullptr ? 1 : 0;
    }
    m_info[1].reset();
    m_info[2].reset();
    m_pConductorStaff = conductor->GetConductorStaff();
    CCMarkInfo* subject = m_info[0].get();
    if (m_pConductorStaff == nullptr || subject == nullptr) {
        return m_pConductorStaff != nullptr ? 1 : 0;
    }
    ECStaff* staff =
        subject->GetMeasure() != nullptr ? ECStaff::TrackingStaff(subject->GetMeasure()) : nullptr;
    if (staff == nullptr || m_pConductorStaff->GetStaffNumber(staff) <= 0) {
        return 0;
    }
    ECBase* element = subject->GetElement();
    const MCTime& time = subject->GetTime();
    const std::uint8_t hand = subject->GetHand();
    ECBase* before = adding ? AtTime(staff, time, hand) : BeforeTime(staff, time, hand);
    if (before == element) {
        before = nullptr;
    }
    if (adding) {
        if (before == nullptr) {
            return 1;
        }
        m_info[1] = MakeInfo(before, nullptr);
        // A new one at the time of the one in force replaces it.
        if (canUndo && *before->GetTime() == time) {
            m_info[1]->SetRemove(1);
        }
        ECBase* after = Next(staff, time, *before->GetTime() != time, hand, before, element);
        if (after == nullptr) {
            return 1;
        }
        m_info[2] = MakeInfo(after, nullptr);
        // A following one equal to the new one says nothing new any more.
        if (canUndo && Equal(after, element)) {
            m_info[2]->SetRemove(1);
        }
        return 1;
    }
    if (before != nullptr) {
        m_info[1] = MakeInfo(before, nullptr);
    }
    ECBase* after = Next(staff, time, false, hand, before, element);
    if (after != nullptr) {
        m_info[2] = MakeInfo(after, nullptr);
        // With the removed one gone, the following one would repeat the one before.
        if (canUndo && before != nullptr && Equal(after, before)) {
            m_info[2]->SetRemove(1);
        }
    }
    return 1;
}

void MCMarkEdit::Withdraw(MCEditJournal& journal, ECBase* element) {
    if (auto* shown = dynamic_cast<MCMirrorList*>(element)) {
        std::vector<ECBase*> mirrors(shown->GetMirrors().begin(), shown->GetMirrors().end());
        for (ECBase* entry : mirrors) {
            journal.WithdrawMirror(static_cast<ECMirror*>(entry));
        }
    }
    for (ECBase* parent : ParentsOf(element)) {
        journal.Unlink(parent, element);
    }
}

void MCMarkEdit::WithdrawNeighbours() {
    for (std::size_t i = 1; i < 3; ++i) {
        if (m_info[i] != nullptr && m_info[i]->GetRemove() != 0) {
            Withdraw(m_journal, m_info[i]->GetElement());
        }
    }
}

void MCMarkEdit::Revert() {
    if (m_pOther != nullptr) {
        m_state.Revert(m_pOther->m_journal, false, m_pConductorStaff);
    } else {
        m_state.Revert(m_journal, true, m_pConductorStaff);
    }
}

} // namespace clavenor
