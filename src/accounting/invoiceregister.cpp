#include "accounting/invoiceregister.h"

#include <filesystem>
#include <utility>

#include <QFileDialog>

#include "accounting/einvoice.h"
#include "accounting/invoices.h"
#include "accounting/movements.h"
#include "common/lists.h"
#include "common/mask.h"
#include "common/office.h"
#include "common/tempnames.h"
#include "common/text.h"
#include "registry/clients.h"
#include "store/workspace.h"
#include "ui/formdialog.h"
#include "ui/popmsg.h"
#include "ui/register.h"

namespace arv::accounting {

using namespace store;
using namespace records;
namespace fs = std::filesystem;

namespace {

constexpr int kBtnText1 = 203;
constexpr int kBtnPrintInvoice = 206;
constexpr int kBtnXml = 207;
constexpr PrintColor kProformaRed = 0xFF0000;

// How the dialog on screen was opened: the number proposed on leaving "Data:" depends on it.
struct Shown {
    bool inserting = true;
    bool proforma = false;
    std::string number; // as shown when a modification opened
    int year = 0;
};
Shown& shown()
{
    static Shown s;
    return s;
}

std::function<std::string(const std::string&)>& fileChooser()
{
    static std::function<std::string(const std::string&)> choose = [](const std::string& proposed) {
        const QString name = QFileDialog::getSaveFileName(nullptr, QStringLiteral("Salva con nome"),
                                                          QString::fromStdString(proposed),
                                                          QStringLiteral("File XML (*.xml)"));
        return name.toStdString();
    };
    return choose;
}

std::string numberText(int n) { return Mask("@EZ 99999").formatNumber(Decimal(n)); }

void openNew(RegisterContext& c, bool proforma)
{
    if (!c.edit) return;
    EditRequest r;
    r.inserting = true;
    r.mode = proforma ? kModeProforma : kModeInvoice;
    shown() = Shown{true, proforma, {}, 0};
    c.edit(r, newInvoiceValues(c.workspace(), proforma, Date::today()));
}

// Leaving "Data:" proposes the number of its year; leaving "Cliente:" gives the customer's rate.
void invoiceFieldLeft(int id, EditValues& v)
{
    Workspace& ws = workspace();
    if (id == 102) {
        const Date date = v.date("DATA");
        if (!date) return;
        const Shown& s = shown();
        if (s.inserting && !s.proforma) v.set("NUMERO", numberText(PROSNUMFATT(ws, date)));
        else if (!s.inserting) {
            v.set("NUMERO", date.year() == s.year ? s.number : numberText(PROSNUMFATT(ws, date)));
        }
    }
    if (id == 103) {
        const InvoiceCustomer c = invoiceCustomer(ws, v.get("CLIENTE"));
        if (c.found) v.set("ALIQUOTA", Mask("@E 999.999%").formatNumber(c.defaultRate));
    }
}

void printSaved(Workspace& ws)
{
    Table& t = ws["FATTBSA"];
    if (!t.eof()) printStoredInvoice(ws, t.recno());
}

void exportSaved(Workspace& ws)
{
    Table& t = ws["FATTBSA"];
    if (t.eof()) return;
    const XmlExport e = exportInvoiceXml(ws, t.recno(), fileChooser());
    if (e.cancelled) return;
    if (!e.ok) {
        POPMSG(e.message, 1);
        return;
    }
    POPMSG("Fattura elettronica salvata in " + e.path + ".", 1);
}

void exportSpreadsheet(RegisterContext& c)
{
    OfficeHooks& h = officeHooks();
    if (h.message) h.message(kMsgExportingInvoices, false);
    std::string file;
    try {
        const fs::path folder = fs::temp_directory_path() / GETNEWFNAME();
        fs::create_directories(folder);
        file = (folder / "Fatture.xlsx").string();
        if (!writeInvoiceSpreadsheet(c.table(), file)) file.clear();
    } catch (...) {
        file.clear();
    }
    if (h.closeMessage) h.closeMessage();
    if (!file.empty() && h.open) h.open(file);
}

RegisterDesc buildInvoices()
{
    RegisterDesc s;
    s.name = "FATTURE";
    s.title = "Fatture";
    s.countingTitle = true;
    s.table = "FATTBSA";
    s.orders = {"FATTBSA"};
    s.lookups = {{"CLIENTI", "CLIENTI_"}};
    Column number{"NUMERO",
                  [](const Table& t) {
                      const Decimal n = t.number("NUMERO");
                      return n.isZero() ? std::string("PROFORMA") : std::to_string(n.toLongLong());
                  },
                  10};
    number.right = true;
    Column date{"DATA", [](const Table& t) {
                    const Date d = t.date("DATA");
                    return d ? d.toDisplay() : std::string();
                }, 10};
    date.centered = true;
    s.columns = {number, date, fieldColumn("CLIENTE", "CLIENTE", 40)};
    s.rowColor = [](const Table& t) -> std::optional<uint32_t> {
        if (t.number("NUMERO").isZero()) return kProformaRed;
        return std::nullopt;
    };
    s.buttons = {kBtnClose, kBtnAdd, kBtnModify, kBtnDelete, kBtnSearch, kBtnPrint};
    s.addMenu = {{"Fattura", [](RegisterContext& c) { openNew(c, false); }},
                 {"Fattura proforma", [](RegisterContext& c) { openNew(c, true); }}};
    s.buttonEnabled = [](RegisterContext& c, int id) {
        return id != kBtnDelete || invoiceDeletable(c.workspace(), c.table());
    };
    // The deletion is the register's own: the rule is checked again under the table lock.
    s.beforeDelete = [](RegisterContext& c) {
        if (!invoiceDeletable(c.workspace(), c.table())) {
            POPMSG(kMsgOnlyLastInvoice, 1);
            return false;
        }
        if (!POPMSG(kMsgConfirmDelete, static_cast<int>(MessageKind::OkCancel))) return false;
        if (std::optional<std::string> refused = deleteInvoice(c.workspace(), c.table()); refused && !refused->empty())
            POPMSG(*refused, 1);
        return false;
    };

    s.editName = "FATTURE2";
    s.fields = invoiceFields();
    for (EditField& f : s.fields)
        if (f.id == 103)
            f.pick = [](Workspace& ws, const EditValues& v) { return registry::pickClient(ws, v.get("CLIENTE")); };
    s.hiddenFields = {kFieldReference};
    s.fieldLeft = invoiceFieldLeft;
    s.prepareEdit = [](RegisterContext& c, EditRequest& r, EditValues& v) {
        if (r.inserting) return; // insertions come through the "Aggiungi" menu
        const Table& t = c.table();
        shown() = Shown{false, t.number("NUMERO").isZero(), v.get("NUMERO"), t.date("DATA") ? t.date("DATA").year() : 0};
    };
    s.save = [](RegisterContext& c, const EditRequest& r, const EditValues& before, const EditValues& after) {
        const InvoiceSave saved = saveInvoice(c.workspace(), c.table(), r.inserting, r.mode == kModeProforma, before, after);
        if (!saved) return SaveResult{SaveResult::CheckFailed, saved.message};
        return SaveResult{};
    };
    for (int i = 1; i <= 3; ++i) {
        DialogButton b;
        b.id = kBtnText1 + i - 1;
        b.caption = "Testo &" + std::to_string(i);
        b.fill = [i](Workspace& ws, EditValues& v) { v.set("TESTO", presetText(ws.folder(), i, v.get(kReference))); };
        s.editButtons.push_back(b);
    }
    DialogButton print{kBtnPrintInvoice, "&Stampa", "Salva e stampa la fattura", true,
                       [](Workspace& ws, const EditValues&) { printSaved(ws); }};
    print.confirms = true;
    DialogButton xml{kBtnXml, "Fattura &XML", "Salva ed esporta la fattura elettronica", true,
                     [](Workspace& ws, const EditValues&) { exportSaved(ws); }};
    xml.confirms = true;
    s.editButtons.push_back(print);
    s.editButtons.push_back(xml);

    s.search = invoiceSearch();
    s.searchAllCaption = "&Tutte";
    s.printouts = {
        {"Riepilogo fatture", [](RegisterContext& c) { printInvoiceSummary(c.table()); }},
        {"Esportazione fatture in Excel", exportSpreadsheet},
    };
    return s;
}

} // namespace

const RegisterDesc& invoicesRegister()
{
    static const RegisterDesc desc = buildInvoices();
    return desc;
}

void FATTURE()
{
    RegisterOptions o;
    o.startOnLast = true;
    runRegister(invoicesRegister(), workspace(), o);
}

void FATTURE3(const std::string& customer, const std::string& reference, const Decimal& amount)
{
    Workspace& ws = workspace();
    RegisterOptions o;
    o.startOnLast = true;
    o.shown = [&](RegisterList& list) {
        EditValues v = newInvoiceValues(ws, false, Date::today());
        v.set("CLIENTE", trim(customer));
        std::string start;
        for (char ch : reference)
            if (ch != '\r' && ch != '\n') start += ch;
        v.set("TESTO", trim(start));
        v.set("IMPORTO", Mask("@ZE 999,999.99").formatNumber(amount));
        v.set(kReference, reference);
        const InvoiceCustomer c = invoiceCustomer(ws, customer);
        v.set("ALIQUOTA", Mask("@E 999.999%").formatNumber(c.defaultRate));
        shown() = Shown{true, false, {}, 0};
        EditRequest r;
        r.inserting = true;
        r.mode = kModeInvoice;
        list.edit(r, v);
        list.reject();
    };
    runRegister(invoicesRegister(), ws, o);
}

std::unique_ptr<QDialog> makeGenerationInvoiceDialog(const Decimal& fee, const Decimal& expenses, QWidget* parent)
{
    auto d = std::make_unique<FormDialog>(
        "GENFATT", "Genera fattura",
        std::vector<EditField>{requiredField(numberField(101, "Consulenza:", "COMMISS", "@ZE 999,999.99")),
                               numberField(102, "Spese:", "SPESE", "@ZE 999.99"), logicalField(103, "IBAN:", "FONDO"),
                               requiredField(choiceField(104, "Conto:", "CONTO", [] { return ACONTI(); })),
                               requiredField(choiceField(105, "Pagamento:", "MODPAG", [] { return AMODPAG(); }))},
        parent);
    d->set(101, Mask("@ZE 999,999.99").formatNumber(fee));
    d->set(102, Mask("@ZE 999.99").formatNumber(expenses));
    return d;
}

void generateInvoiceOfPolicy(const std::string& alias)
{
    Workspace& ws = workspace();
    if (!ws.isOpen(alias)) return;
    Table& p = ws[alias];
    if (p.eof()) return;
    const std::string number = p.text("POLIZZA");
    std::unique_ptr<QDialog> d = makeGenerationInvoiceDialog(p.number("COMMISS"), p.number("SPESE"));
    if (d->exec() != QDialog::Accepted) return;
    const FormDialog& f = *static_cast<FormDialog*>(d.get());
    GenerationInput in;
    in.fee = f.number("COMMISS");
    in.expenses = f.number("SPESE");
    in.iban = f.values().logical("FONDO");
    in.account = f.text("CONTO");
    in.payment = f.text("MODPAG");
    POPMSG(kMsgCreatingInvoice);
    GenerationOutcome g;
    try {
        g = GENFATT(ws, number, in, Date::today());
    } catch (...) {
        POPMSG();
        throw;
    }
    POPMSG();
    if (!p.eof()) p.refresh();
    if (!g.ok) {
        POPMSG(g.message, 1);
        return;
    }
    printStoredInvoice(ws, g.invoice, g.copies);
    POPMSG(kMsgConfirmMovement, 1);
}

void setInvoiceFileChooser(std::function<std::string(const std::string& proposed)> choose)
{
    fileChooser() = std::move(choose);
}

void addInvoiceEntries(const std::function<void(const std::string& name, std::function<void()> entry)>& add)
{
    add("FATTURE", [] { FATTURE(); });
}

} // namespace arv::accounting
