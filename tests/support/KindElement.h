#pragma once

// Stand-ins for element classes: a base class that answers a chosen event id, so that walks
// can be tested on graphs of notes, chords, beams and envelopes.

#include "clavenor/model/ECWithChild.h"
#include "clavenor/model/ECWithTime.h"
#include "clavenor/model/ECWithTimeChild.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor::test {

template <int Id, class Base = ECWithTimeChild>
class KindElement : public Base {
public:
    int GetEventId() const override { return Id; }
};

using Staff = KindElement<EventId::Staff>;
using Measure = KindElement<EventId::Measure>;
using Chord = KindElement<EventId::Chord>;
using Note = KindElement<EventId::Note>;
using Beam = KindElement<EventId::Beam>;
using Envelope = KindElement<EventId::Envelope>;
using EnvPoint = KindElement<EventId::EnvPoint, ECWithTime>;
using Clef = KindElement<EventId::Clef, ECWithTime>;
/// An element without a time or a voice/track.
using Untimed = KindElement<EventId::Group, ECWithChild>;

/// A new element of class T at `time`, appended to `parent`'s children when given.
template <class T>
T* Make(float time, ECBase* parent = nullptr) {
    auto* e = new T;
    MCTime t(time);
    e->SetTime(&t);
    if (parent != nullptr) {
        parent->AddChild(e, 0);
    }
    return e;
}

/// A new element of class T without a time set (Untimed has none at all).
template <class T>
T* MakeUntimed(ECBase* parent = nullptr) {
    auto* e = new T;
    if (parent != nullptr) {
        parent->AddChild(e, 0);
    }
    return e;
}

} // namespace clavenor::test
