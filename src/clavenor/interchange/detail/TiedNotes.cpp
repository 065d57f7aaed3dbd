#include "clavenor/interchange/detail/TiedNotes.h"

#include <clavenor/clavenor.h>

namespace clavenor::ties {

namespace {

// The other member of a tie of `note` that starts later (`later`) or earlier than it.
ECNote* Partner(ECNote* note, bool later) {
    const float start = note->GetTime()->GetSeconds();
    for (ECBase* parent : *note->GetParents()) {
        if (parent->GetEventId() != EventId::Tie) {
            continue;
        }
        for (ECBase* member : *parent->GetChildren()) {
            if (member == note || member->GetEventId() != EventId::Note) {
                continue;
            }
            const float at = member->GetTime()->GetSeconds();
            if (later ? at > start : at < start) {
                return static_cast<ECNote*>(member);
            }
        }
    }
    return nullptr;
}

} // namespace

ECNote* Next(ECNote* note) { return Partner(note, true); }

ECNote* Previous(ECNote* note) { return Partner(note, false); }

} // namespace clavenor::ties
