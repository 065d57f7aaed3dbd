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

    /// Show commands.
    static constexpr std::uint32_t ShowNormal = 1;
    static constexpr std::uint32_t ShowMinimized = 2;
    static constexpr std::uint32_t ShowMaximized = 3;

    /// Flag of a minimised window that comes back maximised when restored.
    static constexpr std::uint32_t FlagRestoreToMaximized = 2;

    std::uint32_t length = RecordSize;
    std::uint32_t flags = 0;
    std::uint32_t showCmd = ShowNormal;
    POINT minPosition;
    POINT maxPosition;
    /// The restored (neither minimised nor maximised) rectangle.
    RECT normalPosition;

    friend bool operator==(const MCWindowPlacement&, const MCWindowPlacement&) = default;
};

} // namespace clavenor
