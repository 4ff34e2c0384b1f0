// The register pattern without its windows: the description of one register (table, order,
// columns, title, edit fields with their masks, lists and rules, search criteria, duplicate test,
// renamed keys carried into other tables), the copies an edit dialog works on, the re-check of a
// confirmed dialog, the save, the search, and the cell editor of the lookup tables. The windows
// (ui/register.h) only show what is decided here.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/date.h"
#include "common/decimal.h"
#include "store/table.h"
#include "store/upgrade.h" // kMsgUpdatingArchives
#include "store/workspace.h"

namespace arv::records {

using store::FieldName;
using store::RecordPredicate;
using store::Table;
using store::TagName;
using store::Workspace;

inline constexpr const char* kMsgCancelChanges = "Annullo le modifiche?";
inline constexpr const char* kCaptionInsert = "Aggiungi";
inline constexpr const char* kCaptionModify = "Modifica";

// Button ids of a register list.
enum RegisterButton : int {
    kBtnClose = 201,
    kBtnAdd = 202,
    kBtnModify = 203,
    kBtnDelete = 204,
    kBtnSearch = 205,
    kBtnPrint = 206,
    kBtnEmail = 207,
    kBtnExcel = 208,
};
// Captions of the buttons above.
const char* registerButtonCaption(int id);
// True when the button needs a selected record (the list not empty and not past its end).
bool registerButtonNeedsRecord(int id);

// ---- the values an edit dialog works on

enum class FieldKind {
    Text,     // character field (mask "@!", "9999", "A", ...)
    Number,   // numeric field, shown through its mask
    Date,     // "dd/mm/yy", two-digit years in the 1930 window
    Logical,  // check box, "T" / "F"
    TriState, // three-state check box: "T", "F" or "" (either)
    Choice,   // value chosen from a list (combo box)
    Memo,     // multi-line text
};

class EditValues;
using FieldRule = std::function<bool(const std::string& value, const EditValues& all)>;

struct EditField {
    int id = 0;
    std::string label;          // "Descrizione:"
    std::string field;          // the table field
    FieldKind kind = FieldKind::Text;
    std::string mask;           // display mask, "" for none
    std::function<std::vector<std::string>()> list; // entries of a Choice (or drop-down values)
    bool typedChoice = false;   // a Choice that also takes a typed value
    FieldRule rule;             // validation rule ("Campo non valido." when false)
    int page = 0;               // folder page (0 without pages)
    std::function<bool(const EditValues& all)> enabled; // a disabled field is skipped by the re-check
    int width = 0;              // characters shown (0: the field's)
    // Runs when the user changes the field: may fill other fields from it (the dialog shows them).
    std::function<void(EditValues& all)> changed = {};
    std::string tooltip = {};   // fixed tooltip of the control
    // A tooltip that follows the values shown (recomputed as they change); wins over TOOLTIP.
    std::function<std::string(const EditValues& all)> tooltipOf = {};
    // A label that follows the values shown (recomputed as they change); wins over LABEL.
    std::function<std::string(const EditValues& all)> labelOf = {};
    // Entries of a Choice that follow the values shown (recomputed as they change); wins over LIST.
    std::function<std::vector<std::string>(const EditValues& all)> listOf = {};
    bool readOnly = false;      // shown, not typed into
    bool stored = true;         // false: shown only, never read from nor written to the table
    // A picker beside the field (a button, or F4/F12 in it): the value chosen, nullopt when none.
    // Choosing counts as typing: the field's `changed` hook and the register's fieldLeft run.
    std::function<std::optional<std::string>(Workspace& ws, const EditValues& all)> pick = {};
    bool sameRow = false;       // shown on the row of the field before it, after its own label
    // A grid: a row whose fields carry column headings, and the rows of the same box after it with
    // as many fields. The headings stand on a line of their own above the first row, each over its
    // column (an empty heading leaves its column to the heading before it); the cells of a column
    // line up, and take no labels of their own beyond the first of each row.
    std::string columnHeading = {};
    bool labelAbove = false;    // the label on a row of its own above the control, wrapped (a question)
    // The framed box the field is shown in, with this caption ("" none): the fields of one box
    // follow each other in the list.
    std::string group = {};
    // A Logical field shown as an option button: the register's `changed` hooks keep one of a
    // set of them ticked.
    bool radio = false;
    // The font of the control ("" the dialog's; "Courier New" 12 for a text laid out in columns).
    std::string fontFamily = {};
    int fontSize = 0;
};

// The usual fields of a dialog, by kind (page 0 without folder pages).
EditField editField(int id, std::string label, FieldName field, FieldKind kind = FieldKind::Text,
                    std::string mask = {}, int page = 0);
EditField textField(int id, std::string label, FieldName field, std::string mask = {}, int page = 0);
EditField numberField(int id, std::string label, FieldName field, std::string mask, int page = 0);
EditField dateField(int id, std::string label, FieldName field, int page = 0);
EditField logicalField(int id, std::string label, FieldName field, int page = 0);
EditField memoField(int id, std::string label, FieldName field, int page = 0);
// A value chosen from LIST; TYPED: a drop-down that also takes a typed value.
EditField choiceField(int id, std::string label, FieldName field, std::function<std::vector<std::string>()> list,
                      bool typed = false, int page = 0);
// The name of a value that a dialog shows or asks for and no table stores (the period "DAL"/"AL"
// of a generation, a total beside the fields): not a name of the schema, so not checked when
// building; a table without such a field is neither read nor written for it.
constexpr FieldName dialogOnly(std::string_view name) { return FieldName::runtime(name); }
// A rule: the field must hold something besides blanks.
bool requiredRule(const std::string& value, const EditValues& all);

// The copies of one record's fields, as the dialog shows them: text as typed (no trailing
// blanks), numbers as their mask shows them, dates "dd/mm/yy", logicals "T"/"F" ("" for an unset
// three-state box).
class EditValues {
public:
    EditValues() = default;
    explicit EditValues(const std::vector<EditField>& fields);

    size_t size() const { return texts_.size(); }
    const std::string& at(size_t i) const { return texts_.at(i); }
    void setAt(size_t i, std::string text) { texts_.at(i) = std::move(text); }
    // By table field name (case-insensitive); "" when the register has no such field.
    std::string get(std::string_view field) const;
    void set(std::string_view field, std::string text);
    bool operator==(const EditValues&) const = default;

    // Typed value of a field as the table stores it.
    Decimal number(std::string_view field) const;
    Date date(std::string_view field) const;
    bool logical(std::string_view field) const;

private:
    std::vector<std::string> names_;
    std::vector<std::string> texts_;
    std::vector<std::string> masks_;
};

// Blank copies for an insert: empty texts, empty dates, zero numbers, false logicals.
EditValues blankValues(const std::vector<EditField>& fields, const Table* table = nullptr);
// Copies of the table's current record (values chosen from a list without trailing blanks).
EditValues recordValues(const std::vector<EditField>& fields, const Table& table);
// Puts the copies into the cursor's record (not written).
void storeValues(const std::vector<EditField>& fields, const EditValues& values, Table& table);

// The re-check of a confirmed dialog, page by page and in field order, disabled fields skipped: the
// first field that fails and its message ("Data non valida.", "Numero troppo grande.",
// "Campo non valido.").
struct FieldFailure {
    size_t index = 0;
    std::string message;
};
std::optional<FieldFailure> recheckValues(const std::vector<EditField>& fields, const EditValues& values,
                                          const Table* table = nullptr);
// The check made when the user leaves one field (same messages).
std::optional<std::string> checkField(const EditField& field, const EditValues& values, size_t index,
                                      const Table* table = nullptr);

// ---- columns, search criteria, extra buttons

class RegisterContext;
struct Column {
    std::string header;
    std::function<std::string(const Table&)> value;
    int width = 12; // characters
    bool right = false;
    bool centered = false;
    bool checkBox = false; // the value "T" shows a ticked box, anything else an empty one
    // A single click on a cell of this column, the cursor on its row (the list redraws after);
    // a double click there does not open the record.
    std::function<void(RegisterContext&)> click = {};
    // The space bar on the list runs CLICK on the current row too.
    bool spaceKey = false;
};
// A column that shows a field (numbers and dates through MASK).
Column fieldColumn(std::string header, FieldName field, int width = 0, std::string mask = {});

enum class Match {
    Contains,    // typed text anywhere in the field
    Prefix,      // the field begins with the typed text
    PaddedExact, // the field equals the typed text padded to its width
    Equal,       // a value chosen from a list
    From,        // lower bound of a date or a number
    To,          // upper bound
    Flag,        // three-state box: ticked, not ticked, either
    Custom,      // the criterion's own condition
};

struct SearchField {
    int id = 0;
    std::string label;
    std::string field;
    Match match = Match::Contains;
    FieldKind kind = FieldKind::Text; // Text, Number, Date, TriState or Choice
    std::string mask;
    std::function<std::vector<std::string>()> list;
    bool typedChoice = false; // a drop-down that also takes a typed value
    std::string initial = {};  // the value the dialog opens with ("T": a ticked box)
    // Whether the criterion can be filled, from every typed value (empty: always).
    std::function<bool(const std::vector<std::string>& typed)> enabled = {};
    // Runs when the user changes the criterion: may change the others (the dialog shows them).
    std::function<void(std::vector<std::string>& typed)> changed = {};
    // A picker beside the criterion (a button, or F4/F12 in it): the value chosen, or nullopt.
    std::function<std::optional<std::string>(Workspace& ws, const std::vector<std::string>& typed)> pick = {};
    // Match::Custom: the condition from every typed value (empty predicate: no condition).
    std::function<RecordPredicate(const std::vector<std::string>& typed)> condition = {};
};
// The usual criteria: one compared with a field as MATCH says, and one with a condition of its own.
SearchField searchField(int id, std::string label, FieldName field, Match match, FieldKind kind = FieldKind::Text);
SearchField customSearch(int id, std::string label, FieldKind kind,
                         std::function<RecordPredicate(const std::vector<std::string>& typed)> condition);
// The condition of the filled criteria joined by "and"; an empty predicate when none is filled.
// Texts as in EditValues; a date or a number that cannot be read adds no condition.
RecordPredicate buildCondition(const std::vector<SearchField>& fields, const std::vector<std::string>& typed);

struct ExtraButton {
    int id = 0;
    std::string caption;
    bool needsRecord = true;
    std::function<void(RegisterContext&)> action;
};

enum class KeyTyping { None, Search, Seek }; // none, KEYSEARCH, KEYSEEK

// A read-only figure under the browse (a balance, a total of the list): its label and its text,
// computed again every time the list is redrawn (after each button's action, a search, a write).
struct Figure {
    std::string label;
    std::function<std::string(RegisterContext&)> text;
    int width = 14; // characters shown
};

// A button of the edit dialog after "&Conferma" and "&Annulla" (prints of the values shown,
// attached documents). It works on the values shown, saved or not.
struct DialogButton {
    int id = 0;
    std::string caption;
    std::string tooltip;
    bool whileInserting = true; // false: disabled while a record is being inserted
    std::function<void(Workspace&, const EditValues&)> action;
    // Instead of ACTION: changes the values shown (the dialog counts it as typing).
    std::function<void(Workspace&, EditValues&)> fill = {};
    // Confirms the dialog as "&Conferma" does; once the values are saved, ACTION runs on them.
    bool confirms = false;
    // The folder page the button sits on, under its last column of fields (-1: the button row).
    int page = -1;
    // Whether the button works with the values shown (empty: always); followed as they change.
    std::function<bool(const EditValues& all)> enabled = {};
};

// One table whose field stores a value of this register; a rename is carried into it.
struct RenameTarget {
    std::string table;
    std::vector<FieldName> fields;
    // Only the records it accepts (empty: every record).
    std::function<bool(const Table&)> when = {};
};

// How an edit dialog is opened: inserting or modifying, under which of the register's own modes
// ("" plain; "Duplica", "Sostituisci" ...), with which caption ("" gives "Aggiungi" / "Modifica")
// and which field taking the focus first (0: the first).
struct EditRequest {
    bool inserting = false;
    std::string mode;
    std::string title;
    int focusField = 0;
    uint32_t recno = 0; // the record the dialog was opened on (0: none)
    bool readOnly = false; // the values only shown: nothing is typed, "&Conferma" is disabled
};

struct SaveResult;

// ---- the description of a register
//
// Field and tag names are checked when building (store/names.h). The table fields of edit
// fields and search criteria are given through their builders (textField, searchField ...), which
// check them; the members keep them as text, for names made at run time.

struct RegisterDesc {
    std::string name;            // dialog resource, "RAMI"
    std::string title;           // "Rami"
    bool countingTitle = false;  // "Clienti - 12 di 345"
    std::string table;
    std::string alias;           // default: the table's name
    std::vector<TagName> orders; // index files attached, the first one controls
    std::vector<std::pair<std::string, std::string>> lookups; // other tables (name, alias) opened with the list
    std::vector<Column> columns;
    std::vector<int> buttons = {kBtnClose, kBtnAdd, kBtnModify, kBtnDelete};
    // Buttons of the register's own, after the pattern's; one whose id is also listed in BUTTONS
    // takes that place among them instead.
    std::vector<ExtraButton> extraButtons;
    KeyTyping typing = KeyTyping::None;

    // A one-field lookup: the value is edited in the list itself (cell editor).
    bool cellEditor = false;
    FieldName cellField;

    // The edit dialog.
    std::string editName;                 // dialog resource, "PRODOTTO"
    std::string editTitle;                // caption shown beside "Aggiungi"/"Modifica" ("" none)
    std::vector<EditField> fields;
    std::vector<std::string> pages;       // captions of the folder pages, empty for none
    int formColumns = 1;                  // the fields in this many columns, in order (on each page)
    std::vector<DialogButton> editButtons;
    // Index tag of the duplicate test: the key the typed values give in it is looked for when
    // inserting or when that key changed (none: no test). The test reads the tag itself, so a search
    // view on the list does not hide the records it leaves out.
    TagName duplicateTag;
    std::string duplicateMessage;         // "Prodotto già presente."
    bool tableLock = true;                // false: appends and record writes without the table lock
    // The register's own checks that need other tables: the message, or nullopt.
    std::function<std::optional<std::string>(Workspace&, const EditValues&, bool inserting)> check;
    // Field whose renaming is carried into RENAMES (none: no rename is carried).
    FieldName renameField;
    std::vector<RenameTarget> renames;
    // Fields kept in the copies, stored and part of the keys, but not shown in the dialog (a
    // sub-list's parent key).
    std::vector<int> hiddenFields;
    // Called when the user leaves a field whose value changed since it was entered: may change
    // the copies of other fields (the dialog shows them).
    std::function<void(int id, EditValues& values)> fieldLeft;
    bool isHidden(int id) const
    {
        for (int h : hiddenFields)
            if (h == id) return true;
        return false;
    }
    // Presets the blank copies of an insert (a sub-list's parent key, defaults).
    std::function<void(Workspace&, EditValues&)> prepareInsert;
    // After a successful write (before, after, inserting).
    std::function<void(Workspace&, const EditValues&, const EditValues&, bool)> afterWrite;

    // Deleting: a register whose records others depend on checks first (false: nothing is
    // deleted; the hook shows its own message) and may carry the deletion on afterwards.
    std::function<bool(RegisterContext&)> beforeDelete;
    std::function<void(RegisterContext&, uint32_t deletedRecno)> afterDelete;

    // The search dialog ("R" + name).
    std::vector<SearchField> search;
    int searchColumns = 1;                 // the criteria in this many columns, in order
    std::string searchAllCaption = "&Tutti";
    // Adjusts a plain insertion or modification before its dialog opens (caption, focus, values).
    std::function<void(RegisterContext&, EditRequest&, EditValues&)> prepareEdit;

    // Printouts of the list (through the list-report engine): "&Stampa ^" offers PRINTOUTS in a
    // pop-up menu just above the button; without them it calls PRINT. Then the e-mail and the export.
    // A caption "-" is a separator.
    struct Printout {
        std::string caption;
        std::function<void(RegisterContext&)> run;
        // Whether the entry can be chosen on the record under the cursor (empty: always); a
        // disabled entry is shown greyed.
        std::function<bool(RegisterContext&)> enabled = {};
    };
    std::vector<Printout> printouts;
    // "&Aggiungi ^": a pop-up menu of these instead of the plain insertion.
    std::vector<Printout> addMenu;
    // The register's own save sequence instead of saveRecord (the cursor is on REQUEST.recno when
    // modifying); on failure the dialog comes back with AFTER.
    std::function<SaveResult(RegisterContext&, const EditRequest& request, const EditValues& before,
                             const EditValues& after)>
        save;
    // After a dialog was saved (the list redraws after it).
    std::function<void(RegisterContext&, const EditRequest& request, const EditValues& saved)> afterSave;
    std::function<void(RegisterContext&)> print;
    std::function<void(RegisterContext&)> email;
    std::function<void(RegisterContext&)> excel; // default: the table's records to a spreadsheet
    // The figures under the browse, in a row, left to right (none: no row).
    std::vector<Figure> figures;

    // A double click on a row opens the record read-only (EditRequest::readOnly) instead of
    // modifying it.
    bool readOnlyOnDoubleClick = false;
    // A register whose records are edited in more than one form: the description whose edit
    // dialog (fields, pages, buttons, rules, preparation and save) REQUEST opens (the cursor on the
    // record when modifying; an insertion from ADDMENU names its form in REQUEST.mode). Each form
    // keeps the register's table. None: this description's own dialog.
    std::function<const RegisterDesc&(RegisterContext&, const EditRequest& request)> form;

    // "&Aggiungi" runs this instead of the insertion dialog (a selection that adds records).
    std::function<void(RegisterContext&)> add;

    // The default view: the list shows every record ordered by this key, on opening, after
    // "Ricerca" (the records found) and after "&Tutti" (every record again). For a table whose
    // own index keeps only its physical order (a constant key) and whose rows are ordered by
    // what other tables say of them. None: the register's first order, without a view.
    store::RecordKey viewKey;

    // The colour of a row's text, 0xRRGGBB, from its record (nullopt or empty: the usual one).
    std::function<std::optional<uint32_t>(const Table&)> rowColor;
    // Whether button ID can be pressed on the record under the cursor, besides the pattern's own
    // rule (a record needed); empty: always. Asked again as the cursor moves.
    std::function<bool(RegisterContext&, int id)> buttonEnabled;

    std::string aliasName() const { return alias.empty() ? table : alias; }
    std::string searchName() const { return "R" + name; }
};

// What a register list is showing, for the actions of its buttons.
class RegisterContext {
public:
    RegisterContext(const RegisterDesc& desc, Workspace& ws) : desc_(desc), ws_(ws) {}
    const RegisterDesc& desc() const { return desc_; }
    Workspace& workspace() { return ws_; }
    Table& table() { return ws_[desc_.aliasName()]; }
    bool hasRecord() { return !table().eof(); }

    // Set by the list showing the register (empty without one):
    // the edit dialog opened as REQUEST asks, on INITIAL values, until saved (true) or abandoned;
    std::function<bool(const EditRequest& request, const EditValues& initial)> edit;
    // the list drawn again around the cursor's record;
    std::function<void()> redraw;
    // a button of the list pressed;
    std::function<void(int id)> press;
    // a pop-up menu of ENTRIES above button ID (an extra button's own menu, "Emai&l ^").
    std::function<void(const std::vector<RegisterDesc::Printout>& entries, int id)> menu;

private:
    const RegisterDesc& desc_;
    Workspace& ws_;
};

// "Rami", or "Clienti - 12 di 345": rows in the current order or view against every live record.
std::string registerTitle(const RegisterDesc& desc, Table& table, uint64_t rows);

// Opens the register's table and lookups shared in WS (step 1 of opening a list), in the default
// view when the register has one; closes them.
void openRegisterTables(const RegisterDesc& desc, Workspace& ws);
void closeRegisterTables(const RegisterDesc& desc, Workspace& ws);

// ---- saving a confirmed edit dialog

struct SaveResult {
    enum Kind { Saved, CheckFailed, Duplicate, DiskProblem } kind = Saved;
    std::string message; // to show before the dialog opens again; when saved, a warning to show
    explicit operator bool() const { return kind == Saved; }
};
// The register's own checks, the write protocol with the duplicate test (when inserting or when
// the key changed), then the renamed key carried into the other tables under
// "Aggiornamento archivi in corso...". When modifying, the cursor is on the record edited. On any
// failure nothing is written and the caller reopens the dialog with AFTER.
SaveResult saveRecord(const RegisterDesc& desc, Workspace& ws, bool inserting, const EditValues& before,
                      const EditValues& after);

// Replaces OLDVALUE with NEWVALUE in the fields of the tables wherever a field equals it (trailing
// blanks aside). Each table is opened shared under an alias of its own, locked as a whole while it
// changes and walked in physical order. Running it again finishes a rename that was interrupted.
// Gives the number of records changed; nothing is done when the values are equal or OLDVALUE is
// blank. Without FAILED the first table that cannot be changed stops the cascade with its error;
// with it, that table's name is added to *FAILED and the cascade goes on with the others.
size_t renameCascade(Workspace& ws, const std::vector<RenameTarget>& targets, const std::string& oldValue,
                     const std::string& newValue, std::vector<std::string>* failed = nullptr);
// The warning of a rename that some tables did not take ("" when FAILED is empty).
std::string renameFailedMessage(const std::vector<std::string>& failed);

// ---- search

// Replaces the view of the register's table with the records satisfying CONDITION (over the whole
// table, in the register's key order or by its default view key) and remembers it; an empty
// condition changes nothing and gives false.
bool applySearch(const RegisterDesc& desc, Table& table, const RecordPredicate& condition);
// "&Tutti": every record again (in the default view when the register has one), and the
// remembered condition back to all records.
void clearSearch(const RegisterDesc& desc, Table& table);

// ---- the cell editor of the lookup tables

// "&Aggiungi": after the drive checks, a blank record appended, written and released; the cursor
// is on it. The disk message when the drive refuses (nothing appended).
std::optional<std::string> cellAppend(Table& table);
// The value confirmed in the cell of record RECNO. An empty value is refused (false, nothing
// written); a value equal to the stored one writes nothing; otherwise, after the write-protection
// check, the record is locked, undeleted, changed, written and unlocked. The disk message goes to
// *MESSAGE when the drive refuses.
bool cellStore(Table& table, uint32_t recno, FieldName field, const std::string& value,
               std::string* message = nullptr);
// Leaving a new row without a value: the blank record goes again.
void cellDiscard(Table& table, uint32_t recno);

} // namespace arv::records
