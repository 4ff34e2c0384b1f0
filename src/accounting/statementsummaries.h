// The summaries of the statements an agreement closes by: the gross commission of each remittance
// since 2019 ("Riepilogo estratti conto") and, beside the agency's invoices, the list of invoices
// and statements ("Riepilogo fatture/estratti conto").
#pragma once

#include <string>
#include <vector>

#include "common/date.h"
#include "common/decimal.h"
#include "common/pagemodel.h"
#include "store/workspace.h"

namespace arv::accounting {

// The gross commission a net commission comes from: NET x 100 / (100 - RATE); 0 for a rate of 100.
Decimal grossCommission(const Decimal& net, const Decimal& rate);

struct StatementRemittance {
    Date date;
    std::string agreement;
    Decimal gross; // the gross commission the remittance settled
};
// The remittances (a description beginning with "Rimessa", any case) dated 2019 or later, within
// the bounds given, of agreements that close by statement (and of AGREEMENT when given), in date
// order.
std::vector<StatementRemittance> statementRemittances(store::Workspace& ws, Date from, Date to,
                                                      const std::string& agreement = {});
// "Riepilogo estratti conto".
PrintDocument printStatementSummary(store::Workspace& ws, Date from, Date to, const std::string& agreement,
                                    bool preview = true);

} // namespace arv::accounting
