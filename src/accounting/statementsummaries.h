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

// A row of "Riepilogo fatture/estratti conto": an invoice (its amount in the commission or the
// consultancy column) or a remittance (no number, its gross commission as the statement).
struct InvoiceStatementRow {
    long number = 0; // 0 for a remittance
    Date date;
    std::string customer; // the invoice's customer or the remittance's agreement
    Decimal commissionInvoice, consultancyInvoice, statement;
};
// The numbered invoices dated within the bounds given and the remittances of the statement summary
// (every agreement), in date order.
std::vector<InvoiceStatementRow> invoiceStatementRows(store::Workspace& ws, Date from, Date to);
// "Riepilogo fatture/estratti conto", closing with "TOTALE GENERALE:" of the three columns.
PrintDocument printInvoiceStatementSummary(store::Workspace& ws, Date from, Date to, bool preview = true);

} // namespace arv::accounting
