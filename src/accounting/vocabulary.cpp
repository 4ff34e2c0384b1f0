#include "accounting/vocabulary.h"

namespace arv::accounting {

namespace {

std::string_view trimRight(std::string_view s)
{
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

bool startsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

} // namespace

bool isRemittance(std::string_view description) { return startsWith(description, "Rimessa"); }
bool isAppendix(std::string_view description) { return startsWith(description, "Appendice"); }

std::string paymentForAccount(std::string_view account, const std::string& stored)
{
    const std::string_view a = trimRight(account);
    if (startsWith(a, "Sospesi POS")) return "POS " + std::string(a.size() > 12 ? a.substr(12) : std::string_view());
    if (startsWith(a, "Sospesi da finanziarie")) return "Finanziamento";
    return stored;
}

} // namespace arv::accounting
