// The screens of the movements' letters: the sending dialog COPIMM ("Copertura immediata") and the
// three entries of the register's print menu that use it.
#pragma once

#include <memory>

#include "store/table.h"
#include "store/workspace.h"
#include "ui/formdialog.h"

namespace arv {
class MailSettingsGroup;
}

namespace arv::accounting {

// "Via email:" and the "Parametri" of ARV.INI, enabled while it is ticked; on "Conferma" the
// parameters are written back (sending by e-mail needs the server and the sender).
std::unique_ptr<FormDialog> makeCoverageDialog(QWidget* parent = nullptr);
MailSettingsGroup* coverageMailGroup(FormDialog& dialog);

// The immediate coverage of the movement under the cursor, printed or mailed.
void coverageNotice(store::Workspace& ws, store::Table& movements);
// The client's payment receipt of the movement under the cursor.
void paymentReceipt(store::Workspace& ws, store::Table& movements);
// The statement of suspended items of the clients of the movements the register shows.
void suspendedStatements(store::Workspace& ws, store::Table& movements);

} // namespace arv::accounting
