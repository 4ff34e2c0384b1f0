#include "ui/mailsettings.h"

#include "common/ini.h"
#include "ui/popmsg.h"

#include <QComboBox>
#include <QFormLayout>
#include <QIntValidator>
#include <QLineEdit>

namespace arv {

MailSettingsGroup::MailSettingsGroup(QWidget* parent) : QGroupBox("Parametri", parent)
{
    auto* form = new QFormLayout(this);
    connection_ = new QComboBox(this);
    connection_->addItem(kFixedConnection);
    server_ = new QLineEdit(this);
    sender_ = new QLineEdit(this);
    user_ = new QLineEdit(this);
    password_ = new QLineEdit(this);
    password_->setEchoMode(QLineEdit::Password);
    port_ = new QLineEdit(this);
    port_->setValidator(new QIntValidator(0, 999, port_));
    port_->setMaxLength(3);
    port_->setMaximumWidth(60);
    ssl_ = new QComboBox(this);
    ssl_->addItems({"S", "N"});
    ssl_->setMaximumWidth(60);
    ssl_->setCurrentIndex(1);
    form->addRow("Connessione:", connection_);
    form->addRow("Server smtp:", server_);
    form->addRow("Ind. mittente:", sender_);
    form->addRow("Userid:", user_);
    form->addRow("Password:", password_);
    form->addRow("Porta:", port_);
    form->addRow("SSL:", ssl_);
}

void MailSettingsGroup::setSettings(const MailSettings& s)
{
    base_ = s;
    server_->setText(QString::fromStdString(s.server));
    sender_->setText(QString::fromStdString(s.sender));
    user_->setText(QString::fromStdString(s.user));
    password_->setText(QString::fromStdString(s.password));
    port_->setText(s.port > 0 ? QString::number(s.port) : QString());
    ssl_->setCurrentIndex(s.ssl ? 0 : 1);
}

MailSettings MailSettingsGroup::settings() const
{
    MailSettings s = base_;
    s.connection = connection_->currentText().toStdString();
    s.server = server_->text().trimmed().toStdString();
    s.sender = sender_->text().trimmed().toStdString();
    s.user = user_->text().trimmed().toStdString();
    s.password = password_->text().trimmed().toStdString();
    s.port = port_->text().trimmed().toInt();
    s.ssl = ssl_->currentText() == "S";
    return s;
}

bool MailSettingsGroup::confirm(IniFile& ini)
{
    const MailSettings s = settings();
    const std::string problem = s.problem();
    if (!problem.empty()) {
        POPMSG(problem, 1);
        (s.server.empty() ? server_ : sender_)->setFocus();
        return false;
    }
    s.save(ini);
    return true;
}

} // namespace arv
