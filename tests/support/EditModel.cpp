#include "support/EditModel.h"

#include "support/TestSupport.h"

#include <algorithm>
#include <functional>
#include <map>
#include <set>

namespace clavenor::test {

struct EditModel::JournalStep {
    enum Kind { Time, Link, Order, Columns };
    Kind kind;
    int node = -1;     // Time: the node; Link: the child; Order: the owner of the list
    int parent = -1;   // Link
    float time = 0.0f; // Time: the time the node does not have now
    bool linkedInEffect = false;
    bool parked = false;
    int childBefore = -1;
    int parentBefore = -1;
    std::vector<int> nodes = {}; // Order: the order the list does not have now; Columns
    int index = 0;
    float endWith = 0.0f;
    float endWithout = 0.0f;
    bool insertedInEffect = false;
    bool inserted = false;
};

struct EditModel::Journal {
    std::vector<JournalStep> steps;
    bool ran = false;
    bool inEffect = true;
    std::vector<int> made;
    int madeAt = 0;
};

namespace {

constexpr float MeasureLength = 4.0f; // the map's only meter is 4/4

// A conductor staff whose measure map the model fills directly, as the measure commands do;
// it archives as the conductor staff it is.
class BuiltConductorStaff : public ECConductorStaff {
public:
    using ECConductorStaff::ECConductorStaff;
    void Place(std::vector<ECConductorMeasure*>& columns, float end) {
        InsertColumns(0, columns.data(), static_cast<int>(columns.size()), MCTime(end));
    }
};

} // namespace

EditModel::EditModel() { m_nodes.push_back(Node{Staff, 0.0f, {}, {}}); }

int EditModel::Make(Kind kind, float time) {
    m_nodes.push_back(Node{kind, time, {}, {}});
    return Size() - 1;
}

std::vector<int> EditModel::InDocument() const {
    std::vector<int> found;
    std::vector<bool> seen(m_nodes.size(), false);
    std::function<void(int)> walk = [&](int id) {
        for (int child : At(id).children) {
            if (!seen[static_cast<std::size_t>(child)]) {
                seen[static_cast<std::size_t>(child)] = true;
                found.push_back(child);
                walk(child);
            }
        }
    };
    walk(GetStaff());
    return found;
}

void EditModel::Link(int parent, int child) {
    // As a sorted AddChild: after the last child whose time is at or before the child's.
    auto& siblings = m_nodes[static_cast<std::size_t>(parent)].children;
    const float time = At(child).time;
    auto at = siblings.end();
    while (at != siblings.begin() && At(*(at - 1)).time > time) {
        --at;
    }
    siblings.insert(at, child);
    m_nodes[static_cast<std::size_t>(child)].parents.push_back(parent);
}

void EditModel::Unlink(int parent, int child) {
    auto& siblings = m_nodes[static_cast<std::size_t>(parent)].children;
    siblings.erase(std::find(siblings.begin(), siblings.end(), child));
    auto& parents = m_nodes[static_cast<std::size_t>(child)].parents;
    parents.erase(std::find(parents.begin(), parents.end(), parent));
}

bool EditModel::HasNote(int chord) const {
    const auto& children = At(chord).children;
    return std::any_of(children.begin(), children.end(), [&](int c) { return At(c).kind == Note; });
}

void EditModel::RemoveChild(int parent, int child) {
    Unlink(parent, child);
    // A chord without notes lets go of the rest and leaves its parents.
    if (At(parent).kind == Chord && !HasNote(parent)) {
        while (!At(parent).children.empty()) {
            Unlink(parent, At(parent).children.back());
        }
        RemoveFromParents(parent);
    }
}

void EditModel::RemoveFromParents(int id) {
    if (At(id).kind == Chord && HasNote(id)) {
        const int measure = FindAncestor(id, Measure);
        if (measure >= 0) {
            // Its notes move to the measure; the entry for the chord becomes the measure's,
            // at the end of the note's parents.
            for (int child : std::vector<int>(At(id).children)) {
                auto& parents = m_nodes[static_cast<std::size_t>(child)].parents;
                if (At(child).kind != Note ||
                    std::find(parents.begin(), parents.end(), measure) != parents.end()) {
                    continue;
                }
                Unlink(id, child);
                Link(measure, child);
            }
            while (!At(id).children.empty()) {
                Unlink(id, At(id).children.back());
            }
        }
    }
    while (!At(id).parents.empty()) {
        RemoveChild(At(id).parents.front(), id);
    }
}

int EditModel::FindAncestor(int from, Kind kind) const {
    // Depth-first through parents in order, the start first.
    if (At(from).kind == kind) {
        return from;
    }
    for (int parent : At(from).parents) {
        const int found = FindAncestor(parent, kind);
        if (found >= 0) {
            return found;
        }
    }
    return -1;
}

std::vector<EditModel::Kind> EditModel::ParentKinds(Kind kind) {
    switch (kind) {
    case Measure:
        return {Staff};
    case Note:
        return {Measure, Chord};
    case Grace:
        return {Note};
    case Chord:
    case Rest:
        return {Measure};
    default:
        return {};
    }
}

EditModel::Command EditModel::MakeAdd(std::vector<std::pair<int, int>> items) const {
    return Command{true, std::move(items)};
}

EditModel::Command EditModel::MakeRemove(const std::vector<int>& children) const {
    Command command{false, {}};
    for (int child : children) {
        if (std::any_of(command.items.begin(), command.items.end(),
                        [&](const auto& item) { return item.first == child; })) {
            continue;
        }
        int recorded = -1;
        for (Kind kind : ParentKinds(At(child).kind)) {
            for (int parent : At(child).parents) {
                recorded = FindAncestor(parent, kind);
                if (recorded >= 0) {
                    break;
                }
            }
            if (recorded >= 0) {
                break;
            }
        }
        command.items.emplace_back(child, recorded);
    }
    return command;
}

void EditModel::Run(const Command& command) {
    if (command.measures != 0) {
        Journal& journal = *command.journal;
        if (!journal.ran) {
            journal.ran = true;
            if (command.measures > 0) {
                InsertMeasures(command);
            } else {
                RemoveMeasures(command);
            }
        } else {
            Replay(journal, true);
        }
        return;
    }
    for (const auto& [child, parent] : command.items) {
        if (!command.add) {
            RemoveFromParents(child);
            continue;
        }
        const auto& parents = At(child).parents;
        if (parent >= 0 && std::find(parents.begin(), parents.end(), parent) == parents.end()) {
            Link(parent, child);
        }
    }
}

void EditModel::UndoEntry(const std::vector<Command>& entry) {
    for (auto it = entry.rbegin(); it != entry.rend(); ++it) {
        if (it->measures != 0) {
            Replay(*it->journal, false);
        } else if (it->add) {
            std::vector<int> children;
            for (const auto& item : it->items) {
                children.push_back(item.first);
            }
            Run(MakeRemove(children));
        } else {
            Command inverse{true, {}};
            for (auto item = it->items.rbegin(); item != it->items.rend(); ++item) {
                inverse.items.push_back(*item);
            }
            Run(inverse);
        }
    }
}

void EditModel::RedoEntry(const std::vector<Command>& entry) {
    for (const Command& command : entry) {
        Run(command);
    }
}

EditModel::Command EditModel::MakeInsertMeasures(int count, int index) const {
    return Command{false, {}, 1, count, index, std::make_shared<Journal>()};
}

EditModel::Command EditModel::MakeRemoveMeasures(int count, int index) const {
    return Command{false, {}, -1, count, index, std::make_shared<Journal>()};
}

const std::vector<int>& EditModel::Made(const Command& command) { return command.journal->made; }

int EditModel::MadeAt(const Command& command) { return command.journal->madeAt; }

int EditModel::MakeMap(int columns) {
    m_conductorStaff = Make(ConductorStaff, 0.0f);
    float at = 0.0f;
    for (int i = 0; i < columns; ++i) {
        const int column = Make(Column, at);
        Link(m_conductorStaff, column);
        m_columns.push_back(column);
        at += MeasureLength;
        m_end += MeasureLength;
    }
    return m_conductorStaff;
}

void EditModel::SetTime(Journal& journal, int node, float time) {
    JournalStep step{JournalStep::Time};
    step.node = node;
    step.time = At(node).time;
    m_nodes[static_cast<std::size_t>(node)].time = time;
    journal.steps.push_back(step);
}

void EditModel::Park(Journal& journal, int parent, int child) {
    JournalStep step{JournalStep::Link};
    step.node = child;
    step.parent = parent;
    journal.steps.push_back(step);
    Toggle(journal.steps.back(), false);
}

void EditModel::Toggle(JournalStep& step, bool linked) {
    auto& siblings = m_nodes[static_cast<std::size_t>(step.parent)].children;
    auto& parents = m_nodes[static_cast<std::size_t>(step.node)].parents;
    // Edits made outside the history since (the test makes some) may have linked or
    // unlinked the pair already: then the step stays as it is, as in the library.
    const bool isChild = std::find(parents.begin(), parents.end(), step.parent) != parents.end();
    if (linked && step.parked && !isChild) {
        // Back after the neighbours it had, or by time and last when they went (as
        // ECWithChild::UnparkChild puts a link back).
        auto at = std::find(siblings.begin(), siblings.end(), step.childBefore);
        if (step.childBefore < 0) {
            at = siblings.begin();
        } else if (at == siblings.end()) {
            at = siblings.end();
            while (at != siblings.begin() && At(*(at - 1)).time > At(step.node).time) {
                --at;
            }
        } else {
            ++at;
        }
        siblings.insert(at, step.node);
        auto up = std::find(parents.begin(), parents.end(), step.parentBefore);
        up = step.parentBefore < 0 ? parents.begin() : up == parents.end() ? up : up + 1;
        parents.insert(up, step.parent);
        step.parked = false;
    } else if (!linked && !step.parked && isChild) {
        auto at = std::find(siblings.begin(), siblings.end(), step.node);
        step.childBefore = at == siblings.begin() ? -1 : *(at - 1);
        siblings.erase(at);
        auto up = std::find(parents.begin(), parents.end(), step.parent);
        step.parentBefore = up == parents.begin() ? -1 : *(up - 1);
        parents.erase(up);
        step.parked = true;
    }
}

void EditModel::Replay(Journal& journal, bool forward) {
    if (forward == journal.inEffect) {
        return;
    }
    auto toggle = [&](JournalStep& step) {
        switch (step.kind) {
        case JournalStep::Time:
            std::swap(m_nodes[static_cast<std::size_t>(step.node)].time, step.time);
            break;
        case JournalStep::Link:
            Toggle(step, forward == step.linkedInEffect);
            break;
        case JournalStep::Order:
            // As the library: only a list that holds the same elements takes the order.
            if (std::is_permutation(step.nodes.begin(), step.nodes.end(),
                                    At(step.node).children.begin(), At(step.node).children.end())) {
                std::swap(m_nodes[static_cast<std::size_t>(step.node)].children, step.nodes);
            }
            break;
        case JournalStep::Columns: {
            const bool inserted = forward == step.insertedInEffect;
            const std::size_t index = static_cast<std::size_t>(step.index);
            const std::size_t count = step.nodes.size();
            if (inserted && !step.inserted && index <= m_columns.size()) {
                m_columns.insert(m_columns.begin() + step.index, step.nodes.begin(),
                                 step.nodes.end());
                m_end = step.endWith;
                step.inserted = true;
            } else if (!inserted && step.inserted && index + count <= m_columns.size() &&
                       std::equal(step.nodes.begin(), step.nodes.end(),
                                  m_columns.begin() + step.index)) {
                m_columns.erase(m_columns.begin() + step.index,
                                m_columns.begin() + step.index +
                                    static_cast<std::ptrdiff_t>(count));
                m_end = step.endWithout;
                step.inserted = false;
            }
            break;
        }
        }
    };
    if (forward) {
        for (JournalStep& step : journal.steps) {
            toggle(step);
        }
    } else {
        for (auto it = journal.steps.rbegin(); it != journal.steps.rend(); ++it) {
            toggle(*it);
        }
    }
    journal.inEffect = forward;
}

void EditModel::Shift(Journal& journal, float start, float delta) {
    std::set<int> moved;
    std::function<void(int)> walk = [&](int id) {
        const Node& node = At(id);
        const bool anchored = node.kind == ConductorStaff && node.time == 0.0f;
        if (HasTime(id) && !anchored && node.time >= start && moved.insert(id).second) {
            SetTime(journal, id, std::max(node.time + delta, 0.0f));
        }
        for (int child : std::vector<int>(At(id).children)) {
            walk(child);
        }
    };
    walk(GetStaff());
    walk(m_conductorStaff);
}

std::vector<int> EditModel::FindInRegion(float start, float end) const {
    std::vector<int> found;
    // As ACFindTime walks: an element later than the end ends its sibling group.
    std::function<bool(int)> walk = [&](int id) {
        if (HasTime(id)) {
            const float time = At(id).time;
            if (time > end) {
                return false;
            }
            if (time >= start && time < end) {
                found.push_back(id);
            }
        }
        for (int child : At(id).children) {
            if (!walk(child)) {
                break;
            }
        }
        return true;
    };
    walk(GetStaff());
    walk(m_conductorStaff);
    return found;
}

void EditModel::SortTracks(Journal& journal) {
    for (int owner : {GetStaff(), m_conductorStaff}) {
        std::vector<int> list = At(owner).children;
        // The list's exchange sort: each position takes every later element that sorts
        // before the one it holds.
        for (std::size_t i = 0; i < list.size(); ++i) {
            for (std::size_t j = i + 1; j < list.size(); ++j) {
                if (At(list[i]).time > At(list[j]).time) {
                    std::swap(list[i], list[j]);
                }
            }
        }
        if (list != At(owner).children) {
            JournalStep step{JournalStep::Order};
            step.node = owner;
            step.nodes = At(owner).children;
            m_nodes[static_cast<std::size_t>(owner)].children = list;
            journal.steps.push_back(step);
        }
    }
}

void EditModel::InsertMeasures(const Command& command) {
    Journal& journal = *command.journal;
    const int last = static_cast<int>(m_columns.size()) - 1;
    const int index = command.index < 0 || command.index > last ? last + 1 : command.index;
    journal.madeAt = index;
    const int count = std::max(command.count, 0);
    if (count == 0) {
        return;
    }
    const float start = index <= last ? At(m_columns[static_cast<std::size_t>(index)]).time : m_end;
    Shift(journal, start, MeasureLength * static_cast<float>(count));
    SortTracks(journal);
    float at = start;
    float end = m_end;
    for (int pass = 0; pass < count; ++pass) {
        journal.made.push_back(Make(Column, at));
        at += MeasureLength;
        end += MeasureLength;
    }
    for (int column : journal.made) {
        Link(m_conductorStaff, column);
        JournalStep step{JournalStep::Link};
        step.node = column;
        step.parent = m_conductorStaff;
        step.linkedInEffect = true;
        journal.steps.push_back(step);
    }
    JournalStep step{JournalStep::Columns};
    step.nodes = journal.made;
    step.index = index;
    step.endWith = end;
    step.endWithout = m_end;
    step.insertedInEffect = true;
    journal.steps.push_back(step);
    m_columns.insert(m_columns.begin() + index, journal.made.begin(), journal.made.end());
    m_end = end;
    journal.steps.back().inserted = true;
}

void EditModel::RemoveMeasures(const Command& command) {
    Journal& journal = *command.journal;
    const int last = static_cast<int>(m_columns.size()) - 1;
    const int index = std::clamp(command.index, 0, std::max(last, 0));
    int count = std::clamp(command.count, 0, std::max(last - index + 1, 0));
    if (count > 0 && count == last + 1) {
        --count;
    }
    if (count <= 0) {
        return;
    }
    const float start = At(m_columns[static_cast<std::size_t>(index)]).time;
    const float end =
        index + count <= last ? At(m_columns[static_cast<std::size_t>(index + count)]).time : m_end;
    std::vector<int> items(m_columns.begin() + index, m_columns.begin() + index + count);
    for (int id : FindInRegion(start, end)) {
        // At time 0 only the conductor staff belongs to the start of the piece.
        const bool stays = At(id).time == 0.0f && At(id).kind == ConductorStaff;
        if (!stays && std::find(items.begin(), items.end(), id) == items.end()) {
            items.push_back(id);
        }
    }
    float mapEnd = m_end;
    for (int k = count - 1; k >= 0; --k) {
        mapEnd -= MeasureLength;
    }
    JournalStep step{JournalStep::Columns};
    step.nodes.assign(m_columns.begin() + index, m_columns.begin() + index + count);
    step.index = index;
    step.endWith = m_end;
    step.endWithout = mapEnd;
    step.insertedInEffect = false;
    step.inserted = false;
    journal.steps.push_back(step);
    m_columns.erase(m_columns.begin() + index, m_columns.begin() + index + count);
    m_end = mapEnd;
    const std::set<int> removed(items.begin(), items.end());
    for (int id : items) {
        for (int parent : std::vector<int>(At(id).parents)) {
            if (removed.count(parent) == 0) {
                Park(journal, parent, id);
            }
        }
    }
    Shift(journal, start, start - end);
    SortTracks(journal);
}

void EditModel::EndGroup() {
    if (m_group.empty()) {
        return;
    }
    m_history.resize(m_history.size() - static_cast<std::size_t>(std::max(m_index, 0)));
    m_history.push_back(std::move(m_group));
    m_group.clear();
    if (static_cast<int>(m_history.size()) > m_limit) {
        m_history.erase(m_history.begin(), m_history.end() - static_cast<std::ptrdiff_t>(m_limit));
    }
    m_index = 0;
}

int EditModel::Undo(int count) {
    const int k = std::min(count, GetUndoCount() - m_index);
    if (m_index < 0 || k < 1) {
        return 0;
    }
    for (int i = 0; i < k; ++i) {
        UndoEntry(m_history[m_history.size() - 1 - static_cast<std::size_t>(m_index)]);
        ++m_index;
    }
    return 1;
}

int EditModel::Redo(int count) {
    const int k = std::min(count, m_index);
    if (m_index < 1 || k < 1) {
        return 0;
    }
    for (int i = 0; i < k; ++i) {
        RedoEntry(m_history[m_history.size() - static_cast<std::size_t>(m_index)]);
        --m_index;
    }
    return 1;
}

void EditModel::SetUndoIndex(int index) {
    if (m_index <= index) {
        Undo(index - m_index);
    } else {
        Redo(m_index - index);
    }
}

void EditModel::ClearUndo() {
    m_history.clear();
    m_index = -1;
}

ECPerformance* EditModel::Build() const {
    auto* performance = new ECPerformance;
    auto* conductor = new ECConductor;
    LinkOrFail(performance, conductor, 0);
    std::map<int, ECBase*> made;
    std::function<ECBase*(int)> make = [&](int id) -> ECBase* {
        if (auto it = made.find(id); it != made.end()) {
            return it->second;
        }
        const Node& node = At(id);
        MCTime time(node.time);
        ECBase* element = nullptr;
        switch (node.kind) {
        case Staff:
            element = new ECStaff;
            break;
        case Measure:
            element = new ECMeasure;
            element->SetTime(&time);
            break;
        case Chord:
            element = new ECChord;
            element->SetTime(&time);
            break;
        case Note:
            element = new ECNote(time, MCTime(1.0f));
            break;
        case Grace:
            element = new ECGraceNote(time, MCTime(0.125f));
            break;
        case Rest:
            element = new ECRest(8);
            element->SetTime(&time);
            break;
        case Column:
            element = new ECConductorMeasure(time);
            break;
        case ConductorStaff:
            break;
        }
        made.emplace(id, element);
        for (int child : node.children) {
            // Appended in the model's order, which is already the list's order.
            LinkOrFail(element, make(child), 0);
        }
        return element;
    };
    LinkOrFail(conductor, make(GetStaff()), 0);
    if (m_conductorStaff >= 0) {
        auto* track0 = new BuiltConductorStaff(conductor, performance);
        track0->SetVoiceTrack(14, 0);
        MCTime zero(0.0f);
        track0->SetTime(&zero);
        LinkOrFail(conductor, track0, 0);
        auto* meters = new ECMeterEnv;
        meters->SetVoiceTrack(14, 0);
        LinkOrFail(track0, meters, 0);
        auto* meter = new ECMeter(4, 4, 0);
        meter->SetTime(&zero);
        LinkOrFail(meters, meter, 1);
        for (int column : At(m_conductorStaff).children) {
            LinkOrFail(track0, make(column), 0);
        }
        std::vector<ECConductorMeasure*> columns;
        for (int column : m_columns) {
            columns.push_back(static_cast<ECConductorMeasure*>(make(column)));
        }
        track0->Place(columns, m_end);
    }
    return performance;
}

} // namespace clavenor::test
