#include "policies/policyregister.h"

#include <filesystem>
#include <map>
#include <memory>

#include "common/office.h"
#include "common/tempnames.h"
#include "common/text.h"
#include "policies/companyform.h"
#include "policies/policies.h"
#include "policies/policyexport.h"
#include "policies/policyletters.h"
#include "policies/policylist.h"
#include "policies/policymail.h"
#include "policies/policyprint.h"
#include "policies/sheets.h"
#include "registry/clients.h"
#include "records/criteria.h"
#include "records/lookups.h"
#include "store/keys.h"
#include "ui/docdialogs.h"
#include "ui/mailcompose.h"
#include "ui/popmsg.h"
#include "ui/register.h"

namespace arv::policies {

using namespace store;
using namespace records;

namespace {

constexpr const char* kArchive = "Polizze";
constexpr size_t kNumberWidth = 25;
constexpr size_t kNameWidth = 35;
constexpr const char* kNotAvailable = "Funzione non ancora disponibile.";
constexpr const char* kModeDuplicate = "Duplica";
constexpr const char* kModeReplace = "Sostituisci";

void notAvailable(RegisterContext&) { POPMSG(kNotAvailable, 1); }

std::function<void(const std::string&)>& claimsEntry()
{
    static std::function<void(const std::string&)> entry;
    return entry;
}

std::function<void(const std::string&)>& priceRequestEntry()
{
    static std::function<void(const std::string&)> entry;
    return entry;
}

std::function<void()>& formsEntry()
{
    static std::function<void()> entry;
    return entry;
}

std::string iniPath(Workspace& ws) { return (std::filesystem::path(ws.folder()) / "ARV.INI").string(); }

AgencyIdentity agencyOf(Workspace& ws)
{
    AgencyIdentity a;
    a.load(IniFile(iniPath(ws)));
    return a;
}

// A request to the policy's agreement, reviewed in the compose dialog.
RegisterDesc::Printout request(const char* caption, PolicyRequest kind)
{
    return {caption, [kind](RegisterContext& c) {
                PolicyMailHooks h;
                h.compose = [&c](MailDraft& d) { return askMailDraft(d, iniPath(c.workspace())); };
                h.tell = [](const std::string& m) { POPMSG(m, 1); };
                if (c.hasRecord()) sendPolicyRequest(c.workspace(), c.table(), kind, iniPath(c.workspace()), h);
            }};
}

// "Emai&l ^": the requests to the agreement; the price request goes to the quotes' screen.
void policyMailMenu(RegisterContext& c)
{
    if (!c.menu) return;
    c.menu({request("Sospensione polizza", PolicyRequest::Suspension),
            request("Annullamento polizza", PolicyRequest::Cancellation),
            request("Riattivazione polizza", PolicyRequest::Reactivation),
            {"Richiesta preventivo",
             [](RegisterContext& ctx) {
                 if (!priceRequestEntry()) return notAvailable(ctx);
                 if (ctx.hasRecord()) priceRequestEntry()(ctx.desc().aliasName());
             }}},
           kBtnPolicyMail);
}

void claimsOfPolicy(RegisterContext& c)
{
    if (!claimsEntry()) return notAvailable(c);
    claimsEntry()(c.desc().aliasName());
    if (c.redraw) c.redraw();
}

// How the dialog on screen was opened: the rules on leaving a field depend on it.
PolicyMode& shownMode()
{
    static PolicyMode mode = PolicyMode::Insert;
    return mode;
}

PolicyMode modeOf(const EditRequest& r)
{
    if (r.mode == kModeDuplicate) return PolicyMode::Duplicate;
    if (r.mode == kModeReplace) return PolicyMode::Replace;
    return r.inserting ? PolicyMode::Insert : PolicyMode::Modify;
}

void openDialog(RegisterContext& c, PolicyMode mode)
{
    Table& t = c.table();
    EditRequest r;
    r.inserting = isNew(mode);
    r.recno = mode == PolicyMode::Insert || t.eof() ? 0 : t.recno();
    if ((mode == PolicyMode::Duplicate || mode == PolicyMode::Replace) && !r.recno) return;
    EditValues initial;
    switch (mode) {
    case PolicyMode::Insert: initial = insertValues(c.workspace()); break;
    case PolicyMode::Duplicate:
        r.mode = kModeDuplicate;
        initial = duplicateValues(c.workspace(), t);
        break;
    case PolicyMode::Replace: {
        std::optional<EditValues> v = replaceValues(c.workspace(), t);
        if (!v) {
            POPMSG(kMsgAlreadyReplaced, 1);
            return;
        }
        r.mode = kModeReplace;
        r.focusField = kFNumber;
        initial = *v;
        break;
    }
    case PolicyMode::Modify: initial = modifyValues(t); break;
    }
    r.title = dialogTitle(mode, &t);
    shownMode() = mode;
    if (c.edit) c.edit(r, initial);
}

// A client from the client register opened as a picker, positioned on NAME.
std::string dateColumn(const Table& t, FieldName field)
{
    const Date d = t.date(field);
    return d ? d.toDisplay() : std::string();
}

// The policy lists: the register's view as it is, or its search filter ordered by number, or the
// short list with the plate.
void printList(RegisterContext& c, bool byNumber, bool shortList)
{
    PolicyListOptions o;
    o.shortList = shortList;
    if (byNumber || shortList) o.filter = criteria::remembered(c.desc().name);
    printPolicyList(c.workspace(), c.table(), o);
    if (c.redraw) c.redraw();
}

void exportPolicies(RegisterContext& c, bool single)
{
    if (single && !c.hasRecord()) return;
    OfficeHooks& h = officeHooks();
    if (h.message) h.message("Esportazione in corso...", false);
    std::string file;
    try {
        const std::filesystem::path folder = std::filesystem::temp_directory_path() / GETNEWFNAME();
        std::filesystem::create_directories(folder);
        file = (folder / "Estrazione dati polizze.xlsx").string();
        if (!writePolicyExport(c.workspace(), c.table(), ExportLists::load(IniFile(iniPath(c.workspace()))), single,
                               file, [&h](uint32_t n) {
                                   if (h.message) h.message("Esportazione in corso (" + std::to_string(n) + ")...", true);
                               }))
            file.clear();
    } catch (...) {
        file.clear();
    }
    if (h.closeMessage) h.closeMessage();
    if (file.empty()) POPMSG("Impossibile scrivere il file dell'estrazione dati.", 1);
    else if (h.open) h.open(file);
    if (c.redraw) c.redraw();
}

std::function<void(const std::string&)>& invoiceGenerator()
{
    static std::function<void(const std::string&)> generate;
    return generate;
}

// "&Stampa ^": the lists, the letters and the exports of the policies; "Genera fattura" only on a
// policy whose invoice is due, through the hook the program installs; the agency's forms.
std::vector<RegisterDesc::Printout> policyPrintouts()
{
    RegisterDesc::Printout invoice{"Genera fattura", [](RegisterContext& c) {
                                       if (!invoiceGenerator()) return notAvailable(c);
                                       invoiceGenerator()(c.desc().aliasName());
                                       if (c.redraw) c.redraw();
                                   }};
    invoice.enabled = [](RegisterContext& c) { return c.hasRecord() && c.table().logical("FATTURA"); };
    return {{"Per assicurato", [](RegisterContext& c) { printList(c, false, false); }},
            {"Per numero", [](RegisterContext& c) { printList(c, true, false); }},
            {"Ridotto con targa", [](RegisterContext& c) { printList(c, false, true); }},
            {"-", {}},
            {"Disdetta polizza",
             [](RegisterContext& c) {
                 if (c.hasRecord()) printCancellationLetter(c.workspace(), c.table(), agencyOf(c.workspace()), Date::today());
             }},
            {"Trasferimento polizze",
             [](RegisterContext& c) {
                 Workspace& ws = c.workspace();
                 printTransferLetters(ws, c.table(), agencyOf(ws), brokerLines(IniFile(iniPath(ws))), Date::today());
                 if (c.redraw) c.redraw();
             }},
            {"Estrazione dati", [](RegisterContext& c) { exportPolicies(c, false); }},
            {"Estrazione dati polizza singola", [](RegisterContext& c) { exportPolicies(c, true); }},
            {"-", {}},
            invoice,
            {"-", {}},
            {"Modulistica", [](RegisterContext& c) {
                 if (!formsEntry()) return notAvailable(c);
                 formsEntry()();
             }}};
}

// "&Stampa" of the dialog: the company's own form when its template is in the working folder (after
// DATIMODULO), else the generic printout.
void printShownPolicy(Workspace& ws, const EditValues& v)
{
    const std::optional<std::filesystem::path> tpl =
        companyTemplate(ws.folder(), v.get("COMPAGNIA"), filled(v.get("SOSTPOL")));
    if (!tpl) {
        printPolicySheet(ws, v);
        return;
    }
    const RegisterDesc& form = formDataDescription();
    EditDialog dialog(form, blankValues(form.fields), true, nullptr);
    dialog.setWindowTitle(QStringLiteral("Dati modulo"));
    if (dialog.exec() != QDialog::Accepted) return;
    const FormData data = formDataOf(dialog.values());
    printCompanyForm(formItems(ws, v, data), IniFile(tpl->string()));
}

RegisterDesc makeRegister(const std::string& alias)
{
    RegisterDesc s;
    s.name = "POLIZZE";
    s.title = "Polizze";
    s.countingTitle = true;
    s.table = "POLIZZE";
    s.alias = alias;
    s.orders = {"POLIZZE"};
    s.typing = KeyTyping::Seek;

    Column plate{"TARGA", [](const Table& t) { return plateOf(workspace(), t.raw("CODICE")); }, 10};
    Column coverage{"COPER.", [](const Table& t) { return dateColumn(t, "COPERTURA"); }, 10};
    coverage.centered = true;
    Column expiry{"SCAD.", [](const Table& t) { return dateColumn(t, "SCADENZA"); }, 10};
    expiry.centered = true;
    Column verified{"V", [](const Table& t) { return std::string(t.logical("VERIFICA") ? "T" : "F"); }, 2};
    verified.centered = true;
    verified.checkBox = true;
    verified.click = [](RegisterContext& c) {
        Table& t = c.table();
        if (!t.eof()) toggleVerifica(t, t.recno()); // a row deleted meanwhile just goes
    };
    s.columns = {fieldColumn("ASSICURATO", "ASSICURATO", 28), fieldColumn("COMPAGNIA", "COMPAGNIA", 18),
                 fieldColumn("POLIZZA", "POLIZZA", 19),      fieldColumn("RAMO", "RAMO", 14),
                 plate,                                      coverage,
                 expiry,                                     verified,
                 Column{"", {}, 1}};

    s.buttons = {kBtnClose, kBtnAdd, kBtnModify, kBtnDelete, kBtnSearch, kBtnPrint};
    s.addMenu = {{"Nuovo", [](RegisterContext& c) { openDialog(c, PolicyMode::Insert); }},
                 {"Duplica", [](RegisterContext& c) { openDialog(c, PolicyMode::Duplicate); }}};
    s.extraButtons = {
        {kBtnReplace, "S&ostituisci", true, [](RegisterContext& c) { openDialog(c, PolicyMode::Replace); }},
        {kBtnOtherData, "Altri &dati", true, [](RegisterContext& c) { otherData(c.table()); }},
        {kBtnClaims, "S&inistri", true, claimsOfPolicy},
        {kBtnLabels, "E&tichette", true,
         [](RegisterContext& c) {
             printLabels(c.workspace(), c.table());
             if (c.redraw) c.redraw();
         }},
        {kBtnPolicyMail, "Emai&l ^", true, policyMailMenu},
    };
    s.print = notAvailable;
    s.printouts = policyPrintouts();

    s.editName = "POLIZZA";
    s.fields = policyFields();
    for (EditField& f : s.fields)
        if (f.id == kFInsured || f.id == kFRegisterHolder)
            f.pick = [field = f.field](Workspace& ws, const EditValues& v) { return registry::pickClient(ws, v.get(field)); };
    s.pages = policyPages();
    s.fieldLeft = [](int id, EditValues& v) {
        if (id == kFNumber) {
            if (shownMode() == PolicyMode::Replace && filled(v.get("POLIZZA"))) POPMSG(kMsgReplaceOrChange, 1);
            return;
        }
        if (id == kFEffect || id == kFPremium || id == kFFee || id == kFExpenses)
            fieldChanged(workspace(), id, v, shownMode());
    };
    s.prepareEdit = [](RegisterContext& c, EditRequest& r, EditValues& v) {
        // Only modification comes this way: insertion goes through the "Aggiungi" menu.
        shownMode() = r.inserting ? PolicyMode::Insert : PolicyMode::Modify;
        if (r.inserting) {
            v = insertValues(c.workspace());
            r.title = dialogTitle(PolicyMode::Insert, nullptr);
        } else {
            v = modifyValues(c.table());
            r.title = dialogTitle(PolicyMode::Modify, &c.table());
        }
    };
    s.save = [](RegisterContext& c, const EditRequest& r, const EditValues& before, const EditValues& after) {
        SaveHooks hooks;
        hooks.ask = [](const std::string& q) { return POPMSG(q, static_cast<int>(MessageKind::YesNo)) != 0; };
        PolicySave p = savePolicy(c.workspace(), c.table(), modeOf(r), r.recno, before, after, hooks);
        if (!p) return SaveResult{SaveResult::CheckFailed, p.message};
        std::string notice;
        for (const std::string& n : p.notices) notice += (notice.empty() ? "" : ";") + n;
        return SaveResult{SaveResult::Saved, notice};
    };
    // The sheet of a new policy opens at once.
    s.afterSave = [](RegisterContext& c, const EditRequest& r, const EditValues&) {
        if (r.inserting && c.press) c.press(kBtnOtherData);
    };
    // The deletion is the register's own (sheets and claims first): the pattern's goes no further.
    s.beforeDelete = [](RegisterContext& c) {
        DeleteHooks hooks;
        hooks.inform = [](const std::string& m) { POPMSG(m, 1); };
        hooks.ask = [](const std::string& q) { return POPMSG(q, static_cast<int>(MessageKind::OkCancel)) != 0; };
        std::string message;
        if (!deletePolicy(c.workspace(), c.table(), hooks, &message) && !message.empty()) POPMSG(message, 1);
        return false;
    };
    s.editButtons = {
        {203, "&Stampa", "", false, [](Workspace& ws, const EditValues& v) { printShownPolicy(ws, v); }},
        {204, "&Visualizza", "", false,
         [](Workspace&, const EditValues& v) { VISDOC(trim(v.get("POLIZZA")), kArchive); }},
        {205, "+", "Aggiungi documento", false,
         [](Workspace&, const EditValues& v) { NEWDOC(trim(v.get("POLIZZA")), kArchive); }},
        {206, "C&lienti", "", true, [](Workspace&, const EditValues& v) { registry::CLIENTI(trim(v.get("ASSICURATO"))); }},
    };

    s.search = policySearch();
    s.search[kSInsured].pick = [](Workspace& ws, const std::vector<std::string>& t) {
        return registry::pickClient(ws, t[kSInsured]);
    };
    s.search[kSActive].initial = "T";
    s.searchColumns = 2;
    s.searchAllCaption = "&Tutte";
    return s;
}

} // namespace

const RegisterDesc& policiesRegister(const std::string& alias)
{
    static std::map<std::string, std::unique_ptr<RegisterDesc>> descs;
    std::unique_ptr<RegisterDesc>& d = descs[alias];
    if (!d) d = std::make_unique<RegisterDesc>(makeRegister(alias));
    return *d;
}

std::function<void()> openLookupCursors(Workspace& ws, const std::vector<LookupCursor>& wanted)
{
    const int selected = ws.selected();
    std::vector<std::string> opened;
    for (const LookupCursor& w : wanted) {
        if (ws.isOpen(w.alias)) continue;
        Table& t = ws.open(w.table, w.alias, true);
        t.ordAdd(w.tag);
        t.setOrder(w.tag);
        opened.push_back(w.alias);
    }
    ws.select(selected);
    return [&ws, opened] {
        const int selected = ws.selected();
        for (auto it = opened.rbegin(); it != opened.rend(); ++it) {
            try {
                ws.close(*it);
            } catch (...) {
            }
        }
        ws.select(selected);
    };
}

std::function<void()> openPolicyLookups(Workspace& ws)
{
    return openLookupCursors(ws, {{"CLIENTI", "CLIENTI_", "CLIENTI"},
                                  {"COMPAGN", "COMPAGN_", "COMPAGN"},
                                  {"MOVICOMP", "MOVICOMP_", "MOVIPOLI"},
                                  {"DATIAUTO", "DATIAUTO_", "DATIAUTO"},
                                  {"POLIZZE", "POLIZZE_", "NUMPOL"}});
}

void otherData(Table& t)
{
    if (t.eof()) return;
    const std::string code = t.raw("CODICE");
    switch (sheetKind(t.text("RAMO"))) {
    case SheetKind::Motor: DATIAUTO(code); break;
    case SheetKind::Elementary: RAMIELEM(code); break;
    case SheetKind::Life: VITA(code); break;
    case SheetKind::None: POPMSG(std::string(kMsgNoOtherData) + trim(t.text("RAMO")) + ".", 1); break;
    }
}

std::string POLIZZE(bool select, const std::string& number, const std::string& insured)
{
    Workspace& ws = workspace();
    std::function<void()> closeLookups = openPolicyLookups(ws);
    struct Closer {
        std::function<void()>& f;
        ~Closer() { f(); }
    } closer{closeLookups};
    // A screen that calls the picker with the policies open keeps its cursor.
    const RegisterDesc& desc = policiesRegister(ws.isOpen("POLIZZE") ? "POLIZSEL" : "POLIZZE");

    uint32_t at = 0;
    if (filled(number)) {
        OwnTable p(ws, "POLIZZE", true);
        p->ordAdd("NUMPOL");
        if (p->seek(indexKey(rtrim(number), kNumberWidth))) at = p->recno();
    }
    // A number that is not in the register is not given back.
    std::string result = at ? number : std::string();
    RegisterOptions o;
    if (filled(insured)) o.scope = indexKey(rtrim(insured), kNameWidth);
    o.selection = select;
    o.disabledInSelection = {kBtnDelete, kBtnClaims};
    if (at)
        o.shown = [at](RegisterList& list) {
            list.table().goTo(at);
            list.redraw();
        };
    std::optional<uint32_t> chosen = runRegister(desc, ws, o);

    if (chosen) {
        OwnTable p(ws, "POLIZZE", true);
        p->goTo(*chosen);
        if (!p->eof()) result = p->text("POLIZZA");
    }
    if (!filled(result)) return std::string(kNumberWidth, ' ');
    return result;
}

void setPolicyClaimsEntry(std::function<void(const std::string&)> entry) { claimsEntry() = std::move(entry); }

void setInvoiceGenerator(std::function<void(const std::string&)> generate) { invoiceGenerator() = std::move(generate); }

void setPriceRequestEntry(std::function<void(const std::string&)> entry) { priceRequestEntry() = std::move(entry); }

void setPolicyFormsEntry(std::function<void()> entry) { formsEntry() = std::move(entry); }

void addPolicyEntries(const std::function<void(const std::string&, std::function<void(const std::string&)>)>& add)
{
    add("POLIZZE", [](const std::string&) { POLIZZE(); });
}

} // namespace arv::policies
