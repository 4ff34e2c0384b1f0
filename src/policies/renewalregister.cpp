#include "policies/renewalregister.h"

#include <filesystem>

#include "common/ini.h"
#include "common/mask.h"
#include "common/office.h"
#include "common/tempnames.h"
#include "common/text.h"
#include "policies/renewals.h"
#include "records/lookups.h"
#include "registry/clients.h"
#include "store/keys.h"
#include "ui/mailcompose.h"
#include "ui/popmsg.h"
#include "ui/register.h"

namespace arv::policies {

using namespace store;
using namespace records;
namespace fs = std::filesystem;

namespace {

constexpr const char* kNotAvailable = "Funzione non ancora disponibile.";
constexpr const char* kMsgExporting = "Estrazione dati in corso...";

std::function<void(const std::string&)>& entryCaller()
{
    static std::function<void(const std::string&)> call;
    return call;
}

std::string iniPath(Workspace& ws) { return (fs::path(ws.folder()) / "ARV.INI").string(); }

// The policy of the row whose columns are being read: the first column reads it again, the
// others take it from there (the list reads a row's columns in order).
const RenewalPolicy& rowPolicy(const Table& row, bool fresh)
{
    static std::string number;
    static RenewalPolicy p;
    const std::string n = row.raw("POLIZZA");
    if (fresh || n != number) {
        p = ADATIPOL_(workspace(), n);
        number = n;
    }
    return p;
}

std::string dateText(Date d) { return d ? d.toDisplay() : std::string(); }

bool ask(const std::string& question) { return POPMSG(question, static_cast<int>(MessageKind::YesNo)) != 0; }

RenewalMailHooks screenHooks()
{
    RenewalMailHooks h;
    h.noticeText = [](std::string& text, const std::string& title) {
        std::unique_ptr<EditDialog> d = makeNoticeTextDialog(text, title);
        if (d->exec() != QDialog::Accepted) return false;
        text = d->values().get("TESTO");
        return true;
    };
    h.compose = [](MailDraft& d) { return askMailDraft(d, iniPath(workspace())); };
    h.tell = [](const std::string& m) { POPMSG(m, 1); };
    return h;
}

void addPolicies(RegisterContext& c)
{
    std::unique_ptr<EditDialog> d = makeSelectionDialog();
    if (d->exec() != QDialog::Accepted) return;
    const EditValues v = d->values();
    const RenewalSelection s{v.date("DAL"), v.date("AL"), trim(v.get("RAPPORTO")), trim(v.get("PRODUTTORE"))};
    if (const std::string problem = selectionProblem(s); !problem.empty()) {
        POPMSG(problem, 1);
        return;
    }
    POPMSG(kMsgProcessing);
    try {
        addRenewals(c.workspace(), s);
    } catch (...) {
        POPMSG();
        throw;
    }
    POPMSG();
    // Back to every row, ordered by insured.
    clearSearch(c.desc(), c.table());
}

void collect(RegisterContext& c)
{
    Table& t = c.table();
    if (t.eof() || !ask(kMsgConfirmCollection)) return;
    if (!collectionHook()) {
        POPMSG(kNotAvailable, 1);
        return;
    }
    collectRenewal(t, t.recno(), collectionHook());
}

void cancel(RegisterContext& c)
{
    Table& t = c.table();
    if (t.eof() || !ask(kMsgConfirmCancellation)) return;
    cancelRenewal(c.workspace(), t, t.recno());
}

void notice(RegisterContext& c, NoticeKind kind)
{
    Table& t = c.table();
    if (!t.eof()) mailNotice(c.workspace(), t, t.recno(), kind, iniPath(c.workspace()), screenHooks());
}

void request(RegisterContext& c, CompanyRequest kind)
{
    Table& t = c.table();
    if (!t.eof()) mailRequest(c.workspace(), t, t.recno(), kind, iniPath(c.workspace()), screenHooks());
}

void exportRows(RegisterContext& c)
{
    OfficeHooks& h = officeHooks();
    if (h.message) h.message(kMsgExporting, false);
    std::string file;
    try {
        fs::path folder = fs::temp_directory_path() / GETNEWFNAME();
        fs::create_directories(folder);
        file = (folder / "Quietanzamento.xlsx").string();
        if (!writeRenewalsSpreadsheet(c.workspace(), c.table(), file, [&h](uint32_t n) {
                if (h.message) h.message("Estrazione dati in corso (" + std::to_string(n) + ")...", true);
            }))
            file.clear();
    } catch (...) {
        file.clear();
    }
    if (h.closeMessage) h.closeMessage();
    if (file.empty()) POPMSG("Impossibile scrivere il file dell'estrazione dati.", 1);
    else if (h.open) h.open(file);
}

Column flagColumn(const char* header, FieldName flag)
{
    Column c{header, [flag](const Table& t) { return std::string(t.logical(flag) ? "T" : "F"); }, 2};
    c.centered = true;
    c.checkBox = true;
    // A row deleted by another workstation meanwhile just goes from the list.
    c.click = [flag](RegisterContext& ctx) {
        Table& t = ctx.table();
        if (!t.eof()) toggleRenewalFlag(t, t.recno(), flag);
    };
    return c;
}

RegisterDesc makeRenewals()
{
    RegisterDesc s;
    s.name = "QUIETANZ";
    s.title = "Quietanzamento";
    s.countingTitle = true;
    s.table = "QUIETANZ";
    s.orders = {"QUIETANZ"};
    // Every row, ordered by the insured of its policy.
    s.viewKey = [](const Table& t) {
        const std::string number = t.raw("POLIZZA");
        return indexKey(renewalInsured(workspace(), number), 35, true) + number;
    };
    auto text = [](std::string RenewalPolicy::*m, bool fresh = false) {
        return [m, fresh](const Table& t) { return rowPolicy(t, fresh).*m; };
    };
    Column due{"DATA", [](const Table& t) { return dateText(rowPolicy(t, false).coverage); }, 9};
    due.centered = true;
    Column deadline{"SCADENZA",
                    [](const Table& t) { return dateText(renewalDeadline(rowPolicy(t, false).coverage, GIOSCA_(t))); }, 9};
    deadline.centered = true;
    Column total{"TOTALE", [](const Table& t) { return trim(Mask("@ZE 9,999,999.99").formatNumber(renewalTotal(t), 2, 10)); },
                 11};
    total.right = true;
    s.columns = {{"ASSICURATO", text(&RenewalPolicy::insured, true), 24},
                 {"CODICE FISCALE", text(&RenewalPolicy::taxCode), 15},
                 due,
                 deadline,
                 {"RAPPORTO", text(&RenewalPolicy::agreement), 16},
                 fieldColumn("POLIZZA", "POLIZZA", 14),
                 {"RAMO", text(&RenewalPolicy::branch), 10},
                 {"PRODUTTORE", text(&RenewalPolicy::producer), 12},
                 {"TARGA", text(&RenewalPolicy::plate), 8},
                 total,
                 flagColumn("A", "AVVISO"),
                 flagColumn("S", "SOLLECITO"),
                 Column{"", {}, 1}};
    s.buttons = {kBtnClose, kBtnAdd, kBtnModify, kBtnDelete, kBtnCancellation, kBtnSearch, kBtnPrint};
    s.add = addPolicies;
    s.extraButtons = {
        {kBtnCancellation, "&Disdetta", true, cancel},
        {kBtnCollection, "&Incasso", true, collect},
        {kBtnNotice, "Av&viso", true, [](RegisterContext& c) { notice(c, NoticeKind::Notice); }},
        {kBtnReminder, "S&ollecito", true, [](RegisterContext& c) { notice(c, NoticeKind::Reminder); }},
        {kBtnQuote, "&Preventivo", true, [](RegisterContext& c) { request(c, CompanyRequest::Quote); }},
        {kBtnIssue, "Emissione polizza", true, [](RegisterContext& c) { request(c, CompanyRequest::Issue); }},
    };
    s.printouts = {
        {"Tabulato", [](RegisterContext& c) { printRenewals(c.workspace(), c.table()); }},
        {"Estrazione dati", exportRows},
        {"Modulistica",
         [](RegisterContext&) {
             if (entryCaller()) entryCaller()("MODULISTICA");
             else POPMSG(kNotAvailable, 1);
         }},
    };

    s.editName = "QUIETANZ21";
    s.fields = renewalFields();
    s.pages = renewalPages();
    s.formColumns = 2;
    s.hiddenFields = {343};
    s.prepareEdit = [](RegisterContext& c, EditRequest& r, EditValues& v) {
        v = renewalValues(c.workspace(), c.table());
        r.title = kCaptionModify;
    };
    s.save = [](RegisterContext& c, const EditRequest& r, const EditValues& before, const EditValues& after) {
        return saveRenewal(c.workspace(), c.table(), r.recno, before, after);
    };

    s.search = renewalSearch();
    s.search[0].pick = [](Workspace& ws, const std::vector<std::string>& typed) { return registry::pickClient(ws, typed[0]); };
    s.searchColumns = 2;
    s.searchAllCaption = "&Tutte";
    return s;
}

// The small dialogs: a description of their fields shown by the pattern's edit dialog.
const RegisterDesc& selectionForm()
{
    static const RegisterDesc d = [] {
        RegisterDesc s;
        s.editName = "QUIETANZ20";
        auto given = [](const std::string& v, const EditValues&) { return !Date::fromDisplay(v).isEmpty(); };
        EditField from = dateField(101, "Data copertura: dal", dialogOnly("DAL"));
        from.rule = given;
        EditField to = dateField(102, "al", dialogOnly("AL"));
        to.rule = [](const std::string& v, const EditValues& all) {
            const Date d = Date::fromDisplay(v);
            return !d.isEmpty() && !(d < all.date("DAL"));
        };
        to.sameRow = true;
        s.fields = {from, to,
                    choiceField(103, "Rapporto:", "RAPPORTO",
                                [] {
                                    std::vector<std::string> l = ACOMPAGNIE(workspace());
                                    l.insert(l.begin(), std::string());
                                    return l;
                                }),
                    choiceField(104, "Produttore:", "PRODUTTORE", [] {
                        std::vector<std::string> l = APRODUTT(workspace());
                        l.insert(l.begin(), std::string());
                        return l;
                    })};
        return s;
    }();
    return d;
}

const RegisterDesc& noticeTextForm()
{
    static const RegisterDesc d = [] {
        RegisterDesc s;
        s.editName = "AVVPUB";
        EditField text = memoField(101, "Testo:", dialogOnly("TESTO"));
        s.fields = {text};
        return s;
    }();
    return d;
}

} // namespace

std::unique_ptr<EditDialog> makeSelectionDialog(QWidget* parent)
{
    const RegisterDesc& d = selectionForm();
    auto dialog = std::make_unique<EditDialog>(d, EditValues(d.fields), true, nullptr, parent);
    dialog->setWindowTitle(QStringLiteral("Aggiungi"));
    return dialog;
}

std::unique_ptr<EditDialog> makeNoticeTextDialog(const std::string& text, const std::string& title, QWidget* parent)
{
    const RegisterDesc& d = noticeTextForm();
    EditValues v(d.fields);
    v.set("TESTO", text);
    auto dialog = std::make_unique<EditDialog>(d, v, false, nullptr, parent);
    dialog->setWindowTitle(QString::fromStdString(title));
    dialog->resize(560, 320);
    return dialog;
}

const RegisterDesc& renewalsRegister()
{
    static const RegisterDesc desc = makeRenewals();
    return desc;
}

void QUIETANZ()
{
    Workspace& ws = workspace();
    std::function<void()> closeLookups = openRenewalLookups(ws);
    struct Closer {
        std::function<void()>& f;
        ~Closer() { f(); }
    } closer{closeLookups};
    runRegister(renewalsRegister(), ws);
}

void setRenewalEntryCaller(std::function<void(const std::string&)> call) { entryCaller() = std::move(call); }

void addRenewalEntries(const std::function<void(const std::string&, std::function<void()>)>& add)
{
    add("QUIETANZ", [] { QUIETANZ(); });
}

} // namespace arv::policies
