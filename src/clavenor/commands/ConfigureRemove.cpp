#include "clavenor/commands/ConfigureRemove.h"

#include "clavenor/commands/CCEdit.h"
#include "clavenor/commands/CCEditItem.h"
#include "clavenor/commands/CCRemove.h"
#include "clavenor/commands/CCRemoveClef.h"
#include "clavenor/commands/CCRemoveEnvPoint.h"
#include "clavenor/commands/CCRemoveKey.h"
#include "clavenor/commands/CCRemoveMeter.h"
#include "clavenor/commands/MCCommandList.h"
#include "clavenor/elements/ECText.h"
#include "clavenor/model/ECBase.h"
#include "clavenor/model/EventRegistry.h"
#include "clavenor/model/MCEventList.h"

#include <memory>
#include <new>

namespace clavenor {

namespace {

constexpr int EditId = 21;
constexpr int RemoveId = 36;
constexpr std::uint8_t TrackName = 3;

// Whether every element lies in one document.
bool InOneDocument(MCEventList& elements) {
    ECBase* document = nullptr;
    for (ECBase* element : elements) {
        ECBase* at = element->GetEventId() == EventId::Performance
                         ? element
                         : element->GetAncestor(EventId::Performance, -1);
        if (at == nullptr || (document != nullptr && at != document)) {
            return false;
        }
        document = at;
    }
    return true;
}

void Append(MCCommandList& list, std::unique_ptr<CCBase> command) {
    if (list.AddTail(command.get()) == nullptr) {
        throw std::bad_alloc();
    }
    command.release();
}

// A command of its own for `element`, unless it lies at time zero.
template <class Command>
void AfterZero(MCCommandList& list, ECBase* element) {
    const MCTime* time = element->GetTime();
    if (time == nullptr || !(*time > MCTime::TimeZero())) {
        return;
    }
    auto command = std::make_unique<Command>();
    command->Remove(element);
    Append(list, std::move(command));
}

} // namespace

int ConfigureRemove(MCEventList* selection, MCCommandList* commands) {
    if (selection == nullptr || commands == nullptr) {
        return 0;
    }
    MCEventList elements(10);
    for (ECBase* element : *selection) {
        if (elements.AddTail(element) == nullptr) {
            throw std::bad_alloc();
        }
    }
    elements.CollapseToAncestors();
    if (!InOneDocument(elements)) {
        return 0;
    }
    // New commands gather here and join the list at the end, so that a failure appends none.
    MCCommandList made(10);
    auto* shared = static_cast<CCRemove*>(commands->GetCommand(RemoveId, nullptr));
    auto* edit = static_cast<CCEdit*>(commands->GetCommand(EditId, nullptr));
    for (ECBase* element : elements) {
        switch (element->GetEventId()) {
        case EventId::Barline:
        case EventId::Beam:
        case EventId::ConductorMeasure:
        case EventId::ConductorStaff:
        case EventId::Dot:
        case EventId::Measure:
        case EventId::Performance:
        case EventId::Staff:
            continue;
        case EventId::Key:
            AfterZero<CCRemoveKey>(made, element);
            continue;
        case EventId::Clef:
            AfterZero<CCRemoveClef>(made, element);
            continue;
        case EventId::Meter:
            AfterZero<CCRemoveMeter>(made, element);
            continue;
        case EventId::Dynamic:
        case EventId::Pedal:
        case EventId::Tempo:
        case EventId::Transpose: {
            auto command = std::make_unique<CCRemoveEnvPoint>();
            command->Remove(element);
            Append(made, std::move(command));
            continue;
        }
        case EventId::Text:
            // The staff keeps its name text; deleting the name empties it instead.
            if (static_cast<ECText*>(element)->GetTextType() == TrackName) {
                if (edit == nullptr) {
                    auto command = std::make_unique<CCEdit>();
                    edit = command.get();
                    Append(made, std::move(command));
                }
                if (auto* copy = static_cast<ECText*>(edit->EditEvent(element)->GetEditCopy())) {
                    copy->SetText(CString());
                }
                continue;
            }
            break;
        default:
            break;
        }
        if (shared == nullptr) {
            auto command = std::make_unique<CCRemove>();
            shared = command.get();
            Append(made, std::move(command));
        }
        shared->Remove(element);
    }
    commands->TakeAll(made);
    return commands->IsEmpty() ? 0 : 1;
}

} // namespace clavenor
