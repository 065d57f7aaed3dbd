#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/MCPtrList.h"

namespace clavenor {

class CCBase;
class ECPerformance;
struct CRuntimeClass;

/// The list in which commands travel: each node holds one reference on its command, so a
/// command whose last holder was the list is deleted when it leaves the list.
class CLAVENOR_API MCCommandList : public MCPtrList {
public:
    /// An empty list. `blockSize` is kept for the familiar signature (see MCPtrList).
    explicit MCCommandList(int blockSize = 10);
    /// Releases every command and frees the nodes set aside.
    ~MCCommandList() override;

    ///@{
    /// Range-for over the commands: `for (CCBase* c : list)`. The body may remove the
    /// current command, not the next one.
    MCListIterator<Node, CCBase*> begin() const {
        return MCListIterator<Node, CCBase*>(HeadNode());
    }
    MCListIterator<Node, CCBase*> end() const { return {}; }
    ///@}

    ///@{
    /// MCPtrList's accessors, typed: the commands stay the list's (held by its nodes), valid
    /// while they are listed.
    CCBase* GetHead() const { return static_cast<CCBase*>(MCPtrList::GetHead()); }
    CCBase* GetNext(POSITION& pos) const { return static_cast<CCBase*>(MCPtrList::GetNext(pos)); }
    CCBase* GetPrev(POSITION& pos) const { return static_cast<CCBase*>(MCPtrList::GetPrev(pos)); }
    CCBase* GetAt(POSITION pos) const { return static_cast<CCBase*>(MCPtrList::GetAt(pos)); }
    ///@}

    /// References the new command before releasing the old one.
    void SetAt(POSITION pos, void* command) override;

    /// The target of the first command; null for an empty list.
    ECPerformance* GetTarget() const;
    /// Sets every command's target.
    void SetTarget(ECPerformance* target);

    /// 1 when every command is synchronous (an empty list counts as synchronous).
    int IsSynchronous() const;
    /// Sets (non-zero) or clears every command's synchronous flag.
    void SetSynchronous(int on);

    /// The first command with this id; when there is none and `cls` is a command class, a
    /// new command of that class is appended and returned; otherwise null.
    CCBase* GetCommand(int commandId, const CRuntimeClass* cls);

    /// MCCommandMgr::ApplyCommands(this, performance).
    [[nodiscard]] int Apply(ECPerformance* performance);

    /// Sets `count` more nodes aside, so that as many later insertions need no memory (the
    /// command manager does so before a batch changes anything, for the commands it will
    /// record when they finish). Returns false, setting nothing aside, when no memory is
    /// left.
    bool Reserve(int count);
    /// Frees up to `count` nodes still set aside.
    void Unreserve(int count);

    /// Moves every command of `other` to the end of this list, in order, with their nodes
    /// and references: needs no memory.
    void TakeAll(MCCommandList& other);

protected:
    Node* NewNode(void* command, Node* prev, Node* next) override;
    void FreeNode(Node* node) override;

private:
    Node* m_pSpare = nullptr; // chained through `next`
};

} // namespace clavenor
