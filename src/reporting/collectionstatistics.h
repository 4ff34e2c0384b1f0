// "Statistiche incassi": the premiums collected (or the agency commissions on them) month by month
// in a period of this year against the same period of the year before, for every agreement
// together or one table per agreement. Reads the company movements by date, one scope per year;
// writes nothing.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/date.h"
#include "common/decimal.h"
#include "common/pagemodel.h"
#include "store/workspace.h"

namespace arv::reporting {

struct CollectionCriteria {
    std::string branch;          // "Ramo:", begins with, any case (empty: every branch)
    std::string agreement;       // "Rapporto:", equal, any case (empty: every agreement)
    Date from, to;               // "Periodo:", both required and in one year
    bool commissions = false;    // "Provvigioni:": PROVVAGEN instead of IMPORTO
    bool perAgreement = false;   // "Per rapporto:": one table per agreement
};

// The dialog's defaults: 1 January of TODAY's year to TODAY.
CollectionCriteria collectionDefaults(Date today);
// "" when the criteria can run, else the message for the dialog.
std::string collectionCriteriaProblem(const CollectionCriteria& c);
inline constexpr const char* kMsgPeriodInOneYear = "Le date del periodo devono essere dello stesso anno.";

// The period one year back: the same days and months (29 February becomes 28). The period itself
// is never moved, so the collections of 29 February of a leap year are counted.
struct YearPeriods {
    Date from, to, previousFrom, previousTo;
};
YearPeriods yearPeriods(Date from, Date to);

// The sums and counts of one year, month by month.
struct MonthFigures {
    std::array<Decimal, 12> sums{};
    std::array<int, 12> counts{};
    Decimal total() const;
    int count() const;
};

struct CollectionTable {
    std::string agreement;     // the agreement of a table per agreement ("" for all together)
    MonthFigures current, previous;
};

struct CollectionStatistics {
    int year = 0;                        // the year of "dal"
    std::vector<CollectionTable> tables; // one, or one per agreement in name order
    uint64_t recordsRead = 0;
};

// A movement counts when its description begins with "Incasso" (any case), it is dated inside the
// period, its branch begins with the one chosen and its agreement is the one chosen. Per agreement,
// an agreement found in one year alone has zeros in the other.
CollectionStatistics collectionStatistics(store::Workspace& ws, const CollectionCriteria& c);

// The percentage of the year's total against the previous one, as printed under "%": a whole
// number, 0 when the previous total is not positive.
std::string totalChange(const Decimal& current, const Decimal& previous);

// "Statistiche incassi" / "Statistiche provvigioni" (+ " per rapporto"), landscape, in the preview
// unless PREVIEW is false.
PrintDocument printCollectionStatistics(store::Workspace& ws, const CollectionCriteria& c, bool preview = true);

} // namespace arv::reporting
