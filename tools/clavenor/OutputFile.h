#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace clavenor::tool {

/// Writes a whole output file the way SaveDocument writes documents: into a temporary file
/// beside it, flushed and renamed over it, so that a failure leaves what was there before.
/// Throws ToolError(BadOutput) naming the file and the reason.
class OutputFile {
public:
    static void Write(const std::filesystem::path& path, std::string_view bytes);
};

} // namespace clavenor::tool
