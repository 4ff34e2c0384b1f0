// Spreadsheet export (TOEXCEL): the records of the current table, in its current order, view and
// scope, to an .xlsx workbook that is then opened in front of the user. Row 1 holds the field
// names (bold) and the titles of any extra columns; each record is one row with typed cells:
// text trimmed (a text that reads as a number stays a text cell, so "00136" keeps its zeros),
// numbers right-aligned, dates as dates left-aligned, logicals as they are. Every cell sits at the
// top of its row and the columns are as wide as their contents.
#pragma once

#include <functional>
#include <memory>
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

// ---- rows of typed cells: the workbook writer every export builds on
//
//   SheetWriter w(path, {{"ASSICURATO"}, {"DATA", SheetCell::Date}, {"TOTALE", SheetCell::Number, "#,##0.00"}});
//   w.add({name, due, total});          // one row, in column order
//   if (!w.close()) ...                 // columns as wide as their contents, file written
//
// Row 1 holds the titles (bold). Texts are trimmed and stay text cells also when they read as a
// number (codes, post codes, policy numbers keep their zeros); numbers are right-aligned, under
// the column's number format or, without one, with the decimals they have; dates are dates
// ("dd/mm/yyyy") left-aligned; logicals booleans; an empty value or an empty date an empty cell.
// Every cell sits at the top of its row. In the constant-memory mode each row goes to a temporary
// file as it is written, so that an export of 100,000 rows needs no more memory than one of ten.

enum class SheetCell { Text, Number, Date, Logical };

struct SheetColumn {
    std::string title;
    SheetCell kind = SheetCell::Text;
    std::string format = {}; // number format of a Number column ("#,##0.00"; "" the value's decimals)
};

class SheetWriter {
public:
    SheetWriter(const std::string& path, std::vector<SheetColumn> columns, bool constantMemory = false);
    ~SheetWriter(); // a writer left without close() removes its file
    SheetWriter(const SheetWriter&) = delete;
    SheetWriter& operator=(const SheetWriter&) = delete;

    // False when the workbook could not be created.
    bool ok() const;
    // One row, its values in column order (missing ones empty). A value is written by its own
    // type; a text under a Number or Date column is a text cell.
    void add(const std::vector<CellValue>& values);
    // Rows written so far, the titles not counted.
    uint32_t rows() const;
    // Sets the widths and writes the file; false when it could not be written.
    bool close();

private:
    struct State;
    std::unique_ptr<State> s_;
};

// TOEXCEL: the export under the progress message "Esportazione in corso (n)...", into a workbook
// in a temporary folder of this workstation, then opened with its associated application
// (officeHooks().open). A failure ends the export quietly; the record position is restored and
// the message closed in every case. Gives the workbook's path ("" on a failure).
std::string TOEXCEL(Table& table, const std::vector<ExtraColumn>& extra = {});

} // namespace arv::records
