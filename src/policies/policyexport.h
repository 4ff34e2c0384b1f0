// "Estrazione dati": the policies of a view (or one policy) to a spreadsheet, each row the policy's
// fields, its producer's registration number, its insured's client record and its own detail
// sheet. ARV.INI, section "Estrazione dati polizze", keys "Polizze", "DatiAuto", "RamiElem",
// "Vita" and "Clienti", may each list the field names to export (any separators, any case); an
// empty or missing key exports every field of that table, except "PASSWORD" and "UTENTE", which
// go out only when a list names them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/ini.h"
#include "records/excel.h"
#include "store/table.h"
#include "store/workspace.h"

namespace arv::policies {

inline constexpr const char* kExportSection = "Estrazione dati polizze";

struct ExportLists {
    std::string policies, motor, elementary, life, clients;
    static ExportLists load(const IniFile& ini);
};

// The names of FIELDS (a table's, in order) that LIST selects: a name is taken when it is one of
// the list's words (letters, digits and "_"), compared in capitals; an empty list takes every field
// but "PASSWORD" and "UTENTE".
std::vector<std::string> selectedFields(const std::vector<std::string>& fields, const std::string& list);

// The columns of the export, in order: the policy's fields, "NUMERUI" when the policies' list is
// empty or names it, then the clients', motor, elementary and life sheets' fields.
std::vector<records::SheetColumn> exportColumns(store::Workspace& ws, const ExportLists& lists);

// Writes the export to PATH: every policy of the cursor's order or view from the first, or with
// SINGLE only the one under the cursor; PROGRESS gets the rows written. The cursor goes back to its
// record. False when the file could not be written.
bool writePolicyExport(store::Workspace& ws, store::Table& policies, const ExportLists& lists, bool single,
                       const std::string& path, const std::function<void(uint32_t rows)>& progress = {});

} // namespace arv::policies
