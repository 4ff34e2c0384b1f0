#include "common/text.h"
#include "ui/fields.h"

#include <QKeyEvent>
#include <QFont>
#include <QPlainTextEdit>
#include <QRadioButton>

namespace arv {

namespace {

ValueKind valueKind(records::FieldKind k)
{
    switch (k) {
    case records::FieldKind::Number: return ValueKind::Number;
    case records::FieldKind::Date: return ValueKind::Date;
    default: return ValueKind::Text;
    }
}

std::string dateMask() { return "99/99/99"; }

} // namespace

MaskedLineEdit::MaskedLineEdit(const std::string& mask, ValueKind kind, int fieldWidth, int fieldDecimals,
                               QWidget* parent)
    : QLineEdit(parent),
      mask_(kind == ValueKind::Date ? dateMask() : mask),
      kind_(kind),
      edit_(mask_, kind == ValueKind::Date ? ValueKind::Text : kind, fieldWidth, fieldDecimals),
      decimals_(fieldDecimals),
      width_(fieldWidth)
{
    if (kind_ == ValueKind::Number) setAlignment(Qt::AlignRight);
    if (templated()) {
        setMaxLength(edit_.length());
        setValue(std::string());
    } else if (kind_ == ValueKind::Text && fieldWidth > 0) {
        setMaxLength(fieldWidth);
    } else if (kind_ == ValueKind::Number && mask_.hasTemplate()) {
        setMaxLength(mask_.width());
    }
    QFontMetrics fm(font());
    const bool fixed = templated() || kind_ == ValueKind::Number;
    int chars = templated() ? edit_.length()
                : kind_ == ValueKind::Number ? (mask_.hasTemplate() ? mask_.width() : std::max(fieldWidth, 6))
                : (fieldWidth > 0 ? std::min(fieldWidth, 40) : 20);
    const int pixels = fm.horizontalAdvance(QString(chars + 1, QLatin1Char('0'))) + 12;
    if (fixed) {
        // Dates, codes and amounts keep the width of their mask.
        setFixedWidth(pixels);
        setSizePolicy(QSizePolicy::Fixed, sizePolicy().verticalPolicy());
    } else {
        setMinimumWidth(pixels);
    }
    connect(this, &QLineEdit::textEdited, this, [this] { userChanged(); });
}

void MaskedLineEdit::userChanged()
{
    if (onUserChange) onUserChange();
}

std::string MaskedLineEdit::value() const
{
    std::string t = text().toStdString();
    if (kind_ == ValueKind::Date) return t; // "  /  /  " whole, as the empty date shows
    if (kind_ == ValueKind::Number) {
        size_t b = t.find_first_not_of(' ');
        t = b == std::string::npos ? std::string() : t.substr(b);
    }
    return rtrim(t);
}

void MaskedLineEdit::setValue(const std::string& value)
{
    if (templated()) {
        std::u32string layout;
        QString shown;
        if (kind_ == ValueKind::Date) {
            QString v = QString::fromStdString(value);
            shown = v.isEmpty() ? QStringLiteral("  /  /  ") : v.leftJustified(8, ' ');
        } else {
            shown = QString::fromStdString(mask_.formatText(value));
        }
        setText(shown.left(edit_.length()).leftJustified(edit_.length(), ' '));
        setCursorPosition(0);
        return;
    }
    setText(QString::fromStdString(value));
}

void MaskedLineEdit::keyPressEvent(QKeyEvent* event)
{
    const QString typed = event->text();
    const bool printable = !typed.isEmpty() && typed[0].isPrint() && !(event->modifiers() & Qt::ControlModifier);
    if (templated()) {
        QString t = text();
        int pos = cursorPosition();
        if (printable) {
            int p = pos;
            if (p < edit_.length() && !edit_.isEditable(p)) p = edit_.nextEditable(p);
            if (p < 0 || p >= edit_.length()) return;
            std::optional<char32_t> c = edit_.accept(p, typed.toUcs4().value(0));
            if (!c) return;
            t[p] = QChar(static_cast<char16_t>(*c));
            setText(t);
            int next = edit_.nextEditable(p);
            setCursorPosition(next < 0 ? edit_.length() : next);
            userChanged();
            return;
        }
        if (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete) {
            int p = event->key() == Qt::Key_Backspace ? edit_.previousEditable(pos) : (edit_.isEditable(pos) ? pos : edit_.nextEditable(pos));
            if (p < 0 || p >= edit_.length()) return;
            t[p] = ' ';
            setText(t);
            setCursorPosition(p);
            userChanged();
            return;
        }
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (printable) {
        QString t = typed;
        if (kind_ == ValueKind::Number) {
            for (QChar c : t)
                if (!c.isDigit() && c != ',' && c != '.' && c != '-' && c != ' ') return;
        } else if (mask_.upperAll()) {
            QKeyEvent upper(event->type(), event->key(), event->modifiers(), t.toUpper());
            QLineEdit::keyPressEvent(&upper);
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void MaskedLineEdit::focusOutEvent(QFocusEvent* event)
{
    if (kind_ == ValueKind::Number && !mask_.picture().empty()) {
        if (std::optional<Decimal> d = mask_.parseNumber(text().toStdString()); d && mask_.fits(*d, decimals_, width_))
            setText(QString::fromStdString(mask_.formatNumber(*d, decimals_, width_)).trimmed());
    }
    QLineEdit::focusOutEvent(event);
}

std::string checkValue(const QCheckBox* box)
{
    switch (box->checkState()) {
    case Qt::Checked: return "T";
    case Qt::Unchecked: return "F";
    default: return std::string();
    }
}

void setCheckValue(QCheckBox* box, const std::string& value)
{
    if (value == "T") box->setCheckState(Qt::Checked);
    else if (value == "F" || !box->isTristate()) box->setCheckState(Qt::Unchecked);
    else box->setCheckState(Qt::PartiallyChecked);
}

QWidget* createFieldWidget(const records::EditField& f, int width, int decimals, QWidget* parent)
{
    using records::FieldKind;
    QWidget* w = nullptr;
    switch (f.kind) {
    case FieldKind::Logical:
        if (f.radio) {
            // The register's hooks keep one of the set ticked.
            auto* option = new QRadioButton(parent);
            option->setAutoExclusive(false);
            w = option;
            break;
        }
        [[fallthrough]];
    case FieldKind::TriState: {
        auto* box = new QCheckBox(parent);
        box->setTristate(f.kind == FieldKind::TriState);
        w = box;
        break;
    }
    case FieldKind::Choice: {
        auto* combo = new QComboBox(parent);
        combo->setEditable(f.typedChoice);
        if (f.list)
            for (const std::string& v : f.list()) combo->addItem(QString::fromStdString(v));
        combo->setMinimumContentsLength(std::min(std::max(width, 10), 40));
        combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        w = combo;
        break;
    }
    case FieldKind::Memo: {
        auto* memo = new QPlainTextEdit(parent);
        memo->setMinimumHeight(80);
        w = memo;
        break;
    }
    default:
        w = new MaskedLineEdit(f.mask, valueKind(f.kind), f.width > 0 ? f.width : width, decimals, parent);
    }
    if (!f.fontFamily.empty()) {
        QFont font(QString::fromStdString(f.fontFamily));
        if (f.fontSize > 0) font.setPointSize(f.fontSize);
        w->setFont(font);
    }
    w->setObjectName(QStringLiteral("f%1").arg(f.id));
    w->setProperty("fieldId", f.id);
    return w;
}

std::string fieldWidgetValue(const QWidget* w)
{
    if (auto* e = qobject_cast<const QLineEdit*>(w)) {
        if (auto* m = dynamic_cast<const MaskedLineEdit*>(e)) return m->value();
        return rtrim(e->text().toStdString());
    }
    if (auto* b = qobject_cast<const QCheckBox*>(w)) return checkValue(b);
    if (auto* r = qobject_cast<const QRadioButton*>(w)) return r->isChecked() ? "T" : "F";
    if (auto* c = qobject_cast<const QComboBox*>(w)) return rtrim(c->currentText().toStdString());
    if (auto* p = qobject_cast<const QPlainTextEdit*>(w)) return p->toPlainText().toStdString();
    return std::string();
}

void setFieldWidgetValue(QWidget* w, const std::string& value)
{
    const QSignalBlocker block(w);
    if (auto* m = dynamic_cast<MaskedLineEdit*>(w)) m->setValue(value);
    else if (auto* e = qobject_cast<QLineEdit*>(w)) e->setText(QString::fromStdString(value));
    else if (auto* b = qobject_cast<QCheckBox*>(w)) setCheckValue(b, value);
    else if (auto* r = qobject_cast<QRadioButton*>(w)) r->setChecked(value == "T");
    else if (auto* c = qobject_cast<QComboBox*>(w)) {
        int i = c->findText(QString::fromStdString(value));
        if (i < 0 && !value.empty()) {
            if (c->isEditable()) c->setEditText(QString::fromStdString(value));
            else {
                c->addItem(QString::fromStdString(value));
                c->setCurrentIndex(c->count() - 1);
            }
        } else {
            c->setCurrentIndex(i < 0 ? (c->findText(QString()) >= 0 ? c->findText(QString()) : -1) : i);
        }
    } else if (auto* p = qobject_cast<QPlainTextEdit*>(w)) p->setPlainText(QString::fromStdString(value));
}

void watchFieldWidget(QWidget* w, const std::function<void()>& changed)
{
    if (auto* m = dynamic_cast<MaskedLineEdit*>(w)) m->onUserChange = changed;
    else if (auto* e = qobject_cast<QLineEdit*>(w)) QObject::connect(e, &QLineEdit::textEdited, w, changed);
    else if (auto* b = qobject_cast<QCheckBox*>(w)) QObject::connect(b, &QCheckBox::clicked, w, changed);
    else if (auto* r = qobject_cast<QRadioButton*>(w)) {
        // An option is chosen, never unticked by a click: choosing another unticks it.
        QObject::connect(r, &QRadioButton::clicked, w, [r, changed] {
            if (!r->isChecked()) {
                const QSignalBlocker block(r);
                r->setChecked(true);
            }
            changed();
        });
    }
    else if (auto* c = qobject_cast<QComboBox*>(w)) {
        QObject::connect(c, &QComboBox::activated, w, changed);
        if (c->lineEdit()) QObject::connect(c->lineEdit(), &QLineEdit::textEdited, w, changed);
    } else if (auto* p = qobject_cast<QPlainTextEdit*>(w)) {
        QObject::connect(p, &QPlainTextEdit::textChanged, w, changed);
    }
}

void markInvalid(QWidget* w, bool invalid)
{
    w->setStyleSheet(invalid ? QStringLiteral("background-color: #ff6060;") : QString());
}

} // namespace arv
