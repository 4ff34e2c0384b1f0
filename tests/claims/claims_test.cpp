// The claims without their windows: the register number, the coverage check, the client under
// observation, the number series, the save sequence with the total theft, and two workstations
// saving and generating at once.
#include <gtest/gtest.h>

#include <set>
#include <sys/wait.h>
#include <unistd.h>

#include "claims/claims.h"
#include "claims/numbering.h"
#include "common/numbershape.h"
#include "common/pagemodel.h"
#include "records/criteria.h"
#include "claims/claimsfolder.h"
#include "store/keys.h"

using namespace arv;
using namespace arv::store;
using namespace arv::records;
using namespace arv::claims;

namespace {

using test::pageText;
Date d(int y, int m, int day) { return test::ymd(y, m, day); }

struct Policy {
    std::string code = "1", number = "P1", insured = "ROSSI MARIO", company = "ALFA", branch = "Auto";
    std::string fraction = "ANNUALE", replacedBy = {};
    Date expiry = d(2025, 1, 1), coverage = d(2025, 1, 1);
    bool cancelled = false;
    std::string notes = {};
};

class Claims : public test::ClaimsFolder {
protected:
    using ClaimsFolder::addPolicy;
    void addPolicy(const Policy& p)
    {
        ClaimsFolder::addPolicy(std::stoi(p.code), p.number, [&](Table& t) {
            t.setText("ASSICURATO", p.insured);
            t.setText("COMPAGNIA", p.company);
            t.setText("RAPPORTO", p.company);
            t.setText("RAMO", p.branch);
            t.setText("FRAZIONAM", p.fraction);
            t.setText("SOSTDA", p.replacedBy);
            t.setDate("SCADENZA", p.expiry);
            t.setDate("COPERTURA", p.coverage);
            t.setLogical("DISDETTA", p.cancelled);
            t.setMemo("NOTE", p.notes);
        });
    }
    void addCollection(const std::string& number, Date due, Date paid)
    {
        add("MOVICOMP", [&](Table& t) {
            t.setText("POLIZZA", number);
            t.setText("DESCRIZIO", "Incasso");
            t.setDate("DATA", paid);
            t.setDate("SCADENZA", due);
            t.setDate("INCASSO", paid);
        });
    }
    void addNumber(const std::string& company, const std::string& number, bool cancelled = false)
    {
        add("NUMESINI", [&](Table& t) {
            t.setText("COMPAGNIA", company);
            t.setText("NUMERO", number);
            t.setLogical("ANNULLATO", cancelled);
        });
    }
    // A claim written as the dialog would write it.
    ClaimSave save(EditValues v, bool noReport = true, const std::string& type = "TAMPONAMENTO")
    {
        v.set("TIPO", type);
        if (noReport) v.set("NOREPORT", "T");
        OwnTable t(ws(), "SINISTRI");
        t->ordAdd("SINISTRI");
        Interaction io;
        io.ask = [](const std::string&) { return false; };
        io.tell = [this](const std::string& m) { messages.push_back(m); };
        return saveClaim(ws(), *t, true, EditValues(claimFields()), v, io);
    }
    EditValues claim(const std::string& policy, Date opened, Date event, const std::string& number = {})
    {
        EditValues v = newClaimValues(ws(), opened, policy);
        v.set("DATA", event.toDisplay());
        v.set("NUMERO", number);
        return v;
    }
};

} // namespace

TEST(ClaimRules, RegisterNumbers)
{
    struct Case {
        const char* last;
        Date lastOpened, opened;
        const char* next;
    };
    const Case cases[] = {
        {"24/0137", d(2024, 12, 20), d(2024, 12, 30), "24/0138"},
        {"24/0138", d(2024, 12, 30), d(2025, 1, 5), "25/0001"},   // a new year starts again
        {"25/0001", d(2025, 1, 5), d(2024, 12, 30), "25/0002"},   // a late claim takes the later year
        {"24/9999", d(2024, 6, 1), d(2024, 6, 2), "24/0000"},
        {"", Date(), d(2025, 3, 1), "25/0001"},                    // an empty table
    };
    for (const Case& c : cases) EXPECT_EQ(registerNumberAfter(c.last, c.lastOpened, c.opened), c.next) << c.last;
}

TEST(ClaimRules, CoverageOfTheInstalmentInForce)
{
    struct Case {
        Date paid, event;
        const char* fraction;
        bool out;
    };
    const Date due = d(2024, 1, 1);
    const Case cases[] = {
        {d(2024, 1, 5), d(2024, 7, 16), "SEMESTRALE", false}, // 15 days after the half year
        {d(2024, 1, 5), d(2024, 7, 17), "SEMESTRALE", true},
        {d(2024, 1, 20), d(2024, 1, 18), "SEMESTRALE", true}, // paid late, before the payment
        {d(2024, 1, 20), d(2024, 1, 21), "SEMESTRALE", false},
        {d(2024, 1, 5), d(2025, 1, 16), "PREMIO UNICO", false}, // up to the expiry of 01/01/2025
        {d(2024, 1, 5), d(2025, 1, 17), "PREMIO UNICO", true},
        {Date(), d(2024, 2, 1), "SEMESTRALE", true},           // no payment
        {d(2024, 1, 5), d(2023, 12, 31), "SEMESTRALE", false},  // the earlier instalment covers it
        {d(2024, 1, 5), d(2023, 6, 30), "SEMESTRALE", true},    // before any instalment
    };
    for (const Case& c : cases) {
        const Coverage got = coverageOf({{d(2023, 7, 1), d(2023, 7, 2)}, {due, c.paid}}, c.fraction, d(2025, 1, 1),
                                        c.event, true);
        EXPECT_EQ(got.out, c.out) << c.fraction << " " << c.event.toDisplay();
        if (!c.out && c.event >= due) {
            EXPECT_EQ(got.instalment.due, due);
        }
    }
    // An existing claim shows its instalment without the tests.
    const Coverage stored = coverageOf({{due, d(2024, 1, 20)}}, "SEMESTRALE", Date(), d(2024, 1, 18), false);
    EXPECT_FALSE(stored.out);
    EXPECT_EQ(stored.instalment.paid, d(2024, 1, 20));
}

TEST(ClaimRules, ObservationBands)
{
    const Date today = d(2025, 6, 15);
    auto claims = [](std::vector<Date> opened, bool valid = true, bool cancelled = false) {
        std::vector<ClaimCount> out;
        for (Date o : opened) out.push_back({o, cancelled, valid});
        return out;
    };
    EXPECT_TRUE(observed(claims({d(2024, 9, 1), d(2025, 2, 10)}), today));
    EXPECT_TRUE(observed(claims({d(2025, 3, 1), d(2024, 3, 1), d(2023, 3, 1)}), today));
    EXPECT_FALSE(observed(claims({d(2025, 3, 1), d(2022, 3, 1)}), today));
    EXPECT_FALSE(observed(claims({d(2024, 9, 1), d(2025, 2, 10)}, false), today));      // invalid policies
    EXPECT_FALSE(observed(claims({d(2024, 9, 1), d(2025, 2, 10)}, true, true), today)); // all cancelled
    EXPECT_FALSE(observed({}, today));
}

TEST(ClaimRules, NumberRanges)
{
    struct Case {
        const char *from, *to;
        uint64_t count;
        const char *first, *last;
    };
    const Case good[] = {{"A100", "A105", 6, "A100", "A105"},
                         {"98", "102", 5, "98", "102"},
                         {"007B", "9B", 3, "7B", "9B"},
                         {"X1Y", "X3Y", 3, "X1Y", "X3Y"}};
    for (const Case& c : good) {
        const auto r = numberRange(c.from, c.to, 20, 1000);
        ASSERT_TRUE(r) << c.from;
        EXPECT_EQ(r->count(), c.count);
        EXPECT_EQ(r->at(r->first), c.first);
        EXPECT_EQ(r->at(r->last), c.last);
    }
    for (auto [from, to] : std::vector<std::pair<const char*, const char*>>{{"A100", "B105"}, {"AB100", "AB105"},
                                                                            {"100", "A105"}, {"A", "A"},
                                                                            {"105", "100"}, {"1", "123456789012345678901"},
                                                                            {"1", "5000"}}) {
        std::string message;
        EXPECT_FALSE(numberRange(from, to, 20, 1000, &message)) << from << "-" << to;
        EXPECT_FALSE(message.empty());
    }
}

TEST_F(Claims, SeriesGenerationProposalAndBooking)
{
    Generation g = generateNumbers(ws(), "ALFA", "98", "102");
    ASSERT_TRUE(g) << g.message;
    EXPECT_EQ(g.written, 5u);
    EXPECT_EQ(nextFreeNumber(ws(), "ALFA"), "100"); // text order
    EXPECT_EQ(generateNumbers(ws(), "ALFA", "A100", "A105").written, 6u);
    // An overlap generates nothing; another company may hold the same numbers.
    EXPECT_EQ(generateNumbers(ws(), "ALFA", "95", "98").message, kMsgNumbersExist);
    EXPECT_TRUE(generateNumbers(ws(), "BETA", "100", "101"));
    addNumber("GAMMA", "5", true);
    EXPECT_EQ(nextFreeNumber(ws(), "GAMMA"), ""); // cancelled numbers are never proposed
    EXPECT_EQ(proposeNumber(ws(), "ALFA", [](const std::string&) { return false; }), "");
    EXPECT_EQ(proposeNumber(ws(), "ALFA", [](const std::string& q) { return q == kMsgAutomaticNumber; }), "100");

    // Booking finds the company's own number even when another company has it too.
    EXPECT_TRUE(bookNumber(ws(), "BETA", "100", "P9", d(2025, 2, 3)));
    EXPECT_TRUE(bookNumber(ws(), "ALFA", "777", "P9", d(2025, 2, 3))); // not in the series
    const Booking other = bookNumber(ws(), "BETA", "A101", "P9", d(2025, 2, 3));
    EXPECT_EQ(other.message, "La Compagnia nella numerazione sinistri è: ALFA.");
    EXPECT_EQ(nextFreeNumber(ws(), "BETA"), "101");
    EXPECT_EQ(nextFreeNumber(ws(), "ALFA"), "100");

    // The printout: the numbers ruled off one from the next, the cancelled one marked.
    OwnTable s(ws(), "NUMESINI", true);
    s->ordAdd("NUMESINI");
    AgencyIdentity agency;
    agency.name = "Agenzia Test";
    const PrintDocument doc = printSeries(*s, agency, false);
    const std::string page = pageText(doc);
    EXPECT_NE(page.find("|STAMPA NUMERAZIONE SINISTRI|"), std::string::npos);
    EXPECT_NE(page.find("|Agenzia Test|"), std::string::npos);
    EXPECT_NE(page.find("|ANNULLATO|"), std::string::npos);
    size_t rules = 0;
    for (const PageItem& it : doc.pages[0].items) rules += it.isFrame() && it.frameHeight == 0;
    EXPECT_EQ(rules, 14u); // one under each of the 14 numbers
}

TEST_F(Claims, ValidityAlongReplacements)
{
    Policy a;
    a.number = "A1";
    a.replacedBy = "A2";
    Policy b = a;
    b.code = "2";
    b.number = "A2";
    b.replacedBy = "A3";
    Policy c = b;
    c.code = "3";
    c.number = "A3";
    c.company = "BETA";
    c.replacedBy = "";
    addPolicy(a);
    addPolicy(b);
    addPolicy(c);
    EXPECT_FALSE(policyValid(ws(), "A1")); // the chain crosses to another company
    EXPECT_TRUE(policyValid(ws(), "A3"));
    Policy loopA = a, loopB = a;
    loopA.code = "4", loopA.number = "L1", loopA.replacedBy = "L2";
    loopB.code = "5", loopB.number = "L2", loopB.replacedBy = "L1";
    addPolicy(loopA);
    addPolicy(loopB);
    EXPECT_TRUE(policyValid(ws(), "L1")); // a loop ends the walk
    Policy dead = a;
    dead.code = "6", dead.number = "D1", dead.replacedBy = "", dead.cancelled = true;
    addPolicy(dead);
    EXPECT_FALSE(policyValid(ws(), "D1"));
    Policy unknown = a;
    unknown.code = "7", unknown.number = "U1", unknown.replacedBy = "NOWHERE";
    addPolicy(unknown);
    EXPECT_TRUE(policyValid(ws(), "U1"));
}

TEST_F(Claims, RoadOfAClaim)
{
    Policy p;
    p.fraction = "SEMESTRALE";
    addPolicy(p);
    addCollection("P1", d(2024, 1, 1), d(2024, 1, 20));
    ASSERT_TRUE(generateNumbers(ws(), "ALFA", "500", "501"));

    // Leaving the policy: what comes from it, the proposed number, the coverage check.
    EditValues v = newClaimValues(ws(), d(2024, 1, 18));
    v.set("POLIZZA", "P1");
    v.set("DATA", "18/01/24");
    Interaction io;
    io.ask = [](const std::string& q) { return q == kMsgAutomaticNumber; };
    io.tell = [this](const std::string& m) { messages.push_back(m); };
    claimFieldLeft(ws(), kFPolicy, v, true, d(2024, 1, 18), io);
    EXPECT_EQ(v.get("COMPAGNIA"), "ALFA");
    EXPECT_EQ(v.get("RAMO"), "Auto");
    EXPECT_EQ(v.get("ASSICURATO"), "ROSSI MARIO");
    EXPECT_EQ(v.get("NUMERO"), "500");
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back(), kMsgOutOfCoverage);
    EXPECT_EQ(v.get("NOTE"), kOutOfCoverageNote);
    // The mark follows the event date; what the user wrote in the notes stays.
    v.set("NOTE", std::string(kOutOfCoverageNote) + "\r\nTestimone presente");
    v.set("DATA", "21/01/24");
    claimFieldLeft(ws(), kFEvent, v, true, d(2024, 1, 18), io);
    EXPECT_EQ(v.get("NOTE"), "Testimone presente");
    v.set("NOTE", "");
    EXPECT_EQ(v.get("RATASCAD"), "01/01/24");
    EXPECT_EQ(v.get("RATAPAG"), "20/01/24");

    const ClaimSave saved = save(v);
    ASSERT_TRUE(saved) << saved.message;
    EXPECT_EQ(saved.registerNumber, "24/0001");
    // The series holds the claim's policy and date.
    {
        OwnTable s(ws(), "NUMESINI", true);
        s->ordAdd("NUMSIN");
        ASSERT_TRUE(s->seek(indexKey("500", 20)));
        EXPECT_EQ(s->text("POLIZZA"), "P1");
        EXPECT_EQ(s->date("DATA"), d(2024, 1, 21));
    }
    // The claim reads back through the policy's order and the number's.
    {
        OwnTable c(ws(), "SINISTRI", true);
        c->ordAdd("SINPOL");
        c->ordAdd("SINNUM");
        ASSERT_TRUE(c->seek(std::string(9, ' ') + "1" + "20240121"));
        EXPECT_EQ(c->text("REPERTORIO"), "24/0001");
        c->setOrder("SINNUM");
        ASSERT_TRUE(c->seek(indexKey("500", 20, true)));
        const EditValues back = claimValues(ws(), *c);
        EXPECT_EQ(back.get("ASSICURATO"), "ROSSI MARIO");
        EXPECT_EQ(back.get("RATAPAG"), "20/01/24");
    }
    // The same policy and day again, the same number again.
    EXPECT_EQ(save(claim("P1", d(2024, 2, 1), d(2024, 1, 21))).message, kMsgClaimPresent);
    EXPECT_EQ(save(claim("P1", d(2024, 2, 1), d(2024, 1, 22), "500")).message, kMsgClaimNumberPresent);
    EXPECT_EQ(save(claim("NONE", d(2024, 2, 1), d(2024, 1, 22))).message, kMsgUnknownPolicy);
    // A number the series gives to another company.
    addNumber("BETA", "900");
    EXPECT_EQ(save(claim("P1", d(2024, 2, 1), d(2024, 1, 23), "900")).message,
              "La Compagnia nella numerazione sinistri è: BETA.");
}

TEST_F(Claims, RegisterNumbersThatRanOutAreRefused)
{
    addPolicy(Policy{});
    auto saved = [&](Date event, const char* reg) {
        add("SINISTRI", [&](Table& t) {
            t.setRaw("CODPOL", "         1");
            t.setText("POLIZZA", "P1");
            t.setDate("APERTURA", d(2024, 6, 1));
            t.setDate("DATA", event);
            t.setText("REPERTORIO", reg);
        });
    };
    saved(d(2024, 1, 1), "24/0001");
    saved(d(2024, 1, 2), "24/9999");
    ClaimSave next = save(claim("P1", d(2024, 6, 2), d(2024, 1, 3)));
    ASSERT_TRUE(next) << next.message;
    EXPECT_EQ(next.registerNumber, "24/0000");
    next = save(claim("P1", d(2024, 6, 2), d(2024, 1, 4)));
    EXPECT_FALSE(next);
    EXPECT_NE(next.message.find("24/0001"), std::string::npos);
}

TEST_F(Claims, TotalTheftCancelsThePolicyOnce)
{
    Policy p;
    p.notes = "abc";
    addPolicy(p);
    ClaimSave s = save(claim("P1", d(2025, 2, 3), d(2025, 2, 3)), true, "Furto totale veicolo");
    ASSERT_TRUE(s) << s.message;
    EXPECT_TRUE(s.policyCancelled);
    EXPECT_EQ(messages.back(), kMsgTheftReminder);
    {
        OwnTable t(ws(), "POLIZZE", true);
        t->goTop();
        EXPECT_EQ(t->memo("NOTE"), "abc\r\nFURTO TOTALE DEL 03/02/25");
        EXPECT_TRUE(t->logical("DISDETTA"));
    }
    messages.clear();
    s = save(claim("P1", d(2025, 2, 4), d(2025, 2, 4)), true, "FURTO TOTALE");
    ASSERT_TRUE(s);
    EXPECT_FALSE(s.policyCancelled); // already cancelled: nothing changes, nothing printed
    EXPECT_TRUE(messages.empty());
    const std::string page = pageText(printTheftPage("P1", "ROSSI MARIO", false));
    EXPECT_NE(page.find("|ANNULLAMENTO POLIZZA PER FURTO|"), std::string::npos);
    EXPECT_NE(page.find("|ROSSI MARIO|"), std::string::npos);
}

TEST_F(Claims, ObservationThroughTheClientsPolicies)
{
    Policy p;
    addPolicy(p);
    Policy q = p;
    q.code = "2";
    q.number = "P2";
    addPolicy(q);
    ASSERT_TRUE(save(claim("P1", d(2024, 9, 1), d(2024, 9, 1))));
    ASSERT_TRUE(save(claim("P2", d(2025, 2, 10), d(2025, 2, 10))));
    const Date today = d(2025, 6, 15);
    EXPECT_TRUE(underObservation(ws(), "ROSSI MARIO", today));
    EXPECT_FALSE(underObservation(ws(), "", today));
    // With a condition only the claims satisfying it count.
    EXPECT_FALSE(underObservation(ws(), "ROSSI MARIO", today, criteria::equal("POLIZZA", "P1")));
    // A renamed client keeps its claims: the policies carry the new name.
    {
        OwnTable t(ws(), "POLIZZE");
        for (t->goTop(); !t->eof(); t->skip(1)) {
            t->lock(true);
            t->setText("ASSICURATO", "ROSSI MARIO SRL");
            t->commit();
            t->unlock();
        }
    }
    EXPECT_TRUE(underObservation(ws(), "ROSSI MARIO SRL", today));
    const std::vector<uint32_t> chosen = observedClaims(ws(), {}, today);
    EXPECT_EQ(chosen, (std::vector<uint32_t>{1, 2}));
    EXPECT_TRUE(observedClaims(ws(), criteria::equal("POLIZZA", "P2"), today).empty());
}

TEST_F(Claims, TwoWorkstationsAtOnce)
{
    addPolicy(Policy{});
    ASSERT_TRUE(generateNumbers(ws(), "ALFA", "1", "1"));
    const std::string folder = dir.path();
    workspace().closeAll();
    constexpr int kChildren = 2, kEach = 15;
    auto run = [&](const std::function<int(Workspace&, int)>& body) {
        std::vector<pid_t> pids;
        for (int c = 0; c < kChildren; ++c) {
            pid_t pid = ::fork();
            if (pid == 0) {
                int rc = 99;
                try {
                    Workspace w(folder);
                    rc = body(w, c);
                } catch (...) {
                }
                ::_exit(rc);
            }
            pids.push_back(pid);
        }
        std::vector<int> codes;
        for (pid_t pid : pids) {
            int status = 0;
            ::waitpid(pid, &status, 0);
            codes.push_back(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
        }
        return codes;
    };
    // Claims saved at once get distinct register numbers; the proposed number goes to one of them.
    const std::vector<int> codes = run([](Workspace& w, int c) {
        Table& t = w.open("SINISTRI");
        t.ordAdd("SINISTRI");
        int refusedNumber = 0;
        for (int i = 0; i < kEach; ++i) {
            EditValues v = newClaimValues(w, d(2025, 3, 1), "P1");
            v.set("DATA", Date::fromYmd(2025, 1 + c, 1 + i).toDisplay());
            v.set("TIPO", "TAMPONAMENTO");
            v.set("NOREPORT", "T");
            if (i == 0) v.set("NUMERO", "1"); // both take the one free number
            const ClaimSave s = saveClaim(w, t, true, EditValues(claimFields()), v, {});
            if (!s && s.message == kMsgClaimNumberPresent) ++refusedNumber;
            else if (!s) return 50;
        }
        return refusedNumber;
    });
    EXPECT_EQ(codes[0] + codes[1], 1); // one of the two got "Numero sinistro già presente."
    // Overlapping generations leave no number twice.
    const std::vector<int> gen = run([](Workspace& w, int c) {
        int written = 0;
        for (int i = 0; i < 10; ++i) written += generateNumbers(w, "BETA", std::to_string(c * 5 + i * 10),
                                                                std::to_string(c * 5 + i * 10 + 9)) ? 1 : 0;
        return written;
    });
    // Each block overlaps the other workstation's neighbours only, and a block is refused only
    // for an overlap: whatever the timing, at least a third of the twenty blocks get written.
    EXPECT_GE(gen[0] + gen[1], 7);

    Workspace w(folder);
    Table& t = w.open("SINISTRI");
    std::set<std::string> regs;
    size_t n = 0;
    for (t.goTop(); !t.eof(); t.skip(1), ++n) regs.insert(t.text("REPERTORIO"));
    EXPECT_EQ(n, size_t(kChildren * kEach - 1));
    EXPECT_EQ(regs.size(), n);
    Table& s = w.open("NUMESINI");
    std::set<std::string> numbers;
    size_t beta = 0;
    for (s.goTop(); !s.eof(); s.skip(1))
        if (s.text("COMPAGNIA") == "BETA") {
            ++beta;
            numbers.insert(s.text("NUMERO"));
        }
    EXPECT_EQ(numbers.size(), beta);
}
