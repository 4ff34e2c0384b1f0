// Producers and sub-agents: the register of PRODUTT, with each producer's commission rates by
// agreement and branch (rows of type "P" of PROVVIG, see companies.h).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "records/register.h"

namespace arv::registry {

// The register of the producers (dialogs "PRODUTTORI" and "PRODUTTORE").
const records::RegisterDesc& producersRegister();
// The tables and fields that store a producer's name, where a rename is carried.
const std::vector<records::RenameTarget>& producerRenames();

// The entry function: "Produttori e sub agenti...".
void PRODUTTORI();
// Hands the entry function above to ADD under its name.
void addProducerEntries(const std::function<void(const std::string& name, std::function<void()> entry)>& add);

} // namespace arv::registry
