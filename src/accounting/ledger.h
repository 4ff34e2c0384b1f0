// The agency's own accounting movements (MOVICONT) without their windows: the fields of the
// movement dialog and the notes filled from a policy number, the return of a movement to the
// account and day on which the money arrived, the search, the listing and the export. The register
// screen (ledgerregister.cpp) only shows what is decided here.
#pragma once

#include <string>
#include <vector>

#include "common/date.h"
#include "common/printjob.h"
#include "records/register.h"
#include "store/workspace.h"

namespace arv::accounting {

inline constexpr const char* kMsgMovementGone = "Il movimento è stato cancellato da un'altra postazione.";

// The fields of the dialog MOVICONT2, in tab order (ids 101-111).
const std::vector<records::EditField>& ledgerFields();
// The copies of a new movement: today's date, "Contabilità" ticked.
void prepareLedgerInsert(records::EditValues& v);

// The insured and the company of the policy with number NUMBER (blank when there is none).
struct PolicyParties {
    std::string insured, company;
};
PolicyParties policyParties(store::Workspace& ws, const std::string& number);
// What leaving field ID (changed) does: "Dettaglio:" puts the policy's insured, CR LF and its
// company into the notes (only the line break when the text is no policy number).
void ledgerFieldLeft(store::Workspace& ws, int id, records::EditValues& v);

// "Rientro" on the current record of MOVEMENTS: under the record's lock its ORIGINE takes its DATA,
// DATA takes DATE and CONTO ACCOUNT. False, with nothing written, when another workstation deleted
// the movement meanwhile. The cursor stays on the record.
bool returnMovement(store::Table& movements, Date date, const std::string& account);

// The criteria of RMOVICONT.
std::vector<records::SearchField> ledgerSearch();

// "Tabulato" of the current view (the amounts as stored, totalled); the cursor goes back to its record.
PrintDocument printLedger(store::Table& movements, bool preview = true);
// "Estrazione dati": the current view to a spreadsheet; gives the workbook's path.
std::string exportLedger(store::Workspace& ws, store::Table& movements);

} // namespace arv::accounting
