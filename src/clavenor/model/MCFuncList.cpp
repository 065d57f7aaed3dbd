#include "clavenor/model/MCFuncList.h"

#include <new>

namespace clavenor {

MCFuncList::MCFuncList(int blockSize) : MCPtrList(blockSize) {}

MCFuncList::~MCFuncList() {
    m_nCalling = 0;
    RemoveCallbacks();
}

int MCFuncList::AddCallback(MCCallback func, void* userData) {
    if (func == nullptr) {
        return 0;
    }
    auto* record = new (std::nothrow) Record{func, {nullptr, nullptr}, userData};
    if (record == nullptr) {
        return 0;
    }
    if (AddTail(record) == nullptr) {
        delete record;
        return 0;
    }
    return 1;
}

int MCFuncList::InsertCallback(MCCallback func, void* userData, POSITION pos) {
    if (func == nullptr) {
        return 0;
    }
    auto* record = new (std::nothrow) Record{func, {nullptr, nullptr}, userData};
    if (record == nullptr) {
        return 0;
    }
    if (InsertBefore(pos, record) == nullptr) {
        delete record;
        return 0;
    }
    return 1;
}

void MCFuncList::RemoveCallback(MCCallback func) {
    for (POSITION pos = GetHeadPosition(); pos != nullptr;) {
        const POSITION at = pos;
        auto* record = static_cast<Record*>(GetNext(pos));
        if (record->function != func) {
            continue;
        }
        if (m_nCalling > 0) {
            // A call is walking the list; mark the record and let the walk's end free it.
            record->function = nullptr;
            m_bSweepNeeded = true;
        } else {
            RemoveAt(at);
            delete record;
        }
        return;
    }
}

void MCFuncList::RemoveCallbacks() {
    if (m_nCalling > 0) {
        for (POSITION pos = GetHeadPosition(); pos != nullptr;) {
            static_cast<Record*>(GetNext(pos))->function = nullptr;
        }
        m_bSweepNeeded = true;
        return;
    }
    while (!IsEmpty()) {
        delete static_cast<Record*>(RemoveTail());
    }
}

void MCFuncList::Sweep() {
    m_bSweepNeeded = false;
    for (POSITION pos = GetHeadPosition(); pos != nullptr;) {
        const POSITION at = pos;
        auto* record = static_cast<Record*>(GetNext(pos));
        if (record->function == nullptr) {
            RemoveAt(at);
            delete record;
        }
    }
}

int MCFuncList::CallCallbacks(ECBase* owner, int code, void* data) {
    ++m_nCalling;
    // The next node is looked up after each call: while a call runs no node leaves the list
    // (removals only mark records), and a callback the last one appends is still reached.
    for (POSITION pos = GetHeadPosition(); pos != nullptr; GetNext(pos)) {
        auto* record = static_cast<Record*>(GetAt(pos));
        if (record->function != nullptr) {
            record->function(owner, code, data, record->userData);
        }
    }
    if (--m_nCalling == 0 && m_bSweepNeeded) {
        Sweep();
    }
    return 0;
}

} // namespace clavenor
