#include "clavenor/model/MCEventList.h"

#include "clavenor/framework/CArchive.h"
#include "clavenor/model/ECBase.h"
#include "clavenor/model/detail/MCGraphWalk.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

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
    return t == nullptr ||
           (t->GetMode() != MCTime::ModeBarPulseTick && !std::isnan(t->GetSeconds()));
}

// Below this size the exchange sort itself is the quicker way to its order.
constexpr std::int32_t SmallSort = 32;

// Counts over 0..n-1 with prefix sums and "k-th set slot" searches.
class Fenwick {
public:
    explicit Fenwick(std::size_t n) : m_tree(n + 1, 0) {}

    void Add(std::size_t i, std::int64_t delta) {
        for (++i; i < m_tree.size(); i += i & (~i + 1)) {
            m_tree[i] += delta;
        }
    }
    /// Sum over 0..i-1.
    std::int64_t Prefix(std::size_t i) const {
        std::int64_t sum = 0;
        for (; i > 0; i -= i & (~i + 1)) {
            sum += m_tree[i];
        }
        return sum;
    }
    /// The smallest i whose prefix sum over 0..i exceeds k (counts must be 0 or 1).
    std::size_t FindKth(std::int64_t k) const {
        std::size_t pos = 0;
        std::size_t step = 1;
        while (step * 2 < m_tree.size()) {
            step *= 2;
        }
        for (; step > 0; step /= 2) {
            if (pos + step < m_tree.size() && m_tree[pos + step] <= k) {
                pos += step;
                k -= m_tree[pos];
            }
        }
        return pos;
    }

private:
    std::vector<std::int64_t> m_tree;
};

// The elements in exactly the order the exchange sort of MCEventList::Sort gives them, in
// O(n log n). Requires every element to have no time or a scalar, non-NaN time, so that the
// comparison is a total preorder.
//
// Why this is the same order. Pass i of the exchange sort leaves at node i the first
// (leftmost) of the smallest remaining elements, and moves each element that was a new
// strict minimum during the pass one step along the chain of minima. Two facts follow:
//  1. Elements greater than a key x never change the relative order of the elements at or
//     below x, so the order among the elements equal to x depends only on the elements
//     below x and where they stand.
//  2. Reading the original list from the head, with the elements equal to x gathered in a
//     queue: each one is appended to the queue, and each element below x met after the
//     first x moves the queue's front to its back. The queue at the end is their final
//     order.
// A queue rotated r times is a cyclic order with a moving start, so only the number of
// smaller elements between consecutive equal elements matters; each group is rebuilt from
// its insertion points with a Fenwick tree.
std::vector<ECBase*> ExchangeSortOrder(const std::vector<ECBase*>& items) {
    const std::size_t n = items.size();
    struct Key {
        bool timed;
        float value;
    };
    auto less = [](const Key& a, const Key& b) {
        return a.timed ? (b.timed && a.value < b.value) : b.timed;
    };
    std::vector<Key> keys(n);
    for (std::size_t i = 0; i < n; ++i) {
        const MCTime* t = items[i]->GetTime();
        keys[i] = t != nullptr ? Key{true, t->GetSeconds()} : Key{false, 0.0f};
    }

    // Rank of each element: equal keys share one, smaller keys have smaller ranks.
    std::vector<std::uint32_t> byKey(n);
    for (std::size_t i = 0; i < n; ++i) {
        byKey[i] = static_cast<std::uint32_t>(i);
    }
    std::sort(byKey.begin(), byKey.end(),
              [&](std::uint32_t a, std::uint32_t b) { return less(keys[a], keys[b]); });
    std::vector<std::uint32_t> rank(n);
    std::vector<std::size_t> rankStart; // first index in byKey of each rank
    for (std::size_t j = 0; j < n; ++j) {
        if (j == 0 || less(keys[byKey[j - 1]], keys[byKey[j]])) {
            rankStart.push_back(j);
        }
        rank[byKey[j]] = static_cast<std::uint32_t>(rankStart.size() - 1);
    }
    const std::size_t ranks = rankStart.size();

    // For each element, how many smaller elements precede it in the list.
    Fenwick seen(ranks);
    std::vector<std::int64_t> smallerBefore(n);
    for (std::size_t i = 0; i < n; ++i) {
        smallerBefore[i] = seen.Prefix(rank[i]);
        seen.Add(rank[i], 1);
    }

    // The members of each rank in list order: byKey re-sorted by index within each rank.
    std::vector<std::uint32_t> members(n);
    {
        std::vector<std::size_t> fill(rankStart);
        for (std::size_t i = 0; i < n; ++i) {
            members[fill[rank[i]]++] = static_cast<std::uint32_t>(i);
        }
    }

    std::vector<ECBase*> result;
    result.reserve(n);
    std::vector<std::int64_t> insertAt;
    std::vector<std::uint32_t> linear;
    for (std::size_t r = 0; r < ranks; ++r) {
        const std::size_t from = rankStart[r];
        const std::size_t to = r + 1 < ranks ? rankStart[r + 1] : n;
        const std::size_t m = to - from;
        const std::int64_t smallerTotal = static_cast<std::int64_t>(from);
        if (smallerTotal == 0 || m == 1) {
            // Nothing smaller ever rotates the queue, or there is nothing to order.
            for (std::size_t j = from; j < to; ++j) {
                result.push_back(items[members[j]]);
            }
            continue;
        }
        // The queue as a cyclic order kept in a linear array: each newcomer goes just
        // before the start element (the queue's back), each rotation advances the start.
        insertAt.assign(m, 0);
        std::int64_t start = 0;
        for (std::size_t j = 0; j < m; ++j) {
            const std::size_t size = j + 1;
            if (j > 0) {
                insertAt[j] = start;
                ++start;
            }
            const std::int64_t smallerUpToNext =
                j + 1 < m ? smallerBefore[members[from + j + 1]] : smallerTotal;
            const std::int64_t rotations = smallerUpToNext - smallerBefore[members[from + j]];
            start = (start + rotations) % static_cast<std::int64_t>(size);
        }
        // Replaying the insertions backwards, each newcomer takes the free slot of its
        // insertion index.
        Fenwick slots(m);
        for (std::size_t j = 0; j < m; ++j) {
            slots.Add(j, 1);
        }
        linear.assign(m, 0);
        for (std::size_t j = m; j-- > 0;) {
            const std::size_t slot = slots.FindKth(insertAt[j]);
            linear[slot] = members[from + j];
            slots.Add(slot, -1);
        }
        for (std::size_t t = 0; t < m; ++t) {
            result.push_back(items[linear[(static_cast<std::size_t>(start) + t) % m]]);
        }
    }
    return result;
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
    // Null references are skipped: the list's searches take every item for an element.
    for (std::uint32_t n = ar.ReadCount(); n > 0; --n) {
        CObject* element = ar.ReadObject(RUNTIME_CLASS(ECBase));
        if (element != nullptr && AddTail(element) == nullptr) {
            throw std::bad_alloc();
        }
    }
}

namespace {

// What loading keeps about each element it has read, in the archive's note for it: the
// height of the graph below it (in elements, 1 for a leaf) in the low 16 bits, and the
// number of ways down from it (the elements a walk of every path from it visits) above.
constexpr std::uint64_t HeightMask = 0xFFFF;
constexpr std::uint64_t MaxPaths = (std::uint64_t{1} << 48) - 1;

struct GraphMeasure {
    std::uint64_t height = 1;
    std::uint64_t paths = 1;
};

GraphMeasure ReadMeasure(std::uint64_t note) {
    return note == 0 ? GraphMeasure{} : GraphMeasure{note & HeightMask, note >> 16};
}

std::uint64_t WriteMeasure(const GraphMeasure& m) {
    return (std::min(m.paths, MaxPaths) << 16) | std::min(m.height, HeightMask);
}

} // namespace

void MCEventList::SerializeFromParent(CArchive& ar, ECBase* owner) {
    if (ar.IsStoring()) {
        MCObList::Serialize(ar);
        return;
    }
    const std::uint32_t ownerIndex = ar.GetCurrentObjectIndex();
    GraphMeasure measure;
    // The children this call appends, to refuse a second mention of one in constant time;
    // a few are compared directly, more are looked up.
    constexpr std::int32_t Few = 16;
    const std::int32_t before = GetCount();
    std::unordered_set<ECBase*> appended;
    std::int32_t indexed = 0; // the oldest children of this call that `appended` holds
    for (std::uint32_t n = ar.ReadCount(); n > 0; --n) {
        const std::uint32_t known = ar.GetMapCount();
        auto* child = static_cast<ECBase*>(ar.ReadObject(RUNTIME_CLASS(ECBase)));
        if (child == nullptr) {
            continue;
        }
        // A child whose record was read just now is complete, is not the owner and is in no
        // list yet: only a back-reference needs the checks, and most children are not one.
        if (ar.GetLastReadIndex() <= known) {
            if (child == owner || ar.IsObjectBeingLoaded(child)) {
                throw CArchiveException(CArchiveException::badIndex,
                                        "an element cannot be its own descendant");
            }
            // Only elements read in this archive are ever met here, and each element's list
            // is read once, so a child already present was appended by this call.
            const std::int32_t added = GetCount() - before;
            bool present = false;
            if (added <= Few) {
                Node* node = TailNode();
                for (std::int32_t i = 0; i < added && !present; ++i, node = node->prev) {
                    present = node->data == child;
                }
            } else {
                // The children appended since the last look are the newest.
                Node* node = TailNode();
                for (std::int32_t i = indexed; i < added; ++i, node = node->prev) {
                    appended.insert(AsElement(node->data));
                }
                indexed = added;
                present = appended.count(child) != 0;
            }
            if (present) {
                continue;
            }
        }
        const GraphMeasure below = ReadMeasure(ar.GetObjectNote(ar.GetLastReadIndex()));
        measure.height = std::max(measure.height, below.height + 1);
        measure.paths = std::min(measure.paths + below.paths, MaxPaths);
        if (measure.height > static_cast<std::uint64_t>(MaxLoadedHeight)) {
            throw CArchiveException(CArchiveException::genericException,
                                    "elements nested more than " + std::to_string(MaxLoadedHeight) +
                                        " deep");
        }
        if (measure.paths > MaxLoadedPathsPerObject * (std::uint64_t{ar.GetMapCount()} + 1)) {
            throw CArchiveException(CArchiveException::genericException,
                                    "elements shared so often that walking them would never end");
        }
        POSITION pos = AddTail(child);
        if (pos == nullptr) {
            throw std::bad_alloc();
        }
        if (child->GetParents()->AddTail(owner) == nullptr) {
            child->Ref();
            RemoveAt(pos);
            child->Unref(0);
            throw std::bad_alloc();
        }
    }
    ar.SetObjectNote(ownerIndex, WriteMeasure(measure));
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

POSITION MCEventList::MoveEvent(MCEventList& source, POSITION pos, int sorted) {
    Node* node = source.DetachNode(pos);
    POSITION after = TailNode() != nullptr ? ToPos(TailNode()) : nullptr;
    if (sorted != 0) {
        MCTime* time = AsElement(node->data)->GetTime();
        after = time != nullptr ? FindTimeReverse(time) : nullptr;
    }
    return AttachNode(node, after);
}

POSITION MCEventList::MoveEventAfter(MCEventList& source, POSITION pos, POSITION after) {
    return AttachNode(source.DetachNode(pos), after);
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
        // No result to give: an element refused for lack of memory is left out, as AddEvents says.
        (void)AddEvent(other->GetNext(pos), 1);
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

POSITION MCEventList::FindNearEnds(const ECBase* element) const {
    Node* front = HeadNode();
    Node* back = TailNode();
    for (std::int32_t n = (GetCount() + 1) / 2; n > 0; --n) {
        if (front->data == element) {
            return ToPos(front);
        }
        if (back->data == element) {
            return ToPos(back);
        }
        front = front->next;
        back = back->prev;
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
    const std::int32_t count = GetCount();
    bool ordered = true;
    bool totalOrder = true;
    for (Node* node = HeadNode(); node != nullptr && totalOrder; node = node->next) {
        ECBase* e = AsElement(node->data);
        totalOrder = HasTotalOrderKey(e);
        ordered = ordered && (node->next == nullptr || !SortsAfter(e, AsElement(node->next->data)));
    }
    if (ordered && totalOrder) {
        return;
    }
    if (totalOrder && count > SmallSort) {
        try {
            std::vector<ECBase*> items;
            items.reserve(static_cast<std::size_t>(count));
            for (Node* node = HeadNode(); node != nullptr; node = node->next) {
                items.push_back(AsElement(node->data));
            }
            const std::vector<ECBase*> order = ExchangeSortOrder(items);
            // A permutation of the same elements: no reference changes.
            Node* node = HeadNode();
            for (ECBase* e : order) {
                node->data = e;
                node = node->next;
            }
            return;
        } catch (const std::bad_alloc&) {
            // The exchange sort below needs no memory and gives the same order.
        }
    }
    for (Node* first = HeadNode(); first != nullptr; first = first->next) {
        for (Node* later = first->next; later != nullptr; later = later->next) {
            if (SortsAfter(AsElement(first->data), AsElement(later->data))) {
                SwapData(first, later);
            }
        }
    }
}

void MCEventList::CollapseToAncestors() {
    if (GetCount() < 2) {
        return;
    }
    // Everything below each element, beams and slurs entered too; the pass-through kinds
    // (envelopes) are walked through without being collected, as a search action would.
    std::unordered_set<CObject*> collected;
    auto enter = [](ECBase*, std::size_t) { return true; };
    auto collect = [&](ECBase* e, std::size_t) {
        if (!MCGraphWalk::IsPassThrough(e->GetEventId())) {
            collected.insert(e);
        }
        return false;
    };
    for (Node* node = HeadNode(); node != nullptr; node = node->next) {
        MCGraphWalk::Walk(AsElement(node->data), false, enter, collect);
    }
    // Removing the first occurrence of every distinct collected element.
    for (Node* node = HeadNode(); node != nullptr && !collected.empty();) {
        Node* next = node->next;
        if (collected.erase(node->data) != 0) {
            RemoveAt(ToPos(node));
        }
        node = next;
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
