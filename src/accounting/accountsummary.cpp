#include "accounting/accountsummary.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "accounting/earnings.h"
#include "common/calendar.h"
#include "common/mask.h"
#include "common/printjob.h"
#include "common/text.h"
#include "store/files.h"

namespace arv::accounting {

using namespace store;

namespace {

std::string money(const Decimal& d) { return bookAmount(d); }

// The period text without its "- ".
std::string periodText(Date from, Date to)
{
    const std::string p = DAL_AL(from, to);
    return p.size() > 2 ? p.substr(2) : std::string();
}

} // namespace

Decimal earnedCommissions(Workspace& ws, Date from, Date to)
{
    if (!fileExists(ws.folder(), "MOVICOMP.DBF")) return Decimal();
    struct Movement {
        std::string agreement;
        Date date;
        uint32_t recno;
        std::string description;
        Decimal commission;
    };
    std::vector<Movement> all;
    {
        OwnTable m(ws, "MOVICOMP", true);
        for (m->goTop(); !m->eof(); m->skip(1)) {
            const Date fees = m->date("CORRISP");
            if (!fees || !withinPeriod(fees, from, to)) continue;
            std::string agreement = m->text("RAPPORTO");
            if (!filled(agreement)) continue;
            all.push_back({std::move(agreement), m->date("DATA"), m->recno(), m->text("DESCRIZIO"), m->number("PROVVAGEN")});
        }
    }
    std::sort(all.begin(), all.end(), [](const Movement& a, const Movement& b) {
        if (a.agreement != b.agreement) return a.agreement < b.agreement;
        if (a.date != b.date) return b.date < a.date;
        return a.recno > b.recno;
    });
    EarnedWalk walk;
    Decimal earned;
    for (const Movement& m : all)
        if (walk.counts(m.agreement, m.description)) earned += m.commission;
    return earned;
}

AccountSummary accountSummary(Workspace& ws, const SummaryCriteria& c)
{
    AccountSummary s;
    s.commissions = earnedCommissions(ws, c.from, c.to);
    s.revenueTotal = s.commissions;
    // Per key: the cost and the revenue of its movements, in key order.
    struct Sums {
        Decimal cost, revenue;
    };
    auto less = [](const std::string& a, const std::string& b) {
        const std::string ua = Mask::upper(a), ub = Mask::upper(b);
        return ua != ub ? ua < ub : a < b;
    };
    std::map<std::string, Sums, decltype(less)> groups(less);
    if (fileExists(ws.folder(), "MOVICONT.DBF")) {
        OwnTable t(ws, "MOVICONT", true);
        t->ordAdd("MOVICONT");
        const auto batch = t->readBatch(); // one index lock for the whole pass
        if (c.from) t->seek(c.from.dtos(), true);
        else t->goTop();
        for (; !t->eof(); t->skip(1)) {
            const Date d = t->date("DATA");
            if (c.to && d && c.to < d) break;
            if (!withinPeriod(d, c.from, c.to) || !t->logical("PRIMANOTA")) continue;
            const SummarySide side = summarySide(t->text("CONTO"));
            Sums& g = groups[trim(c.byEntry ? t->text("CONTABIL") : t->text("DESCRIZIO"))];
            if (side == SummarySide::Cost) g.cost += t->number("IMPORTO");
            else if (side == SummarySide::Income) g.revenue += t->number("IMPORTO");
        }
    }
    for (const auto& [key, g] : groups) {
        s.costTotal += g.cost;
        s.revenueTotal += g.revenue;
        if (g.cost > Decimal()) s.costs.push_back({key, g.cost});
        if (g.revenue > Decimal()) s.revenues.push_back({key, g.revenue});
    }
    return s;
}

std::string summaryTitle(Date from, Date to) { return rtrim("RIEPILOGO SITUAZIONE CONTABILE " + Mask::upper(periodText(from, to))); }

PrintDocument printAccountSummary(const AccountSummary& s, Date from, Date to, bool preview)
{
    const PrintFont font("Arial", 10), bold("Arial", 10, true), titleFont("Arial", 15, true, false, true);
    TPRINTER job("Riepilogo situazione contabile", preview);
    const std::string title = summaryTitle(from, to);
    std::string section; // the heading repeated on a new page
    auto line = [&] { return static_cast<int>(std::lround(job.row())); };
    auto heads = [&] {
        PRINTTXT(job, {section}, TxtOptions().withFont(bold));
        PRINTTXT(job, {});
        PRINTTXT(job, {"DESCRIZIONE"}, TxtOptions().withFont(bold));
        PRINTTXT(job, {"IMPORTO"}, TxtOptions::at(39).withFont(bold));
        job.rule(job.row() + 1, job.margin(), job.margin() + 41);
    };
    auto pageTop = [&] {
        job.startPage();
        PRINTTXT(job, {title}, TxtOptions().withFont(titleFont));
        for (int i = 0; i < 4; ++i) PRINTTXT(job, {});
        if (!section.empty()) heads();
    };
    auto row = [&](const std::string& label, const Decimal& amount, const PrintFont& f) {
        if (line() >= 57) {
            job.endPage();
            job.setRow(2);
            pageTop();
        }
        PRINTTXT(job, {label}, TxtOptions().withFont(f));
        PRINTTXT(job, {money(amount)}, TxtOptions::at(30).alignRight(11).withFont(f));
    };
    auto closing = [&](const Decimal& total) {
        job.rule(job.row() + 1, job.margin(), job.margin() + 41);
        row("TOTALE", total, bold);
    };
    pageTop();
    section = "COSTI, SPESE E PERDITE";
    heads();
    for (const SummaryGroup& g : s.costs) row(g.key, g.amount, font);
    closing(s.costTotal);
    PRINTTXT(job, {});
    PRINTTXT(job, {});
    section = "RICAVI";
    if (line() >= 53) { // no room for the heads and a row
        job.endPage();
        job.setRow(2);
        pageTop();
    } else {
        heads();
    }
    row("PROVVIGIONI", s.commissions, font);
    for (const SummaryGroup& g : s.revenues) row(g.key, g.amount, font);
    closing(s.revenueTotal);
    section.clear();
    PRINTTXT(job, {});
    PRINTTXT(job, {});
    row("TOTALE USCITE", s.costTotal, bold);
    row("TOTALE ENTRATE", s.revenueTotal, bold);
    row("TOTALE DI BILANCIO", s.balance(), bold);
    job.endPage();
    PrintDocument doc = job.document();
    job.end();
    return doc;
}

std::vector<StatisticsLine> summaryStatistics(Workspace& ws, Date from, Date to)
{
    std::map<int, YearFigures> years;
    YearSpan span;
    auto window = [&](Date d) { return d && inCalendarWindow(d, from, to); };
    if (fileExists(ws.folder(), "MOVICOMP.DBF")) {
        OwnTable m(ws, "MOVICOMP", true);
        for (m->goTop(); !m->eof(); m->skip(1)) {
            const Date d = m->date("DATA");
            span.add(d);
            if (window(d)) years[d.year()].income += m->number("PROVVAGEN");
        }
    }
    if (fileExists(ws.folder(), "MOVICONT.DBF")) {
        OwnTable t(ws, "MOVICONT", true);
        for (t->goTop(); !t->eof(); t->skip(1)) {
            const Date d = t->date("DATA");
            span.add(d);
            if (window(d) && t->logical("PRIMANOTA") && summarySide(t->text("CONTO")) == SummarySide::Cost)
                years[d.year()].expense += t->number("IMPORTO");
        }
    }
    return statisticsLines(span.first, span.last, years);
}

PrintDocument printSummaryStatistics(Workspace& ws, Date from, Date to, bool preview)
{
    return printStatisticsLines("Statistiche situazione contabile", "STATISTICHE SITUAZIONE CONTABILE",
                                periodText(from, to), summaryStatistics(ws, from, to), preview);
}

} // namespace arv::accounting
