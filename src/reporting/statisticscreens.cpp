#include "reporting/statisticscreens.h"

#include "accounting/movements.h"
#include "records/lookups.h"
#include "store/workspace.h"
#include "ui/formdialog.h"
#include "ui/popmsg.h"

namespace arv::reporting {

using namespace records;

namespace {

using Failure = std::optional<std::pair<int, std::string>>;

EditField choice(int id, const char* label, const char* name, std::vector<std::string> (*list)(store::Workspace&))
{
    return choiceField(id, label, dialogOnly(name), [list] { return accounting::withEmpty(list(store::workspace())); });
}

std::vector<EditField> period(int from, int to)
{
    return {requiredField(dateField(from, "Periodo: dal", dialogOnly("DAL"))),
            requiredField(dateField(to, "al", dialogOnly("AL")))};
}

// The period of a statistics against the year before lies in one year.
FormDialog::Check oneYear(int fromId)
{
    return [fromId](const EditValues& v) -> Failure {
        const Date from = v.date("DAL"), to = v.date("AL");
        if (from && to && from.year() != to.year()) return std::make_pair(fromId, std::string(kMsgPeriodInOneYear));
        return std::nullopt;
    };
}

bool confirmed(FormDialog& d) { return d.exec() == QDialog::Accepted; }

} // namespace

std::unique_ptr<FormDialog> makeSummaryDialog(QWidget* parent)
{
    return std::make_unique<FormDialog>("STATISTICHE", "Riepilogo statistiche", period(101, 102), parent);
}

SummaryCriteria summaryCriteria(const FormDialog& d) { return {d.date("DAL"), d.date("AL")}; }

std::unique_ptr<FormDialog> makeCollectionDialog(Date today, QWidget* parent)
{
    std::vector<EditField> fields = {choice(101, "Ramo:", "RAMO", ARAMI), choice(102, "Rapporto:", "RAPPORTO", ACOMPAGNIE)};
    for (EditField& f : period(103, 104)) fields.push_back(std::move(f));
    fields.push_back(logicalField(105, "Provvigioni:", dialogOnly("PROVVIGION")));
    fields.push_back(logicalField(106, "Per rapporto:", dialogOnly("PERRAPP")));
    auto d = std::make_unique<FormDialog>("STATINCA", "Statistiche incassi", std::move(fields), parent, oneYear(103));
    const CollectionCriteria c = collectionDefaults(today);
    d->set(103, c.from.toDisplay());
    d->set(104, c.to.toDisplay());
    return d;
}

CollectionCriteria collectionCriteria(const FormDialog& d)
{
    CollectionCriteria c;
    c.branch = d.text("RAMO");
    c.agreement = d.text("RAPPORTO");
    c.from = d.date("DAL");
    c.to = d.date("AL");
    const EditValues v = d.values();
    c.commissions = v.logical("PROVVIGION");
    c.perAgreement = v.logical("PERRAPP");
    return c;
}

std::unique_ptr<FormDialog> makeBudgetDialog(Date today, QWidget* parent)
{
    auto d = std::make_unique<FormDialog>("BUDGET", "Budget", period(101, 102), parent, oneYear(101));
    const BudgetCriteria c = budgetDefaults(today);
    d->set(101, c.from.toDisplay());
    d->set(102, c.to.toDisplay());
    return d;
}

BudgetCriteria budgetCriteria(const FormDialog& d) { return {d.date("DAL"), d.date("AL")}; }

void STATISTICHE()
{
    auto d = makeSummaryDialog();
    if (!confirmed(*d)) return;
    printSummary(store::workspace(), summaryCriteria(*d), true, [](const std::string& m) { POPMSG(m, 1); });
}

void STATINCA()
{
    auto d = makeCollectionDialog(Date::today());
    if (!confirmed(*d)) return;
    printCollectionStatistics(store::workspace(), collectionCriteria(*d));
}

void BUDGET()
{
    auto d = makeBudgetDialog(Date::today());
    if (!confirmed(*d)) return;
    printBudget(store::workspace(), budgetCriteria(*d));
}

void addStatisticsEntries(const std::function<void(const std::string&, std::function<void()>)>& add)
{
    add("STATISTICHE", STATISTICHE);
    add("STATINCA", STATINCA);
    add("BUDGET", BUDGET);
}

} // namespace arv::reporting
