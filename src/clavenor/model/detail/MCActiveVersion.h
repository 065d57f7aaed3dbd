#pragma once

#include <cstdint>

namespace clavenor {

/// The document version that records are read with. The model core reads its own records
/// by it, but the document root that holds the version is built on the core: the root
/// publishes here where its version lives when it becomes the active document
/// (ECPerformance::SetActivePerformance), and the core reads it from there.
///
/// A process-wide value without a lock, like the active document itself: set it from the
/// owning thread.
class MCActiveVersion {
public:
    /// The version read without an active document: the current layout.
    static constexpr std::int32_t Latest = 0x7FFFFFFF;

    /// The active document's version as it is now, or Latest when there is none.
    static std::int32_t Get() { return s_pVersion != nullptr ? *s_pVersion : Latest; }

    /// Makes `version` (which must stay valid until the next call) the place the active
    /// document keeps its version; null when no document is active.
    static void SetSource(const std::int32_t* version) { s_pVersion = version; }

private:
    static inline const std::int32_t* s_pVersion = nullptr;
};

} // namespace clavenor
