#include "common/calendar.h"

#include <algorithm>

namespace arv {

bool ISFEST(Date date, bool saturday)
{
    if (date.isEmpty()) return false;
    const int dow = date.dow();
    if (dow == 1 || (saturday && dow == 7)) return true;
    const int d = date.day();
    const int m = date.month();
    static constexpr int fixed[][2] = {{1, 1},  {6, 1},  {25, 4}, {1, 5},   {2, 6},  {15, 8},
                                       {1, 11}, {8, 12}, {25, 12}, {26, 12}};
    for (const auto& f : fixed)
        if (f[0] == d && f[1] == m) return true;
    return date == EASTER(date.year()).addDays(1);
}

Date EASTER(int year)
{
    if (year < 1 || year > 9999) return {};
    const int a = year % 19;
    const int b = year / 100;
    const int c = year % 100;
    const int d = b / 4;
    const int e = b % 4;
    const int f = (b + 8) / 25;
    const int g = (b - f + 1) / 3;
    const int h = (19 * a + b - d - g + 15) % 30;
    const int i = c / 4;
    const int k = c % 4;
    const int l = (32 + 2 * e + 2 * i - h - k) % 7;
    const int m = (a + 11 * h + 22 * l) / 451;
    const int month = (h + l - 7 * m + 114) / 31;
    const int day = (h + l - 7 * m + 114) % 31 + 1;
    return Date::fromYmd(year, month, day);
}

Date EASTER(Date date) { return date.isEmpty() ? Date() : EASTER(date.year()); }

int MDAYS(Date date) { return date.isEmpty() ? 0 : Date::daysInMonth(date.year(), date.month()); }

std::string CDAY(Date date)
{
    static const char* const names[] = {"Domenica", "Lunedì",  "Martedì", "Mercoledì",
                                        "Giovedì",  "Venerdì", "Sabato"};
    return date.isEmpty() ? std::string() : names[date.dow() - 1];
}

std::string CMNT(int month)
{
    static const char* const names[] = {"Gennaio", "Febbraio", "Marzo",     "Aprile",  "Maggio",   "Giugno",
                                        "Luglio",  "Agosto",   "Settembre", "Ottobre", "Novembre", "Dicembre"};
    return month >= 1 && month <= 12 ? names[month - 1] : std::string();
}

std::string CMNT(Date date) { return date.isEmpty() ? std::string() : CMNT(date.month()); }

Date SUBMONTH(Date date, int months) { return date.addMonths(-months); }

Date ADDMONTH(Date date, int months) { return date.addMonths(months); }

int DAYDIFF(Date from, Date to)
{
    if (from.isEmpty() || to.isEmpty()) return 0;
    const int monthFrom = from.year() * 12 + from.month() - 1;
    const int monthTo = to.year() * 12 + to.month() - 1;
    if (monthFrom == monthTo) return std::min(to.day() - from.day(), 30);
    if (monthTo < monthFrom) return -DAYDIFF(to, from);
    return std::max(30 - from.day(), 0) + std::min(to.day(), 30) + 30 * (monthTo - monthFrom - 1);
}

std::string DAL_AL(Date from, Date to)
{
    if (from.isEmpty() && to.isEmpty()) return {};
    if (to.isEmpty()) return "- Dal " + from.toDisplay() + " in poi";
    if (from.isEmpty()) return "- Fino al " + to.toDisplay();
    return "- Dal " + from.toDisplay() + " al " + to.toDisplay();
}

namespace {

// Day and month of A on or after those of B.
bool notBefore(Date a, Date b) { return a.month() > b.month() || (a.month() == b.month() && a.day() >= b.day()); }

} // namespace

bool inCalendarWindow(Date date, Date from, Date to)
{
    if (!from && !to) return true;
    if (!date) return false;
    const bool afterFrom = !from || notBefore(date, from);
    const bool beforeTo = !to || notBefore(to, date);
    if (from && to && !notBefore(to, from)) return afterFrom || beforeTo; // round the year end
    return afterFrom && beforeTo;
}

} // namespace arv
