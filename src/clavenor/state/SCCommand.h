#pragma once

#include "clavenor/commands/MCCommandList.h"
#include "clavenor/framework/Export.h"
#include "clavenor/state/SCBase.h"

#include <cstddef>

namespace clavenor {

class CCBase;

/// The record of finished (code 500) or aborted (code 501) commands, in the order they
/// finished. The record holds a reference on each command until it is deleted.
class CLAVENOR_API SCCommand : public SCBase {
public:
    /// The commands in the record were applied.
    static constexpr int CodeFinished = 500;
    /// The commands in the record failed and were taken back.
    static constexpr int CodeAborted = 501;

    /// Code 0 and no commands (the library uses the codes above).
    SCCommand() = default;
    /// A record of `code` without commands yet (asynchronous, auto-delete).
    explicit SCCommand(int code) : SCBase(code) {}
    /// Copies the base record and lists the same commands, taking a reference on each.
    SCCommand(const SCCommand& other);
    /// Gives back the references on this record's commands, then lists `other`'s as the
    /// copy constructor does.
    SCCommand& operator=(const SCCommand& other);
    ~SCCommand() override;

    ///@{
    /// A record's memory comes from the heap, and goes back to it when the record is
    /// deleted, or to the command manager that delivered it, which builds its next record
    /// there. Nothing changes for the record's creator: `new` and `delete` as ever.
    static void* operator new(std::size_t size);
    static void operator delete(void* block, std::size_t size) noexcept;
    ///@}

    /// Appends the command (taking a reference).
    void AddCommand(CCBase* command);
    /// The commands, in the order they finished; valid while the record lives. Read them;
    /// add through AddCommand, which takes the reference the list holds.
    MCCommandList& GetCommands() { return m_commands; }

private:
    MCCommandList m_commands{10};
};

} // namespace clavenor
