// The day-and-month window of the statistics.
#include <gtest/gtest.h>

#include "reporting/periods.h"

using namespace arv;
using namespace arv::reporting;

TEST(Periods, DayAndMonthWindowOfEveryYear)
{
    const Date none;
    auto d = [](int y, int m, int day) { return Date::fromYmd(y, m, day); };
    struct Case { Date date, from, to; bool in; const char* what; };
    const Case cases[] = {
        {d(2019, 2, 10), d(2026, 1, 1), d(2026, 3, 31), true, "first quarter of an earlier year"},
        {d(2019, 4, 1), d(2026, 1, 1), d(2026, 3, 31), false, "after the quarter"},
        {d(2026, 3, 31), d(2026, 1, 1), d(2026, 3, 31), true, "the last day is in"},
        {d(2027, 1, 10), d(2026, 1, 1), d(2026, 12, 31), false, "after al itself"},
        {d(2021, 6, 15), d(2026, 6, 15), none, true, "from alone: same day, any year"},
        {d(2027, 6, 14), d(2026, 6, 15), none, false, "from alone: a day earlier in the year"},
        {d(2020, 5, 1), none, d(2025, 6, 30), true, "to alone"},
        {d(2020, 7, 1), none, d(2025, 6, 30), false, "to alone: later in the year"},
        {d(2025, 12, 15), d(2026, 11, 1), d(2026, 1, 31), false, "no wrap over the new year"},
        {none, none, none, true, "no window: every movement"},
        {none, d(2026, 1, 1), none, false, "an empty date is out of a window"},
    };
    for (const Case& c : cases) EXPECT_EQ(PERIODO(c.date, c.from, c.to), c.in) << c.what;
}
