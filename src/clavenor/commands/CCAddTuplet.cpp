#include "clavenor/commands/CCAddTuplet.h"

#include "clavenor/commands/CCRemove.h"
#include "clavenor/elements/ECPerformance.h"
#include "clavenor/model/ECBase.h"
#include "clavenor/model/ECWithChild.h"
#include "clavenor/model/EventRegistry.h"

#include <new>
#include <vector>

namespace clavenor {

IMPLEMENT_SERIAL(CCAddTuplet, CCAdd, 2 | CRuntimeClass::VersionableSchema)

CCAddTuplet::CCAddTuplet() : m_notes(10) {}

CCAddTuplet::CCAddTuplet(ECBase* child, ECBase* parent, const FCMidi& data) : CCAddTuplet() {
    Add(child, parent, data);
}

CCAddTuplet::~CCAddTuplet() = default;

int CCAddTuplet::GetCommandId() const { return 13; }

CCAddItem* CCAddTuplet::Add(ECBase* child, ECBase* parent, const FCMidi& data) {
    if (child == nullptr || parent == nullptr) {
        return nullptr;
    }
    CCAddItem* item = CCAdd::Add(child, parent, data);
    // Depth first, in list order, without recursion.
    std::vector<ECBase*> pending{child};
    const int count = m_notes.GetCount();
    while (!pending.empty()) {
        ECBase* element = pending.back();
        pending.pop_back();
        if (element->GetEventId() == EventId::Note && element != child &&
            m_notes.AddTail(element) == nullptr) {
            while (m_notes.GetCount() > count) {
                m_notes.RemoveTail();
            }
            throw std::bad_alloc();
        }
        MCEventList* children = element->GetChildren();
        if (children == nullptr) {
            continue;
        }
        const std::size_t at = pending.size();
        for (ECBase* below : *children) {
            pending.insert(pending.begin() + static_cast<std::ptrdiff_t>(at), below);
        }
    }
    return item;
}

int CCAddTuplet::Prepare() {
    if (CCBase::Prepare() == 0) {
        return 0;
    }
    for (const auto& item : m_items) {
        if (item->GetParent()->GetAncestor(EventId::Performance, -1) != GetTarget()) {
            return 0;
        }
    }
    for (const auto& item : m_items) {
        ECBase* tuplet = item->GetChild();
        if (tuplet->GetEventId() != EventId::Tuplet) {
            continue;
        }
        if (tuplet->GetDescendant(EventId::Note, -1) == nullptr) {
            LinkNotes(tuplet);
        }
        break;
    }
    return 1;
}

void CCAddTuplet::LinkNotes(ECBase* tuplet) {
    for (POSITION pos = m_notes.GetHeadPosition(); pos != nullptr;) {
        const POSITION at = pos;
        ECBase* note = m_notes.GetNext(pos);
        if (tuplet->AddChild(note, 1) != 0) {
            continue;
        }
        // A tuplet that came back with some of its notes would be added short of them, and
        // what Prepare changes no Revert takes back: the notes already linked go again,
        // exactly (the notes list keeps them alive). Only a container took any.
        if (auto* container = dynamic_cast<ECWithChild*>(tuplet)) {
            for (POSITION back = m_notes.GetHeadPosition(); back != at;) {
                // Linked a moment ago, so a child.
                static_cast<void>(container->UnlinkChild(m_notes.GetNext(back)));
            }
        }
        throw std::bad_alloc();
    }
}

void CCAddTuplet::Undo() {
    if (m_notes.IsEmpty()) {
        return;
    }
    auto inverse = std::make_unique<CCRemove>();
    for (ECBase* note : m_notes) {
        inverse->Remove(note);
    }
    ApplyInverse(std::move(inverse));
}

} // namespace clavenor
