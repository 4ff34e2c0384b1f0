#include "common/numfmt.h"

#include <algorithm>

namespace arv {

namespace {

std::string groupThousands(std::string_view digits)
{
    std::string out;
    const size_t n = digits.size();
    for (size_t i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) out += '.';
        out += digits[i];
    }
    return out;
}

int integerDigits(const Decimal& rounded, int decimals)
{
    const std::string text = rounded.abs().toString(decimals);
    const size_t dot = text.find('.');
    return static_cast<int>(dot == std::string::npos ? text.size() : dot);
}

enum class Zero { Shown, Blank };
enum class Sign { Left, Right };

std::string format(const Decimal& number, int width, int decimals, Zero zero, Sign sign)
{
    const Decimal rounded = number.round(decimals);
    if (decimals == 0 && width == 20) width = 10;
    if (width <= 0) {
        const int digits = integerDigits(rounded, decimals);
        width = digits <= 8 ? 10 : digits + 2;
    }
    const int places = std::max(width - 2, 1);
    const size_t fieldLen = static_cast<size_t>(places + (places - 1) / 3 + (decimals > 0 ? decimals + 1 : 0));
    const std::string signText = sign == Sign::Right ? (rounded.isNegative() ? "-" : " ") : "";

    if (rounded.isZero() && zero == Zero::Blank) return std::string(fieldLen, ' ') + signText;

    const std::string text = rounded.abs().toString(decimals);
    const size_t dot = text.find('.');
    std::string body = groupThousands(std::string_view(text).substr(0, dot));
    if (dot != std::string::npos) body += ',' + text.substr(dot + 1);
    if (sign == Sign::Left && rounded.isNegative()) body.insert(body.begin(), '-');
    if (integerDigits(rounded, decimals) > places || body.size() > fieldLen)
        return std::string(fieldLen, '*') + signText;
    return std::string(fieldLen - body.size(), ' ') + body + signText;
}

} // namespace

std::string NSTR(const Decimal& number, int width) { return format(number, width, 0, Zero::Shown, Sign::Left); }

std::string ZSTR(const Decimal& number, int width) { return format(number, width, 0, Zero::Blank, Sign::Left); }

std::string SSTR(const Decimal& number, int width, bool showZero)
{
    return format(number, width, 0, showZero ? Zero::Shown : Zero::Blank, Sign::Right);
}

std::string ENSTR(const Decimal& number, int width) { return format(number, width, 2, Zero::Shown, Sign::Left); }

std::string EZSTR(const Decimal& number, int width) { return format(number, width, 2, Zero::Blank, Sign::Left); }

std::string ESSTR(const Decimal& number, int width, bool showZero)
{
    return format(number, width, 2, showZero ? Zero::Shown : Zero::Blank, Sign::Right);
}

std::string MKSTR(std::string_view text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + '"';
}

std::string MKSTR(const char* text) { return MKSTR(std::string_view(text ? text : "")); }

std::string MKSTR(Date date) { return "CTOD(\"" + date.toDisplay() + "\")"; }

std::string MKSTR(const Decimal& number) { return number.toShortString(); }

std::string MKSTR() { return "\"\""; }

} // namespace arv
