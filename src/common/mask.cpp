#include "common/mask.h"

#include "common/cp1252.h"

#include <algorithm>

namespace arv {

namespace {

bool isDigit(char32_t c) { return c >= U'0' && c <= U'9'; }

bool isLetter(char32_t c)
{
    if ((c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z')) return true;
    if (c >= 0xC0 && c <= 0xFF) return c != 0xD7 && c != 0xF7;
    switch (c) {
    case 0x152: case 0x153: case 0x160: case 0x161: case 0x178: case 0x17D: case 0x17E:
        return true;
    default:
        return false;
    }
}

char32_t toUpper(char32_t c)
{
    if (c >= U'a' && c <= U'z') return c - 32;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
    switch (c) {
    case 0xFF: return 0x178;
    case 0x153: return 0x152;
    case 0x161: return 0x160;
    case 0x17E: return 0x17D;
    default: return c;
    }
}

bool isPrintable(char32_t c) { return c >= 0x20 && c != 0x7F && !(c >= 0x80 && c < 0xA0); }

// Positions of a template that take a character of a text value.
bool isTextPlaceholder(char32_t c)
{
    switch (c) {
    case U'9': case U'#': case U'A': case U'N': case U'X': case U'!': case U'L': case U'Y':
        return true;
    default:
        return false;
    }
}

bool isDigitSlot(char32_t c) { return c == U'9' || c == U'#'; }

// Width of a number written without a template: the given field width, or xBase's STR default
// of 10 integer places plus the decimal point and the decimals.
size_t strWidth(int decimals, int width)
{
    if (width > 0) return static_cast<size_t>(width);
    return static_cast<size_t>(10 + (decimals > 0 ? decimals + 1 : 0));
}

// Whether a text position accepts the character, and what it stores.
std::optional<char32_t> acceptText(char32_t slot, char32_t ch, bool upperAll)
{
    std::optional<char32_t> r;
    switch (slot) {
    case U'9':
        if (isDigit(ch)) r = ch;
        break;
    case U'#':
        if (isDigit(ch) || ch == U' ' || ch == U'+' || ch == U'-') r = ch;
        break;
    case U'A':
        if (isLetter(ch)) r = ch;
        break;
    case U'N':
        if (isLetter(ch) || isDigit(ch)) r = ch;
        break;
    case U'X':
        if (isPrintable(ch)) r = ch;
        break;
    case U'!':
        if (isPrintable(ch)) r = toUpper(ch);
        break;
    case U'L': {
        char32_t u = toUpper(ch);
        if (u == U'T' || u == U'F' || u == U'Y' || u == U'N') r = u;
        break;
    }
    case U'Y': {
        char32_t u = toUpper(ch);
        if (u == U'Y' || u == U'N') r = u;
        break;
    }
    default:
        break;
    }
    if (r && upperAll) r = toUpper(*r);
    return r;
}

} // namespace

// ---------------------------------------------------------------------------------------------

Mask::Mask(std::string_view picture) : picture_(picture)
{
    std::string_view tpl = picture;
    if (!picture.empty() && picture.front() == '@') {
        size_t i = 1;
        while (i < picture.size() && picture[i] != ' ') {
            char c = picture[i];
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
            functions_ += c;
            ++i;
            if (c == 'S') {
                int n = 0;
                while (i < picture.size() && picture[i] >= '0' && picture[i] <= '9') {
                    n = std::min(n * 10 + (picture[i] - '0'), 100000);
                    ++i;
                }
                scroll_ = n;
            }
        }
        tpl = i < picture.size() ? picture.substr(i + 1) : std::string_view();
    }
    tpl_ = utf8Decode(tpl);

    bool afterPoint = false;
    for (char32_t c : tpl_) {
        if (c == U'.') {
            afterPoint = true;
        } else if (isDigitSlot(c)) {
            (afterPoint ? decimals_ : intDigits_)++;
        }
    }
}

bool Mask::hasFunction(char letter) const { return functions_.find(letter) != std::string::npos; }

std::string Mask::templateText() const { return utf8Encode(tpl_); }

bool Mask::isNumeric() const
{
    if (tpl_.empty()) return european() || blankWhenZero();
    bool digits = false;
    for (char32_t c : tpl_) {
        if (isDigitSlot(c)) digits = true;
        else if (isTextPlaceholder(c)) return false;
    }
    return digits && !upperAll();
}

// ---- numbers ----

std::optional<std::u32string> Mask::layoutNumber(const Decimal& value, int decimalsWithoutTemplate, int widthWithoutTemplate) const
{
    const char32_t point = european() ? U',' : U'.';
    const char32_t group = european() ? U'.' : U',';

    if (tpl_.empty()) {
        int dec = std::clamp(decimalsWithoutTemplate, 0, 8);
        size_t width = strWidth(dec, widthWithoutTemplate);
        Decimal r = value.round(dec);
        if (blankWhenZero() && r.isZero()) return std::u32string(width, U' ');
        std::u32string s = utf8Decode(r.toString(dec));
        if (s.size() > width) return std::nullopt;
        for (char32_t& c : s)
            if (c == U'.') c = point;
        if (leftAligned()) return s + std::u32string(width - s.size(), U' ');
        return std::u32string(width - s.size(), U' ') + s;
    }

    Decimal r = value.round(decimals_);
    if (blankWhenZero() && r.isZero()) return std::u32string(tpl_.size(), U' ');
    const bool negative = r.isNegative();
    std::string digits = r.abs().toString(decimals_);
    std::string intPart = digits.substr(0, digits.find('.'));
    std::string fracPart = decimals_ > 0 ? digits.substr(digits.find('.') + 1) : std::string();
    if (intPart == "0") intPart.clear(); // the leading zero is written only when there is room

    std::u32string out(tpl_.size(), U' ');
    size_t pointAt = tpl_.find(U'.');
    size_t intEnd = pointAt == std::u32string::npos ? tpl_.size() : pointAt;

    // Literals, the decimal point and the decimals.
    size_t f = 0;
    for (size_t i = 0; i < tpl_.size(); ++i) {
        char32_t t = tpl_[i];
        if (i == pointAt) out[i] = point;
        else if (i > intEnd && isDigitSlot(t)) out[i] = f < fracPart.size() ? static_cast<char32_t>(fracPart[f++]) : U'0';
        else if (!isDigitSlot(t) && t != U',') out[i] = t;
    }

    // Integer slots (digit positions and separators before the point), right to left.
    std::vector<size_t> slots;
    for (size_t i = intEnd; i-- > 0;)
        if (isDigitSlot(tpl_[i]) || tpl_[i] == U',') slots.push_back(i);

    size_t k = 0;          // next slot
    size_t placed = 0;     // integer digits written
    const size_t need = intPart.size();
    while (placed < need) {
        if (k >= slots.size()) return std::nullopt;
        size_t at = slots[k++];
        if (tpl_[at] == U',') {
            out[at] = group; // a digit follows on its left
            continue;
        }
        out[at] = static_cast<char32_t>(intPart[need - 1 - placed]);
        ++placed;
    }
    // Next free digit position after skipping separators (which stay blank without a digit).
    auto nextDigitSlot = [&](size_t from) -> size_t {
        for (size_t j = from; j < slots.size(); ++j)
            if (isDigitSlot(tpl_[slots[j]])) return j;
        return slots.size();
    };
    if (need == 0) {
        // Integer part zero: "0" when a digit position is free and the sign (if any) still has
        // a place to its left.
        size_t j = nextDigitSlot(k);
        if (j < slots.size()) {
            bool room = !negative || j + 1 < slots.size();
            if (room) {
                out[slots[j]] = U'0';
                k = j + 1;
            }
        }
    }
    if (negative) {
        // The sign takes the first slot left of the number, digit position or unused separator.
        if (k >= slots.size()) return std::nullopt;
        out[slots[k]] = U'-';
    }

    if (leftAligned()) {
        // Move the number to the leftmost integer positions; literals stay where they are.
        std::vector<size_t> ltr(slots.rbegin(), slots.rend());
        std::u32string text;
        for (size_t at : ltr)
            if (out[at] != U' ') text += out[at];
        for (size_t j = 0; j < ltr.size(); ++j) out[ltr[j]] = j < text.size() ? text[j] : U' ';
    }
    return out;
}

std::string Mask::formatNumber(const Decimal& value, int decimalsWithoutTemplate, int widthWithoutTemplate) const
{
    if (auto s = layoutNumber(value, decimalsWithoutTemplate, widthWithoutTemplate)) return utf8Encode(*s);
    if (tpl_.empty()) return std::string(strWidth(std::clamp(decimalsWithoutTemplate, 0, 8), widthWithoutTemplate), '*');
    std::u32string out = tpl_;
    const bool eu = european();
    for (char32_t& c : out) {
        if (isDigitSlot(c)) c = U'*';
        else if (c == U'.') c = eu ? U',' : U'.';
        else if (c == U',') c = eu ? U'.' : U',';
    }
    return utf8Encode(out);
}

bool Mask::fits(const Decimal& value, int decimalsWithoutTemplate, int widthWithoutTemplate) const
{
    return layoutNumber(value, decimalsWithoutTemplate, widthWithoutTemplate).has_value();
}

std::optional<Decimal> Mask::parseNumber(std::string_view text) const
{
    const char32_t point = european() ? U',' : U'.';
    const char32_t group = european() ? U'.' : U',';
    std::u32string s;
    for (char32_t c : utf8Decode(text)) {
        if (c == U' ' || c == U'\t') continue;
        if (isDigit(c) || c == point || c == group || c == U'-' || c == U'+') {
            s += c;
            continue;
        }
        // Literals of the template ("%" in "99.99 %") are part of the display, not the number.
        if (std::find(tpl_.begin(), tpl_.end(), c) != tpl_.end() && !isTextPlaceholder(c)) continue;
        return std::nullopt;
    }
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == U'-' || s[i] == U'+')) negative = s[i++] == U'-';

    std::string plain;
    int groupDigits = -1; // digits since the last thousands separator, -1 before any
    bool anyDigit = false;
    for (; i < s.size() && s[i] != point; ++i) {
        char32_t c = s[i];
        if (isDigit(c)) {
            plain += static_cast<char>(c);
            anyDigit = true;
            if (groupDigits >= 0) ++groupDigits;
        } else if (c == group) {
            if (!anyDigit || (groupDigits >= 0 && groupDigits != 3)) return std::nullopt;
            groupDigits = 0;
        } else {
            return std::nullopt;
        }
    }
    if (groupDigits >= 0 && groupDigits != 3) return std::nullopt;
    if (i < s.size()) { // decimal point
        plain += '.';
        for (++i; i < s.size(); ++i) {
            if (!isDigit(s[i])) return std::nullopt;
            plain += static_cast<char>(s[i]);
            anyDigit = true;
        }
    }
    if (!anyDigit) return Decimal(0);
    if (plain.front() == '.') plain.insert(plain.begin(), '0');
    if (plain.back() == '.') plain.pop_back();
    auto d = Decimal::parse(plain);
    if (!d) return std::nullopt;
    return negative ? -*d : *d;
}

// ---- text ----

std::string Mask::formatText(std::string_view value) const
{
    std::u32string v = utf8Decode(value);
    const bool up = upperAll();
    if (tpl_.empty()) {
        if (up)
            for (char32_t& c : v) c = toUpper(c);
        return utf8Encode(v);
    }
    std::u32string out;
    out.reserve(tpl_.size());
    size_t next = 0;
    for (size_t i = 0; i < tpl_.size(); ++i) {
        char32_t t = tpl_[i];
        if (!isTextPlaceholder(t)) {
            out += t;
            if (!insertLiterals()) ++next; // the literal stands in the value's own position
            continue;
        }
        char32_t c = next < v.size() ? v[next] : U' ';
        ++next;
        if (up || t == U'!' || t == U'L' || t == U'Y') c = toUpper(c);
        out += c;
    }
    return utf8Encode(out);
}

std::string Mask::parseText(std::string_view typed) const
{
    std::u32string v = utf8Decode(typed);
    const bool up = upperAll();
    std::u32string out;
    out.reserve(v.size());
    for (size_t i = 0; i < v.size(); ++i) {
        char32_t c = v[i];
        if (i >= tpl_.size()) {
            out += up ? toUpper(c) : c;
            continue;
        }
        char32_t t = tpl_[i];
        if (!isTextPlaceholder(t)) {
            if (!insertLiterals()) out += c;
            continue;
        }
        if (c == U' ') {
            out += c;
            continue;
        }
        auto a = acceptText(t, c, up);
        out += a ? *a : U' ';
    }
    return utf8Encode(out);
}

// ---- dates and logicals ----

std::string Mask::formatDate(const Date& date) { return date.toDisplay(); }

ParsedDate Mask::parseDate(std::string_view text)
{
    bool blank = std::all_of(text.begin(), text.end(),
                             [](char c) { return c == ' ' || c == '/' || c == '.' || c == '-' || c == '\t'; });
    if (blank) return {DateStatus::Empty, Date()};
    Date d = Date::fromDisplay(text);
    if (d.isEmpty()) return {DateStatus::Invalid, Date()};
    return {DateStatus::Valid, d};
}

std::string Mask::formatLogical(bool value) const
{
    bool yn = std::find(tpl_.begin(), tpl_.end(), U'Y') != tpl_.end();
    if (yn) return value ? "Y" : "N";
    return value ? "T" : "F";
}

bool Mask::parseLogical(std::string_view text)
{
    for (char c : text) {
        if (c == ' ') continue;
        return c == 'T' || c == 't' || c == 'Y' || c == 'y' || c == 'S' || c == 's';
    }
    return false;
}

std::string Mask::upper(std::string_view text)
{
    std::u32string v = utf8Decode(text);
    for (char32_t& c : v) c = toUpper(c);
    return utf8Encode(v);
}

std::optional<std::string> recheckField(const Mask& mask, ValueKind kind, std::string_view typed, int fieldWidth,
                                        int fieldDecimals)
{
    switch (kind) {
    case ValueKind::Date:
        if (Mask::parseDate(typed).status == DateStatus::Invalid) return std::string(kMsgInvalidDate);
        return std::nullopt;
    case ValueKind::Number: {
        auto n = mask.parseNumber(typed);
        if (!n) return std::string(kMsgInvalidField);
        if (!mask.fits(*n, fieldDecimals, fieldWidth)) return std::string(kMsgNumberTooLarge);
        return std::nullopt;
    }
    case ValueKind::Text:
    case ValueKind::Logical:
        break;
    }
    return std::nullopt;
}

// ---------------------------------------------------------------------------------------------

MaskEdit::MaskEdit(const Mask& mask, ValueKind kind, int fieldWidth, int fieldDecimals)
    : mask_(mask), kind_(kind)
{
    fieldWidth = std::max(fieldWidth, 0);
    fieldDecimals = std::clamp(fieldDecimals, 0, 8);
    switch (kind) {
    case ValueKind::Date:
        layout_ = U"99/99/99";
        break;
    case ValueKind::Logical:
        layout_ = mask.formatLogical(true) == "Y" ? U"Y" : U"L";
        break;
    case ValueKind::Number:
        if (mask.hasTemplate()) {
            layout_ = mask.tpl_;
        } else {
            int width = fieldWidth > 0 ? fieldWidth : 10 + (fieldDecimals > 0 ? fieldDecimals + 1 : 0);
            int intPlaces = fieldDecimals > 0 ? width - fieldDecimals - 1 : width;
            layout_ = std::u32string(static_cast<size_t>(std::max(intPlaces, 0)), U'9');
            if (fieldDecimals > 0) layout_ += U'.' + std::u32string(static_cast<size_t>(fieldDecimals), U'9');
        }
        break;
    case ValueKind::Text:
        if (mask.hasTemplate()) layout_ = mask.tpl_;
        else layout_ = std::u32string(static_cast<size_t>(fieldWidth), mask.upperAll() ? U'!' : U'X');
        break;
    }
    editable_.resize(layout_.size());
    for (size_t i = 0; i < layout_.size(); ++i) {
        char32_t t = layout_[i];
        editable_[i] = kind == ValueKind::Number ? isDigitSlot(t) : isTextPlaceholder(t);
    }
}

bool MaskEdit::isEditable(int pos) const
{
    return pos >= 0 && pos < length() && editable_[static_cast<size_t>(pos)];
}

std::vector<int> MaskEdit::editablePositions() const
{
    std::vector<int> out;
    for (int i = 0; i < length(); ++i)
        if (editable_[static_cast<size_t>(i)]) out.push_back(i);
    return out;
}

int MaskEdit::nextEditable(int pos) const
{
    for (int i = std::max(pos + 1, 0); i < length(); ++i)
        if (editable_[static_cast<size_t>(i)]) return i;
    return -1;
}

int MaskEdit::previousEditable(int pos) const
{
    for (int i = std::min(pos - 1, length() - 1); i >= 0; --i)
        if (editable_[static_cast<size_t>(i)]) return i;
    return -1;
}

int MaskEdit::decimalPosition() const
{
    if (kind_ != ValueKind::Number) return -1;
    size_t p = layout_.find(U'.');
    return p == std::u32string::npos ? -1 : static_cast<int>(p);
}

std::optional<char32_t> MaskEdit::accept(int pos, char32_t ch) const
{
    if (!isEditable(pos)) return std::nullopt;
    char32_t slot = layout_[static_cast<size_t>(pos)];
    if (kind_ == ValueKind::Number) {
        // Number positions take digits and the sign; '#' also a blank.
        if (isDigit(ch) || ch == U'-' || ch == U'+') return ch;
        if (slot == U'#' && ch == U' ') return ch;
        return std::nullopt;
    }
    return acceptText(slot, ch, kind_ == ValueKind::Text && mask_.upperAll());
}

} // namespace arv
