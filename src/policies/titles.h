// The numbered policy forms the companies hand the agency (TITOLI) without their windows: the
// fields of the form dialog TITOLO, the generation of a block ("Genera"), the search criteria of
// RTITOLI and the printed register. The register screen (titleregister.h) only shows what is
// decided here; a saved policy discharges its form (policies.h, savePolicy).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/agency.h"
#include "common/pagemodel.h"
#include "records/register.h"
#include "store/workspace.h"

namespace arv::policies {

inline constexpr const char* kMsgTitlePresent = "Titolo già presente.";
inline constexpr const char* kMsgTitlesExist = "Uno o più dei numeri da generare sono già esistenti.";
inline constexpr const char* kTitlesRegisterTitle = "Registro del carico titoli";
inline constexpr size_t kTitleNumberWidth = 15;
// The most forms one "Genera" writes (a mistyped bound would otherwise fill the table).
inline constexpr uint64_t kMaxTitlesGenerated = 100000;

// Field ids of the dialog TITOLO, in dialog order.
enum TitleField : int { kTCompany = 101, kTAgreement, kTBranch, kTNumber, kTInsured, kTEffect, kTExpiry, kTCancelled };

// The eight fields of TITOLO (the client picker of "Assicurato:" is the screen's).
std::vector<records::EditField> titleFields();
// The list's columns: "ANNULLATO" stands in the last in place of the insured of a spoiled form.
std::vector<records::Column> titleColumns();
// The description of the register without its windows: the list, TITOLO with its duplicate test
// on NUMTIT under the table lock ("Titolo già presente."), the search RTITOLI. The screen adds the
// picker, "&Genera" and "&Stampa".
records::RegisterDesc titleRegisterBase();

// "Genera": the forms FROM to TO of COMPANY (an empty TO: the single form FROM), each with the
// agreement and the branch. The numbers keep the shape of FROM (common/numbershape.h) and at most
// NUMERO's 15 characters. The existence test on company + number and the appends run under one
// table lock, so two workstations generating overlapping blocks never write a number twice.
struct TitleGeneration {
    size_t written = 0;
    std::string message; // the refusal, in Italian
    explicit operator bool() const { return message.empty(); }
};
// The refusal of the block alone ("" when it can be generated), for the dialog's "al".
std::string titleRangeProblem(const std::string& from, const std::string& to);
TitleGeneration generateTitles(store::Workspace& ws, const std::string& company, const std::string& agreement,
                               const std::string& branch, const std::string& from, const std::string& to);

// The criteria of RTITOLI: company and agreement equal, branch prefix, number "dal"/"al" compared as
// text, insured equal, effect and expiry dates, "Annullato:" three-state.
std::vector<records::SearchField> titleSearch();

// "Stampa": the forms of the table's current order or view, landscape, "Registro del carico titoli".
PrintDocument printTitles(store::Table& titles, const AgencyIdentity& agency, bool preview = true);

} // namespace arv::policies
