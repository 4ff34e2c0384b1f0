// The motor quotes (table PREVBSA) without their windows: the form of eight pages with its fields
// and rules, the quote number (PROSNUM), the save, the filling from a policy (ADATIPOL) and from a
// client (ADATIASS), the search criteria (RPREVENTIVI), the "OK" mark and the conversion of a
// quote into a client, policies and motor sheets (OKPOLIZZA). The register and its dialogs
// (quoteregister.h) only show what is decided here.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/date.h"
#include "records/register.h"
#include "store/table.h"
#include "store/workspace.h"

namespace arv::sales::quotes {

inline constexpr const char* kMsgConvertQuestion = "Il preventivo selezionato sarà trasformato in polizza. Confermi?";
inline constexpr const char* kMsgCreatingPolicy = "Creazione polizza in corso...";
inline constexpr const char* kMsgRcExists = "Il numero di polizza RC Auto indicato è già esistente.";
inline constexpr const char* kMsgArdExists = "Il numero di polizza ARD indicato è già esistente.";
inline constexpr const char* kMsgThirdExists = "Il numero di polizza Inf./Cond. indicato è già esistente.";
inline constexpr const char* kMsgAlreadyReplaced = "Polizza già sostituita.";
inline constexpr const char* kMsgNumbersUsedUp =
    "Numerazione dei preventivi esaurita per l'anno: impossibile salvare il preventivo.";
// Followed by the error's own text.
inline constexpr const char* kMsgConversionUndone =
    "Creazione delle polizze non riuscita: quanto già scritto è stato annullato.";

inline constexpr int kFirstNumber = 1001;
inline constexpr int kLastNumber = 99999;

// ---- the form (PREVENTIVI2)

// Pages: "Ns.polizza", "Assicurato", "Intest.PRA", "Conducente", "Dati auto", "Situazione",
// "RC Auto", "ARD".
enum QuotePage : int { kPagePolicy, kPageInsured, kPageHolder, kPageDriver, kPageVehicle, kPageSituation, kPageRc, kPageArd };

// Field ids the screens and tests reach (the vehicle, holder and driver fields keep the ids of the
// motor sheet's fields, policies/sheets.h).
enum QuoteField : int {
    kFNumber = 101,
    kFDate = 102,
    kFOperator = 103,
    kFPolicy = 104,
    kFInsured = 601,
    kFTaxCode = 606,
    kFHolder = 400,
    kFHolderTax = 406,
    kFDriver = 504,
    kFDriverTax = 509,
    kFExclusive = 501,
    kFExpert = 502,
    kFFree = 503,
    kFRcFinanced = 805,
    kFArdFinanced = 855,
    // hidden, not stored: "T" for a new quote, the stored date and number, the number of the last fill
    kFNew = 190,
    kFStoredDate = 191,
    kFStoredNumber = 192,
    kFFilledFrom = 193,
};
// Ids of the two "Copia dati assicurato" buttons (holder's and driver's pages).
enum QuoteButton : int { kBtnCopyToHolder = 210, kBtnCopyToDriver = 211 };

// The form without its pickers: fields, pages, rules, the copy buttons, the leaving of fields.
const records::RegisterDesc& quoteForm();

// The values of a new quote: the number PROSNUM gives for TODAY (without lock), the date, "Auto",
// "Agenzia" as sub-agent and producer, the hours "00:00".
records::EditValues newQuoteValues(store::Workspace& ws, Date today = Date::today());
// The values of the quote under the cursor of QUOTES, for modifying it.
records::EditValues quoteValues(const store::Table& quotes);

// What leaving a changed field does: the date gives the number again (a new quote, or a date moved
// to another year; else the stored number), the policy number fills the quote (ADATIPOL), the
// names of the contracting party, the holder and the driver load their client, the tax codes give
// the birth date and sex, the driving checks enable or clear the driver.
void quoteFieldLeft(store::Workspace& ws, int id, records::EditValues& values);

// Whether a driving type is ticked (the driver's fields and copy button work only then).
bool drivingTypeSet(const records::EditValues& values);
// "Copia dati assicurato": the contracting party's name and personal data into the holder's
// (SUFFIX "PRA") or the driver's ("CON") fields.
void copyInsured(records::EditValues& values, std::string_view suffix);

// ---- numbering

// The next free quote number of DATE's year: the highest NUMERO of the year's undeleted quotes
// plus one, read through the year+number tag (quotes without a number left aside); 1001 for a year
// without numbered quotes. nullopt once 99999 is taken. With LOCK the table lock of QUOTES is taken
// first and kept for the caller (who releases it); QUOTES' cursor does not move.
std::optional<int> PROSNUM(store::Workspace& ws, store::Table& quotes, Date date, bool lock);

// The save of a confirmed form (QUOTES' cursor on REQUEST.recno when modifying): the drive checks,
// the table lock, the number (PROSNUM for a new quote or a date moved to another year, else the
// stored one), the append or the record lock, every field, commit, unlock. A year whose numbers
// are used up refuses the save and writes nothing.
records::SaveResult saveQuote(store::Workspace& ws, store::Table& quotes, const records::EditRequest& request,
                              const records::EditValues& after);

// ---- filling

// ADATIPOL: the quote's previous policy, contracting party, holder, driver and vehicle from the
// policy NUMBER (its client, its motor sheet when the branch begins with "AUTO"); "Attestato in
// corso di validità" ticked with the policy's expiry, "Assegnazione C.U." the sheet's class. An
// empty number blanks all of these; an unknown one changes nothing (false).
bool ADATIPOL(store::Workspace& ws, const std::string& number, records::EditValues& values);
// ADATIASS: the contracting party's fields from the client NAME (compared in capitals); false
// (nothing changed) for an unknown name.
bool ADATIASS(store::Workspace& ws, const std::string& name, records::EditValues& values);
// The holder's ("PRA") or the driver's ("CON") fields from the client NAME; false when unknown.
bool loadPerson(store::Workspace& ws, const std::string& name, std::string_view suffix, records::EditValues& values);

// ---- the register

// The criteria of RPREVENTIVI, in dialog order.
const std::vector<records::SearchField>& quoteSearch();
// The "OK" column: OKPOLIZZA of record RECNO flipped under its lock; false when the record is gone.
bool toggleOk(store::Table& quotes, uint32_t recno);

// ---- the conversion into policies

struct Conversion {
    std::string rc, ard, third; // the policy numbers typed ("" none)
    std::string thirdBranch;    // the third policy's branch
};
// Whether the quote under the cursor has an ARD company (the ARD and third numbers can be typed).
bool hasArd(const store::Table& quote);

struct ConversionHooks {
    // Called before each write: "CLIENTE", "RC", "ARD", "TERZA", "SOSTITUITA", "PREVENTIVO" (tests
    // make one fail).
    std::function<void(const std::string& step)> beforeStep;
};
struct ConversionResult {
    bool done = false;
    bool reopen = false;              // a number to type again: the dialog opens again
    std::string message;              // the refusal, or the failure after the writes were undone
    std::vector<std::string> notices; // shown after a conversion ("Polizza già sostituita.")
    std::string clientCreated;        // the client appended ("" when it existed)
    std::vector<std::string> codes;   // internal codes of the policies created
    explicit operator bool() const { return done; }
};
// The problem of the typed numbers (required, equal to each other, already in the register) as
// the message to show, or of the quote (no contracting party, no RC company or agreement, no ARD
// agreement for an ARD policy); "" when the conversion can go.
std::string conversionProblem(store::Workspace& ws, const store::Table& quote, const Conversion& c, bool* reopen = nullptr);
// OKPOLIZZA on the quote under the cursor of QUOTES: every check first; then the client (appended
// under the CLIENTI lock when no client has the name), the RC policy, the ARD and the third ones
// with their motor sheets, the previous policy marked once (cancelled and replaced by the RC
// number, the quote's company added to its note; one already replaced by another is left alone
// with "Polizza già sostituita."), and the quote ticked with the third policy's line in NOTEARD.
// A failure after the first write takes back what was written and says so.
ConversionResult OKPOLIZZA(store::Workspace& ws, store::Table& quotes, const Conversion& c,
                           const ConversionHooks& hooks = {});

} // namespace arv::sales::quotes
