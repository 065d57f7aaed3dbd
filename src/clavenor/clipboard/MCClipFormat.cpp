#include "clavenor/clipboard/MCClipFormat.h"

#include "clavenor/framework/ClipboardFormats.h"

#include <string_view>

namespace clavenor {

MCClipFormat::MCClipFormat(const char* name)
    : m_nFormat(
          RegisterClipboardFormat(name != nullptr ? std::string_view(name) : std::string_view())) {}

std::uint16_t MCClipFormat::Data() {
    static const MCClipFormat format(MusicData);
    return format;
}

std::uint16_t MCClipFormat::Info() {
    static const MCClipFormat format(MusicInfo);
    return format;
}

} // namespace clavenor
