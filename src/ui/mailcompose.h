// The compose dialog of every screen that mails a message the user reviews first: recipient (when
// the screen asks for one), subject, message, up to five "File allegato:" rows with "&Sfoglia",
// and the "Parametri" group of ARV.INI's SMTP settings. What it checks and sends is in
// common/maildraft.h; the dialog only shows the draft and takes back what was typed.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QDialog>

#include "common/maildraft.h"

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace arv {

class MailSettingsGroup;

class MailComposeDialog : public QDialog {
public:
    MailComposeDialog(const MailDraft& draft, const MailSettings& settings, QWidget* parent = nullptr);

    // The draft as typed (recipient, subject, message, attachments).
    MailDraft draft() const;
    MailSettings settings() const;
    MailSettingsGroup* settingsGroup() const { return settings_; }
    QLineEdit* recipientEdit() const { return recipient_; }
    QComboBox* chooser() const { return chooser_; }
    QLineEdit* subjectEdit() const { return subject_; }
    QPlainTextEdit* bodyEdit() const { return body_; }
    const std::vector<QLineEdit*>& attachmentEdits() const { return files_; }
    // Runs the file dialog of "&Sfoglia" (a test gives its own choice).
    std::function<QString(QWidget* parent)> chooseFile;

    // "&Conferma": the first problem of the draft is shown and its field takes the focus (the
    // dialog stays open); otherwise the settings are written to INIPATH and the dialog accepted.
    void confirm();

private:
    MailDraft base_;
    std::string iniPath_;
    QLineEdit* recipient_ = nullptr;
    QComboBox* chooser_ = nullptr;
    QLineEdit* subject_ = nullptr;
    QPlainTextEdit* body_ = nullptr;
    std::vector<QLineEdit*> files_;
    MailSettingsGroup* settings_ = nullptr;

    friend bool askMailDraft(MailDraft&, const std::string&, QWidget*);
};

// Shows the dialog on DRAFT with the settings of INIPATH. True when confirmed: DRAFT holds what was
// typed and the settings are saved back; false when abandoned (nothing changes).
bool askMailDraft(MailDraft& draft, const std::string& iniPath, QWidget* parent = nullptr);

// How askMailDraft runs the dialog (exec() by default): tests confirm or abandon it themselves.
std::function<int(MailComposeDialog&)>& mailComposeRunner();

} // namespace arv
