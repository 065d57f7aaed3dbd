#include "support/EditModel.h"

#include <algorithm>
#include <functional>
#include <map>

namespace clavenor::test {

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
        if (it->add) {
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
    performance->AddChild(conductor, 0);
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
        }
        made.emplace(id, element);
        for (int child : node.children) {
            // Appended in the model's order, which is already the list's order.
            element->AddChild(make(child), 0);
        }
        return element;
    };
    conductor->AddChild(make(GetStaff()), 0);
    return performance;
}

} // namespace clavenor::test
