#pragma once

#include "clavenor/commands/CCAddItem.h"
#include "clavenor/commands/CCAddItemList.h"
#include "clavenor/commands/CCBase.h"
#include "clavenor/framework/Export.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace clavenor {

class ECBase;
class MCEventList;

/// Links elements under parents: each item's child is added to its parent's children in
/// time order when the command is processed. Undone by a CCRemove of the same children.
class CLAVENOR_API CCAdd : public CCBase {
    DECLARE_SERIAL(CCAdd)

public:
    CCAdd();
    /// A command with one item.
    CCAdd(ECBase* child, ECBase* parent, const FCMidi& data);
    ~CCAdd() override;

    int GetCommandId() const override;

    /// The discard list, then for each item in order the child is added to its parent
    /// (sorted by time); a child already under that parent stays where it is, an item
    /// without child or parent is passed. All or nothing: when a parent refuses its child
    /// (a cycle, a parent that takes no children, no memory left), the links this call made
    /// are taken back exactly and 0 is returned (the batch aborts with a 501 record).
    /// Allocation failure before the first link throws std::bad_alloc. Returns 1 otherwise.
    int Process() override;

    /// Applies, with this command's synchronous flag, a CCRemove of every item's child.
    void Undo() override;

    /// Takes back exactly the links the last Process made (UnlinkChild); needs no memory.
    void Revert() override;

    /// Appends an item (the same child may be added twice; nothing checks) and returns it.
    virtual CCAddItem* Add(ECBase* child, ECBase* parent, const FCMidi& data);

    /// Appends every item's child to `list`; 1 when `list` is not empty afterwards.
    virtual int GetAddEvents(MCEventList& list);

    /// The items in the order they were added, the command's own; valid while it lives.
    const CCAddItemList& GetItems() const { return m_items; }

protected:
    /// Takes back, last first, the links the last Process made.
    void Unlink();

    /// The items, in the order Add appended them; a class with its own item class appends
    /// them with Append.
    CCAddItemList m_items;

private:
    static constexpr std::size_t LinkedBits = 64;
    bool IsLinked(std::size_t item) const;
    void SetLinked(std::size_t item, bool linked);

    // Which items the last Process linked (the others were already in place or empty): a word
    // for the first 64, so that adding a few elements needs no memory of its own, and words
    // for the rest, made before anything changes. Plain words rather than a vector keep the
    // command (which the history holds for every edit) within one allocator size class.
    std::uint64_t m_linkedFirst = 0;
    std::unique_ptr<std::uint64_t[]> m_linkedRest;
    std::size_t m_nLinkedRest = 0; // the items, from the 65th, that m_linkedRest covers
};

} // namespace clavenor
