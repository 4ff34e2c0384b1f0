// The expiry, cancellation and new-business lists without their windows: the conditions of
// "Elenco disdette" (DISDETTE), "Elenco riforma polizze" (RIFORMA), "Scadenza polizze per data"
// (SCADENZE) and "Contratti nuovi" (NUOVI), each printed by the policy list printer
// (policylist.h) under its own title over a shared copy of POLIZZE of its own, and the registered
// cancellation letters of "Avvisi di disdetta" (DISDETTE2). Nothing here changes data. Text
// comparisons are made in capitals, except DISDETTE2's agreement, compared exactly.
#pragma once

#include <string>

#include "common/agency.h"
#include "common/date.h"
#include "common/pagemodel.h"
#include "store/table.h"
#include "store/workspace.h"

namespace arv::policies {

inline constexpr const char* kCancelledListTitle = "Elenco disdette";
inline constexpr const char* kReformListTitle = "Elenco riforma polizze";
inline constexpr const char* kNewBusinessListTitle = "Contratti nuovi";
inline constexpr const char* kMsgNoLetters = "Nessun avviso da stampare nel periodo specificato.";
// Days before its expiry a policy flagged "Riforma polizza" enters the list.
inline constexpr int kReformDays = 115;

// DISDETTE: cancelled and not replaced; expiry within "dal"/"al" when given; "Scadute" unticked:
// expiry from TODAY on, ticked: before TODAY; "Disdette cliente": cancelled by the client.
struct CancelledCriteria {
    Date from, to;
    bool expired = false;
    bool byClient = false;
};
store::RecordPredicate cancelledCondition(const CancelledCriteria& c, Date today);

// RIFORMA: flagged "Riforma polizza" and expiring at most 115 days after TODAY (expired ones
// too; an empty expiry never), within "dal"/"al" when given.
struct ReformCriteria {
    Date from, to;
};
store::RecordPredicate reformCondition(const ReformCriteria& c, Date today);

// SCADENZE: each condition only when given; "Annualità" is the day-and-month window of the
// expiry, going round the year end when "dal" comes after "al". An empty predicate: every policy.
struct ExpiryCriteria {
    Date coverageFrom, coverageTo;
    bool activeOnly = true;
    Date anniversaryFrom, anniversaryTo;
    Date halfFrom, halfTo; // "Semestralità": instalments other than the annual one
    std::string branch;    // prefix
    std::string payment, producer, company, agreement;
};
store::RecordPredicate expiryCondition(const ExpiryCriteria& c);

// NUOVI: agreement, first producer, branch prefix, the insured's group, the start date (the
// first company movement, ACCENSIONE) within the period, "Con provenienza", "Da perfezionare"
// (no movement at all, not PERFEZIONATA), operator. With any condition and without "Con
// provenienza" only genuinely new business: no replaced, replacing or transferred policy. The
// predicate reads CLIENTI_, POLIZZE_ and MOVICOMP_ (openPolicyLookups opens them).
struct NewBusinessCriteria {
    std::string agreement, producer, branch, group;
    Date from, to;
    bool withOrigin = false;
    bool toComplete = false;
    std::string operatorName;
};
store::RecordPredicate newBusinessCondition(store::Workspace& ws, const NewBusinessCriteria& c);

// The four lists: a shared copy of POLIZZE (order insured + company + number, SCADENZE by
// coverage date) with a view of the condition, printed under the list's title; closed at the end.
PrintDocument listCancelled(store::Workspace& ws, const CancelledCriteria& c, Date today, bool preview = true);
PrintDocument listReform(store::Workspace& ws, const ReformCriteria& c, Date today, bool preview = true);
PrintDocument listExpiry(store::Workspace& ws, const ExpiryCriteria& c, bool preview = true);
PrintDocument listNewBusiness(store::Workspace& ws, const NewBusinessCriteria& c, bool preview = true);

// Sets on POLICIES (a cursor on POLIZZE) the view of CONDITION ordered by insured and coverage
// date (the letters' and the notices' order) and goes to its first record.
void viewByInsuredAndCoverage(store::Table& policies, const store::RecordPredicate& condition);

// DISDETTE2: either a policy number, or an agreement with the policies whose notice flag is set,
// not replaced nor cancelled, covered within "dal"/"al" and expiring within the "Annualità"
// window; ordered by insured and coverage date.
struct CancellationLetterCriteria {
    std::string number;
    std::string agreement;
    Date from, to;
    Date anniversaryFrom, anniversaryTo;
};
// "" when exactly one of number and agreement is given, else the refusal.
std::string cancellationLetterProblem(const CancellationLetterCriteria& c);
// One registered letter per policy (print job "Disdette"), the company's address from COMPAGN.
// Nothing selected: no pages, and *MESSAGE gets "Nessun avviso da stampare nel periodo specificato.".
PrintDocument printCancellationLetters(store::Workspace& ws, const CancellationLetterCriteria& c,
                                       const AgencyIdentity& agency, Date today, bool preview = true,
                                       std::string* message = nullptr);

} // namespace arv::policies
