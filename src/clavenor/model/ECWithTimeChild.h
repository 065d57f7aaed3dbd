#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/ECTimedBase.h"
#include "clavenor/model/ECWithChild.h"

namespace clavenor {

extern template class CLAVENOR_API ECTimedBase<ECWithChild>;

/// A container with a time and a voice/track (event id 74). It is not an ECWithTime: it
/// repeats the timed members on top of ECWithChild.
class CLAVENOR_API ECWithTimeChild : public ECTimedBase<ECWithChild> {
    DECLARE_SERIAL(ECWithTimeChild)

public:
    ECWithTimeChild() = default;
    /// Copies the time and the voice/track; the children list starts empty.
    ECWithTimeChild(const ECWithTimeChild& other) = default;
    ~ECWithTimeChild() override;

    /// Copies the voice/track, not the time, nothing of the children.
    ECWithTimeChild& operator=(const ECWithTimeChild& other) = default;

    /// Equal times and equal voice/track words; children are not compared.
    bool operator==(const ECWithTimeChild& other) const { return TimedEquals(other); }
    /// The negation of ==.
    bool operator!=(const ECWithTimeChild& other) const { return !(*this == other); }

    /// The ECWithChild record (flags, data, children with their nested records), then the
    /// time and the voice/track word.
    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
};

} // namespace clavenor
