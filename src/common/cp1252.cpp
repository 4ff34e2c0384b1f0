#include "common/cp1252.h"

#include <cstdint>
#include <string>

namespace arv {

namespace {

// Code points of 0x80..0x9F; 0 where the code page leaves the byte undefined.
constexpr char16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

int toCp1252(uint32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    // The five bytes the code page leaves undefined travel as the control characters of the
    // same number, so they survive a round trip.
    if (cp >= 0x80 && cp < 0xA0 && kHigh[cp - 0x80] == 0) return static_cast<int>(cp);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == cp && cp != 0) return 0x80 + i;
    return -1;
}

} // namespace

void appendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::u32string utf8Decode(std::string_view s)
{
    std::u32string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        int len = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        char32_t cp = 0;
        bool ok = len > 0 && i + static_cast<size_t>(len) <= s.size();
        if (ok) {
            cp = len == 1 ? c : static_cast<char32_t>(c & (0x7F >> len));
            for (int k = 1; k < len; ++k) {
                unsigned char cc = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
                if ((cc & 0xC0) != 0x80) {
                    ok = false;
                    break;
                }
                cp = (cp << 6) | (cc & 0x3F);
            }
        }
        if (!ok) {
            out += static_cast<char32_t>(c);
            ++i;
            continue;
        }
        out += cp;
        i += static_cast<size_t>(len);
    }
    return out;
}

std::string utf8Encode(std::u32string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text) appendUtf8(out, c);
    return out;
}

std::string cp1252ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (unsigned char c : text) {
        if (c < 0x80) out += static_cast<char>(c);
        else if (c < 0xA0) appendUtf8(out, kHigh[c - 0x80] ? char32_t(kHigh[c - 0x80]) : char32_t(c));
        else appendUtf8(out, c);
    }
    return out;
}

std::string utf8ToCp1252(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        int len = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        bool ok = len > 0 && i + static_cast<size_t>(len) <= s.size();
        uint32_t cp = 0;
        if (ok) {
            cp = c & (0x7F >> len);
            for (int k = 1; k < len; ++k) {
                unsigned char cc = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
                if ((cc & 0xC0) != 0x80) {
                    ok = false;
                    break;
                }
                cp = (cp << 6) | (cc & 0x3F);
            }
        }
        if (!ok) { // not UTF-8: keep the byte as it is
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        int b = toCp1252(cp);
        out += b < 0 ? '?' : static_cast<char>(b);
        i += static_cast<size_t>(len);
    }
    return out;
}

char upperCp1252(char ch)
{
    unsigned char c = static_cast<unsigned char>(ch);
    if (c >= 'a' && c <= 'z') return static_cast<char>(c - 32);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char>(c - 32);
    if (c == 0x9A || c == 0x9C || c == 0x9E) return static_cast<char>(c - 16); // š œ ž
    if (c == 0xFF) return static_cast<char>(0x9F);                               // ÿ
    return ch;
}

std::string upperCp1252(std::string_view text)
{
    std::string out(text);
    for (char& c : out) c = upperCp1252(c);
    return out;
}

} // namespace arv
