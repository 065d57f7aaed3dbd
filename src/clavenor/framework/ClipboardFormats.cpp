#include "clavenor/framework/ClipboardFormats.h"

#include <mutex>
#include <vector>

namespace clavenor {

namespace {

constexpr std::size_t MaxFormats = 0x10000 - FirstRegisteredFormat;

struct Registry {
    std::mutex lock;
    std::vector<std::string> names; // names[i] has the id FirstRegisteredFormat + i
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

} // namespace

std::uint16_t RegisterClipboardFormat(std::string_view name) {
    if (name.empty()) {
        return 0;
    }
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> hold(registry.lock);
    // A handful of names per process: a linear search beats a second index.
    for (std::size_t i = 0; i < registry.names.size(); ++i) {
        if (registry.names[i] == name) {
            return static_cast<std::uint16_t>(FirstRegisteredFormat + i);
        }
    }
    if (registry.names.size() >= MaxFormats) {
        return 0;
    }
    registry.names.emplace_back(name);
    return static_cast<std::uint16_t>(FirstRegisteredFormat + registry.names.size() - 1);
}

std::string GetClipboardFormatName(std::uint16_t format) {
    if (format < FirstRegisteredFormat) {
        return std::string();
    }
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> hold(registry.lock);
    const std::size_t index = format - FirstRegisteredFormat;
    return index < registry.names.size() ? registry.names[index] : std::string();
}

} // namespace clavenor
