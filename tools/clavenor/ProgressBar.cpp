#include "ProgressBar.h"

#include <cstdio>
#include <unistd.h>

namespace clavenor::tool {

namespace {

// Work shorter than this gets no bar at all.
constexpr auto QuietFor = std::chrono::milliseconds(300);
constexpr auto RedrawEvery = std::chrono::milliseconds(100);
constexpr int Width = 30;

} // namespace

ProgressBar::ProgressBar(std::string label)
    : m_label(std::move(label)), m_enabled(::isatty(STDERR_FILENO) == 1),
      m_start(std::chrono::steady_clock::now()), m_last(m_start) {}

ProgressBar::~ProgressBar() { Finish(); }

void ProgressBar::Update(std::size_t done, std::size_t total) {
    if (!m_enabled || total == 0) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now - m_start < QuietFor || (m_shown && now - m_last < RedrawEvery)) {
        return;
    }
    m_last = now;
    m_shown = true;
    const double fraction = done >= total ? 1.0 : static_cast<double>(done) / total;
    const int filled = static_cast<int>(fraction * Width);
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(Width, ' ');
    std::fprintf(stderr, "\r%s [%s] %3d%%", m_label.c_str(), bar.c_str(),
                 static_cast<int>(fraction * 100.0));
    std::fflush(stderr);
}

void ProgressBar::Finish() {
    if (m_shown) {
        // Clear the line the bar used.
        std::fprintf(stderr, "\r\033[K");
        std::fflush(stderr);
        m_shown = false;
    }
}

} // namespace clavenor::tool
