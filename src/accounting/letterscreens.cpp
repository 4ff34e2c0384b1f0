#include "accounting/letterscreens.h"

#include <filesystem>

#include <QCheckBox>

#include "accounting/movementletters.h"
#include "common/ini.h"
#include "common/sendmail.h"
#include "ui/mailsettings.h"
#include "ui/popmsg.h"

namespace arv::accounting {

using namespace records;

namespace {

constexpr int kViaEmail = 101;

std::string iniPathOf(store::Workspace& ws) { return (std::filesystem::path(ws.folder()) / "ARV.INI").string(); }

AgencyIdentity issuerOf(store::Workspace& ws)
{
    AgencyIdentity a;
    a.load(IniFile(iniPathOf(ws)));
    return a;
}

// The dialog, then whether to mail and with which settings; false when it was cancelled.
bool askSending(bool& viaEmail, MailSettings& settings)
{
    std::unique_ptr<FormDialog> d = makeCoverageDialog();
    if (d->exec() != QDialog::Accepted) return false;
    viaEmail = d->values().logical("EMAIL");
    if (MailSettingsGroup* g = coverageMailGroup(*d)) settings = g->settings();
    return true;
}

MailSender sender()
{
    return [](const MailMessage& m) { return SENDMAIL(m); };
}

} // namespace

std::unique_ptr<FormDialog> makeCoverageDialog(QWidget* parent)
{
    auto d = std::make_unique<FormDialog>("COPIMM", "Copertura immediata",
                                          std::vector<EditField>{logicalField(kViaEmail, "Via email:", dialogOnly("EMAIL"))},
                                          parent);
    const std::string path = iniPathOf(store::workspace());
    auto* mail = new MailSettingsGroup(d.get());
    mail->setObjectName("Parametri");
    mail->setSettings(MailSettings::load(IniFile(path)));
    mail->setEnabled(false);
    d->addWidget(mail);
    if (auto* box = qobject_cast<QCheckBox*>(d->field(kViaEmail)))
        QObject::connect(box, &QCheckBox::toggled, mail, [mail](bool on) { mail->setEnabled(on); });
    FormDialog* dialog = d.get();
    d->setFinalCheck([dialog, mail, path] {
        IniFile ini(path);
        if (dialog->values().logical("EMAIL")) return mail->confirm(ini);
        mail->settings().save(ini);
        return true;
    });
    return d;
}

MailSettingsGroup* coverageMailGroup(FormDialog& dialog) { return dialog.findChild<MailSettingsGroup*>("Parametri"); }

void coverageNotice(store::Workspace& ws, store::Table& movements)
{
    bool viaEmail = false;
    MailSettings settings;
    if (!askSending(viaEmail, settings)) return;
    const AgencyIdentity issuer = issuerOf(ws);
    if (!viaEmail) {
        std::string message;
        printImmediateCoverage(ws, movements, issuer, true, &message);
        if (!message.empty()) POPMSG(message, 1);
        return;
    }
    const MailRun run =
        mailImmediateCoverage(ws, movements, issuer, settings.message(), mailCopyAddress(IniFile(iniPathOf(ws))), sender());
    POPMSG(run.message, 1);
}

void paymentReceipt(store::Workspace& ws, store::Table& movements)
{
    if (movements.eof()) return;
    const std::string message = printPaymentReceipt(ws, movements, issuerOf(ws));
    if (!message.empty()) POPMSG(message, 1);
}

void suspendedStatements(store::Workspace& ws, store::Table& movements)
{
    bool viaEmail = false;
    MailSettings settings;
    if (!askSending(viaEmail, settings)) return;
    const AgencyIdentity issuer = issuerOf(ws);
    const std::vector<SuspendedClient> clients = suspendedClients(movements);
    if (!viaEmail) {
        for (const std::string& m : printSuspendedStatements(ws, clients, issuer).messages) POPMSG(m, 1);
        return;
    }
    const size_t n = mailableClients(ws, clients);
    if (n == 0) {
        POPMSG(kMsgNoSuspendedSent, 1);
        return;
    }
    if (!POPMSG(suspendedMailQuestion(n), static_cast<int>(MessageKind::YesNo))) return;
    const MailRun run =
        mailSuspendedStatements(ws, clients, issuer, settings.message(), mailCopyAddress(IniFile(iniPathOf(ws))), sender());
    POPMSG(run.message, 1);
}

} // namespace arv::accounting
