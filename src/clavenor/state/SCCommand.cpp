#include "clavenor/state/SCCommand.h"

#include "clavenor/state/detail/SCRecordSpare.h"

#include <new>

namespace clavenor {

SCCommand::SCCommand(const SCCommand& other) : SCBase(other) {
    m_commands.AddTail(&other.m_commands);
}

SCCommand& SCCommand::operator=(const SCCommand& other) {
    if (this != &other) {
        SCBase::operator=(other);
        m_commands.RemoveAll();
        m_commands.AddTail(&other.m_commands);
    }
    return *this;
}

SCCommand::~SCCommand() = default;

void* SCCommand::operator new(std::size_t size) { return ::operator new(size); }

void SCCommand::operator delete(void* block, std::size_t size) noexcept {
    if (!detail::SCRecordSpare::Keep(block, size)) {
        ::operator delete(block);
    }
}

void SCCommand::AddCommand(CCBase* command) {
    if (command != nullptr && m_commands.AddTail(command) == nullptr) {
        throw std::bad_alloc();
    }
}

} // namespace clavenor
