// The claims register (SINISTRI): the list, the claim dialog SINISTRO, the search RSINISTRI, the
// printouts and the statistics' dialogs (REPORTSIN, RAPPSP). The rules are in claims.h and
// statistics.h.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QDialog>

#include "common/date.h"
#include "records/register.h"

namespace arv::claims {

enum ClaimButton : int {
    kBtnReporting = 209,
    kBtnLossRatio = 210,
    kBtnSummary = 211,
};

// The description: over every claim, or (FROMPOLICY) in the order of a policy's claims.
const records::RegisterDesc& claimsRegister(bool fromPolicy = false);

// The entry function. FROMPOLICY: the claims of the policy under the cursor of POLICYALIAS (the
// policy register's table); every new claim belongs to it.
void SINISTRI(bool fromPolicy = false, const std::string& policyAlias = "POLIZZE");
// Hands the entry functions (SINISTRI, NUMESINI) to ADD.
void addClaimEntries(const std::function<void(const std::string& name, std::function<void()> entry)>& add);

// The dialogs of "Reporting" and "Rapporto S/P", built for the screen and for pictures of them.
std::unique_ptr<QDialog> makeReportingDialog(QWidget* parent = nullptr);
std::unique_ptr<QDialog> makeLossRatioDialog(QWidget* parent = nullptr);

// The day the register's rules take as today (tests); an empty date is the real today.
void setRegisterToday(Date today);

} // namespace arv::claims
