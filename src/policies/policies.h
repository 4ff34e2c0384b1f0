// The policies without their windows: the fields of the policy dialog and the rules that tie them,
// the initial values of each way of opening it, the save sequence, the replacement mark, deletion
// with the policy's sheets and claims, the "V" mark, the search conditions and the record
// functions other screens ask of a policy. The register screen (policyregister.cpp) only shows
// what is decided here.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/date.h"
#include "common/decimal.h"
#include "records/register.h"
#include "store/workspace.h"

namespace arv::policies {

inline constexpr const char* kMsgPolicyPresent = "Polizza già presente.";
inline constexpr const char* kMsgCompanyInactive = "Compagnia non attiva.";
inline constexpr const char* kMsgAgreementInactive = "Rapporto non attivo.";
inline constexpr const char* kMsgCheckNotice = "Controllare la modalità di avviso.";
inline constexpr const char* kMsgAlreadyReplaced = "Polizza già sostituita.";
inline constexpr const char* kMsgReplaceOrChange = "Verificare se trattasi di sostituzione o cambio compagnia.";
inline constexpr const char* kMsgModifyConnected = "Modificare polizza collegata.";
inline constexpr const char* kMsgDeletingConnected = "Stai eliminando una polizza che ha altra polizza collegata.";
inline constexpr const char* kMsgNoOtherData = "Altri dati non disponibili per il ramo ";

// Field ids of the policy dialog, in dialog order.
enum PolicyField : int {
    kFInsured = 101, kFCompany, kFAgreement, kFCoinsurer, kFPhone, kFNumber, kFReplaces, kFReplacedBy, kFQuote,
    kFBranch, kFCode, kFRegisterHolder, kFFraction, kFSchemeCode, kFProducer1, kFProducer2, kFScheme, kFPayment,
    kFProduct, kFProfession, kFEffect, kFHour, kFExpiry, kFCoverage, kFCollected, kFPremium, kFFee, kFExpenses,
    kFTotal, kFAgencyComm, kFProducerComm, kFTacit, kFAutoCollect, kFCancelled, kFClientCancelled, kFReform,
    kFNotice, kFMailAlias, kFMailbox, kFOrigin, kFDocuments, kFConnected, kFConnected1, kFConnected2, kFInvoice,
    kFNotes, kFOperator, kFUser, kFPassword,
};

// How the dialog was opened.
enum class PolicyMode { Insert, Duplicate, Replace, Modify };
inline bool isNew(PolicyMode m) { return m != PolicyMode::Modify; }

// The fields of the dialog, on their pages ("Polizza", "Premi e date", "Altri dati"). The total is
// shown only (its name is no field of the table).
const std::vector<records::EditField>& policyFields();
const std::vector<std::string>& policyPages();

// The fields another field fills when it changes (the rules of the dialog): the insured gives the
// producers and the e-mail alias, the company the tacit renewal, the telephone flag the invoice
// flag, an "AUTO" branch the register holder, the amounts the total, the cancellation flags each
// other; leaving the effect date copies it to the coverage date in insertion and duplication.
void fieldChanged(store::Workspace& ws, int id, records::EditValues& values, PolicyMode mode);
// "Email" when the insured has an e-mail address, else "Posta": the tooltip of "Avviso".
std::string noticeTooltip(store::Workspace& ws, const std::string& insured);

// ---- the values the dialog opens with (the register's cursor on the current policy)

records::EditValues insertValues(store::Workspace& ws);
records::EditValues duplicateValues(store::Workspace& ws, const store::Table& current);
// nullopt when the current policy was already replaced ("Polizza già sostituita.").
std::optional<records::EditValues> replaceValues(store::Workspace& ws, const store::Table& current);
records::EditValues modifyValues(const store::Table& current);
// The dialog's caption: "Aggiungi", "Sostituisci", "Modifica - Data inserimento: dd/mm/yy" ("n/d").
std::string dialogTitle(PolicyMode mode, const store::Table* current);

// ---- saving

// Questions asked during the save (yes/no); no hook answers yes.
struct SaveHooks {
    std::function<bool(const std::string& question)> ask;
};
struct PolicySave {
    bool saved = false;
    std::string message;              // the refusal to show (empty when only a question said no)
    std::vector<std::string> notices; // shown after a successful save
    uint32_t recno = 0;               // the record written
    std::string code;                 // its internal code, right-aligned
    explicit operator bool() const { return saved; }
};
// The whole save of a confirmed dialog on table POLICIES (the register's cursor, on the record the
// dialog was opened on when modifying, replacing or duplicating: SOURCE). Every check runs first;
// only then is the record appended or locked, and after it the form discharged, the connected
// policies linked and the replaced policy marked; the sheet is copied last. On a refusal nothing
// is written. The cursor ends on the record written (or where it was on a refusal).
PolicySave savePolicy(store::Workspace& ws, store::Table& policies, PolicyMode mode, uint32_t source,
                      const records::EditValues& before, const records::EditValues& after, const SaveHooks& hooks = {});

// ---- deleting and the "V" mark

struct DeleteHooks {
    std::function<void(const std::string& text)> inform;
    std::function<bool(const std::string& question)> ask; // OK/cancel; no hook answers OK
};
// "Elimina" on the cursor's policy: the warning for a connected policy, the question, the drive
// check, then the sheets and the claims of the policy, and only then the policy itself (the cursor
// moves to the next record). Company movements, forms and notices stay. True when deleted; a
// disk message goes to *MESSAGE.
bool deletePolicy(store::Workspace& ws, store::Table& policies, const DeleteHooks& hooks = {},
                  std::string* message = nullptr);
// A click in column "V" on record RECNO: the mark is inverted under the record's lock. A record
// deleted meanwhile stays deleted and false is given (the list is to be redrawn).
bool toggleVerifica(store::Table& policies, uint32_t recno);

// ---- states and figures

bool ATTIVA(const store::Table& policy);           // not replaced, not cancelled
bool isReplaced(const store::Table& policy);       // SOSTDA holds the replacing number
bool isCancelled(const store::Table& policy);      // DISDETTA
// Premium figures are per instalment: the annual figure multiplies by the instalments a year.
Decimal annualFigure(const Decimal& perInstalment, const std::string& fraction);
Decimal annualPremium(const store::Table& policy);
// "Arretrate": not replaced, not cancelled, payment not "SOSPESO", covered until a date of which
// TODAY is more than 15 days later.
bool isInArrears(const store::Table& policy, Date today = Date::today());

// ---- record functions

// True when every policy of INSURED has exactly BRANCH, and the current policy is active.
bool MONORAMO(store::Workspace& ws, const store::Table& policy, const std::string& insured, const std::string& branch);
// Vehicle type and bonus-malus class of the motor sheet; ARG is the internal code, or a policy
// number (longer than 10 characters) turned into the code first. "" without a sheet.
std::string VEICOLO(store::Workspace& ws, const std::string& arg);
std::string CLASSE(store::Workspace& ws, const std::string& arg);
// The plate of the motor sheet of the internal code CODE ("" without one).
std::string plateOf(store::Workspace& ws, const std::string& code);
// The client's SUBAGENTE, SUBAGENTE2, GRUPPO, ALIASTEL and MARKETNG; "" when not found.
std::string PRODUTTORE(store::Workspace& ws, const std::string& client);
std::string PRODUTTOR2(store::Workspace& ws, const std::string& client);
std::string GRUPPO(store::Workspace& ws, const std::string& client);
std::string ALIASTEL(store::Workspace& ws, const std::string& client);
std::string MARKETNG_(store::Workspace& ws, const std::string& client);
// Whether the current instalment of the policy is collected.
bool INCASSATA(store::Workspace& ws, const store::Table& policy, Date today = Date::today());
// A replaced or cancelled policy, or one with a company movement.
bool PERFEZIONATA(store::Workspace& ws, const std::string& number);
// Day and month of D1 on or after those of D2, the year ignored.
bool SUCCESSIVO(Date d1, Date d2);

// ---- search

// The criteria of the search dialog RPOLIZZE, their conditions built as predicates. TODAY is read
// when the search runs.
const std::vector<records::SearchField>& policySearch();
// Positions of the criteria in policySearch() (and in the typed values).
enum PolicyCriterion : size_t {
    kSInsured, kSCompany, kSAgreement, kSNumber, kSActive, kSBranch, kSMonoBranch, kSProducer, kSGroup,
    kSMarketing, kSScheme, kSProduct, kSProfession, kSPayment, kSSchemeCode, kSOperator, kSDocuments, kSPremium,
    kSExpiryFrom, kSExpiryTo, kSCoverageFrom, kSCoverageTo, kSToCollect, kSVerified, kSCollectedFrom,
    kSCollectedTo, kSNotes, kSConnected, kSAnniversaryFrom, kSAnniversaryTo, kSHalfFrom, kSHalfTo, kSPlate,
    kSVehicle, kSClass, kSNotice, kSEmail, kSArrears, kSCount
};
// Typed values of an empty search dialog ("Solo attive" ticked, three-state boxes undetermined).
std::vector<std::string> blankSearch();
// Sets the day the conditions compare with (tests); an empty date means the real today.
void setSearchToday(Date today);

} // namespace arv::policies
