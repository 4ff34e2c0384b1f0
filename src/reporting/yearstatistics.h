// Year-over-year commissions: what the agreements earned by year of registration (CORRISP,
// PROVVAGEN) and what the producers earned by year of closing (CHIUSURA, PROVVPROD), within the
// day-and-month window of PERIODO. Each is a yearly section (one line per year) and a section per
// agreement or producer and year, printed into a job the caller owns ("Statistiche rapporti",
// "Statistiche produttori", "Riepilogo statistiche").
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/date.h"
#include "common/decimal.h"
#include "common/printjob.h"
#include "store/workspace.h"

namespace arv::reporting {

struct YearTotal {
    int year = 0;
    Decimal total;
};
struct HolderYears {
    std::string holder; // the agreement or the producer, as the first movement stores it
    std::vector<YearTotal> years;
};

// The agreements' commissions per year of CORRISP: movements with CORRISP and RAPPORTO, CORRISP in
// the window; within each year and agreement the movements up to and including the newest
// remittance are passed over, the older ones' PROVVAGEN counted. Years in order, one per year
// that has movements (its total may be zero).
std::vector<YearTotal> agreementYears(store::Workspace& ws, Date from, Date to);
// The same per agreement (in name order) and year.
std::vector<HolderYears> agreementYearsByAgreement(store::Workspace& ws, Date from, Date to);

// The producers' commissions (PROVVPROD) per year of CHIUSURA: movements with CHIUSURA and
// PRODUTTORE, CHIUSURA in the window, of the branch (begins with; empty: every branch).
std::vector<YearTotal> producerYears(store::Workspace& ws, Date from, Date to, const std::string& branch = {});
// The same per producer (in name order) and year, every branch.
std::vector<HolderYears> producerYearsByProducer(store::Workspace& ws, Date from, Date to);

// How a section prints in the caller's job.
struct SectionStyle {
    PrintFont font{"Arial", 10};
    PrintFont bold{"Arial", 10, true};
    int newPageAt = 60;                        // a line reaching it goes on a new page
    std::function<void(TPRINTER&)> pageTop;    // what starts every new page (the report's header)
};

// The yearly section from the job's current line: headings "ANNO", "TOTALE", "DIFFERENZA",
// "PERCENTUALE"; a line per year with its total, the difference from the previous printed year
// and the percentage (compareYears). A year whose total is zero is not printed and the year after
// it compares with zero.
void printYearSection(TPRINTER& job, const std::vector<YearTotal>& years, const SectionStyle& style);
// The section per agreement or producer: headings HOLDERHEADING ("RAPPORTO", "PRODUTTORE"), "ANNO",
// "TOTALE", "DIFFERENZA", "PERCENTUALE"; each holder's name on its first line only, the comparison
// starting again at zero for each, an empty line after a holder that printed something.
void printHolderSection(TPRINTER& job, const std::string& holderHeading, const std::vector<HolderYears>& holders,
                        const SectionStyle& style);

// A summary report of YEARS: "ANNO", "TOTALE" (with the grand total), "DIFFERENZA" and
// "PERCENTUALE" against the year before ("Statistiche rapporto", "Statistiche produttore").
PrintDocument printYearTable(const std::string& title, const std::vector<std::string>& headings,
                             const std::vector<YearTotal>& years, bool preview = true);

// "Statistiche rapporti": header "STATISTICHE RAPPORTI" and the period, the yearly section, two
// empty lines, the section per agreement.
PrintDocument printAgreementStatistics(store::Workspace& ws, Date from, Date to, bool preview = true);
// "Statistiche produttori": the yearly section of the branch, then the section per producer of
// every branch.
PrintDocument printProducerStatistics(store::Workspace& ws, Date from, Date to, const std::string& branch,
                                      bool preview = true);

} // namespace arv::reporting
