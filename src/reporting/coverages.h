// The daily coverages ("Coperture giornaliere") without their windows: the collections of a day for
// the agreements taking part in the daily coverages, as one collection notice per agreement on
// paper (print job "Stampa coperture giornaliere") or by e-mail to the agreement's coverage address
// (subject "Coperture assicurative"), with the report of the messages sent. Nothing is written.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "accounting/coverage.h"
#include "common/agency.h"
#include "common/date.h"
#include "common/pagemodel.h"
#include "common/sendmail.h"
#include "policies/notices.h"
#include "records/lookups.h"
#include "store/workspace.h"

namespace arv::reporting {

inline constexpr const char* kMsgCoveragesSkipped = " rapporti perché dotati di indirizzo email.";

// One agreement's collections of the day.
struct CoverageGroup {
    std::string agreement;
    records::AgreementData data; // addressee and coverage address
    std::vector<accounting::CoverageLine> lines;
};
// The movements dated DAY (a seek on MOVIDATA), those of a second producer left out, whose agreement
// takes part in the daily coverages; grouped by agreement, in the agreements' order.
std::vector<CoverageGroup> selectCoverages(store::Workspace& ws, Date day);

// The letters, one per agreement without a coverage address (the others are counted).
struct CoverageLetters {
    PrintDocument doc;
    int letters = 0;
    int skipped = 0;
};
CoverageLetters printCoverageLetters(const std::vector<CoverageGroup>& groups, Date day, const AgencyIdentity& agency,
                                     bool preview = true);

// The e-mails, one per agreement with a coverage address (every address of it in one message, the
// agency's COPY in copy when set); the first failure stops and names its agreement.
struct CoverageSending {
    std::vector<policies::NoticeMail> sent;
    std::string failed;
};
CoverageSending sendCoverages(const std::vector<CoverageGroup>& groups, Date day, const AgencyIdentity& agency,
                              const MailMessage& base, const std::string& copy,
                              const std::function<bool(const MailMessage&)>& send);

// The whole run of a confirmed dialog: the messages to show in order, the letters, and the report of
// the messages sent ("Report coperture inviate via email"), for the preview after them.
struct CoverageRun {
    std::vector<std::string> messages;
    PrintDocument letters, report;
    size_t sent = 0;
};
struct CoverageOutput {
    bool viaEmail = false;
    MailSettings mail;
    AgencyIdentity agency;
    bool preview = true;
    std::function<bool(const MailMessage&)> send; // default: SENDMAIL
};
CoverageRun runCoverages(store::Workspace& ws, Date day, const CoverageOutput& out);

} // namespace arv::reporting
