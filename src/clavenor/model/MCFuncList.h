#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/MCPtrList.h"

namespace clavenor {

class ECBase;

/// The handler type that command handlers and state handlers share: the owning element
/// (the performance), a phase or record code, the phase's or record's argument, and the
/// user data given at registration. The result's meaning is the caller's (see the command
/// and state managers).
using MCCallback = int (*)(ECBase* owner, int code, void* data, void* userData);

/// A list of registered callbacks, each with its user data. The list allocates and frees
/// its records itself.
///
/// Callbacks may add or remove callbacks (themselves included) while CallCallbacks runs: a
/// removed callback is not called afterwards, and its record is freed once the outermost
/// CallCallbacks returns. Callbacks added during a call are called in that call when they
/// are appended after the current one.
class CLAVENOR_API MCFuncList : public MCPtrList {
public:
    /// An empty list. `blockSize` is accepted for the familiar signature and ignored: nodes
    /// are allocated one by one.
    explicit MCFuncList(int blockSize = 10);
    ~MCFuncList() override;

    /// Appends a callback; returns 0 (nothing added) when no memory is left or `func` is
    /// null.
    [[nodiscard]] int AddCallback(MCCallback func, void* userData);
    /// Inserts a callback before `pos`, or at the head when `pos` is null.
    [[nodiscard]] int InsertCallback(MCCallback func, void* userData, POSITION pos);
    /// Removes the first record of `func`; nothing when there is none.
    void RemoveCallback(MCCallback func);
    /// Removes every record, from the tail.
    void RemoveCallbacks();

    /// Calls every callback from head to tail with `owner`, `code`, `data` and the record's
    /// user data; the results are ignored. Returns 0.
    int CallCallbacks(ECBase* owner, int code, void* data);

    /// As CallCallbacks, but hands each result to `onResult`, which returns false to stop
    /// before the remaining callbacks.
    template <class OnResult>
    void CallEach(ECBase* owner, int code, void* data, OnResult onResult) {
        CallingScope scope(*this);
        // The next node is looked up after each call: while a call runs no node leaves the
        // list (removals only mark records), and a callback the last one appends is reached.
        for (POSITION pos = GetHeadPosition(); pos != nullptr; GetNext(pos)) {
            auto* record = static_cast<Record*>(GetAt(pos));
            if (record->function != nullptr &&
                !onResult(record->function(owner, code, data, record->userData))) {
                return;
            }
        }
    }

private:
    struct Record {
        MCCallback function;
        void* reserved[2];
        void* userData;
    };

    void Sweep();

    // Marks a call in progress, so that removals wait until the outermost call ends.
    class CallingScope {
    public:
        explicit CallingScope(MCFuncList& list) : m_list(list) { ++m_list.m_nCalling; }
        ~CallingScope() {
            if (--m_list.m_nCalling == 0 && m_list.m_bSweepNeeded) {
                m_list.Sweep();
            }
        }
        CallingScope(const CallingScope&) = delete;
        CallingScope& operator=(const CallingScope&) = delete;

    private:
        MCFuncList& m_list;
    };

    int m_nCalling = 0;
    bool m_bSweepNeeded = false;
};

} // namespace clavenor
