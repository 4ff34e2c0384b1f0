// Calendar helpers: holidays, Easter, month lengths, Italian day and month names, month
// arithmetic, the 30-day-month day count and the period text of report headings.
#pragma once

#include "common/date.h"

#include <string>

namespace arv {

// Italian public holidays (1/1, 6/1, Easter Monday, 25/4, 1/5, 2/6, 15/8, 1/11, 8/12, 25/12,
// 26/12), every Sunday and, with the flag, every Saturday. False for the empty date.
bool ISFEST(Date date, bool saturday = true);

// Easter Sunday (Gregorian calendar); the empty date for the empty date.
Date EASTER(int year);
Date EASTER(Date date);

// Days of the date's month; 0 for the empty date.
int MDAYS(Date date);

// "Domenica" ... "Sabato"; "" for the empty date.
std::string CDAY(Date date);
// "Gennaio" ... "Dicembre"; "" for the empty date or a month outside 1..12.
std::string CMNT(Date date);
std::string CMNT(int month);

// The same day `months` earlier / later; a day the target month lacks becomes its last day.
Date SUBMONTH(Date date, int months);
Date ADDMONTH(Date date, int months);

// Days from `from` to `to` counting every month as 30 days: within one month the plain
// difference; otherwise what is left of the first month (30 - day, at least 0), the day of the
// second date (at most 30) and 30 for each whole month between. When `to` lies in an earlier
// month than `from` the count is the same taken backwards, negative. 0 when either is empty.
int DAYDIFF(Date from, Date to);

// "- Dal dd/mm/yy al dd/mm/yy", "- Dal dd/mm/yy in poi", "- Fino al dd/mm/yy" or "".
std::string DAL_AL(Date from, Date to);

// The calendar window "dal" / "al" on day and month, whatever the year: DATE lies in it when its
// day and month are not before those of FROM and not after those of TO. When FROM comes after TO
// in the year the window goes round the year end (01/11 to 31/01: November to January). Either
// bound may be empty (that side is open); with both empty every date is in, else an empty DATE
// is out.
bool inCalendarWindow(Date date, Date from, Date to);

} // namespace arv
