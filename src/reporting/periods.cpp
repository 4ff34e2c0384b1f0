#include "reporting/periods.h"

namespace arv::reporting {

namespace {

int dayMonth(Date d) { return d.month() * 100 + d.day(); }

} // namespace

bool PERIODO(Date date, Date from, Date to)
{
    if (from.isEmpty() && to.isEmpty()) return true;
    if (date.isEmpty()) return false;
    if (!to.isEmpty() && to < date) return false;
    if (!from.isEmpty() && dayMonth(date) < dayMonth(from)) return false;
    if (!to.isEmpty() && dayMonth(date) > dayMonth(to)) return false;
    return true;
}

} // namespace arv::reporting
