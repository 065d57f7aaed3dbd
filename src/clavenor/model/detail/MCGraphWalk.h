#pragma once

#include "clavenor/framework/POSITION.h"
#include "clavenor/model/ECBase.h"
#include "clavenor/model/EventRegistry.h"
#include "clavenor/model/MCEventList.h"

#include <cstddef>
#include <vector>

namespace clavenor {

/// The walks the model core makes without the walk actions, which are built on it, and the
/// kinds of element every walk treats specially by default.
class MCGraphWalk {
public:
    /// Spanning marks: their children are also children of a measure or a chord, so a walk
    /// down reaches those there and by default does not enter the mark.
    static constexpr int SpanningMarks[] = {EventId::Beam, EventId::Slur, EventId::Tie,
                                            EventId::Glissando};

    /// Containers walked through rather than acted on by default: the envelopes (a walk acts
    /// on their points) and ids 63 and 69.
    static constexpr int PassThroughKinds[] = {
        EventId::ChanPressureEnv, EventId::ControllerEnv,   EventId::Envelope,
        EventId::MeterEnv,        EventId::NRPNEnv,         EventId::PatchEnv,
        EventId::PitchBendEnv,    EventId::PolyPressureEnv, EventId::RPNEnv,
        EventId::TempoEnv,        EventId::Reserved63,      EventId::Reserved69,
    };

    static constexpr bool IsSpanningMark(int id) { return Contains(SpanningMarks, id); }
    static constexpr bool IsPassThrough(int id) { return Contains(PassThroughKinds, id); }

    /// Walks from `start` depth first: each list in order, a child's whole subtree before
    /// its next sibling, down through children or (`upward`) up through parents. The walk
    /// goes into an element's list when `enter(element, level)` is true (the start is at
    /// level 0, its children or parents at level 1), and calls `visit(element, level)` on
    /// every element it reaches beyond the start; a visit that returns true ends the walk,
    /// which returns that element (null when the walk runs out).
    ///
    /// The way back is kept on a small stack of its own, so no depth of graph can exhaust the
    /// thread's stack, and memory is needed only below 48 levels (std::bad_alloc). Neither
    /// callback may remove the element it is given, nor change the lists above it.
    template <class Enter, class Visit>
    static ECBase* Walk(ECBase* start, bool upward, Enter enter, Visit visit) {
        struct Frame {
            MCEventList* list;
            POSITION pos;
        };
        constexpr std::size_t Inline = 48;
        Frame frames[Inline];
        std::vector<Frame> deeper;
        std::size_t size = 0;
        auto push = [&](ECBase* e, std::size_t level) {
            MCEventList* list = upward ? e->GetParents() : e->GetChildren();
            if (list == nullptr || list->IsEmpty() || !enter(e, level)) {
                return;
            }
            const Frame frame{list, list->GetHeadPosition()};
            if (size < Inline) {
                frames[size] = frame;
            } else {
                deeper.push_back(frame);
            }
            ++size;
        };
        push(start, 0);
        while (size > 0) {
            Frame& top = size <= Inline ? frames[size - 1] : deeper[size - 1 - Inline];
            if (top.pos == nullptr) {
                if (size > Inline) {
                    deeper.pop_back();
                }
                --size;
                continue;
            }
            ECBase* e = top.list->GetNext(top.pos);
            if (visit(e, size)) {
                return e;
            }
            push(e, size);
        }
        return nullptr;
    }

private:
    template <std::size_t N>
    static constexpr bool Contains(const int (&ids)[N], int id) {
        for (int each : ids) {
            if (each == id) {
                return true;
            }
        }
        return false;
    }
};

} // namespace clavenor
