// A small dialog of a few fields with their rules, "&Conferma" and "&Annulla": the dialogs of a
// register's own buttons (a period, a date and an account, a setting). "&Conferma" re-checks every
// field as an edit dialog does; the first failure is shown in red with its message, takes the focus,
// and the dialog stays open.
//
//   FormDialog d("RIENTROC", "Rientro", {requiredField(dateField(101, "Data:", "DATA")), ...});
//   d.set(101, Date::today().toDisplay());
//   if (d.exec() == QDialog::Accepted) use(d.date("DATA"));
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <QDialog>

#include "common/date.h"
#include "common/decimal.h"
#include "records/register.h"

namespace arv {

class FormDialog : public QDialog {
public:
    FormDialog(const char* name, const char* title, std::vector<records::EditField> fields, QWidget* parent = nullptr);

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

private:
    std::vector<records::EditField> fields_;
    std::vector<QWidget*> widgets_;
};

// A field that must be filled (a date: a valid one).
records::EditField requiredField(records::EditField field);

} // namespace arv
