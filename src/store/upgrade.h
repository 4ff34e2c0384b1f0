// Bringing the working folder into line with the schema at every start and after a restore:
// missing tables are created, tables whose layout changed are converted field by field, and
// the indexes are rebuilt when anything was created or converted or an index file is missing.
#pragma once

#include <string>
#include <vector>

#include "common/decimal.h"
#include "store/dbf.h"
#include "store/schema/schema.h"

namespace arv::store {

inline constexpr const char* kMsgCheckingArchives = "Verifica archivi in corso...";
inline constexpr const char* kMsgUpdatingArchives = "Aggiornamento archivi in corso...";
inline constexpr const char* kMsgRebuildingIndexes = "Ricostruzione degli indici in corso...";

// AGGIORNADATABASE: CREATEDB over the whole schema, then PUTCODE on MOVICOMP. Answers false
// with the message to show when the check had to stop (the program then ends).
bool AGGIORNADATABASE(const std::string& folder, bool force = false, std::string* message = nullptr);

// CREATEDB over the given tables (schema definitions). false with the message when it stopped.
bool CREATEDB(const std::string& folder, const std::vector<schema::TableDef>& tables, bool force,
              std::string* message = nullptr);

// DBGEN: creates a table (and its memo file) after checking that the folder's drive has at
// least 8192 bytes free; false with the message to show when it has not, or cannot be written.
bool DBGEN(const std::string& folder, const std::string& table, const std::vector<schema::FieldDef>& fields,
           std::string* message = nullptr);

// NEEDUPD: true when the file's layout differs from the wanted fields (extra fields and the
// field order do not count).
bool NEEDUPD(const std::string& folder, const std::string& table, const std::vector<schema::FieldDef>& wanted);

// MODITAB: converts the table into the wanted layout. The old table stays in place, under its
// name, until the converted one is complete on disk; on any failure it is back as it was.
bool MODITAB(const std::string& folder, const std::string& table, const std::vector<schema::FieldDef>& wanted,
             std::string* message = nullptr);

// A field value in transit between layouts.
struct FieldValue {
    char type = 'C';      // type of the value: 'C' text (also memo text), 'N', 'D', 'L'
    std::string text;     // C/M: Windows-1252 text
    Decimal number;       // N
    Date date;            // D
    bool logical = false; // L
};

// CONVDATO: the value converted from the old field's type to the new one's.
FieldValue CONVDATO(const FieldValue& value, const schema::FieldDef& oldField, const schema::FieldDef& newField);

// ADJNUM: "1.234,56" -> "1234.56"; text without a comma is returned as it is.
std::string ADJNUM(const std::string& text);

// Formats a number in the width and decimals of a field and reads it back; 0 when it does not
// fit.
Decimal fitNumber(const Decimal& value, int width, int decimals);

// PUTCODE: gives every record of a table whose records have no code the code of its record
// number. Quiet on any failure.
void PUTCODE(const std::string& folder, const std::string& table);

// The index rebuild of maintenance without questions: every table of the schema opened
// exclusively (waiting for the other workstations), packed and all its indexes rebuilt.
bool rebuildAll(const std::string& folder, std::string* message = nullptr);

// Pack into a new file renamed over the old one, then rebuild every index of the table. The
// table must not be open elsewhere (the caller holds it exclusively or waits).
void packTable(const std::string& folder, const schema::TableDef& table);
void reindexTable(const std::string& folder, const schema::TableDef& table);

} // namespace arv::store
