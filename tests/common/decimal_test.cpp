#include "common/decimal.h"

#include <gtest/gtest.h>

using arv::Decimal;

TEST(Decimal, ParsesAndPrints)
{
    EXPECT_EQ(Decimal::parse("  -1234.5 ")->toString(2), "-1234.50");
    EXPECT_EQ(Decimal::parse("12.345")->toString(2), "12.35");
    EXPECT_EQ(Decimal::parse("-12.345")->toString(2), "-12.35");
    EXPECT_EQ(Decimal::parse(".5")->toShortString(), "0.5");
    EXPECT_FALSE(Decimal::parse("1,5"));
    EXPECT_FALSE(Decimal::parse(""));
    EXPECT_FALSE(Decimal::parse("-"));
    EXPECT_TRUE(Decimal::parseOrZero("   ").isZero());
    EXPECT_EQ(Decimal(20240315).toString(0), "20240315");
}

TEST(Decimal, RoundsHalfAwayFromZero)
{
    EXPECT_EQ(Decimal::parse("2.5")->round(0), Decimal(3));
    EXPECT_EQ(Decimal::parse("-2.5")->round(0), Decimal(-3));
    EXPECT_EQ(Decimal::parse("0.125")->round(2).toString(2), "0.13");
    EXPECT_EQ(Decimal::parse("1.005")->round(2).toString(2), "1.01"); // binary floating point gives 1.00
}

TEST(Decimal, SumsOfCentsAreExact)
{
    Decimal total;
    const Decimal cent = Decimal::fromScaled(1, 2);
    for (int i = 0; i < 100000; ++i) total += cent;
    EXPECT_EQ(total, Decimal(1000));
    Decimal t2;
    for (int i = 1; i <= 100000; ++i) t2 += Decimal::fromScaled(i % 997, 2);
    long long cents = 0;
    for (int i = 1; i <= 100000; ++i) cents += i % 997;
    EXPECT_EQ(t2, Decimal::fromScaled(cents, 2));
}

TEST(Decimal, MultipliesAndDivides)
{
    Decimal premium = *Decimal::parse("1234.56");
    Decimal rate = *Decimal::parse("11.50");
    EXPECT_EQ((premium * rate / Decimal(100)).round(2).toString(2), "141.97");
    EXPECT_EQ((Decimal(10) / Decimal(3)).round(2).toString(2), "3.33");
    EXPECT_TRUE((Decimal(10) / Decimal(0)).isZero());
    EXPECT_EQ((Decimal(-10) / Decimal(4)).toString(2), "-2.50");
}
