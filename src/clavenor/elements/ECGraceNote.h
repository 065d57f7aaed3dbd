#pragma once

#include "clavenor/elements/ECNote.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

/// An ornamental note that hangs under a main note (event id 27; allowed parent: the note
/// only). Children: its accents and accidentals. Copying, assignment and equality are
/// those of ECNote.
///
/// Archive record: the ECNote record. Documents older than version 3 carry a second
/// duration record after it, which replaces the first when read; storing writes only one.
class CLAVENOR_API ECGraceNote : public ECNote {
    DECLARE_SERIAL(ECGraceNote)

public:
    /// A quarter note at time 0.0, as ECNote.
    ECGraceNote() = default;
    /// At `time` lasting `duration`, as ECNote.
    ECGraceNote(const MCTime& time, const MCTime& duration);
    /// Copies the time, the voice/track and the duration.
    ECGraceNote(const ECGraceNote& other) = default;
    ~ECGraceNote() override;

    /// Copies the voice/track only.
    ECGraceNote& operator=(const ECGraceNote& other) = default;

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;
};

} // namespace clavenor
