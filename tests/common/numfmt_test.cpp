#include "common/lists.h"
#include "common/numfmt.h"

#include <gtest/gtest.h>

using namespace arv;

namespace {
Decimal dec(const char* text) { return *Decimal::parse(text); }
} // namespace

TEST(NumberFormat, SignOnTheRight)
{
    // Default width 10: eight integer places, grouped, then the decimals and the sign.
    EXPECT_EQ(ESSTR(dec("-1234.5")), "     1.234,50-");
    EXPECT_EQ(ESSTR(dec("1234.5")), "     1.234,50 ");
    EXPECT_EQ(ESSTR(Decimal(0)), std::string(13, ' ') + " ");
    EXPECT_EQ(ESSTR(Decimal(0), 0, true), "         0,00 ");
    EXPECT_EQ(ESSTR(dec("-0.001")), std::string(13, ' ') + " "); // rounds to zero: no sign
    EXPECT_EQ(ESSTR(dec("99999999.99")), "99.999.999,99 ");
    EXPECT_EQ(ESSTR(dec("-1234.5"), 6), "1.234,50-");
    EXPECT_EQ(ESSTR(dec("1234.5"), 12), "        1.234,50 ");
    // Larger values widen the default field instead of overflowing it.
    EXPECT_EQ(ESSTR(dec("-1234567890.125")), "1.234.567.890,13-");

    EXPECT_EQ(SSTR(Decimal(-1234)), "     1.234-");
    EXPECT_EQ(SSTR(Decimal(0)), std::string(10, ' ') + " ");
    EXPECT_EQ(SSTR(Decimal(0), 0, true), "         0 ");
    EXPECT_EQ(SSTR(dec("2.5"), 5), "  3 ");
    EXPECT_EQ(SSTR(Decimal(7), 20), SSTR(Decimal(7), 10));
}

TEST(NumberFormat, SignOnTheLeft)
{
    EXPECT_EQ(ENSTR(dec("-1234.5")), "    -1.234,50");
    EXPECT_EQ(ENSTR(Decimal(0)), "         0,00");
    EXPECT_EQ(ENSTR(dec("2.345")), "         2,35");
    EXPECT_EQ(ENSTR(dec("-2.345")), "        -2,35");
    EXPECT_EQ(ENSTR(dec("0.5"), 3), "0,50");
    EXPECT_EQ(EZSTR(Decimal(0)), std::string(13, ' '));
    EXPECT_EQ(EZSTR(dec("1000000")), " 1.000.000,00");

    EXPECT_EQ(NSTR(Decimal(1234567)), " 1.234.567");
    EXPECT_EQ(NSTR(Decimal(-5)), "        -5");
    EXPECT_EQ(NSTR(Decimal(0)), "         0");
    EXPECT_EQ(NSTR(dec("1234.5")), "     1.235");
    EXPECT_EQ(NSTR(Decimal(123), 20), NSTR(Decimal(123), 10));
    EXPECT_EQ(NSTR(Decimal(123), 5), "123");
    EXPECT_EQ(ZSTR(Decimal(0)), std::string(10, ' '));
    EXPECT_EQ(ZSTR(Decimal(42)), "        42");

    // No room: the field is filled with stars, as wide as ever.
    EXPECT_EQ(ENSTR(Decimal(123456789), 5), "******");
    EXPECT_EQ(NSTR(Decimal(-123), 5), "***");
    EXPECT_EQ(ESSTR(Decimal(-1234), 5), "******-");
}

TEST(NumberFormat, Expressions)
{
    EXPECT_EQ(MKSTR("ROSSI MARIO"), "\"ROSSI MARIO\"");
    EXPECT_EQ(MKSTR(std::string("D\"ANGELO")), "\"D\\\"ANGELO\"");
    EXPECT_EQ(MKSTR("C:\\"), "\"C:\\\\\"");
    EXPECT_EQ(MKSTR(""), "\"\"");
    EXPECT_EQ(MKSTR(Date::fromYmd(2024, 3, 15)), "CTOD(\"15/03/24\")");
    EXPECT_EQ(MKSTR(Date()), "CTOD(\"  /  /  \")");
    EXPECT_EQ(MKSTR(dec("12.50")), "12.5");
    EXPECT_EQ(MKSTR(Decimal(-3)), "-3");
    EXPECT_EQ(MKSTR(), "\"\"");
}

TEST(Lists, FixedLists)
{
    const auto check = [](const StringList& list, size_t size, const std::string& first, const std::string& last) {
        EXPECT_EQ(list.size(), size);
        if (list.empty()) return;
        EXPECT_EQ(list.front(), first);
        EXPECT_EQ(list.back(), last);
    };
    check(AFRAZ(), 8, "", "PREMIO UNICO");
    EXPECT_EQ(AFRAZ()[1], "MENSILE");
    check(ATITOLI(), 7, "", "Egr. Avv.");
    check(AVEICOLI(), 7, "Autovettura", "Rimorchio");
    check(AQUALPROD(), 9, "", "Addetto a titolo accessorio");
    check(APAGAM(), 13, "", "Sospensione");
    check(AMODPAG(), 6, "", "RID");
    check(ADOCUMENTI(), 14, "", "Stato di famiglia");
    EXPECT_EQ(ADOCUMENTI()[6], "Libretto 1\xC2\xAA imm.ne"); // UTF-8 feminine ordinal
    EXPECT_EQ(ADOCUMENTI()[10], "Documento identit\xC3\xA0");
    check(AMASSIMALI(), 12, "", "ILLIMITATO");
    EXPECT_EQ(AMASSIMALI()[1], "7.290.000,00");
    check(ATIPICOPE(), 12, "", "Perdite pecuniarie e/o assistenza");
    EXPECT_EQ(ATIPICOPE()[10], "Responsabilit\xC3\xA0 civile generale");
    check(AESIGENZE(), 4, "", "Personali esigenze di copertura del rischio");
    check(AALIQIVA(), 4, "", "E15");
    check(AALIQIVA(false), 3, "20%", "E15");
    check(DESIVA(), 3, "20%", "Es. Art. 15");
    EXPECT_EQ(DESIVA("E2"), "Es. Art. 2");
    EXPECT_EQ(DESIVA("E15 "), "Es. Art. 15");
    EXPECT_EQ(DESIVA("20%"), "20%");
    EXPECT_EQ(DESIVA("E1"), "");

    EXPECT_EQ(CODIPAG("Contanti"), "MP01");
    EXPECT_EQ(CODIPAG("Assegno"), "MP02");
    EXPECT_EQ(CODIPAG("Bonifico"), "MP05");
    EXPECT_EQ(CODIPAG("Carta credito"), "MP08");
    EXPECT_EQ(CODIPAG("RID"), "MP09");
    EXPECT_EQ(CODIPAG(""), "");
    EXPECT_EQ(CODIPAG("Bancomat"), "");
}

TEST(Lists, Accounts)
{
    const StringList expected = {"",
                                 "Cassa entrate",
                                 "Cassa uscite",
                                 "C/C Postale entrate",
                                 "C/C Postale uscite",
                                 "Sospesi da giroconto",
                                 "Sospesi da clienti",
                                 "Sospesi clienti (Bonifico)",
                                 "Sospesi clienti (C/C Post)",
                                 "Sospesi clienti (RID)",
                                 "Sospesi compagnie/rapporti",
                                 "Sospesi da produttori",
                                 "Sospesi POS bancomat",
                                 "Sospesi POS carta credito",
                                 "Sospesi POS virtuale",
                                 "Sospesi AB postdatati",
                                 "Sospesi da finanziarie",
                                 "Sospesi vers. contanti",
                                 "Sospesi vers. assegni",
                                 "Assegni e bonifici banca 1",
                                 "Assegni e bonifici banca 2",
                                 "Assegni e bonifici banca 3",
                                 "Assegni e bonifici banca 4",
                                 "Assegni/bonifici C/C Post",
                                 "Banca 1 entrate",
                                 "Banca 1 uscite",
                                 "Banca 2 entrate",
                                 "Banca 2 uscite",
                                 "Banca 3 entrate",
                                 "Banca 3 uscite",
                                 "Banca 4 entrate",
                                 "Banca 4 uscite",
                                 "Ricaricabile 1 entrate",
                                 "Ricaricabile 2 entrate",
                                 "Ricaricabile 3 entrate",
                                 "Ricaricabile 4 entrate",
                                 "Ricaricabile 1 uscite",
                                 "Ricaricabile 2 uscite",
                                 "Ricaricabile 3 uscite",
                                 "Ricaricabile 4 uscite",
                                 "Carta di credito 5",
                                 "Entrate compensate",
                                 "Uscite compensate",
                                 "Carta di credito"};
    EXPECT_EQ(ACONTI(), expected);
}
