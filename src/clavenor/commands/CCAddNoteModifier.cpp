#include "clavenor/commands/CCAddNoteModifier.h"

#include "clavenor/elements/ECAccent.h"
#include "clavenor/elements/ECTremolo.h"
#include "clavenor/model/EventRegistry.h"
#include "clavenor/model/MCEventList.h"

#include <vector>

namespace clavenor {

namespace {

ECBase* CopyOf(ECBase* modifier) {
    if (auto* accent = dynamic_cast<ECAccent*>(modifier)) {
        return new ECAccent(*accent);
    }
    return new ECTremolo(*static_cast<ECTremolo*>(modifier));
}

} // namespace

IMPLEMENT_SERIAL(CCAddNoteModifier, CCAdd, 2 | CRuntimeClass::VersionableSchema)

CCAddNoteModifier::CCAddNoteModifier() = default;

CCAddNoteModifier::CCAddNoteModifier(ECBase* modifier, ECBase* parent) {
    Add(modifier, parent, FCMidi::MidiNull());
}

CCAddNoteModifier::~CCAddNoteModifier() = default;

int CCAddNoteModifier::GetCommandId() const { return 7; }

CCAddItem* CCAddNoteModifier::Add(ECBase* child, ECBase* parent, const FCMidi& data) {
    if (child == nullptr || parent == nullptr) {
        return nullptr;
    }
    switch (child->GetEventId()) {
    case EventId::Accent:
    case EventId::Tremolo:
        break;
    case EventId::Accidental:
    case EventId::Arpeggio:
    case EventId::Mordent:
    case EventId::Ornament:
    case EventId::Trill:
    case EventId::Turn:
        return CCAdd::Add(child, parent, data);
    default:
        return nullptr;
    }
    if (parent->GetEventId() != EventId::Chord) {
        return CCAdd::Add(child, parent, data);
    }
    std::vector<ECBase*> notes;
    for (ECBase* element : *parent->GetChildren()) {
        if (element->GetEventId() == EventId::Note) {
            notes.push_back(element);
        }
    }
    // Held while the copies are made, so that a failure gives it back to its holders.
    child->Ref();
    CCAddItem* last = nullptr;
    try {
        for (ECBase* note : notes) {
            ECBase* copy = CopyOf(child);
            copy->Ref();
            try {
                last = CCAdd::Add(copy, note, data);
            } catch (...) {
                copy->Unref(1);
                throw;
            }
            copy->Unref(0);
        }
    } catch (...) {
        child->Unref(0);
        throw;
    }
    child->Unref(1);
    return last;
}

} // namespace clavenor
