#include "clavenor/records/MCStandardRecords.h"

#include "clavenor/commands/CCAdd.h"
#include "clavenor/commands/MCCommandList.h"
#include "clavenor/commands/MCCommandMgr.h"
#include "clavenor/elements/ECPerformance.h"
#include "clavenor/elements/ECRest.h"
#include "clavenor/model/EventRegistry.h"
#include "clavenor/plugins/CPluginData.h"
#include "clavenor/records/DCMidiMessage.h"
#include "clavenor/records/DCMidiTrack.h"
#include "clavenor/records/DCNote.h"
#include "clavenor/records/DCRest.h"

#include <cstdint>

namespace clavenor {

namespace {

struct Standard {
    const CRuntimeClass* record;
    int eventId;
};
const Standard Standards[] = {
    {RUNTIME_CLASS(DCNote), EventId::Note},
    {RUNTIME_CLASS(DCNote), EventId::GraceNote},
    {RUNTIME_CLASS(DCRest), EventId::Rest},
    {RUNTIME_CLASS(DCMidiTrack), EventId::Staff},
    {RUNTIME_CLASS(DCMidiMessage), EventId::SystemMessage},
};

bool IsViewCode(int viewCode) { return viewCode >= 0 && viewCode < CPluginData::ViewCodes; }

bool IsNoteKind(const ECBase* element) {
    const int id = element->GetEventId();
    return id == EventId::Note || id == EventId::GraceNote;
}

template <class Record>
Record* FindRecord(ECBase* element) {
    if (element == nullptr) {
        return nullptr;
    }
    const MCDataArray* data = element->FindData();
    for (int slot = 0; data != nullptr && slot < data->GetSize(); ++slot) {
        DCBase* record = data->GetAt(slot);
        if (record != nullptr && record->IsKindOf(Record::GetThisClass())) {
            return static_cast<Record*>(record);
        }
    }
    return nullptr;
}

template <class Record>
Record* MakeRecord(ECBase* element, int viewCode) {
    if (element == nullptr) {
        return nullptr;
    }
    DCBase* record = element->GetData(viewCode, 1);
    return record != nullptr && record->IsKindOf(Record::GetThisClass())
               ? static_cast<Record*>(record)
               : nullptr;
}

void FillFromItem(CCAddItem& item, int viewCode) {
    ECBase* child = item.GetChild();
    if (child == nullptr) {
        return;
    }
    if (IsNoteKind(child)) {
        const FCMidi& message = item.GetMidiData();
        if (message.IsNote() == 0) {
            return;
        }
        DCNote* note = MCStandardRecords::GetNote(child, viewCode);
        if (note == nullptr) {
            return;
        }
        note->SetPitch(message.GetDataByte1());
        if (message.IsNoteOn() != 0) {
            note->SetVelocity(message.GetDataByte2());
        } else if (message.GetStatusMSB() == 0x80) {
            note->SetReleaseVelocity(message.GetDataByte2());
        }
    } else if (child->GetEventId() == EventId::Rest) {
        if (DCRest* rest = MCStandardRecords::GetRest(child, viewCode)) {
            rest->SetRestType(static_cast<ECRest*>(child)->GetRestType());
        }
    }
}

} // namespace

int MCStandardRecords::Register(int viewCode) {
    if (!IsViewCode(viewCode)) {
        return 0;
    }
    for (const Standard& standard : Standards) {
        CPluginData registration(standard.record, viewCode, standard.eventId);
        // A view code checked above and the library's own element kinds: taken.
        (void)CPluginData::AddPlugin(&registration);
    }
    return 1;
}

void MCStandardRecords::Unregister(int viewCode) {
    if (!IsViewCode(viewCode)) {
        return;
    }
    for (const Standard& standard : Standards) {
        const CRuntimeClass*& entry = CPluginData::GetDataClass(viewCode, standard.eventId);
        if (entry == standard.record) {
            entry = nullptr;
        }
    }
}

int MCStandardRecords::Use(ECPerformance* document, int viewCode) {
    if (document == nullptr || Register(viewCode) == 0) {
        return 0;
    }
    document->AddCommandHandler(&MCStandardRecords::OnCommand,
                                reinterpret_cast<void*>(static_cast<std::intptr_t>(viewCode)));
    return 1;
}

DCNote* MCStandardRecords::FindNote(ECBase* element) { return FindRecord<DCNote>(element); }

DCRest* MCStandardRecords::FindRest(ECBase* element) { return FindRecord<DCRest>(element); }

DCMidiTrack* MCStandardRecords::FindTrack(ECBase* element) {
    return FindRecord<DCMidiTrack>(element);
}

DCMidiMessage* MCStandardRecords::FindMessage(ECBase* element) {
    return FindRecord<DCMidiMessage>(element);
}

DCMidiTrack* MCStandardRecords::GetTrack(ECBase* element, int viewCode) {
    return element != nullptr && element->GetEventId() == EventId::Staff
               ? MakeRecord<DCMidiTrack>(element, viewCode)
               : nullptr;
}

DCMidiMessage* MCStandardRecords::GetMessage(ECBase* element, int viewCode) {
    return element != nullptr && element->GetEventId() == EventId::SystemMessage
               ? MakeRecord<DCMidiMessage>(element, viewCode)
               : nullptr;
}

DCNote* MCStandardRecords::GetNote(ECBase* element, int viewCode) {
    return element != nullptr && IsNoteKind(element) ? MakeRecord<DCNote>(element, viewCode)
                                                     : nullptr;
}

DCRest* MCStandardRecords::GetRest(ECBase* element, int viewCode) {
    return element != nullptr && element->GetEventId() == EventId::Rest
               ? MakeRecord<DCRest>(element, viewCode)
               : nullptr;
}

int MCStandardRecords::OnCommand(ECBase*, int phase, void* commands, void* userData) {
    if (phase != MCCommandMgr::PhaseProcess || commands == nullptr) {
        return 1;
    }
    const auto viewCode = static_cast<int>(reinterpret_cast<std::intptr_t>(userData));
    for (CCBase* command : *static_cast<MCCommandList*>(commands)) {
        if (auto* add = dynamic_cast<CCAdd*>(command)) {
            for (const auto& item : add->GetItems()) {
                FillFromItem(*item, viewCode);
            }
        }
    }
    return 1;
}

} // namespace clavenor
