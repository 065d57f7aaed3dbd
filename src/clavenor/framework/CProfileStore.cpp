#include "clavenor/framework/CProfileStore.h"

#include "clavenor/framework/CMemProfileStore.h"
#include "clavenor/framework/detail/TextScan.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <string>

namespace clavenor {

namespace {

// Null stands for the built-in store, which is created on first use so that no store
// exists before the library is loaded.
std::atomic<CProfileStore*> s_pActiveStore{nullptr};

CProfileStore& BuiltInStore() {
    static CMemProfileStore store;
    return store;
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

} // namespace

CProfileStore::~CProfileStore() {
    // A host store that is destroyed while selected must not leave a dangling selection.
    CProfileStore* self = this;
    s_pActiveStore.compare_exchange_strong(self, nullptr);
}

std::int32_t CProfileStore::GetProfileInt(const CString& section, const CString& key,
                                          std::int32_t defaultValue) {
    std::string text;
    std::int32_t value = defaultValue;
    if (ReadValue(section.view(), key.view(), text) && TextScan::ParseInt32(text, value)) {
        return value;
    }
    return defaultValue;
}

int CProfileStore::WriteProfileInt(const CString& section, const CString& key, std::int32_t value) {
    char digits[16];
    auto result = std::to_chars(digits, digits + sizeof digits, value);
    return WriteValue(section.view(), key.view(),
                      std::string_view(digits, static_cast<std::size_t>(result.ptr - digits)))
               ? 1
               : 0;
}

CString CProfileStore::GetProfileString(const CString& section, const CString& key,
                                        const CString& defaultValue) {
    std::string text;
    if (ReadValue(section.view(), key.view(), text)) {
        return CString(std::move(text));
    }
    return defaultValue;
}

int CProfileStore::WriteProfileString(const CString& section, const CString& key,
                                      const CString& value) {
    return WriteValue(section.view(), key.view(), value.view()) ? 1 : 0;
}

CProfileStore* CProfileStore::SetActiveStore(CProfileStore* store) {
    CProfileStore* previous = s_pActiveStore.exchange(store);
    return previous != nullptr ? previous : &BuiltInStore();
}

CProfileStore& CProfileStore::GetActiveStore() {
    CProfileStore* store = s_pActiveStore.load();
    return store != nullptr ? *store : BuiltInStore();
}

bool CProfileStore::NamesEqual(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return LowerAscii(x) == LowerAscii(y);
           });
}

bool CProfileStore::NameLess(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(LowerAscii(x)) <
               static_cast<unsigned char>(LowerAscii(y));
    });
}

} // namespace clavenor
