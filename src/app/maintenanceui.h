// The "Servizio" entries that act on the archives as a whole: maintenance, save, restore,
// sending and the producer update. The work is done by records/maintenance.h; here are the
// questions, the file dialogs, the send dialog and the messages.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QDialog>

#include "app/entries.h"
#include "common/date.h"
#include "records/maintenance.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace arv {

// What the entries work with. Empty dialog hooks use the system's file dialogs and the send
// dialog below; tests replace them.
struct MaintenanceEnvironment {
    std::string folder = ".";           // the working folder
    std::string programName = "ARV";    // the program's file name without extension
    std::function<Date()> today;        // default Date::today()
    records::MailSender sendMail;       // delivers one e-mail (SENDMAIL); none: nothing is sent
    // The save dialog (title, folder, proposed name) and the open dialog (title, folder): the
    // chosen path, "" when cancelled.
    std::function<std::string(const std::string&, const std::string&, const std::string&)> askSaveFile;
    std::function<std::string(const std::string&, const std::string&)> askOpenFile;
    // The send dialog over the settings: false when cancelled.
    std::function<bool(records::SendSettings&)> editSendSettings;
    // Closes this workstation's tables before an operation that needs them all.
    std::function<void()> closeTables;
};

// MANUTENZIONE: asks first when interactive; a failure is told.
void MANUTENZIONE(const MaintenanceEnvironment& env, bool interactive = true, bool upgrade = false);
// SALVA: the archive files plus FILES (such as {"ARV.INI"}) into the ZIP file chosen in the save
// dialog; cancelling ends quietly.
void SALVA(const MaintenanceEnvironment& env, const std::vector<std::string>& files);
void RICARICA(const MaintenanceEnvironment& env);
void INVIO(const MaintenanceEnvironment& env);
void AGGIORNA(const MaintenanceEnvironment& env);

// Adds MANUTENZIONE, SALVA (with the entry's file list), RICARICA, INVIO and AGGIORNA.
void addMaintenanceEntries(EntryRegistry& registry, MaintenanceEnvironment env);

// The send dialog: the e-mail settings and the recipient. "&Conferma" refuses an empty server,
// sender or recipient with "Campo non valido." and keeps the dialog open.
class SendDialog : public QDialog {
public:
    explicit SendDialog(const records::SendSettings& settings, QWidget* parent = nullptr);
    records::SendSettings settings() const;
    QLineEdit* field(const std::string& key) const; // by ARV.INI key ("Server smtp", "DestInvio"...)

    void accept() override;

private:
    QComboBox* connection_;
    QLineEdit *server_, *sender_, *recipient_, *user_, *password_, *port_;
    QCheckBox* ssl_;
    records::SendSettings original_;
};

} // namespace arv
