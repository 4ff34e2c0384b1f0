// The dialogs of the statistics: "Riepilogo statistiche" (STATISTICHE), "Statistiche incassi"
// (STATINCA) and "Budget" (BUDGET), and their entries. The figures and the printouts are in
// summary.h, collectionstatistics.h and budget.h.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QWidget>

#include "common/date.h"
#include "reporting/budget.h"
#include "reporting/collectionstatistics.h"
#include "reporting/summary.h"

namespace arv {
class FormDialog;
}

namespace arv::reporting {

// "Periodo:" dal / al, both required.
std::unique_ptr<FormDialog> makeSummaryDialog(QWidget* parent = nullptr);
SummaryCriteria summaryCriteria(const FormDialog& dialog);

// "Ramo:", "Rapporto:", "Periodo:" (1 January of TODAY's year to TODAY, one year), "Provvigioni:",
// "Per rapporto:".
std::unique_ptr<FormDialog> makeCollectionDialog(Date today, QWidget* parent = nullptr);
CollectionCriteria collectionCriteria(const FormDialog& dialog);

// "Periodo:" (1 January of TODAY's year to TODAY, one year).
std::unique_ptr<FormDialog> makeBudgetDialog(Date today, QWidget* parent = nullptr);
BudgetCriteria budgetCriteria(const FormDialog& dialog);

// The entries: the dialog, then the printout in the preview.
void STATISTICHE();
void STATINCA();
void BUDGET();

// Hands the entry functions to ADD.
void addStatisticsEntries(const std::function<void(const std::string& name, std::function<void()> entry)>& add);

} // namespace arv::reporting
