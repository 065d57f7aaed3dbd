#pragma once

#include "clavenor/framework/CArchive.h"
#include "clavenor/framework/CArray.h"
#include "clavenor/framework/Export.h"
#include "clavenor/model/MCObList.h"

#include <cstdint>

namespace clavenor {

class ECBase;
class MCTime;

/// The list of elements used everywhere in the model: children, parents, selections,
/// clipboard contents, search results and command arguments ("MCEventList", schema 1).
///
/// Every node holds one reference on its element: inserting calls Ref(), removing calls
/// Unref(1), so emptying or destroying the list releases its elements and destroys those
/// that nothing else holds. A removal returns the removed pointer, which is dangling when
/// the list held the last reference. Sort swaps the stored pointers without touching counts.
///
/// Items must be elements (ECBase or derived); the inherited CObject* inserters exist for
/// the object model and must not be given anything else.
class CLAVENOR_API MCEventList : public MCObList {
    DECLARE_SERIAL(MCEventList)

public:
    /// An empty list. `blockSize` is accepted for the familiar signature and ignored: nodes
    /// are allocated one by one.
    explicit MCEventList(int blockSize = 10);
    /// Releases every element, from the tail toward the head.
    ~MCEventList() override;

    /// Range-for over the elements: `for (ECBase* e : *list)`. The loop takes no reference:
    /// the body may remove the current element (which may destroy it), not the next one.
    MCListIterator<Node, ECBase*> begin() const {
        return MCListIterator<Node, ECBase*>(HeadNode());
    }
    /// The end of the range-for walk.
    MCListIterator<Node, ECBase*> end() const { return {}; }

    /// The first element, or null for an empty list. No reference is taken: the element is
    /// valid while it stays in the list (or something else holds it).
    ECBase* GetHead() const;
    /// The last element, or null; as GetHead.
    ECBase* GetTail() const;
    /// The element at `pos` (valid, non-null); as GetHead.
    ECBase* GetAt(POSITION pos) const;
    /// The element at `pos`, moving `pos` to the next node (null past the tail); the walk
    /// may remove the element it was given.
    ECBase* GetNext(POSITION& pos) const;
    /// The element at `pos`, moving `pos` to the previous node (null before the head).
    ECBase* GetPrev(POSITION& pos) const;

    /// Stores `element` at `pos`: references the new element, releases the old one.
    void SetAt(POSITION pos, CObject* element) override;

    /// The MCObList record. Loading accepts only elements (CArchiveException(badClass)
    /// for anything else), each appended with a reference.
    void Serialize(CArchive& ar) override;

    ///@{
    /// Loaded graphs stay within these bounds, so that every walk of them ends, within the
    /// thread's stack and in time near-linear in the stream's size: no element has more than
    /// MaxLoadedHeight elements on a way down from it (itself included), which also keeps
    /// a loaded document within the archive's nesting limit when it is written again; and
    /// a walk down every path from an element visits at most MaxLoadedPathsPerObject
    /// elements per object read so far. Real documents stay far below both.
    static constexpr int MaxLoadedHeight = CArchive::MaxObjectDepth - 1;
    static constexpr std::uint64_t MaxLoadedPathsPerObject = 64;
    ///@}

    /// Storing: the count, then each element as an object reference. Loading: reads the
    /// count and that many element references; each element not yet in the list is appended
    /// and `owner` is appended to its parents. Null references are skipped; an element whose
    /// own record is still being read (it would become its own descendant) is refused with
    /// CArchiveException(badIndex), and a child that would take the graph beyond the bounds
    /// above with CArchiveException(genericException). Cost: linear in the list, whatever
    /// the number of parents the children have.
    virtual void SerializeFromParent(CArchive& ar, ECBase* owner);

    /// With `sorted` 0: AddTail. Otherwise by time: after the last element (searching from
    /// the tail) whose time is less than or equal to the element's, so equal times keep
    /// their insertion order; at the head when there is none or when the element has no
    /// time. Returns the new position, or null when no memory is left. Appending in time
    /// order costs O(1).
    [[nodiscard]] virtual POSITION AddEvent(ECBase* element, int sorted);

    /// Moves the node at `pos` of `source` (which may be this list) into this list, placed
    /// as AddEvent places a new one, and returns its new position. The node keeps its
    /// reference, so no count changes and no memory is needed: for moves that must not
    /// fail.
    [[nodiscard]] POSITION MoveEvent(MCEventList& source, POSITION pos, int sorted);
    /// The same move, placing the node right after `after` (a position of this list; null
    /// for the head).
    [[nodiscard]] POSITION MoveEventAfter(MCEventList& source, POSITION pos, POSITION after);

    /// AddEvent for each element of `other` in order (sorted), or AddTail of the whole list.
    /// There is no result: when memory runs out, the elements that found no node are left
    /// out. Callers that must not lose any add them one by one with AddEvent.
    virtual void AddEvents(MCEventList* other, int sorted);

    ///@{
    /// Removes the first node holding `element`; 1, or 0 when it is absent.
    virtual int RemoveEvent(ECBase* element);
    virtual void RemoveEvents(MCEventList* other);
    ///@}

    /// -1 for an empty list, the common event id when all agree, else -2.
    virtual int GetEventType();

    /// Appends to `types` each event id of the list not yet in it, in order of first
    /// occurrence; returns the array's size.
    virtual int GetEventTypes(CArray<int, int>& types);

    /// 1 when some element of the list has event id `id`, else 0; a walk from the head.
    virtual int ContainsEventType(int id);

    /// From the head (or after `after`), the first node whose element has a time later
    /// than `*time`; null if none.
    POSITION FindTime(const MCTime* time, POSITION after = nullptr) const;

    /// From the tail (or before `before`) toward the head, the first node whose element has
    /// a time at or before `*time`; null if none.
    POSITION FindTimeReverse(const MCTime* time, POSITION before = nullptr) const;

    /// A node holding exactly `element`, looked for from both ends at once, so that one
    /// near either end is found at once: the first occurrence when it is nearer to the head
    /// than any other is to the tail. Null when there is none.
    POSITION FindNearEnds(const ECBase* element) const;

    ///@{
    /// The first node, forward from the head or after `after` (backward from the tail or
    /// before `before`), whose element has event id `id`.
    POSITION FindEvent(int id, POSITION after = nullptr) const;
    POSITION FindEventReverse(int id, POSITION before = nullptr) const;
    ///@}

    /// Orders the list by time with the model's exchange sort, which swaps the stored
    /// pointers between nodes: for each node from the head, every later node's element is
    /// compared with the element now in the first node, and the two are swapped when the
    /// first is greater. Elements without time come first; equal times may change their
    /// relative order (exactly as that exchange sort moves them; elements without time keep
    /// theirs). No reference changes, no node moves: positions stay valid but hold other
    /// elements afterwards. Cost: one pass for a list already in order; O(n log n) and
    /// O(n) extra memory when every time is a quarter-note or seconds time (or none);
    /// O(n^2) comparisons when some element has a bar/pulse/tick or NaN time.
    void Sort();

    /// Leaves only the elements that are not below another element of the list: removes the
    /// first occurrence of every element that a walk down through the children of the
    /// list's elements reaches. The walk enters beams, slurs, ties and glissandi, and passes
    /// through envelopes without collecting them, so an envelope stays even below another
    /// element of the list. Removing releases the list's reference, which may destroy the
    /// element. Cost: a walk of every subtree below the list's elements.
    void CollapseToAncestors();

    /// Removes every node whose element occurs again later; the last occurrence stays.
    void RemoveDuplicates();

protected:
    Node* NewNode(CObject* element, Node* prev, Node* next) override;
    void FreeNode(Node* node) override;
};

} // namespace clavenor
