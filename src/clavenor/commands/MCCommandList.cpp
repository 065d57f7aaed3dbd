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
    const bool own = count > 0 && m_ownState == OwnNode::Free;
    if (own) {
        --count;
    }
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
    if (own) {
        m_ownState = OwnNode::Promised;
    }
    return true;
}

void MCCommandList::Unreserve(int count) {
    for (; count > 0 && m_pSpare != nullptr; --count) {
        delete std::exchange(m_pSpare, m_pSpare->next);
    }
    if (count > 0 && m_ownState == OwnNode::Promised) {
        m_ownState = OwnNode::Free;
    }
}

MCCommandList::Node* MCCommandList::ClaimOwnNode() {
    if (m_ownState == OwnNode::Used) {
        return nullptr;
    }
    m_ownState = OwnNode::Used;
    return &m_own;
}

void MCCommandList::TakeAll(MCCommandList& other) {
    // The command in `other`'s own node needs a node here; found first, so that a failure
    // moves nothing.
    std::unique_ptr<Node> made;
    Node* standIn = nullptr;
    if (other.m_ownState == OwnNode::Used) {
        if (m_ownState == OwnNode::Free) {
            standIn = &m_own;
        } else {
            made.reset(new Node{});
            standIn = made.get();
        }
    }
    while (!other.IsEmpty()) {
        Node* node = other.DetachNode(other.GetHeadPosition());
        if (node == &other.m_own) {
            other.m_ownState = OwnNode::Free;
            standIn->data = node->data;
            node = standIn;
            if (node == &m_own) {
                m_ownState = OwnNode::Used;
            } else {
                made.release();
            }
        }
        AttachNode(node, GetTailPosition());
    }
}

MCCommandList::Node* MCCommandList::NewNode(void* command, Node* prev, Node* next) {
    // Nodes set aside on the heap go first: while one is left, a promised own node is
    // still free, and taking a heap node keeps both promises.
    Node* node = nullptr;
    if (m_pSpare != nullptr) {
        node = UseNode(std::exchange(m_pSpare, m_pSpare->next), command, prev, next);
    } else if (Node* own = ClaimOwnNode()) {
        node = UseNode(own, command, prev, next);
    } else {
        node = MCPtrList::NewNode(command, prev, next);
    }
    if (node != nullptr && command != nullptr) {
        static_cast<CCBase*>(command)->Ref();
    }
    return node;
}

void MCCommandList::FreeNode(Node* node) {
    auto* command = static_cast<CCBase*>(node->data);
    if (node == &m_own) {
        ForgetNode(node);
        m_ownState = OwnNode::Free;
    } else {
        MCPtrList::FreeNode(node);
    }
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
