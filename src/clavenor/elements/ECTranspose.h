#pragma once

#include "clavenor/elements/ECEnvPoint.h"
#include "clavenor/framework/Export.h"

#include <cstdint>

namespace clavenor {

/// A transposition mark (event id 62; allowed parents, in this order: the envelope, 22, and
/// the controller envelope, 19): a point of an envelope, so it has a time, a value and the
/// point flags, plus a kind of transposition (the second byte of the flag word, the host's
/// to interpret) and a length.
///
/// Archive record: the ECEnvPoint record, the transposition type (1 byte) and the duration
/// (an MCTime record, read at the document's active version).
class CLAVENOR_API ECTranspose : public ECEnvPoint {
    DECLARE_SERIAL(ECTranspose)

public:
    /// Type 0, lasting 4.0 quarter notes (a measure of 4/4).
    ECTranspose();
    /// Of type `type` lasting `duration`; the time stays unset.
    ECTranspose(std::uint8_t type, const MCTime& duration);
    /// Copies the ECEnvPoint part with the time, the type and the duration.
    ECTranspose(const ECTranspose& other);
    ~ECTranspose() override;

    /// Copies the ECEnvPoint part (not the time) and the type; not the duration.
    ECTranspose& operator=(const ECTranspose& other);
    /// Same type and equal durations; the point's value, flags and time do not count.
    bool operator==(const ECTranspose& other) const {
        return GetTransposeType() == other.GetTransposeType() && m_duration == other.m_duration;
    }
    /// The negation of ==.
    bool operator!=(const ECTranspose& other) const { return !(*this == other); }

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    MCTime* GetDuration() override { return &m_duration; }
    /// Assigns the duration; a null pointer changes nothing.
    void SetDuration(MCTime* duration) override;

    ///@{
    /// The type, stored as given; a direct change, not undoable, notifying nothing.
    std::uint8_t GetTransposeType() const { return GetSubtype(); }
    void SetTransposeType(std::uint8_t type) { SetSubtype(type); }
    ///@}

    /// Every transposition type has a duration: 1.
    static int HasDuration(std::uint8_t type);

private:
    MCTime m_duration;
};

} // namespace clavenor
