// "Riepilogo statistiche": one document with the agency's key figures for a period: commissions of
// the agreements year by year, the portfolio and the premiums collected against the year before,
// new business, the producers' commissions and productivity, the collections per branch. Each
// computation is given apart from the page it prints; nothing is written.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/date.h"
#include "common/decimal.h"
#include "common/pagemodel.h"
#include "store/workspace.h"

namespace arv::reporting {

struct SummaryCriteria {
    Date from, to; // "Periodo:", both required
};
// "" when the criteria can run, else the message for the dialog.
std::string summaryCriteriaProblem(const SummaryCriteria& c);

// "TOTALE PORTAFOGLIO" / "CONTRATTI NUOVI": premiums a year (IMPORTO x RATE(FRAZIONAM)) and, of
// them, those of the single-premium policies.
struct PortfolioFigures {
    Decimal total, singlePremiums;
};
// Every policy neither replaced nor cancelled. Reads the whole policy table (no index holds
// what it selects); READ grows by the records read.
PortfolioFigures portfolioTotal(store::Workspace& ws, uint64_t* read = nullptr);
// The policies that start (EFFETTO) inside FROM - TO and neither replace another, were replaced,
// nor come from elsewhere (SOSTPOL, SOSTDA, PROVENIEN empty).
PortfolioFigures newContracts(store::Workspace& ws, Date from, Date to, uint64_t* read = nullptr);

// "TOTALE PORTAFOGLIO INCASSATO": the premiums of the collections ("Incasso", "Incasso diretto",
// "Incasso provvisorio") dated inside FROM - TO.
Decimal premiumsCollected(store::Workspace& ws, Date from, Date to, uint64_t* read = nullptr);

// "PRODUTTIVITA' PRODUTTORI": per producer (in name order; the movements without one form a line
// of their own) the agency's and the producer's commissions of the movements dated inside FROM -
// TO with a premium or a producer's commission; a producer whose two sums are zero is left out.
struct ProducerProductivity {
    std::string producer;
    Decimal agency, producerShare;
    Decimal productivity() const { return agency - producerShare; }
};
std::vector<ProducerProductivity> producerProductivity(store::Workspace& ws, Date from, Date to,
                                                       uint64_t* read = nullptr);

// "REPORT INCASSI PER RAMO": per branch (in name order) the premiums collected in FROM - TO and in
// the same days and months one year back (29 February becomes 28); a branch with neither figure
// positive is left out.
struct BranchCollections {
    std::string branch;
    Decimal current, previous;
};
std::vector<BranchCollections> collectionsByBranch(store::Workspace& ws, Date from, Date to, uint64_t* read = nullptr);
// The change printed beside a branch: "25%"; nothing when the previous figure is not positive,
// when the current one is zero, or when it rounds to 0.
std::string branchChange(const Decimal& current, const Decimal& previous);

// The document ("Riepilogo statistiche", Arial 10, in the preview unless PREVIEW is false). A
// section that fails ends there, its tables closed, and is told to FAILED with its message; the
// document goes on with the next. READ, when given, gets the records read.
PrintDocument printSummary(store::Workspace& ws, const SummaryCriteria& c, bool preview = true,
                           const std::function<void(const std::string& message)>& failed = {},
                           uint64_t* read = nullptr);

} // namespace arv::reporting
