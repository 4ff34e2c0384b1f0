// The claims (SINISTRI) without their windows: the fields of the claim dialog and what leaving
// them does, the internal register number, the coverage check against the policy's collections,
// the validity of a policy along its replacements, the client under observation for frequent
// claims, the save sequence with the number booking and the total theft, the search criteria and
// the printouts. The register screen (claimregister.h) only shows what is decided here.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/agency.h"
#include "common/date.h"
#include "common/pagemodel.h"
#include "records/register.h"
#include "store/workspace.h"

namespace arv::claims {

inline constexpr const char* kMsgOutOfCoverage = "Trattasi di sinistro fuori copertura o di polizza sostituita.";
inline constexpr const char* kOutOfCoverageNote = "SINISTRO FUORI COPERTURA";
inline constexpr const char* kMsgUnderObservation = "Trattasi di cliente sotto osservazione per sinistrosità.";
inline constexpr const char* kMsgNoReport = "Attivare il No reporting?";
inline constexpr const char* kMsgClaimPresent = "Sinistro già presente.";
inline constexpr const char* kMsgClaimNumberPresent = "Numero sinistro già presente.";
inline constexpr const char* kMsgUnknownPolicy = "Polizza inesistente.";
inline constexpr const char* kMsgTheftReminder =
    "Ricordati di annullare la polizza dall'archivio cartaceo e le eventuali polizze collegate.";
inline constexpr const char* kArchive = "Sinistri"; // heading of the attached documents

// Ids of the claim dialog SINISTRO (103 is the picker beside the policy number).
enum ClaimField : int {
    kFOpened = 101, kFPolicy = 102, kFCompany = 104, kFAgreement, kFNumber, kFRegister, kFYear, kFEvent, kFSent,
    kFBranch, kFPlate, kFInsured, kFDue, kFPaid, kFType, kFCategory, kFCounterparty, kFAddress, kFTown, kFVehicle,
    kFCounterPlate, kFPlace, kFProvince, kFAuthority, kFAdjuster, kFClosed, kFClosing, kFAmount, kFNotes, kFNoReport,
};

// The fields of the dialog, in id order. Agreement, branch, plate, insured and the two instalment
// dates are shown only (read from the policy, never stored).
std::vector<records::EditField> claimFields();

// ---- the policy of a claim

struct PolicyFacts {
    bool found = false;
    std::string code; // CODICE as stored (right-aligned)
    std::string number, company, agreement, branch, insured, producer, fraction, replacedBy;
    bool cancelled = false;
    Date expiry, coverage;
};
// The policy of NUMBER, read through its number order (found false when unknown).
PolicyFacts policyFacts(store::Workspace& ws, const std::string& number);

// A policy is valid for the claim statistics: one not replaced (SOSTDA empty) unless cancelled
// with its expiry equal to its coverage; a replaced one while every policy down its replacements
// (SOSTDA holds the replacing number) belongs to the same company. A number not in the register
// ends the walk, and so does a policy met twice. BYNUMBER reads a policy by number.
bool policyValid(const PolicyFacts& policy, const std::function<PolicyFacts(const std::string&)>& byNumber);
bool policyValid(store::Workspace& ws, const std::string& number);

// ---- the client under observation

// What the observation counts of one claim.
struct ClaimCount {
    Date opened;
    bool policyCancelled = false;
    bool policyValid = false;
};
// Under observation: some claim on a policy not cancelled, and among the claims on valid policies
// at least 2 opened within the last 12 months (opening date plus 12 months on or after TODAY), or 3
// within 36 months.
bool observed(const std::vector<ClaimCount>& claims, Date today);
// The claims of CLIENT's policies (through the client's policies and SINPOL, so a renamed client
// keeps its claims) that satisfy CONDITION, counted as above. A blank client is not under
// observation.
bool underObservation(store::Workspace& ws, const std::string& client, Date today,
                      const store::RecordPredicate& condition = {});
// "Controllo sinistrosità": the records of the claims satisfying CONDITION whose policy is valid and
// whose client is under observation for the claims satisfying CONDITION; in record order.
std::vector<uint32_t> observedClaims(store::Workspace& ws, const store::RecordPredicate& condition, Date today);

// ---- the internal register number

// "24/0138": after the last claim (register number LAST, opened on LASTOPENED), the claim opened on
// OPENED takes the next number of the later of the two years, or number 1 of a later year. After
// 9999 comes 0000.
std::string registerNumberAfter(const std::string& last, Date lastOpened, Date opened);
// The same after the last record of the claims table.
std::string nextRegisterNumber(store::Workspace& ws, Date opened);

// ---- the coverage check

struct Instalment {
    Date due, paid; // SCADENZA and INCASSO of a collection
};
struct Coverage {
    Instalment instalment; // the instalment covering the event (both empty when none)
    bool out = false;      // "fuori copertura"
};
// Among COLLECTIONS, the one with the latest due date on or before EVENT. With CHECK (a new claim):
// when EVENT falls more than 15 days after the end of the period it pays (its due date plus one
// instalment of FRACTION; for a single premium the policy's EXPIRY) there is none; the claim is
// out of coverage without one, or when the payment came more than 15 days after the due date and
// EVENT is not after the payment. Without CHECK the instalment alone, never out.
Coverage coverageOf(const std::vector<Instalment>& collections, const std::string& fraction, Date expiry, Date event,
                    bool check);
// The same over the policy's collection movements (MOVICOMP).
Coverage coverage(store::Workspace& ws, const PolicyFacts& policy, Date event, bool check);

// ---- the dialog

// What the dialog asks and tells while it is open (nothing shown and Yes without them).
struct Interaction {
    std::function<bool(const std::string& question)> ask;
    std::function<void(const std::string& message)> tell;
};
// A new claim: opened today, the register number for today, the current year; with POLICY, its
// number and what is read from it.
records::EditValues newClaimValues(store::Workspace& ws, Date today, const std::string& policy = {});
// The claim under CLAIMS' cursor: agreement, branch, plate and insured read again from its policy,
// the instalment of its event date.
records::EditValues claimValues(store::Workspace& ws, const store::Table& claims);
// Company, agreement, branch, insured and plate from the policy of the values.
void loadPolicy(store::Workspace& ws, records::EditValues& v);
// Leaving field ID changed: the opening date gives a new claim its register number; the policy
// reloads what comes from it, proposes the company's next free number when none is given and, on
// a new claim, checks the coverage and the client; the number fills an empty register number; the
// event date of a new claim checks the coverage again.
void claimFieldLeft(store::Workspace& ws, int id, records::EditValues& v, bool newClaim, Date today,
                    const Interaction& io);
// The coverage check of a new claim on the values: the instalment dates, the notes and the message.
void checkCoverage(store::Workspace& ws, records::EditValues& v, const Interaction& io);

// ---- saving

struct ClaimSave {
    bool saved = false;
    std::string message; // the refusal ("" when a question said no)
    uint32_t recno = 0;
    bool policyCancelled = false; // a total theft cancelled the policy
    std::string registerNumber;
    explicit operator bool() const { return saved; }
};
// The save sequence of a confirmed dialog on CLAIMS (the register's cursor, on the claim edited
// when modifying): "No reporting", the drive, then under the table lock the same claim, the same
// number, the register number not used yet this year, the booking in the series, the write; a
// total theft cancels the policy afterwards (THEFTPAGE prints its page). On a refusal nothing is
// written.
ClaimSave saveClaim(store::Workspace& ws, store::Table& claims, bool inserting, const records::EditValues& before,
                    const records::EditValues& after, const Interaction& io,
                    const std::function<void(const std::string& number, const std::string& insured)>& theftPage = {});

// The type begins with "FURTO TOTALE" (any case).
bool isTotalTheft(const std::string& type);
// The policy NUMBER, when not cancelled yet, gets "FURTO TOTALE DEL " + the event date in its notes
// (after a line break) and the cancellation mark. True when it was cancelled now.
bool cancelForTheft(store::Workspace& ws, const std::string& number, Date event);
PrintDocument printTheftPage(const std::string& number, const std::string& insured, bool preview = true);

// ---- search

// The criteria of RSINISTRI; the last, "Controllo sinistrosità:", narrows the others to the
// clients under observation (observedClaims).
std::vector<records::SearchField> claimSearch();
// The day the observation compares with (tests); an empty date is the real today.
void setClaimsToday(Date today);

// ---- printouts

// "Tabulato": the claims of the table's current order or view.
PrintDocument printClaims(store::Workspace& ws, store::Table& claims, bool preview = true);
// "Per numero sinistro": the claims of the last search that have a number, in number order; the
// view and the record are given back afterwards.
PrintDocument printClaimsByNumber(store::Workspace& ws, store::Table& claims, bool preview = true);
// "Estrazione dati": the view to a spreadsheet with the insured; gives the workbook's path.
std::string exportClaims(store::Workspace& ws, store::Table& claims);
// The claim sheet of the values shown ("Stampa" in the dialog).
PrintDocument printClaimSheet(const records::EditValues& v, const AgencyIdentity& agency, bool preview = true);

} // namespace arv::claims
