#pragma once

// A model of a score as the library's add, remove and measure commands change it, and of
// the undo history that replays them: what the model-based editing test predicts the
// document to be after every step, including what an undo of an add or a removal does not
// put back exactly (a removed chord's notes stay in the measure, a note taken out of a
// chord comes back in the measure, a child put back goes after the siblings of equal time).
// Measure commands are undone exactly: every time they changed goes back, every link they
// undid goes back where it stood.
//
// The score: a staff outside the staff table (its measures are free, not in the measure
// map) and a conductor staff whose measure map holds conductor measures of 4 quarters each
// (a 4/4 meter at 0). Nodes stand for the elements the test makes, or that the measure
// commands make; a document built from the model saves the bytes the real one must save.

#include <clavenor/clavenor.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace clavenor::test {

class EditModel {
public:
    enum Kind { Staff, Measure, Chord, Note, Grace, Rest, ConductorStaff, Column };

    struct Node {
        Kind kind;
        float time;
        std::vector<int> parents;  // in the order they were added
        std::vector<int> children; // in list order
    };

    // What a measure command changed, step by step, so that undo and redo replay it.
    struct Journal;
    struct JournalStep;

    // One command: an add links each (child, parent) item, a removal unlinks each child and
    // remembers the parent an undo puts it back under; a measure command (measures non-zero:
    // 1 inserts, -1 removes) keeps what it changed in its journal, shared by the copies of
    // the command in the group and the history.
    struct Command {
        bool add;
        std::vector<std::pair<int, int>> items;
        int measures = 0;
        int count = 0;
        int index = 0;
        std::shared_ptr<Journal> journal = nullptr;
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
    Command MakeInsertMeasures(int count, int index) const;
    Command MakeRemoveMeasures(int count, int index) const;
    void Run(const Command& command);

    /// Gives the score its conductor staff (a new node) with a 4/4 meter and `columns`
    /// conductor measures (new nodes, 4 quarters apart from 0); returns the first new id.
    int MakeMap(int columns);
    int GetConductorStaff() const { return m_conductorStaff; }
    /// The conductor measures of the map, in order, and where the last one ends.
    const std::vector<int>& Columns() const { return m_columns; }
    float End() const { return m_end; }
    /// The conductor measures an insertion made on its first run, in map order, and the
    /// index they went in at.
    static const std::vector<int>& Made(const Command& command);
    static int MadeAt(const Command& command);

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

    // Measure commands, as the library runs them the first time.
    void InsertMeasures(const Command& command);
    void RemoveMeasures(const Command& command);
    // The library's walks: ACDeltaTime over the document from `start` on, ACFindTime over the
    // conductor's tree for [start, end).
    void Shift(Journal& journal, float start, float delta);
    std::vector<int> FindInRegion(float start, float end) const;
    void SortTracks(Journal& journal);
    // The steps of a journal, each recorded as it is made.
    void SetTime(Journal& journal, int node, float time);
    void Park(Journal& journal, int parent, int child);
    void Replay(Journal& journal, bool forward);
    // Takes a link step apart (linked false) or puts it back where it stood.
    void Toggle(JournalStep& step, bool linked);
    bool HasTime(int node) const { return At(node).kind != Staff; }

    std::vector<Node> m_nodes;
    std::vector<Command> m_group;
    std::vector<std::vector<Command>> m_history; // oldest first
    int m_index = -1;
    int m_limit = 10;
    int m_conductorStaff = -1;
    std::vector<int> m_columns;
    float m_end = 0.0f;
};

} // namespace clavenor::test
