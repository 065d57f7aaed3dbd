#include "clavenor/actions/ACBase.h"

#include "clavenor/model/ECBase.h"
#include "clavenor/model/EventRegistry.h"
#include "clavenor/model/MCEventList.h"
#include "clavenor/model/detail/MCGraphWalk.h"

namespace clavenor {

namespace {

bool Contains(const CArray<int, int>& types, int id) {
    const int* data = types.GetData();
    for (int i = 0, n = types.GetSize(); i < n; ++i) {
        if (data[i] == id) {
            return true;
        }
    }
    return false;
}

} // namespace

ACBase::ACBase(int reverse) : m_nFlags(FlagClip | FlagBypass) {
    SetReverse(reverse);
    for (int id : MCGraphWalk::SpanningMarks) {
        m_clipTypes.Add(id);
    }
    for (int id : MCGraphWalk::PassThroughKinds) {
        m_bypassTypes.Add(id);
    }
    IndexTypes();
}

void ACBase::Index(const CArray<int, int>& types, TypeSet& set) {
    set = TypeSet{};
    const int* data = types.GetData();
    for (int i = 0, n = types.GetSize(); i < n; ++i) {
        const int id = data[i];
        if (id >= 0 && id < TypeBits) {
            set.bits[id / 64] |= std::uint64_t{1} << (id % 64);
        } else {
            set.beyond = true;
        }
    }
}

bool ACBase::HoldsBeyond(const CArray<int, int>& types, int id) { return Contains(types, id); }

void ACBase::IndexTypes() {
    Index(m_clipTypes, m_clipSet);
    Index(m_bypassTypes, m_bypassSet);
}

ACBase::~ACBase() = default;

int ACBase::BeginAction() {
    m_nCurDepth = 0;
    return 1;
}

bool ACBase::EnsureBegun() {
    if ((m_nFlags & FlagBegun) == 0 && BeginAction() != 0) {
        m_nFlags |= FlagBegun;
    }
    return (m_nFlags & FlagBegun) != 0;
}

int ACBase::Apply(ECBase* start) {
    if (start == nullptr) {
        return ResultContinue;
    }
    if ((m_nFlags & FlagBegun) == 0 && !EnsureBegun()) {
        return ResultAbort;
    }
    if (m_nNesting == 0) {
        IndexTypes();
    }
    // One virtual call per element for both filters.
    const int id = (m_nFlags & (FlagClip | FlagBypass)) != 0 ? start->GetEventId() : EventId::None;
    const bool bypass = (m_nFlags & FlagBypass) != 0 && Holds(m_bypassSet, m_bypassTypes, id);
    int result = ResultContinue;
    if (!bypass) {
        result = DoAction(start);
        if (result == ResultAbort) {
            return ResultAbort;
        }
        if (result == ResultSkipChildren || result == ResultStop || result == ResultSkipSiblings) {
            return result;
        }
        if (result == ResultContinue && (m_nFlags & FlagClip) != 0 &&
            Holds(m_clipSet, m_clipTypes, id)) {
            return ResultSkipChildren;
        }
    }

    MCEventList* next = IsReverse() != 0 ? start->GetParents() : start->GetChildren();
    if (next != nullptr && !next->IsEmpty()) {
        // Bypassed elements do not count as a level, and the depth is only counted while a
        // limit is set.
        const bool counted = !bypass && m_nDepthLimit < Unlimited;
        if (counted && m_nCurDepth + 1 > m_nDepthLimit) {
            return ResultSkipChildren;
        }
        LevelGuard level(m_nCurDepth, m_nNesting);
        if (counted) {
            ++m_nCurDepth;
        }
        // The iterator takes the next node (and starts loading it) before the body runs, so
        // DoAction may detach the element it is given (as long as something else still holds
        // it). Unlike GetNext, it is inline: no call per element.
        for (ECBase* element : *next) {
            const int r = Apply(element);
            if (r == ResultAbort || r == ResultStop) {
                result = r;
                break;
            }
            if (r == ResultSkipSiblings) {
                result = ResultContinue;
                break;
            }
            result = (r == ResultContinue || r == ResultSkipChildren) ? ResultContinue : r;
        }
    }

    // The current depth stays 0 throughout an unlimited walk, so the outermost call is told
    // apart by the nesting count.
    if (m_nNesting != 0 || (m_nFlags & FlagListMode) != 0) {
        return result;
    }
    EndAction();
    return result;
}

int ACBase::Apply(MCEventList* list, int ignoreStops) {
    m_nFlags |= FlagListMode;
    int result = ResultContinue;
    if (list != nullptr) {
        for (POSITION pos = list->GetHeadPosition(); pos != nullptr;) {
            ECBase* element = list->GetNext(pos);
            if (element == nullptr) {
                continue;
            }
            result = Apply(element);
            const bool stop =
                result == ResultAbort || result == ResultStop || result == ResultSkipSiblings;
            m_nCurDepth = 0;
            if (stop && ignoreStops == 0) {
                result = ResultStop;
                break;
            }
        }
    }
    EndAction();
    return result;
}

int ACBase::DoAction(ECBase*) { return ResultContinue; }

void ACBase::EndAction() {}

void ACBase::Reset() { m_nFlags &= ~FlagBegun; }

void ACBase::ClipEvtType(int id) {
    if (id == -1) {
        ClipNone();
        return;
    }
    m_clipTypes.Add(id);
    m_nFlags |= FlagClip;
    IndexTypes();
}

void ACBase::ClipNone() {
    m_clipTypes.RemoveAll();
    m_nFlags &= ~FlagClip;
    IndexTypes();
}

void ACBase::BypassEvtType(int id) {
    if (id == -1) {
        BypassNone();
        return;
    }
    m_bypassTypes.Add(id);
    m_nFlags |= FlagBypass;
    IndexTypes();
}

void ACBase::BypassNone() {
    m_bypassTypes.RemoveAll();
    m_nFlags &= ~FlagBypass;
    IndexTypes();
}

int ACBase::ShouldClip(ECBase* element) const {
    return (m_nFlags & FlagClip) != 0 && Contains(m_clipTypes, element->GetEventId()) ? 1 : 0;
}

int ACBase::ShouldBypass(ECBase* element) const {
    return (m_nFlags & FlagBypass) != 0 && Contains(m_bypassTypes, element->GetEventId()) ? 1 : 0;
}

void ACBase::SetReverse(int reverse) {
    if ((reverse & 1) != 0) {
        m_nFlags |= FlagReverse;
    } else {
        m_nFlags &= ~FlagReverse;
    }
}

} // namespace clavenor
