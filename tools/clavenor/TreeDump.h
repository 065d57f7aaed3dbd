#pragma once

#include <nlohmann/json.hpp>

#include <ostream>
#include <unordered_map>

namespace clavenor {
class ECBase;
}

namespace clavenor::tool {

/// The element tree of a document, as indented text or as JSON. Each element shows its
/// class, its time, duration and voice/track, and what it is (a note's pitch and
/// velocities from its record, a point's value, a text's words, a meter, a tempo...). An
/// element with several parents is shown in full under the first and referred to by its
/// id under the others.
class TreeDump {
public:
    explicit TreeDump(ECBase* root) : m_root(root) {}

    void WriteText(std::ostream& out);
    nlohmann::ordered_json ToJson();

    /// What the dump shows of `element` beside its children, in a fixed order.
    static nlohmann::ordered_json Fields(ECBase* element);

private:
    void Text(ECBase* element, int depth, std::ostream& out);
    nlohmann::ordered_json Node(ECBase* element);
    // The id of an element with several parents, made when first met.
    int IdOf(ECBase* element);

    ECBase* m_root;
    std::unordered_map<ECBase*, int> m_ids;
    std::unordered_map<ECBase*, bool> m_shown;
};

} // namespace clavenor::tool
