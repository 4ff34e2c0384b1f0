// Premium-due notices ("Avvisi") without their windows: the policies whose notice flag is set,
// selected over a period and grouped by insured, then one letter per insured on paper (print job
// "Avvisi") or one e-mail per insured with the report of the messages sent. Nothing in the
// tables changes. The dialog AVVISI (noticedialog.h) only gathers the criteria and the settings.
//
// Settings of ARV.INI: section "Spese postali", key "Importo" (added to the first policy of each
// notice); section "Avvisi", keys "Intestazione", "Ricalcolo", "Pagamento" (";" starts a new line
// in the letter) and "Info", each with its default; section "E-mail" for the sending.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/agency.h"
#include "common/date.h"
#include "common/decimal.h"
#include "common/ini.h"
#include "common/pagemodel.h"
#include "common/sendmail.h"
#include "records/lookups.h"
#include "store/table.h"
#include "store/workspace.h"

namespace arv::policies {

inline constexpr const char* kNoticeSubject = "Avviso di scadenza polizze assicurative";
inline constexpr const char* kMsgNoticesSkipped = " assicurati perché dotati di indirizzo email.";
inline constexpr const char* kPostalSection = "Spese postali";
inline constexpr const char* kNoticesSection = "Avvisi";

// "Inviare:": every instalment, the one that coincides with the annual expiry, the others.
enum class NoticeChoice { All = 1, Annual = 2, Others = 3 };

struct NoticeCriteria {
    std::string number;                 // a policy alone: every other criterion empty
    std::string insuredFrom, insuredTo; // names; "al" takes every name that begins with it
    std::string agreement, producer, branch; // each a prefix
    Date from, to;                      // the due dates
    bool arrears = false;               // due date: the coverage date one instalment on
    NoticeChoice choice = NoticeChoice::All;
    std::string excluded;               // an agreement left out
};
// "" when the criteria can be used, else the refusal (and the field it concerns in *FIELD:
// 1 the number, 2 the period).
std::string noticeCriteriaProblem(const NoticeCriteria& c, int* field = nullptr);

// The date a policy falls due: its coverage date, or one instalment later in arrears mode.
Date noticeDueDate(Date coverage, const std::string& fraction, bool arrears);
// The "Inviare" choice for a policy expiring on EXPIRY (an empty expiry is neither annual nor other).
bool passesChoice(Date expiry, const NoticeCriteria& c);
// The selection over POLIZZE: number alone, or the names, the prefixes, the excluded agreement,
// the notice flag, active (not replaced, not cancelled) and the due date within the period.
store::RecordPredicate noticeCondition(const NoticeCriteria& c);

struct NoticePolicy {
    std::string number, company, branch, payment, fraction;
    Date coverage, expiry;
    Decimal premium, fee, expenses;
    bool phone = false;
    bool chosen = false; // passes the "Inviare" choice
};
struct NoticeGroup {
    std::string insured;
    std::vector<NoticePolicy> policies; // by coverage date
};
// The selected policies grouped by insured, in the order of the insured's name and the coverage
// date, over a shared copy of POLIZZE of its own.
std::vector<NoticeGroup> selectNotices(store::Workspace& ws, const NoticeCriteria& c);

// The amount of a policy in a notice: the premium, plus fee and expenses for a telephone policy,
// plus POSTAL on the first policy of the notice.
Decimal noticeAmount(const NoticePolicy& p, bool first, const Decimal& postal);

struct NoticeTexts {
    std::string heading, recalc, payment, info;
    static NoticeTexts load(const IniFile& ini);
};
Decimal postalExpenses(const IniFile& ini);
void savePostalExpenses(IniFile& ini, const Decimal& amount);

// ---- letters

struct NoticeLetters {
    PrintDocument doc;
    int letters = 0;
    int skipped = 0; // insured with an e-mail address and no "per posta"
};
// One letter per insured (print job "Avvisi"): an insured with an e-mail address and without
// "per posta" is skipped and counted; the policies paid "Presso cliente" or outside the
// "Inviare" choice are not listed; an insured without a listed policy gets no letter; a listed
// policy without premium takes the amounts off the letter and adds the "Ricalcolo" paragraph.
NoticeLetters printNoticeLetters(store::Workspace& ws, const std::vector<NoticeGroup>& groups, const NoticeTexts& texts,
                                 const AgencyIdentity& agency, const Decimal& postal, Date today, bool preview = true);

// ---- e-mails

struct NoticeMail {
    std::string insured, address, subject, body; // body lines end with CR LF
};
// The message of GROUP to CLIENT, listing every policy of the group; nullopt when no policy passes
// the "Inviare" choice or the client gets paper (no address, or "per posta").
std::optional<NoticeMail> noticeMail(store::Workspace& ws, const records::ClientData& client, const NoticeGroup& group,
                                     const NoticeTexts& texts, const AgencyIdentity& agency, const Decimal& postal);

struct NoticeSending {
    std::vector<NoticeMail> sent;
    std::string failure; // the message of the sending that failed and stopped the others
};
// One message per insured through SEND (the settings' server part in BASE), each also to the
// agency's COPY address when there is one ("Copia", mailCopyAddress); the first failure stops.
NoticeSending sendNotices(store::Workspace& ws, const std::vector<NoticeGroup>& groups, const NoticeTexts& texts,
                          const AgencyIdentity& agency, const Decimal& postal, const MailMessage& base,
                          const std::string& copy, const std::function<bool(const MailMessage&)>& send);
// "Nessun avviso inviato." or "N avvisi inviati con successo.".
std::string sentMessage(size_t count);
// "REPORT AVVISI INVIATI VIA EMAIL": a page per message (recipient, address, subject, text).
PrintDocument printSentNotices(const std::vector<NoticeMail>& sent, bool preview = true);
// The report of any run of e-mails, in Arial 12: a page per message under HEADER with "DESTINATARIO: ",
// "EMAIL: ", "OGGETTO: " and "MESSAGGIO:" and the text wrapped (a new page with HEADER past line 60).
PrintDocument printSentMails(const std::vector<NoticeMail>& sent, const std::string& docName,
                             const std::string& header, bool preview = true);

// ---- the whole run of a confirmed dialog

// The selection, then the letters (to the preview unless PREVIEW is false) or the e-mails; the
// messages to show in order, and the report of the messages sent, for the preview after them.
struct NoticeRun {
    std::vector<std::string> messages;
    PrintDocument letters, report;
    size_t sent = 0;
};
struct NoticeOutput {
    bool viaEmail = false;
    MailSettings mail;
    Decimal postal;
    NoticeTexts texts;
    AgencyIdentity agency;
    Date today;
    bool preview = true;
    std::function<bool(const MailMessage&)> send; // default: SENDMAIL
};
NoticeRun runNotices(store::Workspace& ws, const NoticeCriteria& c, const NoticeOutput& out);

} // namespace arv::policies
