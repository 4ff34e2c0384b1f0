// The screens of the agency's forms: the chooser MODULISTICA, reopened after each form until
// "&Annulla", and the one dialog every form description runs on (the register pattern's edit
// dialog): "&Conferma" shows the preview, "&PDF" writes a PDF file, "&Fax" prints on the printer
// "Fax"; after each the dialog opens again with the values typed.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QDialog>

#include "records/register.h"
#include "reporting/forms.h"
#include "ui/register.h"

class QRadioButton;

namespace arv::reporting {

inline constexpr int kFormPdfButton = 301;
inline constexpr int kFormFaxButton = 302;

// The chooser: the 25 forms as option buttons, "&Conferma" and "&Annulla".
class FormChooser : public QDialog {
public:
    explicit FormChooser(QWidget* parent = nullptr);
    // The form chosen (the first one when the chooser opens).
    const FormDesc* chosen() const;
    void choose(size_t index);

private:
    std::vector<QRadioButton*> buttons_;
};

// The dialog of FORM on VALUES: "&Annulla" closes it without questions.
class FormEditDialog : public EditDialog {
public:
    FormEditDialog(const FormDesc& form, const records::EditValues& values, QWidget* parent = nullptr);
    void reject() override { QDialog::reject(); }
};

// The register description FORM's dialog runs on (kept for the program's life).
const records::RegisterDesc& formDialogDescription(const FormDesc& form);

// One form: its dialog, the print chosen, the dialog again, until "&Annulla".
void runForm(const FormDesc& form);

// MODULISTICA: the chooser and the forms chosen, until "&Annulla".
void MODULISTICA();

// How the chooser and the forms' dialogs run (exec() by default): tests drive them themselves.
std::function<int(QDialog&)>& formDialogRunner();

// Hands the entry function to ADD.
void addFormEntries(const std::function<void(const std::string& name, std::function<void()> entry)>& add);

} // namespace arv::reporting
