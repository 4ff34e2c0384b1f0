#include "policies/portfoliorenewals.h"

#include <algorithm>
#include <map>

#include "common/calendar.h"
#include "common/mask.h"
#include "common/movementkinds.h"
#include "common/report.h"
#include "common/text.h"
#include "records/scopedread.h"
#include "store/files.h"
#include "store/keys.h"

namespace arv::policies {

using namespace store;
using records::ScopedRecord;

namespace {

constexpr int kMarginDays = 30;

// The same day and month in YEAR; 29 February becomes 28 in a common year.
Date inYear(Date d, int year)
{
    if (!d) return d;
    return Date::fromYmd(year, d.month(), std::min(d.day(), Date::daysInMonth(year, d.month())));
}

bool beginsWith(const std::string& value, const std::string& start)
{
    if (start.empty()) return true;
    const std::string v = Mask::upper(value), s = Mask::upper(start);
    return v.compare(0, s.size(), s) == 0;
}

// A collection as the comparison reads it.
struct Collection {
    Date date, due;
    uint32_t recno = 0;
    std::string company, agreement, producer, insured, number;
    Decimal amount, commission;
    bool claimed = false;
};

// The collections of the window FROM - TO that the criteria select, in date order.
std::vector<Collection> collections(Table& movements, Date from, Date to, const PortfolioRenewalCriteria& c,
                                    uint64_t& read)
{
    std::vector<Collection> out;
    read += records::readDates(movements, "MOVIDATA", from, to, [&](const ScopedRecord& r) {
        const std::string number = r.text("POLIZZA");
        if (trim(number).empty() || !describesCollection(r.text("DESCRIZIO"))) return;
        const std::string agreement = r.text("RAPPORTO"), producer = r.text("PRODUTTORE");
        if (!beginsWith(agreement, c.agreement) || !beginsWith(r.text("RAMO"), c.branch) ||
            !beginsWith(producer, c.producer))
            return;
        out.push_back(Collection{r.date("DATA"), r.date("SCADENZA"), r.recno(), r.text("COMPAGNIA"), agreement,
                                 producer, r.text("ASSICURATO"), number, r.number("IMPORTO"), r.number("PROVVAGEN")});
    });
    std::stable_sort(out.begin(), out.end(), [](const Collection& a, const Collection& b) { return a.date < b.date; });
    return out;
}

// Among the unclaimed collections of one policy: the one due 12 months after DUE, else the one
// dated nearest to 12 months after DATE (the earlier of two as near).
Collection* counterpart(std::vector<Collection*>& list, Date date, Date due)
{
    if (due) {
        const Date wanted = ADDMONTH(due, 12);
        for (Collection* c : list)
            if (!c->claimed && c->due == wanted) return c;
    }
    const Date wanted = ADDMONTH(date, 12);
    Collection* best = nullptr;
    int64_t bestDistance = 0;
    for (Collection* c : list) {
        if (c->claimed) continue;
        const int64_t distance = c->date > wanted ? c->date - wanted : wanted - c->date;
        if (!best || distance < bestDistance) {
            best = c;
            bestDistance = distance;
        }
    }
    return best;
}

std::string trimmedUpper(const std::string& s) { return Mask::upper(trim(s)); }

} // namespace

RenewalWindows renewalWindows(Date from, Date to)
{
    RenewalWindows w;
    if (!from || !to) return w;
    const Date al = inYear(to, from.year());
    w.thisFrom = from.addDays(-kMarginDays);
    w.thisTo = al.addDays(kMarginDays);
    w.lastFrom = SUBMONTH(from, 12);
    w.lastTo = SUBMONTH(al, 12);
    return w;
}

std::string portfolioRenewalProblem(const PortfolioRenewalCriteria& c)
{
    if (!c.from || !c.to) return "Indicare il periodo da confrontare.";
    return std::string();
}

RenewalComparison comparePortfolio(Workspace& ws, const PortfolioRenewalCriteria& c)
{
    RenewalComparison out;
    if (!portfolioRenewalProblem(c).empty() || !fileExists(ws.folder(), "MOVICOMP.DBF")) return out;
    const RenewalWindows w = renewalWindows(c.from, c.to);
    std::vector<Collection> thisYear, lastYear;
    {
        OwnTable movements(ws, "MOVICOMP", true);
        thisYear = collections(*movements, w.thisFrom, w.thisTo, c, out.recordsRead);
        lastYear = collections(*movements, w.lastFrom, w.lastTo, c, out.recordsRead);
    }
    // This year's window by policy number, in date order.
    std::map<std::string, std::vector<Collection*>> byNumber;
    for (Collection& m : thisYear) byNumber[trimmedUpper(m.number)].push_back(&m);

    std::unique_ptr<OwnTable> policies;
    auto replacement = [&](const std::string& number) -> std::string {
        if (!policies) {
            if (!fileExists(ws.folder(), "POLIZZE.DBF")) return std::string();
            policies = std::make_unique<OwnTable>(ws, "POLIZZE", true);
            (*policies)->ordAdd("NUMPOL");
        }
        Table& p = **policies;
        return p.seek(indexKey(number, 25, false)) ? trim(p.text("SOSTDA")) : std::string();
    };
    std::vector<Collection*> none;
    for (const Collection& last : lastYear) {
        RenewalRow row;
        row.lastDate = last.date;
        row.lastDue = last.due;
        row.company = last.company;
        row.agreement = last.agreement;
        row.producer = last.producer;
        row.insured = last.insured;
        row.number = last.number;
        row.lastAmount = last.amount;
        auto found = byNumber.find(trimmedUpper(last.number));
        Collection* match = counterpart(found == byNumber.end() ? none : found->second, last.date, last.due);
        if (!match) {
            const std::string by = replacement(last.number);
            if (!by.empty()) {
                auto r = byNumber.find(trimmedUpper(by));
                if (r != byNumber.end()) match = counterpart(r->second, last.date, last.due);
            }
        }
        if (match) {
            match->claimed = true;
            row.date = match->date;
            row.due = match->due;
            row.amount = match->amount;
            row.commission = match->commission;
            row.paidAs = match->number;
        }
        out.rows.push_back(std::move(row));
    }
    return out;
}

PrintDocument printPortfolioRenewals(Workspace& ws, const PortfolioRenewalCriteria& c, bool preview)
{
    const RenewalComparison comparison = comparePortfolio(ws, c);
    const std::vector<RenewalRow>& rows = comparison.rows;
    size_t i = 0;
    auto field = [&](auto RenewalRow::*member) {
        return [&rows, &i, member] { return ReportValue(rows[i].*member); };
    };
    ReportDescription d;
    d.title = "Stampa rinnovi portafoglio";
    d.headings = {"STAMPA RINNOVI PORTAFOGLIO"};
    if (const std::string period = DAL_AL(c.from, inYear(c.to, c.from.year())); period.size() > 2)
        d.headings.push_back(Mask::upper(period.substr(2)));
    d.font = PrintFont("Arial", 8);
    d.landscape = true;
    d.totalLabel = "TOTALE";
    // Dates take eight characters ("dd/mm/yy"): a narrower column would cut the year.
    d.columns = {
        ReportColumn{"DATA", field(&RenewalRow::date), "", 8},
        ReportColumn{"COMPAGNIA", field(&RenewalRow::company), "", 20},
        ReportColumn{"RAPPORTO", field(&RenewalRow::agreement), "", 20},
        ReportColumn{"PRODUTTORE", field(&RenewalRow::producer), "", 20},
        ReportColumn{"ASSICURATO", field(&RenewalRow::insured), "", 20},
        ReportColumn{"POLIZZA N.", field(&RenewalRow::number), "", 16},
        ReportColumn{"SCAD.", field(&RenewalRow::due), "", 8},
        ReportColumn{"IMPORTO", field(&RenewalRow::amount), "@Z 99,999,999.99", 12, true},
        ReportColumn{"PR.AGEN.", field(&RenewalRow::commission), "@Z 9,999,999.99", 10, true},
    };
    d.columns[8].totalMask = "@Z 99,999,999.99";
    return runReport(d, indexRows(rows.size(), i), preview);
}

} // namespace arv::policies
