// The collection notice to an agreement: the letter read back from its pages and the e-mail text.
#include <gtest/gtest.h>

#include "accounting/coverage.h"
#include "common/pagemodel.h"
#include "common/printjob.h"

using namespace arv;
using namespace arv::accounting;

namespace {

AgencyIdentity issuer()
{
    AgencyIdentity a;
    a.name = "AGENZIA ARVALE";
    a.activity = "Assicurazioni";
    a.address = "Via Roma 1";
    a.postCode = "00100";
    a.town = "Roma";
    a.province = "RM";
    a.telephone = "06 1234";
    a.email = "info@arvale.it";
    return a;
}

CoverageLetter letter(size_t lines)
{
    CoverageLetter l;
    l.agreement.companyLine1 = "AURORA ASSICURAZIONI SPA";
    l.agreement.address = "Via Po 3";
    l.agreement.postCode = "20100";
    l.agreement.town = "Milano";
    l.agreement.province = "MI";
    l.agreement.fax = "02 999";
    l.date = Date::fromYmd(2025, 3, 12);
    for (size_t i = 0; i < lines; ++i)
        l.lines.push_back({"AB1234567890-" + std::to_string(i), Date::fromYmd(2025, 3, 10), "AURORA", "AUTO",
                           "ROSSI MARIO", "Cassa entrate", *Decimal::parse("450.00"), *Decimal::parse("45.50")});
    return l;
}

bool has(const std::string& dump, const std::string& text) { return dump.find(text) != std::string::npos; }

} // namespace

TEST(Coverage, LetterPagesAndTotals)
{
    TPRINTER job("Stampa coperture immediate", false, false, {}, true);
    printCoverageLetter(job, letter(2), issuer());
    const PrintDocument& doc = job.document();
    ASSERT_EQ(doc.pages.size(), 1u);
    const std::string page = dumpPage(doc, doc.pages[0]);
    for (const char* text : {"c48.0 L |Spett.le|", "c48.0 L |AURORA ASSICURAZIONI SPA|", "c48.0 L |20100 Milano MI|",
                             "c48.0 L |Fax: 02 999|", "|COMUNICAZIONE DI INCASSO|",
                             "|Si prega di mettere a cassa in data 12/03/25 le polizze/quietanze di seguito evidenziate:|",
                             "c03.0 L |AB12345678|", "c03.0 L |90-0|", "|TOTALE|", "R |900,00|", "R |91,00|",
                             "|Distinti saluti.|", "|Via Roma 1 - 00100 Roma (RM)|", "|AGENZIA ARVALE|"})
        EXPECT_TRUE(has(page, text)) << text << "\n" << page;
    EXPECT_FALSE(has(page, "|CONTO|"));
    EXPECT_TRUE(has(page, "r56.0 c03.0 F")) << "the confidentiality box";

    // Many lines go on over numbered pages, each with its boxes and headings.
    TPRINTER many("Stampa coperture giornaliere", false, false, {}, true);
    CoverageLetter l = letter(30);
    l.accountColumn = true;
    printCoverageLetter(many, l, issuer());
    ASSERT_EQ(many.document().pages.size(), 2u);
    const std::string second = dumpPage(many.document(), many.document().pages[1]);
    for (const char* text : {"|PAG.  2|", "|POLIZZA N.|", "|CONTO|", "|Cassa entrate|", "|13.500,00|", "r56.0 c03.0 F"})
        EXPECT_TRUE(has(second, text)) << text << "\n" << second;
}

TEST(Coverage, MailBody)
{
    const std::string body = coverageMailBody(letter(1), issuer());
    EXPECT_EQ(body,
              "COMUNICAZIONE DI INCASSO\r\n\r\n"
              "Si prega di mettere a cassa in data 12/03/25 le polizze/quietanze di seguito evidenziate:\r\n\r\n\r\n"
              "POLIZZA N.: AB1234567890-0\r\nSCADENZA: 10/03/25\r\nCOMPAGNIA: AURORA\r\nRAMO: AUTO\r\n"
              "CONTRAENTE: ROSSI MARIO\r\nCONTO: Cassa entrate\r\nIMPORTO: 450,00\r\nPROVVIGIONE: 45,50\r\n\r\n"
              "TOTALE IMPORTO: 450,00\r\nTOTALE PROVVIGIONE: 45,50\r\n\r\n\r\n"
              "Cordiali saluti.\r\n\r\n"
              "AGENZIA ARVALE\r\nAssicurazioni\r\nVia Roma 1\r\n00100 Roma (RM)\r\nTel. 06 1234\r\n\r\n" +
                  issuer().confidentialityNotice() + "\r\n");
    EXPECT_NE(issuer().confidentialityNotice().find("info@arvale.it o telefonando al n. 06 1234."), std::string::npos);
    EXPECT_EQ(mailRunMessage(2, "", "Nessuna copertura inviata.", " coperture inviate con successo."),
              "2 coperture inviate con successo.");
    EXPECT_EQ(mailRunMessage(0, "AURORA ", "Nessuna copertura inviata.", " coperture inviate con successo."),
              "Invio non riuscito a AURORA.;Nessuna copertura inviata.");
}
