// The dialogs of the statement summaries: "Riepilogo estratti conto" (RIEPEST) and "Riepilogo
// fatture/estratti conto" (RIEPFATEST).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "ui/formdialog.h"

namespace arv::accounting {

std::unique_ptr<FormDialog> makeStatementSummaryDialog(QWidget* parent = nullptr);
void RIEPEST();
std::unique_ptr<FormDialog> makeInvoiceStatementDialog(QWidget* parent = nullptr);
void RIEPFATEST();

void addSummaryEntries(const std::function<void(const std::string& name, std::function<void()> entry)>& add);

} // namespace arv::accounting
