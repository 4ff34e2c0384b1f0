#include "registry/companies.h"
#include "registry/producers.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <map>

#include "records/lookups.h"
#include "store/upgrade.h"
#include "store/workspace.h"
#include "support/tempdir.h"
#include "ui/fields.h"
#include "ui/popmsg.h"
#include "ui/qtapp.h"
#include "registry/registerfolder.h"
#include "ui/register.h"

using namespace arv;
using namespace arv::store;
using namespace arv::records;

namespace {

using Values = std::map<std::string, std::string>;

std::string padded(std::string s, size_t width)
{
    s.resize(width, ' ');
    return s;
}

// An agency row's key: "C", the agreement, an empty agreement field, the branch.
std::string rateKey(const std::string& name, const std::string& agreement, const std::string& branch)
{
    return "C" + padded(name, 35) + padded(agreement, 35) + padded(branch, 20);
}

class Agreements : public arv::test::RegisterFolderTest {
protected:
    // Appends a record; "T"/"F" go to logical fields.
    void add(const std::string& table, const Values& values)
    {
        Table& t = workspace().open(table, "ADD_" + table);
        t.append();
        for (const auto& [name, v] : values) {
            const FieldName f = FieldName::runtime(name);
            const auto& def = t.file().fields()[static_cast<size_t>(t.fieldIndex(f))];
            if (def.type == 'L') t.setLogical(f, v == "T");
            else if (def.type == 'N') t.setNumber(f, *Decimal::parse(v));
            else t.setText(f, v);
        }
        t.commit();
        t.unlock();
        workspace().close("ADD_" + table);
    }
    // Every value of FIELD in TABLE, in physical order.
    std::vector<std::string> column(const std::string& table, const std::string& name)
    {
        const FieldName field = FieldName::runtime(name);
        std::vector<std::string> out;
        Table& t = workspace().open(table, "READ_" + table);
        for (uint32_t r = 1; r <= t.lastRec(); ++r) {
            t.goTo(r);
            const auto& def = t.file().fields()[static_cast<size_t>(t.fieldIndex(field))];
            out.push_back(def.type == 'L' ? (t.logical(field) ? "T" : "F") : t.text(field));
        }
        workspace().close("READ_" + table);
        return out;
    }
    // Saves VALUES over the record of KEY in the register's table (a modify).
    SaveResult modify(const RegisterDesc& desc, const std::string& key, const Values& values)
    {
        Table& t = workspace()[desc.aliasName()];
        EXPECT_TRUE(t.seek(key)) << key;
        EditValues before = recordValues(desc.fields, t);
        EditValues after = before;
        for (const auto& [f, v] : values) after.set(f, v);
        return saveRecord(desc, workspace(), false, before, after);
    }
    SaveResult insert(const RegisterDesc& desc, const Values& values)
    {
        Table& t = workspace()[desc.aliasName()];
        EditValues v = blankValues(desc.fields, &t);
        if (desc.prepareInsert) desc.prepareInsert(workspace(), v);
        for (const auto& [f, x] : values) v.set(f, x);
        return saveRecord(desc, workspace(), true, v, v);
    }
};

} // namespace

TEST_F(Agreements, RatesOfAnAgreementAndOfAProducer)
{
    add("RAMI", {{"RAMO", "RC AUTO"}});
    add("RAMI", {{"RAMO", "RC"}});
    add("COMPAGN", {{"COMPAGNIA", "Alfa Rapporto"}});
    const RegisterDesc agency = registry::ratesRegister('C', "Alfa Rapporto");
    EXPECT_EQ("PROVVIGC", agency.name);
    EXPECT_EQ("Provvigioni agenzia - Alfa Rapporto", agency.title);
    EXPECT_EQ("PROVVIG2C", agency.editName);
    openRegisterTables(agency, workspace());
    Table& t = workspace()["PROVVIG"];
    t.setScope(registry::ratesScope('C', "Alfa Rapporto"), registry::ratesScope('C', "Alfa Rapporto"));

    ASSERT_TRUE(insert(agency, {{"RAMO", "RC AUTO"}, {"ALIQUOTA", "11,50"}}));
    // The row stores its type and name, no agreement; its key is type, name, agreement, branch.
    EXPECT_EQ("C", t.text("TIPO"));
    EXPECT_EQ("Alfa Rapporto", t.text("RAGSOC"));
    EXPECT_EQ("", t.text("RAPPORTO"));
    EXPECT_EQ(Decimal::parse("11.5"), t.number("ALIQUOTA"));
    EXPECT_EQ(rateKey("Alfa Rapporto", "", "RC AUTO"), t.currentKey());
    // "RC" is not "RC AUTO"; the same branch again is refused and nothing is written.
    ASSERT_TRUE(insert(agency, {{"RAMO", "RC"}, {"ALIQUOTA", "7"}}));
    SaveResult dup = insert(agency, {{"RAMO", "RC AUTO"}, {"ALIQUOTA", "9"}});
    EXPECT_EQ(SaveResult::Duplicate, dup.kind);
    EXPECT_EQ("Provvigione già presente.", dup.message);
    EXPECT_EQ(2u, t.lastRec());
    // Changing a row's branch to one already there is refused; its rate alone can change.
    EXPECT_EQ(SaveResult::Duplicate, modify(agency, rateKey("Alfa Rapporto", "", "RC"), {{"RAMO", "RC AUTO"}}).kind);
    EXPECT_TRUE(modify(agency, rateKey("Alfa Rapporto", "", "RC"), {{"ALIQUOTA", "8"}}));
    EXPECT_EQ(Decimal(8), t.number("ALIQUOTA"));
    closeRegisterTables(agency, workspace());

    // A producer's rows: the same branch under another agreement is another row; a producer
    // named like the agreement does not see the agency's rows.
    add("COMPAGN", {{"COMPAGNIA", "Beta"}});
    const RegisterDesc producer = registry::ratesRegister('P', "Alfa Rapporto");
    EXPECT_EQ("Provvigioni produttori - Alfa Rapporto", producer.title);
    EXPECT_EQ("PROVVIG2P", producer.editName);
    openRegisterTables(producer, workspace());
    Table& p = workspace()["PROVVIG"];
    p.setScope(registry::ratesScope('P', "Alfa Rapporto"), registry::ratesScope('P', "Alfa Rapporto"));
    p.goTop();
    EXPECT_TRUE(p.eof());
    ASSERT_TRUE(insert(producer, {{"RAPPORTO", "Alfa Rapporto"}, {"RAMO", "RC"}, {"ALIQUOTA", "3"}}));
    ASSERT_TRUE(insert(producer, {{"RAPPORTO", "Beta"}, {"RAMO", "RC"}, {"ALIQUOTA", "3"}}));
    EXPECT_EQ("Provvigione già presente.",
              insert(producer, {{"RAPPORTO", "Beta"}, {"RAMO", "RC"}, {"ALIQUOTA", "4"}}).message);
    EXPECT_EQ(4u, p.lastRec());
    // Agreement and branch must be chosen.
    EditValues empty = blankValues(producer.fields, &p);
    ASSERT_TRUE(recheckValues(producer.fields, empty, &p).has_value());
    EXPECT_EQ("Campo non valido.", recheckValues(producer.fields, empty, &p)->message);

    // The printout lists the rows in view.
    p.goTop();
    registry::printRates(p, 'P', "Alfa Rapporto", false);
    closeRegisterTables(producer, workspace());
}

TEST_F(Agreements, RenamingAnAgreementReachesEveryTableThatNamesIt)
{
    add("COMPAGN", {{"COMPAGNIA", "Alfa"}, {"RAGSOC1", "Alfa S.p.A."}});
    const char* old = "Alfa";
    add("POLIZZE", {{"POLIZZA", "1"}, {"COMPAGNIA", old}, {"RAPPORTO", old}, {"COASSICUR", old}, {"PROVENIEN", old},
                    {"PRODUTTORE", old}});
    add("POLIZZE", {{"POLIZZA", "2"}, {"COMPAGNIA", "Alfa Vita"}, {"RAPPORTO", "ALFA"}});
    add("SINISTRI", {{"COMPAGNIA", old}});
    add("MOVICOMP", {{"COMPAGNIA", old}, {"RAPPORTO", old}, {"PRODUTTORE", old}});
    add("TITOLI", {{"COMPAGNIA", old}, {"RAPPORTO", old}});
    add("NUMESINI", {{"COMPAGNIA", old}});
    Values quote = {{"COMPAGNIA", old}, {"RAPPORTO", old}, {"COMPPREV", old}, {"RAPPPREV", old},
                    {"COMPARD", old},   {"RAPPARD", old},  {"PROVENIEN", old}, {"PRODUTTORE", old}};
    add("PREVBSA", quote);
    Values worklist = {{"POLIZZA", "1"}};
    for (int i = 1; i <= 7; ++i) worklist["RAPNUO" + std::to_string(i)] = old;
    add("QUIETANZ", worklist);
    add("FINANZ", {{"RAPPORTO", old}});
    add("PRODOTTI", {{"COMPAGNIA", old}, {"RAPPORTO", old}});
    add("PROVVIG", {{"TIPO", "C"}, {"RAGSOC", old}, {"RAMO", "RC"}});
    add("PROVVIG", {{"TIPO", "P"}, {"RAGSOC", old}, {"RAPPORTO", old}, {"RAMO", "RC"}});
    add("CLIENTI", {{"CLIENTE", "Rossi"}, {"SUBAGENTE", old}});

    const RegisterDesc& desc = registry::companiesRegister();
    openRegisterTables(desc, workspace());
    ASSERT_TRUE(modify(desc, "ALFA", {{"COMPAGNIA", "Alfa Nuova"}}));
    closeRegisterTables(desc, workspace());

    const std::string now = "Alfa Nuova";
    for (const char* f : {"COMPAGNIA", "RAPPORTO", "COASSICUR", "PROVENIEN"})
        EXPECT_EQ(now, column("POLIZZE", f)[0]) << f;
    EXPECT_EQ(old, column("POLIZZE", "PRODUTTORE")[0]); // a producer of the same name stays
    EXPECT_EQ("Alfa Vita", column("POLIZZE", "COMPAGNIA")[1]); // names only equal, not prefixes
    EXPECT_EQ("ALFA", column("POLIZZE", "RAPPORTO")[1]);
    EXPECT_EQ(now, column("SINISTRI", "COMPAGNIA")[0]);
    for (const char* f : {"COMPAGNIA", "RAPPORTO"}) {
        EXPECT_EQ(now, column("MOVICOMP", f)[0]);
        EXPECT_EQ(now, column("TITOLI", f)[0]);
        EXPECT_EQ(now, column("PRODOTTI", f)[0]);
    }
    EXPECT_EQ(old, column("MOVICOMP", "PRODUTTORE")[0]);
    EXPECT_EQ(now, column("NUMESINI", "COMPAGNIA")[0]);
    for (const char* f : {"COMPAGNIA", "RAPPORTO", "COMPPREV", "RAPPPREV", "COMPARD", "RAPPARD"})
        EXPECT_EQ(now, column("PREVBSA", f)[0]) << f;
    EXPECT_EQ(old, column("PREVBSA", "PROVENIEN")[0]);
    EXPECT_EQ(old, column("PREVBSA", "PRODUTTORE")[0]);
    for (int i = 1; i <= 7; ++i) EXPECT_EQ(now, column("QUIETANZ", "RAPNUO" + std::to_string(i))[0]) << i;
    EXPECT_EQ(now, column("FINANZ", "RAPPORTO")[0]);
    // The agency's row is renamed; the producer's row keeps its producer and gets the agreement.
    EXPECT_EQ((std::vector<std::string>{now, old}), column("PROVVIG", "RAGSOC"));
    EXPECT_EQ((std::vector<std::string>{"", now}), column("PROVVIG", "RAPPORTO"));
    EXPECT_EQ(old, column("CLIENTI", "SUBAGENTE")[0]);
}

TEST_F(Agreements, RenamingAProducerReachesItsTablesOnly)
{
    const char* old = "Bruni Ada";
    add("PRODUTT", {{"PRODUTTORE", old}});
    add("POLIZZE", {{"POLIZZA", "1"}, {"PRODUTTORE", old}, {"PRODUTTOR2", old}, {"COMPAGNIA", old}});
    add("MOVICOMP", {{"PRODUTTORE", old}, {"RAPPORTO", old}});
    add("PREVBSA", {{"PRODUTTORE", old}, {"SUBAGENTE", old}, {"PRODPREV", old}, {"PRODARD", old}, {"RAPPORTO", old}});
    add("PROVVIG", {{"TIPO", "P"}, {"RAGSOC", old}, {"RAPPORTO", "Alfa"}, {"RAMO", "RC"}});
    add("PROVVIG", {{"TIPO", "C"}, {"RAGSOC", old}, {"RAMO", "RC"}});
    add("CLIENTI", {{"CLIENTE", "Rossi"}, {"SUBAGENTE", old}, {"SUBAGENTE2", old}});

    const RegisterDesc& desc = registry::producersRegister();
    openRegisterTables(desc, workspace());
    // Another producer's name in other capitals is a duplicate.
    add("PRODUTT", {{"PRODUTTORE", "Neri Ugo"}});
    SaveResult dup = modify(desc, "BRUNI ADA", {{"PRODUTTORE", "NERI UGO"}});
    EXPECT_EQ("Produttore o sub agente già presente.", dup.message);
    EXPECT_EQ(old, column("POLIZZE", "PRODUTTORE")[0]);
    // "Agenzia" means the agency itself: no producer takes that name.
    EXPECT_EQ("Produttore o sub agente già presente.", insert(desc, {{"PRODUTTORE", " agenzia "}}).message);
    EXPECT_EQ("Produttore o sub agente già presente.", modify(desc, "NERI UGO", {{"PRODUTTORE", "Agenzia"}}).message);
    EXPECT_EQ((std::vector<std::string>{old, "Neri Ugo"}), column("PRODUTT", "PRODUTTORE"));
    ASSERT_TRUE(modify(desc, "BRUNI ADA", {{"PRODUTTORE", "Bruni Ada Maria"}}));
    closeRegisterTables(desc, workspace());

    const std::string now = "Bruni Ada Maria";
    EXPECT_EQ(now, column("POLIZZE", "PRODUTTORE")[0]);
    EXPECT_EQ(now, column("POLIZZE", "PRODUTTOR2")[0]);
    EXPECT_EQ(old, column("POLIZZE", "COMPAGNIA")[0]);
    EXPECT_EQ(now, column("MOVICOMP", "PRODUTTORE")[0]);
    EXPECT_EQ(old, column("MOVICOMP", "RAPPORTO")[0]);
    for (const char* f : {"PRODUTTORE", "SUBAGENTE", "PRODPREV", "PRODARD"}) EXPECT_EQ(now, column("PREVBSA", f)[0]) << f;
    EXPECT_EQ(old, column("PREVBSA", "RAPPORTO")[0]);
    EXPECT_EQ((std::vector<std::string>{now, old}), column("PROVVIG", "RAGSOC"));
    EXPECT_EQ(now, column("CLIENTI", "SUBAGENTE")[0]);
    EXPECT_EQ(now, column("CLIENTI", "SUBAGENTE2")[0]);
}

TEST_F(Agreements, TacitRenewalRulesAndTheDialog)
{
    add("COMPAGN", {{"COMPAGNIA", "Alfa"}, {"RAGSOC1", "Alfa S.p.A."}});
    add("POLIZZE", {{"POLIZZA", "1"}, {"COMPAGNIA", "Alfa"}});
    add("POLIZZE", {{"POLIZZA", "2"}, {"COMPAGNIA", "Alfa"}, {"DISDETTA", "T"}});
    add("POLIZZE", {{"POLIZZA", "3"}, {"COMPAGNIA", "Beta"}});
    const RegisterDesc& desc = registry::companiesRegister();
    openRegisterTables(desc, workspace());
    ASSERT_TRUE(modify(desc, "ALFA", {{"TACITORIN", "T"}}));
    EXPECT_EQ((std::vector<std::string>{"T", "T", "F"}), column("POLIZZE", "TACITORIN"));

    // Field rules: remittance day, VAT number, the two name lines.
    Table& t = workspace()["COMPAGN"];
    EditValues v = recordValues(desc.fields, t);
    EXPECT_FALSE(recheckValues(desc.fields, v, &t).has_value());
    for (auto [f, bad] : {std::pair{"GIORNO", "32"}, std::pair{"PARTITAIVA", "12345678901"}, std::pair{"COMPAGNIA", ""},
                          std::pair{"RAGSOC1", ""}}) {
        EditValues w = v;
        w.set(f, bad);
        auto fail = recheckValues(desc.fields, w, &t);
        ASSERT_TRUE(fail.has_value()) << f;
        EXPECT_EQ(f, desc.fields[fail->index].field);
        EXPECT_EQ("Campo non valido.", fail->message);
    }
    // A new agreement: the name fills the empty company line; the documents wait for the save.
    EditDialog d(desc, blankValues(desc.fields, &t), true, &t);
    d.show();
    EXPECT_FALSE(d.button(203)->isEnabled());
    EXPECT_FALSE(d.button(204)->isEnabled());
    EXPECT_EQ("Aggiungi documento", d.button(204)->toolTip().toStdString());
    auto* name = static_cast<QLineEdit*>(d.field(101));
    name->setFocus();
    QTest::keyClicks(name, "Gamma");
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_EQ("Gamma", d.values().get("RAGSOC1"));
    static_cast<QLineEdit*>(d.field(102))->setText("Gamma Assicurazioni");
    name->setFocus();
    QTest::keyClicks(name, "2");
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_EQ("Gamma Assicurazioni", d.values().get("RAGSOC1"));
    d.hide();
    EXPECT_EQ("Compagnia o rapporto già presente.", insert(desc, {{"COMPAGNIA", "alfa"}, {"RAGSOC1", "X"}}).message);
    closeRegisterTables(desc, workspace());
}

TEST_F(Agreements, LookupsOfAgreementsAndProducers)
{
    add("COMPAGN", {{"COMPAGNIA", "Zeta"}, {"CHIUSURA", "T"}});
    add("COMPAGN", {{"COMPAGNIA", "Alfa"}, {"NONATTIVO", "T"}});
    add("COMPAGN", {{"COMPAGNIA", "Beta"}});
    add("PRODUTT", {{"PRODUTTORE", "zanon Eva"}, {"NUMERUI", "A1"}});
    add("PRODUTT", {{"PRODUTTORE", "Bassi Leo"}, {"NONATTIVO", "T"}, {"NUMERUI", "No"}});
    add("PRODUTT", {{"PRODUTTORE", "Conti Pia"}, {"DIPENDENTE", "T"}});
    add("PRODUTT", {{"PRODUTTORE", "Agnelli Ivo"}, {"NUMERUI", "e123"}});
    Workspace& ws = workspace();
    // Ceased agreements leave the list, which keeps its key order after the empty entry.
    EXPECT_EQ((std::vector<std::string>{"", "Beta", "Zeta"}), ACOMPAGNIE(ws));
    // "Agenzia" once, in its sorted place; ceased producers left out.
    EXPECT_EQ((std::vector<std::string>{"", "Agenzia", "Agnelli Ivo", "Conti Pia", "zanon Eva"}), APRODUTT(ws));
    add("PRODUTT", {{"PRODUTTORE", "Agenzia"}});
    EXPECT_EQ((std::vector<std::string>{"", "Agenzia", "Agnelli Ivo", "Conti Pia", "zanon Eva"}), APRODUTT(ws));
    // Employees and RUI numbers beginning with "E" or "NO", ceased or not.
    EXPECT_EQ((std::vector<std::string>{"", "Agnelli Ivo", "Bassi Leo", "Conti Pia"}), AINTERMED(ws));

    // Without their lookup aliases the record lookups give their defaults.
    EXPECT_TRUE(ATTICOMP(ws, "Alfa"));
    EXPECT_TRUE(CHIUCOMP(ws, "Beta"));
    EXPECT_TRUE(ATTIPROD(ws, "Bassi Leo"));
    EXPECT_EQ("", RUIPROD(ws, "Bassi Leo"));
    ws.open("COMPAGN", "COMPAGN_").ordAdd("COMPAGN");
    ws.open("PRODUTT", "PRODUTT_").ordAdd("PRODUTT");
    ws.select("COMPAGN_");
    EXPECT_FALSE(ATTICOMP(ws, "alfa"));
    EXPECT_TRUE(ATTICOMP(ws, "Beta"));
    EXPECT_TRUE(ATTICOMP(ws, "Sconosciuta"));
    EXPECT_TRUE(CHIUCOMP(ws, "ZETA"));
    EXPECT_FALSE(CHIUCOMP(ws, "Beta"));
    EXPECT_FALSE(CHIUCOMP(ws, "Sconosciuta"));
    EXPECT_FALSE(ATTIPROD(ws, "BASSI LEO"));
    EXPECT_TRUE(ATTIPROD(ws, "Conti Pia"));
    EXPECT_EQ("No", RUIPROD(ws, "bassi leo"));
    EXPECT_EQ("", RUIPROD(ws, "Nessuno"));
    EXPECT_EQ("COMPAGN_", ws.current()->alias());

    // The terms the movements, statements and financing read, by name in any case.
    add("COMPAGN", {{"COMPAGNIA", "Gamma"}, {"EMAILCOPE", "coperture@gamma.it"}, {"GIORNO", "15"}, {"RIMNOPROV", "T"},
                    {"GIROCONTO", "T"}, {"FINFINO2", "5000"}, {"FINFISS2", "15"}, {"FINALIQ2", "3.5"}});
    registry::AgreementTerms g = registry::agreementTerms(ws, "gamma");
    EXPECT_TRUE(g.found);
    EXPECT_EQ("coperture@gamma.it", g.coverageEmail);
    EXPECT_EQ(15, g.remittanceDay);
    EXPECT_TRUE(g.remittancesWithoutCommissions);
    EXPECT_TRUE(g.transferReminder);
    EXPECT_FALSE(g.bankTransferReminder);
    EXPECT_EQ(Decimal(5000), g.bands[1].upTo);
    EXPECT_EQ(*Decimal::parse("3.5"), g.bands[1].rate);
    EXPECT_TRUE(registry::agreementTerms(ws, "Zeta").closesStatements);
    EXPECT_FALSE(registry::agreementTerms(ws, "Gam").found);
    EXPECT_EQ("COMPAGN_", ws.current()->alias());
}

TEST_F(Agreements, RateListReopensTheRowDialogOnADuplicate)
{
    add("RAMI", {{"RAMO", "INCENDIO"}});
    add("RAMI", {{"RAMO", "VITA"}});
    add("PROVVIG", {{"TIPO", "C"}, {"RAGSOC", "Alfa"}, {"RAMO", "INCENDIO"}, {"ALIQUOTA", "10"}});
    add("PROVVIG", {{"TIPO", "C"}, {"RAGSOC", "Beta"}, {"RAMO", "VITA"}, {"ALIQUOTA", "5"}});
    const RegisterDesc rates = registry::ratesRegister('C', "Alfa");
    openRegisterTables(rates, workspace());
    Table& t = workspace()["PROVVIG"];
    t.setScope(registry::ratesScope('C', "Alfa"), registry::ratesScope('C', "Alfa"));
    t.goTop();
    {
        RegisterList list(rates, workspace());
        EXPECT_EQ(1, list.model()->rowCount()); // only the agreement's own rows
        EXPECT_EQ("&Stampa", list.button(kBtnPrint)->text().toStdString());
        int shown = 0;
        list.runEdit = [&](EditDialog& d) {
            ++shown;
            auto* branch = static_cast<QComboBox*>(d.field(102));
            if (shown == 1) {
                branch->setCurrentText("INCENDIO");
                static_cast<QLineEdit*>(d.field(103))->setText("12");
                d.confirm();
                return d.result();
            }
            // Reopened with what was typed; another branch is taken.
            EXPECT_EQ("INCENDIO", d.values().get("RAMO"));
            EXPECT_EQ(Decimal(12), d.values().number("ALIQUOTA"));
            branch->setCurrentText("VITA");
            d.confirm();
            return d.result();
        };
        list.insert();
        EXPECT_EQ(2, shown);
        EXPECT_EQ((std::vector<std::string>{"Provvigione già presente."}), messages);
        EXPECT_EQ(2, list.model()->rowCount());
        EXPECT_EQ("VITA", t.text("RAMO"));
        EXPECT_EQ("Alfa", t.text("RAGSOC"));
    }
    t.clearScope();
    EXPECT_EQ(3u, t.lastRec());
    closeRegisterTables(rates, workspace());
}

TEST_F(Agreements, RegisterListsAndTheirButtons)
{
    for (const RegisterDesc* desc : {&registry::companiesRegister(), &registry::producersRegister()}) {
        const bool companies = desc->table == "COMPAGN";
        openRegisterTables(*desc, workspace());
        RegisterList list(*desc, workspace());
        EXPECT_EQ(companies ? "Compagnie e rapporti" : "Produttori e sub agenti", list.windowTitle().toStdString());
        EXPECT_EQ(KeyTyping::Search, desc->typing);
        std::vector<std::string> captions;
        for (int id : {201, 202, 203, 204, 209, 208, 210}) {
            ASSERT_NE(nullptr, list.button(id)) << id;
            captions.push_back(list.button(id)->text().toStdString());
            // An empty list: only closing, adding and listing all are possible.
            EXPECT_EQ(id == 201 || id == 202 || id == 210, list.button(id)->isEnabled()) << id;
        }
        EXPECT_EQ((std::vector<std::string>{"&Chiudi", "&Aggiungi", "&Modifica", "&Elimina", "&Provvig", "E&xcel",
                                            companies ? "&Tutte" : "&Tutti"}),
                  captions);
        list.close();
        closeRegisterTables(*desc, workspace());
    }
}
