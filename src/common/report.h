// The list-report engine: tabular printouts described by a title, heading lines and columns,
// laid out on the print job's pages and opened in the preview.
//
//   ReportDescription d;
//   d.title = "Stampa clienti";
//   d.headings = {"STAMPA CLIENTI", "Ordinati per nome"};
//   d.columns = {
//       {"Nome", [&] { return ReportValue(t.text("NOME")); }, "", 30},
//       {"Premio", [&] { return ReportValue(t.number("PREMIO")); }, "@E 999,999.99", 0, true},
//   };
//   d.totalLabel = "Totale generale";
//   runReport(d, tableRows(t));        // tableRows: records/reportrows.h
//
// Every page begins with SAYHEADER and the heading lines (the first in upper case, centred),
// then the column headings underlined; rows follow one a line (each ruled off from the next with
// rowSeparators) and a new page begins past line 60. At the end a line of the grand totals, under the columns that are totalled, with the
// label at the left.
#pragma once

#include "common/date.h"
#include "common/decimal.h"
#include "common/printjob.h"

#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace arv {

using ReportValue = std::variant<std::monostate, std::string, Decimal, Date, bool>;

enum class ReportAlign { Auto, Left, Right, Center }; // Auto: numbers right, the rest left

struct ReportColumn {
    std::string heading;
    std::function<ReportValue()> value;  // read from the rows' cursor when the row is printed
    std::string mask;                    // display mask ("@E 99,999.99", "@!"), optional
    int width = 0;                       // characters; 0: the widest of heading, mask and values
    bool total = false;                  // numbers only
    ReportAlign align = ReportAlign::Auto;
    std::string totalMask = {};          // the grand total's mask (empty: MASK), for totals wider than a row
    // What the row adds to the grand total, when it is not the value shown (empty: the value).
    std::function<ReportValue()> totalValue = {};
};

// The rows: a cursor moved from the first to the last record (the selected table in its
// current order or view).
struct ReportRows {
    std::function<void()> first;
    std::function<bool()> atEnd;
    std::function<void()> next;
};

// Rows over a list held in memory: the callback gives the row number being printed.
ReportRows indexRows(size_t count, size_t& current);

struct ReportDescription {
    std::string title;                   // the document's name and the page header's title
    std::vector<std::string> headings;
    std::vector<ReportColumn> columns;
    std::string totalLabel;              // grand-total label (empty: "Totale")
    std::function<bool()> condition;     // selects the rows (empty: every row)
    PrintFont font{"Courier New", 9};
    bool landscape = false;
    bool noDate = false;
    std::optional<PrintFont> headingFont; // the heading lines (default: the first bold, the rest in FONT)
    std::vector<PrintFont> headingFonts;  // one per heading line, when given (wins over headingFont)
    std::vector<std::string> closingLines; // printed after the grand totals
    bool rowSeparators = false;           // a line under every row, across the columns
    // Printed after the closing lines: a label at the left and its figure ending under the last column.
    std::vector<std::pair<std::string, std::string>> closingFigures;
    // The column (from 0) the closing figures end under (none: the last).
    std::optional<size_t> closingFigureColumn = {};
    std::string footer = {};              // a line centred at the foot of every page ("" none)
};

// The text of one cell: the value under the column's mask, fitted to the width.
std::string reportCell(const ReportColumn& column, const ReportValue& value, int width);

// Lays the report out on the job's pages (the job is left open).
void printReport(const ReportDescription& report, const ReportRows& rows, TPRINTER& job);

// A job of its own for the report, in the preview unless preview is false; gives the pages.
PrintDocument runReport(const ReportDescription& report, const ReportRows& rows, bool preview = true,
                        bool noPrint = false);

} // namespace arv
