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
    /// A copy of the zero-terminated `text`; empty for null.
    CString(const char* text) : m_text(text != nullptr ? text : "") {}
    /// The first `length` bytes at `text`; empty for a null `text`.
    CString(const char* text, std::size_t length)
        : m_text(text != nullptr ? std::string(text, length) : std::string()) {}
    /// Takes over `text`, zero bytes included.
    CString(std::string text) : m_text(std::move(text)) {}
    /// A copy of `text`, zero bytes included.
    CString(std::string_view text) : m_text(text) {}

    /// The length in bytes (zero bytes included).
    int GetLength() const { return static_cast<int>(m_text.size()); }
    /// Whether the length is 0.
    bool IsEmpty() const { return m_text.empty(); }
    /// Makes the string empty.
    void Empty() { m_text.clear(); }

    /// The text, zero-terminated; valid until the string next changes. A text with a zero
    /// byte reads as cut there through this pointer.
    const char* GetString() const { return m_text.c_str(); }
    /// GetString(), for passing a string where C text is expected.
    operator const char*() const { return m_text.c_str(); }

    /// The text as a standard string; valid until the string next changes.
    const std::string& str() const { return m_text; }
    /// The whole text, zero bytes included; valid until the string next changes.
    std::string_view view() const { return m_text; }

    /// The byte at `index`, or 0 outside 0..GetLength()-1.
    char GetAt(int index) const {
        return index >= 0 && static_cast<std::size_t>(index) < m_text.size()
                   ? m_text[static_cast<std::size_t>(index)]
                   : '\0';
    }

    /// Appends `other`'s bytes.
    CString& operator+=(const CString& other) {
        m_text += other.m_text;
        return *this;
    }
    /// Appends the zero-terminated `other`; null appends nothing.
    CString& operator+=(const char* other) {
        if (other != nullptr) {
            m_text += other;
        }
        return *this;
    }
    /// Appends one byte (zero allowed).
    CString& operator+=(char c) {
        m_text += c;
        return *this;
    }

    /// The concatenation of `a` and `b`.
    friend CString operator+(CString a, const CString& b) { return a += b; }

    /// Byte-for-byte equality (case-sensitive, whole lengths).
    friend bool operator==(const CString& a, const CString& b) { return a.m_text == b.m_text; }
    /// Equality with the zero-terminated `b`; null compares as empty.
    friend bool operator==(const CString& a, const char* b) {
        return a.m_text == std::string_view(b != nullptr ? b : "");
    }
    /// Byte-wise ordering (bytes compared as char traits compare them).
    friend std::strong_ordering operator<=>(const CString& a, const CString& b) {
        return a.m_text <=> b.m_text;
    }

private:
    std::string m_text;
};

} // namespace clavenor
