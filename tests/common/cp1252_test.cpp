#include "common/cp1252.h"

#include <gtest/gtest.h>

using namespace arv;

TEST(CodePage, RoundTripsTheLettersOfItalianTexts)
{
    const std::string utf8 = "Perché città più €5 – “Lunedì” Œuvre";
    const std::string cp = utf8ToCp1252(utf8);
    EXPECT_EQ(cp, "Perch\xE9 citt\xE0 pi\xF9 \x80"
                  "5 \x96 \x93Luned\xEC\x94 \x8Cuvre");
    EXPECT_EQ(cp1252ToUtf8(cp), utf8);
    EXPECT_EQ(utf8ToCp1252("日本"), "??");          // no such letters in the code page
    EXPECT_EQ(utf8ToCp1252("NICOL\x95"), "NICOL\x95"); // not UTF-8: taken as it is
    EXPECT_EQ(cp1252ToUtf8("\x81"), "\xC2\x81");       // an undefined byte survives a round trip
    EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8("\x81")), "\x81");
    EXPECT_EQ(upperCp1252("citt\xE0 d'\xEF\x9C"), "CITT\xC0 D'\xCF\x8C");
}
