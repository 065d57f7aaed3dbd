#include "clavenor/commands/detail/MCEnvPointEdit.h"

#include "clavenor/commands/CCBase.h"
#include "clavenor/commands/detail/MCMarkEdit.h"
#include "clavenor/elements/ECEnvelope.h"
#include "clavenor/elements/ECTempo.h"
#include "clavenor/elements/ECTempoEnv.h"
#include "clavenor/framework/detail/ReserveOneMore.h"
#include "clavenor/model/MCEventList.h"

#include <algorithm>

namespace clavenor {

MCEnvPointEdit::MCEnvPointEdit() = default;

MCEnvPointEdit::~MCEnvPointEdit() {
    Clear();
    if (m_pOwner != nullptr) {
        m_pOwner->Unref(1);
    }
}

void MCEnvPointEdit::TakeBackOf(CCBase* owner, MCEnvPointEdit* other) {
    owner->Ref();
    m_pOwner = owner;
    m_pOther = other;
}

void MCEnvPointEdit::Touch(ECEnvelope* envelope) {
    if (dynamic_cast<ECTempoEnv*>(envelope) == nullptr ||
        std::find(m_touched.begin(), m_touched.end(), envelope) != m_touched.end()) {
        return;
    }
    ReserveOneMore(m_touched);
    envelope->Ref();
    m_touched.push_back(envelope);
}

bool MCEnvPointEdit::Link(ECEnvelope* envelope, ECEnvPoint* point) {
    const MCTime* time = point->GetTime();
    if (time == nullptr || time->GetMode() == MCTime::ModeBarPulseTick ||
        point->GetParents()->FindNearEnds(envelope) != nullptr) {
        return false;
    }
    if (dynamic_cast<ECTempoEnv*>(envelope) != nullptr &&
        dynamic_cast<ECTempo*>(point) == nullptr) {
        return false;
    }
    // The envelope moves a point before zero to zero, and keeps one point per time.
    const MCTime at = *time < MCTime::TimeZero() ? MCTime::TimeZero() : *time;
    if (envelope->GetPointAt(at) != nullptr) {
        return false;
    }
    Touch(envelope);
    return m_journal.Link(envelope, point);
}

void MCEnvPointEdit::Withdraw(ECEnvPoint* point) {
    for (ECBase* parent : *point->GetParents()) {
        if (auto* envelope = dynamic_cast<ECEnvelope*>(parent)) {
            Touch(envelope);
        }
    }
    MCMarkEdit::Withdraw(m_journal, point);
}

void MCEnvPointEdit::SetTime(ECEnvPoint* point, const MCTime& time) {
    for (ECBase* parent : *point->GetParents()) {
        if (auto* envelope = dynamic_cast<ECEnvelope*>(parent)) {
            Touch(envelope);
        }
    }
    m_journal.SetTime(point, time);
}

void MCEnvPointEdit::SetAnchorFlags(ECEnvPoint* point, int anchor, int head) {
    ReserveOneMore(m_steps);
    m_flags.push_back(FlagChange{point, anchor & 1, head & 1});
    point->Ref();
    SwapFlags(m_flags.back());
    m_steps.push_back(Step{Kind::Flags, m_flags.size() - 1});
}

bool MCEnvPointEdit::AddGroup(ECEnvelope* envelope, MCEventList* points) {
    ReserveOneMore(m_steps);
    ReserveOneMore(m_groups);
    MCEventList* group = envelope->AddAnchorGroup(points);
    if (group == nullptr) {
        return false;
    }
    envelope->Ref();
    m_groups.push_back(
        GroupChange{envelope, group, nullptr, envelope->GetAnchorGroupCount() - 1, true});
    m_steps.push_back(Step{Kind::Group, m_groups.size() - 1});
    return true;
}

void MCEnvPointEdit::RemoveGroup(ECEnvelope* envelope, MCEventList* group) {
    ReserveOneMore(m_steps);
    ReserveOneMore(m_groups);
    int index = 0;
    std::unique_ptr<MCEventList> detached = envelope->DetachAnchorGroup(group, index);
    if (detached == nullptr) {
        return;
    }
    envelope->Ref();
    m_groups.push_back(GroupChange{envelope, group, std::move(detached), index, false});
    m_steps.push_back(Step{Kind::Group, m_groups.size() - 1});
}

void MCEnvPointEdit::SwapFlags(FlagChange& change) {
    const int anchor = change.point->IsAnchor();
    const int head = change.point->IsAnchorHead();
    change.point->SetAnchor(change.anchor);
    change.point->SetAnchorHead(change.head);
    change.anchor = anchor;
    change.head = head;
}

void MCEnvPointEdit::ToggleGroup(GroupChange& change, bool forward) {
    const bool inserted = forward == change.insertedInEffect;
    if (inserted && change.detached != nullptr) {
        change.envelope->InsertAnchorGroup(change.index, change.detached);
    } else if (!inserted && change.detached == nullptr) {
        int index = change.index;
        change.detached = change.envelope->DetachAnchorGroup(change.group, index);
        change.index = index;
    }
}

void MCEnvPointEdit::Run(bool forward) {
    if (forward == m_bInEffect) {
        return;
    }
    if (forward) {
        m_journal.MakeAgain();
    }
    auto toggle = [this, forward](const Step& step) {
        if (step.kind == Kind::Group) {
            ToggleGroup(m_groups[step.entry], forward);
        } else {
            SwapFlags(m_flags[step.entry]);
        }
    };
    if (forward) {
        std::for_each(m_steps.begin(), m_steps.end(), toggle);
    } else {
        std::for_each(m_steps.rbegin(), m_steps.rend(), toggle);
        m_journal.TakeBack();
    }
    m_bInEffect = forward;
}

void MCEnvPointEdit::Replay(MCEnvPointEdit* edit, bool forward) {
    edit->Run(forward);
    edit->Refresh();
}

void MCEnvPointEdit::Refresh() const {
    for (ECEnvelope* envelope : m_touched) {
        static_cast<ECTempoEnv*>(envelope)->RecalculateClockTimes();
    }
}

void MCEnvPointEdit::Revert() {
    if (m_pOther != nullptr) {
        Replay(m_pOther, true);
    } else {
        Replay(this, false);
    }
}

void MCEnvPointEdit::Forget() {
    Run(false);
    Refresh();
    Clear();
}

void MCEnvPointEdit::Clear() {
    m_journal.Clear();
    for (auto it = m_groups.rbegin(); it != m_groups.rend(); ++it) {
        it->detached.reset();
        it->envelope->Unref(1);
    }
    for (auto it = m_flags.rbegin(); it != m_flags.rend(); ++it) {
        it->point->Unref(1);
    }
    for (ECEnvelope* envelope : m_touched) {
        envelope->Unref(1);
    }
    m_steps.clear();
    m_groups.clear();
    m_flags.clear();
    m_touched.clear();
    m_bInEffect = true;
    m_bRecorded = false;
}

} // namespace clavenor
