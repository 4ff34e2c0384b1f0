#include "ui/register.h"

#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QColor>
#include <QCursor>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "common/cp1252.h"
#include "common/files.h"
#include "common/mask.h"
#include "store/schema/schema.h"
#include "records/excel.h"
#include "ui/fields.h"
#include "ui/popmsg.h"

namespace arv {

using namespace store;
using namespace records;

namespace {

// Room between the cells of a grid row and between its column headings.
constexpr int kGridSpacing = 6;

QString q(const std::string& s) { return QString::fromStdString(s); }

std::pair<int, int> widthOf(const Table* t, std::string_view field)
{
    if (!t) return {0, 0};
    int i = t->file().fieldIndex(field);
    if (i < 0) return {0, 0};
    const FieldDef& d = t->file().fields()[static_cast<size_t>(i)];
    return {d.width, d.decimals};
}

QPushButton* makeButton(QWidget* parent, int id, const QString& caption)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QStringLiteral("b%1").arg(id));
    b->setAutoDefault(false);
    return b;
}

// A field with its picker's button beside it ("b" + 1000 + id); DIALOG also watches the field for
// F4 and F12, which open the picker too.
QWidget* withPicker(QWidget* field, int id, QDialog* dialog, const std::function<void()>& pick)
{
    auto* row = new QWidget(dialog);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(2);
    line->addWidget(field, 1);
    QPushButton* b = makeButton(row, id + 1000, QStringLiteral("..."));
    b->setFixedWidth(b->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 16);
    b->setFocusPolicy(Qt::NoFocus);
    line->addWidget(b);
    QObject::connect(b, &QPushButton::clicked, dialog, pick);
    field->installEventFilter(dialog);
    return row;
}

} // namespace

// ---------------------------------------------------------------- model

RegisterModel::RegisterModel(const RegisterDesc& desc, Table& table, QObject* parent)
    : QAbstractTableModel(parent), desc_(desc), table_(table), window_(table)
{
}

int RegisterModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(std::min<uint64_t>(window_.size(), INT32_MAX));
}

int RegisterModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(desc_.columns.size());
}

std::optional<uint32_t> RegisterModel::recnoAt(int row) const
{
    if (row < 0) return std::nullopt;
    std::optional<NtxEntry> e = window_.entryAt(static_cast<uint64_t>(row));
    if (!e) return std::nullopt;
    return e->recno;
}

QVariant RegisterModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid()) return {};
    const size_t col = static_cast<size_t>(index.column());
    if (col >= desc_.columns.size()) return {};
    const Column& column = desc_.columns[col];
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue((column.centered ? Qt::AlignHCenter
                                    : column.right  ? Qt::AlignRight
                                                    : Qt::AlignLeft) |
                                   Qt::AlignVCenter);
    const bool colour = role == Qt::ForegroundRole && desc_.rowColor;
    if (role != Qt::DisplayRole && role != Qt::EditRole && !(role == Qt::CheckStateRole && column.checkBox) && !colour)
        return {};
    auto it = rows_.find(index.row());
    if (it == rows_.end()) {
        QStringList values;
        std::optional<uint32_t> rgb;
        if (std::optional<uint32_t> r = recnoAt(index.row())) {
            ++read_;
            table_.peek(*r, [&](const Table& t) {
                for (const Column& c : desc_.columns) values << (c.value ? q(c.value(t)) : QString());
                if (desc_.rowColor) rgb = desc_.rowColor(t);
            });
        }
        if (rows_.size() > 512) {
            rows_.clear();
            colors_.clear();
        }
        it = rows_.emplace(index.row(), values).first;
        colors_[index.row()] = rgb;
    }
    if (colour) {
        const std::optional<uint32_t>& rgb = colors_[index.row()];
        if (!rgb) return {};
        return QColor(static_cast<int>((*rgb >> 16) & 0xFF), static_cast<int>((*rgb >> 8) & 0xFF),
                      static_cast<int>(*rgb & 0xFF));
    }
    const QString value = it->second.value(index.column());
    if (column.checkBox) {
        if (role == Qt::CheckStateRole) return value == QStringLiteral("T") ? Qt::Checked : Qt::Unchecked;
        return {};
    }
    return value;
}

QVariant RegisterModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (section < 0 || static_cast<size_t>(section) >= desc_.columns.size()) return {};
    return q(desc_.columns[static_cast<size_t>(section)].header);
}

void RegisterModel::reload()
{
    beginResetModel();
    rows_.clear();
    colors_.clear();
    window_.refresh();
    endResetModel();
}

// ---------------------------------------------------------------- edit dialog

EditDialog::EditDialog(const RegisterDesc& desc, const EditValues& values, bool inserting, const Table* table,
                       QWidget* parent)
    : QDialog(parent), desc_(desc), table_(table)
{
    setObjectName(q(desc.editName));
    setWindowTitle(inserting ? kCaptionInsert : kCaptionModify);
    auto* layout = new QVBoxLayout(this);
    std::vector<QFormLayout*> forms;
    if (desc.pages.empty()) {
        auto* side = new QHBoxLayout;
        for (int c = 0; c < std::max(desc.formColumns, 1); ++c) {
            forms.push_back(new QFormLayout);
            side->addLayout(forms.back());
        }
        layout->addLayout(side);
    } else {
        // Each page with its fields in FORMCOLUMNS columns side by side.
        pages_ = new QTabWidget(this);
        for (const std::string& caption : desc.pages) {
            auto* page = new QWidget;
            auto* side = new QHBoxLayout(page);
            for (int c = 0; c < std::max(desc.formColumns, 1); ++c) {
                forms.push_back(new QFormLayout);
                side->addLayout(forms.back(), 1);
            }
            pages_->addTab(page, q(caption));
        }
        layout->addWidget(pages_);
    }
    const size_t columns = static_cast<size_t>(std::max(desc.formColumns, 1));
    std::vector<size_t> onPage(desc.pages.size()), placed(desc.pages.size());
    auto pageOf = [&](const EditField& f) {
        return std::min<size_t>(static_cast<size_t>(std::max(f.page, 0)), std::max<size_t>(desc.pages.size(), 1) - 1);
    };
    if (!desc.pages.empty())
        for (const EditField& f : desc.fields)
            if (!desc.isHidden(f.id) && !f.sameRow) ++onPage[pageOf(f)];
    size_t rows = 0, rowsPlaced = 0;
    for (const EditField& f : desc.fields) rows += f.sameRow ? 0 : 1;
    QHBoxLayout* line = nullptr; // the row that fields with sameRow join
    // Grids: the column of each field in its row, and the grid it belongs to (-1 none).
    struct Grid {
        std::vector<std::string> headings;
        std::vector<QLabel*> headingLabels;
        std::vector<std::vector<QWidget*>> cells; // by column
        std::vector<QHBoxLayout*> lines;
    };
    std::vector<Grid> grids;
    std::vector<int> gridOf(desc.fields.size(), -1);
    std::vector<size_t> columnOf(desc.fields.size(), 0);
    std::vector<bool> startsGrid(desc.fields.size(), false);
    {
        size_t i = 0;
        int open = -1;
        std::string openGroup;
        while (i < desc.fields.size()) {
            size_t end = i + 1;
            while (end < desc.fields.size() && desc.fields[end].sameRow) ++end;
            const size_t cells = end - i;
            bool headed = false;
            for (size_t k = i; k < end; ++k) headed = headed || !desc.fields[k].columnHeading.empty();
            if (headed) {
                Grid g;
                for (size_t k = i; k < end; ++k) g.headings.push_back(desc.fields[k].columnHeading);
                g.cells.resize(cells);
                grids.push_back(std::move(g));
                open = static_cast<int>(grids.size()) - 1;
                openGroup = desc.fields[i].group;
                startsGrid[i] = true;
            } else if (open < 0 || cells != grids[static_cast<size_t>(open)].cells.size() ||
                       desc.fields[i].group != openGroup) {
                open = -1;
            }
            for (size_t k = i; k < end; ++k) {
                gridOf[k] = open;
                columnOf[k] = k - i;
            }
            i = end;
        }
    }
    std::map<size_t, std::pair<std::string, QFormLayout*>> boxes; // the open framed box of each column
    for (size_t i = 0; i < desc.fields.size(); ++i) {
        const EditField& f = desc.fields[i];
        auto [width, decimals] = widthOf(table, f.field);
        QWidget* w = createFieldWidget(f, width, decimals, this);
        // A list that also takes typed text takes it up to the field's width.
        if (auto* c = qobject_cast<QComboBox*>(w); c && c->lineEdit() && width > 0) c->lineEdit()->setMaxLength(width);
        setFieldWidgetValue(w, values.at(i));
        if (!f.tooltip.empty()) w->setToolTip(q(f.tooltip));
        if (f.readOnly) {
            if (auto* e = qobject_cast<QLineEdit*>(w)) e->setReadOnly(true);
            else w->setEnabled(false);
            w->setFocusPolicy(Qt::NoFocus);
        }
        watchFieldWidget(w, [this, w, i] {
            modified_ = true;
            markInvalid(w, false);
            if (desc_.fields[i].changed) {
                // The field fills others: they show what it gave them.
                const EditValues before = this->values();
                EditValues after = before;
                desc_.fields[i].changed(after);
                showChanged(before, after, i);
            }
            updateEnabled();
        });
        QWidget* row = w;
        if (f.pick) {
            const int id = f.id;
            row = withPicker(w, id, this, [this, id] { pick(id); });
        }
        size_t page = 0;
        if (desc.pages.empty()) {
            // Side by side, in field order: the first column takes the first share of the rows.
            const size_t per = (rows + forms.size() - 1) / forms.size();
            page = std::min(rowsPlaced / std::max<size_t>(per, 1), forms.size() - 1);
            if (!f.sameRow) ++rowsPlaced;
        } else {
            const size_t p = pageOf(f);
            const size_t per = std::max<size_t>((onPage[p] + columns - 1) / columns, 1);
            page = p * columns + std::min(placed[p] / per, columns - 1);
            if (!desc.isHidden(f.id) && !f.sameRow) ++placed[p];
        }
        // A field of a framed box goes into the box's own form, the box into the column's.
        QFormLayout* target = forms[page];
        if (!f.group.empty() && !desc.isHidden(f.id)) {
            auto& [caption, inner] = boxes[page];
            if (!inner || caption != f.group) {
                auto* box = new QGroupBox(q(f.group), this);
                inner = new QFormLayout(box);
                caption = f.group;
                forms[page]->addRow(box);
            }
            target = inner;
        } else if (!f.sameRow && !desc.isHidden(f.id)) {
            boxes[page] = {std::string(), nullptr};
        }
        if (startsGrid[i] && !desc.isHidden(f.id)) {
            Grid& g = grids[static_cast<size_t>(gridOf[i])];
            auto* heads = new QWidget(this);
            auto* hl = new QHBoxLayout(heads);
            hl->setContentsMargins(0, 0, 0, 0);
            hl->setSpacing(kGridSpacing);
            for (size_t k = 0; k < g.headings.size(); ++k) {
                auto* h = new QLabel(q(g.headings[k]), heads);
                h->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
                // A column without a heading of its own lies under the heading before it.
                if (g.headings[k].empty() && k > 0) h->hide();
                hl->addWidget(h);
                g.headingLabels.push_back(h);
            }
            hl->addStretch(1);
            target->addRow(QString(), heads);
        }
        if (gridOf[i] >= 0 && !desc.isHidden(f.id))
            grids[static_cast<size_t>(gridOf[i])].cells[columnOf[i]].push_back(row);
        QLabel* label = nullptr;
        if (desc.isHidden(f.id)) {
            row->hide();
        } else if (f.labelAbove) {
            // A question: its text wrapped on a row of its own, the answers under it.
            label = new QLabel(q(f.label), this);
            label->setWordWrap(true);
            label->setContentsMargins(0, 4, 0, 0);
            const int wide = label->fontMetrics().averageCharWidth() * 80;
            label->setMinimumWidth(wide);
            // Never fewer lines than the narrowest width needs, whatever height the form offers.
            label->setMinimumHeight(label->heightForWidth(wide));
            forms[page]->addRow(label);
            forms[page]->addRow(row);
            line = nullptr;
        } else if (f.sameRow && line) {
            if (!f.label.empty() || f.labelOf) {
                label = new QLabel(q(f.label), this);
                line->addWidget(label);
            }
            line->addWidget(row);
        } else if (i + 1 < desc.fields.size() && desc.fields[i + 1].sameRow) {
            auto* joined = new QWidget(this);
            line = new QHBoxLayout(joined);
            line->setContentsMargins(0, 0, 0, 0);
            line->addWidget(row, 1);
            if (gridOf[i] >= 0) {
                line->setSpacing(kGridSpacing);
                grids[static_cast<size_t>(gridOf[i])].lines.push_back(line);
            }
            target->addRow(q(f.label), joined);
            label = qobject_cast<QLabel*>(target->labelForField(joined));
        } else {
            target->addRow(q(f.label), row);
            label = qobject_cast<QLabel*>(target->labelForField(row));
            line = nullptr;
        }
        widgets_.push_back(w);
        labels_.push_back(label);
        lastLeft_.push_back(values.at(i));
        if (auto* e = qobject_cast<QLineEdit*>(w)) {
            // The field's rule when the user leaves it: shown in red, the message comes on confirmation.
            connect(e, &QLineEdit::editingFinished, this, [this, i, w] {
                markInvalid(w, checkField(desc_.fields[i], this->values(), i, table_).has_value());
                fieldLeft(i);
            });
        }
    }
    // Each column of a grid as wide as its widest cell or its heading (a heading over two columns
    // widens the second when it needs more room), the cells kept at the left of their rows.
    for (Grid& g : grids) {
        const size_t n = g.cells.size();
        std::vector<int> widths(n, 0);
        for (size_t k = 0; k < n; ++k)
            for (QWidget* c : g.cells[k]) widths[k] = std::max(widths[k], c->sizeHint().width());
        for (size_t k = 0; k < n && k < g.headingLabels.size(); ++k) {
            if (g.headings[k].empty()) continue;
            const int need = g.headingLabels[k]->sizeHint().width();
            const bool spans = k + 1 < n && g.headings[k + 1].empty();
            if (!spans) widths[k] = std::max(widths[k], need);
            else if (widths[k] + kGridSpacing + widths[k + 1] < need) widths[k + 1] = need - widths[k] - kGridSpacing;
        }
        for (size_t k = 0; k < n; ++k) {
            for (QWidget* c : g.cells[k]) c->setFixedWidth(widths[k]);
            if (k >= g.headingLabels.size() || g.headingLabels[k]->isHidden()) continue;
            int span = widths[k];
            for (size_t j = k + 1; j < n && g.headings[j].empty(); ++j) span += kGridSpacing + widths[j];
            g.headingLabels[k]->setFixedWidth(span);
        }
        for (QHBoxLayout* l : g.lines) l->addStretch(1);
    }
    auto* row = new QHBoxLayout;
    row->addStretch();
    confirm_ = makeButton(this, 201, QStringLiteral("&Conferma"));
    cancel_ = makeButton(this, 202, QStringLiteral("&Annulla"));
    row->addWidget(confirm_);
    row->addWidget(cancel_);
    for (const DialogButton& x : desc.editButtons) {
        QPushButton* b = makeButton(this, x.id, q(x.caption));
        if (!x.tooltip.empty()) b->setToolTip(q(x.tooltip));
        b->setEnabled(x.whileInserting || !inserting);
        extra_[x.id] = b;
        if (x.page >= 0 && pages_ && static_cast<size_t>(x.page) < desc.pages.size())
            forms[static_cast<size_t>(x.page) * columns + columns - 1]->addRow(QString(), b);
        else
            row->addWidget(b);
        connect(b, &QPushButton::clicked, this, [this, &x] {
            if (x.confirms) {
                confirmedBy_ = x.id;
                confirm();
            } else if (x.fill) {
                fill(x);
            } else if (x.action) {
                x.action(store::workspace(), this->values());
            }
        });
    }
    layout->addLayout(row);
    connect(confirm_, &QPushButton::clicked, this, [this] {
        confirmedBy_ = 0;
        confirm();
    });
    connect(cancel_, &QPushButton::clicked, this, [this] { reject(); });
    updateEnabled();
}

void EditDialog::setReadOnly()
{
    for (size_t i = 0; i < widgets_.size(); ++i) {
        QWidget* w = widgets_[i];
        if (auto* e = qobject_cast<QLineEdit*>(w)) e->setReadOnly(true);
        else if (auto* p = qobject_cast<QPlainTextEdit*>(w)) p->setReadOnly(true);
        else w->setEnabled(false);
        if (QPushButton* picker = findChild<QPushButton*>(QStringLiteral("b%1").arg(desc_.fields[i].id + 1000)))
            picker->setEnabled(false);
        w->removeEventFilter(this); // no picker by F4 / F12 either
    }
    readOnly_ = true;
    confirm_->setEnabled(false);
    for (const DialogButton& x : desc_.editButtons)
        if (x.fill || x.confirms)
            if (QPushButton* b = button(x.id)) b->setEnabled(false);
    modified_ = false;
}

void EditDialog::showChanged(const EditValues& before, const EditValues& after, size_t skip)
{
    for (size_t k = 0; k < widgets_.size(); ++k)
        if (k != skip && after.at(k) != before.at(k)) {
            setFieldWidgetValue(widgets_[k], after.at(k));
            // What the dialog put in a field is not a change the user leaves it with.
            lastLeft_[k] = fieldWidgetValue(widgets_[k]);
        }
}

void EditDialog::pick(int id)
{
    size_t i = 0;
    while (i < desc_.fields.size() && desc_.fields[i].id != id) ++i;
    if (i == desc_.fields.size() || !desc_.fields[i].pick || !widgets_[i]->isEnabled()) return;
    const EditValues before = values();
    std::optional<std::string> chosen = desc_.fields[i].pick(store::workspace(), before);
    if (!chosen || *chosen == before.at(i)) return;
    setFieldWidgetValue(widgets_[i], *chosen);
    modified_ = true;
    markInvalid(widgets_[i], false);
    if (desc_.fields[i].changed) {
        const EditValues now = values();
        EditValues after = now;
        desc_.fields[i].changed(after);
        showChanged(now, after, i);
    }
    fieldLeft(i);
    updateEnabled();
    widgets_[i]->setFocus();
}

void EditDialog::fill(const DialogButton& button)
{
    const EditValues before = values();
    EditValues after = before;
    button.fill(store::workspace(), after);
    if (after == before) return;
    showChanged(before, after);
    for (size_t k = 0; k < widgets_.size(); ++k) lastLeft_[k] = after.at(k);
    modified_ = true;
    updateEnabled();
}

bool EditDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_F4 || key == Qt::Key_F12)
            for (size_t i = 0; i < widgets_.size(); ++i)
                if (widgets_[i] == watched && desc_.fields[i].pick) {
                    pick(desc_.fields[i].id);
                    return true;
                }
    }
    return QDialog::eventFilter(watched, event);
}

void EditDialog::fieldLeft(size_t i)
{
    const std::string now = fieldWidgetValue(widgets_[i]);
    if (now == lastLeft_[i]) return;
    lastLeft_[i] = now;
    if (!desc_.fieldLeft) return;
    const EditValues before = values();
    EditValues after = before;
    desc_.fieldLeft(desc_.fields[i].id, after);
    for (size_t k = 0; k < widgets_.size(); ++k)
        if (after.at(k) != before.at(k)) {
            setFieldWidgetValue(widgets_[k], after.at(k));
            lastLeft_[k] = after.at(k);
        }
    updateEnabled();
}

void EditDialog::updateEnabled()
{
    const EditValues v = values();
    for (size_t i = 0; i < desc_.fields.size(); ++i) {
        const EditField& f = desc_.fields[i];
        if (f.enabled) widgets_[i]->setEnabled(f.enabled(v));
        if (f.tooltipOf) widgets_[i]->setToolTip(q(f.tooltipOf(v)));
        if (f.labelOf && labels_[i]) labels_[i]->setText(q(f.labelOf(v)));
        if (f.listOf)
            if (auto* c = qobject_cast<QComboBox*>(widgets_[i])) {
                QStringList entries;
                for (const std::string& e : f.listOf(v)) entries << q(e);
                QStringList now;
                for (int k = 0; k < c->count(); ++k) now << c->itemText(k);
                if (entries != now) {
                    // The value shown stays, even when the new entries do not hold it.
                    const std::string value = fieldWidgetValue(c);
                    const QSignalBlocker block(c);
                    c->clear();
                    c->addItems(entries);
                    setFieldWidgetValue(c, value);
                }
            }
    }
    if (readOnly_) return;
    for (const DialogButton& x : desc_.editButtons)
        if (x.enabled)
            if (QPushButton* b = button(x.id)) b->setEnabled(x.enabled(v));
}

EditValues EditDialog::values() const
{
    EditValues v(desc_.fields);
    for (size_t i = 0; i < widgets_.size(); ++i) v.setAt(i, fieldWidgetValue(widgets_[i]));
    return v;
}

QWidget* EditDialog::field(int id) const
{
    for (size_t i = 0; i < desc_.fields.size(); ++i)
        if (desc_.fields[i].id == id) return widgets_[i];
    return nullptr;
}

QPushButton* EditDialog::button(int id) const
{
    if (id == 201) return confirm_;
    if (id == 202) return cancel_;
    auto it = extra_.find(id);
    return it == extra_.end() ? nullptr : it->second;
}

void EditDialog::confirm()
{
    const EditValues v = values();
    for (QWidget* w : widgets_) markInvalid(w, false);
    if (std::optional<FieldFailure> fail = recheckValues(desc_.fields, v, table_)) {
        QWidget* w = widgets_[fail->index];
        if (pages_) pages_->setCurrentIndex(std::max(desc_.fields[fail->index].page, 0));
        markInvalid(w, true);
        POPMSG(fail->message, 1);
        w->setFocus();
        return;
    }
    accept();
}

void EditDialog::reject()
{
    if (modified_ && !POPMSG(kMsgCancelChanges, static_cast<int>(MessageKind::YesNoDefaultNo))) return;
    QDialog::reject();
}

// ---------------------------------------------------------------- search dialog

SearchDialog::SearchDialog(const RegisterDesc& desc, QWidget* parent) : QDialog(parent), desc_(desc)
{
    setObjectName(q(desc.searchName()));
    setWindowTitle(QStringLiteral("Ricerca"));
    auto* layout = new QVBoxLayout(this);
    auto* side = new QHBoxLayout;
    layout->addLayout(side);
    std::vector<QFormLayout*> forms;
    for (int c = 0; c < std::max(desc.searchColumns, 1); ++c) {
        forms.push_back(new QFormLayout);
        side->addLayout(forms.back());
    }
    // An upper bound ("al") shares the row of its lower bound ("... dal").
    auto isUpperBound = [](const SearchField& s) { return s.label == "al"; };
    size_t rows = 0;
    for (const SearchField& s : desc.search) rows += isUpperBound(s) ? 0 : 1;
    const size_t per = (rows + forms.size() - 1) / forms.size();
    size_t rowNumber = 0;
    QHBoxLayout* lastLine = nullptr;
    for (const SearchField& s : desc.search) {
        QFormLayout* form = forms[std::min(rowNumber / std::max<size_t>(per, 1), forms.size() - 1)];
        EditField f;
        f.id = s.id;
        f.kind = s.kind;
        f.mask = s.mask;
        f.list = s.list;
        f.typedChoice = s.typedChoice;
        if (s.match == Match::Flag) f.kind = FieldKind::TriState;
        QWidget* w = createFieldWidget(f, 30, 2, this);
        // F4 (the combo box's own key) or F12 opens a drop-down.
        if (auto* c = qobject_cast<QComboBox*>(w)) c->installEventFilter(this);
        if (f.kind == FieldKind::TriState) setCheckValue(static_cast<QCheckBox*>(w), std::string());
        if (auto* c = qobject_cast<QComboBox*>(w); c && c->findText(QString()) < 0) c->insertItem(0, QString());
        if (auto* c = qobject_cast<QComboBox*>(w)) c->setCurrentIndex(c->findText(QString()));
        if (!s.initial.empty()) setFieldWidgetValue(w, s.initial);
        const size_t i = widgets_.size();
        QWidget* row = w;
        if (s.pick) row = withPicker(w, s.id, this, [this, i] { pick(i); });
        watchFieldWidget(w, [this, i] {
            if (desc_.search[i].changed) {
                std::vector<std::string> before = typed(), after = before;
                desc_.search[i].changed(after);
                for (size_t k = 0; k < widgets_.size(); ++k)
                    if (k != i && after[k] != before[k]) setFieldWidgetValue(widgets_[k], after[k]);
            }
            updateEnabled();
        });
        if (isUpperBound(s) && lastLine) {
            // Before the stretch that closes a row of dates.
            const int at = lastLine->count() > 1 ? lastLine->count() - 1 : lastLine->count();
            lastLine->insertWidget(at, new QLabel(q(s.label), this));
            lastLine->insertWidget(at + 1, row);
        } else {
            auto* line = new QWidget(this);
            lastLine = new QHBoxLayout(line);
            lastLine->setContentsMargins(0, 0, 0, 0);
            // Dates and numbers keep their width at the left; a bound that follows comes before
            // the stretch.
            const bool compact = f.kind == FieldKind::Date || f.kind == FieldKind::Number;
            lastLine->addWidget(row, compact ? 0 : 1);
            if (compact) lastLine->addStretch();
            form->addRow(q(s.label), line);
            ++rowNumber;
        }
        widgets_.push_back(w);
    }
    updateEnabled();
    auto* row = new QHBoxLayout;
    row->addStretch();
    QPushButton* ok = makeButton(this, 201, QStringLiteral("&Conferma"));
    QPushButton* cancel = makeButton(this, 202, QStringLiteral("&Annulla"));
    QPushButton* all = makeButton(this, 203, q(desc.searchAllCaption));
    ok->setDefault(true);
    row->addWidget(ok);
    row->addWidget(cancel);
    row->addWidget(all);
    layout->addLayout(row);
    connect(ok, &QPushButton::clicked, this, [this] { done(Confirmed); });
    connect(cancel, &QPushButton::clicked, this, [this] { done(Cancelled); });
    connect(all, &QPushButton::clicked, this, [this] { done(All); });
}

void SearchDialog::updateEnabled()
{
    const std::vector<std::string> v = typed();
    for (size_t i = 0; i < widgets_.size(); ++i)
        if (desc_.search[i].enabled) widgets_[i]->setEnabled(desc_.search[i].enabled(v));
}

void SearchDialog::pick(size_t i)
{
    if (i >= widgets_.size() || !desc_.search[i].pick || !widgets_[i]->isEnabled()) return;
    if (std::optional<std::string> chosen = desc_.search[i].pick(store::workspace(), typed())) {
        setFieldWidgetValue(widgets_[i], *chosen);
        updateEnabled();
    }
    widgets_[i]->setFocus();
}

bool SearchDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_F4 || key == Qt::Key_F12)
            for (size_t i = 0; i < widgets_.size(); ++i)
                if (widgets_[i] == watched && desc_.search[i].pick) {
                    pick(i);
                    return true;
                }
    }
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F12)
        if (auto* c = qobject_cast<QComboBox*>(watched)) {
            c->showPopup();
            return true;
        }
    return QDialog::eventFilter(watched, event);
}

std::vector<std::string> SearchDialog::typed() const
{
    std::vector<std::string> v;
    for (QWidget* w : widgets_) v.push_back(fieldWidgetValue(w));
    return v;
}

QWidget* SearchDialog::field(int id) const
{
    for (size_t i = 0; i < desc_.search.size(); ++i)
        if (desc_.search[i].id == id) return widgets_[i];
    return nullptr;
}

QPushButton* SearchDialog::button(const QString& caption) const
{
    for (QPushButton* b : findChildren<QPushButton*>())
        if (b->text() == caption) return b;
    return nullptr;
}

// ---------------------------------------------------------------- register list

RegisterList::RegisterList(const RegisterDesc& desc, Workspace& ws, QWidget* parent)
    : QDialog(parent), desc_(desc), ws_(ws), context_(desc, ws)
{
    setObjectName(q(desc.name));
    runEdit = [](EditDialog& d) { return d.exec(); };
    runSearch = [](SearchDialog& d) { return d.exec(); };
    runMenu = [](QMenu& m, const QPoint& at) { return m.exec(at); };
    context_.edit = [this](const EditRequest& request, const EditValues& initial) { return edit(request, initial); };
    context_.redraw = [this] { redraw(); };
    context_.menu = [this](const std::vector<RegisterDesc::Printout>& entries, int id) { popup(entries, id); };
    context_.press = [this](int id) {
        if (QPushButton* b = button(id); b && b->isEnabled()) b->click();
    };

    auto* layout = new QVBoxLayout(this);
    browse_ = new QTableView(this);
    browse_->setObjectName("browse");
    model_ = new RegisterModel(desc, table(), this);
    browse_->setModel(model_);
    browse_->setSelectionBehavior(QAbstractItemView::SelectRows);
    browse_->setSelectionMode(QAbstractItemView::SingleSelection);
    browse_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    browse_->verticalHeader()->setVisible(false);
    browse_->verticalHeader()->setDefaultSectionSize(browse_->fontMetrics().height() + 6);
    browse_->horizontalHeader()->setStretchLastSection(true);
    browse_->setAlternatingRowColors(true);
    // The registers' values are mostly capitals: columns are measured on them.
    const int charWidth = std::max(browse_->fontMetrics().averageCharWidth(),
                                   browse_->fontMetrics().horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ")) / 26);
    int total = 0;
    for (size_t c = 0; c < desc.columns.size(); ++c) {
        int w = std::max(desc.columns[c].width, static_cast<int>(desc.columns[c].header.size())) * charWidth + 12;
        browse_->setColumnWidth(static_cast<int>(c), w);
        total += w;
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int widest = screen ? std::max(screen->availableGeometry().width() - 80, 640) : 1000;
    browse_->setMinimumSize(std::min(std::max(total + 24, 320), widest), 320);
    browse_->installEventFilter(this);
    layout->addWidget(browse_);

    // The figures under the browse, each a label and a read-only field.
    if (!desc.figures.empty()) {
        auto* figures = new QHBoxLayout;
        for (size_t i = 0; i < desc.figures.size(); ++i) {
            const Figure& f = desc.figures[i];
            auto* value = new QLineEdit(this);
            value->setObjectName(QStringLiteral("figure%1").arg(i + 1));
            value->setReadOnly(true);
            value->setFocusPolicy(Qt::NoFocus);
            value->setAlignment(Qt::AlignRight);
            value->setFixedWidth(value->fontMetrics().horizontalAdvance(QString(f.width, QChar('9'))) + 12);
            auto* label = new QLabel(q(f.label), this);
            label->setBuddy(value);
            figures->addWidget(label);
            figures->addWidget(value);
            figures->addSpacing(16);
            figures_.push_back(value);
        }
        figures->addStretch();
        layout->addLayout(figures);
    }

    auto* row = new QHBoxLayout;
    auto extraOf = [&desc](int id) -> const ExtraButton* {
        for (const ExtraButton& x : desc.extraButtons)
            if (x.id == id) return &x;
        return nullptr;
    };
    auto addExtra = [this, row](const ExtraButton& x) {
        QPushButton* b = makeButton(this, x.id, q(x.caption));
        buttons_[x.id] = b;
        row->addWidget(b);
        connect(b, &QPushButton::clicked, this, [this, &x] {
            if (x.needsRecord && table().eof()) return;
            if (x.action) x.action(context_);
            redraw();
        });
    };
    for (int id : desc.buttons) {
        if (const ExtraButton* x = extraOf(id)) {
            addExtra(*x);
            continue;
        }
        QString caption = QString::fromUtf8(registerButtonCaption(id));
        if (id == kBtnAdd && !desc.addMenu.empty()) caption += QStringLiteral(" ^");
        QPushButton* b = makeButton(this, id, caption);
        buttons_[id] = b;
        row->addWidget(b);
        connect(b, &QPushButton::clicked, this, [this, id] {
            switch (id) {
            case kBtnClose:
                if (selection_) {
                    if (table().eof()) return;
                    chosen_ = table().recno();
                }
                accept();
                return;
            case kBtnAdd: insert(); break;
            case kBtnModify: modify(); break;
            case kBtnDelete: remove(); break;
            case kBtnSearch: search(); break;
            case kBtnPrint: print(); break;
            case kBtnEmail: email(); break;
            case kBtnExcel: excel(); break;
            default: break;
            }
        });
    }
    for (const ExtraButton& x : desc.extraButtons)
        if (!buttons_.count(x.id)) addExtra(x);
    row->addStretch();
    layout->addLayout(row);

    connect(browse_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        const size_t col = static_cast<size_t>(index.column());
        if (col < desc_.columns.size() && desc_.columns[col].click) return;
        if (desc_.readOnlyOnDoubleClick) view();
        else modify();
    });
    connect(browse_, &QTableView::clicked, this, [this](const QModelIndex& index) {
        const size_t col = static_cast<size_t>(index.column());
        if (col >= desc_.columns.size() || !desc_.columns[col].click) return;
        std::optional<uint32_t> r = model_->recnoAt(index.row());
        if (!r) return;
        table().goTo(*r);
        desc_.columns[col].click(context_);
        redraw();
    });
    connect(browse_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current, const QModelIndex&) {
                if (syncing_) return;
                if (std::optional<uint32_t> r = model_->recnoAt(current.row())) table().goTo(*r);
                enableButtons();
            });
    redraw();
}

RegisterList::~RegisterList()
{
    // Closed while a new row was being edited: its blank record does not stay behind.
    if (cell_ && cellNew_) {
        try {
            cellDiscard(table(), cellRecno_);
        } catch (...) {
        }
    }
}

Table& RegisterList::table() const { return ws_[desc_.aliasName()]; }

QLineEdit* RegisterList::figure(size_t i) const { return i < figures_.size() ? figures_[i] : nullptr; }

QPushButton* RegisterList::button(int id) const
{
    auto it = buttons_.find(id);
    return it == buttons_.end() ? nullptr : it->second;
}

void RegisterList::selectCurrent()
{
    syncing_ = true;
    std::optional<uint64_t> row = model_->window().currentRow();
    if (row) {
        QModelIndex i = model_->index(static_cast<int>(*row), 0);
        browse_->selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        browse_->scrollTo(i);
    } else {
        browse_->selectionModel()->clearSelection();
        browse_->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    }
    syncing_ = false;
    enableButtons();
}

void RegisterList::enableButtons()
{
    const bool has = !table().eof();
    for (auto& [id, b] : buttons_) {
        bool needs = registerButtonNeedsRecord(id);
        for (const ExtraButton& x : desc_.extraButtons)
            if (x.id == id) needs = x.needsRecord;
        if (selection_ && id == kBtnClose) needs = true;
        bool off = false;
        for (int d : disabled_) off = off || d == id;
        if (!off && has && desc_.buttonEnabled && !desc_.buttonEnabled(context_, id)) off = true;
        b->setEnabled(!off && (!needs || has));
    }
}

void RegisterList::setSelection(std::vector<int> disabled)
{
    selection_ = true;
    disabled_ = std::move(disabled);
    if (QPushButton* b = button(kBtnClose)) b->setText(QStringLiteral("Sele&ziona"));
    enableButtons();
}

void RegisterList::redraw()
{
    model_->reload();
    setWindowTitle(q(registerTitle(desc_, table(), model_->window().size())));
    selectCurrent();
    for (size_t i = 0; i < figures_.size(); ++i)
        figures_[i]->setText(desc_.figures[i].text ? q(desc_.figures[i].text(context_)) : QString());
}

void RegisterList::popup(const std::vector<RegisterDesc::Printout>& entries, int buttonId)
{
    QMenu menu(this);
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].caption == "-") {
            menu.addSeparator();
            continue;
        }
        QAction* a = menu.addAction(q(entries[i].caption));
        a->setData(static_cast<int>(i));
        if (entries[i].enabled) a->setEnabled(entries[i].enabled(context_));
    }
    // Just above the button.
    QPushButton* b = button(buttonId);
    QPoint at = b ? b->mapToGlobal(QPoint(0, -menu.sizeHint().height())) : QCursor::pos();
    if (QAction* chosen = runMenu(menu, at)) {
        const auto& entry = entries[static_cast<size_t>(chosen->data().toInt())];
        if (entry.run) entry.run(context_);
    }
}

void RegisterList::insert()
{
    if (desc_.cellEditor) {
        openCell(true);
        return;
    }
    if (!desc_.addMenu.empty()) {
        popup(desc_.addMenu, kBtnAdd);
        redraw();
        return;
    }
    if (desc_.add) {
        desc_.add(context_);
        redraw();
        return;
    }
    editRecord(true);
}

void RegisterList::modify()
{
    if (table().eof()) return;
    if (desc_.cellEditor) {
        openCell(false);
        return;
    }
    editRecord(false);
}

void RegisterList::view()
{
    if (table().eof() || desc_.cellEditor) return;
    editRecord(false, true);
}

const RegisterDesc& RegisterList::formFor(const EditRequest& request)
{
    return desc_.form ? desc_.form(context_, request) : desc_;
}

void RegisterList::editRecord(bool inserting, bool readOnly)
{
    Table& t = table();
    if (!inserting && t.eof()) return;
    EditRequest request;
    request.inserting = inserting;
    request.recno = inserting ? 0 : t.recno();
    request.readOnly = readOnly;
    const RegisterDesc& form = formFor(request);
    EditValues initial = inserting ? blankValues(form.fields, &t) : recordValues(form.fields, t);
    if (inserting && form.prepareInsert) form.prepareInsert(ws_, initial);
    if (form.prepareEdit) form.prepareEdit(context_, request, initial);
    edit(request, initial);
}

bool RegisterList::edit(const EditRequest& request, const EditValues& initial)
{
    Table& t = table();
    const RegisterDesc& form = formFor(request);
    const EditValues before = initial;
    EditValues values = before;
    bool reopened = false, saved = false;
    int confirmedBy = 0;
    for (;;) {
        EditDialog dialog(form, values, request.inserting, &t, this);
        if (!request.title.empty()) dialog.setWindowTitle(q(request.title));
        if (request.focusField)
            if (QWidget* w = dialog.field(request.focusField)) w->setFocus();
        if (request.readOnly) dialog.setReadOnly();
        dialog.setModified(reopened);
        if (runEdit(dialog) != QDialog::Accepted || request.readOnly) break;
        values = dialog.values();
        confirmedBy = dialog.confirmedBy();
        if (request.recno) t.goTo(request.recno);
        SaveResult r = form.save ? form.save(context_, request, before, values)
                                 : saveRecord(form, ws_, request.inserting, before, values);
        if (r) {
            if (!r.message.empty()) POPMSG(r.message, 1);
            saved = true;
            break;
        }
        // Whatever failed, the dialog comes back with everything typed.
        if (!r.message.empty()) POPMSG(r.message, 1);
        reopened = true;
        if (request.recno) t.goTo(request.recno);
    }
    redraw();
    if (saved && form.afterSave) {
        form.afterSave(context_, request, values);
        redraw();
    }
    // A button that confirmed the dialog does its work on what was saved.
    for (const DialogButton& x : form.editButtons)
        if (saved && confirmedBy && x.id == confirmedBy && x.action) {
            x.action(ws_, values);
            redraw();
        }
    return saved;
}

void RegisterList::remove()
{
    Table& t = table();
    if (t.eof()) {
        QApplication::beep();
        return;
    }
    if (desc_.beforeDelete && !desc_.beforeDelete(context_)) {
        redraw();
        return;
    }
    if (!POPMSG(kMsgConfirmDelete, static_cast<int>(MessageKind::OkCancel))) return;
    if (DiskCheck p = ISPROTECTED(t.folder()); p.value) {
        POPMSG(p.message, 1);
        return;
    }
    const uint32_t deleted = t.recno();
    t.del();
    if (desc_.afterDelete) {
        const uint32_t next = t.eof() ? 0 : t.recno();
        desc_.afterDelete(context_, deleted);
        ws_.select(desc_.aliasName());
        if (next) t.goTo(next);
    }
    redraw();
}

void RegisterList::search()
{
    SearchDialog dialog(desc_, this);
    const int result = runSearch(dialog);
    if (result == SearchDialog::Confirmed) {
        if (!applySearch(desc_, table(), buildCondition(desc_.search, dialog.typed()))) return;
    } else if (result == SearchDialog::All) {
        clearSearch(desc_, table());
        table().goTop();
    } else {
        return;
    }
    redraw();
}

void RegisterList::print()
{
    if (table().eof()) return;
    if (!desc_.printouts.empty()) {
        popup(desc_.printouts, kBtnPrint);
    } else if (desc_.print) {
        desc_.print(context_);
    }
    redraw();
}

void RegisterList::email()
{
    if (table().eof()) return;
    if (desc_.email) desc_.email(context_);
    redraw();
}

void RegisterList::excel()
{
    if (table().eof()) return;
    if (desc_.excel) desc_.excel(context_);
    else TOEXCEL(table());
    redraw();
}

// ---- cell editor

void RegisterList::openCell(bool newRow)
{
    if (cell_) finishCell(false);
    Table& t = table();
    if (newRow) {
        if (std::optional<std::string> m = cellAppend(t)) {
            POPMSG(*m, 1);
            return;
        }
        redraw();
    }
    if (t.eof()) return;
    cellRecno_ = t.recno();
    cellNew_ = newRow;
    std::optional<uint64_t> row = model_->window().currentRow();
    if (!row) return;
    QModelIndex index = model_->index(static_cast<int>(*row), 0);
    browse_->scrollTo(index);
    cell_ = new QLineEdit(browse_->viewport());
    cell_->setObjectName("cell");
    auto [width, decimals] = widthOf(&t, desc_.cellField);
    (void)decimals;
    if (width > 0) cell_->setMaxLength(width);
    cell_->setText(q(t.text(desc_.cellField)));
    cell_->setGeometry(browse_->visualRect(index));
    cell_->installEventFilter(this);
    cell_->show();
    cell_->setFocus();
}

void RegisterList::finishCell(bool confirmed)
{
    if (!cell_) return;
    QLineEdit* editor = cell_;
    const std::string value = editor->text().toStdString();
    Table& t = table();
    if (confirmed) {
        std::string message;
        if (value.find_first_not_of(' ') == std::string::npos) {
            // The editor does not take an empty value.
            QApplication::beep();
            return;
        }
        if (!cellStore(t, cellRecno_, desc_.cellField, value, &message)) {
            if (!message.empty()) POPMSG(message, 1);
            return;
        }
    } else if (cellNew_) {
        // Leaving a new row without a value takes the blank record away again.
        cellDiscard(t, cellRecno_);
    } else {
        t.goTo(cellRecno_);
    }
    cell_ = nullptr;
    editor->removeEventFilter(this);
    editor->hide();
    editor->deleteLater();
    if (confirmed || !cellNew_) t.goTo(cellRecno_);
    cellNew_ = false;
    redraw();
    browse_->setFocus();
}

// ---- typing

void RegisterList::typed(char32_t ch)
{
    Table& t = table();
    if (desc_.typing == KeyTyping::Search) keySearch_.key(t, ch);
    else if (desc_.typing == KeyTyping::Seek) keySeek(t, ch);
    else return;
    selectCurrent();
}

bool RegisterList::eventFilter(QObject* watched, QEvent* event)
{
    if (cell_ && watched == cell_) {
        if (event->type() == QEvent::KeyPress) {
            auto* k = static_cast<QKeyEvent*>(event);
            if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
                finishCell(true);
                return true;
            }
            if (k->key() == Qt::Key_Escape) {
                finishCell(false);
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            // Clicking elsewhere: a value is kept, an empty new row goes.
            QLineEdit* editor = cell_;
            const bool hasValue = editor->text().trimmed().size() > 0;
            finishCell(hasValue);
            return false;
        }
        return false;
    }
    if (watched == browse_ && event->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(event);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            modify();
            return true;
        }
        if (k->key() == Qt::Key_Space && !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
            for (const Column& c : desc_.columns)
                if (c.spaceKey && c.click) {
                    if (!table().eof()) c.click(context_);
                    redraw();
                    return true;
                }
        if (k->key() == Qt::Key_Backspace && desc_.typing == KeyTyping::Search) {
            typed(U'\b');
            return true;
        }
        const QString text = k->text();
        if (!text.isEmpty() && text[0].isPrint() && !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
            desc_.typing != KeyTyping::None) {
            typed(text.toUcs4().value(0));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------- entry

namespace {

// The register's tables, open while the list shows; closed again (and the caller's area
// selected) however the list ends.
class RegisterTables {
public:
    RegisterTables(const RegisterDesc& desc, Workspace& ws) : desc_(desc), ws_(ws), selected_(ws.selected())
    {
        openRegisterTables(desc, ws);
    }
    ~RegisterTables()
    {
        try {
            closeRegisterTables(desc_, ws_);
            ws_.select(selected_);
        } catch (...) {
        }
    }
    RegisterTables(const RegisterTables&) = delete;
    RegisterTables& operator=(const RegisterTables&) = delete;

private:
    const RegisterDesc& desc_;
    Workspace& ws_;
    int selected_;
};

} // namespace

void runRegister(const RegisterDesc& desc, Workspace& ws, const std::string& key)
{
    RegisterOptions options;
    options.key = key;
    runRegister(desc, ws, options);
}

std::optional<uint32_t> runRegister(const RegisterDesc& desc, Workspace& ws, const RegisterOptions& options)
{
    RegisterTables tables(desc, ws);
    Table& t = ws[desc.aliasName()];
    if (options.scope) {
        t.setScope(*options.scope, *options.scope);
        t.goTop();
    }
    if (options.startOnLast) t.goBottom();
    if (!options.key.empty()) {
        std::string k = options.key;
        if (t.orderName().empty() || schema::findTag(t.orderName()) == nullptr ||
            schema::findTag(t.orderName())->expression.rfind("UPPER(", 0) == 0)
            k = Mask::upper(k);
        t.seek(utf8ToCp1252(k));
    }
    RegisterList list(desc, ws, QApplication::activeWindow());
    if (options.selection) list.setSelection(options.disabledInSelection);
    if (options.shown) QTimer::singleShot(0, &list, [&list, shown = options.shown] { shown(list); });
    list.exec();
    return list.chosen();
}

void runSubList(const RegisterDesc& desc, Workspace& ws, const std::string& scopeKey, QWidget* parent)
{
    RegisterTables tables(desc, ws);
    Table& t = ws[desc.aliasName()];
    t.setScope(scopeKey, scopeKey);
    t.goTop();
    RegisterList list(desc, ws, parent ? parent : QApplication::activeWindow());
    list.exec();
}

} // namespace arv
