#include "ui/dbcombo.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QToolButton>

#include <set>

namespace arv {

std::vector<std::string> comboValues(std::vector<std::string> values, bool unique)
{
    if (!unique) return values;
    std::vector<std::string> out;
    std::set<std::string> seen;
    for (auto& v : values)
        if (seen.insert(v).second) out.push_back(std::move(v));
    return out;
}

namespace {

const char* kListName = "dbcomboList";

class ComboList : public QListWidget {
public:
    ComboList(QLineEdit* field) : QListWidget(field), field_(field)
    {
        setObjectName(kListName);
        setWindowFlags(Qt::Popup);
        setAttribute(Qt::WA_DeleteOnClose);
        connect(this, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) { choose(item); });
        connect(this, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { choose(item); });
    }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Escape) {
            close();
            return;
        }
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()) {
            choose(currentItem());
            return;
        }
        QListWidget::keyPressEvent(event);
    }

private:
    void choose(QListWidgetItem* item)
    {
        if (!item) return;
        field_->setText(item->text());
        field_->setModified(true);
        field_->setFocus();
        close();
    }

    QLineEdit* field_;
};

} // namespace

QListWidget* DBCOMBO(QLineEdit* field, const std::vector<std::string>& values, bool unique)
{
    if (QListWidget* open = field->findChild<QListWidget*>(kListName, Qt::FindDirectChildrenOnly)) open->close();
    auto* list = new ComboList(field);
    for (const auto& v : comboValues(values, unique)) list->addItem(QString::fromStdString(v));
    const QString current = field->text().trimmed();
    auto found = list->findItems(current, Qt::MatchExactly);
    list->setCurrentRow(found.isEmpty() ? 0 : list->row(found.first()));
    int rows = std::min(list->count(), 10);
    int rowHeight = list->sizeHintForRow(0) > 0 ? list->sizeHintForRow(0) : field->height();
    list->resize(std::max(field->width(), list->sizeHintForColumn(0) + 24), rows * rowHeight + 4);
    list->move(field->mapToGlobal(QPoint(0, field->height())));
    list->show();
    list->setFocus();
    return list;
}

ComboEdit::ComboEdit(ComboValues values, bool unique, QWidget* parent)
    : QWidget(parent), values_(std::move(values)), unique_(unique), edit_(new QLineEdit), button_(new QToolButton)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    layout->addWidget(edit_, 1);
    button_->setArrowType(Qt::DownArrow);
    button_->setFocusPolicy(Qt::NoFocus);
    button_->setFixedWidth(18);
    layout->addWidget(button_);
    setFocusProxy(edit_);
    edit_->installEventFilter(this);
    connect(button_, &QToolButton::clicked, this, [this] { openList(); });
}

std::string ComboEdit::text() const
{
    return edit_->text().toStdString();
}

void ComboEdit::setText(const std::string& text)
{
    edit_->setText(QString::fromStdString(text));
}

QListWidget* ComboEdit::openList()
{
    return DBCOMBO(edit_, values_ ? values_() : std::vector<std::string>{}, unique_);
}

QListWidget* ComboEdit::list() const
{
    for (QListWidget* l : edit_->findChildren<QListWidget*>(kListName, Qt::FindDirectChildrenOnly))
        if (l->isVisible()) return l;
    return nullptr;
}

bool ComboEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F4 || key->key() == Qt::Key_F12) {
            openList();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace arv
