#include "common/mask.h"

#include <gtest/gtest.h>

using arv::Date;
using arv::DateStatus;
using arv::Decimal;
using arv::Mask;
using arv::MaskEdit;
using arv::ValueKind;

namespace {
Decimal dec(const char* s) { return *Decimal::parse(s); }
} // namespace

TEST(Mask, ParsesFunctionsAndTemplate)
{
    Mask m("@ZE 9,999,999.99");
    EXPECT_EQ(m.functions(), "ZE");
    EXPECT_TRUE(m.european());
    EXPECT_TRUE(m.blankWhenZero());
    EXPECT_EQ(m.templateText(), "9,999,999.99");
    EXPECT_EQ(m.width(), 12);
    EXPECT_EQ(m.decimals(), 2);
    EXPECT_EQ(m.integerDigits(), 7);
    EXPECT_TRUE(m.isNumeric());

    Mask pct("@E 999.999%");
    EXPECT_EQ(pct.decimals(), 3);
    EXPECT_EQ(pct.width(), 8);

    Mask up("@!");
    EXPECT_TRUE(up.upperAll());
    EXPECT_FALSE(up.hasTemplate());
    EXPECT_FALSE(up.isNumeric());

    Mask cf("@! AAAAAA99A99A999A");
    EXPECT_EQ(cf.width(), 16);
    EXPECT_FALSE(cf.isNumeric());

    Mask s("@s20K");
    EXPECT_EQ(s.scrollWidth(), 20);
    EXPECT_TRUE(s.hasFunction('K'));
    EXPECT_FALSE(s.hasTemplate());

    Mask plain("99999");
    EXPECT_TRUE(plain.functions().empty());
    EXPECT_EQ(plain.width(), 5);
}

TEST(Mask, FormatsEuropeanAmounts)
{
    Mask m("@E 9,999,999.99");
    EXPECT_EQ(m.formatNumber(dec("1234.5")), "    1.234,50");
    EXPECT_EQ(m.formatNumber(dec("1234567.891")), "1.234.567,89");
    EXPECT_EQ(m.formatNumber(Decimal(0)), "        0,00");
    EXPECT_EQ(m.formatNumber(dec("0.005")), "        0,01"); // half away from zero
    EXPECT_EQ(m.formatNumber(dec("-0.005")), "       -0,01");
    EXPECT_EQ(m.formatNumber(dec("-1234.5")), "   -1.234,50");
    EXPECT_EQ(m.formatNumber(dec("999")), "      999,00");

    Mask us("9,999.99");
    EXPECT_EQ(us.formatNumber(dec("1234.5")), "1,234.50");
    EXPECT_EQ(us.formatNumber(dec("12.5")), "   12.50");
}

TEST(Mask, BlankWhenZeroCoversTheWholeWidth)
{
    EXPECT_EQ(Mask("@ZE 999,999.99").formatNumber(Decimal(0)), std::string(10, ' '));
    EXPECT_EQ(Mask("@ZE 99.99 %").formatNumber(Decimal(0)), std::string(7, ' '));
    // a value that rounds to zero is zero
    EXPECT_EQ(Mask("@ZE 999.99").formatNumber(dec("0.004")), std::string(6, ' '));
    EXPECT_EQ(Mask("@ZE 999.99").formatNumber(dec("-0.004")), std::string(6, ' '));
    EXPECT_EQ(Mask("@E 999.99").formatNumber(dec("-0.004")), "  0,00"); // no "-0,00"
    EXPECT_EQ(Mask("@Z 99").formatNumber(Decimal(7)), " 7");
    EXPECT_EQ(Mask("@Z").formatNumber(Decimal(0), 2), std::string(13, ' '));
}

TEST(Mask, LiteralsStayInPlace)
{
    EXPECT_EQ(Mask("@E 99.99 %").formatNumber(dec("11.5")), "11,50 %");
    EXPECT_EQ(Mask("@E 999.999%").formatNumber(dec("-4")), " -4,000%");
    EXPECT_EQ(Mask("99 %").formatNumber(Decimal(5)), " 5 %");
}

TEST(Mask, TooLargeNumbersDoNotFit)
{
    Mask m("@ZE 99.99");
    EXPECT_FALSE(m.fits(Decimal(7290)));
    EXPECT_EQ(m.formatNumber(Decimal(7290)), "**,**");
    EXPECT_TRUE(m.fits(dec("99.994")));
    EXPECT_FALSE(m.fits(dec("99.995"))); // rounds up to 100.00

    Mask three("999");
    EXPECT_TRUE(three.fits(Decimal(999)));
    EXPECT_FALSE(three.fits(Decimal(1000)));
    EXPECT_EQ(three.formatNumber(Decimal(1000)), "***");
    // the sign needs a place of its own
    EXPECT_TRUE(three.fits(Decimal(-99)));
    EXPECT_EQ(three.formatNumber(Decimal(-99)), "-99");
    EXPECT_FALSE(three.fits(Decimal(-100)));
    EXPECT_FALSE(Mask("@Z 9").fits(Decimal(-1)));

    // a separator without a digit on its left can hold the sign
    Mask grouped("9,999");
    EXPECT_EQ(grouped.formatNumber(Decimal(-123)), " -123");
    EXPECT_FALSE(grouped.fits(Decimal(-1234)));
    EXPECT_EQ(grouped.formatNumber(Decimal(1234)), "1,234");
}

TEST(Mask, IntegerZeroWithOnlyOnePlace)
{
    Mask m("9.99");
    EXPECT_EQ(m.formatNumber(dec("0.5")), "0.50");
    EXPECT_EQ(m.formatNumber(dec("-0.5")), "-.50");
    EXPECT_EQ(Mask(".99").formatNumber(dec("0.25")), ".25");
    EXPECT_FALSE(Mask(".99").fits(dec("-0.25")));
}

TEST(Mask, NumbersWithoutTemplateFollowStr)
{
    Mask none;
    EXPECT_EQ(none.formatNumber(Decimal(42)), "        42");
    EXPECT_EQ(none.formatNumber(dec("-3.456"), 2), "        -3.46");
    EXPECT_EQ(Mask("@E").formatNumber(dec("1234.5"), 2), "      1234,50");
    EXPECT_FALSE(none.fits(Decimal(12345678901LL)));
    EXPECT_EQ(none.formatNumber(Decimal(12345678901LL)), std::string(10, '*'));
    EXPECT_TRUE(none.fits(Decimal(-999999999)));
    // a numeric field of its own width (N 5 2)
    EXPECT_EQ(none.formatNumber(dec("12.345"), 2, 5), "12.35");
    EXPECT_FALSE(none.fits(dec("100"), 2, 5));
    EXPECT_EQ(none.formatNumber(dec("100"), 2, 5), "*****");
}

TEST(Mask, LeftAlignedNumbers)
{
    EXPECT_EQ(Mask("@B 99,999").formatNumber(Decimal(1234)), "1,234 ");
    EXPECT_EQ(Mask("@B 999 %").formatNumber(Decimal(5)), "5   %");
}

TEST(Mask, ParsesTypedNumbers)
{
    Mask eu("@E 9,999,999.99");
    EXPECT_EQ(*eu.parseNumber("1.234,50"), dec("1234.5"));
    EXPECT_EQ(*eu.parseNumber("   -1.234,50"), dec("-1234.5"));
    EXPECT_EQ(*eu.parseNumber("1234,5"), dec("1234.5"));
    EXPECT_EQ(*eu.parseNumber(",5"), dec("0.5"));
    EXPECT_EQ(*eu.parseNumber("   "), Decimal(0));
    EXPECT_EQ(*eu.parseNumber(eu.formatNumber(dec("7654321.09"))), dec("7654321.09"));
    // "12.5" under @E is not twelve and a half, nor 125: refuse it
    EXPECT_FALSE(eu.parseNumber("12.5"));
    EXPECT_FALSE(eu.parseNumber("1.23.456"));
    EXPECT_FALSE(eu.parseNumber("12a"));
    EXPECT_FALSE(eu.parseNumber("**,**"));

    Mask us("9,999.99");
    EXPECT_EQ(*us.parseNumber("1,234.50"), dec("1234.5"));
    EXPECT_FALSE(us.parseNumber("1.234,50"));

    Mask pct("@E 99.99 %");
    EXPECT_EQ(*pct.parseNumber("11,50 %"), dec("11.5"));
}

TEST(Mask, FormatsText)
{
    EXPECT_EQ(Mask("@!").formatText("via roma, città"), "VIA ROMA, CITTÀ");
    EXPECT_EQ(Mask("@! AA").formatText("rm"), "RM");
    EXPECT_EQ(Mask("@! AA").formatText("r"), "R ");
    EXPECT_EQ(Mask("@! AA").formatText("roma"), "RO");
    EXPECT_EQ(Mask("!XX").formatText("èab"), "Èab");
    EXPECT_EQ(Mask("99:99").formatText("12:30"), "12:30");
    EXPECT_EQ(Mask("99999").formatText("00100"), "00100");
    // @R inserts the literals, the stored value has none
    Mask r("@R 99:99");
    EXPECT_EQ(r.formatText("1230"), "12:30");
    EXPECT_EQ(r.parseText("12:30"), "1230");
}

TEST(Mask, ParsesTypedText)
{
    Mask cf("@! AAAAAA99A99A999A");
    EXPECT_EQ(cf.parseText("rssmra80a01h501u"), "RSSMRA80A01H501U");
    // a digit where a letter belongs is refused, the length is kept
    EXPECT_EQ(cf.parseText("1SSMRA80A01H501U"), " SSMRA80A01H501U");
    EXPECT_EQ(Mask("@!").parseText("perché"), "PERCHÉ");
    EXPECT_EQ(Mask("99:99").parseText("1a:30"), "1 :30");
}

TEST(Mask, DatesAndLogicals)
{
    EXPECT_EQ(Mask::formatDate(Date::fromYmd(2026, 12, 7)), "07/12/26");
    EXPECT_EQ(Mask::formatDate(Date()), "  /  /  ");

    auto empty = Mask::parseDate("  /  /  ");
    EXPECT_EQ(empty.status, DateStatus::Empty);
    EXPECT_EQ(Mask::parseDate("").status, DateStatus::Empty);
    auto bad = Mask::parseDate("31/02/24");
    EXPECT_EQ(bad.status, DateStatus::Invalid);
    EXPECT_EQ(Mask::parseDate("3 /  /  ").status, DateStatus::Invalid);
    auto ok = Mask::parseDate("29/02/24");
    EXPECT_EQ(ok.status, DateStatus::Valid);
    EXPECT_EQ(ok.date, Date::fromYmd(2024, 2, 29));
    EXPECT_EQ(Mask::parseDate("01/01/30").date.year(), 1930);

    EXPECT_EQ(Mask().formatLogical(true), "T");
    EXPECT_EQ(Mask("Y").formatLogical(false), "N");
    EXPECT_TRUE(Mask::parseLogical(" s"));
    EXPECT_FALSE(Mask::parseLogical("N"));
}

TEST(Mask, UpperCaseHandlesAccents)
{
    EXPECT_EQ(Mask::upper("àèéìòù ÿ œ"), "ÀÈÉÌÒÙ Ÿ Œ");
    EXPECT_EQ(Mask::upper("ß€"), "ß€");
}

TEST(MaskEdit, NumberPositions)
{
    MaskEdit e(Mask("@ZE 9,999.99"), ValueKind::Number);
    EXPECT_EQ(e.length(), 8);
    EXPECT_EQ(e.editablePositions(), (std::vector<int>{0, 2, 3, 4, 6, 7}));
    EXPECT_EQ(e.decimalPosition(), 5);
    EXPECT_EQ(e.nextEditable(0), 2);
    EXPECT_EQ(e.previousEditable(6), 4);
    EXPECT_EQ(e.nextEditable(7), -1);
    EXPECT_EQ(e.accept(0, U'7'), U'7');
    EXPECT_EQ(e.accept(0, U'-'), U'-');
    EXPECT_FALSE(e.accept(0, U'a'));
    EXPECT_FALSE(e.accept(1, U'1')); // separator
    EXPECT_FALSE(e.accept(8, U'1'));

    MaskEdit plain(Mask(), ValueKind::Number, 8, 2);
    EXPECT_EQ(plain.length(), 8);
    EXPECT_EQ(plain.decimalPosition(), 5);
}

TEST(MaskEdit, TextPositions)
{
    MaskEdit cf(Mask("@! AAAAAA99A99A999A"), ValueKind::Text, 16);
    EXPECT_EQ(cf.length(), 16);
    EXPECT_EQ(cf.accept(0, U'r'), U'R');
    EXPECT_FALSE(cf.accept(0, U'5'));
    EXPECT_EQ(cf.accept(6, U'8'), U'8');
    EXPECT_FALSE(cf.accept(6, U'x'));
    EXPECT_EQ(cf.accept(0, U'à'), U'À');

    MaskEdit time(Mask("99:99"), ValueKind::Text, 5);
    EXPECT_FALSE(time.isEditable(2));
    EXPECT_EQ(time.editablePositions(), (std::vector<int>{0, 1, 3, 4}));

    MaskEdit free(Mask("@!"), ValueKind::Text, 30);
    EXPECT_EQ(free.length(), 30);
    EXPECT_EQ(free.accept(29, U'ù'), U'Ù');
    EXPECT_FALSE(free.accept(3, U'\n'));

    MaskEdit n(Mask("NN"), ValueKind::Text, 2);
    EXPECT_FALSE(n.accept(0, U'-'));
    EXPECT_EQ(n.accept(1, U'b'), U'b');
}

TEST(MaskEdit, DateAndLogicalPositions)
{
    MaskEdit d(Mask(), ValueKind::Date);
    EXPECT_EQ(d.editablePositions(), (std::vector<int>{0, 1, 3, 4, 6, 7}));
    EXPECT_FALSE(d.accept(0, U'a'));
    EXPECT_EQ(d.accept(7, U'4'), U'4');

    MaskEdit l(Mask(), ValueKind::Logical);
    EXPECT_EQ(l.length(), 1);
    EXPECT_EQ(l.accept(0, U'y'), U'Y');
    EXPECT_FALSE(l.accept(0, U'x'));
    MaskEdit yn(Mask("Y"), ValueKind::Logical);
    EXPECT_FALSE(yn.accept(0, U't'));
}

TEST(Mask, ConfirmationRecheck)
{
    using arv::recheckField;
    EXPECT_FALSE(recheckField(Mask(), ValueKind::Date, "  /  /  "));
    EXPECT_FALSE(recheckField(Mask(), ValueKind::Date, "07/12/26"));
    EXPECT_EQ(recheckField(Mask(), ValueKind::Date, "32/12/26"), "Data non valida.");

    Mask amount("@ZE 999,999.99");
    EXPECT_FALSE(recheckField(amount, ValueKind::Number, "999.999,99"));
    EXPECT_FALSE(recheckField(amount, ValueKind::Number, "      "));
    EXPECT_EQ(recheckField(amount, ValueKind::Number, "1.000.000,00"), "Numero troppo grande.");
    EXPECT_EQ(recheckField(amount, ValueKind::Number, "12.5"), "Campo non valido.");
    // without a template the field's own width decides
    EXPECT_EQ(recheckField(Mask(), ValueKind::Number, "1000", 5, 2), "Numero troppo grande.");
    EXPECT_FALSE(recheckField(Mask(), ValueKind::Number, "99.99", 5, 2));

    EXPECT_FALSE(recheckField(Mask("@!"), ValueKind::Text, "qualsiasi"));
}
