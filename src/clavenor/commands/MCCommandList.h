#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/MCPtrList.h"

#include <cstdint>

namespace clavenor {

class CCBase;
class ECPerformance;
struct CRuntimeClass;

/// The list in which commands travel: each node holds one reference on its command, so a
/// command whose last holder was the list is deleted when it leaves the list.
///
/// The list has one node of its own, used whenever it is free: most lists (a dispatch, a
/// history entry, a change record) hold a single command, and then need no memory at all.
/// Positions are node addresses as ever, and the list is not movable, so a position on the
/// list's own node stays valid as long as the command is listed.
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
    /// record when they finish); the list's own node, while free, counts as one. Returns
    /// false, setting nothing aside, when no memory is left.
    bool Reserve(int count);
    /// Gives up to `count` nodes set aside back (the heap's first, then the list's own).
    void Unreserve(int count);

    /// Moves every command of `other` to the end of this list, in order, with their
    /// references, and with their nodes except `other`'s own node, whose command moves into
    /// this list's own node when that is free, else into a new node: only then is memory
    /// needed (std::bad_alloc, with nothing moved, when there is none).
    void TakeAll(MCCommandList& other);

protected:
    Node* NewNode(void* command, Node* prev, Node* next) override;
    void FreeNode(Node* node) override;

private:
    enum class OwnNode : std::uint8_t {
        Free,     // anyone may take it
        Promised, // free, and counted as one of the nodes Reserve set aside
        Used,     // holds a command
    };

    /// The list's own node when it is free, claimed; else null.
    Node* ClaimOwnNode();

    Node m_own{};             // the list's own node (see the class comment)
    Node* m_pSpare = nullptr; // heap nodes set aside, chained through `next`
    OwnNode m_ownState = OwnNode::Free;
};

} // namespace clavenor
