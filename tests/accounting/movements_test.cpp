// The company movements without their windows: commissions, the save and delete sequences and
// what they do to the policy, generation, registration, closing and return of movements.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

#include "accounting/movements.h"
#include "accounting/remittances.h"
#include "common/pagemodel.h"
#include "common/printjob.h"
#include "policies/sheets.h"
#include "registry/registerfolder.h"
#include "records/criteria.h"
#include "records/register.h"
#include "support/pages.h"

using namespace arv;
using namespace arv::store;
using namespace arv::records;
using namespace arv::accounting;

namespace {

Date d(int y, int m, int day) { return Date::fromYmd(y, m, day); }
Decimal dec(const char* s) { return *Decimal::parse(s); }

struct Policy {
    std::string number = "P1";
    std::string code = "1";
    std::string branch = "INCENDIO";
    std::string fraction = "SEMESTRALE";
    Date coverage = d(2024, 1, 10), expiry = d(2024, 7, 10);
    std::string agreement = "ALFA";
    std::string producer = "ROSSI", producer2 = {};
    Decimal amount = dec("100.00"), agency = dec("12.00"), producerCommission = dec("4.00");
    std::string replacedBy = {};
    bool cancelled = false, generate = false, verify = false;
    std::string conventionCode = {};
};

class Movements : public test::RegisterFolderTest {
protected:
    Workspace& ws() { return workspace(); }

    void add(const std::string& table, const std::function<void(Table&)>& fill) { addRecord(table, fill); }
    void addPolicy(const Policy& p)
    {
        add("POLIZZE", [&](Table& t) {
            t.setText("CODICE", policies::sheetKey(p.code));
            t.setText("POLIZZA", p.number);
            t.setText("RAMO", p.branch);
            t.setText("FRAZIONAM", p.fraction);
            t.setText("COMPAGNIA", p.agreement);
            t.setText("RAPPORTO", p.agreement);
            t.setText("ASSICURATO", "BIANCHI GIULIA");
            t.setText("PRODUTTORE", p.producer);
            t.setText("PRODUTTOR2", p.producer2);
            t.setDate("COPERTURA", p.coverage);
            t.setDate("SCADENZA", p.expiry);
            t.setNumber("IMPORTO", p.amount);
            t.setNumber("PROVVAGEN", p.agency);
            t.setNumber("PROVVPROD", p.producerCommission);
            t.setText("SOSTDA", p.replacedBy);
            t.setLogical("DISDETTA", p.cancelled);
            t.setLogical("GENEINC", p.generate);
            t.setLogical("VERIFICA", p.verify);
            t.setText("CODCONV", p.conventionCode);
        });
    }
    void addRate(char type, const std::string& holder, const std::string& agreement, const std::string& key,
                 const char* rate)
    {
        add("PROVVIG", [&](Table& t) {
            t.setText("TIPO", std::string(1, type));
            t.setText("RAGSOC", holder);
            t.setText("RAPPORTO", agreement);
            t.setText("RAMO", key);
            t.setNumber("ALIQUOTA", dec(rate));
        });
    }
    // A movement written straight into the table.
    void addMovement(Date date, const std::string& policy, const std::string& description, Date collected = {},
                     const std::string& agreement = "ALFA", bool second = false)
    {
        add("MOVICOMP", [&](Table& t) {
            const std::string code = std::to_string(t.recno());
            t.setText("CODICE", std::string(10 - code.size(), ' ') + code);
            t.setDate("DATA", date);
            t.setText("POLIZZA", policy);
            t.setText("RAPPORTO", agreement);
            t.setText("DESCRIZIO", description);
            t.setDate("INCASSO", collected);
            t.setNumber("IMPORTO", Decimal(50));
            t.setNumber("PROVVAGEN", Decimal(5));
            t.setLogical("PRODUTTOR2", second);
        });
    }
    Table& movements()
    {
        if (!ws().isOpen("MOVICOMP")) {
            Table& t = ws().open("MOVICOMP");
            for (TagName tag : {TagName("MOVIDATA"), TagName("MOVIPOLI"), TagName("MOVIPERI")}) t.ordAdd(tag);
        }
        return ws()["MOVICOMP"];
    }
    // The policy as stored now.
    template <typename T>
    T policyField(const std::string& number, const std::function<T(const Table&)>& get)
    {
        OwnTable own(ws(), "POLIZZE", true);
        own->ordAdd("NUMPOL");
        std::string key = number;
        key.resize(25, ' ');
        EXPECT_TRUE(own->seek(key)) << number;
        return get(*own);
    }
    Date coverage(const std::string& n = "P1")
    {
        return policyField<Date>(n, [](const Table& t) { return t.date("COPERTURA"); });
    }
    Date expiry(const std::string& n = "P1")
    {
        return policyField<Date>(n, [](const Table& t) { return t.date("SCADENZA"); });
    }
    Date collected(const std::string& n = "P1")
    {
        return policyField<Date>(n, [](const Table& t) { return t.date("INCASSO"); });
    }
    void setInteressenze(const char* amount)
    {
        std::ofstream(dir.path() + "/ARV.INI") << "[Vazoruza]\nInteressenze=" << amount << "\n";
    }
    // A new collection on POLICY as the dialog would confirm it.
    EditValues collection(const std::string& policy, Date date)
    {
        EditValues v = newMovementValues();
        v.set("DATA", date.toDisplay());
        v.set("INCASSO", date.toDisplay());
        v.set("POLIZZA", policy);
        v.set("DESCRIZIO", "Incasso");
        loadFromPolicy(ws(), v);
        v.set("CONTO", "Cassa entrate");
        return v;
    }
    Interaction answering(bool yes)
    {
        Interaction io;
        io.ask = [this, yes](const std::string& q) {
            asked.push_back(q);
            return yes;
        };
        io.tell = [this](const std::string& m) { told.push_back(m); };
        return io;
    }
    std::vector<std::string> asked, told;
};

std::string allPages(const PrintDocument& doc) { return test::pagesText(doc); }

} // namespace

TEST_F(Movements, CommissionsFromTheRateTable)
{
    addRate('C', "ALFA", "", "Auto-R.C.", "10.00");
    addRate('C', "ALFA", "", "Auto-Inc./Furto", "20.00");
    addRate('C', "ALFA", "", "Autocarri-R.C.", "5.00");
    addRate('C', "ALFA", "", "Autocarri-Inc./Furto", "7.00");
    addRate('C', "ALFA", "", "INCENDIO", "15.00");
    addRate('P', "ROSSI", "ALFA", "Auto-R.C.", "3.00");
    CommissionInput in;
    in.holder = in.agreement = "ALFA";
    in.stored = dec("9.99");
    const Decimal interest = dec("2.00");

    // Nothing typed: the policy's commission; fees alone: it plus the fees less the interessenza.
    in.branch = "AUTOCARRI";
    EXPECT_EQ(dec("9.99"), computeCommission(ws(), in, interest));
    in.fees = dec("10.00");
    EXPECT_EQ(dec("17.99"), computeCommission(ws(), in, interest));

    // A lorry takes the lorry keys although its branch also begins with "AUTO".
    in.fees = Decimal();
    in.net = dec("200.00");
    in.fireTheft = dec("100.00");
    EXPECT_EQ(dec("17.00"), computeCommission(ws(), in, interest));
    in.branch = "auto rca";
    EXPECT_EQ(dec("40.00"), computeCommission(ws(), in, interest));
    in.fees = dec("10.00");
    EXPECT_EQ(dec("48.00"), computeCommission(ws(), in, interest));
    // Another branch: its own rate on the net premium only, not rounded.
    in.fees = Decimal();
    in.branch = "INCENDIO";
    in.net = dec("33.33");
    EXPECT_EQ(dec("4.9995"), computeCommission(ws(), in, interest));
    in.branch = "VITA"; // no rate
    EXPECT_EQ(Decimal(), computeCommission(ws(), in, interest));

    // The producer's rate needs the agreement too.
    CommissionInput p;
    p.type = 'P';
    p.holder = "ROSSI";
    p.agreement = "ALFA";
    p.branch = "AUTO";
    p.net = dec("200.00");
    EXPECT_EQ(dec("6.00"), computeCommission(ws(), p, interest));
    p.agreement.clear();
    EXPECT_EQ(Decimal(), computeCommission(ws(), p, interest));
}

TEST_F(Movements, DialogRecomputesCommissionsAndChecksFees)
{
    setInteressenze("2.50");
    addPolicy(Policy{.branch = "AUTO"});
    addRate('C', "ALFA", "", "Auto-R.C.", "10.00");
    EditValues v = collection("P1", d(2024, 1, 9));
    EXPECT_EQ("AUTO", v.get("RAMO"));
    EXPECT_EQ(d(2024, 1, 10), v.date("SCADENZA"));
    EXPECT_EQ(dec("100.00"), v.number("IMPORTO"));
    EXPECT_EQ(dec("12.00"), v.number("PROVVAGEN"));

    // Fees only: the agency's commission grows by the fees less the interessenza; the producer's
    // stays the policy's.
    v.set("DIRITTI", "5,00");
    recomputeCommissions(ws(), v);
    EXPECT_EQ(dec("14.50"), v.number("PROVVAGEN"));
    EXPECT_EQ(dec("4.00"), v.number("PROVVPROD"));

    // Fees below the interessenza (and not zero) are refused; zero is accepted.
    const std::vector<EditField>& fields = movementFields();
    auto failure = recheckValues(fields, v);
    ASSERT_FALSE(failure);
    v.set("DIRITTI", "2,00");
    failure = recheckValues(fields, v);
    ASSERT_TRUE(failure);
    EXPECT_EQ("DIRITTI", fields[failure->index].field);
    v.set("DIRITTI", "");
    EXPECT_FALSE(recheckValues(fields, v));
    // A type other than "Quietanza" asks for the new coverage and expiry.
    v.set("TIPO", "Rinnovo");
    failure = recheckValues(fields, v);
    ASSERT_TRUE(failure);
    EXPECT_EQ(kNewCoverage, fields[failure->index].field);
}

TEST_F(Movements, RoadOfOneCollection)
{
    addPolicy(Policy{.expiry = d(2025, 1, 10)});
    Table& t = movements();
    Interaction io = answering(true);

    MovementSave s = saveMovement(ws(), t, collection("P1", d(2024, 1, 12)), io);
    ASSERT_TRUE(s) << s.message;
    EXPECT_FALSE(s.second);
    EXPECT_EQ(d(2024, 7, 10), coverage());
    EXPECT_EQ(d(2025, 1, 10), expiry()); // not reached yet
    EXPECT_EQ(d(2024, 1, 12), collected());

    // The next one reaches the expiry: the expiry goes on by 12 months.
    ASSERT_TRUE(saveMovement(ws(), t, collection("P1", d(2024, 7, 8)), io));
    EXPECT_EQ(d(2025, 1, 10), coverage());
    EXPECT_EQ(d(2026, 1, 10), expiry());

    // Both readable by date and by policy, with their codes and due dates.
    ASSERT_TRUE(t.setOrder("MOVIDATA"));
    ASSERT_TRUE(t.seek(d(2024, 7, 8).dtos()));
    EXPECT_EQ(d(2024, 7, 10), t.date("SCADENZA"));
    EXPECT_EQ("2", t.text("CODICE").substr(t.text("CODICE").find_first_not_of(' ')));
    ASSERT_TRUE(t.setOrder("MOVIPOLI"));
    std::string key = "P1";
    key.resize(25, ' ');
    int found = 0;
    for (t.seek(key); !t.eof() && t.raw("POLIZZA") == key; t.skip(1)) ++found;
    EXPECT_EQ(2, found);
    EXPECT_TRUE(asked.empty()); // an account was given, and the branch is not a motor one
}

TEST_F(Movements, SaveQuestionsAndRefusals)
{
    addPolicy(Policy{.number = "P1", .branch = "AUTO"});
    addPolicy(Policy{.number = "P2", .code = "2", .replacedBy = "P9"});
    addPolicy(Policy{.number = "P3", .code = "3", .expiry = d(2024, 1, 10), .cancelled = true});
    Table& t = movements();

    // Empty account, motor branch and a coverage not one instalment on: each answered No refuses.
    EditValues v = collection("P1", d(2024, 1, 5));
    v.set("CONTO", "");
    v.set("VARIAZBM", "14");
    v.set(kNewCoverage, d(2024, 3, 1).toDisplay());
    MovementSave s = saveMovement(ws(), t, v, answering(false));
    EXPECT_FALSE(s);
    EXPECT_EQ(std::vector<std::string>{kMsgEmptyAccount}, asked);
    asked.clear();
    Interaction someYes = answering(true);
    someYes.ask = [this](const std::string& q) {
        asked.push_back(q);
        return q != kMsgCoverageMismatch;
    };
    EXPECT_FALSE(saveMovement(ws(), t, v, someYes));
    EXPECT_EQ((std::vector<std::string>{kMsgEmptyAccount, kMsgCheckClass, kMsgCoverageMismatch}), asked);
    EXPECT_EQ(0u, t.lastRec());

    // Replaced and cancelled policies are refused with their messages.
    s = saveMovement(ws(), t, collection("P2", d(2024, 1, 5)), answering(true));
    EXPECT_EQ(MovementSave::Refused, s.kind);
    EXPECT_EQ(kMsgReplaced, s.message);
    s = saveMovement(ws(), t, collection("P3", d(2024, 1, 5)), answering(true));
    EXPECT_EQ(kMsgCancelled, s.message);
    EXPECT_EQ(0u, t.lastRec());

    // Accepted with a typed coverage and expiry, and the class written to the motor sheet.
    add("DATIAUTO", [](Table& a) {
        a.setText("POLIZZA", policies::sheetKey("1"));
        a.setText("CLASSE", "9");
    });
    v.set(kNewExpiry, d(2025, 3, 1).toDisplay());
    ASSERT_TRUE(saveMovement(ws(), t, v, answering(true)));
    EXPECT_EQ(d(2024, 3, 1), coverage());
    EXPECT_EQ(d(2025, 3, 1), expiry());
    OwnTable sheet(ws(), "DATIAUTO", true);
    sheet->goTop();
    EXPECT_EQ("14", sheet->text("CLASSE"));
    EXPECT_EQ("14", t.text("VARIAZBM"));
}

TEST_F(Movements, SingleAndModifiedCollections)
{
    // A single premium has no next instalment: the coverage stays as it was.
    addPolicy(Policy{.fraction = "PREMIO UNICO", .coverage = d(2024, 1, 10), .expiry = d(2025, 1, 10)});
    Table& t = movements();
    ASSERT_TRUE(saveMovement(ws(), t, collection("P1", d(2024, 1, 10)), answering(true)));
    EXPECT_EQ(d(2024, 1, 10), coverage());
    EXPECT_EQ(d(2025, 1, 10), expiry());

    // Modifying the last collection updates the amounts, never the dates again.
    EditValues v = recordValues(movementFields(), t);
    ASSERT_FALSE(isNewMovement(v));
    v.set("IMPORTO", "120,00");
    v.set("INCASSO", d(2024, 1, 11).toDisplay());
    ASSERT_TRUE(saveMovement(ws(), t, v, answering(true)));
    EXPECT_EQ(1u, t.lastRec());
    EXPECT_EQ(dec("120.00"), policyField<Decimal>("P1", [](const Table& p) { return p.number("IMPORTO"); }));
    EXPECT_EQ(d(2024, 1, 10), coverage());
    EXPECT_EQ(d(2024, 1, 11), collected());
}

TEST_F(Movements, SecondProducerPair)
{
    addPolicy(Policy{.producer2 = "VERDI"});
    add("PRODUTT", [](Table& p) {
        p.setText("PRODUTTORE", "VERDI");
        p.setText("NUMERUI", "E000999");
    });
    ws().open("PRODUTT", "PRODUTT_").ordAdd("PRODUTT");
    Table& t = movements();
    MovementSave first = saveMovement(ws(), t, collection("P1", d(2024, 1, 12)), answering(true));
    ASSERT_TRUE(first);
    ASSERT_TRUE(first.second);
    EditValues second = *first.second;
    EXPECT_TRUE(isSecondProducer(second));
    EXPECT_EQ("VERDI", second.get("PRODUTTORE"));
    EXPECT_EQ("E000999", second.get("NUMERUI"));
    EXPECT_EQ(Decimal(), second.number("PROVVPROD"));
    second.set("PROVVPROD", "1,50");
    MovementSave again = saveMovement(ws(), t, second, answering(true));
    ASSERT_TRUE(again);
    EXPECT_FALSE(again.second);
    EXPECT_TRUE(t.logical("PRODUTTOR2"));
    EXPECT_EQ(dec("1.50"), t.number("PROVVPROD"));
    EXPECT_EQ(2u, t.lastRec());
    EXPECT_EQ(d(2024, 7, 10), coverage()); // moved once

    // Deleting the pair, second first, moves the coverage back once.
    ASSERT_TRUE(t.setOrder("MOVIDATA"));
    t.goTo(2);
    EXPECT_EQ(DeleteResult::Deleted, deleteMovement(ws(), t, answering(true)));
    EXPECT_EQ(d(2024, 7, 10), coverage());
    t.goTo(1);
    EXPECT_EQ(DeleteResult::Deleted, deleteMovement(ws(), t, answering(true)));
    EXPECT_EQ(d(2024, 1, 10), coverage());
}

TEST_F(Movements, DeletionRulesAndRollBack)
{
    addPolicy(Policy{.coverage = d(2024, 7, 10), .expiry = d(2025, 7, 10)});
    addMovement(d(2024, 1, 8), "P1", "Incasso", d(2024, 1, 8));
    addMovement(d(2024, 3, 1), "P1", "Variazione");
    addMovement(d(2024, 7, 2), "P1", "Incasso diretto", d(2024, 7, 3));
    addMovement(d(2024, 2, 1), "", "Incasso");
    addMovement(d(2024, 1, 1), "", "Rimessa");
    Table& t = movements();
    ASSERT_TRUE(t.setOrder("MOVIDATA"));

    // A later collection of the same policy blocks the earlier movements, of any description;
    // without a policy, a later collection without one blocks too.
    for (uint32_t r : {1u, 2u, 5u}) {
        t.goTo(r);
        told.clear();
        EXPECT_EQ(DeleteResult::NotLast, deleteMovement(ws(), t, answering(true))) << r;
        EXPECT_EQ(std::vector<std::string>{kMsgOnlyLast}, told);
    }
    t.goTo(3);
    EXPECT_EQ(DeleteResult::Cancelled, deleteMovement(ws(), t, answering(false)));
    EXPECT_FALSE(t.deleted());

    // The last one goes: coverage back one instalment, the collection date of the one before,
    // the expiry as it was.
    told.clear();
    EXPECT_EQ(DeleteResult::Deleted, deleteMovement(ws(), t, answering(true)));
    EXPECT_EQ(std::vector<std::string>{kMsgExpiryNotReset}, told);
    EXPECT_EQ(d(2024, 1, 10), coverage());
    EXPECT_EQ(d(2025, 7, 10), expiry());
    EXPECT_EQ(d(2024, 1, 8), collected());
    // Now the variation is free to go, without touching the policy.
    t.goTo(2);
    EXPECT_EQ(DeleteResult::Deleted, deleteMovement(ws(), t, answering(true)));
    EXPECT_EQ(d(2024, 1, 10), coverage());
    t.goTo(1);
    EXPECT_EQ(DeleteResult::Deleted, deleteMovement(ws(), t, answering(true)));
    EXPECT_EQ(d(2023, 7, 10), coverage());
    EXPECT_EQ(Date(), collected());
}

TEST_F(Movements, RemittancesOncePerDayAndRegistration)
{
    addMovement(d(2024, 1, 5), "A1", "Incasso", {}, "ALFA");
    addMovement(d(2024, 1, 6), "B1", "Incasso", {}, "BETA");
    addMovement(d(2024, 1, 7), "A2", "Incasso diretto", {}, "ALFA");
    Table& t = movements();
    ASSERT_TRUE(t.setOrder("MOVIDATA"));
    // 50 + 0 premiums (direct collections keep theirs), 10 commissions.
    EXPECT_EQ(dec("40.00"), remittanceFigure(ws(), "ALFA", d(2024, 1, 8), {}, RemittanceFigure::Amount));

    EditValues v = newMovementValues();
    v.set("DATA", d(2024, 1, 8).toDisplay());
    v.set("RAPPORTO", "ALFA");
    v.set("PRODUTTORE", "ROSSI");
    v.set("DESCRIZIO", "Rimessa");
    v.set("CONTO", "Banca 1 uscite");
    reloadAmounts(ws(), v);
    EXPECT_EQ(dec("40.00"), v.number("IMPORTO"));
    EXPECT_EQ(Date::today(), v.date("CORRISP"));
    int documents = 0;
    Interaction io = answering(true);
    io.remittanceDocuments = [&documents](Workspace&, const EditValues&) { ++documents; };
    ASSERT_TRUE(saveMovement(ws(), t, v, io));
    EXPECT_EQ(1, documents);
    // The agreement's earlier movements are registered; the other agreement's are not.
    for (uint32_t r : {1u, 3u}) {
        t.goTo(r);
        EXPECT_EQ(Date::today(), t.date("CORRISP")) << r;
    }
    t.goTo(2);
    EXPECT_EQ(Date(), t.date("CORRISP"));

    // A second remittance the same day is refused even when the list does not show the first.
    t.setView([](const Table& r) { return r.text("RAPPORTO") == "BETA"; }, {});
    MovementSave s = saveMovement(ws(), t, v, io);
    EXPECT_EQ(kMsgSameDay, s.message);
    t.clearView();
    EXPECT_EQ(4u, t.lastRec());
    EXPECT_EQ(1, documents);
}

TEST_F(Movements, GenerationOverACoverageRange)
{
    addPolicy(Policy{.number = "G1", .code = "1", .coverage = d(2024, 3, 5), .generate = true, .verify = true,
                     .conventionCode = "conv"});
    addPolicy(Policy{.number = "G2", .code = "2", .coverage = d(2024, 3, 20), .generate = true, .verify = true});
    addPolicy(Policy{.number = "G3", .code = "3", .coverage = d(2024, 3, 6), .generate = true, .verify = false});
    addPolicy(Policy{.number = "G4", .code = "4", .coverage = d(2024, 4, 6), .generate = true, .verify = true});
    Table& t = movements();

    EXPECT_FALSE(generationRange(d(2024, 3, 1), {}));
    EXPECT_FALSE(generationRange(d(2024, 3, 1), d(2024, 4, 2)));
    EXPECT_TRUE(generationRange(d(2024, 3, 1), d(2024, 3, 31)));
    EXPECT_EQ(0u, generateCollections(ws(), t, {d(2024, 2, 20), d(2024, 3, 31), "", ""}, d(2024, 3, 2)));

    EXPECT_EQ(1u, generateCollections(ws(), t, {d(2024, 3, 1), d(2024, 3, 31), "CONV", "Sospesi POS bancomat"},
                                      d(2024, 3, 2)));
    // G1 is not generated again: its coverage moved out of the range and its check mark went.
    EXPECT_EQ(1u, generateCollections(ws(), t, {d(2024, 3, 1), d(2024, 3, 31), "", "Cassa entrate"}, d(2024, 3, 2)));
    EXPECT_EQ(2u, t.lastRec());
    t.goTo(1);
    EXPECT_EQ("G1", t.text("POLIZZA"));
    EXPECT_EQ("Incasso", t.text("DESCRIZIO"));
    EXPECT_EQ("Quietanza", t.text("TIPO"));
    EXPECT_EQ(d(2024, 3, 5), t.date("SCADENZA"));
    EXPECT_EQ(d(2024, 3, 2), t.date("INCASSO"));
    EXPECT_EQ("POS bancomat", t.text("PAGAMENTO"));
    EXPECT_FALSE(t.text("CODICE").empty());
    EXPECT_EQ(d(2024, 9, 5), coverage("G1"));
    EXPECT_FALSE(policyField<bool>("G1", [](const Table& p) { return p.logical("VERIFICA"); }));
    EXPECT_EQ(d(2024, 9, 20), coverage("G2"));
    EXPECT_EQ(d(2024, 3, 6), coverage("G3"));
    EXPECT_EQ(d(2024, 4, 6), coverage("G4"));
}

TEST_F(Movements, RegistrationClosingAndReturn)
{
    addMovement(d(2024, 1, 5), "A1", "Incasso", {}, "ALFA");
    addMovement(d(2024, 1, 20), "A2", "Incasso", {}, "ALFA");
    addMovement(d(2024, 2, 5), "A3", "Incasso", {}, "ALFA");
    addMovement(d(2024, 1, 10), "B1", "Incasso", {}, "BETA");
    Table& t = movements();
    ASSERT_TRUE(t.setOrder("MOVIDATA"));
    t.goTo(2);
    t.lock(true);
    t.setDate("CORRISP", d(2024, 1, 1));
    t.setText("CONTO", "Sospesi da clienti");
    t.setText("PRODUTTORE", "Rossi");
    t.commit();
    t.unlock();

    // Registration: the agreement's movements of the period without a date; the registered keep theirs.
    t.goTo(4);
    EXPECT_EQ(1u, registerFees(t, d(2024, 1, 1), d(2024, 1, 31), "alfa", d(2024, 2, 10)));
    EXPECT_EQ(4u, t.recno());
    t.goTo(1);
    EXPECT_EQ(d(2024, 2, 10), t.date("CORRISP"));
    t.goTo(2);
    EXPECT_EQ(d(2024, 1, 1), t.date("CORRISP"));
    // An empty date clears every one of the period.
    EXPECT_EQ(2u, registerFees(t, d(2024, 1, 1), d(2024, 1, 31), "ALFA", Date()));
    t.goTo(2);
    EXPECT_EQ(Date(), t.date("CORRISP"));

    // Closing: every producer, then reopened.
    std::vector<uint32_t> listed = closingMovements(ws(), d(2024, 1, 1), d(2024, 1, 31), "");
    EXPECT_EQ((std::vector<uint32_t>{1, 4, 2}), listed);
    EXPECT_EQ(3u, closePeriod(ws(), listed, d(2024, 2, 1)));
    EXPECT_EQ(0u, closePeriod(ws(), listed, d(2024, 2, 2)));
    EXPECT_EQ((std::vector<uint32_t>{2}), closingMovements(ws(), {}, {}, "ROSSI"));
    EXPECT_EQ(3u, closePeriod(ws(), listed, Date()));
    t.goTo(4);
    EXPECT_EQ(Date(), t.date("CHIUSURA"));

    // Return: suspended accounts of the producer, not yet returned.
    std::vector<uint32_t> suspended = suspendedMovements(ws(), {}, {}, "rossi");
    ASSERT_EQ((std::vector<uint32_t>{2}), suspended);
    EXPECT_EQ(1u, returnSuspended(ws(), suspended, d(2024, 3, 1), "Cassa entrate"));
    t.goTo(2);
    EXPECT_EQ(d(2024, 3, 1), t.date("RIENTRO"));
    EXPECT_EQ("Cassa entrate", t.text("CONTO"));
    EXPECT_TRUE(suspendedMovements(ws(), {}, {}, "ROSSI").empty());
}

TEST_F(Movements, SearchAndValueLists)
{
    addPolicy(Policy{.number = "P1"});
    add("DATIAUTO", [](Table& a) {
        a.setText("POLIZZA", policies::sheetKey("1"));
        a.setText("TARGA", "AB123CD");
    });
    addMovement(d(2024, 1, 5), "P1", "Incasso");
    addMovement(d(2024, 2, 5), "P2", "Incasso");
    Table& t = movements();
    t.goTo(1);
    t.lock(true);
    t.setNumber("RCAUTO", dec("300.00"));
    t.commit();
    t.unlock();
    EXPECT_EQ("AB123CD", TARGA_(ws(), "P1"));
    EXPECT_EQ("", TARGA_(ws(), "P2"));

    RegisterDesc desc;
    desc.name = "MOVICOMP";
    desc.table = "MOVICOMP";
    desc.search = movementSearch();
    std::vector<std::string> typed(desc.search.size());
    typed[0] = "01/01/24";
    typed[1] = "31/01/24";
    ASSERT_TRUE(applySearch(desc, t, buildCondition(desc.search, typed)));
    EXPECT_EQ(d(2024, 1, 1), searchPeriod().from);
    const std::string list = allPages(printValues(ws(), t, ValueList::MotorLiability, false));
    EXPECT_NE(std::string::npos, list.find("STAMPA VALORE PORTAFOGLIO RC AUTO"));
    EXPECT_NE(std::string::npos, list.find("Dal 01/01/24 al 31/01/24"));
    EXPECT_NE(std::string::npos, list.find("SEMESTRALE"));
    EXPECT_NE(std::string::npos, list.find("TOTALE N° PEZZI: 1"));
    clearSearch(desc, t);
    EXPECT_EQ(Date(), searchPeriod().from);
}

// Two workstations saving new movements at the same moment never get the same code.
TEST_F(Movements, ConcurrentSavesGetDistinctCodes)
{
    movements();
    ws().closeAll();
    const std::string folder = dir.path();
    const int kChildren = 2, kEach = 40;
    std::vector<pid_t> pids;
    for (int c = 0; c < kChildren; ++c) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            int status = 0;
            try {
                Workspace own(folder);
                Table& t = own.open("MOVICOMP");
                for (TagName tag : {TagName("MOVIDATA"), TagName("MOVIPOLI"), TagName("MOVIPERI")}) t.ordAdd(tag);
                for (int k = 0; k < kEach; ++k) {
                    EditValues v = newMovementValues();
                    v.set("DESCRIZIO", "Varie");
                    v.set("CONTO", "Cassa entrate");
                    v.set("PRODUTTORE", "ROSSI");
                    if (!saveMovement(own, t, v, Interaction{})) status = 2;
                }
            } catch (...) {
                status = 3;
            }
            ::_exit(status);
        }
        pids.push_back(pid);
    }
    for (pid_t pid : pids) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    Table& t = movements();
    std::set<std::string> codes;
    size_t records = 0;
    for (t.goTop(); !t.eof(); t.skip(1), ++records) codes.insert(t.raw("CODICE"));
    EXPECT_EQ(size_t(kChildren * kEach), records);
    EXPECT_EQ(records, codes.size());
    EXPECT_EQ(0u, codes.count(std::string(10, ' ')));
}

// Two workstations saving the same agreement's remittance of one day: one is written, the other
// refused, day after day.
TEST_F(Movements, OneRemittanceADayAcrossWorkstations)
{
    movements();
    ws().closeAll();
    const std::string folder = dir.path();
    const int kDays = 12;
    int start[2];
    ASSERT_EQ(0, ::pipe(start));
    std::vector<pid_t> pids;
    for (int c = 0; c < 2; ++c) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            int written = 0;
            try {
                Workspace own(folder);
                Table& t = own.open("MOVICOMP");
                for (TagName tag : {TagName("MOVIDATA"), TagName("MOVIPOLI"), TagName("MOVIPERI")}) t.ordAdd(tag);
                char go = 0;
                ::close(start[1]);
                if (::read(start[0], &go, 1) < 0) ::_exit(100);
                for (int k = 0; k < kDays; ++k) {
                    EditValues v = newMovementValues();
                    v.set("DATA", d(2024, 3, 1 + k).toDisplay());
                    v.set("DESCRIZIO", "Rimessa");
                    v.set("RAPPORTO", "ALFA");
                    v.set("CONTO", "Banca 1 uscite");
                    const MovementSave m = saveMovement(own, t, v, Interaction{});
                    if (m) ++written;
                    else if (m.message != kMsgSameDay) ::_exit(101);
                }
            } catch (...) {
                ::_exit(102);
            }
            ::_exit(written);
        }
        pids.push_back(pid);
    }
    ::close(start[0]);
    ::close(start[1]); // both children start together
    int written = 0;
    for (pid_t pid : pids) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) <= kDays) << WEXITSTATUS(status);
        written += WEXITSTATUS(status);
    }
    EXPECT_EQ(kDays, written);
    Table& t = movements();
    std::set<Date> days;
    size_t records = 0;
    for (t.goTop(); !t.eof(); t.skip(1), ++records) days.insert(t.date("DATA"));
    EXPECT_EQ(size_t(kDays), records);
    EXPECT_EQ(size_t(kDays), days.size());
}

// The dialog as the user fills it: the second producer's label, the collection date that follows
// the movement's date, the motor liability premium taken from "Netto" only on motor branches.
TEST_F(Movements, LeavingFields)
{
    const std::vector<EditField>& fields = movementFields();
    const auto producer = std::find_if(fields.begin(), fields.end(), [](const EditField& f) { return f.id == 109; });
    ASSERT_TRUE(producer != fields.end() && producer->labelOf);
    EditValues v = newMovementValues();
    EXPECT_EQ("Produttore:", producer->labelOf(v));
    v.set("PRODUTTOR2", "T");
    EXPECT_EQ("Produttore 2:", producer->labelOf(v));

    v = newMovementValues();
    v.set("DATA", d(2024, 5, 2).toDisplay());
    movementFieldLeft(ws(), 101, v);
    EXPECT_EQ(d(2024, 5, 2), v.date("INCASSO"));
    v.set("DATA", d(2024, 5, 3).toDisplay());
    movementFieldLeft(ws(), 101, v);
    EXPECT_EQ(d(2024, 5, 2), v.date("INCASSO"));

    v.set("RAMO", "Incendio");
    v.set("NETTO", "100,00");
    movementFieldLeft(ws(), 118, v);
    EXPECT_TRUE(v.number("RCAUTO").isZero());
    v.set("RAMO", "Autovetture");
    movementFieldLeft(ws(), 118, v);
    EXPECT_EQ(dec("100.00"), v.number("RCAUTO"));
}

// What a saved remittance prints: the receipt with the gross commission and the withholding
// worked back from the net, the reminders only as the agreement asks, and the e-mail failure.
TEST_F(Movements, RemittanceDocuments)
{
    add("COMPAGN", [](Table& t) {
        t.setText("COMPAGNIA", "ALFA");
        t.setText("RAGSOC1", "Alfa Assicurazioni S.p.A.");
        t.setText("PARTITAIVA", "01234567890");
        t.setNumber("ALIQRA", dec("23.00"));
        t.setLogical("BONIFICO", true);
        t.setNumber("GIORNO", Decimal(31));
    });
    addMovement(d(2024, 1, 5), "A1", "Incasso", {}, "ALFA"); // 50 premium, 5 commission
    addMovement(d(2024, 1, 6), "A2", "Incasso", {}, "ALFA");
    addMovement(d(2024, 1, 8), "", "Rimessa", {}, "ALFA");
    // Net 10 - 2.30 = 7.70; gross back from it 10.00, withheld 2.30.
    EXPECT_EQ(dec("7.70"), remittanceFigure(ws(), "ALFA", d(2024, 1, 8), {}, RemittanceFigure::NetCommission));
    std::vector<std::string> told;
    const std::vector<PrintDocument> docs = remittanceDocuments(
        ws(), "ALFA", d(2024, 1, 8), {}, d(2024, 4, 10), false, [&told](const std::string& m) { told.push_back(m); });
    ASSERT_EQ(2u, docs.size());
    EXPECT_EQ("Stampa ricevuta", docs[0].name);
    const std::string receipt = allPages(docs[0]);
    EXPECT_NE(std::string::npos, receipt.find("Alfa Assicurazioni S.p.A.")) << receipt;
    EXPECT_NE(std::string::npos, receipt.find("P.I. 01234567890"));
    EXPECT_NE(std::string::npos, receipt.find("Ritenuta d'acconto (23,00%)"));
    for (const char* amount : {"c58.0 R |10,00|", "c58.0 R |2,30|", "c58.0 R |7,70|"})
        EXPECT_NE(std::string::npos, receipt.find(amount)) << receipt;
    EXPECT_EQ("Stampa promemoria bonifico", docs[1].name);
    // 31 in April is the 30th, a month on 30 May 2024, a Thursday.
    EXPECT_NE(std::string::npos, allPages(docs[1]).find("30/05/24"));
    EXPECT_EQ(std::vector<std::string>{kMsgReminderNotSent}, told);

    // The transfer day steps back over holidays: 2 June 2024 is a Sunday and a holiday.
    EXPECT_EQ(d(2024, 5, 31), transferDay(2, d(2024, 5, 10)));
    EXPECT_EQ(d(2024, 3, 15), transferDay(0, d(2024, 2, 15)));
    EXPECT_EQ("Si ricorda di effettuare un bonifico per un importo di  1.234,50 al rapporto\r\n\r\nALFA\r\n\r\n"
              "con causale \"RIMESSA INCASSI\".",
              transferReminderBody("ALFA ", dec("1234.50")));
}
