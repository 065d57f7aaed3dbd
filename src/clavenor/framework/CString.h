#pragma once

#include "clavenor/framework/Export.h"

#include <compare>
#include <cstddef>
#include <string>
#include <string_view>

namespace clavenor {

/// The counted 8-bit text string of the object model. Strings are plain values; the text
/// may contain any byte, including zero (archives carry counted strings).
class CLAVENOR_API CString {
public:
    CString() = default;
    CString(const char* text) : m_text(text != nullptr ? text : "") {}
    /// The first `length` bytes at `text`; empty for a null `text`.
    CString(const char* text, std::size_t length)
        : m_text(text != nullptr ? std::string(text, length) : std::string()) {}
    CString(std::string text) : m_text(std::move(text)) {}
    CString(std::string_view text) : m_text(text) {}

    int GetLength() const { return static_cast<int>(m_text.size()); }
    bool IsEmpty() const { return m_text.empty(); }
    void Empty() { m_text.clear(); }

    /// The text, zero-terminated; valid until the string next changes.
    const char* GetString() const { return m_text.c_str(); }
    operator const char*() const { return m_text.c_str(); }

    const std::string& str() const { return m_text; }
    std::string_view view() const { return m_text; }

    /// The byte at `index`, or 0 outside 0..GetLength()-1.
    char GetAt(int index) const {
        return index >= 0 && static_cast<std::size_t>(index) < m_text.size()
                   ? m_text[static_cast<std::size_t>(index)]
                   : '\0';
    }

    CString& operator+=(const CString& other) {
        m_text += other.m_text;
        return *this;
    }
    CString& operator+=(const char* other) {
        if (other != nullptr) {
            m_text += other;
        }
        return *this;
    }
    CString& operator+=(char c) {
        m_text += c;
        return *this;
    }

    friend CString operator+(CString a, const CString& b) { return a += b; }

    friend bool operator==(const CString& a, const CString& b) { return a.m_text == b.m_text; }
    friend bool operator==(const CString& a, const char* b) {
        return a.m_text == std::string_view(b != nullptr ? b : "");
    }
    friend std::strong_ordering operator<=>(const CString& a, const CString& b) {
        return a.m_text <=> b.m_text;
    }

private:
    std::string m_text;
};

} // namespace clavenor
