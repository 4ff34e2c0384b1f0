// Edit controls of the dialogs: masked edit fields ("@!", "@E 99,999.99", "@Z", "99999", "A",
// "@! AA", "99/99/99" for dates ...), three-state check boxes and combo boxes. Each tells when the
// user (not the program) changed it, for the modified flag of its dialog.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "common/mask.h"
#include "records/register.h"

namespace arv {

// A line edit that applies a display mask while the user types. With a template the text has
// the template's length: literals stay in place, each position takes only what the template
// allows, typing overwrites. Without a template a text field takes at most its width (upper-cased
// under "@!"), a number field digits and separators, shown through the mask when the field is
// left. Dates edit "dd/mm/yy".
class MaskedLineEdit : public QLineEdit {
public:
    MaskedLineEdit(const std::string& mask, ValueKind kind, int fieldWidth = 0, int fieldDecimals = 0,
                   QWidget* parent = nullptr);

    // The value's text without trailing blanks (dates and templates keep their literals).
    std::string value() const;
    void setValue(const std::string& text);
    const Mask& mask() const { return mask_; }
    ValueKind kind() const { return kind_; }
    // Called whenever the user changes the text.
    std::function<void()> onUserChange;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool templated() const
    {
        return kind_ != ValueKind::Number && edit_.length() > 0 && (mask_.hasTemplate() || kind_ == ValueKind::Date);
    }
    void userChanged();

    Mask mask_;
    ValueKind kind_;
    MaskEdit edit_;
    int decimals_;
    int width_;
};

// "T", "F" or "" (the third state) of a check box.
std::string checkValue(const QCheckBox* box);
void setCheckValue(QCheckBox* box, const std::string& value);

// The control of an edit field (kind, mask, list); WIDTH and DECIMALS describe the stored field.
QWidget* createFieldWidget(const records::EditField& field, int width, int decimals, QWidget* parent = nullptr);
// The value a field's control shows, and setting it without counting as a change.
std::string fieldWidgetValue(const QWidget* widget);
void setFieldWidgetValue(QWidget* widget, const std::string& value);
// Calls CHANGED whenever the user changes the control.
void watchFieldWidget(QWidget* widget, const std::function<void()>& changed);
// The red background of a field that failed its check.
void markInvalid(QWidget* widget, bool invalid);

} // namespace arv
