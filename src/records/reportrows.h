// The print side of the tables: report rows over a table's cursor, and the record the selected
// table goes back to when a print job ends.
#pragma once

#include "common/report.h"
#include "store/table.h"
#include "store/workspace.h"

#include <functional>

namespace arv::records {

using store::Table;
using store::Workspace;

// The table's records in its current order or view, from the first to the last.
ReportRows tableRows(Table& table);

// Remembers the selected table of the workspace and its record; the function given puts the
// table (when still open under the same alias) back on that record. Installed as the print
// job's rememberSelection hook by the program.
std::function<void()> rememberSelectedRecord(Workspace& ws);
void installPrintSelectionHook(Workspace& ws);

} // namespace arv::records
