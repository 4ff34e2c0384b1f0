// What the descriptions and the accounts of the company movements mean to the program: which
// movements are collections or remittances, the sign an account gives an amount, and the means of
// payment an account implies.
#pragma once

#include <string>
#include <string_view>

#include "common/decimal.h"
#include "common/movementkinds.h"

namespace arv::accounting {

// The collections and the signed amount are shared with the domains below (common/movementkinds.h).
using arv::isCollection;
using arv::signedAmount;
// The description begins with "Rimessa".
bool isRemittance(std::string_view description);
// The description begins with "Appendice".
bool isAppendix(std::string_view description);

// The means of payment an account implies: "POS ..." for "Sospesi POS ...", "Finanziamento" for
// "Sospesi da finanziarie"; otherwise STORED, unchanged.
std::string paymentForAccount(std::string_view account, const std::string& stored);

} // namespace arv::accounting
