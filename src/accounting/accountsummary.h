// The accounting summary ("Riepilogo situazione contabile") without its windows: the commissions
// earned on remitted company movements, the costs and revenues of the accounting movements counted
// in the books, grouped by accounting entry or by description, the balance, and the year-by-year
// comparison of commissions and costs ("Statistiche situazione contabile").
#pragma once

#include <string>
#include <vector>

#include "accounting/primanota.h"
#include "common/date.h"
#include "common/decimal.h"
#include "common/pagemodel.h"
#include "store/workspace.h"

namespace arv::accounting {

inline constexpr const char* kMsgProcessing = "Elaborazione in corso...";

struct SummaryCriteria {
    Date from, to;        // either may be empty
    bool byEntry = true;  // group by accounting entry (CONTABIL), else by description
};

// The agency commissions (PROVVAGEN) earned in the period: of the movements with a fee
// registration date (CORRISP) inside the bounds and an agreement, those older than their
// agreement's newest remittance (ordered by agreement, then date and record from the newest).
Decimal earnedCommissions(store::Workspace& ws, Date from, Date to);

struct SummaryGroup {
    std::string key;
    Decimal amount;
};
struct AccountSummary {
    Decimal commissions;
    std::vector<SummaryGroup> costs;    // the groups printed: their cost is above zero
    std::vector<SummaryGroup> revenues; // likewise
    Decimal costTotal;                  // every group's cost, printed or not
    Decimal revenueTotal;               // the commissions plus every group's revenue
    Decimal balance() const { return revenueTotal - costTotal; }
};
// The accounting movements counted in the books (PRIMANOTA ticked) dated in the period, grouped;
// the commissions as above.
AccountSummary accountSummary(store::Workspace& ws, const SummaryCriteria& c);

// "RIEPILOGO SITUAZIONE CONTABILE DAL 01/03/25 AL 30/04/25".
std::string summaryTitle(Date from, Date to);
PrintDocument printAccountSummary(const AccountSummary& s, Date from, Date to, bool preview = true);

// Per year, within the calendar window of "dal" and "al": the commissions of every company
// movement dated then against the costs of the accounting movements counted in the books.
std::vector<StatisticsLine> summaryStatistics(store::Workspace& ws, Date from, Date to);
PrintDocument printSummaryStatistics(store::Workspace& ws, Date from, Date to, bool preview = true);

} // namespace arv::accounting
