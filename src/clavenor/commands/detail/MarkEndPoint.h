#pragma once

#include "clavenor/commands/CCAddEnvPtItem.h"
#include "clavenor/model/ECBase.h"
#include "clavenor/model/MCEventList.h"
#include "clavenor/model/MCTime.h"

#include <new>

namespace clavenor {

/// Whether a mark lasts: it has a duration above zero.
template <class Mark>
bool Lasts(Mark* mark) {
    return *mark->GetDuration() > MCTime::TimeZero();
}

/// Makes the end point of a mark that lasts: a copy of `start` at its time plus its
/// duration, with no duration; gives `item` the anchor list (start, end) and returns the
/// end, which the item's list holds. std::bad_alloc, with nothing kept, when memory is
/// short.
template <class Mark>
Mark* MakeEndPoint(CCAddEnvPtItem* item, Mark* start) {
    MCEventList anchors(10);
    if (anchors.AddTail(start) == nullptr) {
        throw std::bad_alloc();
    }
    auto* end = new Mark(*start);
    if (anchors.AddTail(end) == nullptr) {
        delete end;
        throw std::bad_alloc();
    }
    MCTime at = *start->GetTime();
    at += *start->GetDuration();
    end->SetTime(&at);
    MCTime none(0.0f);
    end->SetDuration(&none);
    item->SetAnchorList(&anchors);
    return end;
}

} // namespace clavenor
