#include "reporting/budget.h"

#include <map>

#include "accounting/earnings.h"
#include "common/calendar.h"
#include "common/movementkinds.h"
#include "common/numfmt.h"
#include "common/printjob.h"
#include "common/text.h"
#include "records/lookups.h"
#include "records/scopedread.h"
#include "reporting/collectionstatistics.h"
#include "store/files.h"
#include "store/keys.h"

namespace arv::reporting {

using namespace store;
using records::ScopedRecord;

namespace {

bool startsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

const char* const kEntryAccounts[] = {
    "Cassa entrate",          "C/C Postale entrate",    "Banca 1 entrate",        "Banca 2 entrate",
    "Banca 3 entrate",        "Banca 4 entrate",        "Ricaricabile 1 entrate", "Ricaricabile 2 entrate",
    "Ricaricabile 3 entrate", "Ricaricabile 4 entrate", "Entrate compensate"};

} // namespace

bool isEntryAccount(std::string_view account)
{
    for (const char* entry : kEntryAccounts)
        if (startsWith(account, entry)) return true;
    return false;
}

bool isSuspendedAccount(std::string_view account) { return startsWith(account, "Sospesi"); }

BudgetCriteria budgetDefaults(Date today) { return {Date::fromYmd(today.year(), 1, 1), today}; }

std::string budgetCriteriaProblem(const BudgetCriteria& c)
{
    if (!c.from || !c.to) return "Indicare il periodo.";
    if (c.from.year() != c.to.year()) return kMsgPeriodInOneYear;
    return std::string();
}

Decimal BudgetFigures::difference() const { return accounting::compareYears(current, previous).difference; }

BudgetFigures& BudgetFigures::operator+=(const BudgetFigures& o)
{
    previous += o.previous;
    current += o.current;
    return *this;
}

Budget budget(Workspace& ws, const BudgetCriteria& c)
{
    Budget out;
    out.year = c.from ? c.from.year() : 0;
    if (!budgetCriteriaProblem(c).empty()) return out;
    const Date from[2] = {SUBMONTH(c.from, 12), c.from}, to[2] = {SUBMONTH(c.to, 12), c.to};
    auto figure = [](BudgetFigures& f, int year) -> Decimal& { return year ? f.current : f.previous; };

    // Costs and revenues per item, both years, summed in memory from one scope per year.
    std::map<std::string, BudgetFigures> costs, revenues;
    if (fileExists(ws.folder(), "MOVICONT.DBF")) {
        OwnTable movements(ws, "MOVICONT", true);
        for (int year = 0; year < 2; ++year)
            out.recordsRead += records::readDates(*movements, "MOVICONT", from[year], to[year], [&](const ScopedRecord& r) {
                const std::string account = r.text("CONTO");
                if (isEntryAccount(account)) figure(revenues[r.text("CONTABIL")], year) += r.number("IMPORTO");
                else if (!isSuspendedAccount(account)) figure(costs[r.text("CONTABIL")], year) += r.number("IMPORTO");
            });
    }
    if (fileExists(ws.folder(), "MOVICOMP.DBF")) {
        OwnTable movements(ws, "MOVICOMP", true);
        for (int year = 0; year < 2; ++year)
            out.recordsRead += records::readDates(*movements, "MOVIDATA", from[year], to[year], [&](const ScopedRecord& r) {
                if (describesCollection(r.text("DESCRIZIO"))) figure(out.commissions, year) += r.number("PROVVAGEN");
            });
    }

    // The items of each category, in the order of the index by category and item.
    if (fileExists(ws.folder(), "VOCICON.DBF")) {
        OwnTable items(ws, "VOCICON", true);
        items->ordAdd("VOCICON2");
        for (const std::string& category : records::ACATECON(ws, false)) {
            BudgetCategory cost{category, {}, {}}, revenue{category, {}, {}};
            const std::string key = indexKey(category, 35);
            items->setScope(key, key);
            for (items->goTop(); !items->eof(); items->skip(1)) {
                const std::string item = items->text("DESCRIZ");
                auto list = [&item](std::map<std::string, BudgetFigures>& sums, BudgetCategory& into) {
                    auto it = sums.find(item);
                    if (it == sums.end()) return;
                    const BudgetFigures& f = it->second;
                    if (f.previous <= Decimal() && f.current <= Decimal()) return;
                    into.lines.push_back({item, f});
                    into.total += f;
                };
                list(costs, cost);
                list(revenues, revenue);
            }
            items->clearScope();
            if (!cost.lines.empty()) {
                out.totalCosts += cost.total;
                out.costs.push_back(std::move(cost));
            }
            if (!revenue.lines.empty()) {
                out.totalRevenues += revenue.total;
                out.revenues.push_back(std::move(revenue));
            }
        }
    }
    out.totalRevenues += out.commissions;
    out.balance = {out.totalRevenues.previous - out.totalCosts.previous,
                   out.totalRevenues.current - out.totalCosts.current};
    return out;
}

namespace {

class BudgetPrinter {
public:
    static constexpr int kLabelWidth = 21; // columns before the first figure
    BudgetPrinter(TPRINTER& job, const BudgetCriteria& c, int year) : job_(job), c_(c), year_(year) {}

    void pageTop(const std::string& section)
    {
        if (job_.pageOpen()) job_.endPage();
        job_.startPage();
        SAYHEADER("STAMPA BUDGET", job_, plain_);
        PRINTTXT(job_, {"BUDGET DAL " + c_.from.toDisplay() + " AL " + c_.to.toDisplay()},
                 TxtOptions().centred().withFont(title_));
        PRINTTXT(job_, {}, TxtOptions());
        if (!section.empty()) sectionName(section);
    }
    void sectionName(const std::string& section)
    {
        section_ = section;
        PRINTTXT(job_, {section}, TxtOptions().withFont(bold_));
        PRINTTXT(job_, {}, TxtOptions());
    }
    // A category's heading: on this page while the line is 58 or less.
    void categoryHeading(const std::string& name)
    {
        if (job_.row() > 58) pageTop(section_);
        category_ = name;
        headingLine();
    }
    void line(const std::string& label, const BudgetFigures& f, bool bold = false)
    {
        // Within a category a page ends past line 60; the next repeats the category's headings.
        if (job_.row() > 60) {
            pageTop(section_);
            if (!category_.empty()) headingLine();
        }
        figures(label, f, bold ? bold_ : plain_);
    }
    void endCategory()
    {
        category_.clear();
        PRINTTXT(job_, {}, TxtOptions());
    }
    void figures(const std::string& label, const BudgetFigures& f, const PrintFont& font)
    {
        PRINTTXT(job_, {label}, TxtOptions().withFont(font).clipped(kLabelWidth));
        amount(30, ENSTR(f.previous), font);
        amount(40, ENSTR(f.current), font);
        amount(50, ENSTR(f.difference()), font);
    }

private:
    // The category's name and the years; a name too long for the figures' place has a line of its own.
    void headingLine()
    {
        if (job_.textWidth(category_, bold_) > job_.columnX(kLabelWidth)) {
            PRINTTXT(job_, {category_}, TxtOptions().withFont(bold_));
            PRINTTXT(job_, {}, TxtOptions());
        } else {
            PRINTTXT(job_, {category_}, TxtOptions().withFont(bold_));
        }
        amount(30, std::to_string(year_ - 1), bold_);
        amount(40, std::to_string(year_), bold_);
        amount(50, "DIFF.", bold_);
    }
    // Right-aligned in the 8 columns ending at END.
    void amount(int end, const std::string& text, const PrintFont& font)
    {
        PRINTTXT(job_, {trim(text)}, TxtOptions::at(end - 8).alignRight(8).withFont(font));
    }

    TPRINTER& job_;
    const BudgetCriteria& c_;
    int year_;
    std::string section_, category_;
    PrintFont plain_{"Arial", 10}, bold_{"Arial", 10, true}, title_{"Arial", 14, true, false, true};
};

} // namespace

PrintDocument printBudget(Workspace& ws, const BudgetCriteria& c, bool preview)
{
    const Budget b = budget(ws, c);
    TPRINTER job("Stampa budget", preview);
    job.setFont(PrintFont("Arial", 10));
    BudgetPrinter p(job, c, b.year);
    auto categories = [&](const std::vector<BudgetCategory>& list) {
        for (const BudgetCategory& category : list) {
            p.categoryHeading(category.name);
            for (const BudgetLine& l : category.lines) p.line(l.item, l.figures);
            p.line("TOTALE", category.total, true);
            p.endCategory();
        }
    };
    p.pageTop("COSTI");
    categories(b.costs);
    if (job.row() > 58) p.pageTop("RICAVI");
    else p.sectionName("RICAVI");
    p.categoryHeading("PROVVIGIONI ATTIVE (CORRISPETTIVI)");
    p.line("Provvigioni su incassi", b.commissions);
    p.line("TOTALE", b.commissions, true);
    p.endCategory();
    categories(b.revenues);
    p.line("TOTALE COSTI", b.totalCosts);
    p.line("TOTALE RICAVI", b.totalRevenues);
    p.line("TOTALE GENERALE", b.balance, true);
    job.endPage();
    PrintDocument made = job.document();
    job.end();
    return made;
}

} // namespace arv::reporting
