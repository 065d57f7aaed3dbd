#pragma once

#include <cstdint>

namespace clavenor {

/// Where a window of the host sits and how it is shown, in the layout of the platform's
/// placement record: what the window preferences load and save.
struct MCWindowPlacement {
    struct Point {
        std::int32_t x = 0;
        std::int32_t y = 0;
        friend bool operator==(const Point&, const Point&) = default;
    };
    struct Rect {
        std::int32_t left = 0;
        std::int32_t top = 0;
        std::int32_t right = 0;
        std::int32_t bottom = 0;
        friend bool operator==(const Rect&, const Rect&) = default;
    };

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
    Point minPosition;
    Point maxPosition;
    /// The restored (neither minimised nor maximised) rectangle.
    Rect normalPosition;

    friend bool operator==(const MCWindowPlacement&, const MCWindowPlacement&) = default;
};

} // namespace clavenor
