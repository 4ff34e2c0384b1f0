#include "claims/claimregister.h"

#include <map>

#include "claims/claims.h"
#include "claims/numberregister.h"
#include "claims/statistics.h"
#include "common/ini.h"
#include "common/text.h"
#include "policies/policyregister.h"
#include "records/lookups.h"
#include "registry/clients.h"
#include "store/keys.h"
#include "store/workspace.h"
#include "ui/docdialogs.h"
#include "ui/formdialog.h"
#include "ui/popmsg.h"
#include "ui/register.h"

namespace arv::claims {

using namespace store;
using namespace records;

namespace {

constexpr size_t kCodeWidth = 10;

// How the dialog on screen was opened: the rules on leaving a field depend on it.
struct Shown {
    bool newClaim = true;
    bool fromPolicy = false;
    std::string policy; // the policy of the register opened from the policies
};
Shown& shown()
{
    static Shown s;
    return s;
}

Date& todayOverride()
{
    static Date d;
    return d;
}
Date today() { return todayOverride() ? todayOverride() : Date::today(); }

Interaction screenInteraction()
{
    Interaction io;
    io.ask = [](const std::string& q) { return POPMSG(q, static_cast<int>(MessageKind::YesNo)) != 0; };
    io.tell = [](const std::string& m) { POPMSG(m, 1); };
    return io;
}

std::vector<std::string> withEmpty(std::vector<std::string> l)
{
    if (l.empty() || !l.front().empty()) l.insert(l.begin(), std::string());
    return l;
}

AgencyIdentity agency()
{
    AgencyIdentity a;
    a.load(IniFile(settingsPath()));
    return a;
}

std::string dateText(const Table& t, FieldName field)
{
    const Date d = t.date(field);
    return d ? d.toDisplay() : std::string();
}

void reporting(RegisterContext&)
{
    std::unique_ptr<QDialog> d = makeReportingDialog();
    if (d->exec() != QDialog::Accepted) return;
    const auto& f = static_cast<const FormDialog&>(*d);
    ReportingCriteria c;
    c.company = f.text("COMPAGNIA");
    if (c.company.empty()) {
        c.from = f.date("DAL");
        c.to = f.date("AL");
        c.producer = f.text("PRODUTTORE");
    } else {
        c.branch = f.text("RAMO");
    }
    printReporting(workspace(), c, today());
}

void lossRatioReport(RegisterContext&)
{
    std::unique_ptr<QDialog> d = makeLossRatioDialog();
    if (d->exec() != QDialog::Accepted) return;
    const auto& f = static_cast<const FormDialog&>(*d);
    LossRatioCriteria c{f.date("DAL"), f.date("AL"), f.text("COMPAGNIA"), f.text("PRODUTTORE"), f.text("RAMO")};
    printLossRatio(workspace(), c);
}

RegisterDesc build(bool fromPolicy)
{
    RegisterDesc s;
    s.name = "SINISTRI";
    s.title = "Sinistri";
    s.countingTitle = true;
    s.table = "SINISTRI";
    s.orders = fromPolicy ? std::vector<TagName>{"SINPOL", "SINISTRI", "SINNUM"}
                          : std::vector<TagName>{"SINISTRI", "SINPOL", "SINNUM"};
    Column insured{"ASSICURATO", [](const Table& t) { return ASSICURATO(workspace(), t.text("POLIZZA")); }, 35};
    Column opened{"DATA AP.", [](const Table& t) { return dateText(t, "APERTURA"); }, 10};
    opened.centered = true;
    s.columns = {fieldColumn("COMPAGNIA", "COMPAGNIA", 30), fieldColumn("NUM.REP.", "REPERTORIO", 9), insured, opened};
    s.buttons = {kBtnClose, kBtnAdd, kBtnModify, kBtnDelete, kBtnSearch, kBtnPrint};
    s.extraButtons = {
        {kBtnReporting, "&Reporting", true, reporting},
        {kBtnLossRatio, "Rapporto &S/P", true, lossRatioReport},
        {kBtnSummary, "Riepil&ogo", true,
         [](RegisterContext& c) { printSummary(c.workspace(), settingsPath(), today()); }},
    };
    s.printouts = {
        {"Tabulato", [](RegisterContext& c) { printClaims(c.workspace(), c.table()); }},
        {"Per numero sinistro", [](RegisterContext& c) { printClaimsByNumber(c.workspace(), c.table()); }},
        {"-", {}},
        {"Estrazione dati", [](RegisterContext& c) { exportClaims(c.workspace(), c.table()); }},
    };

    s.editName = "SINISTRO";
    s.fields = claimFields();
    s.formColumns = 2;
    for (EditField& f : s.fields)
        if (f.id == kFPolicy) {
            f.enabled = [](const EditValues&) { return !shown().fromPolicy; };
            f.pick = [](Workspace&, const EditValues& v) -> std::optional<std::string> {
                const std::string n = trim(policies::POLIZZE(true, trim(v.get("POLIZZA"))));
                if (n.empty()) return std::nullopt;
                return n;
            };
        }
    s.prepareEdit = [](RegisterContext& c, EditRequest& r, EditValues& v) {
        shown().newClaim = r.inserting;
        v = r.inserting ? newClaimValues(c.workspace(), today(), shown().fromPolicy ? shown().policy : std::string())
                        : claimValues(c.workspace(), c.table());
    };
    s.fieldLeft = [](int id, EditValues& v) {
        claimFieldLeft(workspace(), id, v, shown().newClaim, today(), screenInteraction());
    };
    s.save = [](RegisterContext& c, const EditRequest& r, const EditValues& before, const EditValues& after) {
        const ClaimSave saved = saveClaim(c.workspace(), c.table(), r.inserting, before, after, screenInteraction(),
                                          [](const std::string& number, const std::string& insured) {
                                              printTheftPage(number, insured);
                                          });
        if (!saved) return SaveResult{SaveResult::CheckFailed, saved.message};
        c.table().goTo(saved.recno);
        return SaveResult{SaveResult::Saved, {}};
    };
    s.editButtons = {
        {203, "&Stampa", "", true, [](Workspace&, const EditValues& v) { printClaimSheet(v, agency()); }},
        {204, "&Visualizza", "", false,
         [](Workspace&, const EditValues& v) { VISDOC(trim(v.get("REPERTORIO")), kArchive); }},
        {205, "+", "Aggiungi documento", false,
         [](Workspace&, const EditValues& v) { NEWDOC(trim(v.get("REPERTORIO")), kArchive); }},
    };
    s.search = claimSearch();
    for (size_t i = 0; i < s.search.size(); ++i)
        if (s.search[i].id == 108)
            s.search[i].pick = [i](Workspace& ws, const std::vector<std::string>& typed) {
                return registry::pickClient(ws, typed[i]);
            };
    s.searchColumns = 2;
    return s;
}

} // namespace

void setRegisterToday(Date d)
{
    todayOverride() = d;
    setClaimsToday(d);
}

const RegisterDesc& claimsRegister(bool fromPolicy)
{
    static const RegisterDesc all = build(false);
    static const RegisterDesc ofPolicy = build(true);
    return fromPolicy ? ofPolicy : all;
}

void SINISTRI(bool fromPolicy, const std::string& policyAlias)
{
    Workspace& ws = workspace();
    std::string code;
    shown().fromPolicy = false;
    shown().policy.clear();
    if (fromPolicy) {
        const Table* p = ws.find(policyAlias);
        if (!p || p->eof()) return;
        code = p->raw("CODICE");
        shown().policy = p->text("POLIZZA");
    }
    // The lookups of the list and the dialog (the policies by number, their motor sheets), unless a
    // calling screen has them open.
    struct Closer {
        std::function<void()> close;
        ~Closer()
        {
            close();
            shown().fromPolicy = false;
        }
    } closer{policies::openPolicyLookups(ws)};
    shown().fromPolicy = fromPolicy;
    RegisterOptions o;
    if (fromPolicy) o.scope = indexKey(code, kCodeWidth);
    runRegister(claimsRegister(fromPolicy), ws, o);
}

void addClaimEntries(const std::function<void(const std::string&, std::function<void()>)>& add)
{
    add("SINISTRI", [] { SINISTRI(); });
    add("NUMESINI", [] { NUMESINI(); });
}

std::unique_ptr<QDialog> makeReportingDialog(QWidget* parent)
{
    auto noCompany = [](const EditValues& v) { return !filled(v.get("COMPAGNIA")); };
    EditField from = dateField(101, "dal", dialogOnly("DAL"));
    EditField to = dateField(102, "al", dialogOnly("AL"));
    EditField company = choiceField(103, "Compagnia", "COMPAGNIA", [] { return withEmpty(ACOMPAGNIE(workspace())); });
    EditField producer = choiceField(104, "Produttore", "PRODUTTORE", [] { return withEmpty(APRODUTT(workspace())); });
    EditField branch = choiceField(105, "Ramo", "RAMO", [] { return withEmpty(ARAMI(workspace())); }, true);
    from.enabled = to.enabled = producer.enabled = noCompany;
    branch.enabled = [](const EditValues& v) { return filled(v.get("COMPAGNIA")); };
    company.changed = [](EditValues& v) {
        if (filled(v.get("COMPAGNIA"))) {
            if (!filled(v.get("RAMO"))) v.set("RAMO", "Auto");
        } else {
            v.set("RAMO", "");
        }
    };
    auto d = std::make_unique<FormDialog>("REPORTSIN", "Reporting",
                                          std::vector<EditField>{from, to, company, producer, branch}, parent);
    d->set(101, Date::fromYmd(today().year(), 1, 1).toDisplay());
    d->set(102, today().toDisplay());
    return d;
}

std::unique_ptr<QDialog> makeLossRatioDialog(QWidget* parent)
{
    EditField branch = requiredField(choiceField(105, "Ramo", "RAMO", [] { return withEmpty(ARAMI(workspace())); }, true));
    auto d = std::make_unique<FormDialog>(
        "RAPPSP", "Rapporto S/P",
        std::vector<EditField>{
            dateField(101, "dal", dialogOnly("DAL")), dateField(102, "al", dialogOnly("AL")),
            choiceField(103, "Compagnia", "COMPAGNIA", [] { return withEmpty(ACOMPAGNIE(workspace())); }),
            choiceField(104, "Produttore", "PRODUTTORE", [] { return withEmpty(APRODUTT(workspace())); }), branch},
        parent);
    d->set(101, Date::fromYmd(today().year(), 1, 1).toDisplay());
    d->set(102, today().toDisplay());
    d->set(105, "Auto");
    return d;
}

} // namespace arv::claims
