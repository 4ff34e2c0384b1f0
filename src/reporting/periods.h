// The periods the statements and statistics select by: a window on day and month that compares
// the same part of every year.
#pragma once

#include "common/date.h"

namespace arv::reporting {

// Whether a commission registered on DATE falls in the window "dal" FROM / "al" TO by day and
// month, in any year. With FROM alone: DATE's day and month are not before FROM's. With TO alone:
// DATE is not after TO and its day and month are not after TO's. With both: DATE is not after TO
// and its day and month lie between the two, bounds included; a window starting later in the year
// than it ends passes nothing (it does not go round the year end). With neither every date passes;
// otherwise an empty DATE does not.
bool PERIODO(Date date, Date from, Date to);

} // namespace arv::reporting
