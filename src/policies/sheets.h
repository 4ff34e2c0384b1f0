// The detail sheet of a policy: one record in DATIAUTO (motor), RAMIELEM (elementary branches) or
// VITA (life), chosen by the policy's branch and keyed by the policy's internal code (the sheet's
// field POLIZZA). What the policy register needs of the sheets without opening their dialogs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "records/register.h"
#include "store/workspace.h"

namespace arv::policies {

enum class SheetKind { None, Motor, Elementary, Life };

// By the first letters of BRANCH, in any case: "AUTO" motor, "ELEM" elementary, "VITA" life.
SheetKind sheetKind(std::string_view branch);
// "DATIAUTO", "RAMIELEM", "VITA"; "" for None.
const char* sheetTable(SheetKind kind);
// The internal code as the sheets store it: right-aligned in 10 characters.
std::string sheetKey(const std::string& code);

// Copies the sheet of the policy FROMCODE into the sheet of TOCODE, in the table that BRANCH
// (the new policy's) chooses: every field read into memory, then, under the table's lock, the
// sheet of TOCODE written with the same values (appended when TOCODE has none, so that a policy
// never gets two). False when there is nothing to copy (no sheet, or a branch without sheets).
// Errors of the table propagate.
bool copySheet(store::Workspace& ws, std::string_view branch, const std::string& fromCode, const std::string& toCode);

// Deletes the motor, elementary and life sheets of CODE (whatever the branch). Errors propagate,
// so that the caller leaves the policy undeleted.
void deleteSheets(store::Workspace& ws, const std::string& code);

// ---- the sheets' fixed lists (vehicle types and liability limits: AVEICOLI, AMASSIMALI)

std::vector<std::string> ASTATICIV(bool emptyFirst); // marital status
std::vector<std::string> AALIMENTAZ();               // fuel
std::vector<std::string> AUSOVEIC();                 // use
std::vector<std::string> ASCOPOUSO();                // purpose of use
std::vector<std::string> ARIMESSE();                 // garage
std::vector<std::string> AANTIFURTI();               // anti-theft
std::vector<std::string> ADOCIDENT();                // identity documents

// ---- the sheets' descriptions and rules

// Ids of the sheets' dialog buttons.
enum SheetButton : int { kSheetShow = 203, kSheetAddDoc = 204, kSheetCopyInsured = 205 };
// Ids of a few fields the dialogs and tests reach.
enum SheetFieldId : int {
    kIdHolder = 401,     // "Intest. P.R.A.:", the policy's holder, shown only
    kIdHolderTax = 406,
    kIdGuidaEsp = 375,
    kIdExclusive = 501,
    kIdExpert = 502,
    kIdFree = 503,
    kIdDriverTax = 509,
    kIdLifeInsured = 601,
    kIdLifeTax = 602,
};

// The fields, pages, rules and buttons of a sheet's dialog (KIND not None). The motor sheet's
// "Intest. P.R.A." is the field INTESTPRA, which the sheet does not store.
const records::RegisterDesc& sheetDescription(SheetKind kind);
// "Polizza: " + trimmed NUMBER + " - Dati auto" / " - Rami elementari" / " - Vita".
std::string sheetTitle(SheetKind kind, const std::string& number);
// "DatiAuto", "RamiElem", "Vita": the heading of the sheet's attached documents.
const char* sheetArchive(SheetKind kind);

// What a sheet needs of its policy.
struct SheetPolicy {
    bool found = false;
    std::string code, number, branch, insured, holder;
};
// The policy with internal code CODE: the current record of the alias POLIZZE when it is that
// policy, else read through a cursor of its own.
SheetPolicy sheetPolicy(store::Workspace& ws, const std::string& code);

// The values a sheet's dialog opens with: the stored sheet, or for a policy without one empty
// fields (motor), the policy's insured with the person's data from the client register (life).
// The motor sheet shows the policy's holder. *EXISTS tells whether the sheet is stored.
records::EditValues loadSheet(store::Workspace& ws, SheetKind kind, const SheetPolicy& policy, bool* exists = nullptr);

// The save of a confirmed sheet: every field checked, the drive checked, then, with the sheet
// table locked as a whole from the search by code to the append or the record lock, the sheet
// written (appended with POLIZZA = CODE when the policy has none). The life sheet then carries
// into the insured's client record the personal data the user changed (BEFORE: the values the
// dialog opened with). On a failure nothing is written and the message tells why.
records::SaveResult saveSheet(store::Workspace& ws, SheetKind kind, const std::string& code,
                            const records::EditValues& before, const records::EditValues& after);

// The driving modes of the motor sheet after the user set FIELD (GDXCON, GDECON, GDLCON or
// GUIDAESP, which the expert mode follows): a ticked mode unticks the other two; with none ticked
// every driver field is cleared.
void drivingModeChanged(records::EditValues& v, std::string_view field);
// True while one driving mode is ticked (the driver fields can be edited).
bool drivingModeSet(const records::EditValues& v);
// A changed tax code of the holder ("PRA") or the driver ("CON"): 16 characters give the birth
// date and sex, any other length clears them.
void taxCodeChanged(records::EditValues& v, std::string_view suffix);
// "Copia dati assicurato": the driver fields from the client record of INSURED. False (nothing
// changed) when INSURED is not a client.
bool copyInsuredToDriver(store::Workspace& ws, const std::string& insured, records::EditValues& v);
// The life insured's personal data from the client record of CLIENT; false (nothing changed)
// when CLIENT is not a client.
bool loadLifePerson(store::Workspace& ws, const std::string& client, records::EditValues& v);
// Carries into the client record of the life insured the personal data that differ between
// BEFORE and AFTER and from what the client holds. False when the insured is not a client or
// nothing needed writing.
bool lifeWriteBack(store::Workspace& ws, const records::EditValues& before, const records::EditValues& after);

} // namespace arv::policies

namespace arv::policies {

// The sheet dialogs, given the policy's internal code (the policy is the current record of the
// register's alias POLIZZE): the sheet is created on the first confirmation.
void DATIAUTO(const std::string& code);
void RAMIELEM(const std::string& code);
void VITA(const std::string& code);

} // namespace arv::policies
