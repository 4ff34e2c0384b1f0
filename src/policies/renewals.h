// The renewal worklist (QUIETANZ) without its windows: one row per policy due for renewal, the
// policy data a row shows (ADATIPOL_), its derived figures (IMPPRO2_, GIOSCA_, due date, deadline,
// total), "Aggiungi" (selection, clean-up, new rows under the table lock), the row dialog's fields,
// values, recomputation and save, the flags, the collection and the cancellation, the notice and
// reminder and the requests to the companies with their texts, the search, the listing and the
// export. The screen (renewalregister.cpp) only shows what is decided here.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/agency.h"
#include "common/date.h"
#include "common/decimal.h"
#include "common/maildraft.h"
#include "common/pagemodel.h"
#include "records/register.h"
#include "store/workspace.h"

namespace arv::policies {

inline constexpr const char* kMsgConfirmCollection = "Confermi l'incasso della polizza?";
inline constexpr const char* kMsgConfirmCancellation = "Confermi la cancellazione e la disdetta della polizza?";
inline constexpr const char* kMsgCoverageDates = "Indicare le date di copertura dal e al.";
inline constexpr const char* kMsgRowGone = "La polizza non è più nel quietanzamento: nessuna modifica salvata.";
inline constexpr const char* kNoticeSection = "Quietanzamento";
inline constexpr const char* kNoticeKey = "Avviso";
inline constexpr int kDefaultGrace = 15;
inline constexpr int kNewQuotes = 7;

// ---- the policy behind a row

// ADATIPOL_: what the worklist reads of policy NUMBER, through POLIZZE_ (NUMPOL), DATIAUTO_ and
// CLIENTI_ (openPolicyLookups opens them).
struct RenewalPolicy {
    bool found = false;
    std::string code;
    std::string insured;
    Date coverage;
    std::string agreement, branch, producer, plate, company;
    Date effect;
    std::string effectHour;
    Date expiry;
    std::string fraction, connected1, connected2;
    Decimal premium, fee; // per instalment
    std::string notes;
    // the motor sheet
    bool hasSheet = false;
    std::string vehicle, make, model;
    Decimal vehicleValue;
    std::string guarantee1, guarantee2, limits;
    std::array<bool, 20> options{};
    // the insured's client record
    bool hasClient = false;
    std::string email, address, town, postCode, province, taxCode, pec, homePhone, officePhone, mobile, fax,
        clientNotes;
};
RenewalPolicy ADATIPOL_(store::Workspace& ws, const std::string& number);
// Opens the three lookup cursors above, each only when it is not open yet (the company movements
// opened from the worklist open their own); the function given back closes those it opened.
std::function<void()> openRenewalLookups(store::Workspace& ws);
// The insured of policy NUMBER alone ("" when the policy is unknown): the key of the worklist's
// view, which orders the rows by insured.
std::string renewalInsured(store::Workspace& ws, const std::string& number);

// The twenty optional guarantees of the motor sheet, in the sheet's order: field, check box
// label, the words of the requests to the companies.
struct MotorOption {
    store::FieldName field;
    const char* label;
    const char* words;
};
const std::array<MotorOption, 20>& motorOptions();
// "Altre garanzie A.R.D.": GARANZIA1, GARANZIA2 (when given), then the words of each option set,
// joined by ", ".
std::string otherGuarantees(const RenewalPolicy& p);

// ---- a row's figures

// GIOSCA_: the grace days of the row; zero or less counts as 15.
int GIOSCA_(const store::Table& row);
// IMPPRO2_: the premium of OPTION: 1 the current agreement's (IMPATT), 2..8 new quote 1..7, zero
// for any other.
Decimal IMPPRO2_(const store::Table& row, int option);
// The chosen premium plus the row's fee.
Decimal renewalTotal(const store::Table& row);
// The due date plus the grace days.
Date renewalDeadline(Date due, int graceDays);

// ---- "Aggiungi"

struct RenewalSelection {
    Date from, to;         // coverage dates, both required
    std::string agreement = {}; // "" any; compared whole, ignoring case
    std::string producer = {};  // the first producer; the same
};
// The message that refuses the selection ("" when it can run).
std::string selectionProblem(const RenewalSelection& s);
// Whether policy P (active or not) falls within the selection.
bool inSelection(const RenewalSelection& s, const RenewalPolicy& p);
struct AddedRenewals {
    size_t added = 0, removed = 0;
};
// Drops the rows whose policy fell within the selection but is no longer active, and the rows
// whose policy is gone from the register; then, under the table lock, adds a row (grace 15, all
// else empty) for each active policy of the selection that has none, in number order. Running it
// again adds only what is new.
AddedRenewals addRenewals(store::Workspace& ws, const RenewalSelection& s);

// ---- the row dialog (QUIETANZ21)

enum RenewalField : int {
    kRFNumber = 103,
    kRFGrace = 118,
    kRFCurrentPremium = 302,
    kRFOption1 = 303,
    kRFFee = 340,
};
const std::vector<records::EditField>& renewalFields();
const std::vector<std::string>& renewalPages();
// The values the dialog opens with on the row under the cursor of ROWS: the row's own, the
// policy's, the motor sheet's and the client's; option 1 when none was chosen, the policy's
// premium when the current one was not entered, the policy's fee when the row has none.
records::EditValues renewalValues(store::Workspace& ws, const store::Table& rows);
// The option chosen in the values (1..8).
int chosenOption(const records::EditValues& v);
// Chooses OPTION and recomputes.
void chooseOption(records::EditValues& v, int option);
// The proposed agreement and premium, the renewal figures of the first page and both totals,
// from the premiums, the option and the fee shown.
void recomputeRenewal(records::EditValues& v);
// The save: the row (locked; a row deleted meanwhile is left alone and nothing at all is
// written), then of the motor sheet and of the client only the fields the user changed since
// the dialog opened (BEFORE), each record locked for its own write.
records::SaveResult saveRenewal(store::Workspace& ws, store::Table& rows, uint32_t recno,
                                const records::EditValues& before, const records::EditValues& after);

// ---- flags, collection, cancellation

// A click in "A" (AVVISO) or "S" (SOLLECITO): the flag inverted under the row's lock. False, and
// nothing written, when the row was deleted meanwhile.
bool toggleRenewalFlag(store::Table& rows, uint32_t recno, store::FieldName flag);
// The flag set after a confirmed send; false when the row was deleted meanwhile.
bool setRenewalFlag(store::Table& rows, uint32_t recno, store::FieldName flag);

// How a collection is recorded: the company movements' new-movement dialog opened on policy
// NUMBER; true when a collection of it was saved. The program installs it.
using CollectionHook = std::function<bool(const std::string& number)>;
void setCollectionHook(CollectionHook hook);
const CollectionHook& collectionHook();

enum class RowOutcome { Done, Kept, Gone };
// "Incasso" on row RECNO: COLLECT records the movement; only once a collection of the policy was
// saved is the row deleted, under its lock (Done). Abandoned: the row stays (Kept). A row deleted
// by another workstation: nothing is done (Gone).
RowOutcome collectRenewal(store::Table& rows, uint32_t recno, const CollectionHook& collect);
// "Disdetta" on row RECNO: the policy cancelled, then the row deleted. Gone when the row was
// deleted meanwhile (the policy is left as it is).
RowOutcome cancelRenewal(store::Workspace& ws, store::Table& rows, uint32_t recno);

// ---- e-mails

enum class NoticeKind { Notice, Reminder };
// "Avviso di scadenza - Polizza n. 123 - Targa: AB123CD" ("Sollecito ..."; no plate part without one).
std::string noticeSubject(NoticeKind kind, const std::string& number, const std::string& plate);
// The text of the notice or reminder (lines separated by CR LF).
std::string noticeBody(NoticeKind kind, Date due, Date deadline, const Decimal& total, const AgencyIdentity& agency,
                       const std::string& freeText);

enum class CompanyRequest { Quote, Issue };
// "Preventivo polizza RC Auto - " / "Richiesta emissione polizza RC Auto - " + the trimmed insured
// cut to 35 characters.
std::string requestSubject(CompanyRequest kind, const std::string& insured);
// The text of a quote request, or of an issue request for PREMIUM.
std::string requestBody(CompanyRequest kind, const RenewalPolicy& p, const Decimal& premium,
                        const AgencyIdentity& agency);
// The addresses the request of row ROWS goes to: for quotes, each new-quote agreement given
// without a premium whose company record has an e-mail address; for the issue, the chosen new
// quote's agreement when it has a premium and an address.
std::vector<std::string> requestRecipients(store::Workspace& ws, const store::Table& rows, CompanyRequest kind);

// What the screen shows and asks while mailing; empty members: nothing shown, every question yes.
struct RenewalMailHooks {
    // AVVPUB: the free text (TITLE "Avviso" or "Sollecito") edited in place; false: "Annulla".
    std::function<bool(std::string& text, const std::string& title)> noticeText;
    // The compose dialog on the draft; false when abandoned.
    std::function<bool(MailDraft& draft)> compose;
    std::function<bool(const MailMessage& m)> send; // SENDMAIL unless given
    std::function<void(const std::string& message)> tell;
};
// "Avviso" / "Sollecito" on row RECNO: the free text of ARV.INI (stored back when confirmed), the
// message to the client (and the copy address as second recipient) composed and sent; the flag
// set only when it went. Gives whether it went.
bool mailNotice(store::Workspace& ws, store::Table& rows, uint32_t recno, NoticeKind kind,
                const std::string& iniPath, const RenewalMailHooks& hooks);
// "Preventivo" / "Emissione polizza" on row RECNO: one message to each recipient, the copy address
// in copy; the count told at the end. Gives the messages sent.
size_t mailRequest(store::Workspace& ws, store::Table& rows, uint32_t recno, CompanyRequest kind,
                   const std::string& iniPath, const RenewalMailHooks& hooks);

// ---- search, listing, export

const std::vector<records::SearchField>& renewalSearch();
// "Tabulato": the rows in view, "STAMPA QUIETANZAMENTO".
PrintDocument printRenewals(store::Workspace& ws, store::Table& rows, bool preview = true);
// "Estrazione dati": the rows in view to a workbook at PATH; PROGRESS gets the rows written.
bool writeRenewalsSpreadsheet(store::Workspace& ws, store::Table& rows, const std::string& path,
                              const std::function<void(uint32_t)>& progress = {});

} // namespace arv::policies
