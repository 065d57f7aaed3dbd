#include "clavenor/commands/CCEditDurItem.h"

#include "clavenor/commands/detail/MCEditRun.h"
#include "clavenor/elements/ECEnvPoint.h"
#include "clavenor/model/EventRegistry.h"
#include "clavenor/model/MCEventList.h"

namespace clavenor {

namespace {

bool IsMark(ECBase* element) {
    const int id = element->GetEventId();
    return id == EventId::Dynamic || id == EventId::Pedal || id == EventId::Tempo ||
           id == EventId::Transpose;
}

MCTime DurationOf(ECBase* element) {
    MCTime* duration = element != nullptr ? element->GetDuration() : nullptr;
    return duration != nullptr ? *duration : MCTime::TimeZero();
}

} // namespace

CCEditDurItem::CCEditDurItem(ECBase* event, const MCTime& duration) : CCEditItem(event) {
    if (m_editCopy) {
        MCTime wanted = duration;
        m_editCopy->SetDuration(&wanted);
    }
    auto* point = dynamic_cast<ECEnvPoint*>(event);
    if (point == nullptr || !IsMark(event)) {
        return;
    }
    auto anchors = std::make_unique<MCEventList>();
    if (point->GetAnchorList(*anchors) != 0 && !anchors->IsEmpty()) {
        m_pAnchors = std::move(anchors);
    }
}

CCEditDurItem::~CCEditDurItem() = default;

MCTime CCEditDurItem::GetNewDuration() const { return DurationOf(m_editCopy.Get()); }

MCTime CCEditDurItem::GetOldDuration() const { return DurationOf(m_undoCopy.Get()); }

void CCEditDurItem::Process(int keepUndo) {
    ECBase* event = GetEvent();
    if (keepUndo == 0 || m_undoCopy || event == nullptr) {
        return;
    }
    Ref<ECBase> copy = MakeCopy(event);
    if (copy) {
        MCTime old = DurationOf(event);
        copy->SetDuration(&old);
    }
    m_undoCopy = std::move(copy);
}

void CCEditDurItem::Change(MCEditRun& run) {
    ECBase* event = GetEvent();
    if (event == nullptr) {
        return;
    }
    const MCTime duration = GetNewDuration();
    if (m_pAnchors == nullptr) {
        run.SetDuration(event, duration);
        return;
    }
    ECBase* first = m_pAnchors->GetHead();
    ECBase* last = m_pAnchors->GetTail();
    const MCTime start = first->GetTime() != nullptr ? *first->GetTime() : MCTime::TimeZero();
    run.Journal().SetTime(first, start);
    run.SetDuration(first, duration);
    if (last != first) {
        MCTime end = start;
        end += duration;
        run.Journal().SetTime(last, end);
        run.SetDuration(last, MCTime::TimeZero());
    }
}

} // namespace clavenor
