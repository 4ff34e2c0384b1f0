// The policy register (POLIZZE): the list of the policies and the policy dialog, also used as the
// policy picker of other screens. The rules and the writes are in policies.h; this is the screen.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "records/register.h"
#include "store/workspace.h"

namespace arv::policies {

// Buttons of the list after the pattern's own.
enum PolicyButton : int {
    kBtnReplace = 209,
    kBtnOtherData = 210,
    kBtnClaims = 211,
    kBtnLabels = 212,
    kBtnPolicyMail = 213,
};

// The description of the register, on the table's alias ALIAS ("POLIZZE", or another one when a
// screen that calls the picker has that alias open).
const records::RegisterDesc& policiesRegister(const std::string& alias = "POLIZZE");

// Opens each cursor TABLE under ALIAS in the order of TAG, unless ALIAS is open already; the
// function given back closes those it opened (the selected area stays).
struct LookupCursor {
    const char* table;
    const char* alias;
    store::TagName tag;
};
std::function<void()> openLookupCursors(store::Workspace& ws, const std::vector<LookupCursor>& wanted);

// The lookup cursors the list, the dialog and the search read through (CLIENTI_, COMPAGN_,
// MOVICOMP_, DATIAUTO_, POLIZZE_), each opened only when it is not open yet; the function given
// back closes those it opened.
std::function<void()> openPolicyLookups(store::Workspace& ws);

// "Altri dati" of the cursor's policy: the branch's detail sheet, or the message that the branch
// has none.
void otherData(store::Table& policy);

// Opens the register. SELECT: picker mode, closing with "Sele&ziona" gives the number under the
// cursor. NUMBER positions the list on that policy; INSURED restricts it to that insured's
// policies. Gives the chosen number, else NUMBER as given (blanks of the field's width when none).
std::string POLIZZE(bool select = false, const std::string& number = {}, const std::string& insured = {});

// "S&inistri": the claims of the policy under the cursor of the register's table (ALIAS). The
// claims come after the policies, so the program installs the entry at start; without it the
// button says the function is not available.
void setPolicyClaimsEntry(std::function<void(const std::string& alias)> entry);

// "Genera fattura" in "&Stampa ^": the consultancy invoice of the policy under the cursor of the
// register's table (ALIAS). The invoices come after the policies, so the program installs it at
// start; without it the entry says the function is not available.
void setInvoiceGenerator(std::function<void(const std::string& alias)> generate);

// "Richiesta preventivo" of "Emai&l ^": the price request to a company for the policy under the
// cursor of the register's table (ALIAS). The quotes come after the policies, so the program
// installs it at start; without it the entry says the function is not available.
void setPriceRequestEntry(std::function<void(const std::string& alias)> entry);

// "Modulistica" of "&Stampa ^": the agency's forms (MODULISTICA), which come after the policies;
// the program installs it at start, without it the entry says the function is not available.
void setPolicyFormsEntry(std::function<void()> entry);

// Hands the entry function to ADD.
void addPolicyEntries(const std::function<void(const std::string& name, std::function<void(const std::string&)> entry)>& add);

} // namespace arv::policies
