#include "reporting/dailyscreens.h"

#include <filesystem>

#include <QCheckBox>

#include "common/agency.h"
#include "common/date.h"
#include "common/ini.h"
#include "reporting/coverages.h"
#include "reporting/dailyreport.h"
#include "store/workspace.h"
#include "ui/formdialog.h"
#include "ui/mailsettings.h"
#include "ui/popmsg.h"
#include "ui/printing.h"

namespace arv::reporting {

using namespace records;

namespace {

constexpr int kViaEmail = 102;

std::string iniPath() { return (std::filesystem::path(store::workspace().folder()) / "ARV.INI").string(); }

MailSettingsGroup* mailGroup(FormDialog& d) { return d.findChild<MailSettingsGroup*>("Parametri"); }

} // namespace

std::unique_ptr<FormDialog> makeReportingDialog(QWidget* parent)
{
    return std::make_unique<FormDialog>("REPORTING", "Reporting giornaliero",
                                        std::vector<EditField>{logicalField(101, "Completo:", dialogOnly("COMPLETO"))},
                                        parent);
}

std::unique_ptr<FormDialog> makeCoverageDialog(QWidget* parent)
{
    auto d = std::make_unique<FormDialog>(
        "COPERTURE", "Coperture giornaliere",
        std::vector<EditField>{requiredField(dateField(101, "Data:", dialogOnly("DATA"))),
                               logicalField(kViaEmail, "Via email:", dialogOnly("EMAIL"))},
        parent);
    d->set(101, Date::today().toDisplay());
    auto* mail = new MailSettingsGroup(d.get());
    mail->setObjectName("Parametri");
    mail->setSettings(MailSettings::load(IniFile(iniPath())));
    mail->setEnabled(false);
    d->addWidget(mail);
    if (auto* box = qobject_cast<QCheckBox*>(d->field(kViaEmail)))
        QObject::connect(box, &QCheckBox::toggled, mail, [mail](bool on) { mail->setEnabled(on); });
    FormDialog* dialog = d.get();
    // On "Conferma" the settings go back to ARV.INI; sending by e-mail needs the server and sender.
    d->setFinalCheck([dialog, mail] {
        IniFile ini(iniPath());
        if (dialog->values().logical("EMAIL")) return mail->confirm(ini);
        mail->settings().save(ini);
        return true;
    });
    return d;
}

void REPORTING()
{
    std::unique_ptr<FormDialog> d = makeReportingDialog();
    if (d->exec() != QDialog::Accepted) return;
    printDailyReport(store::workspace(), Date::today(), d->values().logical("COMPLETO"));
}

void COPERTURE()
{
    std::unique_ptr<FormDialog> d = makeCoverageDialog();
    if (d->exec() != QDialog::Accepted) return;
    CoverageOutput o;
    o.viaEmail = d->values().logical("EMAIL");
    if (MailSettingsGroup* mail = mailGroup(*d)) o.mail = mail->settings();
    o.agency.load(IniFile(iniPath()));
    const CoverageRun run = runCoverages(store::workspace(), d->date("DATA"), o);
    for (const std::string& m : run.messages) POPMSG(m, 1);
    if (!run.report.pages.empty()) previewJob(run.report);
}

void addDailyEntries(const std::function<void(const std::string& name, std::function<void()> entry)>& add)
{
    add("REPORTING", REPORTING);
    add("COPERTURE", COPERTURE);
}

} // namespace arv::reporting
