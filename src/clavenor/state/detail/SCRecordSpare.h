#pragma once

#include <cstddef>
#include <memory>

namespace clavenor {

class SCCommand;

namespace detail {

/// The memory of one delivered change record, kept by a command manager for its next one.
///
/// A finished notify group's record is handed to the state manager, which deletes it once
/// the handlers have seen it (it is auto-delete, as every record the manager raises). The
/// record stays exactly that; only the block it lived in comes back: while a Catch is alive
/// on a thread, an SCCommand deleted there gives its block to the catching slot when that
/// holds none, instead of to the heap. The manager builds its next record there, so a run of
/// edits, one notify group each, stops allocating records.
///
/// A slot is a `void*` of its owner (null: empty), who frees it with Free. Blocks of classes
/// derived from SCCommand (another size) always go to the heap.
class SCRecordSpare {
public:
    SCRecordSpare() = delete;

    /// A synchronous record with `code`, built in the block of `slot` when it holds one
    /// (emptying it), else on the heap (std::bad_alloc when there is no memory).
    static std::unique_ptr<SCCommand> MakeSynchronous(void*& slot, int code);

    /// Gives the block of `slot` back to the heap; the slot is empty afterwards.
    static void Free(void*& slot) noexcept;

    /// While alive, the block of a record deleted on this thread goes to `slot` when it is
    /// empty; catches nest, the innermost catching. The slot must outlive the catch.
    class Catch {
    public:
        explicit Catch(void*& slot);
        ~Catch();
        Catch(const Catch&) = delete;
        Catch& operator=(const Catch&) = delete;

    private:
        void** m_pOuter;
    };

    /// SCCommand's deallocation: keeps `block` (of `size` bytes) in the slot of the catch
    /// alive on this thread and returns true, or returns false (the caller frees it).
    static bool Keep(void* block, std::size_t size) noexcept;
};

} // namespace detail
} // namespace clavenor
