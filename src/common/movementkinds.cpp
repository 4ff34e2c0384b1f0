#include "common/movementkinds.h"

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

Decimal signedAmount(std::string_view account, const Decimal& amount)
{
    const std::string_view a = trimRight(account);
    if (a.empty() || (a.size() >= 7 && a.substr(a.size() - 7) == "entrate") || startsWith(a, "Sospesi")) return amount;
    if (startsWith(a, "Entrate compensate") || startsWith(a, "Uscite compensate") || startsWith(a, "Carta di credito"))
        return Decimal();
    return -amount;
}

} // namespace arv
