// The agreements' statements, read from the company movements and never written back: the
// statement of account of one agreement, the commissions earned per registration date or per
// agreement, the premium and commission summary, the year-over-year statistics and the list of
// agreements whose contracts expire in a period ("Carichi mensili"); the choice of the dialog
// SRAPPORTI and what each choice prints.
#pragma once

#include <string>
#include <vector>

#include "common/date.h"
#include "common/decimal.h"
#include "common/pagemodel.h"
#include "reporting/yearstatistics.h"
#include "store/workspace.h"

namespace arv::reporting {

// The withholding on a commission: AMOUNT x the agreement's ALIQRA / 100 (0 for an unknown agreement).
Decimal RITENUTA(store::Workspace& ws, const std::string& agreement, const Decimal& amount);

// ---- the statement of account
struct StatementLine {
    Date date;
    std::string description, insured, company, branch, policy;
    Date due;
    Decimal shown;      // "IMPORTO": the amount, 0 on "Sospesi compagnie/rapporti"
    Decimal owed;       // what the total of amounts adds (0 for the company's own collections)
    Decimal commission; // "PROVV.AGEN."
};
struct Statement {
    std::vector<StatementLine> lines;
    Decimal amounts, commissions; // the totals as printed
    Decimal withholding;          // RITENUTA of the printed commissions
    Decimal balance;              // "SALDO DI RIMESSA": amounts - commissions + withholding
};
// The agreement's movements (exactly that agreement; the company begins with COMPANY, empty: all),
// remittances left out, DATA within the bounds given, in date order.
Statement agreementStatement(store::Workspace& ws, const std::string& agreement, const std::string& company, Date from,
                             Date to);
PrintDocument printAgreementStatement(store::Workspace& ws, const std::string& agreement, const std::string& company,
                                      Date from, Date to, bool preview = true);

// ---- commissions earned
struct EarnedLine {
    std::string key; // the registration date (one agreement) or the agreement (all)
    Decimal commissions, indemnities;
};
// One agreement: per CORRISP date within the bounds, the PROVVAGEN of its movements apart from
// those whose description begins with "INDENNIT", and of those.
std::vector<EarnedLine> agreementCommissions(store::Workspace& ws, const std::string& agreement, Date from, Date to);
PrintDocument printAgreementCommissions(store::Workspace& ws, const std::string& agreement, Date from, Date to,
                                        bool preview = true);
// Every agreement: what its newest remittance settled (the movements older than it), CORRISP
// within the bounds; agreements without a remittance or with nothing earned are left out.
std::vector<EarnedLine> allAgreementCommissions(store::Workspace& ws, Date from, Date to);
PrintDocument printAllAgreementCommissions(store::Workspace& ws, Date from, Date to, bool preview = true);

// ---- premium and commission summary ("Riepilogo statistiche rapporti")
struct SummaryLine {
    std::string agreement;
    Decimal premium, commissions, withholding, net;
};
// Per agreement (name order), movements dated within the bounds, remittances left out; agreements
// with neither premium nor commissions are left out. The net comes from the printed figures.
std::vector<SummaryLine> agreementSummary(store::Workspace& ws, Date from, Date to);
PrintDocument printAgreementSummary(store::Workspace& ws, Date from, Date to, bool preview = true);

// ---- year-over-year statistics of one agreement ("Statistiche rapporto")
std::vector<YearTotal> oneAgreementYears(store::Workspace& ws, const std::string& agreement, Date from, Date to);
PrintDocument printOneAgreementStatistics(store::Workspace& ws, const std::string& agreement, Date from, Date to,
                                          bool preview = true);

// ---- "Carichi mensili": the agreements (in the register's order) of the policies covered up to a
// date within the period
std::vector<std::string> monthlyLoadAgreements(store::Workspace& ws, Date from, Date to);
PrintDocument printMonthlyLoads(store::Workspace& ws, Date from, Date to, bool preview = true);

// ---- the dialog's choice
enum class AgreementReport { Statement, Commissions, MonthlyLoads };
struct AgreementChoice {
    std::string agreement, company;
    Date from, to;
    AgreementReport report = AgreementReport::Statement;
    bool statistics = false;
};
// Whether "Rapporto:" may stand as chosen: an agreement for the statement, none for the monthly
// loads, anything for the commissions or with "Statistiche".
bool agreementChosenRight(const AgreementChoice& c);
// What keeps the choice from printing, as the field and the message ("" when it can print).
struct ChoiceProblem {
    int field = 0;
    std::string message;
};
ChoiceProblem agreementChoiceProblem(const AgreementChoice& c);
// The output the choice asks for.
PrintDocument runAgreementReport(store::Workspace& ws, const AgreementChoice& c, bool preview = true);

} // namespace arv::reporting
