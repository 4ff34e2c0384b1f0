// "Stampa" of the policy dialog, from the values on screen: on the company's own form when the
// working folder has its template (companyform.h), otherwise the generic printout "Stampa polizza":
// the policy's data, its detail sheet and, on a following page, its claims ("STAMPA SINISTRI").
#pragma once

#include "common/pagemodel.h"
#include "records/register.h"
#include "store/workspace.h"

namespace arv::policies {

// The generic printout of the policy in VALUES (the policy dialog's).
PrintDocument printPolicySheet(store::Workspace& ws, const records::EditValues& values, bool preview = true);

} // namespace arv::policies
