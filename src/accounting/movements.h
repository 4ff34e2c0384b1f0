// The company movements (MOVICOMP) without their windows: the commission computation from the rate
// table, the policy update of a collection, the last-movement rule, the save and delete sequences
// with their questions and refusals, the generation of collections, the return of suspended items,
// the registration of fees, the period closing, the search and the printouts. The register screen
// (movementregister.cpp) only shows what is decided here.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/date.h"
#include "common/decimal.h"
#include "common/printjob.h"
#include "records/register.h"
#include "store/workspace.h"

namespace arv::accounting {

// ---- messages
inline constexpr const char* kMsgEmptyAccount = "Il conto è vuoto. Confermi?";
inline constexpr const char* kMsgCheckClass = "Hai controllato la classe?";
inline constexpr const char* kMsgCoverageMismatch = "Data di copertura non corrispondente al frazionamento.";
inline constexpr const char* kMsgReplaced = "Polizza sostituita.";
inline constexpr const char* kMsgCancelled = "Polizza disdetta.";
inline constexpr const char* kMsgSameDay = "Operazione già effettuata nella stessa giornata.";
inline constexpr const char* kMsgOnlyLast = "E' possibile cancellare solo l'ultimo movimento della polizza.";
inline constexpr const char* kMsgExpiryNotReset = "La scadenza della polizza non verrà reimpostata automaticamente.";
inline constexpr const char* kMsgPolicyNotUpdated =
    "Impossibile aggiornare la polizza: il movimento non è stato cancellato.";
inline constexpr const char* kMsgGenerating = "Generazione incassi in corso...";

// ---- the movement dialog's values
// Values of the dialog that are not stored in the movement.
inline constexpr const char* kNet = "NETTO";          // "Netto:" net motor liability premium
inline constexpr const char* kFireTheft = "INCFURTO"; // "I/F:" fire/theft premium
inline constexpr const char* kNewCoverage = "NUOVACOPER"; // "Data copertura:"
inline constexpr const char* kNewExpiry = "NUOVASCAD";    // "Scadenza:" (new expiry of the policy)

// The fields of the dialog MOVICOMP2, in tab order (ids 101-134), then the record code and the
// second-producer flag, kept in the copies but not shown. An empty code means a new movement.
const std::vector<records::EditField>& movementFields();
// The ids of the hidden fields above.
std::vector<int> movementHiddenFields();
// The copies of a new movement: today's date, type "Quietanza", zero amounts, empty dates.
records::EditValues newMovementValues();
bool isNewMovement(const records::EditValues& v);
bool isSecondProducer(const records::EditValues& v);
// A rule: the field holds a valid date.
bool givenDate(const std::string& value, const records::EditValues& all);
// LIST with the empty entry first (added when missing), for the dialogs' lists.
std::vector<std::string> withEmpty(std::vector<std::string> list);

// The "Interessenze" amount of the settings file of FOLDER (section "Vazoruza"), 0 when missing.
Decimal interessenze(const std::string& folder);

// ---- commissions
struct CommissionInput {
    char type = 'C';         // 'C' agency (holder: the agreement), 'P' producer (holder: the producer)
    std::string holder;
    std::string agreement;
    std::string branch;
    Decimal stored;          // the policy's commission of that kind
    Decimal fees;            // "Diritti" (taken as 0 for the producer)
    Decimal net;             // "Netto"
    Decimal fireTheft;       // "I/F"
};
// The commission from the PROVVIG rates (not rounded).
Decimal computeCommission(store::Workspace& ws, const CommissionInput& in, const Decimal& interest);
// The rate stored for TYPE, HOLDER, AGREEMENT and the rate key RAMO; 0 when absent.
Decimal commissionRate(store::Workspace& ws, char type, const std::string& holder, const std::string& agreement,
                       const std::string& branchKey);

// ---- loading the dialog from the policy
// Leaving "Polizza n.:": company, agreement, insured, producer, convention, branch, registration
// number, due date, amounts and class from the policy.
void loadFromPolicy(store::Workspace& ws, records::EditValues& v);
// Choosing a description: the amounts by the description (collections: the policy's; "Rimessa":
// the remittance of the agreement).
void reloadAmounts(store::Workspace& ws, records::EditValues& v);
// Leaving "Diritti", "Netto" or "I/F": both commissions again.
void recomputeCommissions(store::Workspace& ws, records::EditValues& v);
// The registration number of the producer shown (RUIPROD).
void reloadRegistration(store::Workspace& ws, records::EditValues& v);
// What leaving field ID (changed) does to the other values of the dialog: "Data:" gives an empty
// "Data incasso:" its date; the policy, the producer, the description, "Diritti", "Netto" and
// "I/F" reload or recompute what depends on them.
void movementFieldLeft(store::Workspace& ws, int id, records::EditValues& v);

// ---- the policy update of a collection
struct PolicyUpdate {
    bool isNew = false;
    std::string number;
    std::string description;
    std::optional<Decimal> amount, fee, agencyCommission, producerCommission; // nullopt: not given
    std::string motorClass;
    Date expiry;    // typed expiry ("Scadenza:"), empty when not typed
    Date coverage;  // typed coverage ("Data copertura:"), empty when not typed
    Date collected; // collection date
    bool generated = false;
};
// AGGPOLIZZA. False when the policy (or its motor sheet) could not be written; nothing was found
// to update is not a failure.
bool AGGPOLIZZA(store::Workspace& ws, const PolicyUpdate& u);

// The current record of MOVEMENTS is the last of its policy: no later record in date order with
// the same policy number and a collection description. The cursor does not move.
bool isLastMovement(store::Workspace& ws, const store::Table& movements);

// ---- saving and deleting
struct Interaction {
    std::function<bool(const std::string& question)> ask; // yes/no; none: yes
    std::function<void(const std::string& message)> tell;  // none: nothing shown
    // The documents printed after a remittance is saved (receipt and reminders).
    std::function<void(store::Workspace&, const records::EditValues&)> remittanceDocuments;
};

struct MovementSave {
    enum Kind { Saved, Refused } kind = Saved;
    std::string message; // the refusal to show ("" after a question answered No)
    uint32_t recno = 0;  // the record written
    // A new collection on a policy with a second producer: the dialog opens again on these.
    std::optional<records::EditValues> second;
    explicit operator bool() const { return kind == Saved; }
};
// The save sequence of a confirmed dialog. MOVEMENTS is the register's cursor; when modifying it
// is on the record edited. On a refusal nothing is written.
MovementSave saveMovement(store::Workspace& ws, store::Table& movements, const records::EditValues& values,
                          const Interaction& io);

enum class DeleteResult { NotLast, Cancelled, DiskProblem, Deleted, Restored };
// "Elimina" on the current record of MOVEMENTS.
DeleteResult deleteMovement(store::Workspace& ws, store::Table& movements, const Interaction& io);

// ---- "Genera"
struct Generation {
    Date from, to;
    std::string convention; // "Cod. convenz." (empty: every policy)
    std::string account;
};
// The rule of the range: both dates given, "al" at most 30 days (DAYDIFF) after "dal".
bool generationRange(Date from, Date to);
// One collection per policy due in the range; gives the number written.
size_t generateCollections(store::Workspace& ws, store::Table& movements, const Generation& g, Date today);

// ---- "Rientro", "Chiusura", "Corrispett"
// Movements with no return date, an account beginning "Sospesi" or "Assegni", a date in the
// period (bounds optional) and of the producer.
std::vector<uint32_t> suspendedMovements(store::Workspace& ws, Date from, Date to, const std::string& producer);
// Each movement gets RIENTRO = DATE and CONTO = ACCOUNT.
size_t returnSuspended(store::Workspace& ws, const std::vector<uint32_t>& recnos, Date date, const std::string& account);
// Movements with a date in the period and of the producer (empty: every producer).
std::vector<uint32_t> closingMovements(store::Workspace& ws, Date from, Date to, const std::string& producer);
// CHIUSURA = DATE when DATE is empty or the movement's own is empty.
size_t closePeriod(store::Workspace& ws, const std::vector<uint32_t>& recnos, Date date);
// Over the current view of MOVEMENTS: CORRISP = DATE on the agreement's movements of the period,
// when DATE is empty or their own is empty. The cursor goes back to its record.
size_t registerFees(store::Table& movements, Date from, Date to, const std::string& agreement, Date date);

// ---- search
std::vector<records::SearchField> movementSearch();
// The date bounds of the last search (empty after "Tutti").
struct Period {
    Date from, to;
};
Period searchPeriod();

// ---- lookups
// The class of the motor sheet of the policy with internal code CODE ("" when none).
std::string motorClass(store::Workspace& ws, const std::string& code);
std::string PROVENIENZA_(store::Workspace& ws, const std::string& number);
std::string TARGA_(store::Workspace& ws, const std::string& number);

// ---- printouts over the current view
PrintDocument printMovements(store::Table& movements, bool preview = true);
enum class ValueList { MotorLiability, Damage, DriverAccident };
PrintDocument printValues(store::Workspace& ws, store::Table& movements, ValueList which, bool preview = true);
// "Estrazione dati": the view with the plate column; gives the workbook's path.
std::string exportMovements(store::Workspace& ws, store::Table& movements);

} // namespace arv::accounting
