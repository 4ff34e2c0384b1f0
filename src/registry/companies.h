// Companies and agreements ("rapporti"): the register of COMPAGN, and the commission-rate lists
// of PROVVIG shared with the producers' register (type "C": the agency's rates of one agreement
// by branch; type "P": a producer's rates by agreement and branch).
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "common/decimal.h"
#include "records/register.h"

namespace arv::registry {

// The register of the agreements (dialogs "COMPAGNIE" and "COMPAGNIA").
const records::RegisterDesc& companiesRegister();
// The tables and fields that store an agreement's name, where a rename is carried.
const std::vector<records::RenameTarget>& agreementRenames();
// Writes VALUE into the tacit-renewal flag of every policy of AGREEMENT (cancelled ones too);
// gives the number of policies changed.
size_t carryTacitRenewal(store::Workspace& ws, const std::string& agreement, bool value);

// What the movements, statements, remittances and financing read of an agreement.
struct FinancingBand {
    Decimal upTo, fixed, rate; // "Fino a:", "Fisso", "Aliquota"
};
struct AgreementTerms {
    bool found = false;
    bool ceased = false, collaborator = false, dailyCoverages = false, bankTransferReminder = false,
         transferReminder = false, closesStatements = false, tacitRenewal = false, ratified = false,
         remittancesWithoutCommissions = false;
    int remittanceDay = 0;   // 0: none
    Decimal withholdingRate; // "Aliquota R.A.:"
    std::string code, email, coverageEmail;
    std::array<FinancingBand, 5> bands{};
};
// The terms of AGREEMENT (any case), read from COMPAGN opened under an alias of its own; found is
// false for an unknown name.
AgreementTerms agreementTerms(store::Workspace& ws, const std::string& agreement);

// The commission rates of NAME: type 'C' for an agreement, 'P' for a producer.
records::RegisterDesc ratesRegister(char type, const std::string& name);
// The first bytes of the PROVVIG key shared by the rows of TYPE and NAME.
std::string ratesScope(char type, const std::string& name);
// The printout of the rows the table shows ("Stampa provvigioni agenzia" / "... produttori").
void printRates(store::Table& rates, char type, const std::string& name, bool preview = true);
// The list of the rates of NAME, opened from the register of the agreements or of the producers.
void PROVVIG(char type, const std::string& name);

// The entry function: "Compagnie e rapporti...".
void COMPAGNIE();
// Hands the entry function above to ADD under its name.
void addCompanyEntries(const std::function<void(const std::string& name, std::function<void()> entry)>& add);

} // namespace arv::registry
