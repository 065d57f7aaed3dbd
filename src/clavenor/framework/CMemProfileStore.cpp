#include "clavenor/framework/CMemProfileStore.h"

namespace clavenor {

CMemProfileStore::~CMemProfileStore() = default;

bool CMemProfileStore::ReadValue(std::string_view section, std::string_view key,
                                 std::string& value) {
    auto s = m_sections.find(section);
    if (s == m_sections.end()) {
        return false;
    }
    auto k = s->second.find(key);
    if (k == s->second.end()) {
        return false;
    }
    value = k->second;
    return true;
}

bool CMemProfileStore::WriteValue(std::string_view section, std::string_view key,
                                  std::string_view value) {
    // Build the new text before touching the maps, so that a failed allocation leaves an
    // existing value in place.
    std::string text(value);
    auto s = m_sections.find(section);
    if (s == m_sections.end()) {
        s = m_sections.emplace(std::string(section), Section()).first;
    }
    auto k = s->second.find(key);
    if (k == s->second.end()) {
        s->second.emplace(std::string(key), std::move(text));
    } else {
        k->second.swap(text);
    }
    return true;
}

} // namespace clavenor
