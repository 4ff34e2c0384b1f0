#include "common/checks.h"
#include "common/taxcode.h"

#include <gtest/gtest.h>

#include <map>

using namespace arv;

namespace {

const Date kToday = Date::fromYmd(2026, 12, 7);

ComuneLookup comuni()
{
    return [](std::string_view code) -> std::optional<std::string> {
        static const std::map<std::string, std::string, std::less<>> names = {
            {"A562", "SAN GIULIANO TERME                      "},
            {"H501", "ROMA                                    "}};
        const auto it = names.find(code);
        return it == names.end() ? std::string() : it->second;
    };
}

} // namespace

TEST(Checks, TaxCode)
{
    EXPECT_TRUE(ISCOD("RSSMRA85T10A562S"));
    EXPECT_TRUE(ISCOD("rssmra85t10a562s"));     // upper-cased first
    EXPECT_TRUE(ISCOD("  RSSMRA85T10A562S   ")); // padded field
    EXPECT_TRUE(ISCOD("RSSMRA85T41A562U"));     // a woman
    EXPECT_TRUE(ISCOD("RSSMRAURTMLA562P"));     // omocodic
    EXPECT_FALSE(ISCOD("RSSMRA85T10A562T"));    // wrong check letter
    EXPECT_FALSE(ISCOD("RSSMRA85T10A5627"));    // check character must be a letter
    EXPECT_FALSE(ISCOD("RSSMRA85T1015620"));    // 12th character not a letter
    EXPECT_FALSE(ISCOD("RSSMRA85T10A56-S"));
    EXPECT_FALSE(ISCOD("RSSMRA85T10A562"));     // 15 characters: not a VAT number either
    // Any other length goes to the VAT number check.
    EXPECT_TRUE(ISCOD("12345678903"));
    EXPECT_TRUE(ISCOD(" 01234567897 "));
    EXPECT_FALSE(ISCOD("12345678904"));
    EXPECT_FALSE(ISCOD("00000000000"));
    EXPECT_FALSE(ISCOD(""));
}

TEST(Checks, VatAndIban)
{
    EXPECT_TRUE(ISIVA("12345678903"));
    EXPECT_TRUE(ISIVA("01234567897"));
    EXPECT_FALSE(ISIVA("12345678900"));
    EXPECT_FALSE(ISIVA("00000000000")); // the check digit would match
    EXPECT_FALSE(ISIVA("1234567890"));
    EXPECT_FALSE(ISIVA("123456789031"));
    EXPECT_FALSE(ISIVA("1234567890A"));
    EXPECT_FALSE(ISIVA("12345 78903"));
    EXPECT_FALSE(ISIVA(""));

    EXPECT_TRUE(ISIBAN("IT60X0542811101000000123456"));
    EXPECT_TRUE(ISIBAN("IT60X0542811101000000123456   "));
    EXPECT_FALSE(ISIBAN("IT61X0542811101000000123456"));
    EXPECT_FALSE(ISIBAN("IT60X0542811101000000123465")); // swapped digits
    EXPECT_FALSE(ISIBAN("IT60X054281110100000012345"));  // 26 characters
    EXPECT_FALSE(ISIBAN("it60x0542811101000000123456")); // capitals expected
    EXPECT_FALSE(ISIBAN("IT60X05428111010000001234-6"));
    EXPECT_FALSE(ISIBAN(""));
}

TEST(Checks, EmailTimeNumber)
{
    EXPECT_TRUE(ISEMAIL("mario.rossi@example.it"));
    EXPECT_TRUE(ISEMAIL("mario_o'neil-2@mail.example.com     "));
    EXPECT_TRUE(ISEMAIL("a@b.it"));
    EXPECT_FALSE(ISEMAIL(""));
    EXPECT_FALSE(ISEMAIL("mario rossi@example.it"));
    EXPECT_FALSE(ISEMAIL(" mario@example.it"));
    EXPECT_FALSE(ISEMAIL("mario@example.it."));
    EXPECT_FALSE(ISEMAIL("mario@example"));
    EXPECT_FALSE(ISEMAIL("mario.rossi@example"));     // dot only before the at sign
    EXPECT_FALSE(ISEMAIL("mario.example.it"));        // no at sign
    EXPECT_FALSE(ISEMAIL("mario@rossi@example.it"));  // two
    EXPECT_FALSE(ISEMAIL("mario(x)@example.it"));
    EXPECT_FALSE(ISEMAIL("mariò@example.it"));
    EXPECT_FALSE(ISEMAIL("@example.it"));             // nobody before the at sign
    EXPECT_FALSE(ISEMAIL("mario@.it"));
    EXPECT_FALSE(ISEMAIL("mario@example..it"));

    EXPECT_TRUE(ISTIME("00:00:00"));
    EXPECT_TRUE(ISTIME("23:59:59"));
    EXPECT_FALSE(ISTIME("24:00:00"));
    EXPECT_FALSE(ISTIME("12:60:00"));
    EXPECT_FALSE(ISTIME("12:00:60"));
    EXPECT_FALSE(ISTIME("12: 0:00"));
    EXPECT_FALSE(ISTIME("  :  :  "));
    EXPECT_FALSE(ISTIME("ab:cd:ef"));
    EXPECT_FALSE(ISTIME("12:00"));
    EXPECT_FALSE(ISTIME(""));
    // An "Ora:" under the mask "99:99": blank, the mask's bare colon, or a real hour and minute.
    for (const char* ok : {"", "     ", "  :  ", ":", "00:00", "23:59", "08:30"}) EXPECT_TRUE(isHourMinute(ok)) << ok;
    for (const char* bad : {"24:00", "12:60", "8:30", "12:3 ", "ab:cd", "12:00:00"}) EXPECT_FALSE(isHourMinute(bad)) << bad;

    EXPECT_TRUE(ISNUMBER("0"));
    EXPECT_TRUE(ISNUMBER("0012345"));
    EXPECT_FALSE(ISNUMBER(""));
    EXPECT_FALSE(ISNUMBER("12 "));
    EXPECT_FALSE(ISNUMBER("-12"));
    EXPECT_FALSE(ISNUMBER("1.5"));
}

TEST(TaxCode, BirthDateAndSex)
{
    EXPECT_EQ(DATANASCCDF("RSSMRA85T10A562S", kToday), Date::fromYmd(1985, 12, 10));
    EXPECT_EQ(SESSOCDF("RSSMRA85T10A562S"), "M");
    // A woman: 40 is added to the day.
    EXPECT_EQ(DATANASCCDF("RSSMRA85T41A562U", kToday), Date::fromYmd(1985, 12, 1));
    EXPECT_EQ(SESSOCDF("RSSMRA85T41A562U"), "F");
    EXPECT_EQ(DATANASCCDF("rssmra85t41a562u", kToday), Date::fromYmd(1985, 12, 1));
    // Month letters outside the table give no date.
    EXPECT_TRUE(DATANASCCDF("RSSMRA85K10A562G", kToday).isEmpty());
    // Year window: "29" would be 2029, in the future, so a century earlier; 1929 had no
    // 29 February, so no date.
    EXPECT_TRUE(DATANASCCDF("VRDLGU29B29H501H", kToday).isEmpty());
    EXPECT_EQ(DATANASCCDF("BNCGPP00B29H501I", kToday), Date::fromYmd(2000, 2, 29));
    // Born before 1930: "25" is 1925, not 2025 (still ahead on the reference day).
    EXPECT_EQ(DATANASCCDF("BNCGPP25A01H501V", Date::fromYmd(2024, 6, 1)), Date::fromYmd(1925, 1, 1));
    EXPECT_EQ(DATANASCCDF("BNCGPP25A01H501V", Date::fromYmd(2025, 1, 1)), Date::fromYmd(2025, 1, 1));
    EXPECT_EQ(DATANASCCDF("BNCGPP25A41H501Z", Date::fromYmd(2024, 6, 1)), Date::fromYmd(1925, 1, 1));
    // Omocodic codes: letters standing for the digits of the date.
    EXPECT_EQ(DATANASCCDF("RSSMRAURTMLA562P", kToday), Date::fromYmd(1985, 12, 10));
    EXPECT_EQ(SESSOCDF("RSSMRAURTMLA562P"), "M");
    EXPECT_EQ(DATANASCCDF("RSSMRA85T10A56NH", kToday), Date::fromYmd(1985, 12, 10));
    EXPECT_EQ(SESSOCDF("RSSMRA85TQMA562U"), "F"); // day "QM" = 41
    // Companies and empty codes.
    EXPECT_TRUE(DATANASCCDF("12345678903", kToday).isEmpty());
    EXPECT_TRUE(DATANASCCDF("1234567890312345", kToday).isEmpty());
    EXPECT_TRUE(DATANASCCDF("", kToday).isEmpty());
    EXPECT_TRUE(DATANASCCDF("RSSMRA", kToday).isEmpty());
    EXPECT_EQ(SESSOCDF(""), " ");
    EXPECT_EQ(SESSOCDF("1234567890312345"), " ");
    EXPECT_EQ(SESSOCDF("RSSMRA"), " ");
    // The day of today's calendar is the default reference.
    EXPECT_EQ(DATANASCCDF("RSSMRA85T10A562S"), Date::fromYmd(1985, 12, 10));
}

TEST(TaxCode, Municipality)
{
    EXPECT_EQ(COMUNASCCDF("RSSMRA85T10A562S", comuni()), "SAN GIULIANO TERME                      ");
    EXPECT_EQ(COMUNASCCDF("bncgpp25a01h501v", comuni()), "ROMA                                    ");
    // Omocodic municipality digits: "A5SN" is A562.
    EXPECT_EQ(COMUNASCCDF("RSSMRA85T10A5SNT", comuni()), "SAN GIULIANO TERME                      ");
    // Not found: the blank name field; no table: the empty text.
    EXPECT_EQ(COMUNASCCDF("RSSMRA85T10Z999S", comuni()), std::string(40, ' '));
    const ComuneLookup missingTable = [](std::string_view) -> std::optional<std::string> { return std::nullopt; };
    EXPECT_EQ(COMUNASCCDF("RSSMRA85T10A562S", missingTable), "");
    EXPECT_EQ(COMUNASCCDF("12345678903", comuni()), "");
    EXPECT_EQ(COMUNASCCDF("", comuni()), "");

    std::string asked;
    const ComuneLookup spy = [&](std::string_view code) -> std::optional<std::string> {
        asked = code;
        return std::string("X");
    };
    COMUNASCCDF("RSSMRAURTMLA5SNP", spy);
    EXPECT_EQ(asked, "A562");
}
