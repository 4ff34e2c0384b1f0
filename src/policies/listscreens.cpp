#include "policies/listscreens.h"

#include <filesystem>

#include <QCheckBox>

#include "common/agency.h"
#include "common/ini.h"
#include "common/lists.h"
#include "common/mask.h"
#include "common/text.h"
#include "policies/lists.h"
#include "policies/notices.h"
#include "records/lookups.h"
#include "registry/clients.h"
#include "store/workspace.h"
#include "ui/formdialog.h"
#include "ui/mailsettings.h"
#include "ui/popmsg.h"
#include "ui/printing.h"

namespace arv::policies {

using namespace store;
using namespace records;

namespace {

using Check = FormDialog::Check;
using Failure = std::optional<std::pair<int, std::string>>;

constexpr int kViaEmail = 112;

std::string iniPath() { return (std::filesystem::path(workspace().folder()) / "ARV.INI").string(); }

AgencyIdentity agency()
{
    AgencyIdentity a;
    a.load(IniFile(iniPath()));
    return a;
}

std::vector<std::string> withEmpty(std::vector<std::string> l)
{
    if (l.empty() || !l.front().empty()) l.insert(l.begin(), std::string());
    return l;
}
std::vector<std::string> companies() { return withEmpty(ACOMPAGNIE(workspace())); }
std::vector<std::string> branches() { return withEmpty(ARAMI(workspace())); }
std::vector<std::string> producers() { return withEmpty(APRODUTT(workspace())); }

EditField date(int id, const char* label, const char* name) { return dateField(id, label, dialogOnly(name)); }
EditField check(int id, const char* label, const char* name) { return logicalField(id, label, dialogOnly(name)); }
EditField choice(int id, const char* label, const char* name, std::function<std::vector<std::string>()> list,
                 bool typed = false)
{
    return choiceField(id, label, dialogOnly(name), std::move(list), typed);
}
EditField client(int id, const char* label, const char* name)
{
    EditField f = textField(id, label, dialogOnly(name));
    f.width = 35;
    f.pick = [name = std::string(name)](Workspace& ws, const EditValues& v) { return registry::pickClient(ws, v.get(name)); };
    return f;
}

std::unique_ptr<FormDialog> form(const char* name, const char* title, std::vector<EditField> fields, QWidget* parent,
                                 Check c = {})
{
    return std::make_unique<FormDialog>(name, title, std::move(fields), parent, std::move(c));
}

CancellationLetterCriteria letterCriteria(const EditValues& v)
{
    CancellationLetterCriteria c;
    c.number = trim(v.get("POLIZZA"));
    c.agreement = trim(v.get("RAPPORTO"));
    c.from = v.date("DAL");
    c.to = v.date("AL");
    c.anniversaryFrom = v.date("ANNDAL");
    c.anniversaryTo = v.date("ANNAL");
    return c;
}

NoticeCriteria noticeCriteria(const FormDialog& d)
{
    NoticeCriteria c;
    c.number = d.text("POLIZZA");
    c.insuredFrom = d.text("DALASS");
    c.insuredTo = d.text("ALASS");
    c.agreement = d.text("RAPPORTO");
    c.producer = d.text("PRODUTTORE");
    c.branch = d.text("RAMO");
    c.from = d.date("DAL");
    c.to = d.date("AL");
    c.arrears = d.values().logical("ARRETRATE");
    const std::string choice = d.text("INVIARE");
    c.choice = choice == "Annualità" ? NoticeChoice::Annual : choice == "Altre" ? NoticeChoice::Others : NoticeChoice::All;
    c.excluded = d.text("ESCLUSO");
    return c;
}

std::unique_ptr<FormDialog> noticeDialog(QWidget* parent)
{
    EditField number = textField(101, "Polizza n.:", dialogOnly("POLIZZA"), "@!");
    number.width = 25;
    EditField postal = numberField(113, "Spese postali:", dialogOnly("POSTALI"), "@ZE 99.99");
    EditField sending = choice(114, "Inviare:", "INVIARE", [] { return std::vector<std::string>{"Tutte", "Annualità", "Altre"}; });
    auto d = form("AVVISI", "Avvisi",
                  {number, client(102, "Dall'assicurato:", "DALASS"), client(103, "All'assicurato:", "ALASS"),
                   choice(104, "Rapporto:", "RAPPORTO", companies, true),
                   choice(105, "Produttore:", "PRODUTTORE", producers, true),
                   choice(106, "Ramo:", "RAMO", branches, true), date(107, "Periodo: dal", "DAL"),
                   date(108, "al", "AL"), check(109, "Arretrate:", "ARRETRATE"), check(kViaEmail, "Via email:", "EMAIL"),
                   postal, sending, choice(115, "escludendo", "ESCLUSO", companies)},
                  parent, [](const EditValues& v) -> Failure {
                      NoticeCriteria c;
                      c.number = trim(v.get("POLIZZA"));
                      c.insuredFrom = trim(v.get("DALASS"));
                      c.insuredTo = trim(v.get("ALASS"));
                      c.agreement = trim(v.get("RAPPORTO"));
                      c.producer = trim(v.get("PRODUTTORE"));
                      c.branch = trim(v.get("RAMO"));
                      c.from = v.date("DAL");
                      c.to = v.date("AL");
                      c.excluded = trim(v.get("ESCLUSO"));
                      int field = 0;
                      const std::string problem = noticeCriteriaProblem(c, &field);
                      if (problem.empty()) return std::nullopt;
                      return std::make_pair(field == 1 ? 101 : c.from ? 108 : 107, problem);
                  });
    IniFile ini(iniPath());
    auto* mail = new MailSettingsGroup(d.get());
    mail->setObjectName("Parametri");
    mail->setSettings(MailSettings::load(ini));
    mail->setEnabled(false);
    d->addWidget(mail);
    d->set(113, Mask("@ZE 99.99").formatNumber(postalExpenses(ini)));
    d->set(114, "Tutte");
    if (auto* box = qobject_cast<QCheckBox*>(d->field(kViaEmail)))
        QObject::connect(box, &QCheckBox::toggled, mail, [mail](bool on) { mail->setEnabled(on); });
    FormDialog* dialog = d.get();
    // On "Conferma" the postal expenses and the sending parameters go back to ARV.INI; sending
    // by e-mail needs the server.
    d->setFinalCheck([dialog, mail] {
        IniFile ini(iniPath());
        if (dialog->values().logical("EMAIL")) {
            if (!mail->confirm(ini)) return false;
        } else {
            mail->settings().save(ini);
        }
        savePostalExpenses(ini, dialog->number("POSTALI"));
        return true;
    });
    return d;
}

// Runs DIALOG; false when it was cancelled.
bool confirmed(FormDialog& d) { return d.exec() == QDialog::Accepted; }

} // namespace

std::unique_ptr<FormDialog> makeListDialog(const std::string& name, QWidget* parent)
{
    if (name == "DISDETTE")
        return form("DISDETTE", "Elenco disdette",
                    {date(101, "Periodo: dal", "DAL"), date(102, "al", "AL"), check(103, "Scadute:", "SCADUTE"),
                     check(104, "Disdette cliente:", "DISDCLI")},
                    parent);
    if (name == "RIFORMA")
        return form("RIFORMA", "Elenco riforma polizze", {date(101, "Periodo: dal", "DAL"), date(102, "al", "AL")},
                    parent);
    if (name == "SCADENZE") {
        auto d = form("SCADENZE", "Scadenza polizze per data",
                      {date(101, "Data copertura: dal", "DAL"), date(102, "al", "AL"),
                       check(103, "Solo attive:", "ATTIVE"), date(104, "Annualità: dal", "ANNDAL"),
                       date(105, "al", "ANNAL"), date(106, "Semestralità: dal", "SEMDAL"), date(107, "al", "SEMAL"),
                       choice(108, "Ramo:", "RAMO", branches, true),
                       choice(109, "Pagamento:", "PAGAMENTO", [] { return withEmpty(APAGAM()); }),
                       choice(110, "Produttore:", "PRODUTTORE", producers),
                       choice(111, "Compagnia:", "COMPAGNIA", companies),
                       choice(112, "Rapporto:", "RAPPORTO", companies)},
                      parent);
        d->set(103, "T");
        return d;
    }
    if (name == "NUOVI")
        return form("NUOVI", "Contratti nuovi",
                    {choice(101, "Rapporto:", "RAPPORTO", companies), choice(102, "Produttore:", "PRODUTTORE", producers),
                     choice(103, "Ramo:", "RAMO", branches, true),
                     choice(104, "Gruppo:", "GRUPPO", [] { return withEmpty(AGRUPPI(workspace())); }),
                     date(105, "Periodo: dal", "DAL"), date(106, "al", "AL"),
                     check(107, "Con provenienza:", "PROVENIEN"), check(108, "Da perfezionare:", "PERFEZ"),
                     choice(109, "Operatore:", "OPERATORE", [] { return withEmpty(AOPERATORI(workspace())); })},
                    parent);
    if (name == "DISDETTE2") {
        EditField number = textField(101, "Polizza n.:", dialogOnly("POLIZZA"), "@!");
        number.width = 25;
        return form("DISDETTE2", "Avvisi di disdetta",
                    {number, choice(102, "Rapporto:", "RAPPORTO", companies), date(103, "Periodo: dal", "DAL"),
                     date(104, "al", "AL"), date(105, "Annualità: dal", "ANNDAL"), date(106, "al", "ANNAL")},
                    parent, [](const EditValues& v) -> Failure {
                        const std::string problem = cancellationLetterProblem(letterCriteria(v));
                        if (problem.empty()) return std::nullopt;
                        return std::make_pair(102, problem);
                    });
    }
    if (name == "AVVISI") return noticeDialog(parent);
    return nullptr;
}

MailSettingsGroup* noticeMailGroup(FormDialog& dialog) { return dialog.findChild<MailSettingsGroup*>("Parametri"); }

void DISDETTE()
{
    auto d = makeListDialog("DISDETTE");
    if (!confirmed(*d)) return;
    const EditValues v = d->values();
    listCancelled(workspace(), {v.date("DAL"), v.date("AL"), v.logical("SCADUTE"), v.logical("DISDCLI")}, Date::today());
}

void RIFORMA()
{
    auto d = makeListDialog("RIFORMA");
    if (!confirmed(*d)) return;
    listReform(workspace(), {d->date("DAL"), d->date("AL")}, Date::today());
}

void SCADENZE()
{
    auto d = makeListDialog("SCADENZE");
    if (!confirmed(*d)) return;
    const EditValues v = d->values();
    ExpiryCriteria c;
    c.coverageFrom = v.date("DAL");
    c.coverageTo = v.date("AL");
    c.activeOnly = v.logical("ATTIVE");
    c.anniversaryFrom = v.date("ANNDAL");
    c.anniversaryTo = v.date("ANNAL");
    c.halfFrom = v.date("SEMDAL");
    c.halfTo = v.date("SEMAL");
    c.branch = d->text("RAMO");
    c.payment = d->text("PAGAMENTO");
    c.producer = d->text("PRODUTTORE");
    c.company = d->text("COMPAGNIA");
    c.agreement = d->text("RAPPORTO");
    listExpiry(workspace(), c);
}

void NUOVI()
{
    auto d = makeListDialog("NUOVI");
    if (!confirmed(*d)) return;
    const EditValues v = d->values();
    NewBusinessCriteria c;
    c.agreement = d->text("RAPPORTO");
    c.producer = d->text("PRODUTTORE");
    c.branch = d->text("RAMO");
    c.group = d->text("GRUPPO");
    c.from = v.date("DAL");
    c.to = v.date("AL");
    c.withOrigin = v.logical("PROVENIEN");
    c.toComplete = v.logical("PERFEZ");
    c.operatorName = d->text("OPERATORE");
    listNewBusiness(workspace(), c);
}

void DISDETTE2()
{
    auto d = makeListDialog("DISDETTE2");
    if (!confirmed(*d)) return;
    std::string message;
    printCancellationLetters(workspace(), letterCriteria(d->values()), agency(), Date::today(), true, &message);
    if (!message.empty()) POPMSG(message, 1);
}

void AVVISI()
{
    auto d = makeListDialog("AVVISI");
    if (!confirmed(*d)) return;
    NoticeOutput o;
    o.viaEmail = d->values().logical("EMAIL");
    if (MailSettingsGroup* mail = noticeMailGroup(*d)) o.mail = mail->settings();
    o.postal = d->number("POSTALI");
    o.texts = NoticeTexts::load(IniFile(iniPath()));
    o.agency = agency();
    o.today = Date::today();
    const NoticeRun run = runNotices(workspace(), noticeCriteria(*d), o);
    for (const std::string& m : run.messages) POPMSG(m, 1);
    if (!run.report.pages.empty()) previewJob(run.report);
}

void addListEntries(const std::function<void(const std::string&, std::function<void()>)>& add)
{
    add("DISDETTE", DISDETTE);
    add("RIFORMA", RIFORMA);
    add("SCADENZE", SCADENZE);
    add("NUOVI", NUOVI);
    add("DISDETTE2", DISDETTE2);
    add("AVVISI", AVVISI);
}

} // namespace arv::policies
