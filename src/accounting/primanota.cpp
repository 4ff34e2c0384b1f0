#include "accounting/primanota.h"

#include <algorithm>
#include <cmath>

#include "accounting/earnings.h"
#include "common/calendar.h"
#include "common/mask.h"
#include "common/printjob.h"
#include "common/text.h"
#include "store/files.h"

namespace arv::accounting {

using namespace store;

namespace {

std::string_view trimmedRight(std::string_view s)
{
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

bool beginsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }
bool endsWith(std::string_view s, std::string_view p) { return s.size() >= p.size() && s.substr(s.size() - p.size()) == p; }

std::string upper(std::string_view s) { return Mask::upper(trim(s)); }

// The first N characters of a UTF-8 text, trailing blanks dropped.
std::string leftChars(const std::string& s, size_t n) { return rtrim(utf8Left(s, n)); }

// What a selection asks of one movement besides its date.
struct Selector {
    // The accounts of the sections: the six of the full prima nota or the one chosen; none for a
    // description.
    std::vector<std::string> accounts;
    std::string description;      // upper case; company movements compare its first 25 characters
    std::string companyDescription;
    std::string entry;            // upper case

    explicit Selector(const PrimaNotaCriteria& c)
    {
        if (c.full) {
            const auto& all = primaNotaAccounts();
            accounts.assign(all.begin(), all.begin() + static_cast<long>(kFullPrimaNotaAccounts));
        } else if (filled(c.account)) {
            accounts.push_back(trim(c.account));
        } else {
            description = upper(c.description);
            companyDescription = upper(utf8Left(trim(c.description), 25));
        }
        entry = upper(c.entry);
    }
    bool byAccount() const { return !accounts.empty(); }

    // The section of a movement on account CONTO (raw), or -1.
    int accountOf(std::string_view conto) const
    {
        conto = trimmedRight(conto);
        for (size_t i = 0; i < accounts.size(); ++i)
            if (beginsWith(conto, accounts[i])) return static_cast<int>(i);
        return -1;
    }
    int company(const Table& t) const
    {
        if (byAccount()) return accountOf(t.raw("CONTO"));
        return beginsWith(upper(t.text("DESCRIZIO")), companyDescription) ? 0 : -1;
    }
    int ledger(const Table& t) const
    {
        if (!entry.empty() && !beginsWith(upper(t.text("CONTABIL")), entry)) return -1;
        if (byAccount()) return accountOf(t.raw("CONTO"));
        return beginsWith(upper(t.text("CONTABIL")), description) || beginsWith(upper(t.text("DESCRIZIO")), description)
                   ? 0
                   : -1;
    }
};

Date effectiveDate(const Table& t)
{
    const Date back = t.date("RIENTRO");
    return back ? back : t.date("DATA");
}

void sides(const Table& t, Decimal& income, Decimal& expense)
{
    const std::string conto = t.text("CONTO");
    const Decimal amount = t.number("IMPORTO");
    income = primaNotaIncome(conto) ? amount : Decimal();
    expense = primaNotaExpense(conto) ? amount : Decimal();
}

} // namespace

// ---------------------------------------------------------------- accounts and sides

const std::vector<std::string>& primaNotaAccounts()
{
    static const std::vector<std::string> accounts = {
        "Cassa",
        "C/C Postale",
        "Banca 1",
        "Banca 2",
        "Banca 3",
        "Banca 4",
        "Ricaricabile 1",
        "Ricaricabile 2",
        "Ricaricabile 3",
        "Ricaricabile 4",
        "Sospesi",
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
        "Assegni e bonifici banca 1",
        "Assegni e bonifici banca 2",
        "Assegni e bonifici banca 3",
        "Assegni e bonifici banca 4",
        "Assegni/bonifici C/C Post",
    };
    return accounts;
}

bool inPrimaNotaAccount(std::string_view conto, std::string_view account)
{
    return !account.empty() && beginsWith(trimmedRight(conto), account);
}

bool primaNotaIncome(std::string_view conto)
{
    conto = trimmedRight(conto);
    return endsWith(conto, "entrate") || beginsWith(conto, "Sospesi");
}

bool primaNotaExpense(std::string_view conto)
{
    conto = trimmedRight(conto);
    return endsWith(conto, "uscite") || beginsWith(conto, "Assegni") || beginsWith(conto, "Carta di credito");
}

SummarySide summarySide(std::string_view conto)
{
    conto = trimmedRight(conto);
    static const char* const income[] = {"Cassa entrate", "C/C Postale entrate", "Banca 1 entrate", "Banca 2 entrate",
                                         "Banca 3 entrate", "Banca 4 entrate", "Ricaricabile 1 entrate",
                                         "Ricaricabile 2 entrate", "Ricaricabile 3 entrate", "Ricaricabile 4 entrate"};
    for (const char* a : income)
        if (beginsWith(conto, a)) return SummarySide::Income;
    if (beginsWith(conto, "Sospesi")) return SummarySide::Neither;
    return SummarySide::Cost;
}

// ---------------------------------------------------------------- the selection

bool withinPeriod(Date d, Date from, Date to) { return (!from || (d && !(d < from))) && (!to || (d && !(to < d))); }

std::string bookAmount(const Decimal& amount) { return trim(Mask("@E 99,999,999.99").formatNumber(amount)); }

std::string primaNotaCriteriaProblem(const PrimaNotaCriteria& c)
{
    return filled(c.account) == filled(c.description) ? kMsgAccountOrDescription : std::string();
}

Decimal PrimaNota::balance() const
{
    Decimal b;
    for (const PrimaNotaSection& s : sections) b += sectionBalance(s.company) + sectionBalance(s.ledger);
    return b;
}

PrimaNota primaNota(Workspace& ws, const PrimaNotaCriteria& c)
{
    const Selector sel(c);
    PrimaNota out;
    if (sel.byAccount())
        for (const std::string& a : sel.accounts) out.sections.push_back({a, {}, {}});
    else
        out.sections.push_back({trim(c.description), {}, {}});

    if (fileExists(ws.folder(), "MOVICOMP.DBF")) {
        OwnTable m(ws, "MOVICOMP", true);
        m->ordAdd("MOVIDATA");
        const auto batch = m->readBatch(); // one index lock for the whole pass
        for (m->goTop(); !m->eof(); m->skip(1)) {
            const Date date = m->date("DATA");
            if (c.to && date && c.to < date) break; // an effective date is never earlier than DATA
            const Date effective = effectiveDate(*m);
            if (!withinPeriod(effective, c.from, c.to)) continue;
            const int s = sel.company(*m);
            if (s < 0) continue;
            if (m->number("IMPORTO").isZero()) continue;
            CompanyRow r;
            sides(*m, r.income, r.expense);
            r.date = effective;
            r.description = m->text("DESCRIZIO");
            r.producer = m->text("PRODUTTORE");
            r.agreement = m->text("RAPPORTO");
            r.insured = m->text("ASSICURATO");
            r.policy = m->text("POLIZZA");
            r.due = m->date("SCADENZA");
            r.recno = m->recno();
            out.sections[static_cast<size_t>(s)].company.push_back(std::move(r));
        }
    }
    if (fileExists(ws.folder(), "MOVICONT.DBF")) {
        OwnTable t(ws, "MOVICONT", true);
        t->ordAdd("MOVICONT");
        const auto batch = t->readBatch();
        if (c.from) t->seek(c.from.dtos(), true);
        else t->goTop();
        for (; !t->eof(); t->skip(1)) {
            const Date date = t->date("DATA");
            if (c.to && date && c.to < date) break;
            if (!withinPeriod(date, c.from, c.to)) continue;
            const int s = sel.ledger(*t);
            if (s < 0 || t->number("IMPORTO").isZero()) continue;
            LedgerRow r;
            sides(*t, r.income, r.expense);
            r.date = date;
            r.description = t->text("DESCRIZIO");
            r.detail = t->text("DETTAGLIO");
            r.cheque = t->text("ASSEGNO");
            r.document = t->date("DATADOC");
            r.recno = t->recno();
            out.sections[static_cast<size_t>(s)].ledger.push_back(std::move(r));
        }
    }
    // The company movements came in DATA order; a returned one moves to its return day.
    for (PrimaNotaSection& s : out.sections)
        std::stable_sort(s.company.begin(), s.company.end(),
                         [](const CompanyRow& a, const CompanyRow& b) { return a.date < b.date; });
    return out;
}

std::string primaNotaTitle(const PrimaNotaCriteria& c)
{
    const std::string period = DAL_AL(c.from, c.to);
    if (c.full) {
        if (c.from && c.from == c.to) return "PRIMA NOTA DEL " + c.from.toDisplay();
        return rtrim("PRIMA NOTA " + period);
    }
    const std::string what = filled(c.account) ? upper(c.account) : upper(c.description);
    return rtrim("PRIMA NOTA " + what + " " + period);
}

// ---------------------------------------------------------------- "Stampa prima nota"

namespace {

std::string money(const Decimal& d) { return bookAmount(d); }
std::string moneyOrBlank(const Decimal& d) { return d.isZero() ? std::string() : money(d); }
std::string dateText(Date d) { return d ? d.toDisplay() : std::string(); }

class PrimaNotaPrinter {
public:
    PrimaNotaPrinter(TPRINTER& job, std::string title, bool full) : job_(job), title_(std::move(title)), full_(full) {}

    void start() { pageTop(); }

    // One section; gives its balance. An empty section prints nothing.
    template <class Row>
    Decimal section(const std::string& account, const std::vector<Row>& rows)
    {
        if (rows.empty()) return Decimal();
        if (line() >= 49) newPage();
        heads(account, rows.front());
        Decimal income, expense;
        bool first = true;
        for (const Row& r : rows) {
            if (!first && line() >= 55) {
                newPage();
                heads(account, r);
            }
            first = false;
            print(r);
            income += r.income;
            expense += r.expense;
        }
        job_.rule(job_.row() + 1, job_.margin(), job_.margin() + 67);
        PRINTTXT(job_, {"TOTALE"}, TxtOptions().withFont(bold_));
        amounts(money(income), money(expense), text_);
        PRINTTXT(job_, {});
        PRINTTXT(job_, {"SALDO"}, TxtOptions().withFont(bold_));
        PRINTTXT(job_, {money(income - expense)}, TxtOptions::at(55).alignRight(11).withFont(bold_));
        PRINTTXT(job_, {});
        PRINTTXT(job_, {});
        return income - expense;
    }

    void finish(const Decimal& balance)
    {
        if (line() >= 55) newPage();
        PRINTTXT(job_, {"SALDO TOTALE"}, TxtOptions().withFont(bold_));
        PRINTTXT(job_, {money(balance)}, TxtOptions::at(55).alignRight(11).withFont(bold_));
        job_.endPage();
    }

private:
    int line() const { return static_cast<int>(std::lround(job_.row())); }

    void pageTop()
    {
        job_.startPage();
        SAYHEADER("", job_, text_);
        PRINTTXT(job_, {title_}, TxtOptions().withFont(titleFont_));
        for (int i = 0; i < 4; ++i) PRINTTXT(job_, {});
    }
    void newPage()
    {
        job_.endPage();
        job_.setRow(2);
        pageTop();
    }

    // ENTRATE ending at column 59, USCITE at 66.5, on the current line.
    void amounts(const std::string& income, const std::string& expense, const PrintFont& font)
    {
        PRINTTXT(job_, {income}, TxtOptions::at(48).alignRight(11).withFont(font));
        if (expense.empty()) return;
        job_.say(job_.lineY(job_.row()), job_.columnX(job_.margin() + 66.5), expense, font, 0, kBlack, std::nullopt,
                 TextAlign::Right);
    }

    void accountLine(const std::string& account)
    {
        if (!full_) return;
        PRINTTXT(job_, {account}, TxtOptions().withFont(bold_));
        job_.rule(job_.row() + 1, job_.margin(), job_.margin() + 67);
    }

    void heads(const std::string& account, const CompanyRow&)
    {
        accountLine(account);
        PRINTTXT(job_, {"MOVIMENTI COMPAGNIE"}, TxtOptions().withFont(bold_));
        PRINTTXT(job_, {"DATA"}, TxtOptions().withFont(bold_));
        const std::pair<int, const char*> cols[] = {{5, "DESCRIZIONE"}, {12, "PRODUTTORE"}, {23, "RAPPORTO"},
                                                    {34, "ASSICURATO"},  {45, "POLIZZA N."}, {53, "SCAD."}};
        for (const auto& [col, head] : cols) PRINTTXT(job_, {head}, TxtOptions::at(col).withFont(bold_));
        amounts("ENTRATE", "USCITE", bold_);
        job_.rule(job_.row() + 1, job_.margin(), job_.margin() + 67);
    }
    void heads(const std::string& account, const LedgerRow&)
    {
        accountLine(account);
        PRINTTXT(job_, {"MOVIMENTI CONTABILITA'"}, TxtOptions().withFont(bold_));
        PRINTTXT(job_, {"DATA"}, TxtOptions().withFont(bold_));
        const std::pair<int, const char*> cols[] = {
            {5, "DESCRIZIONE"}, {23, "DETTAGLIO"}, {41, "ASSEGNO"}, {52, "DATA DOC."}};
        for (const auto& [col, head] : cols) PRINTTXT(job_, {head}, TxtOptions::at(col).withFont(bold_));
        amounts("ENTRATE", "USCITE", bold_);
        job_.rule(job_.row() + 1, job_.margin(), job_.margin() + 67);
    }

    void print(const CompanyRow& r)
    {
        PRINTTXT(job_, {dateText(r.date)}, TxtOptions().withFont(text_));
        const std::pair<int, std::string> cols[] = {{5, leftChars(r.description, 6)}, {12, leftChars(r.producer, 10)},
                                                    {23, leftChars(r.agreement, 10)}, {34, leftChars(r.insured, 10)},
                                                    {45, leftChars(r.policy, 7)},     {53, dateText(r.due)}};
        for (const auto& [col, value] : cols)
            if (!value.empty()) PRINTTXT(job_, {value}, TxtOptions::at(col).withFont(text_));
        amounts(moneyOrBlank(r.income), moneyOrBlank(r.expense), text_);
    }
    void print(const LedgerRow& r)
    {
        PRINTTXT(job_, {dateText(r.date)}, TxtOptions().withFont(text_));
        const std::pair<int, std::string> cols[] = {{5, leftChars(r.description, 17)},
                                                    {23, leftChars(r.detail, 17)},
                                                    {41, leftChars(r.cheque, 10)},
                                                    {52, dateText(r.document)}};
        for (const auto& [col, value] : cols)
            if (!value.empty()) PRINTTXT(job_, {value}, TxtOptions::at(col).withFont(text_));
        amounts(moneyOrBlank(r.income), moneyOrBlank(r.expense), text_);
    }

    TPRINTER& job_;
    std::string title_;
    bool full_;
    const PrintFont text_{"Arial", 7.5}, bold_{"Arial", 7.5, true};
    const PrintFont titleFont_{"Arial", 15, true, false, true};
};

} // namespace

PrintDocument printPrimaNota(Workspace& ws, const PrimaNotaCriteria& c, bool preview)
{
    const PrimaNota nota = primaNota(ws, c);
    TPRINTER job("Stampa prima nota", preview, false, {}, true);
    PrimaNotaPrinter p(job, primaNotaTitle(c), c.full);
    p.start();
    Decimal balance;
    for (const PrimaNotaSection& s : nota.sections) {
        balance += p.section(s.account, s.company);
        balance += p.section(s.account, s.ledger);
    }
    p.finish(balance);
    PrintDocument doc = job.document();
    job.end();
    return doc;
}

// ---------------------------------------------------------------- year by year

void YearSpan::add(Date d)
{
    if (!d) return;
    if (!first || d.year() < *first) first = d.year();
    last = std::max(last, d.year());
}

std::vector<StatisticsLine> statisticsLines(std::optional<int> first, int last, const std::map<int, YearFigures>& years)
{
    std::vector<StatisticsLine> out;
    if (!first) return out;
    YearFigures previous;
    for (int y = *first; y <= last; ++y) {
        auto it = years.find(y);
        const YearFigures now = it == years.end() ? YearFigures{} : it->second;
        if (!now.income.isZero() || !now.expense.isZero()) {
            StatisticsLine l;
            l.year = y;
            l.income = now.income;
            l.incomeChange = compareYears(now.income, previous.income).difference;
            l.expense = now.expense;
            l.expenseChange = compareYears(now.expense, previous.expense).difference;
            l.total = now.income - now.expense;
            const YearChange total = compareYears(l.total, previous.income - previous.expense);
            l.totalChange = total.difference;
            l.percent = total.percent;
            out.push_back(std::move(l));
        }
        previous = now;
    }
    return out;
}

std::vector<StatisticsLine> primaNotaStatistics(Workspace& ws, const PrimaNotaCriteria& criteria)
{
    PrimaNotaCriteria c = criteria;
    c.full = false;
    const Selector sel(c);
    std::map<int, YearFigures> years;
    YearSpan span;
    auto add = [&](Date d, const Table& t) {
        if (!d || !inCalendarWindow(d, c.from, c.to)) return;
        Decimal income, expense;
        sides(t, income, expense);
        YearFigures& y = years[d.year()];
        y.income += income;
        y.expense += expense;
    };
    if (fileExists(ws.folder(), "MOVICOMP.DBF")) {
        OwnTable m(ws, "MOVICOMP", true);
        for (m->goTop(); !m->eof(); m->skip(1)) {
            const Date d = effectiveDate(*m);
            span.add(d);
            if (sel.company(*m) >= 0) add(d, *m);
        }
    }
    if (fileExists(ws.folder(), "MOVICONT.DBF")) {
        OwnTable t(ws, "MOVICONT", true);
        for (t->goTop(); !t->eof(); t->skip(1)) {
            const Date d = t->date("DATA");
            span.add(d);
            if (sel.ledger(*t) >= 0) add(d, *t);
        }
    }
    return statisticsLines(span.first, span.last, years);
}

PrintDocument printPrimaNotaStatistics(Workspace& ws, const PrimaNotaCriteria& c, bool preview)
{
    const std::string what = filled(c.account) ? upper(c.account) : upper(c.description);
    return printStatisticsLines("Statistiche prima nota", "STATISTICHE PRIMA NOTA",
                                rtrim(what + " " + DAL_AL(c.from, c.to)), primaNotaStatistics(ws, c), preview);
}

PrintDocument printStatisticsLines(const std::string& docName, const std::string& header, const std::string& subtitle,
                                   const std::vector<StatisticsLine>& lines, bool preview)
{
    const PrintFont font("Arial", 10), bold("Arial", 10, true);
    TPRINTER job(docName, preview);
    // Heads at their columns; each figure ends under the end of its head.
    const std::pair<int, const char*> heads[] = {{7, "ENTRATE"},     {15, "DIFFERENZA"}, {29, "USCITE"},
                                                 {35, "DIFFERENZA"}, {48, "TOTALE"},     {55, "DIFFERENZA"},
                                                 {66, "PERC."}};
    const int ends[] = {14, 25, 34, 45, 54, 65, 71};
    auto pageTop = [&] {
        job.startPage();
        SAYHEADER(header, job, font);
        PRINTTXT(job, {subtitle}, TxtOptions().withFont(bold));
        PRINTTXT(job, {});
        PRINTTXT(job, {});
        PRINTTXT(job, {"ANNO"}, TxtOptions().withFont(bold));
        for (const auto& [col, head] : heads) PRINTTXT(job, {head}, TxtOptions::at(col).withFont(bold));
        job.rule(job.row() + 1, job.margin(), 78);
    };
    pageTop();
    for (const StatisticsLine& l : lines) {
        if (std::lround(job.row()) >= 60) {
            job.endPage();
            job.setRow(2);
            pageTop();
        }
        PRINTTXT(job, {std::to_string(l.year)}, TxtOptions().withFont(font));
        const std::string cells[] = {money(l.income), money(l.incomeChange), money(l.expense),
                                     money(l.expenseChange), money(l.total), money(l.totalChange), l.percent};
        for (size_t i = 0; i < 7; ++i) {
            if (cells[i].empty()) continue;
            PRINTTXT(job, {cells[i]}, TxtOptions::at(ends[i] - 12).alignRight(12).withFont(font));
        }
    }
    job.endPage();
    PrintDocument doc = job.document();
    job.end();
    return doc;
}

} // namespace arv::accounting
