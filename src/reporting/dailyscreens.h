// The dialogs of the daily reports: "Reporting giornaliero" (REPORTING, "Completo:") and, with the
// e-mail settings, "Coperture giornaliere" (COPERTURE). The figures, the pages and the sending are in
// dailyreport.h and coverages.h.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QDialog>

namespace arv {
class FormDialog;
}

namespace arv::reporting {

// The dialog REPORTING, as its entry opens it.
std::unique_ptr<FormDialog> makeReportingDialog(QWidget* parent = nullptr);

// The dialog COPERTURE ("Data:", "Via email:" and the e-mail settings), as its entry opens it.
std::unique_ptr<FormDialog> makeCoverageDialog(QWidget* parent = nullptr);

// The entry functions.
void REPORTING();
void COPERTURE();

// Hands the entry functions to ADD.
void addDailyEntries(const std::function<void(const std::string& name, std::function<void()> entry)>& add);

} // namespace arv::reporting
