// The client register (CLIENTI): every person or company the agency deals with. The name is the key
// by which the other tables refer to a client, so a rename is carried into them. Besides the
// register itself: the active-policy tests used by the search and the printouts, the printouts of
// the list and of the edit dialog, the e-mail to the listed clients and the spreadsheet export.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/date.h"
#include "common/pagemodel.h"
#include "common/sendmail.h"
#include "records/register.h"

namespace arv::registry {

inline constexpr const char* kMsgSubagentCeased = "Subagente non attivo.";
inline constexpr const char* kMsgClientPresent = "Cliente già presente.";
inline constexpr const char* kMsgMailWarning =
    "Se non viene effettuata prima una ricerca l'email verrà inviata a tutti i clienti in elenco.";
inline constexpr const char* kMsgNoMailSent = "Nessun messaggio inviato.";
inline constexpr const char* kMsgExcelClients = "Esportazione su Excel in corso...";

// The description of the register.
const records::RegisterDesc& clientsRegister();

// The entry function: the register list, positioned on CLIENT when given.
void CLIENTI(const std::string& client = {});
// The register as a picker of the other screens' client fields (a button beside the field, F4,
// F12), positioned on NAME: the name of the client chosen with "Sele&ziona", nullopt otherwise.
std::optional<std::string> pickClient(store::Workspace& ws, const std::string& name);

// ---- active-policy tests over the client's policies that were not replaced nor cancelled (through
// RPOLIZZE when the register has it open, else through a cursor of their own).
// Some policy is covered until at least 30 days before TODAY.
bool ATTIVO(store::Workspace& ws, const std::string& client, Date today = Date::today());
// Some policy's covered-until date lies within the bounds (an empty date is no bound).
bool COPERTURA(store::Workspace& ws, const std::string& client, Date from, Date to);
// Some policy's company, upper-cased, equals COMPANY (upper case).
bool COMPAGNIA(store::Workspace& ws, const std::string& client, const std::string& company);

// ---- printouts; each gives the pages made (shown in the preview when PREVIEW)
// "Tabulato": the clients of the table's current order or view.
PrintDocument printClientList(store::Table& clients, bool preview = true);
// "Polizze attive" of one client.
PrintDocument printActivePolicies(store::Workspace& ws, const std::string& client, bool preview = true);
// The edit dialog's printouts, of the values shown: the client sheet, the envelope (offsets in
// millimetres from "Busta" / "Riga" and "Colonna") and the address sheet.
PrintDocument printClientSheet(const records::EditValues& values, bool preview = true);
PrintDocument printEnvelope(const records::EditValues& values, double rowMm, double columnMm, bool preview = true);
PrintDocument printAddressSheet(const records::EditValues& values, bool preview = true);

// ---- e-mail to the listed clients
struct MailRecipient {
    std::string name, address;
};
// Sends MESSAGE (its "to" filled in) to every client satisfying CONDITION (empty: all) that has an
// e-mail address, in the order of the table; SEND is SENDMAIL unless given. The cursor goes back
// to its record. Gives the clients the message was sent to.
std::vector<MailRecipient> mailClients(store::Table& clients, const store::RecordPredicate& condition,
                                       const MailMessage& message,
                                       const std::function<bool(const MailMessage&)>& send = {});
// "REPORT EMAIL INVIATE": subject, text, attachment and recipients.
PrintDocument printMailReport(const MailMessage& message, const std::vector<MailRecipient>& sent,
                              bool preview = true);

// ---- spreadsheet export: the header row and one row per client from the cursor's record to the
// end of the table's order or view. False when the file cannot be written. The cursor goes back.
bool writeClientsSpreadsheet(store::Table& clients, const std::string& path);

// The screens the print menu hands over to ("MODULISTICA"): set by the program.
void setClientEntryCaller(std::function<void(const std::string& entry)> call);

// Hands the entry function to ADD.
void addClientEntries(const std::function<void(const std::string& name, std::function<void(const std::string&)> entry)>& add);

} // namespace arv::registry
