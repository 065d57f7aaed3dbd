#pragma once

#include <cstdint>

namespace clavenor {

/// The handle of a hidden window: a target for messages and timers on the owning thread.
struct WindowTag;
using HWND = WindowTag*;

using UINT = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using UINT_PTR = std::uintptr_t;

/// A window procedure: runs every message delivered to a window, on the owning thread.
using WNDPROC = LRESULT (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

/// The message a window receives when one of its timers is due; wParam is the timer id.
constexpr UINT WM_TIMER = 0x0113;

} // namespace clavenor
