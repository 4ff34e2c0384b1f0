// E-mail through an SMTP server, and the e-mail settings of ARV.INI (section "E-mail").
//
//   MailSettings s = MailSettings::load(ini);
//   MailMessage m = s.message();
//   m.to = "cliente@example.it"; m.subject = "Avviso di scadenza"; m.body = text;
//   m.attachments = {pdfPath};
//   if (!SENDMAIL(m)) POPMSG("Impossibile inviare l'email.", 1);
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace arv {

class IniFile;

struct MailMessage {
    std::string sender;                   // the address alone
    std::string server;                   // SMTP host name or address
    std::string to;                       // one or more addresses, separated by ";" or ","
    std::string subject;
    std::string body;                     // UTF-8
    std::vector<std::string> attachments; // file paths
    std::string displayName;              // shown as "Name" <sender>
    std::string user;                     // authentication only when user and password are given
    std::string password;
    std::vector<std::string> cc;          // copy recipients (each may hold several, separated by ";")
    std::optional<bool> html;             // default: the body contains "<html" (any case)
    int port = 0;                         // 0: the standard port
    bool receipt = false;                 // ask the receiver for a read receipt
    bool ssl = false;                     // with authentication: SMTPS on port 465, STARTTLS on others
};

// Sends one message; false on any failure (no message shown: the caller reports it). While it
// sends, "Invio email in corso..." is shown when no wait window is showing.
bool SENDMAIL(const MailMessage& message);
// The same with the message's parts one by one.
bool SENDMAIL(const std::string& sender, const std::string& server, const std::string& to, const std::string& subject,
              const std::string& body, const std::vector<std::string>& attachments = {},
              const std::string& displayName = {}, const std::string& user = {}, const std::string& password = {},
              const std::vector<std::string>& cc = {}, std::optional<bool> html = std::nullopt, int port = 0,
              bool receipt = false, bool ssl = false);

// The message as sent (headers and MIME body, CRLF line ends); empty when an attachment cannot
// be read. The sending date and the message id are taken from the clock.
std::optional<std::string> buildMailMessage(const MailMessage& message);

// The addresses of a recipient list ("Rossi <a@b.it>; c@d.it" gives a@b.it and c@d.it).
std::vector<std::string> mailAddresses(const std::string& list);

// How SENDMAIL shows its wait message (installed by the screens; empty members do nothing).
struct SendMailHooks {
    std::function<bool()> waitShowing;
    std::function<void(const std::string& text)> show;
    std::function<void()> hide;
};
SendMailHooks& sendMailHooks();

inline constexpr const char* kMailSection = "E-mail";
inline constexpr const char* kFixedConnection = "Connessione fissa";

// The "Parametri" group of the screens that send e-mail.
struct MailSettings {
    std::string connection = kFixedConnection; // "Connessione": no dial-up is ever made
    std::string server;                        // "Server smtp", required
    std::string sender;                        // "Mittente", required
    std::string user;                          // "Userid"
    std::string password;                      // "Password"
    int port = 0;                              // "Porta" (the dialog takes 0 to 999)
    bool ssl = false;                          // "SSL", "S" or "N"
    std::string destInvio;                     // "DestInvio": where the data are sent
    std::string promemoriaBonifico;            // "Promemoria bonifico"
    std::string copy;                          // "Copia": see mailCopyAddress

    static MailSettings load(const IniFile& ini);
    // Writes the group's keys (Connessione to SSL), trimmed, in one write.
    void save(IniFile& ini) const;
    // The Italian message for a missing required value, empty when the settings can be used.
    std::string problem() const;
    // A message with the server part filled in.
    MailMessage message() const;
};

// "Copia" of section "E-mail": the agency's own copy of what its screens mail out, empty unless
// set. Every mailing screen reads it here: the copy recipient of the e-mails to the companies,
// the second recipient of the notices to the clients. Nothing is copied while it is empty.
std::string mailCopyAddress(const IniFile& ini);

} // namespace arv
