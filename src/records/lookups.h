// Lookup lists for list boxes and one-value record lookups. Lists read a whole table in its key
// order; record lookups read one record and never move the caller's cursors: they use the
// lookup aliases a screen opens for them (CLIENTI_, COMPAGN_, PRODUTT_, POLIZZE_, DATIAUTO_)
// or open the table under an alias of their own. Texts are UTF-8, trailing blanks removed.
#pragma once

#include <string>
#include <vector>

#include "common/date.h"
#include "common/decimal.h"
#include "store/workspace.h"

namespace arv::records {

using store::Workspace;

// ---- lists (the first entry is the empty text where the list offers "none")
std::vector<std::string> ARAMI(Workspace& ws);
std::vector<std::string> AGRUPPI(Workspace& ws);
std::vector<std::string> AMARKETNG(Workspace& ws);
std::vector<std::string> ATIPISIN(Workspace& ws);
std::vector<std::string> ADESMVCOM(Workspace& ws);
std::vector<std::string> ADESMVCON(Workspace& ws);
std::vector<std::string> AVOCICON(Workspace& ws);
std::vector<std::string> ACATECON(Workspace& ws, bool emptyFirst = true);
std::vector<std::string> AGARANZIE(Workspace& ws);
std::vector<std::string> ACONVENZ(Workspace& ws);
std::vector<std::string> APROFESS(Workspace& ws);
std::vector<std::string> AOPERATORI(Workspace& ws);
std::vector<std::string> ACOMPAGNIE(Workspace& ws); // ceased agreements left out
std::vector<std::string> APRODUTT(Workspace& ws);   // ceased left out, "Agenzia" once, sorted
std::vector<std::string> AINTERMED(Workspace& ws);  // employees, or RUI number "E..." / "NO..."
std::vector<std::string> APRODOTTI(Workspace& ws, const std::string& company, const std::string& agreement,
                                   const std::string& scheme);
std::string CODPRO(Workspace& ws, const std::string& company, const std::string& agreement, const std::string& scheme,
                   const std::string& description);

// ---- clients, through CLIENTI_ ("" when the alias is not open or the client is unknown)
std::string NOMECLIE(Workspace& ws, const std::string& client);
std::string COGNCLIE(Workspace& ws, const std::string& client);
std::string INDICLIE(Workspace& ws, const std::string& client);
std::string CITTCLIE(Workspace& ws, const std::string& client);
std::string CAPCLIE(Workspace& ws, const std::string& client);
std::string PROVCLIE(Workspace& ws, const std::string& client);
std::string CODFCLIE(Workspace& ws, const std::string& client);
std::string PIVACLIE(Workspace& ws, const std::string& client);
std::string EMAICLIE(Workspace& ws, const std::string& client);
std::string PECCLIE(Workspace& ws, const std::string& client);
std::string GRUPCLIE(Workspace& ws, const std::string& client);
std::string CSDICLIE(Workspace& ws, const std::string& client);
bool ISPFCLIE(Workspace& ws, const std::string& client);

// ---- agreements and producers, through COMPAGN_ and PRODUTT_
bool ATTICOMP(Workspace& ws, const std::string& agreement); // not ceased (true when unreadable)
bool CHIUCOMP(Workspace& ws, const std::string& agreement); // closes statements (true when unreadable)
bool ATTIPROD(Workspace& ws, const std::string& producer);  // not ceased (true when unreadable)
std::string RUIPROD(Workspace& ws, const std::string& producer);

// ADATIASSI: the client's data, read from CLIENTI opened under an alias of its own.
struct ClientData {
    std::string title, name, address, postCode, town, province, taxCode;
    Date birthDate;
    std::string sex, email;
    bool byPost = false;
    std::string vatNumber, homePhone, officePhone, mobile, fax, profession;
};
ClientData ADATIASSI(Workspace& ws, const std::string& client);

// ADATICOMP: the agreement's data, read from COMPAGN opened under an alias of its own.
struct AgreementData {
    std::string companyLine1, companyLine2, address, postCode, town, province;
    int remittanceDay = 0;
    std::string fax, email;
    bool tacitRenewal = false;
    std::string coverageEmail;
};
AgreementData ADATICOMP(Workspace& ws, const std::string& agreement);

// ---- policies by number, through POLIZZE in its NUMPOL order (opened under an alias of its own)
bool ISPOLIZZA(Workspace& ws, const std::string& number);
bool ISSOSTITUITA(Workspace& ws, const std::string& number); // true when unreadable
bool ISDISDETTA(Workspace& ws, const std::string& number);   // true when unreadable
std::string FRAZIONAMENTO(Workspace& ws, const std::string& number);
bool TELEFONICA(Workspace& ws, const std::string& number);
// The policy's agreement, insured, producer and branch ("" when the number is unknown): through
// POLIZZE_ when a screen has it open (its order NUMPOL), else through a cursor of their own.
std::string RAPPORTO(Workspace& ws, const std::string& number);
std::string ASSICURATO(Workspace& ws, const std::string& number);
std::string PRODUTT(Workspace& ws, const std::string& number);
std::string RAMO(Workspace& ws, const std::string& number);
// The plate of the policy's motor sheet: by policy number (TARGAUTO, through POLIZZE_ and
// DATIAUTO_) and by internal code (through DATIAUTO_ or a cursor of its own). "" without one.
std::string TARGA(Workspace& ws, const std::string& number);
std::string TARGACODICE(Workspace& ws, const std::string& code);

// ---- through POLIZZE_ (and DATIAUTO_ for the motor sheet)
std::string NOTEPOLI(Workspace& ws, const std::string& number);
std::string TARGAUTO(Workspace& ws, const std::string& number);
Decimal QUINAUTO(Workspace& ws, const std::string& number);
Decimal VALOAUTO(Workspace& ws, const std::string& number);
Decimal VKASAUTO(Workspace& ws, const std::string& number);
struct MotorOptions {
    bool accident = false, glass = false, ownDamage = false, fireTheft = false, flammables = false;
};
MotorOptions AOPZIAUTO(Workspace& ws, const std::string& number);

// ACASELLETEL: the alias mailboxes of the settings file (section "Caselle alias", keys
// "Casella1", "Casella2", ... up to the first empty one), after an empty first entry.
std::vector<std::string> ACASELLETEL(const std::string& iniPath);

// COMUNASCCDF over the municipalities table of the working folder: the municipality of birth
// of a tax code ("" when the table is missing, blanks when the code is unknown).
std::string COMUNASCCDF(Workspace& ws, const std::string& taxCode);

// ACCENSIONE: date of the first company movement of the current POLIZZE record, from MOVICOMP
// as the caller opened it (controlling order MOVIPOLI). The empty date when there is none.
Date ACCENSIONE(Workspace& ws);
// The same for POLICY, from MOVEMENTS (a cursor on MOVICOMP in its MOVIPOLI order).
Date ACCENSIONE(const store::Table& policy, store::Table& movements);

} // namespace arv::records
