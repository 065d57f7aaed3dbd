#pragma once

#include "clavenor/framework/Export.h"

#include <cstdint>

namespace clavenor {

/// The screen sizes the window preferences need and the library cannot ask a display for:
/// the desktop work area (the screen minus task bars), the size a window without a stored
/// placement gets; and the thickness of a window border, which places a maximised window's
/// frame just outside the screen.
///
/// Process-wide; the host sets them from its owning thread (not locked) whenever the display
/// changes. Values are used as given. The defaults describe a 1920 x 1080 screen with a
/// 40-pixel task bar and one-pixel borders.
struct CLAVENOR_API MCScreenMetrics {
    ///@{
    /// The desktop work area, in pixels.
    std::int32_t workAreaWidth = 1920;
    std::int32_t workAreaHeight = 1040;
    ///@}
    ///@{
    /// The thickness of a window border, in pixels.
    std::int32_t borderWidth = 1;
    std::int32_t borderHeight = 1;
    ///@}

    /// The values in force: the defaults until the host sets others.
    static MCScreenMetrics Get();
    /// Replaces the values in force; window preferences loaded afterwards use them.
    static void Set(const MCScreenMetrics& metrics);

    /// Every field equal.
    friend bool operator==(const MCScreenMetrics&, const MCScreenMetrics&) = default;
};

} // namespace clavenor
