// Spreadsheet export (TOEXCEL): the records of the current table, in its current order, view and
// scope, to an .xlsx workbook that is then opened in front of the user. Row 1 holds the field
// names (bold) and the titles of any extra columns; each record is one row with typed cells:
// text trimmed (a text that reads as a number stays a text cell, so "00136" keeps its zeros),
// numbers right-aligned, dates as dates left-aligned, logicals as they are. Every cell sits at the
// top of its row and the columns are as wide as their contents.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "common/date.h"
#include "common/decimal.h"
#include "store/table.h"

namespace arv::records {

using store::Table;

inline constexpr const char* kMsgExporting = "Esportazione in corso...";

using CellValue = std::variant<std::monostate, std::string, Decimal, Date, bool>;

// An extra column: its title and its value on the current record.
struct ExtraColumn {
    std::string title;
    std::function<CellValue(const Table&)> value;
};

// True when the trimmed text reads as a number (digits with an optional sign and one decimal
// separator): such text is written as a text cell.
bool looksNumeric(std::string_view text);

// Writes the workbook to PATH. PROGRESS gets the sheet row of each record written. The cursor is
// back on its record afterwards, whatever happens. False when the file could not be written.
bool writeSpreadsheet(Table& table, const std::string& path, const std::vector<ExtraColumn>& extra = {},
                      const std::function<void(uint32_t row)>& progress = {});

// TOEXCEL: the export under the progress message "Esportazione in corso (n)...", into a workbook
// in a temporary folder of this workstation, then opened with its associated application
// (officeHooks().open). A failure ends the export quietly; the record position is restored and
// the message closed in every case. Gives the workbook's path ("" on a failure).
std::string TOEXCEL(Table& table, const std::vector<ExtraColumn>& extra = {});

} // namespace arv::records
