#include "common/taxcode.h"

#include "common/text_util.h"

namespace arv {

using namespace detail;

namespace {

// Letters that stand for the digits 0..9 in an omocodic code.
constexpr std::string_view kOmocodia = "LMNPQRSTUV";
// 0-based positions that hold digits in a plain code: year, day, municipality number.
constexpr size_t kDigitPositions[] = {6, 7, 9, 10, 12, 13, 14};

int monthOfLetter(char c)
{
    constexpr std::string_view letters = "ABCDEHLMPRST";
    const size_t p = letters.find(c);
    return p == std::string_view::npos ? 0 : static_cast<int>(p) + 1;
}

// Day number as written in the code (women + 40), or -1 when not two digits.
int dayNumber(const std::string& cf)
{
    if (!isDigit(cf[9]) || !isDigit(cf[10])) return -1;
    return (cf[9] - '0') * 10 + (cf[10] - '0');
}

} // namespace

std::string plainTaxCode(std::string_view code)
{
    const std::string_view t = trim(code);
    if (t.size() != 16) return {};
    std::string cf = upperAscii(t);
    bool allDigits = true;
    for (char c : cf)
        if (!isDigit(c)) allDigits = false;
    if (allDigits) return {};
    for (size_t pos : kDigitPositions) {
        const size_t k = kOmocodia.find(cf[pos]);
        if (k != std::string_view::npos) cf[pos] = static_cast<char>('0' + k);
    }
    return cf;
}

Date DATANASCCDF(std::string_view code) { return DATANASCCDF(code, Date::today()); }

Date DATANASCCDF(std::string_view code, Date today)
{
    const std::string cf = plainTaxCode(code);
    if (cf.empty() || !isDigit(cf[6]) || !isDigit(cf[7])) return {};
    const int month = monthOfLetter(cf[8]);
    int day = dayNumber(cf);
    if (month == 0 || day < 0) return {};
    if (day >= 40) day -= 40;
    const int year = Date::expandYear((cf[6] - '0') * 10 + (cf[7] - '0'));
    Date birth = Date::fromYmd(year, month, day);
    if (!birth.isEmpty() && !today.isEmpty() && birth > today) birth = Date::fromYmd(year - 100, month, day);
    return birth;
}

std::string SESSOCDF(std::string_view code)
{
    const std::string cf = plainTaxCode(code);
    if (cf.empty()) return " ";
    const int day = dayNumber(cf);
    if (day < 0) return " ";
    return day < 40 ? "M" : "F";
}

std::string COMUNASCCDF(std::string_view code, const ComuneLookup& lookup)
{
    const std::string cf = plainTaxCode(code);
    if (cf.empty() || !lookup) return {};
    const std::optional<std::string> name = lookup(std::string_view(cf).substr(11, 4));
    if (!name) return {};
    if (trim(*name).empty()) return std::string(kComuneWidth, ' ');
    return *name;
}

} // namespace arv
