#include "reporting/collectionstatistics.h"

#include <map>

#include "accounting/earnings.h"
#include "common/calendar.h"
#include "common/mask.h"
#include "common/movementkinds.h"
#include "common/numfmt.h"
#include "common/printjob.h"
#include "common/text.h"
#include "records/scopedread.h"
#include "reporting/scan.h"
#include "store/files.h"

namespace arv::reporting {

using namespace store;
using records::ScopedRecord;

CollectionCriteria collectionDefaults(Date today)
{
    CollectionCriteria c;
    c.from = Date::fromYmd(today.year(), 1, 1);
    c.to = today;
    return c;
}

std::string collectionCriteriaProblem(const CollectionCriteria& c)
{
    if (!c.from || !c.to) return "Indicare il periodo.";
    if (c.from.year() != c.to.year()) return kMsgPeriodInOneYear;
    return std::string();
}

YearPeriods yearPeriods(Date from, Date to) { return {from, to, SUBMONTH(from, 12), SUBMONTH(to, 12)}; }

Decimal MonthFigures::total() const
{
    Decimal t;
    for (const Decimal& s : sums) t += s;
    return t;
}

int MonthFigures::count() const
{
    int n = 0;
    for (int c : counts) n += c;
    return n;
}

CollectionStatistics collectionStatistics(Workspace& ws, const CollectionCriteria& c)
{
    CollectionStatistics out;
    out.year = c.from ? c.from.year() : 0;
    if (!collectionCriteriaProblem(c).empty()) return out;
    const YearPeriods p = yearPeriods(c.from, c.to);
    // Per agreement (upper case) the name first seen and the figures; "" for all together.
    std::map<std::string, CollectionTable> tables;
    if (!c.perAgreement) tables[std::string()];
    if (fileExists(ws.folder(), "MOVICOMP.DBF")) {
        OwnTable movements(ws, "MOVICOMP", true);
        auto year = [&](Date from, Date to, MonthFigures CollectionTable::*figures) {
            out.recordsRead += records::readDates(*movements, "MOVIDATA", from, to, [&](const ScopedRecord& r) {
                if (!describesCollection(r.text("DESCRIZIO"))) return;
                if (!beginsWith(r.text("RAMO"), c.branch)) return;
                const std::string name = r.text("RAPPORTO"), key = upper(name);
                if (filled(c.agreement) && !sameName(name, c.agreement)) return;
                CollectionTable& t = tables[c.perAgreement ? key : std::string()];
                if (c.perAgreement && t.agreement.empty()) t.agreement = trim(name);
                const size_t month = static_cast<size_t>(r.date("DATA").month() - 1);
                (t.*figures).sums[month] += c.commissions ? r.number("PROVVAGEN") : r.number("IMPORTO");
                ++(t.*figures).counts[month];
            });
        };
        year(p.from, p.to, &CollectionTable::current);
        year(p.previousFrom, p.previousTo, &CollectionTable::previous);
    }
    for (auto& [key, table] : tables) out.tables.push_back(std::move(table));
    return out;
}

std::string totalChange(const Decimal& current, const Decimal& previous)
{
    std::string percent = accounting::compareYears(current, previous).percent;
    if (percent.empty()) return "0";
    percent.pop_back(); // the column's heading is the sign
    return percent;
}

namespace {

// The grid of one table: the month blocks of six, their figures right-aligned.
class TablePrinter {
public:
    TablePrinter(TPRINTER& job, const CollectionCriteria& c, int year) : job_(job), c_(c), year_(year) {}

    // Lines one table takes, headings included.
    static constexpr int kLines = 14;

    void heading(const std::string& agreement)
    {
        PRINTTXT(job_, {"CONFRONTO RISPETTO STESSO PERIODO ANNO PRECEDENTE"}, TxtOptions().centred().withFont(title_));
        PRINTTXT(job_, {}, TxtOptions());
        const std::string branch = trim(c_.branch);
        PRINTTXT(job_, {branch.empty() ? std::string("TUTTI I RAMI") : "RAMO: " + branch}, TxtOptions().withFont(bold_));
        PRINTTXT(job_, {agreement.empty() ? std::string("TUTTI I RAPPORTI") : "RAPPORTO: " + agreement},
                 TxtOptions::at(10).alignRight(30).withFont(bold_));
        PRINTTXT(job_, {periodTitle(c_.from, c_.to)}, TxtOptions::at(44).withFont(bold_));
    }

    void block(const CollectionTable& t, bool second)
    {
        const size_t first = second ? 6 : 0;
        PRINTTXT(job_, {}, TxtOptions());
        PRINTTXT(job_, {"ANNO"}, TxtOptions().withFont(bold_));
        for (size_t k = 0; k < 6; ++k) {
            const int m = static_cast<int>(k) + 1;
            right(m * 9 - 6, 5, CMNT(static_cast<int>(first + k) + 1), bold_);
            right(m * 9, 3, "N.", bold_);
        }
        if (second) {
            right(57, 5, "TOTALE", bold_);
            right(63, 3, "N.", bold_);
            right(66, 3, "%", bold_);
        }
        auto row = [&](const std::string& label, const MonthFigures& f, const PrintFont& font) {
            PRINTTXT(job_, {label}, TxtOptions().withFont(font));
            for (size_t k = 0; k < 6; ++k) {
                const int m = static_cast<int>(k) + 1;
                right(m * 9 - 6, 5, ENSTR(f.sums[first + k]), font);
                right(m * 9, 3, std::to_string(f.counts[first + k]), font);
            }
            if (second) {
                right(57, 5, ENSTR(f.total()), font);
                right(63, 3, std::to_string(f.count()), font);
            }
        };
        MonthFigures diff;
        for (size_t m = 0; m < 12; ++m) {
            diff.sums[m] = accounting::compareYears(t.current.sums[m], t.previous.sums[m]).difference;
            diff.counts[m] = t.current.counts[m] - t.previous.counts[m];
        }
        row(std::to_string(year_), t.current, plain_);
        if (second) right(66, 3, totalChange(t.current.total(), t.previous.total()), plain_);
        row(std::to_string(year_ - 1), t.previous, plain_);
        row("DIFF.", diff, bold_);
    }

private:
    void right(int col, int width, const std::string& text, const PrintFont& font)
    {
        PRINTTXT(job_, {trim(text)}, TxtOptions::at(col).alignRight(width).withFont(font));
    }

    TPRINTER& job_;
    const CollectionCriteria& c_;
    int year_;
    PrintFont plain_{"Arial", 8}, bold_{"Arial", 8, true}, title_{"Arial", 10, true};
};

} // namespace

PrintDocument printCollectionStatistics(Workspace& ws, const CollectionCriteria& c, bool preview)
{
    const CollectionStatistics stats = collectionStatistics(ws, c);
    const std::string what = c.commissions ? "provvigioni" : "incassi";
    const std::string perAgreement = c.perAgreement ? " per rapporto" : "";
    const std::string header = Mask::upper("Statistiche " + what + perAgreement);
    TPRINTER job(TPRINTER::Options{"Statistiche " + what + perAgreement, preview, false, {}, true});
    const PrintFont font("Arial", 8);
    job.setFont(font);
    TablePrinter printer(job, c, stats.year);
    auto newPage = [&] {
        if (job.pageOpen()) job.endPage();
        job.startPage();
        SAYHEADER(header, job, font);
        PRINTTXT(job, {}, TxtOptions());
    };
    newPage();
    bool first = true;
    for (const CollectionTable& t : stats.tables) {
        if (job.cancelled()) break;
        if (!first && job.row() + TablePrinter::kLines > 60) newPage();
        else if (!first) PRINTTXT(job, {}, TxtOptions());
        first = false;
        printer.heading(t.agreement);
        printer.block(t, false);
        printer.block(t, true);
    }
    job.endPage();
    PrintDocument made = job.document();
    job.end();
    return made;
}

} // namespace arv::reporting
