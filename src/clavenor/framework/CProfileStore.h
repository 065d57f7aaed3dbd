#pragma once

#include "clavenor/framework/CString.h"
#include "clavenor/framework/Export.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace clavenor {

/// The per-user settings store behind the preference functions: text values addressed by a
/// section name and a key name, with integers kept as their decimal text (so that an integer
/// written can be read back as a string and the other way round).
///
/// Section and key names match without regard to ASCII case, as a host's profile does.
///
/// The library reads and writes the process-wide active store (GetActiveStore). Until the
/// host selects one with SetActiveStore, that is an in-memory store private to the library:
/// nothing touches the disk unless the host asks for it (CIniProfileStore).
///
/// Threads: preferences are read and written from the host's owning thread, the thread that
/// runs commands and state deliveries. Neither the stores nor the selection are locked;
/// switching stores while another thread reads a preference is not supported.
///
/// Allocation failure throws std::bad_alloc and leaves the store unchanged.
class CLAVENOR_API CProfileStore {
public:
    virtual ~CProfileStore();

    CProfileStore(const CProfileStore&) = delete;
    CProfileStore& operator=(const CProfileStore&) = delete;

    /// The integer stored under section/key, or `defaultValue` when the key is absent or its
    /// text is not a decimal integer in the 32-bit range (blanks around it are allowed,
    /// anything else after the digits is not).
    std::int32_t GetProfileInt(const CString& section, const CString& key,
                               std::int32_t defaultValue);

    /// Stores the decimal text of `value`. Non-zero on success, 0 when the store refused or
    /// could not keep it (the previous value then stays).
    [[nodiscard]] int WriteProfileInt(const CString& section, const CString& key,
                                      std::int32_t value);

    /// The text stored under section/key, or `defaultValue` when the key is absent.
    CString GetProfileString(const CString& section, const CString& key,
                             const CString& defaultValue);

    /// Stores `value`. Non-zero on success, 0 when the store refused or could not keep it
    /// (the previous value then stays).
    [[nodiscard]] int WriteProfileString(const CString& section, const CString& key,
                                         const CString& value);

    /// Makes `store` the store the library uses from now on and returns the one it replaces
    /// (the built-in in-memory store when the host had chosen none). Null selects the built-in
    /// store again. The library does not own a host's store: it must outlive its selection.
    static CProfileStore* SetActiveStore(CProfileStore* store);

    /// The store the preference functions use.
    static CProfileStore& GetActiveStore();

    ///@{
    /// ASCII case-insensitive equality and ordering of section and key names.
    static bool NamesEqual(std::string_view a, std::string_view b);
    static bool NameLess(std::string_view a, std::string_view b);
    ///@}

protected:
    CProfileStore() = default;

    /// Copies the text under section/key into `value` and returns true, or returns false
    /// (leaving `value` alone) when the key is absent.
    virtual bool ReadValue(std::string_view section, std::string_view key, std::string& value) = 0;

    /// Stores the text under section/key, replacing any previous one. Returns false when the
    /// store refuses the names or the text, or cannot keep them; the store is then unchanged.
    virtual bool WriteValue(std::string_view section, std::string_view key,
                            std::string_view value) = 0;
};

} // namespace clavenor
