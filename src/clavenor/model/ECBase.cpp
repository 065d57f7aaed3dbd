#include "clavenor/model/ECBase.h"

#include "clavenor/actions/ACFindFirstEvent.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/model/DCBase.h"
#include "clavenor/plugins/CPluginData.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECBase, CObject, 2 | CRuntimeClass::VersionableSchema)

ECBase::ECBase() : m_data(2) {}

ECBase::ECBase(const ECBase&) : CObject(), m_data(2) {}

ECBase::~ECBase() {
    BeginDestruction();
    RemoveData(-1);
    m_parents.RemoveAll();
}

ECBase& ECBase::operator=(const ECBase&) { return *this; }

void ECBase::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << static_cast<std::uint8_t>(m_nFlags & 0xFFu);
        if ((m_nFlags & FlagHasData) != 0) {
            m_data.SerializeFor(ar, this);
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
        m_data.SerializeFor(ar, this);
    }
    m_nFlags &= ~FlagSelected;
}

ECBase* ECBase::Copy(CObject* src) { return CopyAs(this, src); }

int ECBase::GetEventId() const { return 6; }

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

int ECBase::RemoveParent(ECBase* parent) { return m_parents.RemoveEvent(parent); }

int ECBase::RemoveFromParents() {
    // The last parent's RemoveChild may release this element; keep it alive until the walk
    // over its own parents list is done.
    Ref();
    for (POSITION pos = m_parents.GetHeadPosition(); pos != nullptr;) {
        ECBase* parent = m_parents.GetNext(pos);
        parent->RemoveChild(this, 0);
    }
    Unref(1);
    return 1;
}

namespace {

ECBase* FindFirst(ECBase* start, int type, int depth, bool upward) {
    ACFindFirstEvent action(1, upward ? 1 : 0);
    if (upward) {
        action.ClipNone();
    }
    action.BypassNone();
    action.AddEvtType(type);
    if (depth != -1) {
        action.SetDepth(static_cast<std::uint8_t>(depth));
    }
    action.Apply(start);
    return action.GetEvent();
}

} // namespace

ECBase* ECBase::GetAncestor(int type, int depth) { return FindFirst(this, type, depth, true); }

ECBase* ECBase::GetDescendant(int type, int depth) { return FindFirst(this, type, depth, false); }

MCEventList* ECBase::GetChildren() { return nullptr; }

int ECBase::AddChild(ECBase*, int) { return 0; }

int ECBase::RemoveChild(ECBase*, int) { return 0; }

int ECBase::RemoveChildren(int) { return 0; }

DCBase* ECBase::GetData(int viewCode, int create) {
    const int slot = MCDataArray::ViewCodeToIndex(viewCode);
    DCBase* record = m_data.GetAt(slot);
    if (record != nullptr || create == 0) {
        return record;
    }
    record = CPluginData::CreateData(viewCode, this);
    if (record == nullptr) {
        return nullptr;
    }
    try {
        m_data.SetAtGrow(slot, record);
    } catch (...) {
        delete record;
        throw;
    }
    if (record->GetRuntimeClass()->m_wSchema != 0xFFFFu) {
        m_nFlags |= FlagHasData;
    }
    return record;
}

MCDataArray* ECBase::GetData() { return &m_data; }

bool ECBase::HasArchivableData() const {
    for (int i = 0; i < m_data.GetSize(); ++i) {
        const DCBase* record = m_data.GetAt(i);
        if (record != nullptr && record->GetRuntimeClass()->m_wSchema != 0xFFFFu) {
            return true;
        }
    }
    return false;
}

int ECBase::RemoveData(int viewCode) {
    if (viewCode == -1) {
        for (int i = 0; i < m_data.GetSize(); ++i) {
            delete m_data.GetAt(i);
        }
        m_data.RemoveAll();
        m_nFlags &= ~FlagHasData;
        return 1;
    }
    const int slot = MCDataArray::ViewCodeToIndex(viewCode);
    if (DCBase* record = m_data.GetAt(slot)) {
        m_data.SetAt(slot, nullptr);
        delete record;
    }
    SetFlag(FlagHasData, HasArchivableData());
    return 1;
}

void ECBase::PostSerialize(CArchive&) {}

std::uint16_t ECBase::Ref() { return ++m_nRefCount; }

std::uint16_t ECBase::Unref(int destroy) {
    if (m_nRefCount > 0) {
        --m_nRefCount;
    }
    if (destroy != 0 && m_nRefCount == 0 && !m_bDestroying) {
        m_bDestroying = true;
        delete this;
        return 0;
    }
    return m_nRefCount;
}

bool ECBase::TakeArchiveHold() {
    Ref();
    return true;
}

namespace {

// True when nothing but its own children (through their parents lists) and `extra` more
// references hold `e`.
bool HeldOnlyByChildren(ECBase* e, int extra) {
    MCEventList* children = e->GetChildren();
    const int links = children != nullptr ? children->GetCount() : 0;
    return e->GetParents()->IsEmpty() && e->GetRefCount() == links + extra;
}

// Gives back one reference on `e`. An element left held only by its children would keep
// itself and them alive, so its children are detached one level at a time and each is
// treated the same way: what nothing else holds goes, while a child held elsewhere keeps
// its own children.
void ReleaseUnlinked(ECBase* e) {
    if (!HeldOnlyByChildren(e, 1)) {
        e->Unref(1);
        return;
    }
    for (MCEventList* children = e->GetChildren(); children != nullptr && !children->IsEmpty();) {
        ECBase* child = children->GetTail();
        child->Ref();
        e->RemoveChild(child, 0);
        ReleaseUnlinked(child);
    }
    e->Unref(1);
}

} // namespace

// An element the caller has not linked anywhere (a record it abandoned, or a child whose
// parent failed to take it) goes away here with everything only it held.
void ECBase::ReleaseArchiveHold() { ReleaseUnlinked(this); }

void ECBase::DiscardAfterFailedLoad() {
    // Children linked so far hold references back on this element; detaching them deeply
    // breaks those cycles so that the archive's own hold is the last one.
    RemoveChildren(1);
}

} // namespace clavenor
