#include "ui/mailcompose.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/ini.h"
#include "ui/mailsettings.h"
#include "ui/popmsg.h"

namespace arv {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

std::string joined(const std::vector<std::string>& list)
{
    std::string out;
    for (const std::string& s : list) out += (out.empty() ? "" : "; ") + s;
    return out;
}

} // namespace

MailComposeDialog::MailComposeDialog(const MailDraft& draft, const MailSettings& settings, QWidget* parent)
    : QDialog(parent ? parent : QApplication::activeWindow()), base_(draft)
{
    setObjectName(q(draft.name));
    setWindowTitle(q(draft.title));
    chooseFile = [](QWidget* p) { return QFileDialog::getOpenFileName(p, QStringLiteral("File allegato")); };
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    if (!draft.chooserLabel.empty()) {
        chooser_ = new QComboBox(this);
        chooser_->setObjectName("chooser");
        for (const std::string& e : draft.chooserEntries) chooser_->addItem(q(e));
        chooser_->setCurrentIndex(chooser_->findText(q(draft.chosen)));
        form->addRow(q(draft.chooserLabel), chooser_);
    }
    if (draft.askRecipient) {
        recipient_ = new QLineEdit(this);
        recipient_->setObjectName("recipient");
        recipient_->setText(q(draft.recipients.empty() ? std::string() : draft.recipients.front()));
        form->addRow(QStringLiteral("Destinatario:"), recipient_);
    } else if (!draft.recipients.empty()) {
        auto* to = new QLineEdit(q(joined(draft.recipients)), this);
        to->setReadOnly(true);
        to->setFocusPolicy(Qt::NoFocus);
        form->addRow(QStringLiteral("Destinatari:"), to);
    }
    if (!draft.cc.empty()) {
        auto* cc = new QLineEdit(q(draft.cc), this);
        cc->setReadOnly(true);
        cc->setFocusPolicy(Qt::NoFocus);
        form->addRow(QStringLiteral("Copia a:"), cc);
    }
    subject_ = new QLineEdit(q(draft.subject), this);
    subject_->setObjectName("subject");
    subject_->setMinimumWidth(480);
    form->addRow(QStringLiteral("Oggetto:"), subject_);
    body_ = new QPlainTextEdit(this);
    body_->setObjectName("body");
    body_->setPlainText(q(draft.body).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    body_->setMinimumHeight(220);
    form->addRow(QStringLiteral("Messaggio:"), body_);
    for (size_t i = 0; i < draft.attachmentRows; ++i) {
        auto* file = new QLineEdit(this);
        file->setObjectName(QStringLiteral("file%1").arg(i + 1));
        if (i < draft.attachments.size()) file->setText(q(draft.attachments[i]));
        auto* browse = new QPushButton(QStringLiteral("&Sfoglia"), this);
        browse->setAutoDefault(false);
        auto* row = new QHBoxLayout;
        row->addWidget(file, 1);
        row->addWidget(browse);
        form->addRow(QStringLiteral("File allegato:"), row);
        files_.push_back(file);
        connect(browse, &QPushButton::clicked, this, [this, file] {
            const QString chosen = chooseFile ? chooseFile(this) : QString();
            if (!chosen.isEmpty()) file->setText(chosen);
        });
    }
    settings_ = new MailSettingsGroup(this);
    settings_->setSettings(settings);
    layout->addWidget(settings_);
    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton(QStringLiteral("&Conferma"), this);
    ok->setObjectName("b201");
    auto* cancel = new QPushButton(QStringLiteral("&Annulla"), this);
    cancel->setObjectName("b202");
    ok->setAutoDefault(false);
    cancel->setAutoDefault(false);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ok, &QPushButton::clicked, this, [this] { confirm(); });
}

MailDraft MailComposeDialog::draft() const
{
    MailDraft d = base_;
    if (recipient_) {
        const std::string typed = recipient_->text().trimmed().toStdString();
        if (d.recipients.empty()) d.recipients.push_back(typed);
        else d.recipients.front() = typed;
    }
    if (chooser_) d.chosen = chooser_->currentText().toStdString();
    d.subject = subject_->text().trimmed().toStdString();
    d.body = body_->toPlainText().toStdString();
    d.attachments.clear();
    for (QLineEdit* f : files_)
        if (!f->text().trimmed().isEmpty()) d.attachments.push_back(f->text().trimmed().toStdString());
    return d;
}

MailSettings MailComposeDialog::settings() const { return settings_->settings(); }

void MailComposeDialog::confirm()
{
    const MailDraft d = draft();
    const MailSettings s = settings();
    const std::string problem = draftProblem(d, s);
    if (!problem.empty()) {
        POPMSG(problem, 1);
        if (chooser_ && problem.rfind(kMsgChoiceRequired, 0) == 0) chooser_->setFocus();
        else if (problem == kMsgSubjectRequired) subject_->setFocus();
        else if (problem == kMsgRecipientRequired && recipient_) recipient_->setFocus();
        else if (!s.problem().empty()) (s.server.empty() ? settings_->serverEdit() : settings_->senderEdit())->setFocus();
        return;
    }
    if (!iniPath_.empty()) {
        IniFile ini(iniPath_);
        if (!settings_->confirm(ini)) return;
    }
    accept();
}

std::function<int(MailComposeDialog&)>& mailComposeRunner()
{
    static std::function<int(MailComposeDialog&)> run = [](MailComposeDialog& d) { return d.exec(); };
    return run;
}

bool askMailDraft(MailDraft& draft, const std::string& iniPath, QWidget* parent)
{
    MailSettings settings = MailSettings::load(IniFile(iniPath));
    MailComposeDialog d(draft, settings, parent);
    d.iniPath_ = iniPath;
    if (mailComposeRunner()(d) != QDialog::Accepted) return false;
    draft = d.draft();
    return true;
}

} // namespace arv
