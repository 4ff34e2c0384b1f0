// What a company movement is worth to the listings and statistics of every domain: whether its
// description makes it a premium collection, and the sign its account gives its amount.
#pragma once

#include <string_view>

#include "common/decimal.h"

namespace arv {

// "Incasso", "Incasso diretto", "Incasso provvisorio", exactly after trailing blanks are trimmed.
bool isCollection(std::string_view description);

// The description begins with "Incasso" in any case ("INCASSO", "Incasso diretto", "incasso
// rata"): the looser test of the statistics that compare collections year by year.
bool describesCollection(std::string_view description);

// The amount as it counts in listings: positive for an empty account, one ending in "entrate" or
// beginning with "Sospesi"; zero for "Entrate compensate", "Uscite compensate" and "Carta di
// credito..."; negative otherwise.
Decimal signedAmount(std::string_view account, const Decimal& amount);

} // namespace arv
