#pragma once

#include <cstddef>
#include <string>
#include <unordered_set>
#include <vector>

namespace clavenor {
class ECBase;
}

namespace clavenor::tool {

/// Checks what must hold in every sound element graph: children and parents lists agree
/// both ways, no element is its own ancestor, reference counts cover every list that holds
/// an element, every attached record names its element as owner, envelope points are in
/// strictly increasing time, and the children of measures are in time order.
class GraphCheck {
public:
    /// Walks the graph below `root`; each broken rule is recorded as one line.
    explicit GraphCheck(ECBase* root);

    const std::vector<std::string>& Problems() const { return m_problems; }
    std::size_t ElementCount() const { return m_elements; }

private:
    void Visit(ECBase* element, std::vector<ECBase*>& path);
    void Problem(ECBase* element, const std::string& what);

    std::vector<std::string> m_problems;
    std::unordered_set<ECBase*> m_visited;
    std::size_t m_elements = 0;
};

/// "ECNote at 1.5 on track 2" and the like: what a message calls an element.
std::string DescribeElement(ECBase* element);

} // namespace clavenor::tool
