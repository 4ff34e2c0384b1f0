#include "sales/quoteregister.h"

#include <filesystem>

#include "common/text.h"
#include "policies/policyregister.h"
#include "records/lookups.h"
#include "registry/clients.h"
#include "sales/quotedocs.h"
#include "sales/quotes.h"
#include "store/workspace.h"
#include "ui/formdialog.h"
#include "ui/mailcompose.h"
#include "ui/popmsg.h"
#include "ui/register.h"

namespace arv::sales {

using namespace store;
using namespace records;
using namespace quotes;

namespace {

constexpr const char* kTable = "PREVBSA";

std::function<void(const std::string&)>& entryCaller()
{
    static std::function<void(const std::string&)> call;
    return call;
}

std::string iniPath(Workspace& ws) { return (std::filesystem::path(ws.folder()) / "ARV.INI").string(); }

QuoteMailHooks screenHooks()
{
    QuoteMailHooks h;
    h.compose = [](MailDraft& d) { return askMailDraft(d, iniPath(workspace())); };
    h.tell = [](const std::string& m) { POPMSG(m, 1); };
    return h;
}

std::string dateColumn(const Table& t, FieldName field)
{
    const Date d = t.date(field);
    return d ? d.toDisplay() : std::string();
}

RegisterDesc makeRegister()
{
    RegisterDesc s = quoteForm();
    s.name = "PREVENTIVI";
    s.title = "Preventivi";
    s.countingTitle = true;
    s.table = kTable;
    s.orders = {"PREVBSA"};
    Column date{"DATA", [](const Table& t) { return dateColumn(t, "DATA"); }, 9};
    Column number = fieldColumn("NUMERO", "NUMERO", 9, "@Z 99999");
    number.right = true;
    Column effect{"EFFETTO", [](const Table& t) { return dateColumn(t, "EFFEPREV"); }, 9};
    Column ok{"OK", [](const Table& t) { return std::string(t.logical("OKPOLIZZA") ? "T" : "F"); }, 3};
    ok.centered = true;
    ok.checkBox = true;
    ok.click = [](RegisterContext& c) {
        Table& t = c.table();
        if (!t.eof()) toggleOk(t, t.recno()); // a row deleted meanwhile just goes
    };
    s.columns = {date, number, fieldColumn("ASSICURATO", "ASSICURATO", 32), fieldColumn("RAPPORTO", "RAPPPREV", 32),
                 effect, ok};
    s.buttons = {kBtnClose, kBtnAdd, kBtnModify, kBtnDelete, kBtnSearch, kBtnPrint};
    s.printouts = {{"Preventivo", [](RegisterContext& c) {
                        if (c.hasRecord()) printQuoteSheet(c.table());
                    }},
                   {"Modulistica", [](RegisterContext&) {
                        if (entryCaller()) entryCaller()("MODULISTICA");
                    }}};
    s.extraButtons = {
        {kBtnQuoteMail, "Emai&l ^", true,
         [](RegisterContext& c) {
             if (!c.menu) return;
             c.menu({{"Offerta al cliente", [](RegisterContext&) { EMAILCLI(); }},
                     {"Richiesta preventivo", [](RegisterContext&) { EMAILCOM(false); }}},
                    kBtnQuoteMail);
         }},
        {kBtnQuoteToPolicy, "OK Polizza", true,
         [](RegisterContext& c) {
             convertQuote(c.workspace(), c.table());
             if (c.redraw) c.redraw();
         }},
    };
    s.readOnlyOnDoubleClick = true;

    for (EditField& f : s.fields) {
        if (f.id == kFPolicy)
            f.pick = [](Workspace&, const EditValues& v) -> std::optional<std::string> {
                const std::string n = trim(policies::POLIZZE(true, trim(v.get("POLIZZA"))));
                if (n.empty()) return std::nullopt;
                return n;
            };
        if (f.id == kFInsured || f.id == kFHolder || f.id == kFDriver)
            f.pick = [field = f.field](Workspace& ws, const EditValues& v) { return registry::pickClient(ws, v.get(field)); };
    }
    s.prepareEdit = [](RegisterContext& c, EditRequest& r, EditValues& v) {
        v = r.inserting ? newQuoteValues(c.workspace()) : quoteValues(c.table());
        r.focusField = kFDate;
    };
    s.save = [](RegisterContext& c, const EditRequest& r, const EditValues&, const EditValues& after) {
        return saveQuote(c.workspace(), c.table(), r, after);
    };
    s.search = quoteSearch();
    s.search[5].pick = [](Workspace& ws, const std::vector<std::string>& typed) {
        return registry::pickClient(ws, typed[5]);
    };
    s.searchColumns = 2;
    s.searchAllCaption = "&Tutte";
    return s;
}

FormDialog* makeConversionDialog(Workspace& ws, bool ard)
{
    std::vector<EditField> f;
    f.push_back(requiredField(textField(101, "Polizza RC Auto n.:", dialogOnly("RC"))));
    EditField ardNo = textField(102, "Polizza ARD n.:", dialogOnly("ARD"));
    ardNo.enabled = [ard](const EditValues&) { return ard; };
    if (ard) ardNo.rule = requiredRule;
    f.push_back(ardNo);
    EditField third = textField(103, "Polizza Inf./Cond. n.:", dialogOnly("TERZA"));
    third.enabled = [ard](const EditValues&) { return ard; };
    f.push_back(third);
    std::vector<std::string> branches = ARAMI(ws);
    branches.insert(branches.begin(), std::string());
    f.push_back(choiceField(104, "Ramo:", dialogOnly("RAMO"), [branches] { return branches; }));
    f.back().enabled = [ard](const EditValues&) { return ard; };
    return new FormDialog("OKPOLIZZA", "OK Polizza", f);
}

} // namespace

const RegisterDesc& quoteRegister()
{
    static const RegisterDesc desc = makeRegister();
    return desc;
}

void PREVENTIVI()
{
    RegisterOptions o;
    o.startOnLast = true;
    runRegister(quoteRegister(), workspace(), o);
}

void STAMPAPRE()
{
    Workspace& ws = workspace();
    if (!ws.isOpen(kTable) || ws[kTable].eof()) return;
    printQuoteSheet(ws[kTable]);
}

void EMAILCLI()
{
    Workspace& ws = workspace();
    if (!ws.isOpen(kTable) || ws[kTable].eof()) return;
    sendOffer(ws[kTable], iniPath(ws), screenHooks());
}

void EMAILCOM(bool fromPolicy, const std::string& alias)
{
    Workspace& ws = workspace();
    const std::string name = fromPolicy ? alias : std::string(kTable);
    if (!ws.isOpen(name) || ws[name].eof()) return;
    sendPriceRequest(ws, ws[name], fromPolicy, iniPath(ws), screenHooks());
}

void convertQuote(Workspace& ws, Table& quotes, const std::function<int(FormDialog&)>& run)
{
    if (quotes.eof()) return;
    if (!POPMSG(kMsgConvertQuestion, static_cast<int>(MessageKind::YesNo))) return;
    const bool ard = hasArd(quotes);
    EditValues typed;
    for (;;) {
        std::unique_ptr<FormDialog> d(makeConversionDialog(ws, ard));
        if (typed.size())
            for (int id = 101; id <= 104; ++id) d->set(id, typed.at(static_cast<size_t>(id - 101)));
        if ((run ? run(*d) : d->exec()) != QDialog::Accepted) return;
        typed = d->values();
        Conversion c{d->text("RC"), d->text("ARD"), d->text("TERZA"), d->text("RAMO")};
        POPMSG(kMsgCreatingPolicy);
        ConversionResult r;
        try {
            r = OKPOLIZZA(ws, quotes, c);
        } catch (...) {
            POPMSG();
            throw;
        }
        POPMSG();
        if (r) {
            for (const std::string& n : r.notices) POPMSG(n, 1);
            return;
        }
        POPMSG(r.message, 1);
        if (!r.reopen) return;
    }
}

void setQuoteEntryCaller(std::function<void(const std::string&)> call) { entryCaller() = std::move(call); }

void addQuoteEntries(const std::function<void(const std::string&, std::function<void()>)>& add)
{
    add("PREVENTIVI", [] { PREVENTIVI(); });
}

} // namespace arv::sales
