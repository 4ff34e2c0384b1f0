// A message the user reviews in the compose dialog (ui/mailcompose.h) before it goes out by SMTP:
// the recipients, the copy, the subject, the text and up to five attached files, with the checks
// made when the dialog is confirmed and the sending of one message per recipient.
//
//   MailDraft d;
//   d.name = "EMAILPRE"; d.title = "Richiesta preventivo";
//   d.recipients = {"alfa@example.it", "beta@example.it"};    // one message each
//   d.cc = mailCopyAddress(ini);
//   d.subject = ...; d.body = ...;
//   if (askMailDraft(d, iniPath)) POPMSG(sentCountMessage(sendDraft(d, settings).sent.size()), 1);
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/sendmail.h"

namespace arv {

inline constexpr size_t kMailAttachments = 5;
inline constexpr const char* kMsgMailFailed = "Impossibile inviare l'email.";
inline constexpr const char* kMsgMailSent = "Messaggio inviato con successo.";
inline constexpr const char* kMsgNoMessageSent = "Nessun messaggio inviato.";
inline constexpr const char* kMsgSubjectRequired = "Oggetto obbligatorio.";
inline constexpr const char* kMsgRecipientRequired = "Indicare il destinatario.";
// Followed by the chooser's label without its colon.
inline constexpr const char* kMsgChoiceRequired = "Campo obbligatorio: ";

struct MailDraft {
    std::string name = "EMAIL";          // the dialog's resource name
    std::string title = "Email";         // its caption
    // One message to each (an entry may hold several addresses separated by ";"). With
    // askRecipient the dialog shows the first as "Destinatario:" for the user to type or change.
    std::vector<std::string> recipients;
    bool askRecipient = false;
    std::string alsoTo;                  // a second recipient of every message ("" none)
    std::string cc;                      // the copy of every message ("" none)
    std::string subject;
    std::string body;                    // lines separated by "\r\n" or "\n"
    std::vector<std::string> attachments; // file paths, at most attachmentRows of them
    size_t attachmentRows = kMailAttachments; // the "File allegato:" rows the dialog offers
    // A list shown first, under CHOOSERLABEL ("Compagnia:"; "" none), from which the user picks
    // what the caller turns into the recipient once the dialog is confirmed: CHOSEN holds the
    // entry picked (the one the dialog opens on), and is required.
    std::string chooserLabel = {};
    std::vector<std::string> chooserEntries = {};
    std::string chosen = {};
};

// What keeps the draft from going, as the message to show ("" when it can go): the settings'
// missing server or sender, nothing picked from the chooser, an empty subject, no recipient
// where the dialog asks for one, an attached file that cannot be read.
std::string draftProblem(const MailDraft& draft, const MailSettings& settings);

// The messages of the draft, one per recipient, with the settings' server part.
std::vector<MailMessage> draftMessages(const MailDraft& draft, const MailSettings& settings);

struct DraftSending {
    std::vector<std::string> sent;   // the recipients whose message went
    std::vector<std::string> failed; // those whose message did not
};
// Sends each message through SEND (SENDMAIL unless given); a message that fails is not counted
// and the others still go.
DraftSending sendDraft(const MailDraft& draft, const MailSettings& settings,
                       const std::function<bool(const MailMessage&)>& send = {});

// "Nessun messaggio inviato." or n + " messaggi inviati con successo.".
std::string sentCountMessage(size_t sent);

} // namespace arv
