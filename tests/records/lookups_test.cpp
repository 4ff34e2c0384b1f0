#include "records/lookups.h"

#include <gtest/gtest.h>

#include "store/upgrade.h"
#include "support/tempdir.h"

using namespace arv;
using namespace arv::store;
using namespace arv::records;

namespace {

class Lookups : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(AGGIORNADATABASE(dir.path()));
        Workspace ws(dir.path());
        Table& p = ws.open("PRODUTT");
        for (auto [name, ceased, employee, rui] : {std::tuple{"Zeta Paolo", false, false, "A000123"},
                                                   std::tuple{"Alfa Luca", false, true, ""},
                                                   std::tuple{"Vecchio Ugo", true, false, "E000001"},
                                                   std::tuple{"Esterno Ivo", false, false, "e000777"},
                                                   std::tuple{"Nessuno Rui", false, false, "no"}}) {
            p.append();
            p.setText("PRODUTTORE", name);
            p.setLogical("NONATTIVO", ceased);
            p.setLogical("DIPENDENTE", employee);
            p.setText("NUMERUI", rui);
            p.commit();
            p.unlock();
        }
        Table& c = ws.open("COMPAGN");
        for (auto [name, ceased] : {std::pair{"Beta Assicurazioni", false}, std::pair{"Alfa Vita", true}}) {
            c.append();
            c.setText("COMPAGNIA", name);
            c.setLogical("NONATTIVO", ceased);
            c.setText("RAGSOC1", std::string(name) + " S.p.A.");
            c.setNumber("GIORNO", Decimal(15));
            c.commit();
            c.unlock();
        }
        Table& cl = ws.open("CLIENTI");
        cl.append();
        cl.setText("CLIENTE", "Rossi Mario");
        cl.setText("NOMEPF", "Mario");
        cl.setText("CODICEFISC", "RSSMRA80A01H501U");
        cl.setText("CITTA", "Roma");
        cl.commit();
        cl.unlock();
        Table& pol = ws.open("POLIZZE");
        pol.append();
        pol.setText("POLIZZA", "123456");
        pol.setText("SOSTDA", "999");
        pol.setText("FRAZIONAM", "SEMESTRALE");
        pol.commit();
        pol.unlock();
    }
    arv::test::TempDir dir;
};

} // namespace

TEST_F(Lookups, ListsOfProducersAndAgreements)
{
    Workspace ws(dir.path());
    EXPECT_EQ(APRODUTT(ws), (std::vector<std::string>{"", "Agenzia", "Alfa Luca", "Esterno Ivo", "Nessuno Rui", "Zeta Paolo"}));
    EXPECT_EQ(AINTERMED(ws), (std::vector<std::string>{"", "Alfa Luca", "Esterno Ivo", "Nessuno Rui", "Vecchio Ugo"}));
    EXPECT_EQ(ACOMPAGNIE(ws), (std::vector<std::string>{"", "Beta Assicurazioni"}));
    EXPECT_EQ(ARAMI(ws), std::vector<std::string>{});
    EXPECT_EQ(APROFESS(ws), std::vector<std::string>{""});
    EXPECT_EQ(ws.selected(), 1);
}

TEST_F(Lookups, RecordLookupsUseTheLookupAliases)
{
    Workspace ws(dir.path());
    EXPECT_EQ(NOMECLIE(ws, "rossi mario"), ""); // alias not open: default result
    EXPECT_TRUE(ATTICOMP(ws, "Alfa Vita"));
    ws.open("CLIENTI", "CLIENTI_").ordAdd("CLIENTI");
    ws.open("COMPAGN", "COMPAGN_").ordAdd("COMPAGN");
    EXPECT_EQ(NOMECLIE(ws, "rossi mario"), "Mario");
    EXPECT_EQ(COGNCLIE(ws, "Rossi Mario"), "Rossi");
    EXPECT_EQ(CITTCLIE(ws, "Rossi Mario"), "Roma");
    EXPECT_EQ(CSDICLIE(ws, "Rossi Mario"), "0000000");
    EXPECT_TRUE(ISPFCLIE(ws, "Rossi Mario"));
    EXPECT_EQ(CITTCLIE(ws, "Bianchi"), "");
    EXPECT_FALSE(ATTICOMP(ws, "ALFA VITA"));
    EXPECT_TRUE(ATTICOMP(ws, "Beta Assicurazioni"));

    AgreementData a = ADATICOMP(ws, "Beta Assicurazioni");
    EXPECT_EQ(a.companyLine1, "Beta Assicurazioni S.p.A.");
    EXPECT_EQ(a.remittanceDay, 15);
    EXPECT_EQ(ADATIASSI(ws, "Rossi Mario").taxCode, "RSSMRA80A01H501U");

    EXPECT_TRUE(ISPOLIZZA(ws, "123456"));
    EXPECT_FALSE(ISPOLIZZA(ws, "12345"));
    EXPECT_TRUE(ISSOSTITUITA(ws, "123456"));
    EXPECT_FALSE(ISDISDETTA(ws, "123456"));
    EXPECT_EQ(FRAZIONAMENTO(ws, "123456"), "SEMESTRALE");
}
