// The letters of the company movements: the immediate-coverage notice of a movement to its
// agreement, printed or mailed; the client's payment receipt filled into the agency's template
// "Ricevuta pagamento.docx"; and the statement of the items a client still owes, over the movements
// the register shows, printed for the clients without e-mail and mailed to the others.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "accounting/coverage.h"
#include "common/agency.h"
#include "common/pagemodel.h"
#include "common/sendmail.h"
#include "store/workspace.h"

namespace arv::accounting {

inline constexpr const char* kMsgNoCoveragePrinted = "Nessuna copertura da stampare.";
inline constexpr const char* kMsgNoCoverageSent = "Nessuna copertura inviata.";
inline constexpr const char* kMsgCoveragesSent = " coperture inviate con successo.";
inline constexpr const char* kMsgNoSuspendedPrinted = "Nessun sospeso da stampare.";
inline constexpr const char* kMsgNoSuspendedSent = "Nessun sospeso inviato.";
inline constexpr const char* kMsgSuspendedSent = " sospesi inviati con successo.";
inline constexpr const char* kSuspendedSubject = "Estratto conto polizze in sospeso";
inline constexpr const char* kReceiptTemplate = "Ricevuta pagamento.docx";

// How a run of e-mails went: the count sent, and the name of the recipient that failed ("" none).
struct MailRun {
    size_t sent = 0;
    std::string failed;
    std::string message; // what to tell the user
};
using MailSender = std::function<bool(const MailMessage&)>;

// ---- immediate coverage of the movement under the cursor
CoverageLetter immediateCoverage(store::Workspace& ws, const store::Table& movement);
// "Stampa coperture immediate"; MESSAGE gets kMsgNoCoveragePrinted when there was no movement.
PrintDocument printImmediateCoverage(store::Workspace& ws, const store::Table& movement, const AgencyIdentity& issuer,
                                     bool preview = true, std::string* message = nullptr);
// To the agreement's coverage address (none: nothing sent), the agency's copy address ("Copia") as
// copy.
MailRun mailImmediateCoverage(store::Workspace& ws, const store::Table& movement, const AgencyIdentity& issuer,
                              const MailMessage& base, const std::string& copy, const MailSender& send);

// ---- payment receipt
// The placeholders of the template and their values for the movement under the cursor.
std::map<std::string, std::string> receiptPlaceholders(store::Workspace& ws, const store::Table& movement,
                                                       const AgencyIdentity& issuer);
// Fills the template of the working folder and opens it; the message to show ("" when it opened).
std::string printPaymentReceipt(store::Workspace& ws, const store::Table& movement, const AgencyIdentity& issuer);

// ---- suspended items
struct SuspendedItem {
    std::string policy, company, branch;
    Date due, date;
    Decimal premium; // amount + fees + consultancy
};
struct SuspendedClient {
    std::string insured;
    std::vector<SuspendedItem> items;
};
// The movements of VIEW (the register's cursor, in its view), by insured then date; the cursor goes
// back to its record.
std::vector<SuspendedClient> suspendedClients(store::Table& view);
// Every client without an e-mail address gets a page; the others are counted in the message.
struct SuspendedPrint {
    PrintDocument doc;
    size_t printed = 0, skipped = 0;
    std::vector<std::string> messages;
};
SuspendedPrint printSuspendedStatements(store::Workspace& ws, const std::vector<SuspendedClient>& clients,
                                        const AgencyIdentity& issuer, bool preview = true);
std::string suspendedMailBody(const SuspendedClient& client, const AgencyIdentity& issuer);
// The clients with an e-mail address, whom the statements would be mailed to.
size_t mailableClients(store::Workspace& ws, const std::vector<SuspendedClient>& clients);
// The question asked before mailing them.
std::string suspendedMailQuestion(size_t clients);
MailRun mailSuspendedStatements(store::Workspace& ws, const std::vector<SuspendedClient>& clients,
                                const AgencyIdentity& issuer, const MailMessage& base, const std::string& copy,
                                const MailSender& send);

} // namespace arv::accounting
