// The lookup tables kept by the agency (branches, client groups, marketing groups, claim types,
// movement descriptions, accounting items and categories, guarantees, agreement schemes,
// products, professions, operators), each shown as a register list. Eleven have one field edited
// in the list itself; accounting items and products have a small edit dialog.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "records/register.h"

namespace arv::registry {

// The register of the lookup table reached by entry function NAME ("RAMI", "PRODOTTI" ...);
// nullptr for another name.
const records::RegisterDesc* lookupRegister(const std::string& name);
// The entry function names, in menu order.
const std::vector<std::string>& lookupEntryNames();

// The entry functions: each opens its table shared, shows the list and closes the table.
void RAMI();
void GRUPPI();
void MARKETNG();
void TIPISIN();
void DESMVCOM();
void DESMVCON();
void VOCICON();
void CATECON();
void GARANZIE();
void CONVENZ();
void PRODOTTI();
void PROFESS();
void OPERATOR();

// Hands every entry function above to ADD under its name (for the program's entry registry).
void addLookupEntries(const std::function<void(const std::string& name, std::function<void()> entry)>& add);

} // namespace arv::registry
