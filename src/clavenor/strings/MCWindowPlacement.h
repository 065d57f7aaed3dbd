#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/framework/POINT.h"
#include "clavenor/framework/RECT.h"

#include <cstdint>

namespace clavenor {

/// Where a window of the host sits and how it is shown, in the layout of the platform's
/// placement record: what the window preferences load and save.
struct CLAVENOR_API MCWindowPlacement {
    /// The size of the platform's record, which `length` carries.
    static constexpr std::uint32_t RecordSize = 44;

    ///@{
    /// Show commands: how the window is shown (restored, minimised, maximised).
    static constexpr std::uint32_t ShowNormal = 1;
    static constexpr std::uint32_t ShowMinimized = 2;
    static constexpr std::uint32_t ShowMaximized = 3;
    ///@}

    /// Flag of a minimised window that comes back maximised when restored.
    static constexpr std::uint32_t FlagRestoreToMaximized = 2;

    /// RecordSize, as the platform's record requires.
    std::uint32_t length = RecordSize;
    /// 0 or FlagRestoreToMaximized.
    std::uint32_t flags = 0;
    /// One of the show commands.
    std::uint32_t showCmd = ShowNormal;
    ///@{
    /// The top-left corners of the window when minimised and when maximised.
    POINT minPosition;
    POINT maxPosition;
    ///@}
    /// The restored (neither minimised nor maximised) rectangle.
    RECT normalPosition;

    /// Every field equal.
    friend bool operator==(const MCWindowPlacement&, const MCWindowPlacement&) = default;
};

} // namespace clavenor
