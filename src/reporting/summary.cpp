#include "reporting/summary.h"

#include <algorithm>
#include <map>

#include "accounting/earnings.h"
#include "common/calendar.h"
#include "common/instalments.h"
#include "common/movementkinds.h"
#include "common/numfmt.h"
#include "common/printjob.h"
#include "common/text.h"
#include "records/scopedread.h"
#include "reporting/scan.h"
#include "reporting/yearstatistics.h"
#include "store/files.h"

namespace arv::reporting {

using namespace store;
using records::ScopedRecord;

namespace {

void count(uint64_t* read, uint64_t n)
{
    if (read) *read += n;
}

bool singlePremium(const std::string& frequency) { return beginsWith(frequency, "PREMIO UNICO"); }

// The policies the predicate selects, annualised.
template <typename Select>
PortfolioFigures annualPremiums(Workspace& ws, uint64_t* read, Select select)
{
    PortfolioFigures f;
    if (!fileExists(ws.folder(), "POLIZZE.DBF")) return f;
    OwnTable t(ws, "POLIZZE", true);
    uint64_t n = 0;
    for (t->goTop(); !t->eof(); t->skip(1), ++n) {
        if (!select(*t)) continue;
        const std::string frequency = t->text("FRAZIONAM");
        const Decimal annual = t->number("IMPORTO") * Decimal(RATE(frequency));
        f.total += annual;
        if (singlePremium(frequency)) f.singlePremiums += annual;
    }
    count(read, n);
    return f;
}

// What a section that reads every company movement (by a date no index holds) reads.
void countMovements(Workspace& ws, uint64_t* read)
{
    if (!read || !fileExists(ws.folder(), "MOVICOMP.DBF")) return;
    OwnTable t(ws, "MOVICOMP", true);
    *read += t->lastRec();
}

} // namespace

std::string summaryCriteriaProblem(const SummaryCriteria& c)
{
    if (!c.from || !c.to) return "Indicare il periodo.";
    return std::string();
}

PortfolioFigures portfolioTotal(Workspace& ws, uint64_t* read)
{
    return annualPremiums(ws, read, [](const Table& t) { return trim(t.text("SOSTDA")).empty() && !t.logical("DISDETTA"); });
}

PortfolioFigures newContracts(Workspace& ws, Date from, Date to, uint64_t* read)
{
    return annualPremiums(ws, read, [from, to](const Table& t) {
        const Date effect = t.date("EFFETTO");
        return effect && effect >= from && effect <= to && trim(t.text("SOSTPOL")).empty() &&
               trim(t.text("SOSTDA")).empty() && trim(t.text("PROVENIEN")).empty();
    });
}

Decimal premiumsCollected(Workspace& ws, Date from, Date to, uint64_t* read)
{
    Decimal sum;
    if (!fileExists(ws.folder(), "MOVICOMP.DBF")) return sum;
    OwnTable t(ws, "MOVICOMP", true);
    count(read, records::readDates(*t, "MOVIDATA", from, to, [&](const ScopedRecord& r) {
        if (isCollection(r.text("DESCRIZIO"))) sum += r.number("IMPORTO");
    }));
    return sum;
}

std::vector<ProducerProductivity> producerProductivity(Workspace& ws, Date from, Date to, uint64_t* read)
{
    std::map<std::string, ProducerProductivity> byProducer;
    if (fileExists(ws.folder(), "MOVICOMP.DBF")) {
        OwnTable t(ws, "MOVICOMP", true);
        count(read, records::readDates(*t, "MOVIDATA", from, to, [&](const ScopedRecord& r) {
            const Decimal share = r.number("PROVVPROD");
            if (r.number("IMPORTO").isZero() && share.isZero()) return;
            const std::string name = trim(r.text("PRODUTTORE"));
            ProducerProductivity& p = byProducer[upper(name)];
            if (p.producer.empty()) p.producer = name;
            p.agency += r.number("PROVVAGEN");
            p.producerShare += share;
        }));
    }
    std::vector<ProducerProductivity> out;
    for (auto& [key, p] : byProducer)
        if (!p.agency.isZero() || !p.producerShare.isZero()) out.push_back(std::move(p));
    return out;
}

std::vector<BranchCollections> collectionsByBranch(Workspace& ws, Date from, Date to, uint64_t* read)
{
    std::map<std::string, BranchCollections> byBranch;
    if (fileExists(ws.folder(), "MOVICOMP.DBF")) {
        OwnTable t(ws, "MOVICOMP", true);
        auto year = [&](Date a, Date b, Decimal BranchCollections::*figure) {
            count(read, records::readDates(*t, "MOVIDATA", a, b, [&](const ScopedRecord& r) {
                if (!isCollection(r.text("DESCRIZIO"))) return;
                const std::string name = trim(r.text("RAMO"));
                BranchCollections& c = byBranch[upper(name)];
                if (c.branch.empty()) c.branch = name;
                c.*figure += r.number("IMPORTO");
            }));
        };
        year(from, to, &BranchCollections::current);
        year(SUBMONTH(from, 12), SUBMONTH(to, 12), &BranchCollections::previous);
    }
    std::vector<BranchCollections> out;
    for (auto& [key, c] : byBranch)
        if (c.current > Decimal() || c.previous > Decimal()) out.push_back(std::move(c));
    return out;
}

std::string branchChange(const Decimal& current, const Decimal& previous)
{
    if (current.isZero()) return std::string();
    return accounting::compareYears(current, previous).percent;
}

namespace {

class SummaryPrinter {
public:
    SummaryPrinter(TPRINTER& job) : job_(job) {}

    void newPage()
    {
        if (job_.pageOpen()) job_.endPage();
        job_.startPage();
        SAYHEADER("RIEPILOGO STATISTICHE", job_, plain_);
        PRINTTXT(job_, {}, TxtOptions());
    }
    // A section's title on a page with room for LINES more lines.
    void title(const std::string& text, int lines)
    {
        if (job_.row() + lines > 60) newPage();
        PRINTTXT(job_, {}, TxtOptions());
        PRINTTXT(job_, {text}, TxtOptions().withFont(bold_));
    }
    // A line of the section, on a new page past line 60.
    void line(const std::string& label, bool bold = false)
    {
        if (job_.row() >= 60) newPage();
        PRINTTXT(job_, {label}, TxtOptions().withFont(bold ? bold_ : plain_));
    }
    // An amount right-aligned in the 11 columns from COL (ENSTR width 11).
    void amount(int col, const Decimal& value, bool bold = false) { right(col, ENSTR(value), bold); }
    void right(int col, const std::string& text, bool bold = false)
    {
        PRINTTXT(job_, {trim(text)}, TxtOptions::at(col).alignRight(11).withFont(bold ? bold_ : plain_));
    }
    // Column headings, each ending where the figures under it end.
    void headings(const std::string& first, const std::vector<std::pair<int, std::string>>& others)
    {
        line(first, true);
        int end = 0;
        for (const auto& [col, text] : others) {
            right(col, text, true);
            end = std::max(end, col + 11);
        }
        job_.rule(job_.row() + 1, job_.margin(), job_.margin() + end);
    }

    TPRINTER& job() { return job_; }

private:
    TPRINTER& job_;
    PrintFont plain_{"Arial", 10}, bold_{"Arial", 10, true};
};

// The period text in capitals without its leading "- ".
std::string periodText(Date from, Date to) { return upper(periodTitle(from, to)); }

} // namespace

PrintDocument printSummary(Workspace& ws, const SummaryCriteria& c, bool preview,
                           const std::function<void(const std::string&)>& failed, uint64_t* read)
{
    TPRINTER job("Riepilogo statistiche", preview);
    job.setFont(PrintFont("Arial", 10));
    SummaryPrinter p(job);
    p.newPage();
    const Date yearStart = c.from ? Date::fromYmd(c.from.year(), 1, 1) : Date();
    const Date backFrom = SUBMONTH(c.from, 12), backTo = SUBMONTH(c.to, 12);
    const std::string period = periodText(c.from, c.to);

    struct Section {
        const char* name;
        std::function<void()> print;
    };
    // The year-over-year sections print into this job, a new page starting as the others do.
    SectionStyle style;
    style.pageTop = [](TPRINTER& j) {
        SAYHEADER("RIEPILOGO STATISTICHE", j, PrintFont("Arial", 10));
        PRINTTXT(j, {}, TxtOptions());
    };
    auto yearly = [&](const std::string& title, const std::vector<YearTotal>& years) {
        p.title(title, 5);
        printYearSection(job, years, style);
    };
    const std::vector<Section> sections = {
        {"STATISTICHE RAPPORTI",
         [&] {
             const std::vector<YearTotal> years = agreementYears(ws, c.from, c.to);
             countMovements(ws, read);
             yearly("STATISTICHE RAPPORTI " + period, years);
         }},
        {"STATISTICHE RAPPORTI",
         [&] {
             const std::vector<YearTotal> years = agreementYears(ws, yearStart, c.to);
             countMovements(ws, read);
             yearly("STATISTICHE RAPPORTI " + periodText(yearStart, c.to), years);
         }},
        {"TOTALE PORTAFOGLIO",
         [&] {
             const PortfolioFigures f = portfolioTotal(ws, read);
             p.title("TOTALE PORTAFOGLIO", 3);
             p.amount(54, f.total, true);
             p.line("DI CUI PREMI UNICI");
             p.amount(54, f.singlePremiums);
         }},
        {"TOTALE PORTAFOGLIO INCASSATO",
         [&] {
             const Decimal now = premiumsCollected(ws, c.from, c.to, read);
             const Decimal before = premiumsCollected(ws, backFrom, backTo, read);
             p.title("TOTALE PORTAFOGLIO INCASSATO " + period, 3);
             p.amount(54, now, true);
             p.line("TOTALE PORTAFOGLIO INCASSATO " + periodText(backFrom, backTo), true);
             p.amount(54, before, true);
         }},
        {"CONTRATTI NUOVI",
         [&] {
             const PortfolioFigures f = newContracts(ws, c.from, c.to, read);
             p.title("CONTRATTI NUOVI " + period, 3);
             p.amount(54, f.total, true);
             p.line("DI CUI PREMI UNICI");
             p.amount(54, f.singlePremiums);
         }},
        {"STATISTICHE PRODUTTORI",
         [&] {
             const std::vector<YearTotal> years = producerYears(ws, c.from, c.to);
             countMovements(ws, read);
             yearly("STATISTICHE PRODUTTORI " + period, years);
         }},
        {"PRODUTTIVITA' PRODUTTORI",
         [&] {
             const std::vector<ProducerProductivity> rows = producerProductivity(ws, yearStart, c.to, read);
             p.title("PRODUTTIVITA' PRODUTTORI " + periodText(yearStart, c.to), 6);
             p.headings("PRODUTTORE", {{30, "PROVV.AGENZIA"}, {42, "PROVV.PROD."}, {54, "PRODUTTIVITA'"}});
             ProducerProductivity total;
             for (const ProducerProductivity& r : rows) {
                 p.line(utf8Left(r.producer, 24));
                 p.amount(30, r.agency);
                 p.amount(42, r.producerShare);
                 p.amount(54, r.productivity());
                 total.agency += r.agency;
                 total.producerShare += r.producerShare;
             }
             p.line("TOTALE", true);
             p.amount(30, total.agency, true);
             p.amount(42, total.producerShare, true);
             p.amount(54, total.productivity(), true);
         }},
        {"REPORT INCASSI PER RAMO",
         [&] {
             const std::vector<BranchCollections> rows = collectionsByBranch(ws, c.from, c.to, read);
             p.title("REPORT INCASSI PER RAMO " + period, 6);
             const int year = c.from.year();
             p.headings("RAMO", {{30, std::to_string(year)}, {42, std::to_string(year - 1)}, {54, "PERCENTUALE"}});
             Decimal now, before;
             for (const BranchCollections& r : rows) {
                 p.line(utf8Left(r.branch, 24));
                 p.amount(30, r.current);
                 p.amount(42, r.previous);
                 p.right(54, branchChange(r.current, r.previous));
                 now += r.current;
                 before += r.previous;
             }
             p.line("TOTALE", true);
             p.amount(30, now, true);
             p.amount(42, before, true);
         }},
    };
    for (const Section& s : sections) {
        if (job.cancelled()) break;
        // A section that fails ends there (its tables are closed as it unwinds); the rest go on.
        try {
            s.print();
        } catch (const std::exception& e) {
            if (failed) failed(std::string("Riepilogo statistiche, ") + s.name + ": " + e.what());
        }
    }
    job.endPage();
    PrintDocument made = job.document();
    job.end();
    return made;
}

} // namespace arv::reporting
