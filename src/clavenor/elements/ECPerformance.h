#pragma once

#include "clavenor/model/ECWithTimeChild.h"

#include <cstdint>

namespace clavenor {

/// The root of a document (event id 44). The host owns each performance.
///
/// The document version decides which record layouts older documents are read with. The
/// host keeps the version in its own file framing; before loading it sets the version on
/// the performance it loads into and makes that performance the active one. Storing always
/// writes the current layout.
class ECPerformance : public ECWithTimeChild {
    DECLARE_SERIAL(ECPerformance)

public:
    /// The version GetActiveVersion answers when no performance is active: the current
    /// layout.
    static constexpr std::int32_t LatestLayout = 0x7FFFFFFF;

    /// The version of the layout this library writes: what a host records in its framing
    /// for a document it saves, and sets again before loading it.
    static constexpr std::int32_t WriteVersion = 4;

    ECPerformance() = default;
    ~ECPerformance() override;

    int GetEventId() const override;

    std::int32_t GetVersion() const { return m_nVersion; }
    void SetVersion(std::int32_t version) { m_nVersion = version; }

    /// Makes `performance` (or none, for null) the active one and returns the previous one.
    /// A process-wide value without a lock: set it from the host's owning thread. A
    /// performance that is destroyed while active stops being active.
    static ECPerformance* SetActivePerformance(ECPerformance* performance);
    static ECPerformance* GetActivePerformance();

    /// The active performance's version, or LatestLayout when none is active.
    static std::int32_t GetActiveVersion();

private:
    std::int32_t m_nVersion = 0;
};

} // namespace clavenor
