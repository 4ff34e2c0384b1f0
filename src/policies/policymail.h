// The requests to a policy's agreement by e-mail ("Emai&l ^" of the policy register): suspension,
// cancellation and reactivation of the policy, reviewed in the compose dialog (EMAILPOL) and sent
// through SENDMAIL to the agreement's address, with ARV.INI's "Copia" as copy. The policy is not
// changed.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "common/agency.h"
#include "common/maildraft.h"
#include "store/table.h"
#include "store/workspace.h"

namespace arv::policies {

inline constexpr const char* kMsgNoAgreementMail =
    "Impossibile inviare il messaggio in quanto il Rapporto non ha un indirizzo email.";

enum class PolicyRequest { Suspension, Cancellation, Reactivation };

// "Sospensione", "Annullamento", "Riattivazione".
std::string requestWord(PolicyRequest kind);

// The draft of the request for the policy under the cursor: to the agreement's e-mail address,
// "Copia" of INIPATH's section "E-mail" as copy; nullopt when the agreement has no address.
std::optional<MailDraft> policyRequestDraft(store::Workspace& ws, const store::Table& policy, PolicyRequest kind,
                                            const AgencyIdentity& agency, const std::string& copy);

struct PolicyMailHooks {
    std::function<bool(MailDraft&)> compose;              // the compose dialog (false: abandoned)
    std::function<bool(const MailMessage&)> send;         // SENDMAIL unless given
    std::function<void(const std::string&)> tell;         // a message to the user
};

// The whole request: the draft, the dialog, the sending with the settings of INIPATH and the
// outcome told ("Messaggio inviato con successo." or "Impossibile inviare l'email."). True when
// the message went.
bool sendPolicyRequest(store::Workspace& ws, const store::Table& policy, PolicyRequest kind, const std::string& iniPath,
                       const PolicyMailHooks& hooks);

} // namespace arv::policies
