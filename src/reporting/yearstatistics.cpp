#include "reporting/yearstatistics.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "accounting/earnings.h"
#include "common/text.h"
#include "reporting/periods.h"
#include "reporting/scan.h"
#include "store/files.h"

namespace arv::reporting {

using namespace store;

namespace {

struct Earned {
    int year = 0;
    std::string key;    // the holder in upper case
    std::string holder; // as stored
    Date date;
    uint32_t recno = 0;
    std::string description;
    Decimal amount;
};

// Movements with a date in DATEFIELD and a holder in HOLDERFIELD, the date in the window.
std::vector<Earned> earned(Workspace& ws, Date from, Date to, FieldName dateField, FieldName holderField,
                           FieldName amountField, const std::string& branch)
{
    std::vector<Earned> out;
    if (!fileExists(ws.folder(), "MOVICOMP.DBF")) return out;
    OwnTable m(ws, "MOVICOMP", true);
    const auto visit = [&](const Table& t) {
        const Date when = t.date(dateField);
        if (!when) return;
        const std::string holder = t.text(holderField);
        if (!filled(holder) || !PERIODO(when, from, to)) return;
        if (!branch.empty() && !beginsWith(t.text("RAMO"), branch)) return;
        out.push_back({when.year(), upper(holder), trim(holder), t.date("DATA"), t.recno(), t.text("DESCRIZIO"),
                       t.number(amountField)});
    };
    // Every movement, in the file's order: the walk sorts them afterwards.
    for (m->goTop(); !m->eof(); m->skip(1)) visit(*m);
    return out;
}

// Newest first within a group.
bool newer(const Earned& a, const Earned& b) { return a.date != b.date ? a.date > b.date : a.recno > b.recno; }

// The agreements' movements in the order of the walk, GROUPED by year then agreement, or by
// agreement then year; each movement told whether it counts.
template <typename Visit>
void walkAgreements(std::vector<Earned>& rows, bool byYear, Visit visit)
{
    std::sort(rows.begin(), rows.end(), [byYear](const Earned& a, const Earned& b) {
        if (byYear && a.year != b.year) return a.year < b.year;
        if (a.key != b.key) return a.key < b.key;
        if (a.year != b.year) return a.year < b.year;
        return newer(a, b);
    });
    accounting::EarnedWalk walk;
    for (const Earned& r : rows) {
        // Each year of each agreement is walked on its own.
        const bool counts = walk.counts(std::to_string(r.year) + "|" + r.key, r.description);
        visit(r, counts);
    }
}

std::vector<HolderYears> byHolder(const std::vector<Earned>& rows, const std::function<bool(const Earned&)>& counts)
{
    std::vector<HolderYears> out;
    std::string key;
    for (const Earned& r : rows) {
        if (out.empty() || r.key != key) {
            out.push_back({r.holder, {}});
            key = r.key;
        }
        std::vector<YearTotal>& years = out.back().years;
        if (years.empty() || years.back().year != r.year) years.push_back({r.year, Decimal()});
        if (counts(r)) years.back().total += r.amount;
    }
    return out;
}

} // namespace

std::vector<YearTotal> agreementYears(Workspace& ws, Date from, Date to)
{
    std::vector<Earned> rows = earned(ws, from, to, "CORRISP", "RAPPORTO", "PROVVAGEN", {});
    std::map<int, Decimal> years;
    walkAgreements(rows, true, [&years](const Earned& r, bool counts) {
        Decimal& total = years[r.year];
        if (counts) total += r.amount;
    });
    std::vector<YearTotal> out;
    for (const auto& [year, total] : years) out.push_back({year, total});
    return out;
}

std::vector<HolderYears> agreementYearsByAgreement(Workspace& ws, Date from, Date to)
{
    std::vector<Earned> rows = earned(ws, from, to, "CORRISP", "RAPPORTO", "PROVVAGEN", {});
    std::vector<Earned> ordered;
    std::vector<bool> counted;
    walkAgreements(rows, false, [&](const Earned& r, bool counts) {
        ordered.push_back(r);
        counted.push_back(counts);
    });
    size_t i = 0;
    return byHolder(ordered, [&counted, &i](const Earned&) { return counted[i++]; });
}

std::vector<YearTotal> producerYears(Workspace& ws, Date from, Date to, const std::string& branch)
{
    std::map<int, Decimal> years;
    for (const Earned& r : earned(ws, from, to, "CHIUSURA", "PRODUTTORE", "PROVVPROD", trim(branch)))
        years[r.year] += r.amount;
    std::vector<YearTotal> out;
    for (const auto& [year, total] : years) out.push_back({year, total});
    return out;
}

std::vector<HolderYears> producerYearsByProducer(Workspace& ws, Date from, Date to)
{
    std::vector<Earned> rows = earned(ws, from, to, "CHIUSURA", "PRODUTTORE", "PROVVPROD", {});
    std::stable_sort(rows.begin(), rows.end(), [](const Earned& a, const Earned& b) {
        return a.key != b.key ? a.key < b.key : a.year < b.year;
    });
    return byHolder(rows, [](const Earned&) { return true; });
}

// ---------------------------------------------------------------- printing

namespace {

// Right edges of the figures: the yearly section, and the section per holder (after its name).
constexpr int kYearEdges[3] = {40, 54, 68};
constexpr int kHolderYearAt = 30;
constexpr int kHolderEdges[3] = {46, 60, 74};

class SectionPrinter {
public:
    SectionPrinter(TPRINTER& job, const SectionStyle& style, std::function<void()> headings)
        : job_(job), style_(style), headings_(std::move(headings))
    {
    }
    // Before a line: a new page (with the report's header and the headings) when the page is full.
    void room()
    {
        if (std::lround(job_.row()) + 1 < style_.newPageAt) return;
        job_.endPage();
        job_.setRow(2);
        job_.startPage();
        if (style_.pageTop) style_.pageTop(job_);
        headings_();
    }

private:
    TPRINTER& job_;
    const SectionStyle& style_;
    std::function<void()> headings_;
};

void figures(TPRINTER& job, const int (&edges)[3], const YearTotal& y, const Decimal& previous, const PrintFont& f)
{
    const accounting::YearChange change = accounting::compareYears(printed(y.total), printed(previous));
    PRINTTXT(job, {money(y.total)}, endingAt(edges[0], f));
    PRINTTXT(job, {money(change.difference)}, endingAt(edges[1], f));
    PRINTTXT(job, {change.percent}, endingAt(edges[2], f));
}

} // namespace

void printYearSection(TPRINTER& job, const std::vector<YearTotal>& years, const SectionStyle& style)
{
    auto headings = [&] {
        PRINTTXT(job, {"ANNO"}, TxtOptions().withFont(style.bold));
        PRINTTXT(job, {"TOTALE"}, endingAt(kYearEdges[0], style.bold));
        PRINTTXT(job, {"DIFFERENZA"}, endingAt(kYearEdges[1], style.bold));
        PRINTTXT(job, {"PERCENTUALE"}, endingAt(kYearEdges[2], style.bold));
        job.rule(job.row() + 1, job.margin(), job.margin() + kYearEdges[2]);
    };
    SectionPrinter pages(job, style, headings);
    headings();
    Decimal previous;
    for (const YearTotal& y : years) {
        if (printed(y.total).isZero()) {
            previous = Decimal();
            continue;
        }
        pages.room();
        PRINTTXT(job, {std::to_string(y.year)}, TxtOptions().withFont(style.font));
        figures(job, kYearEdges, y, previous, style.font);
        previous = y.total;
    }
}

void printHolderSection(TPRINTER& job, const std::string& holderHeading, const std::vector<HolderYears>& holders,
                        const SectionStyle& style)
{
    auto headings = [&] {
        PRINTTXT(job, {holderHeading}, TxtOptions().withFont(style.bold));
        PRINTTXT(job, {"ANNO"}, TxtOptions::at(kHolderYearAt).withFont(style.bold));
        PRINTTXT(job, {"TOTALE"}, endingAt(kHolderEdges[0], style.bold));
        PRINTTXT(job, {"DIFFERENZA"}, endingAt(kHolderEdges[1], style.bold));
        PRINTTXT(job, {"PERCENTUALE"}, endingAt(kHolderEdges[2], style.bold));
        job.rule(job.row() + 1, job.margin(), job.margin() + kHolderEdges[2]);
    };
    SectionPrinter pages(job, style, headings);
    headings();
    for (const HolderYears& h : holders) {
        Decimal previous;
        bool named = false;
        for (const YearTotal& y : h.years) {
            if (printed(y.total).isZero()) {
                previous = Decimal();
                continue;
            }
            pages.room();
            // The name cut before it reaches the year (a column of room between them).
            const double room = job.columnX(kHolderYearAt - 1);
            PRINTTXT(job, {named ? std::string() : job.fitText(utf8Left(h.holder, 30), style.font, room)},
                     TxtOptions().withFont(style.font));
            PRINTTXT(job, {std::to_string(y.year)}, TxtOptions::at(kHolderYearAt).withFont(style.font));
            figures(job, kHolderEdges, y, previous, style.font);
            previous = y.total;
            named = true;
        }
        if (named) PRINTTXT(job, {});
    }
}

PrintDocument printYearTable(const std::string& title, const std::vector<std::string>& headings,
                             const std::vector<YearTotal>& years, bool preview)
{
    size_t i = 0;
    auto change = [&years, &i] {
        return accounting::compareYears(printed(years[i].total), i ? printed(years[i - 1].total) : Decimal());
    };
    ReportDescription d;
    d.title = title;
    d.headings = headings;
    d.font = PrintFont("Arial", 10);
    d.columns = {textColumn("ANNO", [&] { return std::to_string(years[i].year); }, 6),
                 amountColumn("TOTALE", [&] { return years[i].total; }),
                 amountColumn("DIFFERENZA", [&] { return change().difference; }, "@E 9,999,999.99", false),
                 // As wide as its heading in bold, so that it never reaches back into "DIFFERENZA".
                 ReportColumn{"PERCENTUALE", [&] { return ReportValue(change().percent); }, "", 14, false,
                              ReportAlign::Right}};
    d.totalLabel = "TOTALE";
    return runReport(d, indexRows(years.size(), i), preview);
}

namespace {

PrintDocument statisticsJob(const std::string& docName, const std::string& title, Date from, Date to,
                            const std::function<void(TPRINTER&, const SectionStyle&)>& sections, bool preview)
{
    SectionStyle style;
    const std::string period = periodTitle(from, to);
    style.pageTop = [title, period, &style](TPRINTER& job) {
        SAYHEADER(title, job, style.font);
        PRINTTXT(job, {title}, TxtOptions().centred().withFont(PrintFont("Arial", 12, true)));
        if (!period.empty()) PRINTTXT(job, {period}, TxtOptions().centred().withFont(style.font));
        PRINTTXT(job, {});
    };
    TPRINTER job(docName, preview);
    job.startPage();
    style.pageTop(job);
    sections(job, style);
    PrintDocument doc = job.document();
    job.end();
    return doc;
}

} // namespace

PrintDocument printAgreementStatistics(Workspace& ws, Date from, Date to, bool preview)
{
    return statisticsJob(
        "Statistiche rapporti", "STATISTICHE RAPPORTI", from, to,
        [&](TPRINTER& job, const SectionStyle& style) {
            printYearSection(job, agreementYears(ws, from, to), style);
            PRINTTXT(job, {});
            PRINTTXT(job, {});
            printHolderSection(job, "RAPPORTO", agreementYearsByAgreement(ws, from, to), style);
        },
        preview);
}

PrintDocument printProducerStatistics(Workspace& ws, Date from, Date to, const std::string& branch, bool preview)
{
    return statisticsJob(
        "Statistiche produttori", "STATISTICHE PRODUTTORI", from, to,
        [&](TPRINTER& job, const SectionStyle& style) {
            printYearSection(job, producerYears(ws, from, to, branch), style);
            PRINTTXT(job, {});
            PRINTTXT(job, {});
            printHolderSection(job, "PRODUTTORE", producerYearsByProducer(ws, from, to), style);
        },
        preview);
}

} // namespace arv::reporting
