#include "common/calendar.h"
#include "common/instalments.h"

#include <gtest/gtest.h>

using namespace arv;

namespace {
Date ymd(int y, int m, int d) { return Date::fromYmd(y, m, d); }
} // namespace

TEST(Calendar, EasterAndHolidays)
{
    EXPECT_EQ(EASTER(2019), ymd(2019, 4, 21));
    EXPECT_EQ(EASTER(2024), ymd(2024, 3, 31));
    EXPECT_EQ(EASTER(2025), ymd(2025, 4, 20));
    EXPECT_EQ(EASTER(2026), ymd(2026, 4, 5));
    EXPECT_EQ(EASTER(2000), ymd(2000, 4, 23));
    EXPECT_EQ(EASTER(1818), ymd(1818, 3, 22)); // earliest possible
    EXPECT_EQ(EASTER(1943), ymd(1943, 4, 25)); // latest possible
    EXPECT_EQ(EASTER(ymd(2025, 11, 30)), ymd(2025, 4, 20));
    EXPECT_TRUE(EASTER(Date()).isEmpty());

    // Weekday holidays count with or without the Saturday flag.
    for (const Date d : {ymd(2025, 1, 1), ymd(2026, 1, 6), ymd(2025, 4, 21), ymd(2026, 4, 6), ymd(2025, 4, 25),
                         ymd(2025, 5, 1), ymd(2025, 6, 2), ymd(2025, 8, 15), ymd(2026, 12, 8), ymd(2025, 12, 25),
                         ymd(2025, 12, 26)}) {
        EXPECT_TRUE(ISFEST(d)) << d.dtos();
        EXPECT_TRUE(ISFEST(d, false)) << d.dtos();
    }
    EXPECT_TRUE(ISFEST(ymd(2025, 4, 20), false));   // Easter Sunday, a Sunday
    EXPECT_TRUE(ISFEST(ymd(2025, 4, 19)));          // Saturday
    EXPECT_FALSE(ISFEST(ymd(2025, 4, 19), false));
    EXPECT_TRUE(ISFEST(ymd(2025, 11, 1), false));   // All Saints on a Saturday
    EXPECT_FALSE(ISFEST(ymd(2025, 4, 22)));         // Tuesday after Easter Monday
    EXPECT_FALSE(ISFEST(ymd(2025, 4, 18)));         // Good Friday is a working day
    EXPECT_FALSE(ISFEST(ymd(2024, 4, 22)));         // a Monday, Easter Monday was 1 April
    EXPECT_TRUE(ISFEST(ymd(2024, 4, 1), false));
    EXPECT_FALSE(ISFEST(Date()));
}

TEST(Calendar, NamesAndMonths)
{
    EXPECT_EQ(MDAYS(ymd(2024, 2, 10)), 29);
    EXPECT_EQ(MDAYS(ymd(2025, 2, 10)), 28);
    EXPECT_EQ(MDAYS(ymd(1900, 2, 1)), 28);
    EXPECT_EQ(MDAYS(ymd(2025, 4, 30)), 30);
    EXPECT_EQ(MDAYS(ymd(2025, 12, 1)), 31);
    EXPECT_EQ(MDAYS(Date()), 0);

    EXPECT_EQ(CDAY(ymd(2026, 12, 7)), "Lunedì");
    EXPECT_EQ(CDAY(ymd(2026, 12, 6)), "Domenica");
    EXPECT_EQ(CDAY(ymd(2026, 12, 9)), "Mercoledì");
    EXPECT_EQ(CDAY(ymd(2026, 12, 12)), "Sabato");
    EXPECT_EQ(CDAY(Date()), "");
    EXPECT_EQ(CMNT(1), "Gennaio");
    EXPECT_EQ(CMNT(12), "Dicembre");
    EXPECT_EQ(CMNT(0), "");
    EXPECT_EQ(CMNT(13), "");
    EXPECT_EQ(CMNT(ymd(2025, 8, 15)), "Agosto");
    EXPECT_EQ(CMNT(Date()), "");

    EXPECT_EQ(SUBMONTH(ymd(2025, 3, 31), 1), ymd(2025, 2, 28));
    EXPECT_EQ(SUBMONTH(ymd(2024, 3, 31), 1), ymd(2024, 2, 29));
    EXPECT_EQ(SUBMONTH(ymd(2025, 1, 15), 2), ymd(2024, 11, 15));
    EXPECT_EQ(SUBMONTH(ymd(2025, 5, 31), 12), ymd(2024, 5, 31));
    EXPECT_EQ(ADDMONTH(ymd(2025, 1, 31), 1), ymd(2025, 2, 28));
    EXPECT_EQ(ADDMONTH(ymd(2025, 11, 30), 3), ymd(2026, 2, 28));
    EXPECT_TRUE(SUBMONTH(Date(), 1).isEmpty());
}

TEST(Calendar, DayCountAndPeriodText)
{
    EXPECT_EQ(DAYDIFF(ymd(2025, 12, 20), ymd(2026, 1, 15)), 25);
    EXPECT_EQ(DAYDIFF(ymd(2025, 11, 20), ymd(2026, 1, 15)), 55);
    EXPECT_EQ(DAYDIFF(ymd(2025, 3, 5), ymd(2025, 3, 20)), 15);
    EXPECT_EQ(DAYDIFF(ymd(2025, 3, 1), ymd(2025, 3, 31)), 30);
    EXPECT_EQ(DAYDIFF(ymd(2025, 3, 10), ymd(2025, 3, 10)), 0);
    EXPECT_EQ(DAYDIFF(ymd(2025, 1, 31), ymd(2025, 2, 15)), 15);  // the 31st leaves nothing
    EXPECT_EQ(DAYDIFF(ymd(2025, 1, 10), ymd(2025, 3, 31)), 80);  // 20 + 30 + 30
    EXPECT_EQ(DAYDIFF(ymd(2025, 1, 1), ymd(2026, 1, 1)), 29 + 1 + 330);
    // Same month of another year is not "the same month".
    EXPECT_EQ(DAYDIFF(ymd(2024, 3, 5), ymd(2025, 3, 5)), 25 + 5 + 330);
    // Backwards gives the same count, negative.
    EXPECT_EQ(DAYDIFF(ymd(2026, 1, 15), ymd(2025, 12, 20)), -25);
    EXPECT_EQ(DAYDIFF(ymd(2025, 3, 20), ymd(2025, 3, 5)), -15);
    EXPECT_EQ(DAYDIFF(Date(), ymd(2025, 3, 5)), 0);

    EXPECT_EQ(DAL_AL(Date(), Date()), "");
    EXPECT_EQ(DAL_AL(ymd(2025, 1, 1), Date()), "- Dal 01/01/25 in poi");
    EXPECT_EQ(DAL_AL(Date(), ymd(2025, 12, 31)), "- Fino al 31/12/25");
    EXPECT_EQ(DAL_AL(ymd(1999, 1, 1), ymd(2025, 12, 31)), "- Dal 01/01/99 al 31/12/25");
}

TEST(Instalments, Frequencies)
{
    const char* names[] = {"MENSILE", "BIMESTRALE", "TRIMESTRALE", "QUADRIMESTRALE", "SEMESTRALE", "ANNUALE"};
    const int rate[] = {12, 6, 4, 3, 2, 1};
    const int mesi[] = {1, 2, 3, 4, 6, 12};
    const Date start = ymd(2025, 1, 31);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(RATE(names[i]), rate[i]) << names[i];
        EXPECT_EQ(MESI(names[i]), mesi[i]) << names[i];
        EXPECT_EQ(RATE(names[i]) * MESI(names[i]), 12);
        EXPECT_EQ(SOMMAFRAZ(start, names[i]), start.addMonths(mesi[i])) << names[i];
        EXPECT_EQ(SOTTRAIFRAZ(start, names[i]), start.addMonths(-mesi[i])) << names[i];
    }
    EXPECT_EQ(RATE("PREMIO UNICO"), 1);
    EXPECT_EQ(MESI("PREMIO UNICO"), 12);
    EXPECT_EQ(RATE(""), 1);
    EXPECT_EQ(MESI("qualcosa"), 12);
    EXPECT_EQ(RATE("MENSILE       "), 12); // padded field value

    EXPECT_EQ(SOMMAFRAZ(ymd(2025, 1, 31), "MENSILE"), ymd(2025, 2, 28));
    EXPECT_EQ(SOMMAFRAZ(ymd(2024, 1, 31), "MENSILE"), ymd(2024, 2, 29));
    EXPECT_EQ(SOMMAFRAZ(ymd(2025, 8, 31), "SEMESTRALE"), ymd(2026, 2, 28));
    EXPECT_EQ(SOMMAFRAZ(ymd(2025, 3, 10), ""), ymd(2025, 3, 10));
    EXPECT_EQ(SOMMAFRAZ(ymd(2025, 3, 10), "   "), ymd(2025, 3, 10));
    EXPECT_TRUE(SOMMAFRAZ(ymd(2025, 3, 10), "PREMIO UNICO").isEmpty());
    EXPECT_TRUE(SOMMAFRAZ(ymd(2025, 3, 10), "SETTIMANALE").isEmpty());
    EXPECT_TRUE(SOMMAFRAZ(Date(), "MENSILE").isEmpty());
    EXPECT_EQ(SOTTRAIFRAZ(ymd(2025, 3, 31), "MENSILE"), ymd(2025, 2, 28));
    EXPECT_TRUE(SOTTRAIFRAZ(ymd(2025, 3, 10), "").isEmpty());
    EXPECT_TRUE(SOTTRAIFRAZ(ymd(2025, 3, 10), "PREMIO UNICO").isEmpty());

    const Date effetto = ymd(2025, 1, 15);
    EXPECT_TRUE(MOLTIPRATE("AUTO", effetto, effetto));
    EXPECT_TRUE(MOLTIPRATE("", effetto, Date()));
    EXPECT_FALSE(MOLTIPRATE("VITA", effetto, ymd(2026, 1, 15)));
    EXPECT_FALSE(MOLTIPRATE("Vita intera", effetto, ymd(2025, 7, 15)));
    EXPECT_TRUE(MOLTIPRATE("vita", effetto, ymd(2026, 1, 16)));
    EXPECT_FALSE(MOLTIPRATE("VITA", Date(), ymd(2026, 1, 16)));
}

TEST(Calendar, DayMonthWindow)
{
    struct Case {
        Date date, from, to;
        bool in;
    };
    const Case cases[] = {
        {ymd(2023, 3, 1), ymd(2025, 3, 1), ymd(2025, 5, 31), true},   // the year does not count
        {ymd(2024, 5, 31), ymd(2025, 3, 1), ymd(2025, 5, 31), true},
        {ymd(2024, 6, 1), ymd(2025, 3, 1), ymd(2025, 5, 31), false},
        {ymd(2024, 2, 29), ymd(2025, 3, 1), ymd(2025, 5, 31), false},
        {ymd(2024, 12, 20), ymd(2025, 11, 1), ymd(2026, 1, 31), true}, // round the year end
        {ymd(2024, 1, 31), ymd(2025, 11, 1), ymd(2026, 1, 31), true},
        {ymd(2024, 6, 15), ymd(2025, 11, 1), ymd(2026, 1, 31), false},
        {ymd(2024, 6, 15), ymd(2025, 6, 1), Date(), true},             // an open side
        {ymd(2024, 6, 15), Date(), ymd(2025, 6, 14), false},
        {Date(), ymd(2025, 6, 1), Date(), false},
        {Date(), Date(), Date(), true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(inCalendarWindow(c.date, c.from, c.to), c.in)
            << c.date.dtos() << " in " << c.from.dtos() << "-" << c.to.dtos();
}
