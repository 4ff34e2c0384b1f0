#include "ui/msgget.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>
#include <QVBoxLayout>

#include <cctype>

namespace arv {

SimpleMask parseSimpleMask(const std::string& mask)
{
    SimpleMask m;
    std::string rest = mask;
    if (!rest.empty() && rest[0] == '@') {
        size_t space = rest.find(' ');
        std::string functions = rest.substr(1, space == std::string::npos ? std::string::npos : space - 1);
        m.upper = functions.find('!') != std::string::npos;
        rest = space == std::string::npos ? std::string() : rest.substr(space + 1);
    }
    m.pattern = rest;
    if (m.pattern.find('!') != std::string::npos) m.upper = true;
    return m;
}

bool fitsPattern(const std::string& text, const std::string& pattern)
{
    if (pattern.empty()) return true;
    QString t = QString::fromStdString(text);
    if (t.size() > static_cast<qsizetype>(pattern.size())) return false;
    for (qsizetype i = 0; i < t.size(); ++i) {
        QChar c = t[i];
        switch (pattern[static_cast<size_t>(i)]) {
        case '9':
            if (!c.isDigit()) return false;
            break;
        case 'A':
            if (!c.isLetter()) return false;
            break;
        default: break;
        }
    }
    return true;
}

namespace {

class MaskValidator : public QValidator {
public:
    MaskValidator(SimpleMask mask, QObject* parent) : QValidator(parent), mask_(std::move(mask)) {}
    State validate(QString& input, int&) const override
    {
        if (mask_.upper) input = input.toUpper();
        return fitsPattern(input.toStdString(), mask_.pattern) ? Acceptable : Invalid;
    }

private:
    SimpleMask mask_;
};

} // namespace

QDialog* createMsgGetDialog(const std::string& title, const std::string& prompt, const std::string& value,
                            const std::string& mask, QWidget* parent)
{
    auto* dialog = new QDialog(parent);
    dialog->setWindowTitle(QString::fromStdString(title));
    auto* layout = new QVBoxLayout(dialog);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QString::fromStdString(prompt)));
    auto* edit = new QLineEdit(QString::fromStdString(value));
    edit->setObjectName("value");
    SimpleMask m = parseSimpleMask(mask);
    if (m.upper || !m.pattern.empty()) edit->setValidator(new MaskValidator(m, edit));
    if (!m.pattern.empty()) {
        edit->setMaxLength(static_cast<int>(m.pattern.size()));
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QString(static_cast<int>(m.pattern.size()) + 2, 'M')));
    } else {
        edit->setMinimumWidth(200);
    }
    row->addWidget(edit, 1);
    layout->addLayout(row);
    auto* buttons = new QDialogButtonBox;
    QPushButton* ok = buttons->addButton("&Conferma", QDialogButtonBox::AcceptRole);
    buttons->addButton("&Annulla", QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    layout->addWidget(buttons);
    return dialog;
}

bool MSGGET(const std::string& title, const std::string& prompt, std::string& value, const std::string& mask)
{
    std::unique_ptr<QDialog> dialog(createMsgGetDialog(title, prompt, value, mask, QApplication::activeWindow()));
    if (dialog->exec() != QDialog::Accepted) return false;
    value = dialog->findChild<QLineEdit*>("value")->text().toStdString();
    return true;
}

namespace {

struct InfosAction {
    std::string caption;
    std::function<void(QWidget*)> action;
};

InfosAction& infosAction()
{
    static InfosAction a;
    return a;
}

} // namespace

void setInfosAction(std::string caption, std::function<void(QWidget* parent)> action)
{
    infosAction() = InfosAction{std::move(caption), std::move(action)};
}

QDialog* createInfosDialog(const std::string& program, const std::string& version, const std::string& year,
                           QWidget* parent)
{
    auto* dialog = new QDialog(parent);
    dialog->setWindowTitle("Informazioni");
    auto* layout = new QVBoxLayout(dialog);
    auto* name = new QLabel(QString::fromStdString(program));
    QFont big = name->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    name->setFont(big);
    name->setAlignment(Qt::AlignCenter);
    layout->addWidget(name);
    auto addLine = [&](const std::string& text) {
        auto* label = new QLabel(QString::fromStdString(text));
        label->setAlignment(Qt::AlignCenter);
        layout->addWidget(label);
        return label;
    };
    addLine("Versione: " + version);
    addLine(year);
    layout->addSpacing(8);
    QLabel* data = addLine(kDataAttribution);
    QFont small = data->font();
    small.setPointSize(std::max(6, small.pointSize() - 1));
    data->setFont(small);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    buttons->button(QDialogButtonBox::Ok)->setText("OK");
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    if (!infosAction().caption.empty() && infosAction().action) {
        QPushButton* extra = buttons->addButton(QString::fromStdString(infosAction().caption), QDialogButtonBox::ActionRole);
        const auto action = infosAction().action;
        QObject::connect(extra, &QPushButton::clicked, dialog, [dialog, action] { action(dialog); });
    }
    layout->addWidget(buttons);
    return dialog;
}

void INFOS(const std::string& program, const std::string& version, const std::string& year, QWidget* parent)
{
    std::unique_ptr<QDialog> dialog(
        createInfosDialog(program, version, year, parent ? parent : QApplication::activeWindow()));
    dialog->exec();
}

} // namespace arv
