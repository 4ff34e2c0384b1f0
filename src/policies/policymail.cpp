#include "policies/policymail.h"

#include "common/ini.h"
#include "common/mask.h"
#include "common/text.h"
#include "records/lookups.h"

namespace arv::policies {

using namespace store;
using namespace records;

std::string requestWord(PolicyRequest kind)
{
    switch (kind) {
    case PolicyRequest::Suspension: return "Sospensione";
    case PolicyRequest::Cancellation: return "Annullamento";
    case PolicyRequest::Reactivation: break;
    }
    return "Riattivazione";
}

std::optional<MailDraft> policyRequestDraft(Workspace& ws, const Table& p, PolicyRequest kind,
                                            const AgencyIdentity& agency, const std::string& copy)
{
    const AgreementData agreement = ADATICOMP(ws, p.text("RAPPORTO"));
    if (trim(agreement.email).empty()) return std::nullopt;
    const ClientData client = ADATIASSI(ws, p.text("ASSICURATO"));
    const std::string word = requestWord(kind);
    MailDraft d;
    d.name = "EMAILPOL";
    d.title = word + " polizza";
    d.recipients = {trim(agreement.email)};
    d.cc = trim(copy);
    d.subject = word + " polizza n. " + trim(p.text("POLIZZA"));
    if (d.subject.size() < 50) d.subject.resize(50, ' ');
    std::string town = trim(trim(client.postCode) + " " + trim(client.town));
    if (filled(client.province)) town += " (" + trim(client.province) + ")";
    const std::string action = kind == PolicyRequest::Reactivation ? "riattivare la copertura"
                                                                   : "emettere apposita appendice di " + Mask::upper(word);
    std::string b;
    auto line = [&b](const std::string& s) { b += s + "\r\n"; };
    line("Gentile Compagnia,");
    line("");
    line("in riferimento alla seguente polizza Vi preghiamo di voler " + action + " del rischio:");
    line("");
    line("Contraente: " + trim(client.name.empty() ? p.text("ASSICURATO") : client.name));
    line("Indirizzo: " + trim(client.address));
    line("Città: " + town);
    line("Codice fiscale: " + trim(client.taxCode));
    line("");
    line("Compagnia: " + trim(p.text("COMPAGNIA")));
    line("Numero Polizza: " + trim(p.text("POLIZZA")));
    line("Targa: " + trim(TARGACODICE(ws, p.raw("CODICE"))));
    line("");
    line("Nel rimanere a Vostra completa disposizione per ogni eventuale ulteriore chiarimento in merito, Vi inviamo "
         "i nostri più cordiali saluti.");
    line("");
    line("Servizio Clienti");
    line("");
    for (const std::string& s : agency.signatureBlock()) line(s);
    d.body = b;
    return d;
}

bool sendPolicyRequest(Workspace& ws, const Table& p, PolicyRequest kind, const std::string& iniPath,
                       const PolicyMailHooks& hooks)
{
    auto tell = [&hooks](const std::string& m) {
        if (hooks.tell) hooks.tell(m);
    };
    if (p.eof()) return false;
    AgencyIdentity agency;
    std::optional<MailDraft> d;
    {
        const IniFile ini(iniPath);
        agency.load(ini);
        d = policyRequestDraft(ws, p, kind, agency, mailCopyAddress(ini));
    }
    if (!d) {
        tell(kMsgNoAgreementMail);
        return false;
    }
    if (hooks.compose && !hooks.compose(*d)) return false;
    const MailSettings settings = MailSettings::load(IniFile(iniPath));
    if (const std::string problem = draftProblem(*d, settings); !problem.empty()) {
        tell(problem);
        return false;
    }
    const DraftSending out = sendDraft(*d, settings, hooks.send);
    const bool ok = !out.sent.empty() && out.failed.empty();
    tell(ok ? kMsgMailSent : kMsgMailFailed);
    return ok;
}

} // namespace arv::policies
