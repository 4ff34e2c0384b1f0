// The windows of the register pattern over records/register.h: the register list (browse and
// buttons 201-208), the edit dialog, the search dialog and the cell editor of the lookup tables.
//
//   records::RegisterDesc desc = ...;         // table, columns, fields, search, buttons
//   runRegister(desc, store::workspace());  // the entry function's whole screen
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QAbstractTableModel>
#include <QDialog>

#include "records/browse.h"
#include "records/register.h"

class QAction;
class QLabel;
class QMenu;
class QLineEdit;
class QPushButton;
class QTableView;
class QTabWidget;

namespace arv {

// The rows of a register's current order or view. Only the rows asked for are read.
class RegisterModel : public QAbstractTableModel {
public:
    RegisterModel(const records::RegisterDesc& desc, store::Table& table, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Reads the order again (after a write, a search, a redraw).
    void reload();
    records::BrowseWindow& window() { return window_; }
    std::optional<uint32_t> recnoAt(int row) const;
    // Records read to show rows since the model was made.
    uint64_t recordsRead() const { return read_; }

private:
    const records::RegisterDesc& desc_;
    store::Table& table_;
    mutable records::BrowseWindow window_;
    mutable std::map<int, QStringList> rows_;
    mutable uint64_t read_ = 0;
    mutable std::map<int, std::optional<uint32_t>> colors_; // RegisterDesc::rowColor of the rows read
};

// The edit dialog of one record: "Aggiungi" or "Modifica", the fields (on folder pages when the
// register has them), "&Conferma" (201) and "&Annulla" (202).
class EditDialog : public QDialog {
public:
    EditDialog(const records::RegisterDesc& desc, const records::EditValues& values, bool inserting,
               const store::Table* table, QWidget* parent = nullptr);

    records::EditValues values() const;
    bool modified() const { return modified_; }
    void setModified(bool m) { modified_ = m; }
    QWidget* field(int id) const;
    QPushButton* button(int id) const;
    QTabWidget* pages() const { return pages_; }

    // "&Conferma": re-checks every field; the first failure is shown in red with its message and
    // takes the focus, and the dialog stays open.
    void confirm();
    // "&Annulla", Escape and the close box: "Annullo le modifiche?" when something was changed.
    void reject() override;
    // The picker of field ID (its button, F4 or F12): the value chosen goes in as if typed.
    void pick(int id);
    // A dialog button that changes the values shown (DialogButton::fill).
    void fill(const records::DialogButton& button);
    // Shows the values only: nothing can be typed or picked, "&Conferma" and the buttons that
    // change or confirm the values are disabled, and closing never asks.
    void setReadOnly();
    // The dialog button (DialogButton::confirms) that confirmed the dialog, 0 for "&Conferma".
    int confirmedBy() const { return confirmedBy_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Puts AFTER into the controls whose value differs from BEFORE (the user's typing is kept).
    void showChanged(const records::EditValues& before, const records::EditValues& after, size_t skip = SIZE_MAX);
    // Fields whose rule of use depends on other fields follow them.
    void updateEnabled();
    // The user left field I: when its value changed, the register may change other fields.
    void fieldLeft(size_t i);

    const records::RegisterDesc& desc_;
    const store::Table* table_;
    std::vector<QWidget*> widgets_;
    std::vector<QLabel*> labels_;       // each field's label (null when it has none)
    std::vector<std::string> lastLeft_; // each field's value when it was last left
    QPushButton* confirm_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QTabWidget* pages_ = nullptr;
    std::map<int, QPushButton*> extra_;
    bool modified_ = false;
    int confirmedBy_ = 0;
    bool readOnly_ = false;
};

// The search dialog ("R" + the register's name): one entry per criterion, "&Conferma", "&Annulla"
// and "&Tutti".
class SearchDialog : public QDialog {
public:
    enum Result { Cancelled = 0, Confirmed = 1, All = 2 };
    SearchDialog(const records::RegisterDesc& desc, QWidget* parent = nullptr);
    std::vector<std::string> typed() const;
    QWidget* field(int id) const;
    QPushButton* button(const QString& caption) const;

    // The picker of criterion I (its button, F4 or F12).
    void pick(size_t i);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateEnabled();

    const records::RegisterDesc& desc_;
    std::vector<QWidget*> widgets_;
};

// The register list.
class RegisterList : public QDialog {
public:
    RegisterList(const records::RegisterDesc& desc, store::Workspace& ws, QWidget* parent = nullptr);
    ~RegisterList() override;

    QTableView* browse() const { return browse_; }
    QPushButton* button(int id) const;
    // The field of figure I under the browse (nullptr when none).
    QLineEdit* figure(size_t i) const;
    RegisterModel* model() const { return model_; }
    store::Table& table() const;

    // Runs a dialog of the list (exec() by default): tests drive the dialogs through these.
    std::function<int(EditDialog&)> runEdit;
    std::function<int(SearchDialog&)> runSearch;
    // Shows the printouts' pop-up menu at a point and gives the chosen action (nullptr: none).
    std::function<QAction*(QMenu&, const QPoint&)> runMenu;

    // The button actions.
    void insert();
    void modify();
    // The selected record in its dialog, read-only (a double click with readOnlyOnDoubleClick).
    void view();
    void remove();
    void search();
    void print();
    void email();
    void excel();
    // Redraws around the cursor's record, recomputes the title and the buttons.
    void redraw();
    // The edit dialog opened as REQUEST asks on INITIAL values, until saved (true) or abandoned;
    // a failed save shows its message and opens the dialog again with what was typed.
    bool edit(const records::EditRequest& request, const records::EditValues& initial);
    // Picker mode: the close button reads "Sele&ziona", the buttons DISABLED stay disabled, and
    // closing with it chooses the record under the cursor.
    void setSelection(std::vector<int> disabled);
    std::optional<uint32_t> chosen() const { return chosen_; }
    // A pop-up menu of ENTRIES just above button BUTTONID ("-" a separator); runs the one chosen.
    void popup(const std::vector<records::RegisterDesc::Printout>& entries, int buttonId);

    // The cell editor open on the list (nullptr when none).
    QLineEdit* cellEditor() const { return cell_; }
    // Ends the cell editor: confirmed (Enter) or abandoned (Escape).
    void finishCell(bool confirmed);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void editRecord(bool inserting, bool readOnly = false);
    // The description whose edit dialog REQUEST opens (RegisterDesc::form).
    const records::RegisterDesc& formFor(const records::EditRequest& request);
    void openCell(bool newRow);
    void typed(char32_t ch);
    void selectCurrent();
    void enableButtons();

    const records::RegisterDesc& desc_;
    store::Workspace& ws_;
    records::RegisterContext context_;
    RegisterModel* model_ = nullptr;
    QTableView* browse_ = nullptr;
    std::map<int, QPushButton*> buttons_;
    records::KeySearch keySearch_;
    QLineEdit* cell_ = nullptr;
    uint32_t cellRecno_ = 0;
    bool cellNew_ = false;
    bool syncing_ = false;
    bool selection_ = false;
    std::vector<int> disabled_;
    std::optional<uint32_t> chosen_;
    std::vector<QLineEdit*> figures_;
};

// The whole screen of an entry function: remembers the selected area, opens the register's tables,
// goes to KEY when given (upper-cased when the order is), shows the list, and closes the tables
// and reselects the area however the screen ends.
void runRegister(const records::RegisterDesc& desc, store::Workspace& ws, const std::string& key = {});

struct RegisterOptions {
    std::string key;                         // go to this key (as runRegister above)
    std::optional<std::string> scope;        // only the keys that begin with this
    bool startOnLast = false;                // the list opens on the last record
    bool selection = false;                  // a picker (RegisterList::setSelection)
    std::vector<int> disabledInSelection;
    std::function<void(RegisterList&)> shown; // once the list is on screen
};
// As above, with OPTIONS; gives the record chosen in picker mode.
std::optional<uint32_t> runRegister(const records::RegisterDesc& desc, store::Workspace& ws,
                                    const RegisterOptions& options);

// A register's dependent rows (the rows of the table whose controlling order begins with
// SCOPEKEY) in a smaller list with "&Chiudi", "&Aggiungi", "&Modifica", "&Elimina" and "&Stampa".
// The table is opened and closed here like a register's.
void runSubList(const records::RegisterDesc& desc, store::Workspace& ws, const std::string& scopeKey,
                QWidget* parent = nullptr);

} // namespace arv
