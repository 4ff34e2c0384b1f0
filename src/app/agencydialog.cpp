#include "app/agencydialog.h"

#include "common/checks.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/popmsg.h"

namespace arv {

const std::vector<AgencyFieldDef>& agencyFields()
{
    static const std::vector<AgencyFieldDef> fields = {
        {"Ragione sociale:", &AgencyDetails::name, 60, false},
        {"Attività:", &AgencyDetails::activity, 60, false},
        {"Indirizzo:", &AgencyDetails::address, 60, false},
        {"CAP:", &AgencyDetails::postCode, 5, false},
        {"Città:", &AgencyDetails::town, 40, false},
        {"Provincia:", &AgencyDetails::province, 2, true},
        {"Partita IVA:", &AgencyDetails::vatNumber, 11, false},
        {"Codice fiscale:", &AgencyDetails::taxCode, 16, true},
        {"Telefono:", &AgencyDetails::telephone, 20, false},
        {"Fax:", &AgencyDetails::fax, 20, false},
        {"E-mail:", &AgencyDetails::email, 60, false},
        {"Cellulare:", &AgencyDetails::mobile, 20, false},
        {"PEC:", &AgencyDetails::pec, 60, false},
        {"Banca:", &AgencyDetails::bankName, 60, false},
        {"IBAN:", &AgencyDetails::iban, 27, true},
        {"Luogo firma:", &AgencyDetails::signaturePlace, 40, false},
        {"Indirizzo privacy:", &AgencyDetails::privacyAddress, 60, false},
    };
    return fields;
}

AgencyDialog::AgencyDialog(const AgencyDetails& details, QWidget* parent) : QDialog(parent), original_(details)
{
    setWindowTitle("Dati agenzia");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    for (const AgencyFieldDef& f : agencyFields()) {
        auto* edit = new QLineEdit(QString::fromStdString(details.*f.member));
        edit->setMaxLength(f.maxLength);
        int chars = std::min(f.maxLength, 40) + 2;
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QString(chars, 'M')) * 2 / 3);
        if (f.upper)
            connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) {
                int pos = edit->cursorPosition();
                edit->setText(text.toUpper());
                edit->setCursorPosition(pos);
            });
        form->addRow(QString::fromUtf8(f.label), edit);
        edits_.push_back(edit);
    }
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox;
    QPushButton* ok = buttons->addButton("&Conferma", QDialogButtonBox::AcceptRole);
    buttons->addButton("&Annulla", QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

AgencyDetails AgencyDialog::details() const
{
    AgencyDetails d = original_; // items the dialog does not show are kept
    const auto& fields = agencyFields();
    for (size_t i = 0; i < fields.size(); ++i) d.*fields[i].member = edits_[i]->text().trimmed().toStdString();
    return d;
}

QLineEdit* AgencyDialog::field(const std::string AgencyDetails::*member) const
{
    const auto& fields = agencyFields();
    for (size_t i = 0; i < fields.size(); ++i)
        if (fields[i].member == member) return edits_[i];
    return nullptr;
}

std::string agencyProblem(const AgencyDetails& d)
{
    if (!d.vatNumber.empty() && !ISIVA(d.vatNumber)) return "Partita IVA non valida.";
    if (!d.taxCode.empty() && !ISCOD(d.taxCode)) return "Codice fiscale non valido.";
    if (!d.iban.empty() && !ISIBAN(d.iban)) return "Codice IBAN non valido.";
    if (!d.email.empty() && !ISEMAIL(d.email)) return "Indirizzo e-mail non valido.";
    if (!d.pec.empty() && !ISEMAIL(d.pec)) return "Indirizzo PEC non valido.";
    return std::string();
}

bool editAgency(const AgencyStore& store, QWidget* parent)
{
    AgencyDetails current = store.load ? store.load() : AgencyDetails{};
    AgencyDialog dialog(current, parent ? parent : QApplication::activeWindow());
    while (dialog.exec() == QDialog::Accepted) {
        AgencyDetails edited = dialog.details();
        if (edited == current) return false;
        std::string wrong = agencyProblem(edited);
        if (!wrong.empty()) {
            POPMSG(wrong, 1);
            continue;
        }
        std::string error;
        if (!store.save) return false;
        if (store.save(edited, &error)) return true;
        POPMSG(error.empty() ? std::string("Impossibile salvare i dati dell'agenzia.") : error, 1);
    }
    return false;
}

} // namespace arv
