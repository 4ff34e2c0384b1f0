// The daily reporting ("Reporting giornaliero") without its windows: the agency's position on a
// day, read in one walk of each table (the company movements in their period order, the accounting
// movements, the loans; this month's movements for the new contracts; the policies for the lists
// of the complete version), laid out on the pages of the print job "Reporting giornaliero del " +
// the day. Nothing is written.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "common/date.h"
#include "common/decimal.h"
#include "common/printjob.h"
#include "store/workspace.h"

namespace arv::reporting {

// "RAPPORTI": an agreement's premiums and commissions since its newest remittance.
struct AgreementBalance {
    std::string agreement;
    Decimal premiums, commissions, dare, avere;
    // Out of "TOTALE" and of the virtual balance: the policy of its newest movement since that
    // remittance carrying a number is sold by telephone.
    bool byTelephone = false;
};
// "FINANZIARIE": an unpaid loan's commissions.
struct LoanCommission {
    std::string agreement, insured;
    Decimal fixed, variable;
};
// "PREMI SOSPESI PRODUTTORI ": a producer's open commissions and suspended premiums.
struct ProducerBalance {
    std::string producer;
    Decimal commissions, suspended;
};
struct ProducerRun {
    std::vector<ProducerBalance> producers; // by producer
    Decimal ledger;                         // "Movimenti contabilità" (0 when not positive)
    Decimal commissions, suspended;         // the totals, the ledger's line included
};
// "CONTRATTI NUOVI DEL GIORNO".
struct NewContract {
    std::string producer, company, policy;
    Decimal premium, commission;
};
// One line of the account balances: the amount under "SALDO DARE" or under "SALDO AVERE".
struct AccountBalance {
    std::string label;
    Decimal amount;
    bool dare = false;
};

struct DailyFigures {
    Date today;
    std::vector<AgreementBalance> agreements; // lines with something to show, by agreement
    Decimal premiums, commissions, dare, avere; // "TOTALE" (telephone sales left out)
    bool anyUnpaidLoan = false;
    std::vector<LoanCommission> loans;          // by agreement
    Decimal loanFixed, loanVariable;
    std::array<Decimal, 12> suspended{};        // in the order of suspendedAccounts()
    Decimal suspendedTotal;
    ProducerRun earlierMonths, currentMonth;
    Decimal monthPortfolio, monthSinglePremiums;
    std::vector<NewContract> newContracts;      // by producer and company
    std::vector<AccountBalance> accounts;       // "SALDO CASSA" ... in order
    Decimal accountsContribution;
    Decimal virtualBalance;                     // "SALDO VIRTUALE"
};

// The twelve suspended accounts: the account name (a prefix of CONTO) and its printed label.
struct SuspendedAccount {
    const char* account;
    const char* label;
};
const std::array<SuspendedAccount, 12>& suspendedAccounts();

// Every figure of the report on TODAY.
DailyFigures dailyFigures(store::Workspace& ws, Date today);

// The report on TODAY ("Completo:" adds the lists of missing documentation, overdue collections and
// policies not perfected), in the preview unless PREVIEW is false; gives the pages.
PrintDocument printDailyReport(store::Workspace& ws, Date today, bool complete, bool preview = true);

} // namespace arv::reporting
