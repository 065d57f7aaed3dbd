#include "GraphCheck.h"

#include <clavenor/clavenor.h>

#include <cstdio>
#include <unordered_set>

namespace clavenor::tool {

namespace {

// More than this many problems are summed up, not listed.
constexpr std::size_t MaxListed = 50;

int Occurrences(MCEventList* list, ECBase* element) {
    int count = 0;
    for (POSITION at = list->Find(element); at != nullptr; at = list->Find(element, at)) {
        ++count;
    }
    return count;
}

} // namespace

std::string DescribeElement(ECBase* element) {
    std::string text = element->GetRuntimeClass()->m_lpszClassName;
    if (MCTime* time = element->GetTime(); time != nullptr &&
                                           time->GetMode() != MCTime::ModeBarPulseTick &&
                                           *time != MCTime::TimeNull()) {
        char at[32];
        std::snprintf(at, sizeof at, " at %g", static_cast<double>(time->GetSeconds()));
        text += at;
    }
    if (element->GetVoiceTrack() != nullptr && element->GetTrack() != 2047) {
        text += " on track " + std::to_string(element->GetTrack());
    }
    return text;
}

GraphCheck::GraphCheck(ECBase* root) {
    std::vector<ECBase*> path;
    Visit(root, path);
    if (m_problems.size() > MaxListed) {
        const std::size_t more = m_problems.size() - MaxListed;
        m_problems.resize(MaxListed);
        m_problems.push_back("... and " + std::to_string(more) + " more");
    }
}

void GraphCheck::Problem(ECBase* element, const std::string& what) {
    m_problems.push_back(DescribeElement(element) + ": " + what);
}

void GraphCheck::Visit(ECBase* element, std::vector<ECBase*>& path) {
    for (ECBase* above : path) {
        if (above == element) {
            Problem(element, "is its own ancestor");
            return;
        }
    }
    // A shared child is reached once per parent; checking it once is enough and keeps the
    // walk linear. The path tells a cycle from sharing.
    if (!m_visited.insert(element).second) {
        return;
    }
    ++m_elements;

    MCEventList* children = element->GetChildren();
    MCEventList* parents = element->GetParents();
    const int held = (children != nullptr ? children->GetCount() : 0) + parents->GetCount();
    if (element->GetRefCount() < held) {
        Problem(element, "reference count " + std::to_string(element->GetRefCount()) +
                             " is below the " + std::to_string(held) + " lists that hold it");
    }
    for (ECBase* parent : *parents) {
        MCEventList* siblings = parent->GetChildren();
        if (siblings == nullptr || siblings->Find(element) == nullptr) {
            Problem(element, "lists " + DescribeElement(parent) +
                                 " as a parent that does not list it as a child");
        }
    }
    const MCDataArray* data = element->FindData();
    for (int slot = 0; data != nullptr && slot < data->GetSize(); ++slot) {
        if (DCBase* record = data->GetAt(slot);
            record != nullptr && record->GetOwner() != element) {
            Problem(element, std::string("record ") + record->GetRuntimeClass()->m_lpszClassName +
                                 " belongs to another element");
        }
    }
    if (children == nullptr) {
        return;
    }
    const bool envelope = element->IsKindOf(RUNTIME_CLASS(ECEnvelope));
    const bool measure = element->GetEventId() == EventId::Measure;
    ECBase* previous = nullptr;
    path.push_back(element);
    for (ECBase* child : *children) {
        if (Occurrences(child->GetParents(), element) != Occurrences(children, child)) {
            Problem(child, "is listed under " + DescribeElement(element) +
                               " a different number of times than it lists it as a parent");
        }
        if ((envelope || measure) && previous != nullptr && child->GetTime() != nullptr &&
            previous->GetTime() != nullptr) {
            const MCTime& before = *previous->GetTime();
            const MCTime& now = *child->GetTime();
            if (envelope ? !(before < now) : now < before) {
                Problem(child, std::string("is out of time order in ") + DescribeElement(element));
            }
        }
        previous = child;
        Visit(child, path);
    }
    path.pop_back();
}

} // namespace clavenor::tool
