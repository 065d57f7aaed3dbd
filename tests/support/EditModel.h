#pragma once

// A model of a score as the library's add and remove commands change it, and of the undo
// history that replays them: what the model-based editing test predicts the document to be
// after every step, including what an undo does not put back exactly (a removed chord's
// notes stay in the measure, a note taken out of a chord comes back in the measure, a child
// put back goes after the siblings of equal time).
//
// Nodes stand for the elements the test makes; a document built from the model saves the
// bytes the real one must save.

#include <clavenor/clavenor.h>

#include <cstdint>
#include <vector>

namespace clavenor::test {

class EditModel {
public:
    enum Kind { Staff, Measure, Chord, Note, Grace, Rest };

    struct Node {
        Kind kind;
        float time;
        std::vector<int> parents;  // in the order they were added
        std::vector<int> children; // in list order
    };

    // One command: an add links each (child, parent) item, a removal unlinks each child and
    // remembers the parent an undo puts it back under.
    struct Command {
        bool add;
        std::vector<std::pair<int, int>> items;
    };

    EditModel();

    /// A new node (unlinked), and its children linked as the test links them directly.
    int Make(Kind kind, float time);
    void LinkDirectly(int parent, int child) { Link(parent, child); }

    int GetStaff() const { return 0; }
    const Node& At(int id) const { return m_nodes[static_cast<std::size_t>(id)]; }
    int Size() const { return static_cast<int>(m_nodes.size()); }

    /// The nodes in the document (below the staff), in walk order.
    std::vector<int> InDocument() const;

    /// A command made now (a removal records its parents now), and what running it does.
    Command MakeAdd(std::vector<std::pair<int, int>> items) const;
    Command MakeRemove(const std::vector<int>& children) const;
    void Run(const Command& command);

    /// Groups and history, as the command manager keeps them.
    void BeginGroup() { m_group.clear(); }
    void Record(const Command& command) { m_group.push_back(command); }
    void EndGroup();
    int Undo(int count);
    int Redo(int count);
    void SetUndoIndex(int index);
    void ClearUndo();
    void SetUndoLevels(int levels) { m_limit = levels; }
    int GetUndoIndex() const { return m_index; }
    int GetUndoCount() const { return static_cast<int>(m_history.size()); }

    /// A document built from the model; the caller deletes it.
    ECPerformance* Build() const;

private:
    void Link(int parent, int child);
    void Unlink(int parent, int child);
    void RemoveChild(int parent, int child);
    void RemoveFromParents(int id);
    int FindAncestor(int from, Kind kind) const;
    bool HasNote(int chord) const;
    static std::vector<Kind> ParentKinds(Kind kind);
    void UndoEntry(const std::vector<Command>& entry);
    void RedoEntry(const std::vector<Command>& entry);

    std::vector<Node> m_nodes;
    std::vector<Command> m_group;
    std::vector<std::vector<Command>> m_history; // oldest first
    int m_index = -1;
    int m_limit = 10;
};

} // namespace clavenor::test
