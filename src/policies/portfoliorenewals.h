// "Rinnovi portafoglio": a period of this year against the same period of last year. For every
// premium collected last year the printout shows whether the policy (or the policy that replaced
// it) was collected again this year, with this year's date, due date, amount and agency
// commission. Reads the company movements and the policies; writes nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/date.h"
#include "common/decimal.h"
#include "common/pagemodel.h"
#include "store/workspace.h"

namespace arv::policies {

struct PortfolioRenewalCriteria {
    Date from, to;                           // "Periodo:" dal / al, both required
    std::string agreement, branch, producer; // each begins with, any case (empty: all)
};

// The two windows of a run. The year of "dal" is this year: "al" is moved into it keeping day and
// month (29 February becomes 28 in a common year). This year's collections are looked for from 30
// days before "dal" to 30 days after "al"; last year's from "dal" to "al" one year back.
struct RenewalWindows {
    Date thisFrom, thisTo, lastFrom, lastTo;
};
RenewalWindows renewalWindows(Date from, Date to);

// "" when the criteria can run, else the message for the dialog.
std::string portfolioRenewalProblem(const PortfolioRenewalCriteria& c);

// One collection of last year and its counterpart of this year, when there is one.
struct RenewalRow {
    Date lastDate, lastDue;
    std::string company, agreement, producer, insured, number; // of last year's movement
    Decimal lastAmount;
    Date date, due;                 // of this year's collection (empty: not renewed)
    Decimal amount, commission;
    std::string paidAs;             // the policy that paid: NUMBER or the one that replaced it
    bool renewed() const { return !date.isEmpty(); }
};

struct RenewalComparison {
    std::vector<RenewalRow> rows; // last year's collections in date order
    uint64_t recordsRead = 0;     // company movements read (the two windows alone)
};

// The counterpart of a collection of last year is a collection of this year of the same policy,
// else of the policy that replaced it (SOSTDA, one level): the one due 12 months after last year's
// due date, else the one nearest to 12 months after last year's date. Each collection of this year
// answers for one collection of last year at most, claimed in last year's date order, so that the
// instalments of a monthly policy find each its own.
RenewalComparison comparePortfolio(store::Workspace& ws, const PortfolioRenewalCriteria& c);

// "Stampa rinnovi portafoglio" (landscape, preview unless PREVIEW is false).
PrintDocument printPortfolioRenewals(store::Workspace& ws, const PortfolioRenewalCriteria& c, bool preview = true);

} // namespace arv::policies
