// The policy list printer: the policies of a view printed as a landscape list, full or short,
// under a title. The register's "&Stampa ^" lists and the expiry, cancellation and new-business
// lists (lists.h) all print through it.
//
//   Table& t = ...;                  // POLIZZE with the view and order to print
//   PolicyListOptions o;
//   o.title = "Elenco disdette";     // default "Stampa polizze": only active policies printed
//   printPolicyList(ws, t, o);
//
// The rows are the table's current order or view (or the filter's view), from the first record, in
// that order; the cursor goes back to its record afterwards. Full list: "ASSICURATO", "PRODUTTORE", "COMPAGNIA",
// "RAPPORTO", "POLIZZA N.", "RAMO", "SCAD.", "COPER.", "IMPORTO" (premium + fee + expenses),
// "PORTAFOGLIO" (premium x instalments a year), "PROVVIGIONI" (agency commission x instalments a
// year, x 1 for a life policy in its first year), "PAGAMENTO", with a grand total "TOTALE". The
// title "Scadenza polizze per data" leaves out "SCAD.", "PORTAFOGLIO" and "PROVVIGIONI". Short list:
// "ASSICURATO", "COMPAGNIA", "POLIZZA N.", "TARGA", "SCAD.". The plate is read through the
// lookup alias DATIAUTO_ when a screen has it open, else through a cursor of the printer's own.
#pragma once

#include <optional>
#include <string>

#include "common/pagemodel.h"
#include "store/table.h"
#include "store/workspace.h"

namespace arv::policies {

inline constexpr const char* kDefaultListTitle = "Stampa polizze";
inline constexpr const char* kExpiryListTitle = "Scadenza polizze per data";

struct PolicyListOptions {
    std::string title = kDefaultListTitle; // the job's name; upper-cased, the page heading
    bool shortList = false;                // the short list with the plate
    bool preview = true;                   // false: the pages only (tests, PDF)
    // The register's search filter (an empty predicate: every policy). With one, the full list is
    // ordered by the numeric value of the policy number and the short list keeps the register's
    // order; afterwards the cursor is given back the filter in the register's order. Without one,
    // the cursor's own order or view prints as it is (the expiry and cancellation lists).
    std::optional<store::RecordPredicate> filter = std::nullopt;
};

// The numeric value of a policy number: its leading digits ("00123/A" is 123, "A10" is 0).
unsigned long long policyNumberValue(const std::string& number);

// Prints the policies of POLICIES (a cursor on POLIZZE) as OPTIONS say; gives the pages made.
PrintDocument printPolicyList(store::Workspace& ws, store::Table& policies, const PolicyListOptions& options = {});

} // namespace arv::policies
