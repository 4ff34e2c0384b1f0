// Small text helpers shared by the common library's own sources (not a public interface).
#pragma once

#include <string>
#include <string_view>

namespace arv::detail {

inline bool isBlank(char c) { return c == ' '; }

inline std::string_view trimRight(std::string_view s)
{
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

inline std::string_view trimLeft(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r' || s.front() == '\n'))
        s.remove_prefix(1);
    return s;
}

inline std::string_view trim(std::string_view s) { return trimLeft(trimRight(s)); }

inline bool isDigit(char c) { return c >= '0' && c <= '9'; }
inline bool isUpperAscii(char c) { return c >= 'A' && c <= 'Z'; }
inline bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
inline char toUpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

inline std::string upperAscii(std::string_view s)
{
    std::string r(s);
    for (char& c : r) c = toUpperAscii(c);
    return r;
}

// Case-insensitive (ASCII) prefix test.
inline bool startsWithNoCase(std::string_view s, std::string_view prefix)
{
    if (s.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (toUpperAscii(s[i]) != toUpperAscii(prefix[i])) return false;
    return true;
}

} // namespace arv::detail
