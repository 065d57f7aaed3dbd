#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/ECWithTimeChild.h"

namespace clavenor {

/// A sounding note: a start time and a duration (event id 37; allowed parents, in this
/// order: measure, chord, beam, tuplet). Pitch, velocity and the other MIDI facts are not
/// kept here: they travel beside the note in the commands that add it, and whatever else
/// the host keeps about a note lives in its attached data. Children: grace notes and the
/// note's marks (accents, accidentals, dots, ornaments and the like).
///
/// Archive record: the ECWithTimeChild record, then the duration as an MCTime record
/// (written in the current layout, read at the document's active version).
class CLAVENOR_API ECNote : public ECWithTimeChild {
    DECLARE_SERIAL(ECNote)

public:
    /// The host's duration hook: takes the written duration and the data pointer given to
    /// SetDurationFuncs and returns the duration to use instead.
    using DurationFunc = MCTime (*)(MCTime* duration, void* data);

    ///@{
    /// The hooks and their data, shared by all notes. Null by default. Process-wide values
    /// without a lock: set them through SetDurationFuncs from the host's owning thread.
    static DurationFunc s_pDurFunc;
    static DurationFunc s_pDurFuncInverse;
    static void* s_pDurFuncData;
    ///@}

    /// A quarter note (duration 1.0) at time 0.0. Unlike other timed elements a note never
    /// starts with the unset time.
    ECNote();
    /// At `time` lasting `duration`, both taken as given (an unset time or a zero duration is not
    /// refused).
    ECNote(const MCTime& time, const MCTime& duration);
    /// Copies everything a note is: the time, the voice/track and the duration (not the
    /// children, the parents or the attached data).
    ECNote(const ECNote& other) = default;
    ~ECNote() override;

    /// Copies the voice/track only. Time and duration change only through their own edit
    /// commands, so an assigned note keeps both.
    ECNote& operator=(const ECNote& other);

    /// Equal start times and equal durations; voice/track, children and data do not count.
    bool operator==(const ECNote& other) const {
        return m_time == other.m_time && m_duration == other.m_duration;
    }
    /// The negation of ==.
    bool operator!=(const ECNote& other) const { return !(*this == other); }

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    /// The note's own duration; callers may change it in place.
    MCTime* GetDuration() override { return &m_duration; }
    /// Assigns the duration; a null pointer changes nothing.
    void SetDuration(MCTime* duration) override;

    /// Installs the duration hooks and their data (null clears a hook). The library keeps
    /// them until they are replaced and calls them only from ScaleDuration.
    static void SetDurationFuncs(DurationFunc func, DurationFunc inverse, void* data);

    /// The duration as the host's hook scales it: the inverse hook when `inverse` is
    /// non-zero, the forward one otherwise; a copy of `*duration` when that hook is not
    /// installed. The hook is given a copy, so `*duration` never changes. The unset time
    /// for a null pointer (no hook is called then).
    static MCTime ScaleDuration(const MCTime* duration, int inverse);

protected:
    /// The written duration, which the grace note shares.
    MCTime m_duration;
};

} // namespace clavenor
