#include "clavenor/commands/MCCommandList.h"

#include "clavenor/commands/CCBase.h"
#include "clavenor/commands/MCCommandMgr.h"

#include <memory>

namespace clavenor {

MCCommandList::MCCommandList(int blockSize) : MCPtrList(blockSize) {}

MCCommandList::~MCCommandList() { RemoveAll(); }

MCCommandList::Node* MCCommandList::NewNode(void* command, Node* prev, Node* next) {
    Node* node = MCPtrList::NewNode(command, prev, next);
    if (node != nullptr && command != nullptr) {
        static_cast<CCBase*>(command)->Ref();
    }
    return node;
}

void MCCommandList::FreeNode(Node* node) {
    auto* command = static_cast<CCBase*>(node->data);
    MCPtrList::FreeNode(node);
    if (command != nullptr) {
        command->Unref(1);
    }
}

void MCCommandList::SetAt(POSITION pos, void* command) {
    CCBase* old = GetAt(pos);
    if (command != nullptr) {
        static_cast<CCBase*>(command)->Ref();
    }
    MCPtrList::SetAt(pos, command);
    if (old != nullptr) {
        old->Unref(1);
    }
}

ECPerformance* MCCommandList::GetTarget() const {
    CCBase* first = GetHead();
    return first != nullptr ? first->GetTarget() : nullptr;
}

void MCCommandList::SetTarget(ECPerformance* target) {
    for (POSITION pos = GetHeadPosition(); pos != nullptr;) {
        GetNext(pos)->SetTarget(target);
    }
}

int MCCommandList::IsSynchronous() const {
    for (POSITION pos = GetHeadPosition(); pos != nullptr;) {
        if (GetNext(pos)->IsSynchronous() == 0) {
            return 0;
        }
    }
    return 1;
}

void MCCommandList::SetSynchronous(int on) {
    for (POSITION pos = GetHeadPosition(); pos != nullptr;) {
        GetNext(pos)->SetSynchronous(on);
    }
}

CCBase* MCCommandList::GetCommand(int commandId, const CRuntimeClass* cls) {
    for (POSITION pos = GetHeadPosition(); pos != nullptr;) {
        CCBase* command = GetNext(pos);
        if (command->GetCommandId() == commandId) {
            return command;
        }
    }
    if (cls == nullptr || !cls->IsDerivedFrom(RUNTIME_CLASS(CCBase))) {
        return nullptr;
    }
    std::unique_ptr<CObject> object(cls->CreateObject());
    if (object == nullptr) {
        return nullptr;
    }
    auto* command = static_cast<CCBase*>(object.get());
    if (AddTail(command) == nullptr) {
        return nullptr;
    }
    object.release();
    return command;
}

int MCCommandList::Apply(ECPerformance* performance) {
    return MCCommandMgr::ApplyCommands(this, performance);
}

} // namespace clavenor
