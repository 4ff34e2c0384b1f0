// A small dialog of a few fields with their rules, "&Conferma" and "&Annulla": the dialogs of a
// register's own buttons (a period, a date and an account, a setting). "&Conferma" re-checks every
// field as an edit dialog does; the first failure is shown in red with its message, takes the focus,
// and the dialog stays open. A field's `changed` hook may fill the others and its `enabled` rule
// follows the values shown; a check of the whole form (`Check`) runs after the fields' own. A field
// with a `pick`er gets its button beside it (F4 and F12 in the field open it too). Fields with a
// `group` sit in a framed box of that caption; the `radio` fields of one box are a set of options of
// which choosing one unticks the others.
//
//   FormDialog d("RIENTROC", "Rientro", {requiredField(dateField(101, "Data:", "DATA")), ...});
//   d.set(101, Date::today().toDisplay());
//   if (d.exec() == QDialog::Accepted) use(d.date("DATA"));
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <QDialog>

#include "common/date.h"
#include "common/decimal.h"
#include "records/register.h"

class QVBoxLayout;

namespace arv {

class FormDialog : public QDialog {
public:
    FormDialog(const char* name, const char* title, std::vector<records::EditField> fields, QWidget* parent = nullptr);
    // A check of the whole form after the fields' own: the failing field's id and the message.
    using Check = std::function<std::optional<std::pair<int, std::string>>(const records::EditValues&)>;
    FormDialog(const char* name, const char* title, std::vector<records::EditField> fields, QWidget* parent,
               Check check);

    // Shows VALUE in field ID (not counted as typing).
    void set(int id, const std::string& value);
    records::EditValues values() const;
    // A value by table field name: text trimmed, a date, a number ("" / empty / 0 when absent).
    std::string text(std::string_view field) const;
    Date date(std::string_view field) const;
    Decimal number(std::string_view field) const;
    QWidget* field(int id) const;

    // "&Conferma": accepted when every field passes its re-check.
    void confirm();

    // Adds WIDGET below the fields, above "&Conferma" and "&Annulla" (a group of settings).
    void addWidget(QWidget* widget);
    // A last check after the fields' and the form's own, for a widget added that shows its own
    // message: false keeps the dialog open.
    void setFinalCheck(std::function<bool()> check) { finalCheck_ = std::move(check); }
    // The picker of field ID (its button, F4 or F12): the value chosen goes in as if typed.
    void pick(int id);

private:
    // Fields whose rule of use depends on the others follow them.
    void updateEnabled();

    std::vector<records::EditField> fields_;
    std::vector<QWidget*> widgets_;
    Check check_;
    std::function<bool()> finalCheck_;
    QVBoxLayout* layout_ = nullptr;
};

// A field that must be filled (a date: a valid one).
records::EditField requiredField(records::EditField field);

} // namespace arv
