// The premium loans (FINANZ) without their windows: the agency's commission from the finance
// company's five brackets, the fields of the loan dialog and when they recompute it, the paid mark
// of a loan, the search and the printed list. The register screen (financingregister.cpp) only
// shows what is decided here.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "common/decimal.h"
#include "common/printjob.h"
#include "records/register.h"
#include "registry/companies.h"
#include "store/workspace.h"

namespace arv::policies {

// Field ids of the dialog FINANZ2.
enum FinancingField : int {
    kFinDate = 101,
    kFinNumber = 102,
    kFinAgreement = 103,
    kFinInsured = 104,
    kFinGuarantor = 105,
    kFinAmount = 106,
    kFinFixed = 107,
    kFinVariable = 108,
    kFinPolicy1 = 109, // to 113
    kFinComputed = 114, // hidden: the amount and agreement of the last computation
};

inline constexpr const char* kFinancingAmountMask = "@ZE 99,999.99";

// ---- the commission
struct FinancingCommission {
    Decimal fixed, variable;
    friend bool operator==(const FinancingCommission&, const FinancingCommission&) = default;
};
// The first bracket whose ceiling is not below AMOUNT, in order: its fixed amount and AMOUNT x its
// rate / 100, rounded to the cent half away from zero. Above every ceiling: 0 + 0.
FinancingCommission financingCommission(const std::array<registry::FinancingBand, 5>& bands, const Decimal& amount);
// The same from the brackets of finance company AGREEMENT; an unknown company gives 0 + 0.
FinancingCommission financingCommission(store::Workspace& ws, const std::string& agreement, const Decimal& amount);

// ---- the dialog
// The fields of FINANZ2, in tab order (the hidden kFinComputed last).
const std::vector<records::EditField>& financingFields();
// The copies before the dialog opens: a new loan dated today; the last computation is the one the
// values shown hold, so that only a change of amount or agreement computes again.
void prepareFinancingEdit(records::EditValues& v, bool inserting);
// Leaving "Importo:" or choosing "Rapporto:": when the amount or the agreement differs from the last
// computation, both commission fields take the brackets' figures; otherwise what was typed stays.
void financingFieldLeft(store::Workspace& ws, int id, records::EditValues& v);

// ---- the list
// " P": under the record's lock the paid mark of loan RECNO turns over. A loan another workstation
// deleted meanwhile stays deleted: false, nothing written (the cursor re-reads it).
bool togglePaid(store::Table& loans, uint32_t recno);

// The criteria of RFINANZ.
std::vector<records::SearchField> financingSearch();

// "Stampa finanziamenti" over the current order or view: the amounts and commissions totalled,
// then "CREDITO PROVVIGIONI", the commissions of the loans not yet paid. The cursor goes back to
// its record.
PrintDocument printFinancings(store::Table& loans, bool preview = true);

} // namespace arv::policies
