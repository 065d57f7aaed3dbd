#include "clavenor/commands/detail/MCEditRun.h"

#include "clavenor/commands/CCBase.h"
#include "clavenor/elements/ECConductor.h"
#include "clavenor/elements/ECConductorStaff.h"
#include "clavenor/framework/detail/ReserveOneMore.h"
#include "clavenor/model/ECBase.h"
#include "clavenor/model/EventRegistry.h"

#include <algorithm>
#include <utility>

namespace clavenor {

MCEditRun::MCEditRun() = default;

MCEditRun::~MCEditRun() {
    Clear();
    m_state.Forget();
    if (m_pOwner != nullptr) {
        m_pOwner->Unref(1);
    }
}

void MCEditRun::TakeBackOf(CCBase* owner, MCEditRun* other) {
    owner->Ref();
    m_pOwner = owner;
    m_pOther = other;
}

int MCEditRun::Prepare(ECConductor* conductor) {
    if (m_pOther != nullptr) {
        m_pConductorStaff = m_pOther->m_pConductorStaff;
        return m_pOther->IsInEffect() ? 1 : 0;
    }
    if (IsRedo()) {
        return 1;
    }
    // Asking the conductor would make a conductor staff, and an edit must not add anything
    // but what it says.
    m_pConductorStaff = FindConductorStaff(conductor);
    return 1;
}

ECConductorStaff* MCEditRun::FindConductorStaff(ECBase* conductor) {
    MCEventList* children = conductor != nullptr ? conductor->GetChildren() : nullptr;
    if (children == nullptr) {
        return nullptr;
    }
    for (ECBase* child : *children) {
        if (child->GetEventId() == EventId::ConductorStaff) {
            return static_cast<ECConductorStaff*>(child);
        }
    }
    return nullptr;
}

namespace {

// Visits the elements above `element` depth-first through the parents, in list order (an
// element reached on two roads twice), until `visit` returns true.
template <class Visit>
void WalkAbove(ECBase* element, Visit visit) {
    if (element == nullptr) {
        return;
    }
    // An explicit stack, so that a deep graph costs memory rather than the thread's stack.
    std::vector<ECBase*> pending;
    auto push = [&pending](ECBase* from) {
        MCEventList* parents = from->GetParents();
        const std::size_t at = pending.size();
        for (ECBase* parent : *parents) {
            pending.push_back(parent);
        }
        std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(at), pending.end());
    };
    push(element);
    while (!pending.empty()) {
        ECBase* candidate = pending.back();
        pending.pop_back();
        if (visit(candidate)) {
            return;
        }
        push(candidate);
    }
}

} // namespace

ECBase* MCEditRun::FindAbove(ECBase* element, const int* ids, std::size_t count) {
    ECBase* found = nullptr;
    WalkAbove(element, [&found, ids, count](ECBase* candidate) {
        if (std::find(ids, ids + count, candidate->GetEventId()) == ids + count) {
            return false;
        }
        found = candidate;
        return true;
    });
    return found;
}

void MCEditRun::FindEachAbove(ECBase* element, const int* ids, ECBase** found, std::size_t count) {
    std::fill(found, found + count, nullptr);
    std::size_t missing = count;
    // The walk goes on past an element found for one id exactly as the walk for another id
    // alone does, so each id meets its own nearest first.
    WalkAbove(element, [&](ECBase* candidate) {
        const int id = candidate->GetEventId();
        for (std::size_t i = 0; i < count; ++i) {
            if (found[i] == nullptr && ids[i] == id) {
                found[i] = candidate;
                --missing;
            }
        }
        return missing == 0;
    });
}

MCTime MCEditRun::Difference(const MCTime& a, const MCTime& b) {
    if (a.GetMode() == MCTime::ModeBarPulseTick || b.GetMode() == MCTime::ModeBarPulseTick) {
        return MCTime::TimeZero();
    }
    MCTime difference = a;
    difference -= b;
    return difference;
}

void MCEditRun::SetDuration(ECBase* element, const MCTime& duration) {
    MCTime* now = element != nullptr ? element->GetDuration() : nullptr;
    if (now == nullptr) {
        return;
    }
    ReserveOneMore(m_durations);
    element->Ref();
    m_durations.push_back(DurationChange{element, duration});
    MCTime swapped = *now;
    element->SetDuration(&m_durations.back().duration);
    m_durations.back().duration = swapped;
}

void MCEditRun::SwapDurations() {
    // The last first, so that an element set twice ends with the duration it had first.
    for (auto it = m_durations.rbegin(); it != m_durations.rend(); ++it) {
        MCTime* now = it->element->GetDuration();
        if (now == nullptr) {
            continue;
        }
        MCTime swapped = *now;
        it->element->SetDuration(&it->duration);
        it->duration = swapped;
    }
}

void MCEditRun::Run(MCEditRun& run, bool forward) {
    if (run.m_bInEffect == forward) {
        return;
    }
    run.SwapDurations();
    try {
        if (m_pConductorStaff != nullptr) {
            m_state.Replay(run.m_journal, forward, m_pConductorStaff);
        } else if (forward) {
            run.m_journal.MakeAgain();
        } else {
            run.m_journal.TakeBack();
        }
    } catch (...) {
        run.SwapDurations();
        throw;
    }
    run.m_bInEffect = forward;
    m_bLastRecorded = false;
}

void MCEditRun::Revert() {
    MCEditRun& run = m_pOther != nullptr ? *m_pOther : *this;
    if (!run.m_bRecorded) {
        return;
    }
    // The run goes back to what it was before the last Process.
    const bool forward = !run.m_bInEffect;
    if (m_pConductorStaff != nullptr) {
        m_state.Revert(run.m_journal, !forward, m_pConductorStaff);
    } else if (forward) {
        run.m_journal.MakeAgain();
    } else {
        run.m_journal.TakeBack();
    }
    run.SwapDurations();
    run.m_bInEffect = forward;
    if (m_bLastRecorded && m_pOther == nullptr) {
        Clear();
    }
}

void MCEditRun::Clear() {
    m_journal.Clear();
    for (DurationChange& change : m_durations) {
        change.element->Unref(1);
    }
    m_durations.clear();
    m_bRecorded = false;
    m_bInEffect = false;
    m_bLastRecorded = false;
}

} // namespace clavenor
