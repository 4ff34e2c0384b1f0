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

#include "accounting/invoiceregister.h"
#include "accounting/letterscreens.h"
#include "accounting/movements.h"
#include "accounting/remittances.h"
#include "accounting/vocabulary.h"
#include "common/text.h"
#include "common/lists.h"
#include "policies/policyregister.h"
#include "registry/clients.h"
#include "records/lookups.h"
#include "store/workspace.h"
#include "ui/docdialogs.h"
#include "ui/fields.h"
#include "ui/formdialog.h"
#include "ui/popmsg.h"
#include "ui/register.h"

namespace arv::accounting {

using namespace store;
using namespace records;

namespace {

constexpr const char* kNotAvailable = "Funzione non ancora disponibile.";
constexpr const char* kDocumentArchive = "Movimenti";
constexpr int kBtnReturn = 209;
constexpr int kBtnFees = 210;
constexpr int kBtnClosing = 211;
constexpr int kBtnInvoice = 212;
constexpr int kBtnQuestionnaire = 213;

QString q(const std::string& s) { return QString::fromStdString(s); }

void notAvailable() { POPMSG(kNotAvailable, 1); }

std::function<void(const std::string&)>& questionnaireCaller()
{
    static std::function<void(const std::string&)> call;
    return call;
}

std::function<void()>& formsCaller()
{
    static std::function<void()> call;
    return call;
}

void openQuestionnaire(RegisterContext& c)
{
    if (!questionnaireCaller()) {
        notAvailable();
        return;
    }
    questionnaireCaller()(trim(c.table().text("POLIZZA")));
}

Interaction screenInteraction()
{
    Interaction io;
    io.ask = [](const std::string& question) {
        return POPMSG(question, static_cast<int>(MessageKind::YesNo)) != 0;
    };
    io.tell = [](const std::string& message) { POPMSG(message, 1); };
    // The commission receipt and the transfer reminders of a remittance.
    io.remittanceDocuments = [](Workspace& ws, const EditValues& v) {
        remittanceDocuments(ws, trim(v.get("RAPPORTO")), v.date("DATA"), v.date("FINEPER"), Date::today(), true,
                            [](const std::string& message) { POPMSG(message, 1); });
    };
    return io;
}

// The policy whose collection the caller of MOVICOMP waits for, and whether one was saved.
struct Awaited {
    std::string number;
    bool collected = false;
};
Awaited& awaited()
{
    static Awaited a;
    return a;
}

// The second producer's movement waiting to be shown after its first one was saved.
std::optional<EditValues>& pendingSecond()
{
    static std::optional<EditValues> next;
    return next;
}

Column dateColumn(const char* header, FieldName field)
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

void registerFeesOf(RegisterContext& c)
{
    std::unique_ptr<QDialog> d = makeFeesDialog();
    if (d->exec() != QDialog::Accepted) return;
    const FormDialog& f = *asForm(d.get());
    registerFees(c.table(), f.date("DAL"), f.date("AL"), f.text("RAPPORTO"), f.date("DATA"));
    if (c.redraw) c.redraw();
}

// A dialog of criteria, then the list of the movements they choose; the confirmed selection is written.
void chooseAndWrite(RegisterContext& c, std::unique_ptr<QDialog> d, const char* listName, const char* listTitle,
                    const std::function<std::vector<uint32_t>(Workspace&, const FormDialog&)>& find,
                    const std::function<void(Workspace&, const std::vector<uint32_t>&, const FormDialog&)>& write)
{
    if (d->exec() != QDialog::Accepted) return;
    const FormDialog& f = *asForm(d.get());
    MovementSelection list(listName, listTitle, find(c.workspace(), f));
    if (list.exec() != QDialog::Accepted) return;
    write(c.workspace(), list.selected(), f);
    if (c.redraw) c.redraw();
}

void returnItems(RegisterContext& c)
{
    chooseAndWrite(
        c, makeReturnDialog(), "RIENTRO2", "Rientro",
        [](Workspace& ws, const FormDialog& f) {
            return suspendedMovements(ws, f.date("DAL"), f.date("AL"), f.text("PRODUTTORE"));
        },
        [](Workspace& ws, const std::vector<uint32_t>& chosen, const FormDialog& f) {
            returnSuspended(ws, chosen, f.date("DATA"), f.text("CONTO"));
        });
}

void closeProducerPeriod(RegisterContext& c)
{
    chooseAndWrite(
        c, makeClosingDialog(), "CHIUSURA2", "Chiusura",
        [](Workspace& ws, const FormDialog& f) {
            return closingMovements(ws, f.date("DAL"), f.date("AL"), f.text("PRODUTTORE"));
        },
        [](Workspace& ws, const std::vector<uint32_t>& chosen, const FormDialog& f) {
            closePeriod(ws, chosen, f.date("DATA"));
        });
}

// ---- the movement dialog

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
            f.pick = [](Workspace& ws, const EditValues& v) { return registry::pickClient(ws, v.get("ASSICURATO")); };
            break;
        case 109: f.enabled = noPolicy; break;
        default: break;
        }
    }
    return fields;
}

// "Fattura": a new invoice for the movement's insured, of its consultancy fee.
void invoiceOfMovement(RegisterContext& c)
{
    Table& t = c.table();
    if (t.eof()) return;
    FATTURE3(t.text("ASSICURATO"),
             "\r\n\r\nRiferimento polizza: " + trim(t.text("COMPAGNIA")) + " - Polizza n. " + trim(t.text("POLIZZA")),
             t.number("COMMISS"));
    if (c.redraw) c.redraw();
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
        {kBtnInvoice, "&Fattura", true, invoiceOfMovement},
        {kBtnQuestionnaire, "Pr&econtratt.", true, openQuestionnaire},
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
    s.fieldLeft = [](int id, EditValues& v) { movementFieldLeft(workspace(), id, v); };
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
    s.afterSave = [](RegisterContext& c, const EditRequest& request, const EditValues& saved) {
        Awaited& a = awaited();
        if (request.inserting && !a.number.empty() && trim(saved.get("POLIZZA")) == a.number &&
            isCollection(trim(saved.get("DESCRIZIO"))))
            a.collected = true;
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
    // "Assicurato:" (criterion 106) takes the client picker.
    for (size_t i = 0; i < s.search.size(); ++i)
        if (s.search[i].id == 106)
            s.search[i].pick = [i](Workspace& ws, const std::vector<std::string>& typed) {
                return registry::pickClient(ws, typed[i]);
            };
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
        {"Copertura immediata", [](RegisterContext& c) { coverageNotice(c.workspace(), c.table()); }},
        {"Ricevuta pagamento", [](RegisterContext& c) { paymentReceipt(c.workspace(), c.table()); }},
        {"Estratto sospesi cliente", [](RegisterContext& c) { suspendedStatements(c.workspace(), c.table()); }},
        {"-", {}},
        {"Modulistica",
         [](RegisterContext&) {
             if (formsCaller()) formsCaller()();
             else notAvailable();
         }},
    };
    return s;
}

} // namespace

// ---------------------------------------------------------------- dialogs

std::unique_ptr<QDialog> makeGenerationDialog(QWidget* parent)
{
    EditField to = dateField(102, "al:", dialogOnly("AL"));
    to.rule = [](const std::string& s, const EditValues& v) { return generationRange(v.date("DAL"), Date::fromDisplay(s)); };
    return std::make_unique<FormDialog>(
        "GENEINC", "Generazione incassi",
        std::vector<EditField>{requiredField(dateField(101, "Data copertura dal:", dialogOnly("DAL"))), to,
                               textField(103, "Cod. convenz.:", "CODCONV"),
                               choiceField(104, "Conto:", "CONTO", [] { return ACONTI(); })},
        parent);
}

std::unique_ptr<QDialog> makeReturnDialog(QWidget* parent)
{
    auto d = std::make_unique<FormDialog>(
        "RIENTRO", "Rientro",
        std::vector<EditField>{requiredField(dateField(101, "Data:", "DATA")),
                               dateField(102, "Periodo: dal", dialogOnly("DAL")),
                               dateField(103, "al", dialogOnly("AL")),
                               requiredField(choiceField(104, "Conto:", "CONTO", [] { return ACONTI(); })),
                               requiredField(choiceField(105, "Produttore:", "PRODUTTORE",
                                                    [] { return withEmpty(APRODUTT(workspace())); }))},
        parent);
    d->set(101, Date::today().toDisplay());
    return d;
}

std::unique_ptr<QDialog> makeFeesDialog(QWidget* parent)
{
    auto d = std::make_unique<FormDialog>(
        "CORRISPETTIVI", "Registrazione corrispettivi",
        std::vector<EditField>{requiredField(dateField(101, "Periodo: dal", dialogOnly("DAL"))),
                               requiredField(dateField(102, "al", dialogOnly("AL"))),
                               requiredField(choiceField(103, "Rapporto:", "RAPPORTO",
                                                    [] { return withEmpty(ACOMPAGNIE(workspace())); })),
                               dateField(104, "Data registrazione:", "DATA")},
        parent);
    d->set(104, Date::today().toDisplay());
    return d;
}

std::unique_ptr<QDialog> makeClosingDialog(QWidget* parent)
{
    auto d = std::make_unique<FormDialog>(
        "CHIUSURA", "Chiusura periodo",
        std::vector<EditField>{requiredField(dateField(101, "Periodo: dal", dialogOnly("DAL"))),
                               requiredField(dateField(102, "al", dialogOnly("AL"))),
                               choiceField(103, "Produttore:", "PRODUTTORE",
                                           [] { return withEmpty(APRODUTT(workspace())); }),
                               dateField(104, "Chiusura periodo:", "DATA")},
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

EditValues movementValuesFor(Workspace& ws, const std::string& number)
{
    EditValues v = newMovementValues();
    if (!filled(number)) return v;
    v.set("POLIZZA", trim(number));
    loadFromPolicy(ws, v);
    return v;
}

bool MOVICOMP(bool insert, const std::string& number)
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
        o.shown = [number](RegisterList& list) {
            EditRequest r;
            r.inserting = true;
            list.edit(r, movementValuesFor(workspace(), number));
        };
    // The caller's wait, kept for a register opened from this one.
    const Awaited outer = std::exchange(awaited(), Awaited{trim(number), false});
    struct Restore {
        Awaited outer;
        ~Restore() { awaited() = outer; }
    } restore{outer};
    runRegister(movementsRegister(), ws, o);
    return !trim(number).empty() && awaited().collected;
}

void setQuestionnaireCaller(std::function<void(const std::string& policy)> call)
{
    questionnaireCaller() = std::move(call);
}

void setMovementFormsCaller(std::function<void()> call) { formsCaller() = std::move(call); }

void addMovementEntries(const std::function<void(const std::string& name, std::function<void()> entry)>& add)
{
    add("MOVICOMP", [] { MOVICOMP(); });
}

} // namespace arv::accounting
