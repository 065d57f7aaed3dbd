#include "clavenor/state/detail/SCRecordSpare.h"

#include "clavenor/state/SCCommand.h"

#include <new>
#include <utility>

namespace clavenor::detail {

namespace {

// The slot of the innermost catch alive on this thread.
thread_local void** t_ppCatching = nullptr;

} // namespace

std::unique_ptr<SCCommand> SCRecordSpare::MakeSynchronous(void*& slot, int code) {
    std::unique_ptr<SCCommand> record;
    if (slot != nullptr) {
        // The constructor needs no memory, so the block cannot be lost on the way.
        record.reset(::new (std::exchange(slot, nullptr)) SCCommand(code));
    } else {
        record = std::make_unique<SCCommand>(code);
    }
    record->SetSynchronous(1);
    return record;
}

void SCRecordSpare::Free(void*& slot) noexcept {
    if (slot != nullptr) {
        // Unsized: not every compiler this builds with declares the sized form.
        ::operator delete(std::exchange(slot, nullptr));
    }
}

SCRecordSpare::Catch::Catch(void*& slot) : m_pOuter(t_ppCatching) { t_ppCatching = &slot; }

SCRecordSpare::Catch::~Catch() { t_ppCatching = m_pOuter; }

bool SCRecordSpare::Keep(void* block, std::size_t size) noexcept {
    void** slot = t_ppCatching;
    if (slot == nullptr || *slot != nullptr || size != sizeof(SCCommand)) {
        return false;
    }
    *slot = block;
    return true;
}

} // namespace clavenor::detail
