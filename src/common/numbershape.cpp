#include "common/numbershape.h"

#include "common/pagemodel.h" // utf8Chars, utf8Length
#include "common/text.h"

namespace arv {

namespace {

bool isDigit(const std::string& ch) { return ch.size() == 1 && ch[0] >= '0' && ch[0] <= '9'; }

std::string withoutLeadingZeros(const std::string& digits)
{
    const size_t i = digits.find_first_not_of('0');
    return i == std::string::npos ? std::string("0") : digits.substr(i);
}

constexpr size_t kMaxDigits = 18; // what a 64-bit count holds with room to spare

std::string groupThousands(uint64_t n)
{
    const std::string digits = std::to_string(n);
    std::string s;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) s += '.';
        s += digits[i];
    }
    return s;
}

} // namespace

std::optional<ShapedNumber> splitNumber(std::string_view text)
{
    const std::vector<std::string> chars = utf8Chars(trim(std::string(text)));
    if (chars.empty()) return std::nullopt;
    size_t begin = 0, end = chars.size();
    ShapedNumber n;
    if (!isDigit(chars.front())) n.prefix = chars[begin++];
    if (end > begin && !isDigit(chars.back())) n.suffix = chars[--end];
    if (begin >= end) return std::nullopt; // no digits between
    for (size_t i = begin; i < end; ++i) {
        if (!isDigit(chars[i])) return std::nullopt;
        n.digits += chars[i];
    }
    return n;
}

std::string NumberRange::at(uint64_t n) const { return prefix + std::to_string(n) + suffix; }

std::optional<NumberRange> numberRange(std::string_view from, std::string_view to, size_t width, uint64_t maxCount,
                                       std::string* message)
{
    auto refuse = [&](std::string m) -> std::optional<NumberRange> {
        if (message) *message = std::move(m);
        return std::nullopt;
    };
    static const char* kShape = ": sono ammessi un carattere iniziale non numerico, delle cifre e un carattere "
                                "finale non numerico.";
    const std::optional<ShapedNumber> a = splitNumber(from);
    if (!a) return refuse(std::string("Numero iniziale non valido") + kShape);
    const std::optional<ShapedNumber> b = splitNumber(to);
    if (!b) return refuse(std::string("Numero finale non valido") + kShape);
    if (a->prefix != b->prefix) return refuse("I due numeri devono avere lo stesso carattere iniziale.");
    if (a->suffix != b->suffix) return refuse("I due numeri devono avere lo stesso carattere finale.");
    const std::string da = withoutLeadingZeros(a->digits), db = withoutLeadingZeros(b->digits);
    const size_t room = width - std::min(width, utf8Length(a->prefix) + utf8Length(a->suffix));
    if (db.size() > room || da.size() > room || db.size() > kMaxDigits)
        return refuse("Numero troppo lungo: al massimo " + std::to_string(width) + " caratteri.");
    NumberRange r;
    r.prefix = a->prefix;
    r.suffix = a->suffix;
    r.first = std::stoull(da);
    r.last = std::stoull(db);
    if (r.first > r.last) return refuse("Il numero iniziale è maggiore di quello finale.");
    if (maxCount && r.count() > maxCount)
        return refuse("Troppi numeri: al massimo " + groupThousands(maxCount) + " per volta.");
    return r;
}

} // namespace arv
