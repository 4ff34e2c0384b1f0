#include "common/date.h"

#include <gtest/gtest.h>

using arv::Date;

TEST(Date, StorageAndDisplayForms)
{
    Date d = Date::fromYmd(2024, 3, 15);
    EXPECT_EQ(d.dtos(), "20240315");
    EXPECT_EQ(d.toDisplay(), "15/03/24");
    EXPECT_EQ(d.toDisplayLong(), "15/03/2024");
    EXPECT_EQ(Date::fromDtos("20240315"), d);
    EXPECT_TRUE(Date::fromDtos("        ").isEmpty());
    EXPECT_TRUE(Date::fromDtos("20230229").isEmpty());
    EXPECT_EQ(Date().dtos(), "        ");
    EXPECT_EQ(Date().toDisplay(), "  /  /  ");
    EXPECT_LT(Date(), d); // the empty date sorts first
}

TEST(Date, YearWindowStartsAt1930)
{
    EXPECT_EQ(Date::fromDisplay("01/01/29").year(), 2029);
    EXPECT_EQ(Date::fromDisplay("01/01/30").year(), 1930);
    EXPECT_EQ(Date::fromDisplay("31/12/99").year(), 1999);
    EXPECT_EQ(Date::fromDisplay("01/01/00").year(), 2000);
    EXPECT_EQ(Date::fromDisplay("5/6/2031"), Date::fromYmd(2031, 6, 5));
    EXPECT_TRUE(Date::fromDisplay("  /  /  ").isEmpty());
    EXPECT_TRUE(Date::fromDisplay("31/02/24").isEmpty());
    EXPECT_TRUE(Date::fromDisplay("ab/cd/ef").isEmpty());
}

TEST(Date, ArithmeticAndWeekdays)
{
    EXPECT_EQ(Date::fromYmd(2024, 1, 31).addMonths(1), Date::fromYmd(2024, 2, 29));
    EXPECT_EQ(Date::fromYmd(2023, 1, 31).addMonths(1), Date::fromYmd(2023, 2, 28));
    EXPECT_EQ(Date::fromYmd(2024, 3, 31).addMonths(-1), Date::fromYmd(2024, 2, 29));
    EXPECT_EQ(Date::fromYmd(2024, 12, 15).addMonths(1), Date::fromYmd(2025, 1, 15));
    EXPECT_EQ(Date::fromYmd(2025, 1, 15).addMonths(-13), Date::fromYmd(2023, 12, 15));
    EXPECT_EQ(Date::fromYmd(2024, 12, 31).addDays(1), Date::fromYmd(2025, 1, 1));
    EXPECT_EQ(Date::fromYmd(2025, 1, 1) - Date::fromYmd(2024, 1, 1), 366);
    EXPECT_EQ(Date::fromYmd(2026, 12, 7).dow(), 2); // a Monday
    EXPECT_EQ(Date::fromYmd(2000, 1, 1).dow(), 7);  // a Saturday
    EXPECT_TRUE(Date().addMonths(1).isEmpty());
}
