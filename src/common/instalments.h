// Payment frequencies of a policy ("MENSILE" ... "ANNUALE", "PREMIO UNICO") and the dates of
// its instalments. Frequencies are compared without surrounding blanks (fields are padded).
#pragma once

#include "common/date.h"

#include <string_view>

namespace arv {

// Instalments a year: 12, 6, 4, 3, 2, 1; 1 for any other text.
int RATE(std::string_view frazionamento);
// Months per instalment: 1, 2, 3, 4, 6, 12; 12 for any other text.
int MESI(std::string_view frazionamento);
// The next instalment date; an empty frequency leaves the date unchanged, "PREMIO UNICO" or any
// unknown text gives the empty date.
Date SOMMAFRAZ(Date date, std::string_view frazionamento);
// The previous instalment date; the empty date for an empty, single-premium or unknown frequency.
Date SOTTRAIFRAZ(Date date, std::string_view frazionamento);

// Whether a policy's premium figures are per instalment and multiply by RATE to give the annual
// figure: true for every branch not beginning with "VITA" (any case), and for a life policy
// paid up to a date beyond 12 months after its start.
bool MOLTIPRATE(std::string_view ramo, Date effetto, Date copertura);

} // namespace arv
