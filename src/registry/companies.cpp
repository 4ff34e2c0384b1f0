#include "registry/companies.h"

#include "common/checks.h"
#include "common/cp1252.h"
#include "common/text.h"
#include "records/excel.h"
#include "records/lookups.h"
#include "records/reportrows.h"
#include "store/workspace.h"
#include "ui/docdialogs.h"
#include "ui/register.h"

namespace arv::registry {

using namespace store;
using namespace records;

namespace {

constexpr const char* kDocumentArchive = "Compagnie";
constexpr const char* kMsgUpdatingTacitRenewal = "Aggiornamento tacito rinnovo in corso...";
constexpr int kBtnRates = 209;
constexpr int kBtnAll = 210;

// The five fee bands of premium financing (group "Finanziarie"): the amount up to which a band
// applies, its fixed fee and its rate.
const FieldName kBandLimits[] = {"FINFINOA", "FINFINO2", "FINFINO3", "FINFINO4", "FINFINO5"};
const FieldName kBandFixed[] = {"FINFISSO", "FINFISS2", "FINFISS3", "FINFISS4", "FINFISS5"};
const FieldName kBandRates[] = {"FINALIQ", "FINALIQ2", "FINALIQ3", "FINALIQ4", "FINALIQ5"};

RegisterDesc buildCompanies()
{
    RegisterDesc s;
    s.name = "COMPAGNIE";
    s.title = "Compagnie e rapporti";
    s.table = "COMPAGN";
    s.orders = {"COMPAGN"};
    s.columns = {fieldColumn("COMPAGNIE E RAPPORTI", "COMPAGNIA", 40)};
    s.typing = KeyTyping::Search;
    s.extraButtons = {
        {kBtnRates, "&Provvig", true,
         [](RegisterContext& c) { PROVVIG('C', c.table().text("COMPAGNIA")); }},
        {kBtnExcel, "E&xcel", true, [](RegisterContext& c) { TOEXCEL(c.table()); }},
        {kBtnAll, "&Tutte", false,
         [](RegisterContext& c) {
             clearSearch(c.desc(), c.table());
             c.table().goTop();
         }},
    };

    s.editName = "COMPAGNIA";
    EditField name = editField(101, "Rapporto:", "COMPAGNIA");
    name.rule = requiredRule;
    EditField line1 = editField(102, "Ragione sociale:", "RAGSOC1");
    line1.rule = requiredRule;
    EditField vat = editField(108, "Partita IVA:", "PARTITAIVA", FieldKind::Text, "99999999999");
    vat.rule = [](const std::string& v, const EditValues&) { return trim(v).empty() || ISIVA(trim(v)); };
    EditField day = editField(123, "Giorno rimessa:", "GIORNO", FieldKind::Number, "@Z 99");
    day.rule = [](const std::string&, const EditValues& all) { return all.number("GIORNO") <= Decimal(31); };
    s.fields = {name,
                line1,
                editField(103, "", "RAGSOC2"),
                editField(104, "Indirizzo:", "INDIRIZZO"),
                editField(105, "Città:", "CITTA"),
                editField(106, "C.A.P.:", "CAP", FieldKind::Text, "99999"),
                editField(107, "Provincia:", "PROVINCIA", FieldKind::Text, "@! AA"),
                vat,
                editField(109, "Telefono:", "TELEFONO", FieldKind::Text, "999999999999999"),
                editField(110, "Fax:", "FAX", FieldKind::Text, "999999999999999"),
                editField(111, "Email:", "E_MAIL"),
                editField(112, "Email per coperture:", "EMAILCOPE"),
                editField(113, "Iscrizione RUI:", "NUMERUI"),
                editField(114, "Data:", "DATARUI", FieldKind::Date),
                logicalField(115, "Cessato:", "NONATTIVO"),
                logicalField(116, "Collaboratore e/o coassicuratore:", "COLLAB"),
                editField(117, "Aliquota R.A.:", "ALIQRA", FieldKind::Number, "@ZE 99.99 %"),
                editField(118, "Codice:", "CODICE"),
                logicalField(119, "Coperture giornaliere:", "COPERTURE"),
                logicalField(120, "Promemoria bonifico:", "BONIFICO"),
                logicalField(121, "Promemoria giroconto:", "GIROCONTO"),
                logicalField(122, "Chiusura estratti conto:", "CHIUSURA"),
                day,
                logicalField(124, "Tacito rinnovo:", "TACITORIN"),
                logicalField(125, "Ratificato:", "RATIFICATO")};
    for (int band = 0; band < 5; ++band) {
        s.fields.push_back(editField(126 + 3 * band, "Fino a:", kBandLimits[band], FieldKind::Number, "@ZE 99,999.99"));
        s.fields.push_back(editField(127 + 3 * band, "Fisso", kBandFixed[band], FieldKind::Number, "@ZE 999.99"));
        s.fields.push_back(editField(128 + 3 * band, "Aliquota", kBandRates[band], FieldKind::Number, "@ZE 99.99 %"));
    }
    s.fields.push_back(logicalField(141, "Rimesse senza provvigioni:", "RIMNOPROV"));
    // The financing bands and what follows them on a page of their own, for the dialog to fit.
    s.pages = {"Rapporto", "Finanziarie"};
    for (EditField& f : s.fields)
        if (f.id >= 126) f.page = 1;

    // A name typed while the company name is still empty gives that line the same text.
    s.fieldLeft = [](int id, EditValues& v) {
        if (id == 101 && trim(v.get("RAGSOC1")).empty()) v.set("RAGSOC1", v.get("COMPAGNIA"));
    };
    auto documents = [](bool view) {
        return [view](Workspace&, const EditValues& v) {
            const std::string key = trim(v.get("COMPAGNIA"));
            if (view) VISDOC(key, kDocumentArchive);
            else NEWDOC(key, kDocumentArchive);
        };
    };
    s.editButtons = {{203, "&Visualizza", "", false, documents(true)},
                     {204, "+", "Aggiungi documento", false, documents(false)}};

    s.duplicateTag = "COMPAGN";
    s.duplicateMessage = "Compagnia o rapporto già presente.";
    s.renameField = "COMPAGNIA";
    s.renames = agreementRenames();
    s.afterWrite = [](Workspace& ws, const EditValues& before, const EditValues& after, bool inserting) {
        if (inserting || before.logical("TACITORIN") == after.logical("TACITORIN")) return;
        WaitHooks& h = waitHooks();
        if (h.show) h.show(kMsgUpdatingTacitRenewal, std::string());
        struct Hide {
            WaitHooks& h;
            ~Hide()
            {
                if (h.hide) h.hide();
            }
        } hide{h};
        carryTacitRenewal(ws, trim(after.get("COMPAGNIA")), after.logical("TACITORIN"));
    };
    return s;
}

} // namespace

const std::vector<RenameTarget>& agreementRenames()
{
    static const std::vector<RenameTarget> targets = {
        {"POLIZZE", {"COMPAGNIA", "RAPPORTO", "COASSICUR", "PROVENIEN"}},
        {"SINISTRI", {"COMPAGNIA"}},
        {"MOVICOMP", {"COMPAGNIA", "RAPPORTO"}},
        {"TITOLI", {"COMPAGNIA", "RAPPORTO"}},
        {"NUMESINI", {"COMPAGNIA"}},
        // The quote's own agreement and the ones it proposes for the motor cover and its
        // additional guarantees: a quote converted later must name an agreement that exists.
        {"PREVBSA", {"COMPAGNIA", "RAPPORTO", "COMPPREV", "RAPPPREV", "COMPARD", "RAPPARD"}},
        // The agreements the renewal worklist proposes for a policy.
        {"QUIETANZ", {"RAPNUO1", "RAPNUO2", "RAPNUO3", "RAPNUO4", "RAPNUO5", "RAPNUO6", "RAPNUO7"}},
        {"FINANZ", {"RAPPORTO"}},
        {"PRODOTTI", {"COMPAGNIA", "RAPPORTO"}},
        // The agency's own rates name the agreement; a producer's rates name the producer.
        {"PROVVIG", {"RAGSOC"}, [](const Table& t) { return t.text("TIPO") == "C"; }},
        {"PROVVIG", {"RAPPORTO"}},
    };
    return targets;
}

size_t carryTacitRenewal(Workspace& ws, const std::string& agreement, bool value)
{
    OwnTable own(ws, "POLIZZE"); // closing it releases its locks
    Table& p = *own;
    p.lock(false);
    size_t changed = 0;
    for (p.goTop(); !p.eof(); p.skip(1)) {
        if (p.text("COMPAGNIA") != agreement || p.logical("TACITORIN") == value) continue;
        p.setLogical("TACITORIN", value);
        p.commit();
        ++changed;
    }
    return changed;
}

AgreementTerms agreementTerms(Workspace& ws, const std::string& agreement)
{
    AgreementTerms a;
    OwnTable own(ws, "COMPAGN", true);
    Table& t = *own;
    t.ordAdd("COMPAGN");
    std::string key = upperCp1252(utf8ToCp1252(trim(agreement)));
    key.resize(35, ' ');
    if (trim(agreement).empty() || !t.seek(key)) return a;
    a.found = true;
    a.ceased = t.logical("NONATTIVO");
    a.collaborator = t.logical("COLLAB");
    a.dailyCoverages = t.logical("COPERTURE");
    a.bankTransferReminder = t.logical("BONIFICO");
    a.transferReminder = t.logical("GIROCONTO");
    a.closesStatements = t.logical("CHIUSURA");
    a.tacitRenewal = t.logical("TACITORIN");
    a.ratified = t.logical("RATIFICATO");
    a.remittancesWithoutCommissions = t.logical("RIMNOPROV");
    a.remittanceDay = static_cast<int>(t.number("GIORNO").toLongLong());
    a.withholdingRate = t.number("ALIQRA");
    a.code = trim(t.text("CODICE"));
    a.email = trim(t.text("E_MAIL"));
    a.coverageEmail = trim(t.text("EMAILCOPE"));
    for (size_t i = 0; i < 5; ++i)
        a.bands[i] = {t.number(kBandLimits[i]), t.number(kBandFixed[i]), t.number(kBandRates[i])};
    return a;
}

const RegisterDesc& companiesRegister()
{
    static const RegisterDesc desc = buildCompanies();
    return desc;
}

std::string ratesScope(char type, const std::string& name)
{
    std::string key = utf8ToCp1252(trim(name));
    key.resize(35, ' ');
    return std::string(1, type) + key;
}

RegisterDesc ratesRegister(char type, const std::string& name)
{
    const bool agency = type == 'C';
    const std::string who = trim(name);
    RegisterDesc s;
    s.name = agency ? "PROVVIGC" : "PROVVIGP";
    s.title = (agency ? "Provvigioni agenzia - " : "Provvigioni produttori - ") + who;
    s.table = "PROVVIG";
    s.orders = {"PROVVIG"};
    Column rate = fieldColumn("ALIQ", "ALIQUOTA", 8, "@E 99.99");
    rate.right = true;
    if (agency) s.columns = {fieldColumn("RAMO", "RAMO", 20), rate};
    else s.columns = {fieldColumn("RAPPORTO", "RAPPORTO", 35), fieldColumn("RAMO", "RAMO", 20), rate};
    s.buttons = {kBtnClose, kBtnAdd, kBtnModify, kBtnDelete};
    s.extraButtons = {{kBtnPrint, "&Stampa", true,
                       [type, who](RegisterContext& c) { printRates(c.table(), type, who); }}};

    s.editName = agency ? "PROVVIG2C" : "PROVVIG2P";
    EditField kind = editField(91, "", "TIPO");
    EditField owner = editField(92, "", "RAGSOC");
    EditField agreement = editField(101, "Rapporto:", "RAPPORTO", FieldKind::Choice);
    agreement.list = [] { return ACOMPAGNIE(workspace()); };
    agreement.rule = requiredRule;
    EditField branch = editField(102, "Ramo:", "RAMO", FieldKind::Choice);
    branch.list = [] { return ARAMI(workspace()); };
    branch.rule = requiredRule;
    EditField value = editField(103, "Aliquota:", "ALIQUOTA", FieldKind::Number, "@E 99.99 %");
    if (agency) s.fields = {kind, owner, branch, value};
    else s.fields = {kind, owner, agreement, branch, value};
    s.hiddenFields = {91, 92};
    s.prepareInsert = [type, who](Workspace&, EditValues& v) {
        v.set("TIPO", std::string(1, type));
        v.set("RAGSOC", who);
    };
    // The exact same type, name, agreement and branch: "RC" is not "RC AUTO".
    s.duplicateTag = "PROVVIG";
    s.duplicateMessage = "Provvigione già presente.";
    return s;
}

void printRates(Table& rates, char type, const std::string& name, bool preview)
{
    const bool agency = type == 'C';
    ReportDescription d;
    d.title = std::string("Stampa provvigioni ") + (agency ? "agenzia" : "produttori");
    d.headings = {std::string("STAMPA PROVVIGIONI ") + (agency ? "AGENZIA" : "PRODUTTORI"), trim(name)};
    d.font = PrintFont{"Arial", 12};
    if (!agency) d.columns.push_back({"RAPPORTO", [&rates] { return ReportValue(rates.text("RAPPORTO")); }, "", 35});
    d.columns.push_back({"RAMO", [&rates] { return ReportValue(rates.text("RAMO")); }, "", 20});
    ReportColumn rate{"ALIQUOTA", [&rates] { return ReportValue(rates.number("ALIQUOTA")); }, "@E 99.99", 0};
    rate.align = ReportAlign::Right;
    d.columns.push_back(rate);
    const uint32_t here = rates.eof() ? 0 : rates.recno();
    runReport(d, tableRows(rates), preview);
    if (here) rates.goTo(here);
}

void PROVVIG(char type, const std::string& name)
{
    const RegisterDesc desc = ratesRegister(type, name);
    runSubList(desc, workspace(), ratesScope(type, name));
}

void COMPAGNIE() { runRegister(companiesRegister(), workspace()); }

void addCompanyEntries(const std::function<void(const std::string& name, std::function<void()> entry)>& add)
{
    add("COMPAGNIE", [] { COMPAGNIE(); });
}

} // namespace arv::registry
