// The dialogs and entry functions of the prima nota ("Prima nota giornaliera", "Prima nota") and
// of the accounting summary ("Riepilogo situazione contabile"): what they ask, then the printouts
// of primanota.h and accountsummary.h in the preview.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "accounting/accountsummary.h"
#include "accounting/primanota.h"
#include "ui/formdialog.h"

namespace arv::accounting {

// PRIMANOTAG: "Periodo: dal" and "al", both today and required.
std::unique_ptr<FormDialog> makeDailyPrimaNotaDialog(QWidget* parent = nullptr);
// PRIMANOTA: "Conto:", "Contabilità:", "Descrizione:", the period and "Statistiche:"; "&Conferma"
// wants exactly one of account and description.
std::unique_ptr<FormDialog> makePrimaNotaDialog(QWidget* parent = nullptr);
PrimaNotaCriteria primaNotaCriteria(const FormDialog& d);
// RIESITCON: the period (optional), "Statistiche:" (unticked) and "Contabilità:" (ticked: by entry).
std::unique_ptr<FormDialog> makeSummaryDialog(QWidget* parent = nullptr);

// The entry functions: the daily flag prints the full prima nota of the period asked.
void PRIMANOTA(bool daily = false);
void RIESITCON();
// Hands them to ADD under their names (PRIMANOTA receives the daily flag).
void addBookReportEntries(const std::function<void(const std::string& name, std::function<void(bool flag)> entry)>& add);

} // namespace arv::accounting
