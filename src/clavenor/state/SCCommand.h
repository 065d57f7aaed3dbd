#pragma once

#include "clavenor/commands/MCCommandList.h"
#include "clavenor/framework/Export.h"
#include "clavenor/state/SCBase.h"

namespace clavenor {

class CCBase;

/// The record of finished (code 500) or aborted (code 501) commands, in the order they
/// finished. The record holds a reference on each command until it is deleted.
class CLAVENOR_API SCCommand : public SCBase {
public:
    static constexpr int CodeFinished = 500;
    static constexpr int CodeAborted = 501;

    SCCommand() = default;
    explicit SCCommand(int code) : SCBase(code) {}
    SCCommand(const SCCommand& other);
    SCCommand& operator=(const SCCommand& other);
    ~SCCommand() override;

    /// Appends the command (taking a reference).
    void AddCommand(CCBase* command);
    MCCommandList& GetCommands() { return m_commands; }

private:
    MCCommandList m_commands{10};
};

} // namespace clavenor
