// "Stampa budget": the agency's costs and revenues of a period of this year against the same
// period of the year before, per accounting item grouped by category, with the commissions earned
// on the collections. Reads the accounting movements and the company movements by date, one scope
// per year, and the items by category; writes nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/date.h"
#include "common/decimal.h"
#include "common/pagemodel.h"
#include "store/workspace.h"

namespace arv::reporting {

// The accounts whose amounts are revenues: the account begins with "Cassa entrate", "C/C Postale
// entrate", "Banca 1 entrate" ... "Banca 4 entrate", "Ricaricabile 1 entrate" ... "Ricaricabile 4
// entrate" or "Entrate compensate".
bool isEntryAccount(std::string_view account);
// Suspended items ("Sospesi ..."): never a cost.
bool isSuspendedAccount(std::string_view account);

struct BudgetCriteria {
    Date from, to; // "Periodo:", both required and in one year
};
BudgetCriteria budgetDefaults(Date today); // 1 January of TODAY's year to TODAY
// "" when the criteria can run, else the message for the dialog.
std::string budgetCriteriaProblem(const BudgetCriteria& c);

struct BudgetFigures {
    Decimal previous, current;
    Decimal difference() const;
    BudgetFigures& operator+=(const BudgetFigures& o);
};
struct BudgetLine {
    std::string item;
    BudgetFigures figures;
};
struct BudgetCategory {
    std::string name;
    std::vector<BudgetLine> lines; // the items with a positive figure in either year, in index order
    BudgetFigures total;           // of the lines listed
};

struct Budget {
    int year = 0;                          // the year of "dal"
    std::vector<BudgetCategory> costs;     // the categories with listed items
    BudgetFigures commissions;             // "PROVVIGIONI ATTIVE (CORRISPETTIVI)"
    std::vector<BudgetCategory> revenues;
    BudgetFigures totalCosts, totalRevenues; // the revenues with the commissions
    BudgetFigures balance;                   // revenues - costs
    uint64_t recordsRead = 0;                // movements read (the scopes of the two periods)
};

// The cost of an item is the sum of its movements on accounts neither of entry nor suspended, its
// revenue the sum of those on entry accounts; the commissions are the agency commissions of the
// company movements whose description begins with "Incasso" (any case). The year before has the
// same days and months (29 February becomes 28). "dal" after "al" lists nothing.
Budget budget(store::Workspace& ws, const BudgetCriteria& c);

// "Stampa budget", in the preview unless PREVIEW is false.
PrintDocument printBudget(store::Workspace& ws, const BudgetCriteria& c, bool preview = true);

} // namespace arv::reporting
