#include "clavenor/commands/CCCopyTracks.h"

#include "clavenor/actions/ACSetVoiceTrack.h"
#include "clavenor/clipboard/MCOleDataIn.h"
#include "clavenor/commands/CCAddClef.h"
#include "clavenor/commands/CCAddKey.h"
#include "clavenor/commands/CCCopy.h"
#include "clavenor/commands/MCCommandList.h"
#include "clavenor/commands/MCCommandMgr.h"
#include "clavenor/elements/ECClef.h"
#include "clavenor/elements/ECConductor.h"
#include "clavenor/elements/ECKey.h"
#include "clavenor/elements/ECMeasure.h"
#include "clavenor/elements/ECPerformance.h"
#include "clavenor/elements/ECStaff.h"
#include "clavenor/elements/ECWaveTrack.h"
#include "clavenor/framework/detail/ReserveOneMore.h"
#include "clavenor/model/EventRegistry.h"

#include <algorithm>
#include <new>

namespace clavenor {

IMPLEMENT_SERIAL(CCCopyTracks, CCAddTrack, 2 | CRuntimeClass::VersionableSchema)

namespace {

constexpr int KeepVoice = 15;

void Append(MCEventList& list, ECBase* element) {
    if (list.AddTail(element) == nullptr) {
        throw std::bad_alloc();
    }
}

// Appends `command`, synchronous and never recorded, to `list`.
void Enlist(MCCommandList& list, CCBase* command) {
    command->SetSynchronous(1);
    command->SetCanUndo(0);
    if (list.AddTail(command) == nullptr) {
        delete command;
        throw std::bad_alloc();
    }
}

} // namespace

CCCopyTracks::CCCopyTracks() = default;

CCCopyTracks::~CCCopyTracks() {
    MCOleDataIn::ReleaseEvents(m_staffCopies);
    MCOleDataIn::ReleaseEvents(m_measureCopies);
}

int CCCopyTracks::GetCommandId() const { return 18; }

void CCCopyTracks::AddEvtType(int id) {
    if (std::find(m_types.begin(), m_types.end(), id) == m_types.end()) {
        m_types.push_back(id);
    }
}

void CCCopyTracks::RemoveEvtType(int id) {
    m_types.erase(std::remove(m_types.begin(), m_types.end(), id), m_types.end());
}

bool CCCopyTracks::Selected(ECBase* element) const {
    const int id = element->GetEventId();
    // Mirrors show conductor elements; the new staff gets its own.
    if (id == EventId::Mirror || id == EventId::Measure) {
        return false;
    }
    return m_types.empty() || std::find(m_types.begin(), m_types.end(), id) != m_types.end();
}

void CCCopyTracks::CopyTrack(ECTrack* track) {
    if (track == nullptr) {
        return;
    }
    ReserveOneMore(m_copies);
    ECTrack* copy = nullptr;
    if (auto* staff = dynamic_cast<ECStaff*>(track);
        staff != nullptr && track->GetEventId() == EventId::Staff) {
        copy = new ECStaff(*staff);
    } else if (auto* wave = dynamic_cast<ECWaveTrack*>(track)) {
        copy = new ECWaveTrack(*wave);
    }
    if (copy != nullptr) {
        try {
            Add(copy, nullptr, FCMidi::MidiNull());
        } catch (...) {
            delete copy;
            throw;
        }
    }
    Append(m_sources, track);
    m_copies.push_back(copy);
}

int CCCopyTracks::Prepare() {
    if (CCBase::Prepare() == 0) {
        return 0;
    }
    for (ECBase* source : m_sources) {
        if (source->GetAncestor(EventId::Performance, -1) != GetTarget()) {
            return 0;
        }
    }
    return 1;
}

int CCCopyTracks::Finish() {
    // A redo puts back the tracks with the content the first run placed in them: the same
    // elements, which the later entries of the history name. Copying anew would give them
    // elements they never saw, and those would miss the later edits when redone.
    if (m_bPlaced) {
        Renumber();
        return 1;
    }
    MCOleDataIn::ReleaseEvents(m_staffCopies);
    MCOleDataIn::ReleaseEvents(m_measureCopies);
    std::size_t i = 0;
    for (POSITION pos = m_sources.GetHeadPosition(); pos != nullptr; ++i) {
        auto* source = static_cast<ECTrack*>(m_sources.GetNext(pos));
        if (m_copies[i] != nullptr && DoCopyTrack(source, m_copies[i]) == 0) {
            return 0;
        }
    }
    m_bPlaced = true;
    return 1;
}

void CCCopyTracks::Renumber() {
    for (MCEventList* copies : {&m_staffCopies, &m_measureCopies}) {
        for (ECBase* element : *copies) {
            ECBase* staff = element->GetAncestor(EventId::Staff, -1);
            const int number = staff != nullptr
                                   ? m_pConductor->GetTrackNumber(ECConductor::KindStaff,
                                                                  static_cast<ECTrack*>(staff))
                                   : -1;
            if (number >= 1) {
                ACSetVoiceTrack renumber(number, KeepVoice);
                renumber.Apply(element);
            }
        }
    }
}

int CCCopyTracks::DoCopyTrack(ECTrack* source, ECTrack* copy) {
    const int kind =
        copy->GetEventId() == EventId::Staff ? ECConductor::KindStaff : ECConductor::KindWaveTrack;
    const int number = m_pConductor->GetTrackNumber(kind, copy);
    if (number < 1) {
        return 1;
    }
    MCEventList direct;
    MCEventList inMeasures;
    for (ECBase* child : *source->GetChildren()) {
        if (child->GetEventId() == EventId::Measure) {
            for (ECBase* element : *child->GetChildren()) {
                if (Selected(element)) {
                    Append(inMeasures, element);
                }
            }
        } else if (Selected(child)) {
            Append(direct, child);
        }
    }
    MCEventList directCopies;
    MCEventList measureCopies;
    // A copy that no command placed holds itself through its children: it goes with its
    // subtree when the placing fails or never comes.
    struct Release {
        MCEventList& list;
        ~Release() { MCOleDataIn::ReleaseEvents(list); }
    };
    const Release releaseDirect{directCopies};
    const Release releaseMeasure{measureCopies};
    if ((!direct.IsEmpty() && CCCopy::DoCopyEvents(direct, directCopies, m_pDocument) == 0) ||
        (!inMeasures.IsEmpty() &&
         CCCopy::DoCopyEvents(inMeasures, measureCopies, m_pDocument) == 0)) {
        return 0;
    }
    MCCommandList place;
    for (MCEventList* copies : {&directCopies, &measureCopies}) {
        for (ECBase* element : *copies) {
            // The track number of the copy, for the staff's own track as for the wave
            // track's; voices stay.
            ACSetVoiceTrack renumber(kind == ECConductor::KindStaff ? number : element->GetTrack(),
                                     KeepVoice);
            renumber.Apply(element);
            if (copies == &directCopies) {
                Append(m_staffCopies, element);
                Enlist(place, new CCAdd(element, copy, FCMidi::MidiNull()));
                continue;
            }
            Append(m_measureCopies, element);
            ECMeasure* measure = element->GetTime() != nullptr
                                     ? m_pConductor->GetMeasure(number, *element->GetTime(), 0, 1)
                                     : nullptr;
            if (measure == nullptr) {
                continue;
            }
            if (auto* clef = dynamic_cast<ECClef*>(element)) {
                Enlist(place, new CCAddClef(clef, measure));
            } else if (auto* key = dynamic_cast<ECKey*>(element)) {
                Enlist(place, new CCAddKey(key, measure));
            } else {
                Enlist(place, new CCAdd(element, measure, FCMidi::MidiNull()));
            }
        }
    }
    if (place.IsEmpty()) {
        return 1;
    }
    // Applying answers whether the batch was dispatched; the watch tells whether it took
    // effect.
    MCCommandMgr::FailureWatch watch(GetTarget()->GetCommandMgr());
    (void)place.Apply(GetTarget());
    return watch.GetFailures() == 0 ? 1 : 0;
}

void CCCopyTracks::Undo() {
    // The content leaves with its tracks and stays in them for the redo.
    CCAddTrack::Undo();
}

} // namespace clavenor
