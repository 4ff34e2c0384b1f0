// The claim-number series (NUMESINI) without its windows: the numbers each company handed the
// agency, the next free one of a company, the booking of a number by a saved claim, the generation
// of a block, the search criteria and the printout. The register screen (numberregister.h) only
// shows what is decided here.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/agency.h"
#include "common/date.h"
#include "common/pagemodel.h"
#include "records/register.h"
#include "store/workspace.h"

namespace arv::claims {

inline constexpr const char* kMsgNumberPresent = "Numero già presente.";
inline constexpr const char* kMsgNumbersExist = "Uno o più dei numeri da generare sono già esistenti.";
inline constexpr const char* kMsgAutomaticNumber = "Vuoi la numerazione automatica del sinistro?";
inline constexpr size_t kClaimNumberWidth = 20;
// The most numbers one "Genera" writes (a mistyped bound would otherwise fill the table).
inline constexpr uint64_t kMaxGenerated = 100000;

// The fields of the dialog NUMESINI2 (ids 101-105).
std::vector<records::EditField> seriesFields();

// The first free number of COMPANY (policy empty, not cancelled) in the order of its numbers'
// texts; "" when the company is empty or has none.
std::string nextFreeNumber(store::Workspace& ws, const std::string& company);
// The same, offered to the user: ASK gets "Vuoi la numerazione automatica del sinistro?" and a No
// gives "". No question without a free number.
std::string proposeNumber(store::Workspace& ws, const std::string& company,
                          const std::function<bool(const std::string& question)>& ask);

// A saved claim takes its number: the company's own record of the number gets the policy and
// the event date under its record lock. A number the series does not hold is no failure and
// writes nothing; one the series holds only under another company fails with "La Compagnia
// nella numerazione sinistri è: " + that company + ".".
struct Booking {
    bool ok = true;
    std::string message;
    explicit operator bool() const { return ok; }
};
Booking bookNumber(store::Workspace& ws, const std::string& company, const std::string& number,
                   const std::string& policy, Date date);

// "Genera": the block FROM-TO for COMPANY (numberRange of common/numbershape.h, NUMERO's width).
// The existence test and the appends run under one table lock, so two workstations generating at
// once never write a number twice. Gives the numbers written, or the refusal.
struct Generation {
    size_t written = 0;
    std::string message;
    explicit operator bool() const { return message.empty(); }
};
// The refusal of the range alone ("" when valid), for the dialog.
std::string rangeProblem(const std::string& from, const std::string& to);
Generation generateNumbers(store::Workspace& ws, const std::string& company, const std::string& from,
                           const std::string& to);

// The criteria of RNUMESINI.
std::vector<records::SearchField> seriesSearch();

// "Stampa": the numbers of the table's current order or view.
PrintDocument printSeries(store::Table& series, const AgencyIdentity& agency, bool preview = true);

} // namespace arv::claims
