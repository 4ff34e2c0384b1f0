#include "policies/sheets.h"

#include "ui/popmsg.h"

namespace arv::policies {

void DATIAUTO(const std::string&) { POPMSG("Funzione non ancora disponibile.", 1); }
void RAMIELEM(const std::string&) { POPMSG("Funzione non ancora disponibile.", 1); }
void VITA(const std::string&) { POPMSG("Funzione non ancora disponibile.", 1); }

} // namespace arv::policies
