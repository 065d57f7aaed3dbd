#pragma once

#include "clavenor/commands/CCAddItem.h"
#include "clavenor/framework/Export.h"

#include <cstddef>
#include <iterator>
#include <memory>
#include <vector>

namespace clavenor {

class ECBase;

/// The items of an add command, in the order they were added, owned by the list.
///
/// The first item, when it is a plain CCAddItem, lives inside the list: the common add (one
/// element, one parent) then costs no allocation beyond the command, and the history that
/// keeps the command keeps no item block of its own. Later items, and items of derived
/// classes, live on the heap. Items never move: a pointer to one stays valid until it is
/// erased or the list goes.
class CLAVENOR_API CCAddItemList {
public:
    /// Walks the items in order, yielding each as a pointer.
    class Iterator {
    public:
        /// A single pass: the iterator yields pointers, not references into the list.
        using iterator_category = std::input_iterator_tag;
        /// What the iterator yields.
        using value_type = CCAddItem*;
        /// The distance between two positions.
        using difference_type = std::ptrdiff_t;
        /// What dereferencing gives: the pointer itself.
        using reference = CCAddItem*;

        /// A position of no list; only assignable and comparable.
        Iterator() = default;
        /// Position `index` of `list`; size() is the end.
        Iterator(const CCAddItemList* list, std::size_t index) : m_pList(list), m_nIndex(index) {}
        /// The item at this position (not the end).
        CCAddItem* operator*() const { return (*m_pList)[m_nIndex]; }
        /// Steps to the next item.
        Iterator& operator++() {
            ++m_nIndex;
            return *this;
        }
        /// Steps to the next item, returning the position before.
        Iterator operator++(int) {
            Iterator before = *this;
            ++m_nIndex;
            return before;
        }
        /// Whether two positions of the same list are the same.
        friend bool operator==(const Iterator& a, const Iterator& b) {
            return a.m_nIndex == b.m_nIndex;
        }

    private:
        const CCAddItemList* m_pList = nullptr;
        std::size_t m_nIndex = 0;
    };

    CCAddItemList() = default;
    /// Destroys every item (releasing the elements they hold). Never throws.
    ~CCAddItemList();
    CCAddItemList(const CCAddItemList&) = delete;
    CCAddItemList& operator=(const CCAddItemList&) = delete;

    /// The number of items.
    std::size_t size() const { return (m_bInline ? 1 : 0) + (m_pRest ? m_pRest->size() : 0); }
    /// Whether there is no item.
    bool empty() const { return size() == 0; }
    /// The item at `index` (below size()).
    CCAddItem* operator[](std::size_t index) const;
    /// The last item (the list must not be empty).
    CCAddItem* back() const { return (*this)[size() - 1]; }

    /// The first item's position. Positions are indexes: after an Erase, a position at or past
    /// the erased index names the item after the one it named.
    Iterator begin() const { return Iterator(this, 0); }
    /// The position after the last item.
    Iterator end() const { return Iterator(this, size()); }

    /// Appends a plain item holding `child` and `parent` with `data`, inside the list when
    /// it is the first; std::bad_alloc, with nothing appended, when memory is short.
    CCAddItem* Emplace(ECBase* child, ECBase* parent, const FCMidi& data);
    /// Appends `item` (of any item class) and returns it; std::bad_alloc, with the item
    /// destroyed, when memory is short.
    CCAddItem* Append(std::unique_ptr<CCAddItem> item);
    /// Destroys the item at `index` (below size()); the later ones move up one place.
    void Erase(std::size_t index);

private:
    CCAddItem* Inline() const {
        return std::launder(reinterpret_cast<CCAddItem*>(const_cast<unsigned char*>(m_first)));
    }
    std::vector<std::unique_ptr<CCAddItem>>& Rest();

    alignas(CCAddItem) unsigned char m_first[sizeof(CCAddItem)]; // item 0 while m_bInline
    bool m_bInline = false;
    // The heap items after the inline one (or all, when there is none); made on first use.
    std::unique_ptr<std::vector<std::unique_ptr<CCAddItem>>> m_pRest;
};

} // namespace clavenor
