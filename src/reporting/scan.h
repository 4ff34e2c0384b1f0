// What the statements and statistics share: reading the company movements in date order, the
// comparisons of names in their selections, the period text and the figures as they print.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/agency.h"
#include "common/date.h"
#include "common/decimal.h"
#include "common/report.h"
#include "store/workspace.h"

namespace arv::reporting {

// Upper case, without the blanks at both ends.
std::string upper(std::string_view text);
// TEXT begins with START, in any case; an empty START matches everything.
bool beginsWith(std::string_view text, std::string_view start);
// The same name, in any case and without the blanks around it.
bool sameName(std::string_view a, std::string_view b);
// DATE within FROM and TO, each bound applied only when given.
bool within(Date date, Date from, Date to);
// The period text of the titles ("Dal 01/01/25 al 31/03/25"), without the leading "- ".
std::string periodTitle(Date from, Date to);
// A figure as it prints: rounded to the cent, dots between thousands, comma before the cents.
std::string money(const Decimal& amount);
// The figure a printed line shows, to add up derived lines from what was printed.
Decimal printed(const Decimal& amount);

// Every live movement of MOVICOMP in date order (MOVIDATA), only those dated FROM to TO when a bound
// is given (the order's scope does the choosing). The table is opened read-only under an alias of
// its own and closed afterwards.
void scanMovements(store::Workspace& ws, Date from, Date to, const std::function<void(const store::Table&)>& visit);
// Every live movement in the order of the file, for the sums that order their results themselves.
void scanAllMovements(store::Workspace& ws, const std::function<void(const store::Table&)>& visit);

// The agency's identity from the ARV.INI of the working folder.
AgencyIdentity agencyOf(store::Workspace& ws);

// Columns of the summary reports, read from a line held in memory.
ReportColumn textColumn(const char* heading, std::function<std::string()> value, int width);
ReportColumn dateColumn(const char* heading, std::function<Date()> value, int width = 8);
ReportColumn amountColumn(const char* heading, std::function<Decimal()> value, const char* mask = "@E 9,999,999.99",
                          bool total = true);
// A figure ending at column EDGE (after the margin) of the current line.
TxtOptions endingAt(int edge, const PrintFont& font);
// The open page closed, the pages kept, the job ended (preview or printer).
PrintDocument finishJob(TPRINTER& job);

} // namespace arv::reporting
