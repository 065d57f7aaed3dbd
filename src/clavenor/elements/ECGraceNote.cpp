#include "clavenor/elements/ECGraceNote.h"

#include "clavenor/elements/ECPerformance.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECGraceNote, ECNote, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECGraceNote, EventId::GraceNote)

ECGraceNote::ECGraceNote(const MCTime& time, const MCTime& duration) : ECNote(time, duration) {}

ECGraceNote::~ECGraceNote() = default;

void ECGraceNote::Serialize(CArchive& ar) {
    ECNote::Serialize(ar);
    if (ar.IsLoading()) {
        const std::int32_t version = ECPerformance::GetActiveVersion();
        if (version < 3) {
            m_duration.Serialize(ar, version);
        }
    }
}

ECBase* ECGraceNote::Copy(CObject* src) { return CopyAs(this, src); }

int ECGraceNote::GetEventId() const { return EventId::GraceNote; }

int ECGraceNote::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Note);
    return 1;
}

} // namespace clavenor
