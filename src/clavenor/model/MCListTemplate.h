#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/framework/POSITION.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <new>
#include <vector>

namespace clavenor {

/// Walks a list from the head for range-for (`for (ECBase* e : *list)`), yielding each item
/// as `Item`. Like GetNext, it finds the next node before the loop body runs: the body may
/// remove the current item (even destroy it), but not the one after it.
template <class Node, class Item>
class MCListIterator {
public:
    /// A multi-pass walk for the ranges library...
    using iterator_concept = std::forward_iterator_tag;
    /// ...but only an input iterator to the older algorithms, since `*it` is a value.
    using iterator_category = std::input_iterator_tag;
    using value_type = Item;                ///< The item type, yielded by value.
    using difference_type = std::ptrdiff_t; ///< Distances between positions.
    using reference = Item;                 ///< Items are yielded by value, not reference.

    /// The end of every list.
    MCListIterator() = default;
    /// At `node` (null: the end); the next node is looked up now.
    explicit MCListIterator(Node* node)
        : m_pNode(node), m_pNext(node != nullptr ? node->next : nullptr) {
        __builtin_prefetch(m_pNext);
    }

    /// The current item; the iterator must not be at the end.
    Item operator*() const { return static_cast<Item>(m_pNode->data); }

    /// Moves to the node that followed the current one when the iterator reached it.
    MCListIterator& operator++() {
        m_pNode = m_pNext;
        m_pNext = m_pNode != nullptr ? m_pNode->next : nullptr;
        // The body that handles the current item runs while the next node loads.
        __builtin_prefetch(m_pNext);
        return *this;
    }
    /// As the prefix form; returns the iterator as it was.
    MCListIterator operator++(int) {
        MCListIterator before = *this;
        ++*this;
        return before;
    }

    /// Same current node (both at the end, or both at one node).
    friend bool operator==(const MCListIterator& a, const MCListIterator& b) {
        return a.m_pNode == b.m_pNode;
    }

private:
    Node* m_pNode = nullptr;
    Node* m_pNext = nullptr;
};

/// The base of lists that are not objects of the object model (MCPtrList).
struct CLAVENOR_API MCListNoBase {};

/// The doubly linked list that MCPtrList and MCObList share: individually allocated nodes,
/// a count, a head and a tail, and virtual node creation and release so that a derived list
/// can act on every insertion and removal (MCEventList holds a reference on each element).
///
/// `Base` is the class the list derives from (CObject for archivable lists), so that the
/// list and its object model share one virtual table.
///
/// Costs: insertion and removal at a known position are O(1); Find, FindIndex and the
/// searches walk the list. Nodes are never pooled. Allocation failure leaves the list
/// unchanged and makes the inserting call return a null position.
///
/// Positions stay valid until their node is removed. A list is used by one thread at a
/// time.
template <class T, class Base>
class MCListTemplate : public Base {
public:
    /// One link of the list; a POSITION is the address of one. Derived lists create and
    /// release them through NewNode and FreeNode.
    struct Node {
        T data;     ///< The item.
        Node* prev; ///< The node before; null at the head.
        Node* next; ///< The node after; null at the tail.
    };

    /// The range-for iterator of this list.
    using Iterator = MCListIterator<Node, T>;

    MCListTemplate() = default;
    MCListTemplate(const MCListTemplate&) = delete;
    MCListTemplate& operator=(const MCListTemplate&) = delete;

    /// Range-for from head to tail (see MCListIterator for what the loop may change).
    Iterator begin() const { return Iterator(m_pHead); }
    /// The end of the range-for walk.
    Iterator end() const { return Iterator(); }

    /// The number of nodes; O(1).
    std::int32_t GetCount() const { return m_nCount; }
    /// Whether the list has no node; O(1).
    bool IsEmpty() const { return m_nCount == 0; }

    /// The first item; null for an empty list.
    T GetHead() const { return m_pHead != nullptr ? m_pHead->data : T(); }
    /// The last item; null for an empty list.
    T GetTail() const { return m_pTail != nullptr ? m_pTail->data : T(); }

    /// The position of the first node, null for an empty list: where a GetNext walk starts.
    POSITION GetHeadPosition() const { return ToPos(m_pHead); }
    /// The position of the last node, null for an empty list: where a GetPrev walk starts.
    POSITION GetTailPosition() const { return ToPos(m_pTail); }

    /// The item at `pos` (which must be a valid, non-null position).
    T GetAt(POSITION pos) const { return ToNode(pos)->data; }

    /// The item at `pos` (valid, non-null); `pos` moves to the next node, null past the
    /// tail. Reading the next node first lets a walk remove the item it was given.
    T GetNext(POSITION& pos) const {
        Node* node = ToNode(pos);
        pos = ToPos(node->next);
        return node->data;
    }
    /// The item at `pos` (valid, non-null); `pos` moves to the previous node, null before
    /// the head.
    T GetPrev(POSITION& pos) const {
        Node* node = ToNode(pos);
        pos = ToPos(node->prev);
        return node->data;
    }

    /// A hint, nothing more: starts bringing the node at `pos` (null allowed) into the
    /// cache. Nodes lie wherever the heap put them, so a walk that waits for each in turn
    /// pays one memory latency per node and another per item; a walk that asks for the next
    /// node before it handles the current item has both loads under way at once.
    static void Prefetch(POSITION pos) { __builtin_prefetch(pos); }

    /// Inserts `item` at the head and returns its position, or null (list unchanged) when no
    /// node could be allocated. O(1).
    [[nodiscard]] POSITION AddHead(T item) { return Link(NewNode(item, nullptr, m_pHead)); }
    /// Inserts `item` at the tail and returns its position, or null (list unchanged) when no
    /// node could be allocated. O(1).
    [[nodiscard]] POSITION AddTail(T item) { return Link(NewNode(item, m_pTail, nullptr)); }

    /// Inserts before `pos` (null: at the head); the new position, or null (list unchanged)
    /// when no node could be allocated.
    [[nodiscard]] POSITION InsertBefore(POSITION pos, T item) {
        if (pos == nullptr) {
            return AddHead(item);
        }
        Node* at = ToNode(pos);
        return Link(NewNode(item, at->prev, at));
    }
    /// Inserts after `pos` (null: at the tail); the new position, or null (list unchanged)
    /// when no node could be allocated.
    [[nodiscard]] POSITION InsertAfter(POSITION pos, T item) {
        if (pos == nullptr) {
            return AddTail(item);
        }
        Node* at = ToNode(pos);
        return Link(NewNode(item, at, at->next));
    }

    /// Adds every item of `other` (null: none) at the head, keeping their order. Adding a
    /// list to itself doubles it. Stops at the first allocation failure, with the items
    /// added so far kept.
    void AddHead(const MCListTemplate* other) {
        if (other == nullptr) {
            return;
        }
        std::int32_t n = other->m_nCount;
        for (Node* node = other->m_pTail; node != nullptr && n-- > 0; node = node->prev) {
            if (AddHead(node->data) == nullptr) {
                return;
            }
        }
    }
    /// Adds every item of `other` (null: none) at the tail, keeping their order; otherwise
    /// as AddHead(other).
    void AddTail(const MCListTemplate* other) {
        if (other == nullptr) {
            return;
        }
        std::int32_t n = other->m_nCount;
        for (Node* node = other->m_pHead; node != nullptr && n-- > 0; node = node->next) {
            if (AddTail(node->data) == nullptr) {
                return;
            }
        }
    }

    /// Inserts every item of `other` before `pos`, keeping their order. Inserting a list
    /// into itself inserts a copy of its items as they were before. Stops at the first
    /// allocation failure (throws std::bad_alloc when the snapshot cannot be made).
    void InsertBefore(POSITION pos, const MCListTemplate* other) {
        for (T item : ItemsOf(other)) {
            if (InsertBefore(pos, item) == nullptr) {
                return;
            }
        }
    }
    /// Inserts every item of `other` after `pos`, keeping their order; otherwise as
    /// InsertBefore(pos, other).
    void InsertAfter(POSITION pos, const MCListTemplate* other) {
        for (T item : ItemsOf(other)) {
            pos = InsertAfter(pos, item);
            if (pos == nullptr) {
                return;
            }
        }
    }

    /// Unlinks the head node, releases it through FreeNode and returns its item (null when
    /// the list is empty). In a reference-holding list the item may already be destroyed.
    T RemoveHead() { return m_pHead != nullptr ? Unlink(m_pHead) : T(); }
    /// As RemoveHead, at the tail.
    T RemoveTail() { return m_pTail != nullptr ? Unlink(m_pTail) : T(); }
    /// As RemoveHead, at `pos` (valid, non-null), which is invalid afterwards.
    T RemoveAt(POSITION pos) { return Unlink(ToNode(pos)); }

    /// Releases every node, from the tail toward the head.
    void RemoveAll() {
        while (m_pTail != nullptr) {
            Unlink(m_pTail);
        }
    }

    /// The first node holding exactly `item`, from the head or from the node after `after`.
    POSITION Find(T item, POSITION after = nullptr) const {
        Node* node = after != nullptr ? ToNode(after)->next : m_pHead;
        for (; node != nullptr; node = node->next) {
            if (node->data == item) {
                return ToPos(node);
            }
        }
        return nullptr;
    }

    /// The node at zero-based `index`, or null outside 0..count-1.
    POSITION FindIndex(std::int32_t index) const {
        if (index < 0 || index >= m_nCount) {
            return nullptr;
        }
        Node* node = m_pHead;
        while (node != nullptr && index-- > 0) {
            node = node->next;
        }
        return ToPos(node);
    }

    /// Replaces the item at `pos`.
    virtual void SetAt(POSITION pos, T item) { ToNode(pos)->data = item; }

protected:
    ~MCListTemplate() { RemoveAllPlain(); }

    /// Allocates and fills a node and counts it; null when no memory is left. Does not link
    /// it: the caller does.
    virtual Node* NewNode(T item, Node* prev, Node* next) {
        Node* node = new (std::nothrow) Node{item, prev, next};
        if (node != nullptr) {
            ++m_nCount;
        }
        return node;
    }

    /// Frees an unlinked node and uncounts it.
    virtual void FreeNode(Node* node) {
        delete node;
        if (m_nCount > 0) {
            --m_nCount;
        }
    }

    /// Fills and counts a node that was allocated ahead of need the way NewNode allocates
    /// (`new (std::nothrow) Node`), for a list that keeps nodes in reserve.
    Node* UseNode(Node* node, T item, Node* prev, Node* next) {
        *node = Node{item, prev, next};
        ++m_nCount;
        return node;
    }

    /// Uncounts an unlinked node that the derived list keeps rather than frees (a node of
    /// its own storage, which NewNode handed out through UseNode).
    void ForgetNode(Node*) {
        if (m_nCount > 0) {
            --m_nCount;
        }
    }

    /// Takes a node out of the chain and the count without FreeNode: the node, and whatever
    /// its item holds, passes to the caller, who links it again with AttachNode (here or in
    /// another list of the same kind). Needs no memory.
    Node* DetachNode(POSITION pos) {
        Node* node = ToNode(pos);
        Unchain(node);
        --m_nCount;
        return node;
    }

    /// Links a detached node after `after` (at the head for null) and counts it.
    POSITION AttachNode(Node* node, POSITION after) {
        node->prev = ToNode(after);
        node->next = after != nullptr ? ToNode(after)->next : m_pHead;
        ++m_nCount;
        return Link(node);
    }

    /// Releases the nodes without the virtual hooks; the destructor of the base runs after
    /// the derived class is gone, so a derived list empties itself first.
    void RemoveAllPlain() {
        while (m_pTail != nullptr) {
            Node* node = m_pTail;
            m_pTail = node->prev;
            delete node;
        }
        m_pHead = nullptr;
        m_nCount = 0;
    }

    /// The node a position stands for (no check).
    static Node* ToNode(POSITION pos) { return reinterpret_cast<Node*>(pos); }
    /// The position that stands for a node (null for null).
    static POSITION ToPos(Node* node) { return reinterpret_cast<POSITION>(node); }

    /// Swaps the items of two nodes without any release or reference (used by sorting).
    static void SwapData(Node* a, Node* b) {
        T data = a->data;
        a->data = b->data;
        b->data = data;
    }

    /// The first node, null for an empty list.
    Node* HeadNode() const { return m_pHead; }
    /// The last node, null for an empty list.
    Node* TailNode() const { return m_pTail; }

private:
    // The items of `other` in order, taken before any insertion changes it.
    static std::vector<T> ItemsOf(const MCListTemplate* other) {
        std::vector<T> items;
        if (other != nullptr) {
            items.reserve(static_cast<std::size_t>(other->m_nCount));
            for (Node* node = other->m_pHead; node != nullptr; node = node->next) {
                items.push_back(node->data);
            }
        }
        return items;
    }

    POSITION Link(Node* node) {
        if (node == nullptr) {
            return nullptr;
        }
        if (node->prev != nullptr) {
            node->prev->next = node;
        } else {
            m_pHead = node;
        }
        if (node->next != nullptr) {
            node->next->prev = node;
        } else {
            m_pTail = node;
        }
        return ToPos(node);
    }

    // Takes the node out of the chain; the count is the caller's business.
    void Unchain(Node* node) {
        if (node->prev != nullptr) {
            node->prev->next = node->next;
        } else {
            m_pHead = node->next;
        }
        if (node->next != nullptr) {
            node->next->prev = node->prev;
        } else {
            m_pTail = node->prev;
        }
    }

    // The node leaves the chain before FreeNode runs, so that whatever the release triggers
    // (an element destroying itself) sees a consistent list.
    T Unlink(Node* node) {
        Unchain(node);
        T data = node->data;
        FreeNode(node);
        return data;
    }

    std::int32_t m_nCount = 0;
    Node* m_pHead = nullptr;
    Node* m_pTail = nullptr;
};

} // namespace clavenor
