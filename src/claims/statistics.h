// The claims statistics: "Reporting" (claim frequency per company against the premiums collected,
// over three years, or the monthly count of one company's claims), "Rapporto S/P" (amounts paid
// against premiums collected) and "Riepilogo" (motor claims per client over five years). Claims
// marked "No reporting" stay out of the first two. Each computation is given apart from the pages
// it prints, so that the figures can be checked alone.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "common/date.h"
#include "common/decimal.h"
#include "common/pagemodel.h"
#include "store/workspace.h"

namespace arv::claims {

// ---- "Reporting"

struct ReportingCriteria {
    Date from, to;           // a calendar window on day and month (either may be empty)
    std::string company;     // given: the monthly count of this company
    std::string producer;    // begins with (empty: every producer)
    std::string branch;      // with a company: begins with
};

struct ReportingLine {
    std::string company;
    std::array<int, 3> claims{};    // N0, N1, N2: years Y, Y-1, Y-2
    std::array<Decimal, 3> premiums; // P0, P1, P2
};
struct ReportingSection {
    std::string branch;               // "Auto", "Elementare-Inf", "Elementare-Malattia"
    std::vector<ReportingLine> lines; // the companies printed, in name order
    ReportingLine total;
};

// The change of year K against the reference year: ((PK / P0) x N0 / NK - 1) x 100 rounded to a
// whole number; 0 when it comes to -100 or a divisor is zero.
int claimChange(const Decimal& p0, const Decimal& pk, int n0, int nk);
// "20%", or "" for 0.
std::string changeText(int change);

// The three sections of the reference year (the year of "al", else TODAY's).
std::vector<ReportingSection> reportingSections(store::Workspace& ws, const ReportingCriteria& c, Date today);
// The count of the company's claims by month of opening (rows) and claim year (TODAY's year - 2,
// - 1, TODAY's year).
std::array<std::array<int, 3>, 12> monthlyClaims(store::Workspace& ws, const ReportingCriteria& c, Date today);
// "Reporting sinistri" without a company, "Reporting numerico sinistri" with one.
PrintDocument printReporting(store::Workspace& ws, const ReportingCriteria& c, Date today, bool preview = true);

// ---- "Rapporto S/P"

struct LossRatioCriteria {
    Date from, to; // full dates, either may be empty
    std::string company, producer, branch; // each begins with
};
struct LossRatio {
    Decimal gross;   // premiums collected
    Decimal net;     // taken as half the gross
    Decimal paid;    // amounts paid on the claims
    Decimal margin;  // net - paid
    Decimal percent; // paid / gross x 2 x 100, two decimals (0 without premiums)
};
LossRatio lossRatio(const Decimal& gross, const Decimal& paid);
// The claims listed (records, by opening date and insured) and the figures.
struct LossRatioReport {
    std::vector<uint32_t> claims;
    LossRatio figures;
};
LossRatioReport lossRatioReport(store::Workspace& ws, const LossRatioCriteria& c);
PrintDocument printLossRatio(store::Workspace& ws, const LossRatioCriteria& c, bool preview = true);

// ---- "Riepilogo"

struct SummaryLine {
    std::string client;
    std::array<int, 5> years{}; // TODAY's year - 4 ... TODAY's year
    int total = 0;
};
// The motor claims (policy branch "Auto", any case) of each client by year of opening, plus the
// settings of INIPATH, section "Sinistri", key year + " " + client; the clients with a total, in
// name order.
std::vector<SummaryLine> claimSummary(store::Workspace& ws, const std::string& iniPath, Date today);
PrintDocument printSummary(store::Workspace& ws, const std::string& iniPath, Date today, bool preview = true);

} // namespace arv::claims
