#include "clavenor/model/ECBase.h"

#include "clavenor/framework/CArchive.h"
#include "clavenor/framework/CMessageQueue.h"
#include "clavenor/model/DCBase.h"
#include "clavenor/model/EventRegistry.h"
#include "clavenor/model/detail/MCDataClassTable.h"
#include "clavenor/model/detail/MCGraphWalk.h"

#include <vector>

namespace clavenor {

IMPLEMENT_SERIAL(ECBase, CObject, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECBase, EventId::Base)

ECBase::ECBase() = default;

ECBase::ECBase(const ECBase&) : CObject() {}

ECBase::~ECBase() {
    BeginDestruction();
    RemoveData(-1);
    m_parents.RemoveAll();
}

ECBase& ECBase::operator=(const ECBase&) { return *this; }

void ECBase::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        // Records may have been stored into the array directly; write what it holds.
        SetFlag(FlagHasData, m_data != nullptr && m_data->GetArchivableCount() > 0);
        ar << static_cast<std::uint8_t>(m_nFlags & 0xFFu);
        if ((m_nFlags & FlagHasData) != 0) {
            m_data->SerializeFor(ar, this);
        }
        return;
    }
    std::uint8_t low = 0;
    ar >> low;
    m_nFlags = (m_nFlags & ~0xFFu) | low;
    if ((m_nFlags & FlagHasData) != 0) {
        // Loading replaces whatever records the element had.
        RemoveData(-1);
        m_nFlags |= FlagHasData;
        DataArray().SerializeFor(ar, this);
    }
    m_nFlags &= ~FlagSelected;
}

ECBase* ECBase::Copy(CObject* src) { return CopyAs(this, src); }

int ECBase::GetEventId() const { return EventId::Base; }

int ECBase::GetParentTypes(CArray<int, int>&) { return 0; }

int ECBase::IsSelected() { return (m_nFlags & FlagSelected) != 0 ? 1 : 0; }

void ECBase::SetSelected(int selected) { SetFlag(FlagSelected, (selected & 1) != 0); }

MCTime* ECBase::GetTime() { return nullptr; }

void ECBase::SetTime(MCTime*) {}

MCTime* ECBase::GetDuration() { return nullptr; }

void ECBase::SetDuration(MCTime*) {}

MCVoiceTrack* ECBase::GetVoiceTrack() { return nullptr; }

void ECBase::SetVoiceTrack(int, int) {}

void ECBase::SetVoiceTrack(MCVoiceTrack*) {}

int ECBase::GetVoice() {
    MCVoiceTrack* vt = GetVoiceTrack();
    return vt != nullptr ? static_cast<int>(vt->GetVoice()) : 15;
}

void ECBase::SetVoice(int voice) {
    if (MCVoiceTrack* vt = GetVoiceTrack()) {
        vt->SetVoice(static_cast<unsigned>(voice));
    }
}

int ECBase::GetTrack() {
    MCVoiceTrack* vt = GetVoiceTrack();
    return vt != nullptr ? static_cast<int>(vt->GetTrack()) : 2047;
}

void ECBase::SetTrack(int track) {
    if (MCVoiceTrack* vt = GetVoiceTrack()) {
        vt->SetTrack(static_cast<unsigned>(track));
    }
}

MCEventList* ECBase::GetParents() { return &m_parents; }

int ECBase::AddParent(ECBase* parent) {
    if (parent == nullptr) {
        return 0;
    }
    return m_parents.AddTail(parent) != nullptr ? 1 : 0;
}

int ECBase::RemoveParent(ECBase* parent) {
    POSITION pos = m_parents.FindNearEnds(parent);
    if (pos == nullptr) {
        return 0;
    }
    m_parents.RemoveAt(pos);
    return 1;
}

int ECBase::RemoveFromParents() {
    // The last parent's RemoveChild may release this element; keep it alive until the walk
    // over its own parents list is done.
    Ref();
    // A parent's RemoveChild may change more of this list than its own entry (a parent that
    // dissolves releases its other children, and one of them may be a parent of this
    // element too), so no position is kept across the call: the first parent not yet tried
    // is looked up afresh each time. A parent that refuses keeps its entry, and is passed.
    std::int32_t refused = 0;
    while (m_parents.GetCount() > refused) {
        ECBase* parent = m_parents.GetAt(m_parents.FindIndex(refused));
        const std::int32_t before = m_parents.GetCount();
        // A refusal shows in the parents count, checked below.
        (void)parent->RemoveChild(this, 0);
        if (m_parents.GetCount() >= before) {
            ++refused;
        }
    }
    Unref(1);
    return 1;
}

namespace {

// A depth limit of 255 means none, as for the walk actions.
constexpr std::uint8_t Unlimited = 255;

// The first element with event id `type` that a depth-first walk from `start` meets: the
// start first, then the elements MCGraphWalk visits, upward through parents entering
// everything, or downward through children entering no spanning mark. `limit` levels beyond
// the start are visited (255: all). This is the walk of the find-first action, which is
// built on this core.
ECBase* FindFirst(ECBase* start, int type, std::uint8_t limit, bool upward) {
    if (start->GetEventId() == type) {
        return start;
    }
    auto enter = [&](ECBase* e, std::size_t level) {
        if (!upward && MCGraphWalk::IsSpanningMark(e->GetEventId())) {
            return false;
        }
        return limit == Unlimited || level + 1 <= limit;
    };
    auto found = [type](ECBase* e, std::size_t) { return e->GetEventId() == type; };
    return MCGraphWalk::Walk(start, upward, enter, found);
}

std::uint8_t DepthLimit(int depth) {
    return depth == -1 ? Unlimited : static_cast<std::uint8_t>(depth);
}

} // namespace

ECBase* ECBase::GetAncestor(int type, int depth) {
    return FindFirst(this, type, DepthLimit(depth), true);
}

ECBase* ECBase::GetDescendant(int type, int depth) {
    return FindFirst(this, type, DepthLimit(depth), false);
}

MCEventList* ECBase::GetChildren() { return nullptr; }

int ECBase::AddChild(ECBase*, int) { return 0; }

int ECBase::RemoveChild(ECBase*, int) { return 0; }

int ECBase::RemoveChildren(int) { return 0; }

namespace {

bool IsViewCode(int viewCode) { return viewCode >= 0 && viewCode < MCDataClassTable::ViewCodes; }

} // namespace

DCBase* ECBase::GetData(int viewCode, int create) {
    if (!IsViewCode(viewCode)) {
        return nullptr;
    }
    const int slot = MCDataArray::ViewCodeToIndex(viewCode);
    DCBase* record = m_data != nullptr ? m_data->GetAt(slot) : nullptr;
    if (record != nullptr || create == 0) {
        return record;
    }
    record = MCDataClassTable::CreateData(viewCode, GetEventId());
    if (record == nullptr) {
        return nullptr;
    }
    record->SetOwner(this);
    try {
        // Cannot refuse: the slot of a view code 0-5 is below MaxSize.
        (void)DataArray().SetAtGrow(slot, record);
    } catch (...) {
        delete record;
        throw;
    }
    if (MCDataArray::IsArchivableRecord(record)) {
        m_nFlags |= FlagHasData;
    }
    return record;
}

MCDataArray& ECBase::DataArray() {
    if (m_data == nullptr) {
        m_data = std::make_unique<MCDataArray>(m_bDataEmptied != 0 ? 0 : 2);
    }
    return *m_data;
}

MCDataArray* ECBase::GetData() { return &DataArray(); }

int ECBase::RemoveData(int viewCode) {
    if (viewCode == -1) {
        if (m_data != nullptr) {
            for (int i = 0; i < m_data->GetSize(); ++i) {
                delete m_data->GetAt(i);
            }
            m_data->RemoveAll();
        }
        m_bDataEmptied = 1;
        m_nFlags &= ~FlagHasData;
        return 1;
    }
    if (!IsViewCode(viewCode)) {
        return 0;
    }
    const int slot = MCDataArray::ViewCodeToIndex(viewCode);
    if (m_data == nullptr) {
        return 1;
    }
    if (DCBase* record = m_data->GetAt(slot)) {
        m_data->SetAt(slot, nullptr);
        delete record;
    }
    SetFlag(FlagHasData, m_data->GetArchivableCount() > 0);
    return 1;
}

void ECBase::PostSerialize(CArchive&) {}

std::uint16_t ECBase::Ref() { return static_cast<std::uint16_t>(++m_nRefCount); }

std::uint16_t ECBase::Unref(int destroy) {
    if (m_nRefCount > 0) {
        --m_nRefCount;
    }
    if (destroy != 0 && m_nRefCount == 0 && !m_bDestroying) {
        m_bDestroying = true;
        delete this;
        return 0;
    }
    return static_cast<std::uint16_t>(m_nRefCount);
}

void ECBase::AddCommandHold() {
    CMessageQueue::RequireOwnerThread("ECBase::AddCommandHold (building a command)");
    Ref();
    ++m_nCommandHolds;
}

void ECBase::ReleaseCommandHold() {
    CMessageQueue::RequireOwnerThread("ECBase::ReleaseCommandHold (releasing a command)");
    if (m_nCommandHolds > 0) {
        --m_nCommandHolds;
    }
    if (m_nCommandHolds == 0 && m_parents.IsEmpty() && !m_bDestroying &&
        GetEventId() != EventId::Performance) {
        Dismantle();
    }
    Unref(1);
}

void ECBase::ReleaseOuterHold() {
    if (m_nCommandHolds == 0 && m_parents.IsEmpty() && !m_bDestroying &&
        GetEventId() != EventId::Performance && IsReachedOnlyFromBelow()) {
        Dismantle();
    }
    Unref(1);
}

void ECBase::Dismantle() {
    // A child is entered only when this removed material is all that holds it (its one
    // parent is the element above, and no command holds it), so the way back up is always
    // its one parent, and no list of places to return to is needed. Children are taken from
    // the tail, as RemoveChildren takes them. The lists are changed directly rather than
    // through RemoveChild, so that no element reacts (a chord would dissolve into its
    // measure, which is being taken apart anyway).
    Ref();
    ECBase* at = this;
    for (;;) {
        MCEventList* children = at->GetChildren();
        if (children != nullptr && !children->IsEmpty()) {
            ECBase* child = children->GetTail();
            MCEventList* below = child->GetChildren();
            if (child->m_parents.GetCount() == 1 && child->m_nCommandHolds == 0 &&
                below != nullptr && !below->IsEmpty()) {
                at = child;
                continue;
            }
            child->Ref();
            child->m_parents.RemoveAt(child->m_parents.FindNearEnds(at));
            children->RemoveTail();
            child->Unref(1);
            continue;
        }
        at->SetFlag(FlagHasChildren, false);
        if (at == this) {
            break;
        }
        ECBase* parent = at->m_parents.GetHead();
        at->m_parents.RemoveHead();
        // The parent's list is not below `at`, so `at` is still its tail. The list gives back
        // the last reference on `at`, which is destroyed unless the host holds it.
        MCEventList* siblings = parent->GetChildren();
        if (siblings->GetTail() == at) {
            siblings->RemoveTail();
        } else {
            siblings->RemoveEvent(at);
        }
        at = parent;
    }
    Unref(1);
}

bool ECBase::TakeArchiveHold() {
    Ref();
    return true;
}

void ECBase::ReleaseArchiveHold() { Unref(1); }

bool ECBase::IsReachedOnlyFromBelow() {
    // Each child lists this element once among its parents (the lists are kept that way),
    // so those references, and the archive's hold, are all it has when nothing else can
    // reach it. Counting is constant time: a child with many parents costs nothing here.
    MCEventList* children = GetChildren();
    const auto below = children == nullptr ? 0u : static_cast<std::uint32_t>(children->GetCount());
    return m_nRefCount <= below + 1;
}

bool ECBase::DetachIfUnreachable() {
    MCEventList* children = GetChildren();
    if (children == nullptr || children->IsEmpty() || !IsReachedOnlyFromBelow()) {
        return false;
    }
    // Not deeply: children that the rest of the graph still holds keep their own children.
    // Only a removal that took something counts, so that a refusal cannot loop the archive.
    const std::int32_t before = children->GetCount();
    RemoveChildren(0);
    return children->GetCount() < before;
}

} // namespace clavenor
