#pragma once

#include <stdexcept>
#include <string>

namespace clavenor::tool {

/// A failure the tool reports in one line and ends with: the message says what was wrong
/// and where (file, offset); the code is the process's exit status.
class ToolError : public std::runtime_error {
public:
    /// Exit statuses of the tool.
    static constexpr int BadInput = 1;  ///< an input cannot be read, or a check failed
    static constexpr int Usage = 2;     ///< the command line is wrong
    static constexpr int BadOutput = 3; ///< an output cannot be written

    ToolError(int code, const std::string& message) : std::runtime_error(message), m_code(code) {}

    int Code() const { return m_code; }

private:
    int m_code;
};

} // namespace clavenor::tool
