// The detail sheet of a policy: one record in DATIAUTO (motor), RAMIELEM (elementary branches) or
// VITA (life), chosen by the policy's branch and keyed by the policy's internal code (the sheet's
// field POLIZZA). What the policy register needs of the sheets without opening their dialogs.
#pragma once

#include <string>
#include <string_view>

#include "store/workspace.h"

namespace arv::policies {

enum class SheetKind { None, Motor, Elementary, Life };

// By the first letters of BRANCH, in any case: "AUTO" motor, "ELEM" elementary, "VITA" life.
SheetKind sheetKind(std::string_view branch);
// "DATIAUTO", "RAMIELEM", "VITA"; "" for None.
const char* sheetTable(SheetKind kind);
// The internal code as the sheets store it: right-aligned in 10 characters.
std::string sheetKey(const std::string& code);

// Copies the sheet of the policy FROMCODE into a new sheet of TOCODE, in the table that BRANCH
// (the new policy's) chooses: every field read into memory, a record appended under the table's
// lock with the same values and POLIZZA = TOCODE. False when there is nothing to copy (no sheet,
// or a branch without sheets). Errors of the table propagate.
bool copySheet(store::Workspace& ws, std::string_view branch, const std::string& fromCode, const std::string& toCode);

// Deletes the motor, elementary and life sheets of CODE (whatever the branch). Errors propagate,
// so that the caller leaves the policy undeleted.
void deleteSheets(store::Workspace& ws, const std::string& code);

} // namespace arv::policies

namespace arv::policies {

// The sheet dialogs, given the policy's internal code (the policy is the current record of the
// register's alias POLIZZE): the sheet is created on the first confirmation.
void DATIAUTO(const std::string& code);
void RAMIELEM(const std::string& code);
void VITA(const std::string& code);

} // namespace arv::policies
