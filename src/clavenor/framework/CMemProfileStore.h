#pragma once

#include "clavenor/framework/CProfileStore.h"
#include "clavenor/framework/Export.h"

#include <map>
#include <string>
#include <string_view>

namespace clavenor {

/// A profile store that lives only in memory: the library's store until the host selects
/// another, and the store of tests. It accepts any section, key and value text.
class CLAVENOR_API CMemProfileStore : public CProfileStore {
public:
    CMemProfileStore() = default;
    ~CMemProfileStore() override;

    /// Forgets every value.
    void RemoveAll() { m_sections.clear(); }

protected:
    bool ReadValue(std::string_view section, std::string_view key, std::string& value) override;
    bool WriteValue(std::string_view section, std::string_view key,
                    std::string_view value) override;

private:
    struct Less {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const { return NameLess(a, b); }
    };
    using Section = std::map<std::string, std::string, Less>;

    std::map<std::string, Section, Less> m_sections;
};

} // namespace clavenor
