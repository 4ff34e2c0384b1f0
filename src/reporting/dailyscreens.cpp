#include "reporting/dailyscreens.h"

#include "common/date.h"
#include "reporting/dailyreport.h"
#include "store/workspace.h"
#include "ui/formdialog.h"

namespace arv::reporting {

using namespace records;

std::unique_ptr<FormDialog> makeReportingDialog(QWidget* parent)
{
    return std::make_unique<FormDialog>("REPORTING", "Reporting giornaliero",
                                        std::vector<EditField>{logicalField(101, "Completo:", dialogOnly("COMPLETO"))},
                                        parent);
}

void REPORTING()
{
    std::unique_ptr<FormDialog> d = makeReportingDialog();
    if (d->exec() != QDialog::Accepted) return;
    printDailyReport(store::workspace(), Date::today(), d->values().logical("COMPLETO"));
}

void addDailyEntries(const std::function<void(const std::string& name, std::function<void()> entry)>& add)
{
    add("REPORTING", REPORTING);
}

} // namespace arv::reporting
