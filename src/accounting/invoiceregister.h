// The invoice register (FATTURE): the list of the invoices, the invoice dialog FATTURE2 with its
// preset texts, print and electronic invoice, the search RFATTURE, the summary and the spreadsheet;
// the invoice of a company movement (FATTURE3) and the consultancy invoice of a policy (GENFATT).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QDialog>

#include "common/decimal.h"
#include "records/register.h"

namespace arv::accounting {

const records::RegisterDesc& invoicesRegister();

// The entry function: the register, on the last invoice.
void FATTURE();
// A new invoice for CUSTOMER of AMOUNT, its text starting as REFERENCE without line breaks and
// REFERENCE after the preset texts; only the dialog is shown.
void FATTURE3(const std::string& customer, const std::string& reference, const Decimal& amount);
// "Genera fattura" on the policy under the cursor of the policy register's table ALIAS: the dialog
// GENFATT, then the invoice, its copies and the reminder.
void generateInvoiceOfPolicy(const std::string& alias);
// The dialog GENFATT with the policy's fee and expenses, built for the screen and for pictures.
std::unique_ptr<QDialog> makeGenerationInvoiceDialog(const Decimal& fee, const Decimal& expenses,
                                                     QWidget* parent = nullptr);

// "Salva con nome" of the electronic invoice: given the proposed name, the chosen one ("" when
// cancelled). The default asks with the file dialog; tests put their own.
void setInvoiceFileChooser(std::function<std::string(const std::string& proposed)> choose);

// Hands the entry function above to ADD under its name.
void addInvoiceEntries(const std::function<void(const std::string& name, std::function<void()> entry)>& add);

} // namespace arv::accounting
