// What the descriptions and the accounts of the company movements mean to the program: which
// movements are collections or remittances, the sign an account gives an amount, and the means of
// payment an account implies.
#pragma once

#include <string>
#include <string_view>

#include "common/decimal.h"

namespace arv::accounting {

// "Incasso", "Incasso diretto", "Incasso provvisorio", exactly after trailing blanks are trimmed.
bool isCollection(std::string_view description);
// The description begins with "Rimessa".
bool isRemittance(std::string_view description);
// The description begins with "Appendice".
bool isAppendix(std::string_view description);

// The amount as it counts in listings: positive for an empty account, one ending in "entrate" or
// beginning with "Sospesi"; zero for "Entrate compensate", "Uscite compensate" and "Carta di
// credito..."; negative otherwise.
Decimal signedAmount(std::string_view account, const Decimal& amount);

// The means of payment an account implies: "POS ..." for "Sospesi POS ...", "Finanziamento" for
// "Sospesi da finanziarie"; otherwise STORED, unchanged.
std::string paymentForAccount(std::string_view account, const std::string& stored);

} // namespace arv::accounting
