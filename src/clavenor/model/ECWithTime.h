#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/ECBase.h"
#include "clavenor/model/ECTimedBase.h"

namespace clavenor {

extern template class CLAVENOR_API ECTimedBase<ECBase>;

/// An element with a time and a voice/track (event id 73).
class CLAVENOR_API ECWithTime : public ECTimedBase<ECBase> {
    DECLARE_SERIAL(ECWithTime)

public:
    ECWithTime() = default;
    /// Copies the time and the voice/track.
    ECWithTime(const ECWithTime& other) = default;
    ~ECWithTime() override;

    /// Copies the voice/track, not the time.
    ECWithTime& operator=(const ECWithTime& other) = default;

    ///@{
    /// Equal times and equal voice/track words.
    bool operator==(const ECWithTime& other) const { return TimedEquals(other); }
    bool operator!=(const ECWithTime& other) const { return !(*this == other); }
    ///@}

    /// The ECBase record, the time, the voice/track word.
    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
};

} // namespace clavenor
