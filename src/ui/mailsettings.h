// The "Parametri" group of every dialog that sends e-mail: the SMTP settings of ARV.INI,
// section "E-mail", loaded when the dialog opens and saved when it is confirmed.
#pragma once

#include "common/sendmail.h"

#include <QGroupBox>

class QComboBox;
class QLineEdit;

namespace arv {

class MailSettingsGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit MailSettingsGroup(QWidget* parent = nullptr);

    void setSettings(const MailSettings& settings);
    // The settings as typed (the values the group does not show are kept from setSettings).
    MailSettings settings() const;

    // On confirming the dialog: a missing required value is shown and its field takes the focus
    // (false, nothing saved); otherwise the settings are written to the file, trimmed.
    bool confirm(IniFile& ini);

    QLineEdit* serverEdit() const { return server_; }
    QLineEdit* senderEdit() const { return sender_; }

private:
    MailSettings base_;
    QComboBox* connection_ = nullptr;
    QLineEdit* server_ = nullptr;
    QLineEdit* sender_ = nullptr;
    QLineEdit* user_ = nullptr;
    QLineEdit* password_ = nullptr;
    QLineEdit* port_ = nullptr;
    QComboBox* ssl_ = nullptr;
};

} // namespace arv
