#include "accounting/summaryscreens.h"

#include "accounting/movements.h"
#include "accounting/statementsummaries.h"
#include "records/lookups.h"
#include "store/workspace.h"

namespace arv::accounting {

using namespace records;
using store::workspace;

std::unique_ptr<FormDialog> makeStatementSummaryDialog(QWidget* parent)
{
    return std::make_unique<FormDialog>(
        "RIEPEST", "Riepilogo estratti conto",
        std::vector<EditField>{dateField(101, "Periodo: dal", dialogOnly("DAL")), dateField(102, "al", dialogOnly("AL")),
                               choiceField(103, "Rapporto:", "RAPPORTO",
                                           [] { return withEmpty(ACOMPAGNIE(workspace())); })},
        parent);
}

void RIEPEST()
{
    std::unique_ptr<FormDialog> d = makeStatementSummaryDialog();
    if (d->exec() != QDialog::Accepted) return;
    printStatementSummary(workspace(), d->date("DAL"), d->date("AL"), d->text("RAPPORTO"));
}

std::unique_ptr<FormDialog> makeInvoiceStatementDialog(QWidget* parent)
{
    return std::make_unique<FormDialog>(
        "RIEPFATEST", "Riepilogo fatture/estratti conto",
        std::vector<EditField>{dateField(101, "Periodo: dal", dialogOnly("DAL")), dateField(102, "al", dialogOnly("AL"))},
        parent);
}

void RIEPFATEST()
{
    std::unique_ptr<FormDialog> d = makeInvoiceStatementDialog();
    if (d->exec() != QDialog::Accepted) return;
    printInvoiceStatementSummary(workspace(), d->date("DAL"), d->date("AL"));
}

void addSummaryEntries(const std::function<void(const std::string&, std::function<void()>)>& add)
{
    add("RIEPEST", RIEPEST);
    add("RIEPFATEST", RIEPFATEST);
}

} // namespace arv::accounting
