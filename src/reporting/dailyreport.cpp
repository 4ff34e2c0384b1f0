#include "reporting/dailyreport.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <unordered_set>

#include "common/instalments.h"
#include "common/mask.h"
#include "common/numfmt.h"
#include "common/text.h"
#include "records/lookups.h"

namespace arv::reporting {

using namespace store;

namespace {

bool begins(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }
bool beginsAnyCase(const std::string& text, std::string_view prefix) { return begins(Mask::upper(text), prefix); }

// What the walk of the company movements keeps of each agreement.
struct AgreementWalk {
    Decimal premiums, commissions;
    std::string policy; // the newest policy number since the last remittance
};

using ProducerMap = std::map<std::string, ProducerBalance>;

struct Walked {
    std::map<std::string, AgreementWalk> agreements;
    std::map<std::string, Decimal> accounts; // every CONTO of both tables, summed
    ProducerMap earlier, current;
    Decimal ledgerEarlier, ledgerCurrent;    // "Sospesi da produttori" of the accounting movements
};

// One walk of MOVICOMP in its period order (FINEPER, or DATA when empty): the agreements' running
// sums, which a remittance sets back to zero, the accounts and the producers. WITH collects the
// numbers of the policies that have a movement.
void walkCompanyMovements(Workspace& ws, Date firstOfMonth, Walked& w, std::unordered_set<std::string>* with)
{
    OwnTable own(ws, "MOVICOMP", true);
    Table& m = *own;
    m.ordAdd("MOVIPERI");
    auto batch = m.readBatch();
    for (m.goTop(); !m.eof(); m.skip(1)) {
        const Decimal amount = m.number("IMPORTO");
        const std::string account = m.text("CONTO");
        if (!account.empty()) w.accounts[account] += amount;
        if (with) with->insert(m.raw("POLIZZA"));

        if (const std::string agreement = m.text("RAPPORTO"); !agreement.empty()) {
            const std::string description = m.text("DESCRIZIO");
            AgreementWalk& a = w.agreements[agreement];
            // The premiums a company collected itself are not owed by the agency.
            if (!begins(description, "Incasso diretto") && !begins(description, "Incasso provvisorio"))
                a.premiums += amount;
            a.commissions += m.number("PROVVAGEN");
            if (const std::string policy = m.text("POLIZZA"); !policy.empty()) a.policy = policy;
            if (begins(description, "Rimessa")) a = AgreementWalk{};
        }

        const std::string producer = m.text("PRODUTTORE");
        if (producer.empty() || beginsAnyCase(producer, "AGENZIA")) continue;
        ProducerBalance& p = (m.date("DATA") < firstOfMonth ? w.earlier : w.current)[producer];
        p.producer = producer;
        if (!m.date("CHIUSURA")) p.commissions += m.number("PROVVPROD");
        if (begins(account, "Sospesi")) p.suspended += amount;
    }
}

void walkLedger(Workspace& ws, Date firstOfMonth, Walked& w)
{
    OwnTable own(ws, "MOVICONT", true);
    Table& m = *own;
    for (m.goTop(); !m.eof(); m.skip(1)) {
        const std::string account = m.text("CONTO");
        if (account.empty()) continue;
        const Decimal amount = m.number("IMPORTO");
        w.accounts[account] += amount;
        if (begins(account, "Sospesi da produttori"))
            (m.date("DATA") < firstOfMonth ? w.ledgerEarlier : w.ledgerCurrent) += amount;
    }
}

// The sum of the accounts whose name begins with PREFIX.
Decimal accountSum(const std::map<std::string, Decimal>& accounts, const std::string& prefix)
{
    Decimal sum;
    for (auto it = accounts.lower_bound(prefix); it != accounts.end() && begins(it->first, prefix); ++it)
        sum += it->second;
    return sum;
}

ProducerRun producerRun(const ProducerMap& producers, const Decimal& ledger)
{
    ProducerRun run;
    for (const auto& [name, p] : producers) {
        if (p.commissions.round(2).isZero() && p.suspended.round(2).isZero()) continue;
        run.producers.push_back(p);
        run.commissions += p.commissions;
        run.suspended += p.suspended;
    }
    if (ledger > Decimal()) {
        run.ledger = ledger;
        run.suspended += ledger;
    }
    return run;
}

enum class Side { AvereSigned, BySign, DareAbsolute, DareAsSummed };

void accountBalances(const std::map<std::string, Decimal>& accounts, DailyFigures& f)
{
    auto add = [&f](std::string label, const Decimal& balance, Side side, int contribution) {
        AccountBalance b{std::move(label), balance, false};
        switch (side) {
        case Side::AvereSigned: break;
        case Side::BySign:
            b.dare = balance.isNegative();
            b.amount = balance.abs();
            break;
        case Side::DareAbsolute:
            b.dare = true;
            b.amount = balance.abs();
            break;
        case Side::DareAsSummed: b.dare = true; break;
        }
        f.accounts.push_back(std::move(b));
        f.accountsContribution += balance * Decimal(contribution);
    };
    auto inOut = [&accounts](const std::string& name) {
        return accountSum(accounts, name + " entrate") - accountSum(accounts, name + " uscite");
    };
    add("SALDO CASSA", inOut("Cassa"), Side::AvereSigned, 1);
    for (int n = 1; n <= 4; ++n)
        add("SALDO BANCA " + std::to_string(n), inOut("Banca " + std::to_string(n)), Side::BySign, 1);
    for (int n = 1; n <= 4; ++n)
        add("SALDO RICARICABILE " + std::to_string(n), inOut("Ricaricabile " + std::to_string(n)), Side::BySign, 0);
    add("SALDO CARTA DI CREDITO 5", -accountSum(accounts, "Carta di credito 5"), Side::DareAbsolute, 0);
    add("SALDO C/C POSTALE", inOut("C/C Postale"), Side::AvereSigned, 1);
    for (int n = 1; n <= 4; ++n)
        add("SALDO ASSEGNI E BONIFICI BANCA " + std::to_string(n),
            accountSum(accounts, "Assegni e bonifici banca " + std::to_string(n)), Side::DareAsSummed, -1);
    add("SALDO ASSEGNI E BONIFICI C/C POSTALE", accountSum(accounts, "Assegni/bonifici C/C Post"), Side::DareAsSummed, -1);
}

void loans(Workspace& ws, DailyFigures& f)
{
    OwnTable own(ws, "FINANZ", true);
    Table& t = *own;
    for (t.goTop(); !t.eof(); t.skip(1)) {
        if (t.logical("PAGATO")) continue;
        f.anyUnpaidLoan = true;
        LoanCommission l{t.text("RAPPORTO"), t.text("ASSICURATO"), t.number("PRFISSE"), t.number("PRVARIA")};
        if (l.fixed.isZero() && l.variable.isZero()) continue;
        f.loanFixed += l.fixed;
        f.loanVariable += l.variable;
        f.loans.push_back(std::move(l));
    }
    std::stable_sort(f.loans.begin(), f.loans.end(),
                     [](const LoanCommission& a, const LoanCommission& b) { return a.agreement < b.agreement; });
}

// The policies started this month: from this month's movements, those whose first movement falls in
// it, neither replacing nor replaced, without provenance, not cancelled.
void newBusiness(Workspace& ws, Date today, DailyFigures& f)
{
    const Date first = Date::fromYmd(today.year(), today.month(), 1);
    const Date last = first.addMonths(1).addDays(-1);
    std::vector<std::string> numbers;
    {
        OwnTable own(ws, "MOVICOMP", true);
        Table& m = *own;
        m.ordAdd("MOVIDATA");
        m.setScope(first.dtos(), last.dtos());
        std::unordered_set<std::string> seen;
        for (m.goTop(); !m.eof(); m.skip(1)) {
            std::string number = m.raw("POLIZZA");
            if (trim(number).empty() || !seen.insert(number).second) continue;
            numbers.push_back(std::move(number));
        }
    }
    if (numbers.empty()) return;
    OwnTable policies(ws, "POLIZZE", true);
    policies->ordAdd("NUMPOL");
    OwnTable movements(ws, "MOVICOMP", true);
    movements->ordAdd("MOVIPOLI");
    for (const std::string& number : numbers) {
        Table& p = *policies;
        if (!p.seek(number)) continue;
        if (filled(p.text("SOSTPOL")) || filled(p.text("SOSTDA")) || filled(p.text("PROVENIEN")) || p.logical("DISDETTA"))
            continue;
        const Date started = records::ACCENSIONE(p, *movements);
        if (!started || started.year() != today.year() || started.month() != today.month()) continue;
        const std::string fraction = p.text("FRAZIONAM");
        const Decimal value = p.number("IMPORTO") * Decimal(RATE(fraction));
        f.monthPortfolio += value;
        if (begins(fraction, "PREMIO UNICO")) f.monthSinglePremiums += value;
        if (started == today)
            f.newContracts.push_back(
                {p.text("PRODUTTORE"), p.text("COMPAGNIA"), p.text("POLIZZA"), p.number("IMPORTO"), p.number("PROVVAGEN")});
    }
    std::stable_sort(f.newContracts.begin(), f.newContracts.end(), [](const NewContract& a, const NewContract& b) {
        return std::tie(a.producer, a.company) < std::tie(b.producer, b.company);
    });
}

DailyFigures figures(Workspace& ws, Date today, std::unordered_set<std::string>* policiesWithMovements)
{
    DailyFigures f;
    f.today = today;
    const Date firstOfMonth = Date::fromYmd(today.year(), today.month(), 1);
    Walked w;
    walkCompanyMovements(ws, firstOfMonth, w, policiesWithMovements);
    walkLedger(ws, firstOfMonth, w);

    for (auto& [name, a] : w.agreements) {
        if (a.premiums.round(2).isZero() && a.commissions.round(2).isZero()) continue;
        AgreementBalance b;
        b.agreement = name;
        b.premiums = a.premiums;
        b.commissions = a.commissions;
        const Decimal balance = a.commissions - a.premiums;
        if (balance.isNegative()) b.dare = -balance;
        else b.avere = balance;
        b.byTelephone = !a.policy.empty() && records::TELEFONICA(ws, a.policy);
        if (!b.byTelephone) {
            f.premiums += b.premiums;
            f.commissions += b.commissions;
            f.dare += b.dare;
            f.avere += b.avere;
        }
        f.agreements.push_back(std::move(b));
    }
    loans(ws, f);
    for (size_t i = 0; i < suspendedAccounts().size(); ++i) {
        f.suspended[i] = accountSum(w.accounts, suspendedAccounts()[i].account);
        f.suspendedTotal += f.suspended[i];
    }
    f.earlierMonths = producerRun(w.earlier, w.ledgerEarlier);
    f.currentMonth = producerRun(w.current, w.ledgerCurrent);
    newBusiness(ws, today, f);
    accountBalances(w.accounts, f);
    f.virtualBalance = f.avere - f.dare + f.loanFixed + f.loanVariable + f.suspendedTotal -
                       f.earlierMonths.commissions - f.currentMonth.commissions + f.accountsContribution;
    return f;
}

// ---------------------------------------------------------------- the complete version's lists

struct PolicyRow {
    std::string insured, company, policy, producer, agreement, branch, document;
    Date effect, coverage;
    Decimal premium, commission;
    std::string key; // the order of the missing documentation: insured and company in capitals
};

struct PolicyLists {
    std::vector<PolicyRow> missingDocuments, overdue, notPerfected;
};

PolicyLists policyLists(Workspace& ws, Date today, const std::unordered_set<std::string>& withMovements)
{
    PolicyLists l;
    OwnTable own(ws, "POLIZZE", true);
    Table& p = *own;
    for (p.goTop(); !p.eof(); p.skip(1)) {
        PolicyRow r{p.text("ASSICURATO"), p.text("COMPAGNIA"), p.text("POLIZZA"),   p.text("PRODUTTORE"),
                    p.text("RAPPORTO"),   p.text("RAMO"),      p.text("DOCUMENTO"), p.date("EFFETTO"),
                    p.date("COPERTURA"),  p.number("IMPORTO"), p.number("PROVVAGEN"), {}};
        const bool replaced = filled(p.text("SOSTDA")), cancelled = p.logical("DISDETTA");
        if (!beginsAnyCase(r.document, "COMPLETA")) {
            l.missingDocuments.push_back(r);
            l.missingDocuments.back().key = Mask::upper(r.insured) + '\0' + Mask::upper(r.company);
        }
        if (!replaced && !cancelled && !beginsAnyCase(r.branch, "VITA") &&
            !beginsAnyCase(p.text("PAGAMENTO"), "SOSPESO") && r.coverage && today > r.coverage.addDays(10)) {
            PolicyRow o = r;
            if (MOLTIPRATE(r.branch, r.effect, r.coverage)) o.commission = r.commission * Decimal(RATE(p.text("FRAZIONAM")));
            l.overdue.push_back(std::move(o));
        }
        if (!replaced && !cancelled && !withMovements.count(p.raw("POLIZZA"))) l.notPerfected.push_back(std::move(r));
    }
    std::stable_sort(l.missingDocuments.begin(), l.missingDocuments.end(), [](const PolicyRow& a, const PolicyRow& b) {
        return a.key < b.key;
    });
    std::stable_sort(l.overdue.begin(), l.overdue.end(), [](const PolicyRow& a, const PolicyRow& b) {
        return std::tie(a.company, a.coverage, a.insured) < std::tie(b.company, b.coverage, b.insured);
    });
    std::stable_sort(l.notPerfected.begin(), l.notPerfected.end(), [](const PolicyRow& a, const PolicyRow& b) {
        return std::tie(a.producer, a.company) < std::tie(b.producer, b.company);
    });
    return l;
}

// ---------------------------------------------------------------- the pages

const PrintFont kFont("Arial", 10);
const PrintFont kBold("Arial", 10, true);
const PrintFont kTitle("Arial", 15, true, false, true);

// A cell of a printed line: a text at a column (wrapped or clipped to WIDTH columns), or an amount
// ending 11 columns after it.
struct Cell {
    int col = 0;
    std::string text;
    int width = 0;
    bool wrap = false;
    bool bold = false;
    static Cell txt(int col, std::string t, int width = 0, bool wrap = false) { return {col, std::move(t), width, wrap}; }
    static Cell amount(int col, const Decimal& d, bool bold = false)
    {
        return {col, trim(ENSTR(d, 11)), -1, false, bold};
    }
};

struct Headings {
    std::string title;
    std::vector<std::pair<int, std::string>> columns;
};

class Pages {
public:
    Pages(TPRINTER& job, Date today) : job_(job), title_("REPORTING GIORNALIERO DEL " + today.toDisplay()) {}

    int line() const { return static_cast<int>(std::lround(job_.row())); }

    // A new page: the page header, the report's title and two empty lines.
    void newPage()
    {
        if (job_.pageOpen()) job_.endPage();
        job_.startPage();
        job_.setFont(kFont);
        SAYHEADER("Reporting giornaliero", job_, kFont, true);
        job_.setRow(2);
        PRINTTXT(job_, {title_}, TxtOptions().centred().withFont(kTitle));
        PRINTTXT(job_, {""});
        PRINTTXT(job_, {""});
    }
    // A section begins: on a new page past line START, else after an empty line; its title, headings
    // and rule.
    void section(const Headings& h, int start = 53)
    {
        if (!job_.pageOpen() || line() >= start) newPage();
        else PRINTTXT(job_, {""});
        heads(h);
    }
    void heads(const Headings& h)
    {
        if (!h.title.empty()) PRINTTXT(job_, {h.title}, TxtOptions().withFont(kBold));
        if (h.columns.empty()) return;
        row({});
        const double r = job_.row();
        for (const auto& [col, text] : h.columns) put(r, col, text, TxtOptions().withFont(kBold));
        job_.rule(r + 1, 5, 75);
    }
    // Before a line: past line LIMIT the section goes on on a new page, with H's title and headings
    // again when given.
    void room(int limit, const Headings* h = nullptr)
    {
        if (line() < limit) return;
        newPage();
        if (h) heads(*h);
    }
    // One line (a wrapped cell makes it as tall as its lines).
    void row(const std::vector<Cell>& cells)
    {
        const double base = job_.row() + job_.lineFeed();
        size_t lines = 1;
        for (const Cell& c : cells) {
            TxtOptions o = TxtOptions().withFont(c.bold ? kBold : kFont);
            if (c.width < 0) {
                put(base, c.col, c.text, o.alignRight(11));
                continue;
            }
            std::vector<std::string> parts = {c.text};
            if (c.wrap && !c.text.empty()) {
                parts = AMEMOLINE(c.text, c.width, job_, o.font);
                for (std::string& s : parts) s.erase(std::remove(s.begin(), s.end(), kParagraphMark), s.end());
            } else if (c.width > 0) {
                o = o.clipped(c.width);
            }
            for (size_t i = 0; i < parts.size(); ++i) put(base + static_cast<double>(i), c.col, parts[i], o);
            lines = std::max(lines, parts.size());
        }
        job_.setRow(base + static_cast<double>(lines - 1));
    }
    void blank(int n = 1)
    {
        for (int i = 0; i < n; ++i) PRINTTXT(job_, {""});
    }
    TPRINTER& job() { return job_; }

private:
    void put(double r, int col, const std::string& text, TxtOptions o)
    {
        if (col == 0) {
            job_.setRow(r - job_.lineFeed());
            o.col.reset();
        } else {
            job_.setRow(r);
            o.col = col;
        }
        PRINTTXT(job_, {text}, o);
    }

    TPRINTER& job_;
    std::string title_;
};

void printAgreements(Pages& pg, const DailyFigures& f)
{
    const Headings h{"RAPPORTI", {{0, "RAPPORTO"}, {25, "TOTALE PREMI"}, {37, "TOT.PR.AGEN."}, {50, "SALDO DARE"}, {60, "SALDO AVERE"}}};
    pg.section(h);
    for (const AgreementBalance& a : f.agreements) {
        pg.room(57, &h);
        pg.row({Cell::txt(0, a.agreement, 19), Cell::amount(20, a.premiums), Cell::amount(32, a.commissions),
                Cell::amount(44, a.dare, true), Cell::amount(55, a.avere)});
    }
    pg.room(57, &h);
    pg.row({Cell::txt(0, "TOTALE"), Cell::amount(20, f.premiums), Cell::amount(32, f.commissions),
            Cell::amount(44, f.dare, true), Cell::amount(55, f.avere)});
}

void printLoans(Pages& pg, const DailyFigures& f)
{
    if (!f.anyUnpaidLoan) return;
    const Headings h{"FINANZIARIE",
                     {{0, "RAPPORTO"}, {22, "ASSICURATO"}, {38, "PROVV.FISSE"}, {51, "PROVV.VAR."}, {61, "TOT.PROVV."}}};
    pg.section(h);
    for (const LoanCommission& l : f.loans) {
        pg.room(57, &h);
        pg.row({Cell::txt(0, l.agreement, 21, true), Cell::txt(22, l.insured, 15), Cell::amount(32, l.fixed),
                Cell::amount(44, l.variable), Cell::amount(55, l.fixed + l.variable)});
    }
    pg.room(57, &h);
    pg.row({Cell::txt(0, "TOTALE"), Cell::amount(32, f.loanFixed), Cell::amount(44, f.loanVariable),
            Cell::amount(55, f.loanFixed + f.loanVariable)});
}

void printSuspended(Pages& pg, const DailyFigures& f)
{
    pg.section({});
    for (size_t i = 0; i < suspendedAccounts().size(); ++i) {
        pg.room(57);
        pg.row({Cell::txt(0, suspendedAccounts()[i].label), Cell::amount(55, f.suspended[i])});
    }
    pg.room(57);
    pg.row({Cell::txt(0, "TOTALE SOSPESI"), Cell::amount(55, f.suspendedTotal)});
}

void printProducers(Pages& pg, const ProducerRun& run, const char* which)
{
    const Headings h{std::string("PREMI SOSPESI PRODUTTORI ") + which,
                     {{0, "PRODUTTORE"}, {49, "TOT.PROVVIG."}, {61, "TOT.SOSPESI"}}};
    pg.section(h);
    for (const ProducerBalance& p : run.producers) {
        pg.room(57, &h);
        pg.row({Cell::txt(0, p.producer, 40), Cell::amount(44, p.commissions, true), Cell::amount(55, p.suspended)});
    }
    if (run.ledger > Decimal()) {
        pg.room(57, &h);
        pg.row({Cell::txt(0, "Movimenti contabilità"), Cell::amount(55, run.ledger)});
    }
    pg.room(57, &h);
    pg.row({Cell::txt(0, "TOTALE"), Cell::amount(44, run.commissions, true), Cell::amount(55, run.suspended)});
}

void printPortfolio(Pages& pg, const DailyFigures& f)
{
    pg.section({});
    pg.row({Cell::txt(0, "VALORE DI PORTAFOGLIO NEL MESE"), Cell::amount(55, f.monthPortfolio)});
    pg.row({Cell::txt(0, "DI CUI PREMI UNICI"), Cell::amount(55, f.monthSinglePremiums)});
}

void printNewContracts(Pages& pg, const DailyFigures& f)
{
    if (f.newContracts.empty()) return;
    const Headings h{"CONTRATTI NUOVI DEL GIORNO",
                     {{0, "PRODUTTORE"}, {21, "COMPAGNIA"}, {43, "POLIZZA N."}, {55, "IMPORTO"}, {64, "PROVVIG."}}};
    pg.section(h);
    Decimal premiums, commissions;
    for (const NewContract& c : f.newContracts) {
        pg.room(57, &h);
        pg.row({Cell::txt(0, c.producer, 20, true), Cell::txt(21, c.company, 21, true), Cell::txt(43, c.policy, 12),
                Cell::amount(46, c.premium), Cell::amount(55, c.commission)});
        premiums += c.premium;
        commissions += c.commission;
    }
    pg.room(57, &h);
    pg.row({Cell::txt(0, "TOTALE"), Cell::amount(46, premiums), Cell::amount(55, commissions)});
}

void printAccounts(Pages& pg, const DailyFigures& f)
{
    pg.section({"", {{50, "SALDO DARE"}, {60, "SALDO AVERE"}}}, 48);
    for (const AccountBalance& a : f.accounts) {
        pg.room(57);
        pg.row({Cell::txt(0, a.label), a.dare ? Cell::amount(44, a.amount, true) : Cell::amount(55, a.amount)});
    }
}

void printClosing(Pages& pg, const DailyFigures& f)
{
    if (pg.line() >= 62) pg.newPage();
    pg.blank(4);
    Cell label = Cell::txt(0, "SALDO VIRTUALE");
    label.bold = true;
    pg.row({label, Cell::amount(55, f.virtualBalance, true)});
}

std::string dateText(Date d) { return d ? d.toDisplay() : std::string(); }

void printMissingDocuments(Pages& pg, const std::vector<PolicyRow>& rows)
{
    const Headings h{"DOCUMENTAZIONE CONTRATTI AUTO MANCANTE",
                     {{0, "ASSICURATO"}, {22, "COMPAGNIA"}, {42, "POLIZZA N."}, {52, "DATA EFF."}, {60, "DOCUMENTO"}}};
    pg.newPage();
    pg.heads(h);
    for (const PolicyRow& r : rows) {
        if (pg.job().cancelled()) return;
        pg.room(60, &h);
        pg.row({Cell::txt(0, r.insured, 21, true), Cell::txt(22, r.company, 19), Cell::txt(42, r.policy, 10),
                Cell::txt(52, dateText(r.effect)), Cell::txt(60, r.document, 10)});
    }
}

void printOverdue(Pages& pg, const std::vector<PolicyRow>& rows)
{
    const std::vector<std::pair<int, std::string>> columns = {{0, "RATA"},      {6, "ASSICURATO"}, {17, "PRODUTTORE"},
                                                              {28, "RAPPORTO"}, {39, "POLIZZA N."}, {47, "RAMO"},
                                                              {55, "IMPORTO"},  {64, "PROVVIG."}};
    pg.newPage();
    PRINTTXT(pg.job(), {"POLIZZE INCASSO SCADUTO"}, TxtOptions().withFont(kBold));
    Decimal premiums, commissions, allPremiums, allCommissions;
    std::string company;
    Headings h;
    auto closeCompany = [&] {
        pg.room(58, &h);
        pg.row({Cell::txt(0, "TOTALE"), Cell::amount(46, premiums), Cell::amount(55, commissions)});
        premiums = commissions = Decimal();
    };
    for (size_t i = 0; i < rows.size(); ++i) {
        const PolicyRow& r = rows[i];
        if (pg.job().cancelled()) return;
        if (i == 0 || r.company != company) {
            if (i > 0) closeCompany();
            company = r.company;
            h = Headings{"COMPAGNIA: " + company, columns};
            if (pg.line() >= 54) pg.newPage();
            else pg.blank();
            pg.heads(h);
        }
        pg.room(58, &h);
        pg.row({Cell::txt(0, dateText(r.coverage)), Cell::txt(6, r.insured, 10, true), Cell::txt(17, r.producer, 10, true),
                Cell::txt(28, r.agreement, 10, true), Cell::txt(39, r.policy, 7), Cell::txt(47, r.branch, 7),
                Cell::amount(46, r.premium), Cell::amount(55, r.commission)});
        premiums += r.premium;
        commissions += r.commission;
        allPremiums += r.premium;
        allCommissions += r.commission;
    }
    if (!rows.empty()) closeCompany();
    pg.room(58);
    pg.blank();
    pg.row({Cell::txt(0, "TOTALE GENERALE"), Cell::amount(46, allPremiums), Cell::amount(55, allCommissions)});
}

void printNotPerfected(Pages& pg, const std::vector<PolicyRow>& rows)
{
    const Headings h{"POLIZZE EMESSE NON PERFEZIONATE",
                     {{0, "ASSICURATO"}, {22, "COMPAGNIA"}, {42, "POLIZZA N."}, {54, "DATA EFF."}, {64, "IMPORTO"}}};
    pg.newPage();
    pg.heads(h);
    Decimal total;
    for (const PolicyRow& r : rows) {
        if (pg.job().cancelled()) return;
        pg.room(57, &h);
        pg.row({Cell::txt(0, r.insured, 21), Cell::txt(22, r.company, 19), Cell::txt(42, r.policy, 11),
                Cell::txt(54, dateText(r.coverage)), Cell::amount(55, r.premium)});
        total += r.premium;
    }
    pg.room(57, &h);
    pg.row({Cell::txt(0, "TOTALE"), Cell::amount(55, total)});
}

} // namespace

const std::array<SuspendedAccount, 12>& suspendedAccounts()
{
    static const std::array<SuspendedAccount, 12> accounts = {{
        {"Sospesi da giroconto", "SOSPESI DA GIROCONTO"},
        {"Sospesi da clienti", "SOSPESI DA CLIENTI"},
        {"Sospesi clienti (Bonifico)", "SOSPESI DA CLIENTI (BONIFICO)"},
        {"Sospesi clienti (C/C Post)", "SOSPESI DA CLIENTI (C/C POSTALE)"},
        {"Sospesi clienti (RID)", "SOSPESI DA CLIENTI (RID)"},
        {"Sospesi compagnie/rapporti", "SOSPESI DA COMPAGNIE/RAPPORTI"},
        {"Sospesi da produttori", "SOSPESI DA PRODUTTORI"},
        {"Sospesi POS bancomat", "SOSPESI POS BANCOMAT"},
        {"Sospesi POS carta credito", "SOSPESI POS CARTA CREDITO"},
        {"Sospesi POS virtuale", "SOSPESI POS VIRTUALE"},
        {"Sospesi AB postdatati", "SOSPESI AB POSTDATATI"},
        {"Sospesi da finanziarie", "SOSPESI DA FINANZIARIE"},
    }};
    return accounts;
}

DailyFigures dailyFigures(Workspace& ws, Date today) { return figures(ws, today, nullptr); }

PrintDocument printDailyReport(Workspace& ws, Date today, bool complete, bool preview)
{
    std::unordered_set<std::string> withMovements;
    const DailyFigures f = figures(ws, today, complete ? &withMovements : nullptr);
    TPRINTER job("Reporting giornaliero del " + today.toDisplay(), preview);
    Pages pg(job, today);
    printAgreements(pg, f);
    printLoans(pg, f);
    printSuspended(pg, f);
    printProducers(pg, f.earlierMonths, "MESI PRECEDENTI");
    printProducers(pg, f.currentMonth, "MESE IN CORSO");
    printPortfolio(pg, f);
    printNewContracts(pg, f);
    printAccounts(pg, f);
    printClosing(pg, f);
    if (complete && !job.cancelled()) {
        const PolicyLists lists = policyLists(ws, today, withMovements);
        printMissingDocuments(pg, lists.missingDocuments);
        printOverdue(pg, lists.overdue);
        printNotPerfected(pg, lists.notPerfected);
    }
    if (job.pageOpen()) job.endPage();
    PrintDocument doc = job.document();
    job.end();
    return doc;
}

} // namespace arv::reporting
