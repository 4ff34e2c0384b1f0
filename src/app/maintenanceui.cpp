#include "app/maintenanceui.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QIntValidator>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <filesystem>

#include "ui/popmsg.h"

namespace arv {

namespace fs = std::filesystem;

namespace {

constexpr const char* kQtZipFilter = "File ZIP (*.zip)";
constexpr const char* kMsgInvalidField = "Campo non valido.";

std::string iniPath(const MaintenanceEnvironment& env)
{
    return (fs::path(env.folder) / "ARV.INI").string();
}

std::string askSave(const MaintenanceEnvironment& env, const std::string& title, const std::string& proposed)
{
    if (env.askSaveFile) return env.askSaveFile(title, env.folder, proposed);
    QString name = QFileDialog::getSaveFileName(nullptr, QString::fromStdString(title),
                                                QString::fromStdString((fs::path(env.folder) / proposed).string()),
                                                kQtZipFilter);
    return name.toStdString();
}

std::string askOpen(const MaintenanceEnvironment& env, const std::string& title)
{
    if (env.askOpenFile) return env.askOpenFile(title, env.folder);
    QString name = QFileDialog::getOpenFileName(nullptr, QString::fromStdString(title),
                                                QString::fromStdString(env.folder), kQtZipFilter);
    return name.toStdString();
}

void tell(const records::ArchiveResult& r)
{
    if (!r.message.empty()) POPMSG(r.message, 1);
}

void closeTables(const MaintenanceEnvironment& env)
{
    if (env.closeTables) env.closeTables();
}

QLineEdit* lineEdit(const std::string& text, int maxLength = 60)
{
    auto* e = new QLineEdit(QString::fromStdString(text));
    e->setMaxLength(maxLength);
    e->setMinimumWidth(e->fontMetrics().horizontalAdvance(QString(32, 'M')) * 2 / 3);
    return e;
}

} // namespace

// ---------------------------------------------------------------- entries

void MANUTENZIONE(const MaintenanceEnvironment& env, bool interactive, bool upgrade)
{
    if (interactive && !POPMSG(records::kMsgMaintenanceConfirm, 2)) return;
    closeTables(env);
    records::ArchiveResult r = records::maintainArchives(env.folder, interactive, upgrade);
    if (!r) tell(r);
}

void SALVA(const MaintenanceEnvironment& env, const std::vector<std::string>& files)
{
    const Date today = env.today ? env.today() : Date::today();
    std::string chosen = askSave(env, records::kMsgSaveTitle, records::backupName(env.programName, today));
    if (chosen.empty()) return;
    tell(records::saveArchives(env.folder, records::withZipExtension(chosen), files));
}

void RICARICA(const MaintenanceEnvironment& env)
{
    if (!POPMSG(records::kMsgRestoreConfirm, 2)) return;
    std::string chosen = askOpen(env, records::kMsgRestoreTitle);
    if (chosen.empty()) return;
    closeTables(env);
    tell(records::restoreArchives(env.folder, records::withZipExtension(chosen)));
}

void INVIO(const MaintenanceEnvironment& env)
{
    records::SendSettings settings = records::SendSettings::load(iniPath(env));
    if (env.editSendSettings) {
        if (!env.editSendSettings(settings)) return;
    } else {
        SendDialog dialog(settings);
        if (dialog.exec() != QDialog::Accepted) return;
        settings = dialog.settings();
    }
    settings.save(iniPath(env));
    records::ArchiveResult r = records::sendArchives(env.folder, settings.recipient, env.sendMail);
    if (!r) tell(r);
}

void AGGIORNA(const MaintenanceEnvironment& env)
{
    records::ProducerSettings settings = records::ProducerSettings::load(env.folder);
    if (settings.agencyFolder.empty() || settings.producer.empty()) {
        POPMSG(records::kMsgProducerFailed, 1);
        return;
    }
    if (!POPMSG(records::kMsgProducerConfirm, 2)) return;
    closeTables(env);
    records::ArchiveResult r = records::updateProducerArchives(env.folder, settings);
    if (!r) tell(r);
}

void addMaintenanceEntries(EntryRegistry& registry, MaintenanceEnvironment env)
{
    registry.add("MANUTENZIONE", [env](const EntryArgs&) { MANUTENZIONE(env); });
    registry.add("SALVA", [env](const EntryArgs& args) { SALVA(env, args.files); });
    registry.add("RICARICA", [env](const EntryArgs&) { RICARICA(env); });
    registry.add("INVIO", [env](const EntryArgs&) { INVIO(env); });
    registry.add("AGGIORNA", [env](const EntryArgs&) { AGGIORNA(env); });
}

// ---------------------------------------------------------------- send dialog

SendDialog::SendDialog(const records::SendSettings& s, QWidget* parent) : QDialog(parent), original_(s)
{
    setWindowTitle("Invio dati");
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox("Parametri");
    auto* form = new QFormLayout(group);
    connection_ = new QComboBox;
    connection_->addItem("Connessione fissa");
    server_ = lineEdit(s.server);
    sender_ = lineEdit(s.sender);
    recipient_ = lineEdit(s.recipient);
    user_ = lineEdit(s.user);
    password_ = lineEdit(s.password);
    password_->setEchoMode(QLineEdit::Password);
    port_ = lineEdit(s.port, 3);
    port_->setValidator(new QIntValidator(0, 999, port_));
    port_->setMaximumWidth(port_->fontMetrics().horizontalAdvance("99999") + 12);
    port_->setMinimumWidth(0);
    ssl_ = new QCheckBox;
    ssl_->setChecked(s.ssl);
    form->addRow("Connessione:", connection_);
    form->addRow("Server smtp:", server_);
    form->addRow("Ind. mittente:", sender_);
    form->addRow("Ind. destinatario:", recipient_);
    form->addRow("Userid:", user_);
    form->addRow("Password:", password_);
    form->addRow("Porta:", port_);
    form->addRow("SSL:", ssl_);
    layout->addWidget(group);
    auto* buttons = new QDialogButtonBox;
    QPushButton* ok = buttons->addButton("&Conferma", QDialogButtonBox::AcceptRole);
    buttons->addButton("&Annulla", QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &SendDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

records::SendSettings SendDialog::settings() const
{
    records::SendSettings s = original_;
    auto value = [](const QLineEdit* e) { return e->text().trimmed().toStdString(); };
    s.connection = connection_->currentText().toStdString();
    s.server = value(server_);
    s.sender = value(sender_);
    s.recipient = value(recipient_);
    s.user = value(user_);
    s.password = value(password_);
    s.port = value(port_);
    s.ssl = ssl_->isChecked();
    return s;
}

QLineEdit* SendDialog::field(const std::string& key) const
{
    if (key == "Server smtp") return server_;
    if (key == "Mittente") return sender_;
    if (key == "DestInvio") return recipient_;
    if (key == "Userid") return user_;
    if (key == "Password") return password_;
    if (key == "Porta") return port_;
    return nullptr;
}

void SendDialog::accept()
{
    std::string missing = settings().problem();
    if (!missing.empty()) {
        POPMSG(kMsgInvalidField, 1);
        if (QLineEdit* e = field(missing)) e->setFocus();
        return;
    }
    QDialog::accept();
}

} // namespace arv
