// The small dialogs of a register's buttons (a generation, a period to print, the criteria of a
// statistic): a form of edit fields with their masks, lists and rules, "&Conferma" and "&Annulla".
// A field's `changed` hook may fill the others and its `enabled` rule follows the values shown;
// "&Conferma" re-checks every field, then the dialog's own check, and stays open on a failure.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <QDialog>

#include "common/date.h"
#include "records/register.h"

namespace arv {

class FormDialog : public QDialog {
public:
    // A check of the whole form: the failing field's id and the message, or nullopt.
    using Check = std::function<std::optional<std::pair<int, std::string>>(const records::EditValues&)>;

    FormDialog(const char* name, const char* title, std::vector<records::EditField> fields,
               QWidget* parent = nullptr, Check check = {});

    void set(int id, const std::string& value);
    QWidget* field(int id) const;
    records::EditValues values() const;
    std::string text(std::string_view field) const;
    Date date(std::string_view field) const;

    // "&Conferma": the checks, then accept().
    void confirm();

private:
    void updateEnabled();

    std::vector<records::EditField> fields_;
    std::vector<QWidget*> widgets_;
    Check check_;
};

// A field of such a form that must be filled (a date: a valid one).
records::EditField requiredField(records::EditField f);

} // namespace arv
