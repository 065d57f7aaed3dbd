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

/// The messages of the library's own hidden windows. They share one range, and this is the
/// one place that numbers them, so that no two collide; a host's windows use other numbers.
namespace LibraryMessage {
/// A change record to deliver: the state window's message, and the one the host's main
/// window gets for records without a document (MCStateMgr::StateMessage).
inline constexpr UINT State = 0x3280;
/// A command or command list to run (MCCommandMgr::CommandMessage).
inline constexpr UINT Command = 0x3281;
/// A command dispatch made on another thread, to be made again on the owning one.
inline constexpr UINT CommandRelay = 0x3282;
/// A record handed over on another thread, to be handed over again on the owning one.
inline constexpr UINT StateRelay = 0x3284;
} // namespace LibraryMessage

} // namespace clavenor
