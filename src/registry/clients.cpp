#include "registry/clients.h"

#include <algorithm>
#include <filesystem>

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/checks.h"
#include "common/cp1252.h"
#include "common/ini.h"
#include "common/instalments.h"
#include "common/lists.h"
#include "common/mask.h"
#include "common/office.h"
#include "common/printjob.h"
#include "common/report.h"
#include "common/taxcode.h"
#include "common/text.h"
#include "common/tempnames.h"
#include "records/criteria.h"
#include "records/excel.h"
#include "records/lookups.h"
#include "records/reportrows.h"
#include "store/keys.h"
#include "store/workspace.h"
#include "ui/docdialogs.h"
#include "ui/mailcompose.h"
#include "ui/popmsg.h"
#include "ui/register.h"

namespace fs = std::filesystem;

namespace arv::registry {

using namespace store;
using namespace records;

namespace {

constexpr const char* kArchive = "Clienti";
constexpr size_t kNameWidth = 35;

std::function<void(const std::string&)>& entryCaller()
{
    static std::function<void(const std::string&)> call;
    return call;
}

// Runs TEST on each policy of the client that was neither replaced nor cancelled, until it gives
// true.
bool anyLivePolicy(Workspace& ws, const std::string& client, const std::function<bool(const Table&)>& test)
{
    if (!filled(client)) return false;
    Table* t = ws.find("RPOLIZZE");
    std::string own;
    if (!t) {
        const int selected = ws.selected();
        own = ws.newAlias();
        t = &ws.open("POLIZZE", own, true);
        ws.select(selected);
    }
    struct Closer {
        Workspace& ws;
        std::string alias;
        ~Closer()
        {
            if (alias.empty()) return;
            try {
                const int selected = ws.selected();
                ws.close(alias);
                ws.select(selected);
            } catch (...) {
            }
        }
    } closer{ws, own};
    if (t->orderName() != "POLIZZE" && !t->setOrder("POLIZZE")) {
        t->ordAdd("POLIZZE");
        t->setOrder("POLIZZE");
    }
    const std::string key = indexKey(client, kNameWidth);
    for (bool ok = t->seek(key); ok && !t->eof() && t->raw("ASSICURATO") == key; t->skip(1)) {
        if (filled(t->text("SOSTDA")) || t->logical("DISDETTA")) continue;
        if (test(*t)) return true;
    }
    return false;
}

// ---- the edit dialog's fields

std::vector<std::string> withEmpty(std::vector<std::string> l)
{
    if (l.empty() || !l.front().empty()) l.insert(l.begin(), std::string());
    return l;
}

std::vector<EditField> clientFields()
{
    EditField name = textField(101, "Cliente:", "CLIENTE");
    name.rule = requiredRule;
    EditField taxCode = textField(107, "Codice fiscale:", "CODICEFISC", "@!");
    taxCode.rule = [](const std::string& v, const EditValues&) { return !filled(v) || ISCOD(v); };
    // A changed tax code fills the birth data at once, overwriting them.
    taxCode.changed = [](EditValues& v) {
        const std::string code = trim(v.get("CODICEFISC"));
        if (plainTaxCode(code).empty()) return;
        v.set("DATANASC", DATANASCCDF(code).toDisplay());
        v.set("SESSO", trim(SESSOCDF(code)));
        std::string town = records::COMUNASCCDF(workspace(), code);
        while (!town.empty() && town.back() == ' ') town.pop_back();
        v.set("COMUNASC", cp1252ToUtf8(utf8ToCp1252(town).substr(0, 25)));
    };
    EditField vat = textField(108, "Partita IVA:", "PARTITAIVA", "99999999999");
    vat.rule = [](const std::string& v, const EditValues&) { return !filled(v) || ISIVA(trim(v)); };
    EditField civil = choiceField(109, "Stato civile:", "STATOCIV", [] {
        return std::vector<std::string>{"Coniugato", "Convivente", "Divorziato", "Separato",
                                        "Single",    "Vedovo",     "Non dichiarato"};
    });
    civil.rule = requiredRule;
    EditField title = choiceField(111, "Titolo:", "TITOLO", [] { return ATITOLI(); });
    title.rule = requiredRule;
    EditField sex = textField(126, "Sesso:", "SESSO", "@! A");
    sex.rule = [](const std::string& v, const EditValues&) {
        const std::string s = Mask::upper(trim(v));
        return s.empty() || s == "M" || s == "F";
    };
    EditField citizenship = textField(130, "Cittadinanza:", "CITTADIN");
    citizenship.rule = requiredRule;
    EditField notes = textField(138, "Note:", "NOTE");
    notes.kind = FieldKind::Memo;
    const char* phones = "999999999999999";
    return {name,
            textField(102, "Indirizzo:", "INDIRIZZO"),
            textField(103, "Città:", "CITTA"),
            textField(104, "C.A.P.:", "CAP", "99999"),
            textField(105, "Provincia:", "PROVINCIA", "@! AA"),
            textField(106, "Codice SDI:", "CODICESDI", "@!"),
            taxCode,
            vat,
            civil,
            logicalField(110, "Figli conviventi:", "FIGLICONV"),
            title,
            textField(112, "Nome P.F.:", "NOMEPF"),
            choiceField(113, "Sub agente 1:", "SUBAGENTE", [] { return APRODUTT(workspace()); }),
            choiceField(114, "Sub agente 2:", "SUBAGENTE2", [] { return APRODUTT(workspace()); }),
            textField(115, "Tel. casa:", "TELCASA", phones),
            textField(116, "Tel. ufficio:", "TELUFFICIO", phones),
            textField(117, "Cellulare:", "CELLULARE", phones),
            textField(118, "Fax:", "FAX", phones),
            textField(119, "Email:", "E_MAIL"),
            textField(120, "P.E.C.:", "PEC"),
            textField(121, "Alias email:", "ALIASTEL"),
            choiceField(122, "Gruppo:", "GRUPPO", [] { return withEmpty(AGRUPPI(workspace())); }),
            logicalField(123, "Avvisi per posta:", "PERPOSTA"),
            choiceField(124, "Marketing:", "MARKETNG", [] { return withEmpty(AMARKETNG(workspace())); }),
            logicalField(125, "Consenso inform.:", "CONSENSO"),
            sex,
            dateField(127, "Data di nascita:", "DATANASC"),
            textField(128, "Comune:", "COMUNASC"),
            textField(129, "Provincia:", "PROVNASC", "@! AA"),
            citizenship,
            logicalField(131, "Fumatore:", "FUMATORE"),
            choiceField(132, "Documento:", "DOCUMENTO",
                   [] { return std::vector<std::string>{"", "Carta identità", "Patente", "Passaporto"}; }),
            textField(133, "Patente:", "CATPATE", "@!"),
            textField(134, "", "NUMPATE", "@!"),
            dateField(135, "Rilascio:", "RILPATE"),
            dateField(136, "Scadenza:", "SCAPATE"),
            textField(137, "Professione:", "PROFESS"),
            notes};
}

// ---- search

Date typedDate(const std::string& s)
{
    ParsedDate d = Mask::parseDate(s);
    return d.status == DateStatus::Valid ? d.date : Date();
}

std::vector<SearchField> clientSearch()
{
    const auto field = [](int id, const char* label, FieldName f, Match m) { return searchField(id, label, f, m); };
    const auto& custom = customSearch;
    // Positions of the criteria in the typed values.
    enum { kName, kCap, kSub, kMobile, kMail, kGroup, kMarketing, kNotes, kActive, kHasMail, kFrom, kTo, kCompany,
           kFirst, kLast };
    std::vector<SearchField> s(kLast + 1);
    s[kName] = field(101, "Cliente:", "CLIENTE", Match::Contains);
    s[kCap] = field(102, "C.A.P.:", "CAP", Match::Equal);
    s[kSub] = custom(103, "Sub agente:", FieldKind::Choice, [](const std::vector<std::string>& t) -> RecordPredicate {
        const std::string v = Mask::upper(trim(t[kSub]));
        if (v.empty()) return {};
        return [v](const Table& r) { return Mask::upper(r.text("SUBAGENTE")) == v || Mask::upper(r.text("SUBAGENTE2")) == v; };
    });
    s[kSub].list = [] { return APRODUTT(workspace()); };
    s[kMobile] = field(104, "Cellulare:", "CELLULARE", Match::Contains);
    s[kMail] = field(105, "Email:", "E_MAIL", Match::Contains);
    s[kGroup] = field(106, "Gruppo:", "GRUPPO", Match::Equal);
    s[kGroup].kind = FieldKind::Choice;
    s[kGroup].list = [] { return withEmpty(AGRUPPI(workspace())); };
    s[kMarketing] = field(107, "Marketing:", "MARKETNG", Match::Equal);
    s[kMarketing].kind = FieldKind::Choice;
    s[kMarketing].list = [] { return withEmpty(AMARKETNG(workspace())); };
    s[kNotes] = custom(108, "Note:", FieldKind::Text, [](const std::vector<std::string>& t) -> RecordPredicate {
        const std::string v = Mask::upper(trim(t[kNotes]));
        if (v.empty()) return {};
        return [v](const Table& r) { return Mask::upper(r.memo("NOTE")).find(v) != std::string::npos; };
    });
    s[kActive] = custom(109, "Solo attivi:", FieldKind::Logical, [](const std::vector<std::string>& t) -> RecordPredicate {
        if (t[kActive] != "T") return {};
        return [](const Table& r) { return ATTIVO(workspace(), r.text("CLIENTE")); };
    });
    s[kHasMail] = custom(110, "Email:", FieldKind::TriState, [](const std::vector<std::string>& t) -> RecordPredicate {
        if (t[kHasMail] != "T" && t[kHasMail] != "F") return {};
        const bool wanted = t[kHasMail] == "T";
        return [wanted](const Table& r) { return filled(r.text("E_MAIL")) == wanted; };
    });
    s[kFrom] = custom(111, "Copertura: dal", FieldKind::Date, [](const std::vector<std::string>& t) -> RecordPredicate {
        const Date from = typedDate(t[kFrom]), to = typedDate(t[kTo]);
        if (!from && !to) return {};
        return [from, to](const Table& r) { return COPERTURA(workspace(), r.text("CLIENTE"), from, to); };
    });
    s[kTo] = custom(112, "al", FieldKind::Date, {}); // read with "dal"
    s[kCompany] = custom(113, "Compagnia:", FieldKind::Choice, [](const std::vector<std::string>& t) -> RecordPredicate {
        const std::string v = Mask::upper(trim(t[kCompany]));
        if (v.empty()) return {};
        return [v](const Table& r) { return COMPAGNIA(workspace(), r.text("CLIENTE"), v); };
    });
    s[kCompany].list = [] { return withEmpty(ACOMPAGNIE(workspace())); };
    // Every client, whatever the list is showing: through a cursor of its own.
    auto names = [] {
        std::vector<std::string> l{std::string()};
        Workspace& ws = workspace();
        const int selected = ws.selected();
        const std::string alias = ws.newAlias();
        Table& t = ws.open("CLIENTI", alias, true);
        t.ordAdd("CLIENTI");
        for (t.goTop(); !t.eof(); t.skip(1)) l.push_back(t.text("CLIENTE"));
        ws.close(alias);
        ws.select(selected);
        return l;
    };
    s[kFirst] = custom(114, "Dal cliente:", FieldKind::Choice, [](const std::vector<std::string>& t) -> RecordPredicate {
        const std::string v = Mask::upper(trim(t[kFirst]));
        if (v.empty()) return {};
        return [v](const Table& r) { return utf8ToCp1252(Mask::upper(r.text("CLIENTE"))) >= utf8ToCp1252(v); };
    });
    s[kFirst].list = names;
    s[kFirst].typedChoice = true;
    s[kLast] = custom(115, "Al cliente:", FieldKind::Choice, [](const std::vector<std::string>& t) -> RecordPredicate {
        const std::string v = utf8ToCp1252(Mask::upper(trim(t[kLast])));
        if (v.empty()) return {};
        // Names that begin with the text are not above it.
        return [v](const Table& r) { return utf8ToCp1252(Mask::upper(r.text("CLIENTE"))).substr(0, v.size()) <= v; };
    });
    s[kLast].list = names;
    s[kLast].typedChoice = true;
    return s;
}

// ---- the e-mail dialog: subject, message and one attached file, with the SMTP settings

std::optional<MailDraft> askMail()
{
    MailDraft d;
    d.attachmentRows = 1;
    if (!askMailDraft(d, (fs::path(workspace().folder()) / "ARV.INI").string())) return std::nullopt;
    return d;
}

void mailListed(RegisterContext& c)
{
    POPMSG(kMsgMailWarning, 1);
    std::optional<MailDraft> form = askMail();
    if (!form) return;
    IniFile ini((fs::path(c.workspace().folder()) / "ARV.INI").string());
    MailMessage m = MailSettings::load(ini).message();
    m.subject = form->subject;
    m.body = form->body;
    m.attachments = form->attachments;
    std::vector<MailRecipient> sent = mailClients(c.table(), criteria::remembered(c.desc().name), m);
    if (sent.empty()) {
        POPMSG(kMsgNoMailSent, 1);
        return;
    }
    POPMSG(std::to_string(sent.size()) + " messaggi inviati con successo.", 1);
    printMailReport(m, sent);
}

void exportListed(RegisterContext& c)
{
    OfficeHooks& h = officeHooks();
    if (h.message) h.message(kMsgExcelClients, false);
    std::string file;
    try {
        fs::path folder = fs::temp_directory_path() / GETNEWFNAME();
        fs::create_directories(folder);
        file = (folder / "Clienti.xlsx").string();
        if (!writeClientsSpreadsheet(c.table(), file)) file.clear();
    } catch (...) {
        file.clear();
    }
    if (h.closeMessage) h.closeMessage();
    if (!file.empty() && h.open) h.open(file);
}

std::string clientKey(const EditValues& v) { return trim(v.get("CLIENTE")); }

RegisterDesc makeClients()
{
    RegisterDesc s;
    s.name = "CLIENTI";
    s.title = "Clienti";
    s.countingTitle = true;
    s.table = "CLIENTI";
    s.orders = {"CLIENTI"};
    s.lookups = {{"POLIZZE", "RPOLIZZE"}};
    s.columns = {fieldColumn("CLIENTI", "CLIENTE", 35), fieldColumn("EMAIL", "E_MAIL", 35)};
    s.buttons = {kBtnClose, kBtnAdd, kBtnModify, kBtnDelete, kBtnSearch, kBtnPrint, kBtnEmail, kBtnExcel};
    s.typing = KeyTyping::Search;
    s.editName = "CLIENTE";
    s.fields = clientFields();
    s.formColumns = 2;
    s.duplicateTag = "CLIENTI";
    s.duplicateMessage = kMsgClientPresent;
    s.check = [](Workspace& ws, const EditValues& v, bool) -> std::optional<std::string> {
        // The sub-agents are read through PRODUTT_, opened here when no other screen has it.
        const bool own = !ws.isOpen("PRODUTT_");
        const int selected = ws.selected();
        if (own) ws.open("PRODUTT", "PRODUTT_", true).ordAdd("PRODUTT");
        ws.select(selected);
        bool ceased = false;
        for (const char* f : {"SUBAGENTE", "SUBAGENTE2"})
            if (filled(v.get(f)) && !ATTIPROD(ws, trim(v.get(f)))) ceased = true;
        if (own) {
            ws.close("PRODUTT_");
            ws.select(selected);
        }
        if (ceased) return std::string(kMsgSubagentCeased);
        return std::nullopt;
    };
    s.renameField = "CLIENTE";
    s.renames = {{"POLIZZE", {"ASSICURATO", "INTESTPRA"}}, {"VITA", {"ASSICURATO"}},
                 {"MOVICOMP", {"ASSICURATO"}},             {"FATTBSA", {"CLIENTE"}},
                 {"TITOLI", {"ASSICURATO"}},               {"PREVBSA", {"ASSICURATO", "INTESTPRA", "CONDUCENTE"}},
                 {"FINANZ", {"ASSICURATO"}},               {"QUESTADE", {"CLIENTE"}},
                 {"CASSA", {"ASSICURATO"}}};
    s.search = clientSearch();
    s.printouts = {
        {"Tabulato", [](RegisterContext& c) { printClientList(c.table()); }},
        {"Polizze attive",
         [](RegisterContext& c) { printActivePolicies(c.workspace(), c.table().text("CLIENTE")); }},
        {"Estrazione dati", [](RegisterContext& c) { TOEXCEL(c.table()); }},
        {"Modulistica",
         [](RegisterContext&) {
             if (entryCaller()) entryCaller()("MODULISTICA");
         }},
    };
    s.email = mailListed;
    s.excel = exportListed;
    auto ini = [] { return IniFile((fs::path(workspace().folder()) / "ARV.INI").string()); };
    s.editButtons = {
        {203, "&Stampa", "", true, [](Workspace&, const EditValues& v) { printClientSheet(v); }},
        {204, "&Busta", "", true,
         [ini](Workspace&, const EditValues& v) {
             IniFile f = ini();
             printEnvelope(v, f.getDecimal("Busta", "Riga").toDouble(), f.getDecimal("Busta", "Colonna").toDouble());
         }},
        {205, "&Indirizzo", "", true, [](Workspace&, const EditValues& v) { printAddressSheet(v); }},
        {206, "&Visualizza", "", false, [](Workspace&, const EditValues& v) { VISDOC(clientKey(v), kArchive); }},
        {207, "+", "Aggiungi documento", false, [](Workspace&, const EditValues& v) { NEWDOC(clientKey(v), kArchive); }},
    };
    return s;
}

// ---- printing helpers

const PrintFont kArial12("Arial", 12);

} // namespace

const RegisterDesc& clientsRegister()
{
    static const RegisterDesc desc = makeClients();
    return desc;
}

void CLIENTI(const std::string& client) { runRegister(clientsRegister(), workspace(), client); }

std::optional<std::string> pickClient(Workspace& ws, const std::string& name)
{
    RegisterOptions o;
    o.key = trim(name);
    o.selection = true;
    const std::optional<uint32_t> chosen = runRegister(clientsRegister(), ws, o);
    if (!chosen) return std::nullopt;
    OwnTable clients(ws, "CLIENTI", true);
    clients->goTo(*chosen);
    if (clients->eof()) return std::nullopt;
    return clients->text("CLIENTE");
}

void setClientEntryCaller(std::function<void(const std::string& entry)> call) { entryCaller() = std::move(call); }

void addClientEntries(const std::function<void(const std::string&, std::function<void(const std::string&)>)>& add)
{
    add("CLIENTI", [](const std::string& client) { CLIENTI(client); });
}

// ---------------------------------------------------------------- active-policy tests

bool ATTIVO(Workspace& ws, const std::string& client, Date today)
{
    return anyLivePolicy(ws, client, [&](const Table& p) {
        const Date covered = p.date("COPERTURA");
        return covered && covered.addDays(30) >= today;
    });
}

bool COPERTURA(Workspace& ws, const std::string& client, Date from, Date to)
{
    return anyLivePolicy(ws, client, [&](const Table& p) {
        const Date covered = p.date("COPERTURA");
        if (from && !(covered && covered >= from)) return false;
        if (to && !(covered && covered <= to)) return false;
        return true;
    });
}

bool COMPAGNIA(Workspace& ws, const std::string& client, const std::string& company)
{
    const std::string wanted = Mask::upper(trim(company));
    return anyLivePolicy(ws, client, [&](const Table& p) { return Mask::upper(p.text("COMPAGNIA")) == wanted; });
}

// ---------------------------------------------------------------- printouts

PrintDocument printClientList(Table& t, bool preview)
{
    ReportDescription d;
    d.title = "Stampa clienti";
    d.headings = {"STAMPA CLIENTI"};
    d.font = PrintFont("Arial", 8);
    auto col = [&t](const char* heading, FieldName field, int width) {
        return ReportColumn{heading, [&t, field] { return ReportValue(t.text(field)); }, "", width};
    };
    d.columns = {col("CLIENTE", "CLIENTE", 20),      col("INDIRIZZO", "INDIRIZZO", 20), col("C.A.P.", "CAP", 0),
                 col("CITTA'", "CITTA", 15),         col("PR", "PROVINCIA", 0),         col("SUB AGENTE 1", "SUBAGENTE", 20),
                 col("GRUPPO", "GRUPPO", 15)};
    const uint32_t here = t.eof() ? 0 : t.recno();
    PrintDocument doc = runReport(d, tableRows(t), preview);
    if (here) t.goTo(here);
    return doc;
}

PrintDocument printActivePolicies(Workspace& ws, const std::string& client, bool preview)
{
    OwnTable own(ws, "POLIZZE");
    Table& p = *own;
    p.ordAdd("POLIZZE");
    const std::string key = indexKey(client, kNameWidth);
    p.setScope(key, key);
    ReportDescription d;
    d.title = "Polizze attive";
    d.headings = {"POLIZZE ATTIVE", "CLIENTE: " + client};
    d.landscape = true;
    d.totalLabel = "TOTALE";
    d.condition = [&p] { return !filled(p.text("SOSTDA")) && !p.logical("DISDETTA"); };
    auto col = [&p](const char* heading, FieldName field, int width) {
        return ReportColumn{heading, [&p, field] { return ReportValue(p.text(field)); }, "", width};
    };
    ReportColumn amount{"IMPORTO", [&p] { return ReportValue(p.number("IMPORTO")); }, "@E 9,999,999.99", 0, true};
    ReportColumn portfolio{"PORTAFOGLIO",
                           [&p] { return ReportValue(p.number("IMPORTO") * Decimal(RATE(p.text("FRAZIONAM")))); },
                           "@E 9,999,999.99", 0, true};
    d.columns = {col("POLIZZA N.", "POLIZZA", 16),
                 col("COMPAGNIA", "COMPAGNIA", 25),
                 col("RAPPORTO", "RAPPORTO", 25),
                 col("PRODUTTORE", "PRODUTTORE", 25),
                 col("RAMO", "RAMO", 0),
                 ReportColumn{"SCAD.", [&p] { return ReportValue(p.date("SCADENZA")); }, "", 0},
                 amount,
                 portfolio};
    return runReport(d, tableRows(p), preview);
}

PrintDocument printClientSheet(const EditValues& v, bool preview)
{
    TPRINTER job("Stampa cliente", preview);
    job.setFont(kArial12);
    job.startPage();
    PRINTTXT(job, {"STAMPA CLIENTE"});
    PRINTTXT(job, {Date::today().toDisplay()}, TxtOptions::at(37));
    for (int i = 0; i < 4; ++i) PRINTTXT(job, {""});
    auto line = [&job](const char* label, const std::string& value) {
        PRINTTXT(job, {label});
        PRINTTXT(job, {value}, TxtOptions::at(15));
    };
    const std::pair<const char*, const char*> items[] = {
        {"CLIENTE:", "CLIENTE"},          {"INDIRIZZO:", "INDIRIZZO"},       {"CITTA':", "CITTA"},
        {"C.A.P.:", "CAP"},               {"PROVINCIA:", "PROVINCIA"},       {"CODICE FISCALE:", "CODICEFISC"},
        {"PARTITA IVA:", "PARTITAIVA"},   {"TITOLO:", "TITOLO"},             {"SUB AGENTE 1:", "SUBAGENTE"},
        {"SUB AGENTE 2:", "SUBAGENTE2"},  {"TEL. CASA:", "TELCASA"},         {"TEL. UFFICIO:", "TELUFFICIO"},
        {"CELLULARE:", "CELLULARE"},      {"FAX:", "FAX"},                   {"E-MAIL:", "E_MAIL"},
        {"ALIAS E-MAIL:", "ALIASTEL"},    {"GRUPPO:", "GRUPPO"},             {"SESSO:", "SESSO"},
        {"DATA DI NASCITA:", "DATANASC"}, {"COMUNE:", "COMUNASC"},           {"PROVINCIA:", "PROVNASC"},
        {"DOCUMENTO:", "DOCUMENTO"},
    };
    for (const auto& [label, field] : items) {
        std::string value = v.get(field);
        if (std::string(field) == "DATANASC" && !Date::fromDisplay(value)) value.clear();
        line(label, trim(value));
    }
    line("FUMATORE:", v.logical("FUMATORE") ? "SI" : "NO");
    line("PROFESSIONE:", trim(v.get("PROFESS")));
    PRINTTXT(job, {""});
    PRINTTXT(job, {""});
    PRINTTXT(job, {"NOTE:"});
    PRINTTXT(job, {""});
    const PrintFont courier("Courier New", 12);
    std::vector<std::string> notes = AMEMOLINE(v.get("NOTE"), 67, job, courier);
    if (notes.size() > 25) notes.resize(25);
    for (std::string l : notes) {
        l.erase(std::remove(l.begin(), l.end(), kParagraphMark), l.end());
        PRINTTXT(job, {l}, TxtOptions().withFont(courier));
    }
    job.endPage();
    PrintDocument doc = job.document();
    job.end();
    return doc;
}

namespace {

// The lines of an address: title, name, street, postal code + SEP + town + SEP + province.
std::vector<std::string> addressLines(const EditValues& v, const std::string& sep)
{
    return {trim(v.get("TITOLO")), trim(v.get("CLIENTE")), trim(v.get("INDIRIZZO")),
            trim(v.get("CAP")) + sep + trim(v.get("CITTA")) + sep + trim(v.get("PROVINCIA"))};
}

} // namespace

PrintDocument printEnvelope(const EditValues& v, double rowMm, double columnMm, bool preview)
{
    TPRINTER job("Busta", preview, false, {}, true);
    const PrintFont bold("Arial", 12, true);
    job.startPage();
    // One font height is the point size in centimetres (1 pt = 2.54 / 72 cm).
    const double step = 1.2 * 12 * 2.54 / 72;
    double row = rowMm / 10;
    for (const std::string& l : addressLines(v, "  ")) {
        job.sayCm(row, columnMm / 10, l, bold);
        row += step;
    }
    job.endPage();
    PrintDocument doc = job.document();
    job.end();
    return doc;
}

PrintDocument printAddressSheet(const EditValues& v, bool preview)
{
    TPRINTER job("Indirizzo", preview);
    job.setFont(kArial12);
    job.startPage();
    // Up by 1/66 of the page (one line of the grid), then 13 empty lines: the window of a
    // window envelope.
    SETPROW(job, SETPROW(job) - 1);
    for (int i = 0; i < 13; ++i) PRINTTXT(job, {""});
    bool first = true;
    for (const std::string& l : addressLines(v, " ")) {
        if (!first) PRINTTXT(job, {""});
        first = false;
        PRINTTXT(job, {""});
        PRINTTXT(job, {l}, TxtOptions::at(40));
    }
    job.endPage();
    PrintDocument doc = job.document();
    job.end();
    return doc;
}

// ---------------------------------------------------------------- e-mail

std::vector<MailRecipient> mailClients(Table& t, const RecordPredicate& condition, const MailMessage& message,
                                       const std::function<bool(const MailMessage&)>& send)
{
    std::vector<MailRecipient> sent;
    const uint32_t here = t.eof() ? 0 : t.recno();
    // The clients of the last search that have an address, one message each.
    std::vector<MailRecipient> wanted;
    for (t.goTop(); !t.eof(); t.skip(1)) {
        if (condition && !condition(t)) continue;
        const std::string address = trim(t.text("E_MAIL"));
        if (!address.empty()) wanted.push_back({t.text("CLIENTE"), address});
    }
    for (const MailRecipient& r : wanted) {
        MailMessage m = message;
        m.to = r.address;
        if (send ? send(m) : SENDMAIL(m)) sent.push_back(r);
    }
    if (here) t.goTo(here);
    else t.goTop();
    return sent;
}

PrintDocument printMailReport(const MailMessage& m, const std::vector<MailRecipient>& sent, bool preview)
{
    TPRINTER job("Report email inviate", preview);
    job.startPage();
    SAYHEADER("REPORT EMAIL INVIATE", job);
    auto page = [&job] {
        if (breakListPage(job, "REPORT EMAIL INVIATE")) return;
    };
    for (int i = 0; i < 3; ++i) PRINTTXT(job, {""});
    PRINTTXT(job, {"OGGETTO: " + m.subject});
    PRINTTXT(job, {""});
    PRINTTXT(job, {"MESSAGGIO:"});
    for (std::string l : AMEMOLINE(m.body, 0, job)) {
        l.erase(std::remove(l.begin(), l.end(), kParagraphMark), l.end());
        PRINTTXT(job, {l});
        page();
    }
    PRINTTXT(job, {""});
    if (!m.attachments.empty()) {
        PRINTTXT(job, {"FILE ALLEGATO: " + m.attachments.front()});
        PRINTTXT(job, {""});
    }
    PRINTTXT(job, {"DESTINATARI:"});
    for (const MailRecipient& r : sent) {
        PRINTTXT(job, {r.name});
        PRINTTXT(job, {r.address}, TxtOptions::at(40));
        page();
    }
    job.endPage();
    PrintDocument doc = job.document();
    job.end();
    return doc;
}

// ---------------------------------------------------------------- spreadsheet

bool writeClientsSpreadsheet(Table& t, const std::string& path)
{
    KeepPosition back{t};
    // Every cell is text: VAT numbers, postal codes and phones keep their leading zeros.
    SheetWriter w(path, {{"CLIENTE"}, {"SESSO"}, {"CODICE FISCALE"}, {"PARTITA IVA"}, {"INDIRIZZO"}, {"STATO"},
                         {"PROVINCIA"}, {"COMUNE"}, {"C.A.P."}, {"CELLULARE"}});
    if (!w.ok()) return false;
    // From the selected client to the end of the list.
    for (; !t.eof(); t.skip(1))
        w.add({t.text("CLIENTE"), t.text("SESSO"), t.text("CODICEFISC"), t.text("PARTITAIVA"), t.text("INDIRIZZO"),
               std::string("IT"), t.text("PROVINCIA"), t.text("CITTA"), t.text("CAP"), t.text("CELLULARE")});
    return w.close();
}

} // namespace arv::registry
