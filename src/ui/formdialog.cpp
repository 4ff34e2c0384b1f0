#include "ui/formdialog.h"

#include <QApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/mask.h"
#include "common/text.h"
#include "ui/fields.h"
#include "ui/popmsg.h"

namespace arv {

using namespace records;

FormDialog::FormDialog(const char* name, const char* title, std::vector<EditField> fields, QWidget* parent)
    : QDialog(parent ? parent : QApplication::activeWindow()), fields_(std::move(fields))
{
    setObjectName(name);
    setWindowTitle(QString::fromUtf8(title));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    for (const EditField& f : fields_) {
        const int width = f.kind == FieldKind::Date ? 8 : (f.width ? f.width : 35);
        QWidget* w = createFieldWidget(f, width, 0, this);
        form->addRow(QString::fromStdString(f.label), w);
        widgets_.push_back(w);
    }
    auto* row = new QHBoxLayout;
    row->addStretch();
    auto* ok = new QPushButton(QStringLiteral("&Conferma"), this);
    auto* cancel = new QPushButton(QStringLiteral("&Annulla"), this);
    ok->setDefault(true);
    row->addWidget(ok);
    row->addWidget(cancel);
    layout->addLayout(row);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ok, &QPushButton::clicked, this, [this] { confirm(); });
}

void FormDialog::set(int id, const std::string& value)
{
    for (size_t i = 0; i < fields_.size(); ++i)
        if (fields_[i].id == id) setFieldWidgetValue(widgets_[i], value);
}

EditValues FormDialog::values() const
{
    EditValues v(fields_);
    for (size_t i = 0; i < fields_.size(); ++i) v.setAt(i, fieldWidgetValue(widgets_[i]));
    return v;
}

std::string FormDialog::text(std::string_view field) const { return trim(values().get(field)); }
Date FormDialog::date(std::string_view field) const { return Date::fromDisplay(values().get(field)); }
Decimal FormDialog::number(std::string_view field) const { return values().number(field); }

QWidget* FormDialog::field(int id) const
{
    for (size_t i = 0; i < fields_.size(); ++i)
        if (fields_[i].id == id) return widgets_[i];
    return nullptr;
}

void FormDialog::confirm()
{
    const EditValues v = values();
    for (QWidget* w : widgets_) markInvalid(w, false);
    if (auto failure = recheckValues(fields_, v)) {
        markInvalid(widgets_[failure->index], true);
        POPMSG(failure->message, 1);
        widgets_[failure->index]->setFocus();
        return;
    }
    accept();
}

EditField requiredField(EditField f)
{
    if (f.kind == FieldKind::Date)
        f.rule = [](const std::string& value, const EditValues&) { return bool(Date::fromDisplay(value)); };
    else
        f.rule = requiredRule;
    return f;
}

} // namespace arv
