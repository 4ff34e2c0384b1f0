#include "ui/formdialog.h"

#include <QApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "common/mask.h"
#include "common/text.h"
#include "store/workspace.h"
#include "ui/fields.h"
#include "ui/popmsg.h"

namespace arv {

using namespace records;

FormDialog::FormDialog(const char* name, const char* title, std::vector<EditField> fields, QWidget* parent)
    : FormDialog(name, title, std::move(fields), parent, Check())
{
}

FormDialog::FormDialog(const char* name, const char* title, std::vector<EditField> fields, QWidget* parent,
                       Check check)
    : QDialog(parent ? parent : QApplication::activeWindow()), fields_(std::move(fields)), check_(std::move(check))
{
    setObjectName(name);
    setWindowTitle(QString::fromUtf8(title));
    auto* layout = new QVBoxLayout(this);
    layout_ = layout;
    auto* form = new QFormLayout;
    layout->addLayout(form);
    // The fields of one framed box follow each other: the box gets a form of its own.
    QFormLayout* box = nullptr;
    std::string boxCaption;
    for (const EditField& f : fields_) {
        QFormLayout* target = form;
        if (!f.group.empty()) {
            if (!box || boxCaption != f.group) {
                auto* frame = new QGroupBox(QString::fromStdString(f.group), this);
                box = new QFormLayout(frame);
                boxCaption = f.group;
                form->addRow(frame);
            }
            target = box;
        } else {
            box = nullptr;
        }
        const int width = f.kind == FieldKind::Date ? 8 : (f.width ? f.width : 35);
        QWidget* w = createFieldWidget(f, width, 0, this);
        if (f.pick) {
            auto* row = new QHBoxLayout;
            row->addWidget(w, 1);
            auto* b = new QPushButton(QStringLiteral("..."), this);
            b->setObjectName(QStringLiteral("b%1").arg(f.id + 1000));
            b->setFixedWidth(28);
            b->setFocusPolicy(Qt::NoFocus);
            row->addWidget(b);
            const int id = f.id;
            connect(b, &QPushButton::clicked, this, [this, id] { pick(id); });
            for (Qt::Key key : {Qt::Key_F4, Qt::Key_F12}) {
                auto* s = new QShortcut(QKeySequence(key), w, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
                connect(s, &QShortcut::activated, this, [this, id] { pick(id); });
            }
            target->addRow(QString::fromStdString(f.label), row);
        } else {
            target->addRow(QString::fromStdString(f.label), w);
        }
        widgets_.push_back(w);
        const size_t i = widgets_.size() - 1;
        watchFieldWidget(w, [this, i] {
            markInvalid(widgets_[i], false);
            // Choosing an option unticks the others of its box.
            if (fields_[i].radio)
                for (size_t k = 0; k < fields_.size(); ++k)
                    if (k != i && fields_[k].radio && fields_[k].group == fields_[i].group)
                        setFieldWidgetValue(widgets_[k], "F");
            if (fields_[i].changed) {
                EditValues v = values();
                const EditValues before = v;
                fields_[i].changed(v);
                for (size_t k = 0; k < widgets_.size(); ++k)
                    if (k != i && v.at(k) != before.at(k)) setFieldWidgetValue(widgets_[k], v.at(k));
            }
            updateEnabled();
        });
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
    updateEnabled();
}

void FormDialog::set(int id, const std::string& value)
{
    for (size_t i = 0; i < fields_.size(); ++i)
        if (fields_[i].id == id) setFieldWidgetValue(widgets_[i], value);
    updateEnabled();
}

void FormDialog::updateEnabled()
{
    const EditValues v = values();
    for (size_t i = 0; i < fields_.size(); ++i)
        if (fields_[i].enabled) widgets_[i]->setEnabled(fields_[i].enabled(v));
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
    if (check_)
        if (auto failure = check_(v)) {
            POPMSG(failure->second, 1);
            for (size_t i = 0; i < fields_.size(); ++i)
                if (fields_[i].id == failure->first) {
                    markInvalid(widgets_[i], true);
                    widgets_[i]->setFocus();
                }
            return;
        }
    if (finalCheck_ && !finalCheck_()) return;
    accept();
}

void FormDialog::addWidget(QWidget* widget)
{
    // Above the row of the buttons, the last item of the layout.
    layout_->insertWidget(layout_->count() - 1, widget);
}

void FormDialog::pick(int id)
{
    for (size_t i = 0; i < fields_.size(); ++i) {
        if (fields_[i].id != id || !fields_[i].pick || !widgets_[i]->isEnabled()) continue;
        if (std::optional<std::string> chosen = fields_[i].pick(store::workspace(), values())) {
            setFieldWidgetValue(widgets_[i], *chosen);
            markInvalid(widgets_[i], false);
            updateEnabled();
        }
    }
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
