// The letters and labels of the policy register's print menu: the cancellation letter of one
// policy to its company ("Stampa disdetta polizza"), the transfer letters of the policies of a
// view to the broker named in ARV.INI, section "Trasferimento" ("Stampa trasferimento polizze"),
// and the address labels of the insured of a view, three by six a page ("Stampa etichette").
// None of them changes a policy.
#pragma once

#include <array>
#include <string>

#include "common/agency.h"
#include "common/date.h"
#include "common/ini.h"
#include "common/pagemodel.h"
#include "store/table.h"
#include "store/workspace.h"

namespace arv::policies {

inline constexpr const char* kTransferSection = "Trasferimento";

// The broker's name and address lines, "Riga1" to "Riga4" of a section ("Trasferimento", "Broker").
std::array<std::string, 4> brokerLines(const IniFile& ini, const std::string& section = kTransferSection);

// The cancellation letter of the policy under the cursor of POLICY.
PrintDocument printCancellationLetter(store::Workspace& ws, const store::Table& policy, const AgencyIdentity& agency,
                                      Date today, bool preview = true);

// One transfer letter per policy of the cursor's order or view, from the first; the cursor goes
// back to its record.
PrintDocument printTransferLetters(store::Workspace& ws, store::Table& policies, const AgencyIdentity& agency,
                                   const std::array<std::string, 4>& broker, Date today, bool preview = true);

// One label per insured over the policies of the cursor's order or view (a policy of the insured
// of the one before it is skipped), filled row by row; the cursor goes back to its record.
PrintDocument printLabels(store::Workspace& ws, store::Table& policies, bool preview = true);

} // namespace arv::policies
