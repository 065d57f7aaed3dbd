#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>
#include <system_error>

namespace clavenor {

/// The library's one reading of blanks, trimming and integers in text (profile files,
/// preference values, system-exclusive strings), so that every reader agrees on them.
class TextScan {
public:
    /// White space as the C library's isspace sees it in the "C" locale.
    static constexpr bool IsSpace(char c) { return c == '\n' || IsBlank(c); }

    /// White space within one line: IsSpace without the line feed.
    static constexpr bool IsBlank(char c) {
        return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r';
    }

    /// `text` without blanks at either end.
    static constexpr std::string_view TrimBlanks(std::string_view text) {
        while (!text.empty() && IsBlank(text.front())) {
            text.remove_prefix(1);
        }
        while (!text.empty() && IsBlank(text.back())) {
            text.remove_suffix(1);
        }
        return text;
    }

    /// `text` from its first character that is not white space.
    static constexpr std::string_view SkipSpace(std::string_view text) {
        while (!text.empty() && IsSpace(text.front())) {
            text.remove_prefix(1);
        }
        return text;
    }

    /// A whole decimal 32-bit integer between blanks, with an optional sign ('+' too, which
    /// hand-edited files often have). False, leaving `value` alone, for anything else:
    /// nothing, other characters, or a number out of range.
    static bool ParseInt32(std::string_view text, std::int32_t& value) {
        text = TrimBlanks(text);
        if (text.size() > 1 && text.front() == '+' && text[1] != '-') {
            text.remove_prefix(1);
        }
        std::int32_t parsed = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
        if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
            return false;
        }
        value = parsed;
        return true;
    }

    /// The number at the start of `text` as the C library's conversions read it: white
    /// space, an optional sign, with `base` 16 an optional 0x before a hex digit, then the
    /// digits of `base` (10 or 16) up to the first other character. The digits' value is
    /// kept modulo 2^32 and also as whether it reached 2^32, so that no length of text can
    /// overflow.
    struct CNumber {
        bool digits = false;   // any digits at all
        bool negative = false; // a minus sign before them
        bool wide = false;     // their value is 2^32 or more
        std::uint32_t low = 0; // their value modulo 2^32
    };
    static constexpr CNumber ScanCNumber(std::string_view text, int base) {
        text = SkipSpace(text);
        CNumber number;
        if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
            number.negative = text.front() == '-';
            text.remove_prefix(1);
        }
        if (base == 16 && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') &&
            Digit(text[2], base) >= 0) {
            text.remove_prefix(2);
        }
        for (; !text.empty() && Digit(text.front(), base) >= 0; text.remove_prefix(1)) {
            const auto digit = static_cast<std::uint32_t>(Digit(text.front(), base));
            const std::uint64_t next =
                std::uint64_t{number.low} * static_cast<std::uint32_t>(base) + digit;
            number.wide = number.wide || next > std::numeric_limits<std::uint32_t>::max();
            number.low = static_cast<std::uint32_t>(next);
            number.digits = true;
        }
        return number;
    }

    /// atoi without its undefined overflow: ScanCNumber in base 10, saturated at the 32-bit
    /// limits; 0 without digits.
    static constexpr std::int32_t Atoi(std::string_view text) {
        const CNumber number = ScanCNumber(text, 10);
        const std::int64_t magnitude = number.wide ? std::int64_t{1} << 32 : number.low;
        const std::int64_t value = number.negative ? -magnitude : magnitude;
        if (value > std::numeric_limits<std::int32_t>::max()) {
            return std::numeric_limits<std::int32_t>::max();
        }
        if (value < std::numeric_limits<std::int32_t>::min()) {
            return std::numeric_limits<std::int32_t>::min();
        }
        return static_cast<std::int32_t>(value);
    }

    /// The value of one digit of `base` (10 or 16), or -1.
    static constexpr int Digit(char c, int base) {
        if (c >= '0' && c <= '9') {
            return c - '0';
        }
        if (base == 16 && c >= 'a' && c <= 'f') {
            return c - 'a' + 10;
        }
        if (base == 16 && c >= 'A' && c <= 'F') {
            return c - 'A' + 10;
        }
        return -1;
    }
};

} // namespace clavenor
