#pragma once

#include "clavenor/framework/Export.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace clavenor {

/// The first id handed out for a registered clipboard format; ids below it are never used
/// for named formats (0 stands for "no format").
inline constexpr std::uint16_t FirstRegisteredFormat = 0xC000;

/// The 16-bit id of the clipboard format called `name` (exact, case-sensitive), registering
/// the name on first use. Ids are this process's own: what travels between processes is the
/// name (see CTransferData). Returns 0 for an empty name, and once all 16384 ids are taken.
/// Safe to call from any thread.
CLAVENOR_API std::uint16_t RegisterClipboardFormat(std::string_view name);

/// The name registered under `format`, or an empty string for an id that is not registered.
CLAVENOR_API std::string GetClipboardFormatName(std::uint16_t format);

} // namespace clavenor
