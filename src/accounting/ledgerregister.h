// The register of the accounting movements (MOVICONT) and the dialog of its "Rientro" button.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QDialog>

#include "records/register.h"

namespace arv::accounting {

const records::RegisterDesc& ledgerRegister();

// The entry function: the register, opened on its last record.
void MOVICONT();
// Hands the entry function above to ADD under its name.
void addLedgerEntries(const std::function<void(const std::string& name, std::function<void()> entry)>& add);

// RIENTROC: "Data:" (today) and "Conto:", both required.
std::unique_ptr<QDialog> makeLedgerReturnDialog(QWidget* parent = nullptr);

} // namespace arv::accounting
