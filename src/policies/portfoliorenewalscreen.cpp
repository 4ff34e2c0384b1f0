#include "policies/portfoliorenewalscreen.h"

#include "records/lookups.h"
#include "store/workspace.h"
#include "ui/formdialog.h"

namespace arv::policies {

using namespace records;

namespace {

std::vector<std::string> withEmpty(std::vector<std::string> l)
{
    if (l.empty() || !l.front().empty()) l.insert(l.begin(), std::string());
    return l;
}

EditField choice(int id, const char* label, const char* name, std::vector<std::string> (*list)(store::Workspace&))
{
    return choiceField(id, label, dialogOnly(name), [list] { return withEmpty(list(store::workspace())); });
}

} // namespace

std::unique_ptr<FormDialog> makePortfolioRenewalDialog(QWidget* parent)
{
    return std::make_unique<FormDialog>(
        "RINNOVI", "Rinnovi portafoglio",
        std::vector<EditField>{requiredField(dateField(101, "Periodo: dal", dialogOnly("DAL"))),
                               requiredField(dateField(102, "al", dialogOnly("AL"))),
                               choice(103, "Rapporto:", "RAPPORTO", ACOMPAGNIE), choice(104, "Ramo:", "RAMO", ARAMI),
                               choice(105, "Produttore:", "PRODUTTORE", APRODUTT)},
        parent);
}

PortfolioRenewalCriteria portfolioRenewalCriteria(const FormDialog& d)
{
    PortfolioRenewalCriteria c;
    c.from = d.date("DAL");
    c.to = d.date("AL");
    c.agreement = d.text("RAPPORTO");
    c.branch = d.text("RAMO");
    c.producer = d.text("PRODUTTORE");
    return c;
}

void RINNOVI()
{
    auto d = makePortfolioRenewalDialog();
    if (d->exec() != QDialog::Accepted) return;
    printPortfolioRenewals(store::workspace(), portfolioRenewalCriteria(*d));
}

} // namespace arv::policies
