#pragma once

#include "clavenor/framework/CString.h"
#include "clavenor/framework/Export.h"
#include "clavenor/strings/MCLogFont.h"
#include "clavenor/strings/MCWindowPlacement.h"

#include <cstdint>

namespace clavenor {

// User preferences, read from and written to the active profile store
// (CProfileStore::GetActiveStore), addressed by a section name such as "Settings\Tempo" and a
// key name such as "Midi Value". The functions keep no state between calls. Like the store,
// they are called from the host's owning thread.
//
// Integers are stored as integers; floats, fonts and window placements as the texts
// described below, so that files written elsewhere read the same.
//
// Every Save... returns non-zero on success and 0 when the store refused or could not keep
// the value, which then stays as it was. A missing key always gives the default.

/// The stored integer, or `defaultValue` when the key is absent (or holds no integer).
CLAVENOR_API std::int32_t LoadIntPreference(const CString& section, const CString& key,
                                            std::int32_t defaultValue);
[[nodiscard]] CLAVENOR_API int SaveIntPreference(const CString& section, const CString& key,
                                                 std::int32_t value);

/// `defaultValue` when the key is absent or empty. Any other text converts like the C
/// library's atof in the "C" locale, whatever locale the host set: leading blanks are
/// skipped, conversion stops at the first character that cannot continue a number, and text
/// that starts with no number gives 0.0. A value beyond the float range gives an infinity.
CLAVENOR_API float LoadFloatPreference(const CString& section, const CString& key,
                                       float defaultValue);

/// Stores the value with six decimals and no exponent ("%f", "2.500000"), whatever locale the
/// host set.
[[nodiscard]] CLAVENOR_API int SaveFloatPreference(const CString& section, const CString& key,
                                                   float value);

CLAVENOR_API CString LoadStringPreference(const CString& section, const CString& key,
                                          const CString& defaultValue);
[[nodiscard]] CLAVENOR_API int SaveStringPreference(const CString& section, const CString& key,
                                                    const CString& value);

/// The font a font preference describes, to be created by the host. The arguments after the
/// key are the defaults: the weight is 700 for a non-zero `bold`, else 400; `italic`,
/// `underline` and `charSet` keep their low byte.
///
/// The stored text is "face, height, bold, italic, underline, charset" (see
/// SaveFontPreference). When it is not empty, its comma-separated fields apply by position
/// (a missing field is empty; numbers convert like atoi, a field without one giving 0): the
/// face name is replaced verbatim and the height always; bold, italic and underline are
/// switched on when their field is exactly 1 and otherwise keep the default, so a stored 0
/// never turns a bold default off; the character set is replaced when its field is not
/// empty. A face name containing a comma therefore does not survive a round trip.
///
/// The other members are fixed: width, escapement, orientation and strike-out 0, output
/// precision MCLogFont::OutPrecisionTrueType, the platform defaults (0) for clip precision,
/// quality and pitch and family.
CLAVENOR_API MCLogFont LoadFontPreference(const CString& section, const CString& key,
                                          const CString& faceName, std::int32_t height, int bold,
                                          int italic, int underline, int charSet);

/// Stores `font` as "face, height, bold, italic, underline, charset": the height in decimal
/// (negative allowed), bold "1" exactly when the weight is 700, italic and underline "1" when
/// non-zero, each else "0", the character set in decimal.
[[nodiscard]] CLAVENOR_API int SaveFontPreference(const CString& section, const CString& key,
                                                  const MCLogFont& font);

/// Fills `placement` from the integer keys "x", "y", "Width", "Height", "Iconic" and
/// "Maximized" of `section` (each 0 when absent). Returns 1 when a non-zero width and height
/// were stored; otherwise the size becomes that of the work area (MCScreenMetrics), the
/// stored x and y stay, and the result is 0.
///
/// The record gets: length RecordSize; normal rectangle (x, y, x + width, y + height);
/// minimised position (0, 0); maximised position (-border width, -border height). A non-zero
/// "Iconic" shows minimised, with FlagRestoreToMaximized when "Maximized" is positive;
/// otherwise a non-zero "Maximized" shows maximised and anything else normal, without flags.
/// Coordinates add and negate with 32-bit wrap-around, so that any saved rectangle loads back
/// unchanged.
[[nodiscard]] CLAVENOR_API int LoadWindowPrefs(const CString& section,
                                               MCWindowPlacement& placement);

/// Stores the normal rectangle of `placement` as "x", "y", "Width", "Height", then "Iconic"
/// and "Maximized": a minimised window (show command ShowMinimized) is iconic and counts as
/// maximised when it has any flag set; any other is not iconic and maximised exactly when
/// its show command is ShowMaximized. Failures to store are not reported.
CLAVENOR_API void SaveWindowPrefs(const CString& section, const MCWindowPlacement& placement);

/// Sets `scale` and `offset` of the line y = x * scale + offset through (x0, y0) and
/// (x1, y1), in single precision; both 0 when x0 equals x1 or either is NaN.
CLAVENOR_API void SetScaleParams(float x0, float x1, float y0, float y1, float& scale,
                                 float& offset);

} // namespace clavenor
