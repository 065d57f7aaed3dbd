#pragma once

#include "clavenor/framework/CString.h"
#include "clavenor/framework/Export.h"

#include <cstdint>

namespace clavenor {

/// The description of a font as the host's graphics layer creates it: what a font
/// preference loads and saves. The library draws nothing, so it hands the host this record
/// and the host makes the font.
struct CLAVENOR_API MCLogFont {
    ///@{
    /// The weight of a regular font and of a bold one; a font preference's bold flag chooses
    /// between the two.
    static constexpr std::int32_t WeightNormal = 400;
    static constexpr std::int32_t WeightBold = 700;
    ///@}
    /// Output precision that prefers TrueType fonts.
    static constexpr std::uint8_t OutPrecisionTrueType = 4;

    /// Negative: the character height in device units; positive: the cell height.
    std::int32_t height = 0;
    /// The average character width; 0 lets the host's font mapper match it to the height.
    std::int32_t width = 0;
    ///@{
    /// The angles of the text line and of each character's base line, in tenths of a degree.
    std::int32_t escapement = 0;
    std::int32_t orientation = 0;
    ///@}
    /// 0 to 1000: WeightNormal, WeightBold or any other step.
    std::int32_t weight = WeightNormal;
    ///@{
    /// Non-zero for an italic, an underlined, a struck-out font.
    std::uint8_t italic = 0;
    std::uint8_t underline = 0;
    std::uint8_t strikeOut = 0;
    ///@}
    /// The character set, as the platform numbers them (0: its default one).
    std::uint8_t charSet = 0;
    /// How closely the host must match the font; OutPrecisionTrueType prefers TrueType.
    std::uint8_t outPrecision = 0;
    ///@{
    /// 0 in these three: the platform's defaults.
    std::uint8_t clipPrecision = 0;
    std::uint8_t quality = 0;
    std::uint8_t pitchAndFamily = 0;
    ///@}
    /// The typeface; empty lets the host choose one by the other fields.
    CString faceName;

    /// Every field equal.
    friend bool operator==(const MCLogFont&, const MCLogFont&) = default;
};

} // namespace clavenor
