#pragma once

#include "clavenor/framework/CString.h"
#include "clavenor/framework/Export.h"
#include "clavenor/model/ECWithTimeChild.h"

namespace clavenor {

/// An audio-file event on a wave track (event id 70; allowed parent: wave track, 71): the
/// file to play, from the element's time (0.0 unless given), for a duration (0.0 by
/// default).
///
/// Archive record: the ECWithTimeChild record, the file name, the duration (an MCTime
/// record).
class CLAVENOR_API ECWave : public ECWithTimeChild {
    DECLARE_SERIAL(ECWave)

public:
    /// At time 0.0, no file, duration 0.0.
    ECWave();
    /// Playing `fileName` from time 0.0 (the name is kept as given, not checked), duration 0.0.
    explicit ECWave(const CString& fileName);
    /// Playing `fileName` from `time`, duration 0.0.
    ECWave(const MCTime& time, const CString& fileName);
    /// What assignment copies, and the time and the duration.
    ECWave(const ECWave& other);
    ~ECWave() override;

    /// The ECWithTimeChild assignment and the file name; not the duration.
    ECWave& operator=(const ECWave& other);

    /// Equal element times and file names.
    bool operator==(const ECWave& other) const {
        return m_time == other.m_time && m_fileName == other.m_fileName;
    }
    /// The negation of ==.
    bool operator!=(const ECWave& other) const { return !(*this == other); }

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    MCTime* GetDuration() override { return &m_duration; }
    /// Assigns the duration; a null pointer changes nothing.
    void SetDuration(MCTime* duration) override;

    /// The file name as given or loaded, the element's own; nothing checks that the file exists.
    const CString& GetFileName() const { return m_fileName; }

private:
    CString m_fileName;
    MCTime m_duration;
};

} // namespace clavenor
