// The windows of the policy sheets: the edit dialog of a sheet over its description, with the
// policy's title, the documents' buttons and, on the motor sheet's driver page, "Copia dati
// assicurato". What they decide and write is in sheets.h.
#pragma once

#include <memory>

#include "policies/sheets.h"
#include "ui/register.h"

namespace arv::policies {

// The description the dialogs show: the sheet's, with the dialog buttons and the insured's picker.
const records::RegisterDesc& sheetDialogDescription(SheetKind kind);

// The dialog of POLICY's sheet on VALUES (from loadSheet); TABLE gives the fields' widths.
std::unique_ptr<EditDialog> sheetDialog(SheetKind kind, const SheetPolicy& policy, const records::EditValues& values,
                                        bool exists, const store::Table* table, QWidget* parent = nullptr);

// The whole screen: the dialog until it is saved or abandoned. RUN shows it (exec() by default).
void runSheet(SheetKind kind, const std::string& code, const std::function<int(EditDialog&)>& run = {});

} // namespace arv::policies
