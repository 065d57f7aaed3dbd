#include "clavenor/commands/MCCommandList.h"

#include "clavenor/commands/CCBase.h"
#include "clavenor/commands/MCCommandMgr.h"

#include <memory>
#include <new>
#include <utility>

namespace clavenor {

MCCommandList::MCCommandList(int blockSize) : MCPtrList(blockSize) {}

MCCommandList::~MCCommandList() {
    RemoveAll();
    Unreserve(0x7FFFFFFF);
}

bool MCCommandList::Reserve(int count) {
    Node* spares = nullptr;
    for (int i = 0; i < count; ++i) {
        Node* node = new (std::nothrow) Node{nullptr, nullptr, spares};
        if (node == nullptr) {
            while (spares != nullptr) {
                delete std::exchange(spares, spares->next);
            }
            return false;
        }
        spares = node;
    }
    while (spares != nullptr) {
        Node* node = std::exchange(spares, spares->next);
        node->next = m_pSpare;
        m_pSpare = node;
    }
    return true;
}

void MCCommandList::Unreserve(int count) {
    for (; count > 0 && m_pSpare != nullptr; --count) {
        delete std::exchange(m_pSpare, m_pSpare->next);
    }
}

void MCCommandList::TakeAll(MCCommandList& other) {
    while (!other.IsEmpty()) {
        AttachNode(other.DetachNode(other.GetHeadPosition()), GetTailPosition());
    }
}

MCCommandList::Node* MCCommandList::NewNode(void* command, Node* prev, Node* next) {
    Node* node = m_pSpare != nullptr
                     ? UseNode(std::exchange(m_pSpare, m_pSpare->next), command, prev, next)
                     : MCPtrList::NewNode(command, prev, next);
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
