#include "common/movementkinds.h"

#include <cctype>

namespace arv {

namespace {

std::string_view trimRight(std::string_view s)
{
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

bool startsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

} // namespace

bool isCollection(std::string_view description)
{
    const std::string_view d = trimRight(description);
    return d == "Incasso" || d == "Incasso diretto" || d == "Incasso provvisorio";
}

bool describesCollection(std::string_view description)
{
    constexpr std::string_view word = "incasso";
    if (description.size() < word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(description[i])) != word[i]) return false;
    return true;
}

Decimal signedAmount(std::string_view account, const Decimal& amount)
{
    const std::string_view a = trimRight(account);
    if (a.empty() || (a.size() >= 7 && a.substr(a.size() - 7) == "entrate") || startsWith(a, "Sospesi")) return amount;
    if (startsWith(a, "Entrate compensate") || startsWith(a, "Uscite compensate") || startsWith(a, "Carta di credito"))
        return Decimal();
    return -amount;
}

} // namespace arv
