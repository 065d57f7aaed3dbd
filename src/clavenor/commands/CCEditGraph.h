#pragma once

#include "clavenor/framework/Export.h"

#include "clavenor/commands/CCBase.h"
#include "clavenor/commands/CCEditGraphItem.h"
#include "clavenor/model/MCEventList.h"

#include <memory>
#include <vector>

namespace clavenor {

class MCEditRun;

/// Changes the parent/child links of a set of elements: every element of the old graph
/// leaves its parents and drops its children, link by link (a chord or tuplet emptied this
/// way stays as it is: the new graph says what it becomes); then every element of the new
/// graph is linked under each of its parents and over each of its children it is not linked
/// with yet, in time order. A listed parent left without parents goes into the measure of
/// its track at its time, when the map has one.
///
/// The change is recorded step by step: undo applies a CCEditGraph, with this command's
/// synchronous flag and the two graphs exchanged, that takes the change back exactly; redo
/// makes it again. Material the graph took out of the document is taken apart when the last
/// command that could put it back lets it go.
///
/// Prepare refuses an item without an element and any listed element of another document.
/// A link that the parent refuses (it would make a cycle, the parent takes no such child)
/// fails the command (0, the batch aborts) with nothing changed; so does a lack of memory.
class CLAVENOR_API CCEditGraph : public CCBase {
    DECLARE_SERIAL(CCEditGraph)

public:
    /// A graph: one item per element, each owning its holds.
    using Items = std::vector<std::unique_ptr<CCEditGraphItem>>;

    /// Empty graphs, no events.
    CCEditGraph();
    /// Keeps `events` for the host; the command does not use them. Throws std::bad_alloc.
    explicit CCEditGraph(MCEventList& events);
    ~CCEditGraph() override;

    int GetCommandId() const override;

    /// The new graph for 0, the old graph for any other value.
    Items& GetGraphItems(int which);
    /// Appends to the chosen graph a copy of each item of `items`. Throws std::bad_alloc.
    void SetGraphItems(int which, const Items& items);
    /// The events kept for the host (see the list constructor), the command's own list.
    MCEventList& GetEvents() { return m_events; }

    int Prepare() override;
    int Process() override;
    void Undo() override;
    void Revert() override;

private:
    bool Accepts(ECBase* element) const;

    MCEventList m_events;
    Items m_newGraph;
    Items m_oldGraph;
    std::unique_ptr<MCEditRun> m_pRun;
};

} // namespace clavenor
