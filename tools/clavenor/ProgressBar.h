#pragma once

#include <chrono>
#include <cstddef>
#include <string>

namespace clavenor::tool {

/// A progress bar on standard error, drawn only when standard error is a terminal (so logs
/// and pipes stay clean) and only for work that lasts long enough to need one. Redrawn at
/// most ten times a second; erased when done or destroyed.
class ProgressBar {
public:
    explicit ProgressBar(std::string label);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void Update(std::size_t done, std::size_t total);
    /// Erases the bar.
    void Finish();

private:
    std::string m_label;
    bool m_enabled;
    bool m_shown = false;
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_last;
};

} // namespace clavenor::tool
