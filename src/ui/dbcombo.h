// Drop-down of values under an edit field. The values come from a callback (typically one field of
// a table in a given order, narrowed by a condition); choosing one puts it into the field. The
// field opens the list with F4, F12 or the small button beside it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QWidget>

class QLineEdit;
class QListWidget;
class QToolButton;

namespace arv {

using ComboValues = std::function<std::vector<std::string>()>;

// The values in their order, each once when UNIQUE (the first occurrence stays).
std::vector<std::string> comboValues(std::vector<std::string> values, bool unique);

// Shows the pop-up list of VALUES under FIELD; choosing a value (click, Enter) puts it into the
// field and closes the list, Esc closes it unchanged. The list opens on the field's current text
// when it is among the values. Gives the list (owned by the field, deleted when it closes).
QListWidget* DBCOMBO(QLineEdit* field, const std::vector<std::string>& values, bool unique = false);

// An edit field with the drop-down button.
class ComboEdit : public QWidget {
public:
    explicit ComboEdit(ComboValues values, bool unique = false, QWidget* parent = nullptr);

    QLineEdit* edit() const { return edit_; }
    QToolButton* button() const { return button_; }
    std::string text() const;
    void setText(const std::string& text);

    // Opens the list (what F4, F12 and the button do); gives it for tests.
    QListWidget* openList();
    QListWidget* list() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ComboValues values_;
    bool unique_;
    QLineEdit* edit_;
    QToolButton* button_;
};

} // namespace arv
