#include "common/checks.h"

#include "common/text_util.h"

#include <string>

namespace arv {

using namespace detail;

namespace {

// Weight of a character in an odd position of the tax code, by its value (A/0 = 0 ... Z = 25).
constexpr int kOddWeight[26] = {1, 0, 5, 7, 9, 13, 15, 17, 19, 21, 2, 4, 18,
                                20, 11, 3, 6, 8, 12, 14, 16, 10, 22, 25, 24, 23};

int charValue(char c) { return isDigit(c) ? c - '0' : c - 'A'; }

} // namespace

bool ISCOD(std::string_view code)
{
    const std::string_view t = trim(code);
    if (t.size() != 16) return ISIVA(code);
    const std::string cf = upperAscii(t);
    if (!isUpperAscii(cf[11])) return false;
    int sum = 0;
    for (int i = 0; i < 15; ++i) {
        const char c = cf[static_cast<size_t>(i)];
        if (!isUpperAscii(c) && !isDigit(c)) return false;
        const int v = charValue(c);
        sum += (i % 2 == 0) ? kOddWeight[v] : v; // i is 0-based: even index = odd position
    }
    return isUpperAscii(cf[15]) && sum % 26 == cf[15] - 'A';
}

bool ISIVA(std::string_view vat)
{
    const std::string_view t = trim(vat);
    if (t.size() != 11 || t == "00000000000") return false;
    for (char c : t)
        if (!isDigit(c)) return false;
    int sum = 0;
    for (int i = 0; i < 10; ++i) {
        const int d = t[static_cast<size_t>(i)] - '0';
        if (i % 2 == 0) {
            sum += d;
        } else {
            const int dd = d * 2;
            sum += dd / 10 + dd % 10;
        }
    }
    return (10 - sum % 10) % 10 == t[10] - '0';
}

bool ISIBAN(std::string_view iban)
{
    const std::string_view t = trim(iban);
    if (t.size() != 27) return false;
    std::string digits;
    const std::string moved = std::string(t.substr(4)) + std::string(t.substr(0, 4));
    for (char c : moved) {
        if (isDigit(c)) {
            digits += c;
        } else if (isUpperAscii(c)) {
            digits += std::to_string(c - 'A' + 10);
        } else {
            return false;
        }
    }
    // Remainder taken a few digits at a time so the partial value always fits.
    long long rest = 0;
    for (size_t pos = 0; pos < digits.size(); pos += 8) {
        const std::string chunk = std::to_string(rest) + digits.substr(pos, 8);
        rest = std::stoll(chunk) % 97;
    }
    return rest == 1;
}

bool ISEMAIL(std::string_view email)
{
    const std::string_view t = trimRight(email);
    if (t.empty() || t.find(' ') != std::string_view::npos) return false;
    if (t.back() == '.' || t.find('.') == std::string_view::npos) return false;
    const size_t at = t.find('@');
    if (at == std::string_view::npos || t.find('@', at + 1) != std::string_view::npos) return false;
    const std::string_view domain = t.substr(at + 1);
    if (domain.find('.') == std::string_view::npos) return false;
    // Nothing before the at sign, or an empty part of the domain ("a@.it", "a@b..it"), is no address.
    if (at == 0 || domain.front() == '.' || domain.find("..") != std::string_view::npos) return false;
    for (char c : t) {
        if (c == '.' || c == '@' || c == '_' || c == '-' || c == '\'') continue;
        if (!isAsciiLetter(c) && !isDigit(c)) return false;
    }
    return true;
}

bool ISTIME(std::string_view time)
{
    if (time.size() != 8 || time[2] != ':' || time[5] != ':') return false;
    for (size_t i : {0, 1, 3, 4, 6, 7})
        if (!isDigit(time[i])) return false;
    const auto two = [&](size_t i) { return (time[i] - '0') * 10 + (time[i + 1] - '0'); };
    return two(0) <= 23 && two(3) <= 59 && two(6) <= 59;
}

bool isHourMinute(std::string_view hhmm)
{
    size_t b = 0, e = hhmm.size();
    while (b < e && hhmm[b] == ' ') ++b;
    while (e > b && hhmm[e - 1] == ' ') --e;
    const std::string_view t = hhmm.substr(b, e - b);
    if (t.empty() || t == ":") return true;
    return hhmm.size() == 5 && ISTIME(std::string(hhmm) + ":00");
}

bool ISNUMBER(std::string_view text)
{
    if (text.empty()) return false;
    for (char c : text)
        if (!isDigit(c)) return false;
    return true;
}

} // namespace arv
