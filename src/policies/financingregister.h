// The register of the premium loans (FINANZ): the list with its paid mark " P", the dialog FINANZ2
// with the client picker and the commission from the finance company's brackets, the search
// RFINANZ and "&Stampa". The rules are in financing.h.
#pragma once

#include "records/register.h"

namespace arv::policies {

const records::RegisterDesc& financingRegister();

// The entry function: "Finanziamenti...", on the most recent loan.
void FINANZ();

} // namespace arv::policies
