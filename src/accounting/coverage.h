// The collection notice ("COMUNICAZIONE DI INCASSO") that asks an agreement to book policies and
// quittances as collected on a day: the letter and the e-mail text, built from the same lines. The
// immediate coverage of one movement and the daily coverages of every agreement both use it.
#pragma once

#include <string>
#include <vector>

#include "common/agency.h"
#include "common/date.h"
#include "common/decimal.h"
#include "common/printjob.h"
#include "records/lookups.h"
#include "store/table.h"

namespace arv::accounting {

inline constexpr const char* kCoverageSubject = "Coperture assicurative";
inline constexpr const char* kCoverageTitle = "COMUNICAZIONE DI INCASSO";

// One policy or quittance to book.
struct CoverageLine {
    std::string policy;
    Date due;
    std::string company, branch, insured, account;
    Decimal amount, commission;
};
// The line of the movement under the cursor (POLIZZA, SCADENZA, COMPAGNIA, RAMO, ASSICURATO, CONTO,
// IMPORTO, PROVVAGEN).
CoverageLine coverageLine(const store::Table& movement);

struct CoverageLetter {
    records::AgreementData agreement; // the addressee, as ADATICOMP reads it
    Date date;                        // the day to book the lines on
    std::vector<CoverageLine> lines;
    bool accountColumn = false;       // the printed letter shows the account ("CONTO") too
};

// The letter's pages, added to JOB (landscape, margin 3): letterhead box, addressee at column 45,
// title, the lines with their headings (a new page, numbered, once the lines reach line 52), the
// totals, the greeting and the signature line; the confidentiality box from line 56 and the
// agency's address box from line 60 on every page.
void printCoverageLetter(TPRINTER& job, const CoverageLetter& letter, const AgencyIdentity& issuer);

// The e-mail text, lines ending CR LF: title, request, the labelled lines of each policy, the
// totals, the greeting, the agency's signature and the confidentiality notice.
std::string coverageMailBody(const CoverageLetter& letter, const AgencyIdentity& issuer);

// The letter's boxes, shared with the other letters of the movements: the agency's name box at the
// top, the confidentiality box from line 56 and the address box from line 60 (with the IBAN line
// when asked).
void letterFrame(TPRINTER& job, const AgencyIdentity& issuer, bool ibanLine = false);

// The outcome of a run of e-mails that stops at the first failure: the count sent, then the name of
// the recipient that failed. NONE and SENT_SUFFIX give the usual closing ("Nessuna copertura
// inviata.", n + " coperture inviate con successo.").
std::string mailRunMessage(size_t sent, const std::string& failed, const std::string& none,
                           const std::string& sentSuffix);

} // namespace arv::accounting
