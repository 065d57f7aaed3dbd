#include "clavenor/model/MCEventList.h"

#include "clavenor/framework/CArchive.h"
#include "clavenor/model/ECBase.h"

#include <cmath>
#include <unordered_map>

namespace clavenor {

IMPLEMENT_SERIAL(MCEventList, MCObList, 1 | CRuntimeClass::VersionableSchema)

namespace {

ECBase* AsElement(CObject* object) { return static_cast<ECBase*>(object); }

// The sort's order: no time before any time; two elements without time are equal.
bool SortsAfter(ECBase* a, ECBase* b) {
    MCTime* ta = a->GetTime();
    MCTime* tb = b->GetTime();
    if (ta == nullptr || tb == nullptr) {
        return ta != nullptr && tb == nullptr;
    }
    return *ta > *tb;
}

// Scalar times (and no times) are totally ordered, so the list is in order when every
// neighbouring pair is. Bar/pulse/tick times and NaN are not, so they never take this path.
bool HasTotalOrderKey(ECBase* e) {
    MCTime* t = e->GetTime();
    return t == nullptr || (t->GetMode() != 2 && !std::isnan(t->GetSeconds()));
}

} // namespace

MCEventList::MCEventList(int blockSize) : MCObList(blockSize) {}

MCEventList::~MCEventList() { RemoveAll(); }

ECBase* MCEventList::GetHead() const { return AsElement(MCObList::GetHead()); }
ECBase* MCEventList::GetTail() const { return AsElement(MCObList::GetTail()); }
ECBase* MCEventList::GetAt(POSITION pos) const { return AsElement(MCObList::GetAt(pos)); }
ECBase* MCEventList::GetNext(POSITION& pos) const { return AsElement(MCObList::GetNext(pos)); }
ECBase* MCEventList::GetPrev(POSITION& pos) const { return AsElement(MCObList::GetPrev(pos)); }

MCEventList::Node* MCEventList::NewNode(CObject* element, Node* prev, Node* next) {
    Node* node = MCObList::NewNode(element, prev, next);
    if (node != nullptr && element != nullptr) {
        AsElement(element)->Ref();
    }
    return node;
}

void MCEventList::FreeNode(Node* node) {
    ECBase* element = AsElement(node->data);
    MCObList::FreeNode(node);
    if (element != nullptr) {
        element->Unref(1);
    }
}

void MCEventList::SetAt(POSITION pos, CObject* element) {
    ECBase* old = GetAt(pos);
    if (element != nullptr) {
        AsElement(element)->Ref();
    }
    MCObList::SetAt(pos, element);
    if (old != nullptr) {
        old->Unref(1);
    }
}

void MCEventList::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        MCObList::Serialize(ar);
        return;
    }
    // Every node references its item as an element, so nothing else may enter the list.
    for (std::uint32_t n = ar.ReadCount(); n > 0; --n) {
        if (AddTail(ar.ReadObject(RUNTIME_CLASS(ECBase))) == nullptr) {
            throw std::bad_alloc();
        }
    }
}

void MCEventList::SerializeFromParent(CArchive& ar, ECBase* owner) {
    if (ar.IsStoring()) {
        ar.WriteCount(static_cast<std::uint32_t>(GetCount()));
        for (POSITION pos = GetHeadPosition(); pos != nullptr;) {
            ar.WriteObject(GetNext(pos));
        }
        return;
    }
    for (std::uint32_t n = ar.ReadCount(); n > 0; --n) {
        auto* child = static_cast<ECBase*>(ar.ReadObject(RUNTIME_CLASS(ECBase)));
        if (child == nullptr) {
            continue;
        }
        if (child == owner || ar.IsObjectBeingLoaded(child)) {
            throw CArchiveException(CArchiveException::badIndex,
                                    "an element cannot be its own descendant");
        }
        MCEventList* parents = child->GetParents();
        // A child lists each parent whose children list holds it, so when the owner is not
        // among the child's parents the child cannot be in this list yet.
        if (parents->Find(owner) != nullptr && Find(child) != nullptr) {
            continue;
        }
        POSITION pos = AddTail(child);
        if (pos == nullptr) {
            throw std::bad_alloc();
        }
        if (parents->AddTail(owner) == nullptr) {
            child->Ref();
            RemoveAt(pos);
            child->Unref(0);
            throw std::bad_alloc();
        }
    }
}

POSITION MCEventList::AddEvent(ECBase* element, int sorted) {
    if (sorted == 0) {
        return AddTail(element);
    }
    MCTime* time = element->GetTime();
    if (time == nullptr) {
        return AddHead(element);
    }
    POSITION pos = FindTimeReverse(time);
    return pos != nullptr ? InsertAfter(pos, element) : AddHead(element);
}

void MCEventList::AddEvents(MCEventList* other, int sorted) {
    if (other == nullptr) {
        return;
    }
    if (sorted == 0) {
        AddTail(other);
        return;
    }
    std::int32_t n = other->GetCount();
    for (POSITION pos = other->GetHeadPosition(); pos != nullptr && n-- > 0;) {
        AddEvent(other->GetNext(pos), 1);
    }
}

int MCEventList::RemoveEvent(ECBase* element) {
    POSITION pos = Find(element);
    if (pos == nullptr) {
        return 0;
    }
    RemoveAt(pos);
    return 1;
}

void MCEventList::RemoveEvents(MCEventList* other) {
    if (other == nullptr) {
        return;
    }
    if (other == this) {
        RemoveAll();
        return;
    }
    for (POSITION pos = other->GetHeadPosition(); pos != nullptr;) {
        RemoveEvent(other->GetNext(pos));
    }
}

int MCEventList::GetEventType() {
    int type = -1;
    for (POSITION pos = GetHeadPosition(); pos != nullptr;) {
        const int id = GetNext(pos)->GetEventId();
        if (type == -1) {
            type = id;
        } else if (id != type) {
            return -2;
        }
    }
    return type;
}

int MCEventList::GetEventTypes(CArray<int, int>& types) {
    for (POSITION pos = GetHeadPosition(); pos != nullptr;) {
        const int id = GetNext(pos)->GetEventId();
        bool known = false;
        for (int i = 0; i < types.GetSize() && !known; ++i) {
            known = types[i] == id;
        }
        if (!known) {
            types.Add(id);
        }
    }
    return types.GetSize();
}

int MCEventList::ContainsEventType(int id) { return FindEvent(id) != nullptr ? 1 : 0; }

POSITION MCEventList::FindTime(const MCTime* time, POSITION after) const {
    Node* node = after != nullptr ? ToNode(after)->next : HeadNode();
    for (; node != nullptr; node = node->next) {
        MCTime* t = AsElement(node->data)->GetTime();
        if (t != nullptr && *time < *t) {
            return ToPos(node);
        }
    }
    return nullptr;
}

POSITION MCEventList::FindTimeReverse(const MCTime* time, POSITION before) const {
    Node* node = before != nullptr ? ToNode(before)->prev : TailNode();
    for (; node != nullptr; node = node->prev) {
        MCTime* t = AsElement(node->data)->GetTime();
        if (t != nullptr && *time >= *t) {
            return ToPos(node);
        }
    }
    return nullptr;
}

POSITION MCEventList::FindEvent(int id, POSITION after) const {
    Node* node = after != nullptr ? ToNode(after)->next : HeadNode();
    for (; node != nullptr; node = node->next) {
        if (AsElement(node->data)->GetEventId() == id) {
            return ToPos(node);
        }
    }
    return nullptr;
}

POSITION MCEventList::FindEventReverse(int id, POSITION before) const {
    Node* node = before != nullptr ? ToNode(before)->prev : TailNode();
    for (; node != nullptr; node = node->prev) {
        if (AsElement(node->data)->GetEventId() == id) {
            return ToPos(node);
        }
    }
    return nullptr;
}

void MCEventList::Sort() {
    bool ordered = true;
    for (Node* node = HeadNode(); node != nullptr && ordered; node = node->next) {
        ECBase* e = AsElement(node->data);
        ordered = HasTotalOrderKey(e) &&
                  (node->next == nullptr || !SortsAfter(e, AsElement(node->next->data)));
    }
    if (ordered) {
        return;
    }
    for (Node* first = HeadNode(); first != nullptr; first = first->next) {
        for (Node* later = first->next; later != nullptr; later = later->next) {
            if (SortsAfter(AsElement(first->data), AsElement(later->data))) {
                SwapData(first, later);
            }
        }
    }
}

void MCEventList::RemoveDuplicates() {
    std::unordered_map<CObject*, std::int32_t> remaining;
    remaining.reserve(static_cast<std::size_t>(GetCount()));
    for (Node* node = HeadNode(); node != nullptr; node = node->next) {
        ++remaining[node->data];
    }
    for (Node* node = HeadNode(); node != nullptr;) {
        Node* next = node->next;
        std::int32_t& left = remaining[node->data];
        if (left > 1) {
            --left;
            RemoveAt(ToPos(node));
        }
        node = next;
    }
}

} // namespace clavenor
