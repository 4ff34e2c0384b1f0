#include "common/instalments.h"

#include "common/text_util.h"

namespace arv {

using namespace detail;

namespace {

// Months of one instalment, 0 when the frequency is not one with instalments.
int monthsOf(std::string_view frazionamento)
{
    static constexpr struct {
        std::string_view name;
        int months;
    } table[] = {{"MENSILE", 1},        {"BIMESTRALE", 2}, {"TRIMESTRALE", 3},
                 {"QUADRIMESTRALE", 4}, {"SEMESTRALE", 6}, {"ANNUALE", 12}};
    const std::string_view t = trim(frazionamento);
    for (const auto& row : table)
        if (row.name == t) return row.months;
    return 0;
}

} // namespace

int RATE(std::string_view frazionamento)
{
    const int m = monthsOf(frazionamento);
    return m == 0 ? 1 : 12 / m;
}

int MESI(std::string_view frazionamento)
{
    const int m = monthsOf(frazionamento);
    return m == 0 ? 12 : m;
}

Date SOMMAFRAZ(Date date, std::string_view frazionamento)
{
    if (trim(frazionamento).empty()) return date;
    const int m = monthsOf(frazionamento);
    return m == 0 ? Date() : date.addMonths(m);
}

Date SOTTRAIFRAZ(Date date, std::string_view frazionamento)
{
    const int m = monthsOf(frazionamento);
    return m == 0 ? Date() : date.addMonths(-m);
}

bool MOLTIPRATE(std::string_view ramo, Date effetto, Date copertura)
{
    if (!startsWithNoCase(trimLeft(ramo), "VITA")) return true;
    if (effetto.isEmpty() || copertura.isEmpty()) return false;
    return copertura > effetto.addMonths(12);
}

} // namespace arv
