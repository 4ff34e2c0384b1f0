// The demonstration folder: every table in place and clean, clients with valid codes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <set>

#include "common/checks.h"
#include "common/taxcode.h"
#include "store/check.h"
#include "store/files.h"
#include "store/table.h"
#include "store/workspace.h"
#include "support/tempdir.h"
#include "support/projectfiles.h"

using namespace arv;
using namespace arv::store;

TEST(Demo, FolderHoldsCoherentClients)
{
    arv::test::TempDir dir;
    std::string cmd = std::string(ARV_BINARY_DIR) + "/tools/arv-demo " + dir.path() + "/demo > /dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const std::string folder = dir.path() + "/demo";
    installClaimLookup(folder); // the claims' order reads the insured of their policies
    for (const auto& t : schema::tables()) {
        CheckReport r = checkTable(resolveFile(folder, t.name + ".DBF"));
        EXPECT_TRUE(r.ok()) << t.name << ": " << (r.problems.empty() ? "" : r.problems.front());
    }

    // Municipality codes of the current list, to check the birthplaces of the tax codes.
    std::map<std::string, std::string> provinceOf;
    std::ifstream csv(test::projectFile("data/comuni/comuni_attuali.csv"));
    std::string header;
    std::getline(csv, header);
    for (std::string line; std::getline(csv, line);) {
        size_t a = line.find(','), b = line.find(',', a + 1), c = line.find(',', b + 1);
        if (c != std::string::npos) provinceOf[line.substr(b + 1, c - b - 1)] = line.substr(a + 1, b - a - 1);
    }
    ASSERT_EQ(provinceOf.size(), 7896u);

    Workspace ws(folder);
    // Every current municipality, the ceased ones and the foreign states; the background picture.
    EXPECT_GT(ws.open("COMUNI").lastRec(), provinceOf.size() + 1900);
    ws.close("COMUNI");
    std::ifstream bmp(resolveFile(folder, "ARV.BMP"), std::ios::binary);
    char magic[2] = {};
    EXPECT_TRUE(bmp.read(magic, 2) && magic[0] == 'B' && magic[1] == 'M');

    Table& t = ws.open("CLIENTI");
    t.ordAdd("CLIENTI");
    std::set<std::string> names;
    int people = 0, companies = 0;
    for (t.goTop(); !t.eof(); t.skip()) {
        EXPECT_TRUE(names.insert(t.text("CLIENTE")).second) << t.text("CLIENTE");
        std::string code = t.text("CODICEFISC");
        EXPECT_TRUE(ISCOD(code)) << code;
        if (code.size() == 16) {
            ++people;
            EXPECT_EQ(DATANASCCDF(code), t.date("DATANASC")) << code;
            EXPECT_EQ(SESSOCDF(code), t.text("SESSO")) << code;
            EXPECT_EQ(provinceOf[code.substr(11, 4)], t.text("PROVNASC")) << code;
        } else {
            ++companies;
            EXPECT_TRUE(ISIVA(t.text("PARTITAIVA")));
        }
        // Some holders of suspended items have no address (checked below); the others are valid.
        if (!t.text("E_MAIL").empty()) {
            EXPECT_TRUE(ISEMAIL(t.text("E_MAIL"))) << t.text("E_MAIL");
        }
    }
    EXPECT_EQ(people + companies, 1000);
    EXPECT_GT(companies, 50);
}

TEST(Demo, PoliciesBelongToTheClientsAndKeepTheirReplacements)
{
    arv::test::TempDir dir;
    std::string cmd = std::string(ARV_BINARY_DIR) + "/tools/arv-demo " + dir.path() + "/demo > /dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    Workspace ws(dir.path() + "/demo");
    Table& c = ws.open("CLIENTI");
    std::map<std::string, std::string> producerOf;
    for (c.goTop(); !c.eof(); c.skip()) producerOf[c.text("CLIENTE")] = c.text("SUBAGENTE");
    Table& p = ws.open("POLIZZE");
    p.ordAdd("NUMPOL");
    std::set<std::string> codes;
    std::map<std::string, std::string> replacedBy;
    size_t n = 0, replaced = 0, cancelled = 0;
    for (p.goTop(); !p.eof(); p.skip(), ++n) {
        const std::string code = p.raw("CODICE");
        EXPECT_EQ(code.size(), 10u);
        EXPECT_NE(code[0], '0');
        EXPECT_TRUE(codes.insert(code).second) << code;
        ASSERT_TRUE(producerOf.count(p.text("ASSICURATO"))) << p.text("ASSICURATO");
        EXPECT_EQ(producerOf[p.text("ASSICURATO")], p.text("PRODUTTORE"));
        if (!p.text("SOSTDA").empty()) {
            ++replaced;
            EXPECT_TRUE(p.logical("DISDETTA"));
            replacedBy[p.text("POLIZZA")] = p.text("SOSTDA");
        } else if (p.logical("DISDETTA")) {
            ++cancelled;
        }
    }
    EXPECT_GT(n, 2000u);
    EXPECT_GT(replaced, 20u);
    EXPECT_GT(cancelled, 20u);
    for (const auto& [old, renewed] : replacedBy) {
        std::string key = renewed;
        key.resize(25, ' ');
        ASSERT_TRUE(p.seek(key)) << renewed;
        EXPECT_EQ(p.text("SOSTPOL"), old);
    }
}

TEST(Demo, FolderHoldsThreeYearsOfClaims)
{
    arv::test::TempDir dir;
    std::string cmd = std::string(ARV_BINARY_DIR) + "/tools/arv-demo " + dir.path() + "/demo > /dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const std::string folder = dir.path() + "/demo";
    Workspace ws(folder);
    auto values = [&](const char* table, FieldName field) {
        std::set<std::string> out;
        Table& t = ws.open(table);
        for (t.goTop(); !t.eof(); t.skip()) out.insert(t.text(field));
        ws.close(table);
        return out;
    };
    EXPECT_TRUE(values("TIPISIN", "TIPO").count("FURTO TOTALE"));
    const std::set<std::string> branches = values("RAMI", "RAMO");
    EXPECT_TRUE(branches.count("ELEMENTARE-INF") && branches.count("ELEMENTARE-MALATTIA"));

    size_t used = 0, free = 0, cancelled = 0;
    Table& s = ws.open("NUMESINI");
    for (s.goTop(); !s.eof(); s.skip()) {
        if (s.logical("ANNULLATO")) ++cancelled;
        else if (s.text("POLIZZA").empty()) ++free;
        else if (s.date("DATA")) ++used;
    }
    ws.close("NUMESINI");
    EXPECT_GT(used, 50u);
    EXPECT_GT(free, 50u);
    EXPECT_GT(cancelled, 0u);

    std::set<int> years;
    size_t paid = 0, noReport = 0, thefts = 0;
    std::map<std::string, int> recentByPolicy;
    const Date today = Date::today();
    Table& c = ws.open("SINISTRI");
    for (c.goTop(); !c.eof(); c.skip()) {
        years.insert(c.date("APERTURA").year());
        paid += c.logical("CHIUSO") && !c.number("IMPORTO").isZero();
        noReport += c.logical("NOREPORT");
        thefts += c.text("TIPO") == "FURTO TOTALE";
        if (c.date("APERTURA").addMonths(12) >= today) ++recentByPolicy[c.text("POLIZZA")];
    }
    ws.close("SINISTRI");
    EXPECT_GE(years.size(), 3u);
    EXPECT_GT(paid, 10u);
    EXPECT_GT(noReport, 0u);
    EXPECT_EQ(thefts, 1u);
    int most = 0;
    for (const auto& [policy, n] : recentByPolicy) most = std::max(most, n);
    EXPECT_GE(most, 3); // a client under observation

    std::ifstream ini(folder + "/ARV.INI");
    const std::string settings((std::istreambuf_iterator<char>(ini)), std::istreambuf_iterator<char>());
    EXPECT_NE(settings.find("[Sinistri]"), std::string::npos);
}

TEST(Demo, FolderHoldsAYearOfInvoices)
{
    arv::test::TempDir dir;
    std::string cmd = std::string(ARV_BINARY_DIR) + "/tools/arv-demo " + dir.path() + "/demo > /dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    Workspace ws(dir.path() + "/demo");
    Table& f = ws.open("FATTBSA");
    std::set<std::pair<int, long long>> numbers;
    std::set<int> months;
    size_t invoices = 0, proformas = 0;
    for (f.goTop(); !f.eof(); f.skip()) {
        const long long n = f.number("NUMERO").toLongLong();
        if (n == 0) {
            ++proformas;
            continue;
        }
        ++invoices;
        EXPECT_TRUE(numbers.insert({f.date("DATA").year(), n}).second) << n; // one number a year
        months.insert(f.date("DATA").year() * 12 + f.date("DATA").month());
    }
    EXPECT_GT(invoices, 50u);
    EXPECT_EQ(proformas, 1u);
    EXPECT_EQ(months.size(), 12u);
    size_t flagged = 0;
    Table& p = ws.open("POLIZZE");
    for (p.goTop(); !p.eof(); p.skip()) flagged += p.logical("FATTURA");
    EXPECT_GT(flagged, 10u);
    std::ifstream ini(dir.path() + "/demo/ARV.INI");
    const std::string settings((std::istreambuf_iterator<char>(ini)), std::istreambuf_iterator<char>());
    for (const char* s : {"[Agenzia]", "[Emissione fatture]", "Fondo1=", "[Fattura elettronica]"})
        EXPECT_NE(settings.find(s), std::string::npos) << s;
}

TEST(Demo, FolderHoldsTwoYearsOfCompanyMovements)
{
    arv::test::TempDir dir;
    std::string cmd = std::string(ARV_BINARY_DIR) + "/tools/arv-demo " + dir.path() + "/demo > /dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const std::string folder = dir.path() + "/demo";
    Workspace ws(folder);
    const Date today = Date::today();
    Table& a = ws.open("COMPAGN");
    for (a.goTop(); !a.eof(); a.skip()) EXPECT_EQ(a.number("ALIQRA"), *Decimal::parse("11.50")) << a.text("COMPAGNIA");
    ws.close("COMPAGN");

    // Registered commissions and remittances over the last two years, closed producers' periods,
    // and the movements the statements single out.
    std::set<int> remittanceYearsBack;
    std::map<std::string, int> kinds;
    size_t closed = 0;
    std::set<std::string> suspendedHolders;
    Table& m = ws.open("MOVICOMP");
    for (m.goTop(); !m.eof(); m.skip()) {
        const std::string d = m.text("DESCRIZIO");
        if (d == "Rimessa" && m.date("CORRISP")) remittanceYearsBack.insert(static_cast<int>((today - m.date("DATA")) / 366));
        ++kinds[d];
        if (m.text("CONTO") == "Sospesi compagnie/rapporti") ++kinds["sospeso rapporto"];
        if (m.text("CONTO") == "Sospesi da clienti" && !m.date("RIENTRO")) suspendedHolders.insert(m.text("ASSICURATO"));
        closed += bool(m.date("CHIUSURA"));
    }
    ws.close("MOVICOMP");
    EXPECT_EQ(remittanceYearsBack, (std::set<int>{0, 1}));
    EXPECT_GT(kinds["Incasso diretto"], 5);
    EXPECT_GT(kinds["INDENNITA'"], 5);
    EXPECT_GT(kinds["sospeso rapporto"], 0);
    EXPECT_GT(closed, 100u);

    size_t withMail = 0, withoutMail = 0;
    Table& c = ws.open("CLIENTI");
    for (c.goTop(); !c.eof(); c.skip())
        if (suspendedHolders.count(c.text("CLIENTE"))) (c.text("E_MAIL").empty() ? withoutMail : withMail)++;
    ws.close("CLIENTI");
    EXPECT_GT(withMail, 0u);
    EXPECT_GT(withoutMail, 0u);
    EXPECT_TRUE(std::filesystem::exists(folder + "/Ricevuta pagamento.docx"));
}
