#include "common/maildraft.h"

#include <filesystem>
#include <fstream>

#include "common/text_util.h"

namespace arv {

namespace {

std::string trimmed(const std::string& s) { return std::string(detail::trim(s)); }

std::vector<std::string> givenAttachments(const MailDraft& d)
{
    std::vector<std::string> out;
    for (const std::string& a : d.attachments)
        if (!trimmed(a).empty()) out.push_back(trimmed(a));
    return out;
}

} // namespace

std::string draftProblem(const MailDraft& d, const MailSettings& s)
{
    if (std::string p = s.problem(); !p.empty()) return p;
    if (!d.chooserLabel.empty() && trimmed(d.chosen).empty()) {
        std::string label = trimmed(d.chooserLabel);
        if (!label.empty() && label.back() == ':') label.pop_back();
        return kMsgChoiceRequired + label;
    }
    if (trimmed(d.subject).empty()) return kMsgSubjectRequired;
    if (d.askRecipient && (d.recipients.empty() || mailAddresses(d.recipients.front()).empty()))
        return kMsgRecipientRequired;
    for (const std::string& a : givenAttachments(d)) {
        std::ifstream in(a, std::ios::binary);
        if (!in || std::filesystem::is_directory(a))
            return "Impossibile leggere il file allegato:;;" + std::filesystem::path(a).filename().string();
    }
    return {};
}

std::vector<MailMessage> draftMessages(const MailDraft& d, const MailSettings& s)
{
    std::vector<MailMessage> out;
    for (const std::string& r : d.recipients) {
        if (mailAddresses(r).empty()) continue;
        MailMessage m = s.message();
        m.to = trimmed(r);
        if (!trimmed(d.alsoTo).empty()) m.to += ";" + trimmed(d.alsoTo);
        if (!trimmed(d.cc).empty()) m.cc = {trimmed(d.cc)};
        m.subject = trimmed(d.subject);
        m.body = d.body;
        m.attachments = givenAttachments(d);
        out.push_back(std::move(m));
    }
    return out;
}

DraftSending sendDraft(const MailDraft& d, const MailSettings& s, const std::function<bool(const MailMessage&)>& send)
{
    DraftSending out;
    std::vector<MailMessage> messages = draftMessages(d, s);
    for (const MailMessage& m : messages) {
        const bool ok = send ? send(m) : SENDMAIL(m);
        (ok ? out.sent : out.failed).push_back(m.to);
    }
    return out;
}

std::string sentCountMessage(size_t sent)
{
    if (sent == 0) return kMsgNoMessageSent;
    return std::to_string(sent) + " messaggi inviati con successo.";
}

} // namespace arv
