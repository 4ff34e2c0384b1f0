#include "accounting/movementregister.h"

#include <optional>
#include <utility>

#include <QApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "accounting/movements.h"
#include "common/lists.h"
#include "policies/policyregister.h"
#include "registry/clients.h"
#include "store/lookups.h"
#include "store/workspace.h"
#include "ui/docdialogs.h"
#include "ui/fields.h"
#include "ui/popmsg.h"
#include "ui/register.h"

namespace arv::accounting {

using namespace store;

namespace {

constexpr const char* kNotAvailable = "Funzione non ancora disponibile.";
constexpr const char* kDocumentArchive = "Movimenti";
constexpr int kBtnReturn = 209;
constexpr int kBtnFees = 210;
constexpr int kBtnClosing = 211;
constexpr int kBtnInvoice = 212;
constexpr int kBtnQuestionnaire = 213;

QString q(const std::string& s) { return QString::fromStdString(s); }

std::string trim(std::string s)
{
    while (!s.empty() && s.back() == ' ') s.pop_back();
    const size_t b = s.find_first_not_of(' ');
    return b == std::string::npos ? std::string() : s.substr(b);
}

bool filled(const std::string& s) { return !trim(s).empty(); }

void notAvailable() { POPMSG(kNotAvailable, 1); }

Interaction screenInteraction()
{
    Interaction io;
    io.ask = [](const std::string& question) {
        return POPMSG(question, static_cast<int>(MessageKind::YesNo)) != 0;
    };
    io.tell = [](const std::string& message) { POPMSG(message, 1); };
    // The commission receipt and the transfer reminders of a remittance.
    io.remittanceDocuments = [](Workspace&, const EditValues&) { notAvailable(); };
    return io;
}

// The second producer's movement waiting to be shown after its first one was saved.
std::optional<EditValues>& pendingSecond()
{
    static std::optional<EditValues> next;
    return next;
}

Column dateColumn(const char* header, const char* field)
{
    Column c;
    c.header = header;
    c.width = 9;
    c.value = [field](const Table& t) {
        const Date d = t.date(field);
        return d ? d.toDisplay() : std::string();
    };
    return c;
}

// ---- the small dialogs of the buttons: a form of fields with their rules, "Conferma" and "Annulla"

class FormDialog : public QDialog {
public:
    FormDialog(const char* name, const char* title, std::vector<EditField> fields, QWidget* parent)
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
            form->addRow(q(f.label), w);
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

    void set(int id, const std::string& value)
    {
        for (size_t i = 0; i < fields_.size(); ++i)
            if (fields_[i].id == id) setFieldWidgetValue(widgets_[i], value);
    }
    EditValues values() const
    {
        EditValues v(fields_);
        for (size_t i = 0; i < fields_.size(); ++i) v.setAt(i, fieldWidgetValue(widgets_[i]));
        return v;
    }
    std::string text(std::string_view field) const { return trim(values().get(field)); }
    Date date(std::string_view field) const { return Date::fromDisplay(values().get(field)); }

    // A check of the whole form after the fields' own rules: the message, or nullopt.
    std::function<std::optional<std::string>(const FormDialog&)> check;

private:
    void confirm()
    {
        const EditValues v = values();
        for (QWidget* w : widgets_) markInvalid(w, false);
        if (auto failure = recheckValues(fields_, v)) {
            markInvalid(widgets_[failure->index], true);
            POPMSG(failure->message, 1);
            widgets_[failure->index]->setFocus();
            return;
        }
        if (check) {
            if (auto message = check(*this)) {
                POPMSG(*message, 1);
                return;
            }
        }
        accept();
    }

    std::vector<EditField> fields_;
    std::vector<QWidget*> widgets_;
};

EditField formField(int id, const char* label, const char* name, FieldKind kind = FieldKind::Text, bool required = false)
{
    EditField f;
    f.id = id;
    f.label = label;
    f.field = name;
    f.kind = kind;
    if (required) {
        if (kind == FieldKind::Date)
            f.rule = [](const std::string& s, const EditValues&) { return bool(Date::fromDisplay(s)); };
        else
            f.rule = [](const std::string& s, const EditValues&) { return filled(s); };
    }
    return f;
}

EditField formChoice(int id, const char* label, const char* name, std::function<std::vector<std::string>()> list,
                     bool required = false)
{
    EditField f = formField(id, label, name, FieldKind::Choice, required);
    f.list = std::move(list);
    return f;
}

std::vector<std::string> withEmpty(std::vector<std::string> l)
{
    if (l.empty() || !l.front().empty()) l.insert(l.begin(), std::string());
    return l;
}

FormDialog* asForm(QDialog* d) { return static_cast<FormDialog*>(d); }

// ---- the buttons' actions

void generate(RegisterContext& c)
{
    std::unique_ptr<QDialog> d = makeGenerationDialog();
    if (d->exec() != QDialog::Accepted) return;
    const FormDialog& f = *asForm(d.get());
    const Generation g{f.date("DAL"), f.date("AL"), f.text("CODCONV"), f.text("CONTO")};
    POPMSG(kMsgGenerating);
    try {
        generateCollections(c.workspace(), c.table(), g, Date::today());
    } catch (...) {
        POPMSG();
        throw;
    }
    POPMSG();
    if (c.redraw) c.redraw();
}

void returnItems(RegisterContext& c)
{
    std::unique_ptr<QDialog> d = makeReturnDialog();
    if (d->exec() != QDialog::Accepted) return;
    const FormDialog& f = *asForm(d.get());
    const std::vector<uint32_t> found = suspendedMovements(c.workspace(), f.date("DAL"), f.date("AL"), f.text("PRODUTTORE"));
    MovementSelection list("RIENTRO2", "Rientro", found);
    if (list.exec() != QDialog::Accepted) return;
    returnSuspended(c.workspace(), list.selected(), f.date("DATA"), f.text("CONTO"));
    if (c.redraw) c.redraw();
}

void registerFeesOf(RegisterContext& c)
{
    std::unique_ptr<QDialog> d = makeFeesDialog();
    if (d->exec() != QDialog::Accepted) return;
    const FormDialog& f = *asForm(d.get());
    registerFees(c.table(), f.date("DAL"), f.date("AL"), f.text("RAPPORTO"), f.date("DATA"));
    if (c.redraw) c.redraw();
}

void closeProducerPeriod(RegisterContext& c)
{
    std::unique_ptr<QDialog> d = makeClosingDialog();
    if (d->exec() != QDialog::Accepted) return;
    const FormDialog& f = *asForm(d.get());
    const std::vector<uint32_t> found = closingMovements(c.workspace(), f.date("DAL"), f.date("AL"), f.text("PRODUTTORE"));
    MovementSelection list("CHIUSURA2", "Chiusura", found);
    if (list.exec() != QDialog::Accepted) return;
    closePeriod(c.workspace(), list.selected(), f.date("DATA"));
    if (c.redraw) c.redraw();
}

// ---- the movement dialog

// The client chosen in the clients' register, opened as a picker.
std::optional<std::string> pickClient(Workspace& ws, const EditValues& v)
{
    RegisterOptions o;
    o.key = trim(v.get("ASSICURATO"));
    o.selection = true;
    const std::optional<uint32_t> chosen = runRegister(registry::clientsRegister(), ws, o);
    if (!chosen) return std::nullopt;
    OwnTable clients(ws, "CLIENTI", true);
    clients->goTo(*chosen);
    if (clients->eof()) return std::nullopt;
    return clients->text("CLIENTE");
}

std::vector<EditField> dialogFields()
{
    std::vector<EditField> fields = movementFields();
    const auto noPolicy = [](const EditValues& v) { return !filled(v.get("POLIZZA")); };
    for (EditField& f : fields) {
        switch (f.id) {
        case 102:
            f.pick = [](Workspace&, const EditValues& v) -> std::optional<std::string> {
                const std::string n = trim(policies::POLIZZE(true, trim(v.get("POLIZZA"))));
                if (n.empty()) return std::nullopt;
                return n;
            };
            break;
        case 104:
        case 105:
        case 110: f.enabled = noPolicy; break;
        case 107:
            f.enabled = noPolicy;
            f.pick = pickClient;
            break;
        case 109:
            f.enabled = noPolicy;
            f.tooltipOf = [](const EditValues& v) {
                return isSecondProducer(v) ? std::string("Produttore 2") : std::string("Produttore");
            };
            break;
        case 106:
        case 111:
        case 112:
        case 132:
        case 134: f.readOnly = true; break;
        case 118:
        case 119:
        case 130:
        case 131: f.stored = false; break;
        default: break;
        }
    }
    return fields;
}

void fieldLeft(int id, EditValues& v)
{
    Workspace& ws = workspace();
    switch (id) {
    case 101:
        if (!Date::fromDisplay(v.get("INCASSO"))) v.set("INCASSO", v.get("DATA"));
        break;
    case 102: loadFromPolicy(ws, v); break;
    case 109: v.set("NUMERUI", filled(v.get("PRODUTTORE")) ? RUIPROD(ws, trim(v.get("PRODUTTORE"))) : std::string()); break;
    case 114: reloadAmounts(ws, v); break;
    case 118:
        if (Mask::upper(trim(v.get("RAMO"))).rfind("AUTO", 0) == 0) v.set("RCAUTO", v.get(kNet));
        recomputeCommissions(ws, v);
        break;
    case 119:
        v.set("ARD", v.get(kFireTheft));
        recomputeCommissions(ws, v);
        break;
    case 116: recomputeCommissions(ws, v); break;
    default: break;
    }
}

void openInsertion(RegisterContext& c)
{
    if (!c.edit) return;
    EditRequest r;
    r.inserting = true;
    c.edit(r, newMovementValues());
}

RegisterDesc buildMovements()
{
    RegisterDesc s;
    s.name = "MOVICOMP";
    s.title = "Movimenti compagnie";
    s.countingTitle = true;
    s.table = "MOVICOMP";
    s.orders = {"MOVIDATA", "MOVIPOLI", "MOVIPERI"};
    s.lookups = {{"COMPAGN", "COMPAGN_"}, {"PRODUTT", "PRODUTT_"}};
    s.columns = {dateColumn("DATA", "DATA"), fieldColumn("POLIZZA", "POLIZZA", 16), fieldColumn("RAPPORTO", "RAPPORTO", 25),
                 fieldColumn("ASSICURATO", "ASSICURATO", 30), dateColumn("SCAD.", "SCADENZA")};
    s.buttons = {kBtnClose, kBtnAdd, kBtnModify, kBtnDelete, kBtnSearch, kBtnPrint};
    s.addMenu = {{"Nuovo", openInsertion}, {"Genera", generate}};
    s.extraButtons = {
        {kBtnReturn, "&Rientro", true, returnItems},
        {kBtnFees, "C&orrispett", true, registerFeesOf},
        {kBtnClosing, "C&hiusura", true, closeProducerPeriod},
        {kBtnInvoice, "&Fattura", true, [](RegisterContext&) { notAvailable(); }},
        {kBtnQuestionnaire, "Pr&econtratt.", true, [](RegisterContext&) { notAvailable(); }},
    };

    s.editName = "MOVICOMP2";
    s.fields = dialogFields();
    s.hiddenFields = movementHiddenFields();
    s.formColumns = 2;
    s.prepareInsert = [](Workspace&, EditValues& v) {
        const EditValues fresh = newMovementValues();
        v.set("DATA", fresh.get("DATA"));
        v.set("TIPO", fresh.get("TIPO"));
    };
    s.fieldLeft = fieldLeft;
    s.save = [](RegisterContext& c, const EditRequest&, const EditValues&, const EditValues& after) {
        MovementSave m = saveMovement(c.workspace(), c.table(), after, screenInteraction());
        pendingSecond() = m.second;
        SaveResult r;
        if (!m) {
            r.kind = SaveResult::CheckFailed;
            r.message = m.message;
        }
        return r;
    };
    // The second producer's movement, as a new insertion of its own.
    s.afterSave = [](RegisterContext& c, const EditRequest&, const EditValues&) {
        std::optional<EditValues> next = std::exchange(pendingSecond(), std::nullopt);
        if (!next || !c.edit) return;
        EditRequest r;
        r.inserting = true;
        c.edit(r, *next);
    };
    s.beforeDelete = [](RegisterContext& c) {
        deleteMovement(c.workspace(), c.table(), screenInteraction());
        return false; // the deletion has run, with its own messages
    };
    s.editButtons = {
        {203, "&Visualizza", "", false,
         [](Workspace&, const EditValues& v) { VISDOC(trim(v.get("CODICE")), kDocumentArchive); }},
        {204, "+", "Aggiungi documento", false,
         [](Workspace&, const EditValues& v) { NEWDOC(trim(v.get("CODICE")), kDocumentArchive); }},
    };
    s.search = movementSearch();
    auto values = [](ValueList which) {
        return [which](RegisterContext& c) { printValues(c.workspace(), c.table(), which); };
    };
    s.printouts = {
        {"Tabulato", [](RegisterContext& c) { printMovements(c.table()); }},
        {"-", {}},
        {"Valore portafoglio RC Auto", values(ValueList::MotorLiability)},
        {"Valore ARD", values(ValueList::Damage)},
        {"Valore Infortuni Conducente", values(ValueList::DriverAccident)},
        {"-", {}},
        {"Estrazione dati", [](RegisterContext& c) { exportMovements(c.workspace(), c.table()); }},
        {"-", {}},
        {"Copertura immediata", [](RegisterContext&) { notAvailable(); }},
        {"Ricevuta pagamento", [](RegisterContext&) { notAvailable(); }},
        {"Estratto sospesi cliente", [](RegisterContext&) { notAvailable(); }},
        {"-", {}},
        {"Modulistica", [](RegisterContext&) { notAvailable(); }},
    };
    return s;
}

} // namespace

// ---------------------------------------------------------------- dialogs

std::unique_ptr<QDialog> makeGenerationDialog(QWidget* parent)
{
    auto d = std::make_unique<FormDialog>(
        "GENEINC", "Generazione incassi",
        std::vector<EditField>{formField(101, "Data copertura dal:", "DAL", FieldKind::Date, true),
                               formField(102, "al:", "AL", FieldKind::Date, true),
                               formField(103, "Cod. convenz.:", "CODCONV"),
                               formChoice(104, "Conto:", "CONTO", [] { return ACONTI(); })},
        parent);
    d->check = [](const FormDialog& f) {
        return checkGeneration({f.date("DAL"), f.date("AL"), f.text("CODCONV"), f.text("CONTO")});
    };
    return d;
}

std::unique_ptr<QDialog> makeReturnDialog(QWidget* parent)
{
    auto d = std::make_unique<FormDialog>(
        "RIENTRO", "Rientro",
        std::vector<EditField>{formField(101, "Data:", "DATA", FieldKind::Date, true),
                               formField(102, "Periodo: dal", "DAL", FieldKind::Date),
                               formField(103, "al", "AL", FieldKind::Date),
                               formChoice(104, "Conto:", "CONTO", [] { return ACONTI(); }, true),
                               formChoice(105, "Produttore:", "PRODUTTORE",
                                          [] { return withEmpty(APRODUTT(workspace())); }, true)},
        parent);
    d->set(101, Date::today().toDisplay());
    return d;
}

std::unique_ptr<QDialog> makeFeesDialog(QWidget* parent)
{
    auto d = std::make_unique<FormDialog>(
        "CORRISPETTIVI", "Registrazione corrispettivi",
        std::vector<EditField>{formField(101, "Periodo: dal", "DAL", FieldKind::Date, true),
                               formField(102, "al", "AL", FieldKind::Date, true),
                               formChoice(103, "Rapporto:", "RAPPORTO",
                                          [] { return withEmpty(ACOMPAGNIE(workspace())); }, true),
                               formField(104, "Data registrazione:", "DATA", FieldKind::Date)},
        parent);
    d->set(104, Date::today().toDisplay());
    return d;
}

std::unique_ptr<QDialog> makeClosingDialog(QWidget* parent)
{
    auto d = std::make_unique<FormDialog>(
        "CHIUSURA", "Chiusura periodo",
        std::vector<EditField>{formField(101, "Periodo: dal", "DAL", FieldKind::Date, true),
                               formField(102, "al", "AL", FieldKind::Date, true),
                               formChoice(103, "Produttore:", "PRODUTTORE",
                                          [] { return withEmpty(APRODUTT(workspace())); }),
                               formField(104, "Chiusura periodo:", "DATA", FieldKind::Date)},
        parent);
    d->set(104, Date::today().toDisplay());
    return d;
}

MovementSelection::MovementSelection(const std::string& name, const std::string& title,
                                     const std::vector<uint32_t>& recnos, QWidget* parent)
    : QDialog(parent ? parent : QApplication::activeWindow()), recnos_(recnos)
{
    setObjectName(q(name));
    setWindowTitle(q(title));
    auto* layout = new QVBoxLayout(this);
    list_ = new QTableWidget(static_cast<int>(recnos.size()), 6, this);
    list_->setHorizontalHeaderLabels({"C", "DATA", "POLIZZA", "RAPPORTO", "ASSICURATO", "SCAD."});
    list_->verticalHeader()->hide();
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    {
        OwnTable own(workspace(), "MOVICOMP", true);
        for (size_t i = 0; i < recnos.size(); ++i) {
            own->goTo(recnos[i]);
            const int row = static_cast<int>(i);
            auto* mark = new QTableWidgetItem;
            mark->setFlags(Qt::ItemIsEnabled);
            mark->setCheckState(Qt::Checked);
            list_->setItem(row, 0, mark);
            auto date = [](Date d) { return d ? q(d.toDisplay()) : QString(); };
            list_->setItem(row, 1, new QTableWidgetItem(date(own->date("DATA"))));
            list_->setItem(row, 2, new QTableWidgetItem(q(own->text("POLIZZA"))));
            list_->setItem(row, 3, new QTableWidgetItem(q(own->text("RAPPORTO"))));
            list_->setItem(row, 4, new QTableWidgetItem(q(own->text("ASSICURATO"))));
            list_->setItem(row, 5, new QTableWidgetItem(date(own->date("SCADENZA"))));
        }
    }
    list_->resizeColumnsToContents();
    list_->horizontalHeader()->setStretchLastSection(true);
    connect(list_, &QTableWidget::cellClicked, this, [this](int row, int column) {
        if (column != 0) return;
        QTableWidgetItem* mark = list_->item(row, 0);
        mark->setCheckState(mark->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    });
    layout->addWidget(list_);
    auto* row = new QHBoxLayout;
    row->addStretch();
    auto* ok = new QPushButton(QStringLiteral("&Conferma"), this);
    auto* cancel = new QPushButton(QStringLiteral("&Annulla"), this);
    ok->setEnabled(!recnos.empty());
    row->addWidget(ok);
    row->addWidget(cancel);
    layout->addLayout(row);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    resize(720, 400);
}

std::vector<uint32_t> MovementSelection::selected() const
{
    std::vector<uint32_t> out;
    for (size_t i = 0; i < recnos_.size(); ++i)
        if (list_->item(static_cast<int>(i), 0)->checkState() == Qt::Checked) out.push_back(recnos_[i]);
    return out;
}

// ---------------------------------------------------------------- the entry function

const RegisterDesc& movementsRegister()
{
    static const RegisterDesc desc = buildMovements();
    return desc;
}

void MOVICOMP(bool insert)
{
    Workspace& ws = workspace();
    // The policies and their motor sheets, for the lookups, unless a calling screen has them.
    const int selected = ws.selected();
    std::vector<std::string> opened;
    if (!ws.isOpen("POLIZZE_")) {
        ws.open("POLIZZE", "POLIZZE_", true).ordAdd("NUMPOL");
        opened.push_back("POLIZZE_");
    }
    if (!ws.isOpen("DATIAUTO_")) {
        ws.open("DATIAUTO", "DATIAUTO_", true).ordAdd("DATIAUTO");
        opened.push_back("DATIAUTO_");
    }
    ws.select(selected);
    struct Closer {
        Workspace& ws;
        std::vector<std::string> aliases;
        int selected;
        ~Closer()
        {
            try {
                for (const std::string& a : aliases) ws.close(a);
                ws.select(selected);
            } catch (...) {
            }
        }
    } closer{ws, opened, selected};
    RegisterOptions o;
    o.startOnLast = true;
    if (insert)
        o.shown = [](RegisterList& list) {
            EditRequest r;
            r.inserting = true;
            list.edit(r, newMovementValues());
        };
    runRegister(movementsRegister(), ws, o);
}

void addMovementEntries(const std::function<void(const std::string& name, std::function<void()> entry)>& add)
{
    add("MOVICOMP", [] { MOVICOMP(); });
}

} // namespace arv::accounting
