#include "clavenor/commands/CCEditTimeItem.h"

#include "clavenor/commands/detail/MCEditRun.h"
#include "clavenor/elements/ECConductor.h"
#include "clavenor/elements/ECConductorStaff.h"
#include "clavenor/elements/ECEnvPoint.h"
#include "clavenor/elements/ECMeasure.h"
#include "clavenor/elements/ECStaff.h"
#include "clavenor/elements/ECTuplet.h"
#include "clavenor/model/EventRegistry.h"
#include "clavenor/model/MCEventList.h"

#include <iterator>
#include <vector>

namespace clavenor {

namespace {

bool IsMark(ECBase* element) {
    const int id = element->GetEventId();
    return id == EventId::Dynamic || id == EventId::Pedal || id == EventId::Tempo ||
           id == EventId::Transpose;
}

bool HasChildOf(ECBase* element, int id) {
    for (ECBase* child : *element->GetChildren()) {
        if (child->GetEventId() == id) {
            return true;
        }
    }
    return false;
}

void Dissolve(MCEditRun& run, ECBase* group) {
    const int id = group->GetEventId();
    if (id == EventId::Chord && !HasChildOf(group, EventId::Note)) {
        std::vector<ECBase*> rest(group->GetChildren()->begin(), group->GetChildren()->end());
        for (ECBase* child : rest) {
            run.Journal().Unlink(group, child);
        }
    } else if (id != EventId::Tuplet) {
        return;
    }
    if (group->GetChildren()->IsEmpty()) {
        CCEditTimeItem::Withdraw(run, group);
    }
}

} // namespace

CCEditTimeItem::CCEditTimeItem(ECBase* event, const MCTime& time)
    : CCEditItem(event, false), m_newTime(time) {
    if (event == nullptr || event->GetEventId() == EventId::GraceNote) {
        return;
    }
    // One walk up for the three: every item of a time edit, and of its undo, is made here.
    static constexpr int Groups[] = {EventId::Measure, EventId::Tuplet, EventId::Chord};
    ECBase* above[std::size(Groups)] = {};
    MCEditRun::FindEachAbove(event, Groups, above, std::size(Groups));
    ECBase* current = above[0];
    if (current == nullptr) {
        return;
    }
    ECConductorStaff* conductorStaff =
        MCEditRun::FindConductorStaff(event->GetAncestor(EventId::Conductor, -1));
    ECMeasure* measure = conductorStaff != nullptr
                             ? conductorStaff->GetMeasure(event->GetTrack(), time, 0, 1)
                             : nullptr;
    ECBase* tuplet = above[1];
    ECBase* chord = above[2];
    if (measure != current) {
        m_target.Reset(measure);
    } else if (tuplet != nullptr || chord != nullptr) {
        m_target.Reset(measure);
    }
    if (m_target) {
        m_tuplet.Reset(tuplet);
    }
    if (measure == nullptr && conductorStaff != nullptr) {
        ECStaff* staff = ECStaff::TrackingStaff(current);
        m_bPlaceable = staff == nullptr || conductorStaff->GetStaffNumber(staff) <= 0;
    }
}

CCEditTimeItem::~CCEditTimeItem() = default;

void CCEditTimeItem::Process(int keepUndo) {
    ECBase* event = GetEvent();
    if (keepUndo != 0 && m_oldTime == MCTime::TimeNull() && event != nullptr &&
        event->GetTime() != nullptr) {
        m_oldTime = *event->GetTime();
    }
}

void CCEditTimeItem::Withdraw(MCEditRun& run, ECBase* element) {
    std::vector<ECBase*> parents(element->GetParents()->begin(), element->GetParents()->end());
    for (ECBase* parent : parents) {
        if (run.Journal().Unlink(parent, element)) {
            Dissolve(run, parent);
        }
    }
}

void CCEditTimeItem::Change(MCEditRun& run) {
    ECBase* event = GetEvent();
    if (event == nullptr) {
        return;
    }
    MCEditJournal& journal = run.Journal();
    if (m_target) {
        journal.SetTime(event, m_newTime);
        if (!m_tuplet) {
            Withdraw(run, event);
            journal.Link(m_target.Get(), event);
            return;
        }
        auto tuplet = MakeRef<ECTuplet>(*static_cast<ECTuplet*>(m_tuplet.Get()));
        MCTime at = m_newTime;
        tuplet->SetTime(&at);
        Withdraw(run, event);
        journal.Link(tuplet.Get(), event);
        journal.Link(m_target.Get(), tuplet.Get());
        return;
    }
    MCEventList anchors;
    auto* point = dynamic_cast<ECEnvPoint*>(event);
    if (point != nullptr && IsMark(event) && point->GetAnchorList(anchors) != 0 &&
        !anchors.IsEmpty()) {
        ECBase* first = anchors.GetHead();
        ECBase* last = anchors.GetTail();
        if (event == first && first != last) {
            journal.SetTime(first, m_newTime);
            run.SetDuration(first, MCEditRun::Difference(*last->GetTime(), m_newTime));
            return;
        }
        if (event == last && first != last) {
            run.SetDuration(first, MCEditRun::Difference(m_newTime, *first->GetTime()));
            journal.SetTime(last, m_newTime);
            return;
        }
    }
    journal.SetTime(event, m_newTime);
}

} // namespace clavenor
