#include "clavenor/records/MCNoteRecords.h"

#include "clavenor/commands/CCAdd.h"
#include "clavenor/commands/MCCommandList.h"
#include "clavenor/commands/MCCommandMgr.h"
#include "clavenor/elements/ECPerformance.h"
#include "clavenor/elements/ECRest.h"
#include "clavenor/model/EventRegistry.h"
#include "clavenor/plugins/CPluginData.h"
#include "clavenor/records/DCNote.h"
#include "clavenor/records/DCRest.h"

#include <cstdint>

namespace clavenor {

namespace {

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
    MCDataArray* data = element->GetData();
    for (int slot = 0; slot < data->GetSize(); ++slot) {
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
        DCNote* note = MCNoteRecords::GetNote(child, viewCode);
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
        if (DCRest* rest = MCNoteRecords::GetRest(child, viewCode)) {
            rest->SetRestType(static_cast<ECRest*>(child)->GetRestType());
        }
    }
}

} // namespace

int MCNoteRecords::Register(int viewCode) {
    if (!IsViewCode(viewCode)) {
        return 0;
    }
    CPluginData note(RUNTIME_CLASS(DCNote), viewCode, EventId::Note);
    CPluginData grace(RUNTIME_CLASS(DCNote), viewCode, EventId::GraceNote);
    CPluginData rest(RUNTIME_CLASS(DCRest), viewCode, EventId::Rest);
    CPluginData::AddPlugin(&note);
    CPluginData::AddPlugin(&grace);
    CPluginData::AddPlugin(&rest);
    return 1;
}

void MCNoteRecords::Unregister(int viewCode) {
    if (!IsViewCode(viewCode)) {
        return;
    }
    for (const int id : {EventId::Note, EventId::GraceNote, EventId::Rest}) {
        const CRuntimeClass*& entry = CPluginData::GetDataClass(viewCode, id);
        if (entry == RUNTIME_CLASS(DCNote) || entry == RUNTIME_CLASS(DCRest)) {
            entry = nullptr;
        }
    }
}

int MCNoteRecords::Use(ECPerformance* document, int viewCode) {
    if (document == nullptr || Register(viewCode) == 0) {
        return 0;
    }
    document->AddCommandHandler(&MCNoteRecords::OnCommand,
                                reinterpret_cast<void*>(static_cast<std::intptr_t>(viewCode)));
    return 1;
}

DCNote* MCNoteRecords::FindNote(ECBase* element) { return FindRecord<DCNote>(element); }

DCRest* MCNoteRecords::FindRest(ECBase* element) { return FindRecord<DCRest>(element); }

DCNote* MCNoteRecords::GetNote(ECBase* element, int viewCode) {
    return element != nullptr && IsNoteKind(element) ? MakeRecord<DCNote>(element, viewCode)
                                                     : nullptr;
}

DCRest* MCNoteRecords::GetRest(ECBase* element, int viewCode) {
    return element != nullptr && element->GetEventId() == EventId::Rest
               ? MakeRecord<DCRest>(element, viewCode)
               : nullptr;
}

int MCNoteRecords::OnCommand(ECBase*, int phase, void* commands, void* userData) {
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
