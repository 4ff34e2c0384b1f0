#include "policies/policies.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

#include "policies/sheets.h"
#include "registry/registerfolder.h"
#include "store/workspace.h"

using namespace arv;
using namespace arv::store;
using namespace arv::records;
using namespace arv::policies;

namespace {

using Values = std::map<std::string, std::string>;

class Policies : public arv::test::RegisterFolderTest {
protected:
    void SetUp() override
    {
        RegisterFolderTest::SetUp();
        Table& t = workspace().open("POLIZZE");
        t.ordAdd("POLIZZE");
        t.ordAdd("NUMPOL");
        t.setOrder(1);
    }
    Table& policies() { return workspace()["POLIZZE"]; }

    // Appends a record to TABLE; dates "dd/mm/yyyy", "T"/"F" for logical fields.
    void add(const std::string& table, const Values& values)
    {
        OwnTable own(workspace(), table);
        Table& t = *own;
        t.append();
        for (const auto& [f, v] : values) {
            const FieldName n = FieldName::runtime(f);
            const auto& def = t.file().fields()[static_cast<size_t>(t.fieldIndex(n))];
            if (def.type == 'L') t.setLogical(n, v == "T");
            else if (def.type == 'N') t.setNumber(n, *Decimal::parse(v));
            else if (def.type == 'D') t.setDate(n, Date::fromDisplay(v));
            else if (def.type == 'C' && f == "CODICE") t.setRaw(n, sheetKey(v));
            else if (def.type == 'C' && (f == "POLIZZA" && table != "POLIZZE" && table != "MOVICOMP")) t.setRaw(n, sheetKey(v));
            else if (f == "CODPOL") t.setRaw(n, sheetKey(v));
            else t.setText(n, v);
        }
        t.commit();
        t.unlock();
    }
    size_t count(const std::string& table)
    {
        OwnTable own(workspace(), table);
        size_t n = 0;
        for (own->goTop(); !own->eof(); own->skip(1)) ++n;
        return n;
    }
    // The dialog's values for a new policy.
    EditValues typed(const std::string& number, const Values& more = {})
    {
        EditValues v = insertValues(workspace());
        v.set("ASSICURATO", "ROSSI MARIO");
        v.set("COMPAGNIA", "ALFA");
        v.set("RAPPORTO", "ALFA");
        v.set("POLIZZA", number);
        v.set("RAMO", "AUTO");
        v.set("FRAZIONAM", "ANNUALE");
        v.set("PAGAMENTO", "Bonifico");
        v.set("DOCUMENTO", "Completa");
        for (const auto& [f, x] : more) v.set(f, x);
        return v;
    }
    PolicySave insert(const std::string& number, const Values& more = {})
    {
        return savePolicy(workspace(), policies(), PolicyMode::Insert, 0, EditValues(policyFields()), typed(number, more));
    }
    // Positions the register's cursor on NUMBER.
    uint32_t at(const std::string& number)
    {
        Table& t = policies();
        t.setOrder("NUMPOL");
        std::string k = number;
        k.resize(25, ' ');
        const bool found = t.seek(k);
        const uint32_t r = found ? t.recno() : 0;
        t.setOrder("POLIZZE");
        if (r) t.goTo(r);
        return r;
    }
    PolicySave modify(const std::string& number, const Values& changes)
    {
        const uint32_t r = at(number);
        const EditValues before = modifyValues(policies());
        EditValues after = before;
        for (const auto& [f, x] : changes) after.set(f, x);
        return savePolicy(workspace(), policies(), PolicyMode::Modify, r, before, after);
    }
    std::string field(const std::string& number, FieldName f)
    {
        at(number);
        return policies().text(f);
    }
};

TEST_F(Policies, CodesNumbersAndDuplicates)
{
    PolicySave a = insert("P1");
    ASSERT_TRUE(a) << a.message;
    EXPECT_EQ(a.code, "         1");
    EXPECT_EQ(field("P1", "CODICE"), "         1");
    EXPECT_EQ(policies().date("DATAINS"), Date::today());
    EXPECT_EQ(insertValues(workspace()).get("CODICE"), "2"); // "Archivio" of the next one
    EXPECT_EQ(insert("P2").code, "         2");

    // The same number under another company is refused, and nothing is written.
    PolicySave dup = insert("P1", {{"COMPAGNIA", "BETA"}, {"RAPPORTO", "BETA"}});
    EXPECT_FALSE(dup);
    EXPECT_EQ(dup.message, kMsgPolicyPresent);
    EXPECT_EQ(count("POLIZZE"), 2u);

    // A twin left by an older program: modifying without changing the number is no duplicate;
    // changing it to a taken number is.
    add("POLIZZE", {{"CODICE", "3"}, {"POLIZZA", "P2"}, {"ASSICURATO", "VERDI"}});
    EXPECT_TRUE(modify("P1", {{"SPESE", "5,00"}}));
    EXPECT_EQ(policies().number("SPESE"), Decimal(5));
    EXPECT_EQ(modify("P1", {{"POLIZZA", "P2"}}).message, kMsgPolicyPresent);
    EXPECT_EQ(field("P1", "POLIZZA"), "P1");
    EXPECT_TRUE(modify("P1", {{"POLIZZA", "P9"}}));
    EXPECT_EQ(at("P1"), 0u);

    // An inactive company or agreement is refused before anything else.
    add("COMPAGN", {{"COMPAGNIA", "CHIUSA"}, {"NONATTIVO", "T"}});
    EXPECT_EQ(insert("P5", {{"COMPAGNIA", "CHIUSA"}}).message, kMsgCompanyInactive);
    EXPECT_EQ(insert("P5", {{"RAPPORTO", "CHIUSA"}}).message, kMsgAgreementInactive);
    // The notice question answered no returns to the dialog.
    PolicySave no = savePolicy(workspace(), policies(), PolicyMode::Insert, 0, EditValues(policyFields()), typed("P5"),
                               SaveHooks{[](const std::string& q) { return q != kMsgCheckNotice; }});
    EXPECT_FALSE(no);
    EXPECT_TRUE(no.message.empty());
    EXPECT_EQ(count("POLIZZE"), 3u);
}

TEST_F(Policies, FormsAndConnectedPoliciesAreCheckedBeforeAnythingIsWritten)
{
    ASSERT_TRUE(insert("C1"));
    add("TITOLI", {{"COMPAGNIA", "BETA"}, {"RAPPORTO", "ALFA"}, {"NUMERO", "T100"}});
    add("TITOLI", {{"COMPAGNIA", "ALFA"}, {"RAPPORTO", "GAMMA"}, {"NUMERO", "T200"}});
    add("TITOLI", {{"COMPAGNIA", "ALFA"}, {"RAPPORTO", "ALFA"}, {"NUMERO", "T300"}});

    // Mismatch: refused with the form's company, and neither the policy nor a connected
    // policy nor the form changed.
    PolicySave r = insert("T100", {{"COLLEGATA", "T"}, {"POLCOLL1", "C1"}});
    EXPECT_EQ(r.message, "La Compagnia nel Titolo è: BETA.");
    EXPECT_EQ(insert("T200").message, "Il Rapporto nel Titolo è: GAMMA.");
    EXPECT_EQ(count("POLIZZE"), 1u);
    EXPECT_EQ(field("C1", "POLCOLL1"), "");
    // A connected number that does not exist refuses the save even when the form matches.
    EXPECT_EQ(insert("T300", {{"POLCOLL1", "C1"}, {"POLCOLL2", "NESSUNA"}}).message,
              "Impossibile trovare la polizza NESSUNA.");
    EXPECT_EQ(field("C1", "POLCOLL1"), "");
    {
        OwnTable t(workspace(), "TITOLI");
        t->ordAdd("NUMTIT");
        ASSERT_TRUE(t->seek("T300           "));
        EXPECT_EQ(t->text("ASSICURATO"), "");
    }

    // Matching: the form takes the policy's data, the links are written both ways.
    ASSERT_TRUE(insert("C2"));
    ASSERT_TRUE(insert("T300", {{"POLCOLL1", "C1"}, {"POLCOLL2", "C2"}, {"EFFETTO", "01/02/26"}, {"SCADENZA", "01/02/27"}}));
    {
        OwnTable t(workspace(), "TITOLI");
        t->ordAdd("NUMTIT");
        ASSERT_TRUE(t->seek("T300           "));
        EXPECT_EQ(t->text("ASSICURATO"), "ROSSI MARIO");
        EXPECT_EQ(t->text("RAMO"), "AUTO");
        EXPECT_EQ(t->date("SCADENZA"), Date::fromYmd(2027, 2, 1));
    }
    EXPECT_EQ(field("C1", "POLCOLL1"), "T300");
    EXPECT_EQ(field("C1", "POLCOLL2"), "C2");
    EXPECT_EQ(field("C2", "POLCOLL1"), "T300");
    EXPECT_EQ(field("C2", "POLCOLL2"), "C1");
}

TEST_F(Policies, ReplacementDuplicationAndTheVerificationMark)
{
    const std::string kNew = "NUOVA-2026-0001"; // over 10 characters: VEICOLO takes it for a number
    ASSERT_TRUE(insert("OLD", {{"COMPAGNIA", "ALFA"}, {"INCASSO", "01/01/26"}, {"DISDCLI", "F"}}));
    add("DATIAUTO", {{"POLIZZA", "1"}, {"TARGA", "AB 123 CD"}, {"VEICOLO", "AUTOVETTURA"}, {"CLASSE", "4"}});
    at("OLD");
    std::optional<EditValues> v = replaceValues(workspace(), policies());
    ASSERT_TRUE(v);
    EXPECT_EQ(v->get("POLIZZA"), "");
    EXPECT_EQ(v->get("SOSTPOL"), "OLD");
    EXPECT_EQ(v->get("PROVENIEN"), "ALFA");
    EXPECT_EQ(v->get("DOCUMENTO"), "");
    EXPECT_EQ(v->get("RAMO"), "AUTO");
    v->set("POLIZZA", kNew);
    v->set("DOCUMENTO", "Completa");
    v->set("COLLEGATA", "T");
    const EditValues before = *v;
    PolicySave r = savePolicy(workspace(), policies(), PolicyMode::Replace, at("OLD"), before, *v);
    ASSERT_TRUE(r) << r.message;
    EXPECT_EQ(r.notices, std::vector<std::string>{kMsgModifyConnected});
    EXPECT_EQ(field("OLD", "SOSTDA"), kNew);
    EXPECT_TRUE(policies().logical("DISDETTA"));
    EXPECT_FALSE(ATTIVA(policies()));
    EXPECT_EQ(field(kNew, "SOSTPOL"), "OLD");
    EXPECT_EQ(policies().text("CODICE"), "         2");
    EXPECT_EQ(policies().date("DATAINS"), Date::today());
    EXPECT_FALSE(policies().date("INCASSO"));
    EXPECT_TRUE(ATTIVA(policies()));
    EXPECT_EQ(plateOf(workspace(), "2"), "AB 123 CD"); // the sheet was copied
    EXPECT_EQ(plateOf(workspace(), "1"), "AB 123 CD");
    EXPECT_EQ(VEICOLO(workspace(), kNew), "AUTOVETTURA"); // by number
    EXPECT_EQ(CLASSE(workspace(), "2"), "4");
    // A replaced policy cannot be replaced again.
    at("OLD");
    EXPECT_FALSE(replaceValues(workspace(), policies()));

    // Duplicating copies the data and the sheet, not the number nor the notes.
    at(kNew);
    EditValues d = duplicateValues(workspace(), policies());
    EXPECT_EQ(d.get("ASSICURATO"), "ROSSI MARIO");
    EXPECT_EQ(d.get("POLIZZA"), "");
    EXPECT_EQ(d.get("SOSTPOL"), "");
    EXPECT_EQ(d.get("COLLEGATA"), "F");
    d.set("POLIZZA", "DUP");
    d.set("DOCUMENTO", "Completa");
    ASSERT_TRUE(savePolicy(workspace(), policies(), PolicyMode::Duplicate, at(kNew), d, d));
    EXPECT_EQ(field("DUP", "CODICE"), "         3");
    EXPECT_EQ(plateOf(workspace(), "3"), "AB 123 CD");

    // "Incasso autom.": a new policy and a changed premium set the mark; commissions do not.
    ASSERT_TRUE(insert("AUT", {{"GENEINC", "T"}, {"IMPORTO", "100,00"}}));
    EXPECT_TRUE(policies().logical("VERIFICA"));
    ASSERT_TRUE(toggleVerifica(policies(), at("AUT")));
    EXPECT_FALSE(policies().logical("VERIFICA"));
    ASSERT_TRUE(modify("AUT", {{"PROVVAGEN", "12,00"}}));
    EXPECT_FALSE(policies().logical("VERIFICA"));
    ASSERT_TRUE(modify("AUT", {{"IMPORTO", "120,00"}}));
    EXPECT_TRUE(policies().logical("VERIFICA"));
    EXPECT_TRUE(modify("DUP", {{"IMPORTO", "120,00"}})); // without "Incasso autom."
    EXPECT_FALSE(policies().logical("VERIFICA"));
}

TEST_F(Policies, DeletionTakesSheetsAndClaimsButKeepsMovements)
{
    ASSERT_TRUE(insert("A1", {{"COLLEGATA", "T"}}));
    ASSERT_TRUE(insert("A2"));
    add("DATIAUTO", {{"POLIZZA", "1"}, {"TARGA", "X1"}});
    add("RAMIELEM", {{"POLIZZA", "1"}});
    add("DATIAUTO", {{"POLIZZA", "2"}, {"TARGA", "X2"}});
    add("SINISTRI", {{"CODPOL", "1"}, {"NUMERO", "S1"}, {"DATA", "01/01/26"}});
    add("SINISTRI", {{"CODPOL", "1"}, {"NUMERO", "S2"}, {"DATA", "02/01/26"}});
    add("SINISTRI", {{"CODPOL", "2"}, {"NUMERO", "S3"}, {"DATA", "03/01/26"}});
    add("MOVICOMP", {{"POLIZZA", "A1"}, {"DESCRIZIO", "Incasso"}});

    at("A1");
    std::vector<std::string> told;
    // Cancelled at the question: nothing goes.
    EXPECT_FALSE(deletePolicy(workspace(), policies(), {[&](const std::string& m) { told.push_back(m); },
                                                        [](const std::string&) { return false; }}));
    EXPECT_EQ(told, std::vector<std::string>{kMsgDeletingConnected});
    EXPECT_EQ(count("SINISTRI"), 3u);

    at("A1");
    ASSERT_TRUE(deletePolicy(workspace(), policies()));
    EXPECT_EQ(at("A1"), 0u);
    EXPECT_EQ(count("POLIZZE"), 1u);
    EXPECT_EQ(count("DATIAUTO"), 1u);
    EXPECT_EQ(count("RAMIELEM"), 0u);
    EXPECT_EQ(count("SINISTRI"), 1u);
    EXPECT_EQ(count("MOVICOMP"), 1u);
    EXPECT_EQ(plateOf(workspace(), "2"), "X2");

    // The "V" click on a record another workstation deleted meanwhile leaves it deleted.
    const uint32_t r = at("A2");
    {
        OwnTable other(workspace(), "POLIZZE");
        other->goTo(r);
        other->del(true);
    }
    EXPECT_FALSE(toggleVerifica(policies(), r));
    policies().goTo(r);
    EXPECT_TRUE(policies().deleted());
    EXPECT_FALSE(policies().logical("VERIFICA"));
}

TEST_F(Policies, StatesFiguresArrearsAndCollections)
{
    ASSERT_TRUE(insert("M", {{"FRAZIONAM", "MENSILE"}, {"IMPORTO", "10,50"}, {"COPERTURA", "13/02/26"}}));
    EXPECT_EQ(annualPremium(policies()), *Decimal::parse("126.00"));
    EXPECT_EQ(annualFigure(Decimal(100), "SEMESTRALE"), Decimal(200));
    EXPECT_EQ(annualFigure(Decimal(100), "PREMIO UNICO"), Decimal(100));
    EXPECT_EQ(annualFigure(Decimal(100), ""), Decimal(100));

    // Grace period: 15 days after the coverage date.
    const Date march1 = Date::fromYmd(2026, 3, 1);
    at("M");
    EXPECT_TRUE(isInArrears(policies(), march1));
    ASSERT_TRUE(modify("M", {{"COPERTURA", "14/02/26"}}));
    EXPECT_FALSE(isInArrears(policies(), march1));
    ASSERT_TRUE(modify("M", {{"COPERTURA", "13/02/26"}, {"PAGAMENTO", "Sospeso"}}));
    EXPECT_FALSE(isInArrears(policies(), march1));
    ASSERT_TRUE(modify("M", {{"PAGAMENTO", "Bonifico"}, {"DISDETTA", "T"}}));
    EXPECT_FALSE(isInArrears(policies(), march1));
    EXPECT_FALSE(ATTIVA(policies()));

    // Collected: a collection whose due date is the coverage date moved back one instalment.
    ASSERT_TRUE(insert("Q", {{"FRAZIONAM", "TRIMESTRALE"}, {"COPERTURA", "31/03/26"}}));
    const Date jan = Date::fromYmd(2026, 1, 15);
    at("Q");
    EXPECT_FALSE(INCASSATA(workspace(), policies(), jan));
    add("MOVICOMP", {{"POLIZZA", "Q"}, {"DESCRIZIO", "Rimessa"}, {"SCADENZA", "31/12/25"}});
    EXPECT_FALSE(INCASSATA(workspace(), policies(), jan));
    EXPECT_TRUE(PERFEZIONATA(workspace(), "Q"));
    add("MOVICOMP", {{"POLIZZA", "Q"}, {"DESCRIZIO", "Incasso diretto"}, {"SCADENZA", "31/12/25"}});
    at("Q");
    EXPECT_TRUE(INCASSATA(workspace(), policies(), jan));
    EXPECT_FALSE(INCASSATA(workspace(), policies(), Date::fromYmd(2026, 4, 1))); // past the coverage
    EXPECT_TRUE(PERFEZIONATA(workspace(), "M"));                                  // cancelled
    EXPECT_FALSE(PERFEZIONATA(workspace(), "NONE"));

    // Client lookups and MONORAMO.
    add("CLIENTI", {{"CLIENTE", "Rossi Mario"}, {"SUBAGENTE", "BIANCHI"}, {"GRUPPO", "G1"}, {"E_MAIL", "r@x.it"}});
    EXPECT_EQ(PRODUTTORE(workspace(), "ROSSI MARIO"), "BIANCHI");
    EXPECT_EQ(GRUPPO(workspace(), "rossi mario"), "G1");
    EXPECT_EQ(noticeTooltip(workspace(), "ROSSI MARIO"), "Email");
    EXPECT_EQ(noticeTooltip(workspace(), "NESSUNO"), "Posta");
    at("Q");
    EXPECT_TRUE(MONORAMO(workspace(), policies(), "ROSSI MARIO", "AUTO"));
    ASSERT_TRUE(insert("V", {{"RAMO", "VITA"}}));
    at("Q");
    EXPECT_FALSE(MONORAMO(workspace(), policies(), "ROSSI MARIO", "AUTO"));
}

TEST_F(Policies, DialogRules)
{
    add("CLIENTI", {{"CLIENTE", "ROSSI MARIO"}, {"SUBAGENTE", "BIANCHI"}, {"SUBAGENTE2", "NERI"}, {"ALIASTEL", "al"}});
    add("COMPAGN", {{"COMPAGNIA", "ALFA"}, {"TACITORIN", "T"}});
    EditValues v = insertValues(workspace());
    EXPECT_EQ(v.get("ORAEFF"), "00:00");
    // The user sets FIELD of the dialog opened in MODE.
    auto change = [&](int id, const char* field, const char* value, PolicyMode mode = PolicyMode::Insert) {
        v.set(field, value);
        fieldChanged(workspace(), id, v, mode);
    };
    change(kFInsured, "ASSICURATO", "Rossi Mario");
    EXPECT_EQ(v.get("PRODUTTORE"), "BIANCHI");
    EXPECT_EQ(v.get("PRODUTTOR2"), "NERI");
    EXPECT_EQ(v.get("ALIASTEL"), "al");
    change(kFCompany, "COMPAGNIA", "ALFA");
    EXPECT_EQ(v.get("TACITORIN"), "T");
    change(kFBranch, "RAMO", "auto rca");
    EXPECT_EQ(v.get("INTESTPRA"), "Rossi Mario");
    change(kFEffect, "EFFETTO", "01/03/26", PolicyMode::Replace);
    EXPECT_NE(v.get("COPERTURA"), "01/03/26");
    change(kFEffect, "EFFETTO", "01/03/26");
    EXPECT_EQ(v.get("COPERTURA"), "01/03/26");
    change(kFPhone, "TELEFONICA", "T");
    EXPECT_EQ(v.get("FATTURA"), "T");
    change(kFClientCancelled, "DISDCLI", "T");
    EXPECT_EQ(v.get("DISDETTA"), "T");
    change(kFCancelled, "DISDETTA", "F");
    EXPECT_EQ(v.get("DISDCLI"), "F");
    v.set("IMPORTO", "100,00");
    change(kFExpenses, "SPESE", "2,50");
    EXPECT_EQ(v.get("TOTALE"), "102,50");

    // With "Telefonica" the fee, the alias and the mailbox are required.
    auto failing = [&](const EditValues& x) {
        auto f = recheckValues(policyFields(), x);
        return f ? policyFields()[f->index].field : std::string();
    };
    v.set("POLIZZA", "X");
    v.set("FRAZIONAM", "ANNUALE");
    v.set("PAGAMENTO", "RID");
    v.set("DOCUMENTO", "Completa");
    v.set("RAPPORTO", "ALFA");
    EXPECT_EQ(failing(v), "COMMISS");
    v.set("COMMISS", "10,00");
    EXPECT_EQ(failing(v), "CASELLATEL");
    v.set("CASELLATEL", "casella@x.it");
    EXPECT_EQ(failing(v), "");
    v.set("ORAEFF", "25:00");
    EXPECT_EQ(failing(v), "ORAEFF");
    v.set("ORAEFF", "  :  ");
    EXPECT_EQ(failing(v), "");

    EXPECT_EQ(dialogTitle(PolicyMode::Duplicate, nullptr), "Aggiungi");
    EXPECT_EQ(dialogTitle(PolicyMode::Modify, nullptr), "Modifica - Data inserimento: n/d");
}

TEST_F(Policies, SearchConditions)
{
    setSearchToday(Date::fromYmd(2026, 3, 1));
    ASSERT_TRUE(insert("S1", {{"SCADENZA", "20/12/26"}, {"VERIFICA", "T"}, {"COPERTURA", "13/02/26"}}));
    ASSERT_TRUE(insert("S2", {{"SCADENZA", "10/01/27"}, {"COPERTURA", "14/02/26"}}));
    ASSERT_TRUE(insert("S3", {{"SCADENZA", "15/06/26"}, {"DISDETTA", "T"}}));
    // The mark is not a dialog field: set it as the column click would.
    ASSERT_TRUE(toggleVerifica(policies(), at("S1")));
    auto matching = [&](std::vector<std::string> typed) {
        RecordPredicate p = buildCondition(policySearch(), typed);
        std::set<std::string> out;
        OwnTable t(workspace(), "POLIZZE");
        for (t->goTop(); !t->eof(); t->skip(1))
            if (!p || p(*t)) out.insert(t->text("POLIZZA"));
        return out;
    };
    std::vector<std::string> s = blankSearch();
    EXPECT_EQ(matching(s), (std::set<std::string>{"S1", "S2"})); // "Solo attive" ticked
    s[kSActive] = "F";
    EXPECT_FALSE(buildCondition(policySearch(), s)); // nothing else: the filter stays
    s[kSVerified] = "T";
    EXPECT_EQ(matching(s), std::set<std::string>{"S1"});
    s[kSVerified] = "F";
    EXPECT_EQ(matching(s), (std::set<std::string>{"S2", "S3"}));
    s[kSVerified] = "";
    s[kSNumber] = "s";
    EXPECT_EQ(matching(s), (std::set<std::string>{"S1", "S2", "S3"}));

    // Anniversaries: 15/12 to 15/01 goes round the year end.
    s = blankSearch();
    s[kSActive] = "F";
    s[kSAnniversaryFrom] = "15/12/26";
    s[kSAnniversaryTo] = "15/01/27";
    EXPECT_EQ(matching(s), (std::set<std::string>{"S1", "S2"}));
    s[kSAnniversaryFrom] = "01/06/26";
    s[kSAnniversaryTo] = "30/06/26";
    EXPECT_EQ(matching(s), std::set<std::string>{"S3"});
    s[kSAnniversaryTo] = "";
    EXPECT_EQ(matching(s), (std::set<std::string>{"S1", "S3"}));

    // Arrears on 1 March: covered to 13 February yes, to 14 February no.
    s = blankSearch();
    s[kSArrears] = "T";
    EXPECT_EQ(matching(s), std::set<std::string>{"S1"});
    setSearchToday(Date());

    EXPECT_TRUE(SUCCESSIVO(Date::fromYmd(2020, 3, 5), Date::fromYmd(2030, 3, 5)));
    EXPECT_FALSE(SUCCESSIVO(Date::fromYmd(2030, 3, 4), Date::fromYmd(2020, 3, 5)));
}

TEST_F(Policies, SearchThroughClientsSheetsAndMovements)
{
    setSearchToday(Date::fromYmd(2026, 1, 15));
    add("CLIENTI", {{"CLIENTE", "ROSSI MARIO"}, {"GRUPPO", "Nord"}, {"MARKETNG", "M1"}, {"E_MAIL", "r@x.it"}});
    add("CLIENTI", {{"CLIENTE", "VERDI ANNA"}, {"GRUPPO", "SUD"}});
    ASSERT_TRUE(insert("R1", {{"FRAZIONAM", "TRIMESTRALE"}, {"COPERTURA", "31/03/26"}}));
    ASSERT_TRUE(insert("R2", {{"RAMO", "INCENDIO"}, {"FRAZIONAM", "TRIMESTRALE"}, {"COPERTURA", "31/03/26"}}));
    ASSERT_TRUE(insert("V1", {{"ASSICURATO", "VERDI ANNA"}, {"COPERTURA", "31/12/26"}}));
    ASSERT_TRUE(insert("B1", {{"ASSICURATO", "BIANCHI LUCA"}, {"RAMO", "VITA"}}));
    add("DATIAUTO", {{"POLIZZA", "1"}, {"TARGA", "ab 123 cd"}, {"VEICOLO", "AUTOVETTURA"}, {"CLASSE", "04"}});
    add("DATIAUTO", {{"POLIZZA", "3"}, {"TARGA", "ZZ999ZZ"}, {"VEICOLO", "MOTOCICLO"}, {"CLASSE", "14"}});
    add("MOVICOMP", {{"POLIZZA", "R1"}, {"DESCRIZIO", "Incasso"}, {"SCADENZA", "31/12/25"}});
    add("MOVICOMP", {{"POLIZZA", "R2"}, {"DESCRIZIO", "Incasso"}, {"SCADENZA", "30/09/25"}});
    auto matching = [&](size_t criterion, const std::string& value) {
        std::vector<std::string> s = blankSearch();
        s[kSActive] = "F";
        s[criterion] = value;
        RecordPredicate p = buildCondition(policySearch(), s);
        std::set<std::string> out;
        OwnTable t(workspace(), "POLIZZE");
        for (t->goTop(); !t->eof(); t->skip(1))
            if (p(*t)) out.insert(t->text("POLIZZA"));
        return out;
    };
    using Set = std::set<std::string>;
    EXPECT_EQ(matching(kSGroup, "nord"), (Set{"R1", "R2"}));
    EXPECT_EQ(matching(kSMarketing, "M1"), (Set{"R1", "R2"}));
    EXPECT_EQ(matching(kSEmail, "T"), (Set{"R1", "R2"}));
    EXPECT_EQ(matching(kSEmail, "F"), (Set{"V1", "B1"})); // no address, or no client at all
    EXPECT_EQ(matching(kSPlate, "AB123 CD"), Set{"R1"});
    EXPECT_EQ(matching(kSVehicle, "motociclo"), Set{"V1"});
    EXPECT_EQ(matching(kSClass, "4"), Set{"R1"});
    EXPECT_EQ(matching(kSClass, "0"), (Set{"R2", "B1"})); // no sheet: class 0
    // R1 holds the collection of the instalment before its coverage date, R2 an older one;
    // V1 has none; B1, without a coverage date, is past it.
    EXPECT_EQ(matching(kSToCollect, "T"), (Set{"R2", "V1", "B1"}));
    // Clients with one branch: Rossi has two, Verdi and Bianchi one each.
    EXPECT_EQ(matching(kSMonoBranch, "T"), (Set{"V1", "B1"}));
    ASSERT_TRUE(modify("B1", {{"DISDETTA", "T"}}));
    EXPECT_EQ(matching(kSMonoBranch, "T"), Set{"V1"});
    // A branch is ignored while the single-branch criterion is ticked.
    std::vector<std::string> s = blankSearch();
    s[kSBranch] = "INC";
    s[kSMonoBranch] = "T";
    OwnTable t(workspace(), "POLIZZE");
    RecordPredicate p = buildCondition(policySearch(), s);
    size_t n = 0;
    for (t->goTop(); !t->eof(); t->skip(1)) n += p(*t);
    EXPECT_EQ(n, 1u);
    setSearchToday(Date());
}

// Two processes insert policies at once: every code is given once.
TEST_F(Policies, ConcurrentInsertsGetDistinctCodes)
{
    const std::string folder = dir.path();
    workspace().closeAll();
    constexpr int kChildren = 2, kEach = 40;
    std::vector<pid_t> pids;
    for (int c = 0; c < kChildren; ++c) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int failures = 0;
            try {
                Workspace ws(folder);
                Table& t = ws.open("POLIZZE");
                t.ordAdd("POLIZZE");
                for (int i = 0; i < kEach; ++i) {
                    EditValues v = insertValues(ws);
                    v.set("ASSICURATO", "X");
                    v.set("COMPAGNIA", "ALFA");
                    v.set("RAPPORTO", "ALFA");
                    v.set("POLIZZA", "C" + std::to_string(c) + "-" + std::to_string(i));
                    if (!savePolicy(ws, t, PolicyMode::Insert, 0, EditValues(policyFields()), v)) ++failures;
                }
            } catch (...) {
                ::_exit(99);
            }
            ::_exit(failures);
        }
        pids.push_back(pid);
    }
    for (pid_t pid : pids) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    Workspace ws(folder);
    Table& t = ws.open("POLIZZE");
    std::set<std::string> codes;
    size_t n = 0;
    for (t.goTop(); !t.eof(); t.skip(1), ++n) codes.insert(t.raw("CODICE"));
    EXPECT_EQ(n, size_t(kChildren * kEach));
    EXPECT_EQ(codes.size(), n);
    EXPECT_TRUE(codes.count("        80"));
}

} // namespace
