#include "policies/sheets.h"

#include <cctype>
#include <functional>
#include <tuple>
#include <vector>

#include "store/table.h"
#include "common/checks.h"
#include "common/cp1252.h"
#include "common/files.h"
#include "common/lists.h"
#include "common/mask.h"
#include "common/taxcode.h"
#include "store/lookups.h"

namespace arv::policies {

using store::Table;
using store::Workspace;

SheetKind sheetKind(std::string_view branch)
{
    size_t b = 0;
    while (b < branch.size() && branch[b] == ' ') ++b;
    auto startsWith = [&](const char* p) {
        for (size_t i = 0; p[i]; ++i)
            if (b + i >= branch.size() || std::toupper(static_cast<unsigned char>(branch[b + i])) != p[i]) return false;
        return true;
    };
    if (startsWith("AUTO")) return SheetKind::Motor;
    if (startsWith("ELEM")) return SheetKind::Elementary;
    if (startsWith("VITA")) return SheetKind::Life;
    return SheetKind::None;
}

const char* sheetTable(SheetKind kind)
{
    switch (kind) {
    case SheetKind::Motor: return "DATIAUTO";
    case SheetKind::Elementary: return "RAMIELEM";
    case SheetKind::Life: return "VITA";
    case SheetKind::None: break;
    }
    return "";
}

std::string sheetKey(const std::string& code)
{
    size_t b = code.find_first_not_of(' ');
    std::string c = b == std::string::npos ? std::string() : code.substr(b, code.find_last_not_of(' ') - b + 1);
    if (c.size() >= 10) return c.substr(c.size() - 10);
    return std::string(10 - c.size(), ' ') + c;
}

namespace {

// A cursor of its own on TABLE in the order of its code tag; the selected area is kept.
struct SheetCursor {
    Workspace& ws;
    std::string alias;
    int selected;
    Table* t = nullptr;
    SheetCursor(Workspace& w, const char* table) : ws(w), alias(w.newAlias()), selected(w.selected())
    {
        t = &ws.open(table, alias, true);
        t->ordAdd(table);
        t->setOrder(std::string_view(table));
    }
    ~SheetCursor()
    {
        try {
            ws.close(alias);
            ws.select(selected);
        } catch (...) {
        }
    }
};

} // namespace

bool copySheet(Workspace& ws, std::string_view branch, const std::string& fromCode, const std::string& toCode)
{
    const SheetKind kind = sheetKind(branch);
    if (kind == SheetKind::None) return false;
    SheetCursor c(ws, sheetTable(kind));
    Table& t = *c.t;
    if (!t.seek(sheetKey(fromCode))) return false;
    const int fields = static_cast<int>(t.file().fields().size());
    std::vector<std::string> raw(fields), memo(fields);
    for (int i = 0; i < fields; ++i) {
        const auto& f = t.file().fields()[i];
        if (f.type == 'M')
            memo[i] = t.memo(f.name);
        else
            raw[i] = t.raw(f.name);
    }
    // The policy gets one sheet: an existing one takes the values, else one is appended, both
    // under the table's lock.
    const std::string key = sheetKey(toCode);
    t.lock(false);
    if (t.seek(key))
        t.lock(true);
    else
        t.append(true);
    for (int i = 0; i < fields; ++i) {
        const auto& f = t.file().fields()[i];
        if (f.type == 'M')
            t.setMemo(f.name, memo[i]);
        else
            t.setRaw(f.name, raw[i]);
    }
    t.setRaw("POLIZZA", key);
    t.commit();
    t.unlock();
    return true;
}

void deleteSheets(Workspace& ws, const std::string& code)
{
    for (SheetKind kind : {SheetKind::Motor, SheetKind::Elementary, SheetKind::Life}) {
        SheetCursor c(ws, sheetTable(kind));
        Table& t = *c.t;
        // Every sheet of the code, should an old copy have left more than one.
        while (t.seek(sheetKey(code))) t.del(true);
    }
}

} // namespace arv::policies

// ---------------------------------------------------------------- lists, fields, rules

namespace arv::policies {

using store::EditField;
using store::EditValues;
using store::FieldKind;
using store::RegisterDesc;
using store::SaveResult;

std::vector<std::string> ASTATICIV(bool emptyFirst)
{
    std::vector<std::string> l{"Coniugato", "Convivente", "Divorziato", "Separato", "Single", "Vedovo", "Non dichiarato"};
    if (emptyFirst) l.insert(l.begin(), std::string());
    return l;
}

std::vector<std::string> AALIMENTAZ() { return {"", "Benzina", "Gasolio", "Elettrica"}; }
std::vector<std::string> AUSOVEIC() { return {"", "Privato", "Pubblico", "Promiscuo"}; }
std::vector<std::string> ASCOPOUSO() { return {"", "Affari", "Casa - Lavoro", "Diporto - Turismo", "Tempo libero"}; }
std::vector<std::string> ARIMESSE() { return {"", "Box privato", "Garage", "In strada", "Proprietà privata"}; }
std::vector<std::string> AANTIFURTI() { return {"", "Allarme", "Immobilizer/elettronico", "Meccanico", "Satellitare"}; }
std::vector<std::string> ADOCIDENT() { return {"Carta identità", "Patente", "Passaporto"}; }

namespace {

std::string trim(std::string_view s)
{
    size_t b = s.find_first_not_of(' ');
    if (b == std::string_view::npos) return std::string();
    return std::string(s.substr(b, s.find_last_not_of(' ') - b + 1));
}

bool filled(const std::string& v) { return !trim(v).empty(); }

// ---- field builders

EditField text(int id, const char* label, const std::string& field, const char* mask = "", int page = 0)
{
    EditField f;
    f.id = id;
    f.label = label;
    f.field = field;
    f.mask = mask;
    f.page = page;
    return f;
}

EditField number(int id, const char* label, const std::string& field, const char* mask, int page = 0)
{
    EditField f = text(id, label, field, mask, page);
    f.kind = FieldKind::Number;
    return f;
}

EditField date(int id, const char* label, const std::string& field, int page = 0)
{
    EditField f = text(id, label, field, "", page);
    f.kind = FieldKind::Date;
    return f;
}

EditField check(int id, const char* label, const std::string& field, int page = 0)
{
    EditField f = text(id, label, field, "", page);
    f.kind = FieldKind::Logical;
    return f;
}

EditField choice(int id, const char* label, const std::string& field, std::function<std::vector<std::string>()> list,
                 int page = 0, bool typed = false)
{
    EditField f = text(id, label, field, "", page);
    f.kind = FieldKind::Choice;
    f.list = std::move(list);
    f.typedChoice = typed;
    return f;
}

bool taxCodeRule(const std::string& v, const EditValues&) { return !filled(v) || ISCOD(trim(v)); }
bool vatRule(const std::string& v, const EditValues&) { return !filled(v) || ISIVA(trim(v)); }

std::vector<std::string> guarantees() { return store::AGARANZIE(store::workspace()); }

// The personal fields of the holder (SUFFIX "PRA") or the driver ("CON"), from id FIRST on.
std::vector<EditField> personFields(const std::string& suffix, int first, int page)
{
    const bool driver = suffix == "CON";
    auto name = [&](const char* stem) { return std::string(stem) + suffix; };
    int id = first;
    std::vector<EditField> f;
    f.push_back(text(id++, "Indirizzo:", name("IND"), "", page));
    f.push_back(text(id++, "Città:", name("CIT"), "", page));
    f.push_back(text(id++, "C.A.P.:", name("CAP"), "99999", page));
    f.push_back(text(id++, "Provincia:", name("PRO"), "@! AA", page));
    EditField tax = text(id++, "Cod. fisc.:", name("CDF"), "@!", page);
    tax.rule = taxCodeRule;
    f.push_back(tax);
    EditField vat = text(id++, "Partita IVA:", name("IVA"), "99999999999", page);
    vat.rule = vatRule;
    f.push_back(vat);
    f.push_back(choice(id++, "Stato civile:", name("SCV"), [driver] { return ASTATICIV(driver); }, page));
    f.push_back(check(id++, "Figli conviventi:", name("FCN"), page));
    if (!driver) {
        f.push_back(text(id++, "Tel. casa:", name("TLC"), "", page));
        f.push_back(text(id++, "Tel. ufficio:", name("TLU"), "", page));
        f.push_back(text(id++, "Cellulare:", name("CEL"), "", page));
        f.push_back(text(id++, "Fax:", name("FAX"), "", page));
        f.push_back(text(id++, "Email:", name("EMA"), "", page));
    }
    EditField sex = text(id++, "Sesso:", name("SES"), "@! A", page);
    if (!driver)
        sex.rule = [](const std::string& v, const EditValues&) {
            const std::string s = Mask::upper(trim(v));
            return s.empty() || s == "M" || s == "F";
        };
    f.push_back(sex);
    f.push_back(date(id++, "Data di nascita:", name("DTN"), page));
    f.push_back(text(id++, "Comune:", name("CMN"), "", page));
    f.push_back(text(id++, "Provincia:", name("PRN"), "@! AA", page));
    f.push_back(text(id++, "Cittadinanza:", name("CTD"), "", page));
    f.push_back(text(id++, "Patente:", name("CPT"), "@!", page));
    f.push_back(text(id++, "", name("NPT"), "@!", page));
    f.push_back(date(id++, "Rilascio:", name("RPT"), page));
    f.push_back(date(id++, "Scadenza:", name("SPT"), page));
    f.push_back(text(id++, "Professione:", name("PRF"), "", page));
    return f;
}

constexpr int kPageVehicle = 0, kPageHolder = 1, kPageDriver = 2;

const char* const kDrivingModes[] = {"GDXCON", "GDECON", "GDLCON"};

// The driver's fields: everything on the driver page but the driving modes.
bool isDriverField(const EditField& f)
{
    if (f.page != kPageDriver) return false;
    for (const char* m : kDrivingModes)
        if (f.field == m) return false;
    return true;
}

// The policy's code, carried in every sheet's values (not shown); the motor sheet also carries the
// policy's insured, for "Copia dati assicurato".
constexpr int kIdCode = 300, kIdInsured = 299;

void addCodeField(RegisterDesc& s)
{
    s.fields.push_back(text(kIdCode, "", "POLIZZA"));
    s.hiddenFields.push_back(kIdCode);
}

RegisterDesc makeMotor()
{
    RegisterDesc s;
    s.name = s.editName = "DATIAUTO";
    s.table = "DATIAUTO";
    s.pages = {"Dati auto", "Intestatario PRA", "Conducente"};
    s.formColumns = 3;
    const int v = kPageVehicle;
    std::vector<EditField>& f = s.fields;
    f.push_back(choice(301, "Tipo veicolo:", "VEICOLO", [] { return AVEICOLI(); }, v, true));
    f.push_back(text(302, "Marca:", "MARCA", "", v));
    f.push_back(text(303, "Modello:", "MODELLO", "", v));
    f.push_back(text(304, "Targa:", "TARGA", "@!", v));
    f.push_back(text(305, "Telaio:", "TELAIO", "", v));
    f.push_back(date(306, "Immatricolaz.:", "IMMATRIC", v));
    f.push_back(date(307, "Acquisto:", "ACQUISTO", v));
    f.push_back(text(308, "Classe B/M:", "CLASSE", "", v));
    f.push_back(number(309, "Franchigia:", "FRANCHIGIA", "@ZE 999.99", v));
    f.push_back(number(310, "Cavalli:", "CAVALLI", "@ZE 999", v));
    f.push_back(number(311, "Cilindrata:", "CILINDRATA", "@ZE 9999", v));
    f.push_back(number(312, "Quintali:", "QUINTALI", "@ZE 9999", v));
    f.push_back(check(313, "Carta verde:", "CARTAVERDE", v));
    f.push_back(check(314, "Leasing:", "LEASING", v));
    f.push_back(check(315, "Vincolo:", "VINCOLO", v));
    f.push_back(text(316, "Società vincolataria:", "SOCVINC", "", v));
    f.push_back(number(317, "Valore veic.:", "VALORE", "@ZE 999,999.99", v));
    f.push_back(number(318, "Kw:", "KILOWATT", "@ZE 9999", v));
    f.push_back(choice(319, "Massim. R.C.:", "MASSIMALI", [] { return AMASSIMALI(); }, v));
    f.push_back(number(320, "Val. Kasko:", "VALKASKO", "@ZE 999,999.99", v));
    f.push_back(number(321, "Scoperto:", "SCOPERTO", "99 %", v));
    f.push_back(number(322, "Min.:", "MINIMO", "@ZE 9,999.99", v));
    f.push_back(text(323, "Garanzie:", "GARANZIA1", "", v));
    f.push_back(text(324, "", "GARANZIA2", "", v));
    f.push_back(number(325, "Km annui:", "KMANNUI", "@Z 999999", v));
    f.push_back(check(326, "Gancio traino:", "GANCIO", v));
    f.push_back(number(327, "Porte:", "PORTE", "@Z 9", v));
    f.push_back(choice(328, "Alimentazione:", "ALIMENTAZ", AALIMENTAZ, v));
    f.push_back(check(329, "Impianto GPL:", "GPL", v));
    f.push_back(choice(330, "Uso:", "USO1", AUSOVEIC, v));
    f.push_back(choice(331, "", "USO2", ASCOPOUSO, v));
    f.push_back(choice(332, "Rimessa auto:", "RIMESSA", ARIMESSE, v));
    f.push_back(choice(333, "Antifurto:", "ANTIFURTO", AANTIFURTI, v));
    const std::pair<const char*, const char*> covers[] = {
        {"Infort.:", "INFORTUNI"}, {"Cristalli:", "CRISTALLI"}, {"Kasko:", "KASKO"},     {"Inc./Furt.:", "INCENFURT"},
        {"Infiamm.:", "INFIAMMAB"}, {"Atti v.:", "ATTIVAND"},   {"Danni in.:", "DANNIINC"}, {"Rit.pat.:", "RITPAT"},
        {"Tut.leg.:", "TUTLEG"},   {"Assist.:", "ASSIST"},      {"A P&&B:", "AUTOPB"},      {"Octo tel.:", "OCTOTEL"},
        {"Rin.riv.:", "RINURIV"},  {"Sos.inc.:", "SOSPINC"},    {"Ev.atm.:", "EVEATM"},     {"G. esp:", "GUIDAESP"},
        {"G. traino:", "GANCIOTR"}, {"B. prot.:", "BONUSPRO"},  {"An. selv.:", "ANIMSELV"}, {"Collisione:", "COLLISIO"},
    };
    int id = 360;
    for (const auto& [label, field] : covers) f.push_back(check(id++, label, field, v));
    for (EditField& e : f)
        if (e.field == "GUIDAESP") e.changed = [](EditValues& all) { drivingModeChanged(all, "GUIDAESP"); };

    EditField holder = text(kIdHolder, "Intest. P.R.A.:", "INTESTPRA", "", kPageHolder);
    holder.readOnly = true;
    holder.stored = false;
    f.push_back(holder);
    for (EditField& e : personFields("PRA", 402, kPageHolder)) f.push_back(e);

    id = kIdExclusive;
    for (const char* label : {"Guida esclusiva:", "Guida esperta:", "Guida libera:"}) {
        EditField m = check(id, label, kDrivingModes[id - kIdExclusive], kPageDriver);
        const std::string field = m.field;
        m.changed = [field](EditValues& all) { drivingModeChanged(all, field); };
        f.push_back(m);
        ++id;
    }
    f.push_back(text(504, "Conducente:", "CONDUCENTE", "", kPageDriver));
    for (EditField& e : personFields("CON", 505, kPageDriver)) f.push_back(e);
    for (EditField& e : f)
        if (isDriverField(e)) e.enabled = drivingModeSet;

    EditField insured = text(kIdInsured, "", "ASSICURATO");
    insured.stored = false;
    f.push_back(insured);
    s.hiddenFields.push_back(kIdInsured);
    addCodeField(s);

    // Birth date and sex follow a tax code the user changed.
    s.fieldLeft = [](int fid, EditValues& all) {
        if (fid == kIdHolderTax) taxCodeChanged(all, "PRA");
        else if (fid == kIdDriverTax) taxCodeChanged(all, "CON");
    };
    return s;
}

RegisterDesc makeElementary()
{
    RegisterDesc s;
    s.name = s.editName = "RAMIELEM";
    s.table = "RAMIELEM";
    static const char* const g[] = {"GARANZIA1", "GARANZIA2", "GARANZIA3", "GARANZIA4",
                                    "GARANZIA5", "GARANZIA6", "GARANZIA7", "GARANZIA8"};
    static const char* const m[] = {"MASSIMAL1", "MASSIMAL2", "MASSIMAL3", "MASSIMAL4",
                                    "MASSIMAL5", "MASSIMAL6", "MASSIMAL7", "MASSIMAL8"};
    static const char* const labels[] = {"Garanzia 1:", "Garanzia 2:", "Garanzia 3:", "Garanzia 4:",
                                         "Garanzia 5:", "Garanzia 6:", "Garanzia 7:", "Garanzia 8:"};
    // Each guarantee with its limit beside it.
    for (int i = 0; i < 8; ++i) {
        s.fields.push_back(choice(701 + i, labels[i], g[i], guarantees, 0, true));
        s.fields.push_back(number(711 + i, "Massimali:", m[i], "@ZE 99,999,999.99"));
        s.fields.back().sameRow = true;
    }
    s.fields.push_back(number(721, "Scoperto:", "SCOPERTO", "99 %"));
    s.fields.push_back(number(722, "Min.:", "MINIMO", "@ZE 9,999.99"));
    s.fields.push_back(number(723, "Max:", "MASSIMO", "@ZE 9,999.99"));
    s.fields.push_back(number(724, "Franchigia:", "FRANCHIGIA", "@ZE 9,999.99"));
    s.fields.push_back(check(725, "Indicizzazione:", "INDICIZZ"));
    s.fields.push_back(text(726, "Targa:", "TARGA", "@!"));
    EditField note = text(727, "Note:", "NOTE");
    note.kind = FieldKind::Memo;
    s.fields.push_back(note);
    addCodeField(s);
    return s;
}

RegisterDesc makeLife()
{
    RegisterDesc s;
    s.name = s.editName = "VITA";
    s.table = "VITA";
    s.formColumns = 2;
    std::vector<EditField>& f = s.fields;
    f.push_back(text(kIdLifeInsured, "Assicurato:", "ASSICURATO"));
    // Another insured, typed or picked, brings that client's personal data.
    s.fieldLeft = [](int id, EditValues& all) {
        if (id == kIdLifeInsured) loadLifePerson(store::workspace(), all.get("ASSICURATO"), all);
    };
    EditField tax = text(kIdLifeTax, "Codice fiscale:", "CODICEFISC", "@! AAAAAA99A99A999A");
    tax.rule = taxCodeRule;
    f.push_back(tax);
    EditField sex = text(603, "Sesso:", "SESSO", "@! A");
    sex.rule = [](const std::string& v, const EditValues&) {
        const std::string x = Mask::upper(trim(v));
        return x == "M" || x == "F";
    };
    f.push_back(sex);
    f.push_back(date(604, "Data di nascita:", "DATANASC"));
    f.push_back(text(605, "Comune:", "COMUNASC"));
    f.push_back(text(606, "Provincia:", "PROVNASC", "@! AA"));
    f.push_back(choice(607, "Documento:", "DOCUMENTO", ADOCIDENT));
    f.push_back(check(608, "Fumatore:", "FUMATORE"));
    f.push_back(text(609, "Professione:", "PROFESS"));
    static const char* const g[] = {"GARANZIA1", "GARANZIA2", "GARANZIA3", "GARANZIA4", "GARANZIA5"};
    static const char* const m[] = {"MASSIMAL1", "MASSIMAL2", "MASSIMAL3", "MASSIMAL4", "MASSIMAL5"};
    static const char* const labels[] = {"Garanzia 1:", "Garanzia 2:", "Garanzia 3:", "Garanzia 4:", "Garanzia 5:"};
    EditField benef = text(610, "Beneficiari:", "BENEFIC");
    benef.kind = FieldKind::Memo;
    f.push_back(benef);
    f.push_back(text(611, "Codice tariffe:", "TARIFFE"));
    for (int i = 0; i < 5; ++i) {
        f.push_back(choice(621 + i, labels[i], g[i], guarantees, 0, true));
        f.push_back(number(631 + i, "Massimali:", m[i], "@ZE 99,999,999.99"));
        f.back().sameRow = true;
    }
    addCodeField(s);
    return s;
}

// The client named NAME through a cursor of its own on CLIENTI: FN runs on the record when it
// exists. False when it does not.
bool withClient(store::Workspace& ws, const std::string& name, const std::function<void(Table&)>& fn)
{
    const std::string n = utf8ToCp1252(Mask::upper(trim(name)));
    if (n.empty()) return false;
    store::OwnTable own(ws, "CLIENTI");
    Table& t = *own;
    t.ordAdd("CLIENTI");
    t.setOrder(std::string_view("CLIENTI"));
    std::string key = n.substr(0, 35);
    key.resize(35, ' ');
    if (!t.seek(key)) return false;
    fn(t);
    return true;
}

// A client's text as a sheet field of WIDTH characters holds it.
std::string fitted(const std::string& utf8, size_t width)
{
    std::string c = utf8ToCp1252(utf8);
    if (c.size() > width) c.resize(width);
    while (!c.empty() && c.back() == ' ') c.pop_back();
    return cp1252ToUtf8(c);
}

// The life insured's personal data: the sheet's field, the client's, the sheet's width.
struct PersonPair {
    const char* sheet;
    const char* client;
    char type;
    size_t width;
};
const PersonPair kLifePerson[] = {
    {"CODICEFISC", "CODICEFISC", 'C', 16}, {"SESSO", "SESSO", 'C', 1},        {"DATANASC", "DATANASC", 'D', 8},
    {"COMUNASC", "COMUNASC", 'C', 25},     {"PROVNASC", "PROVNASC", 'C', 2},  {"DOCUMENTO", "DOCUMENTO", 'C', 15},
    {"FUMATORE", "FUMATORE", 'L', 1},      {"PROFESS", "PROFESS", 'C', 20},
};

// The client's value of P as the dialog shows it.
std::string clientValue(const Table& t, const PersonPair& p)
{
    switch (p.type) {
    case 'D': return t.date(p.client).toDisplay();
    case 'L': return t.logical(p.client) ? "T" : "F";
    default: return fitted(t.text(p.client), p.width);
    }
}

// The dialog's value of FIELD as it would be stored (masks applied, trailing blanks dropped).
std::string shownValue(const RegisterDesc& d, const EditValues& v, const std::string& field)
{
    for (size_t i = 0; i < d.fields.size(); ++i) {
        const EditField& f = d.fields[i];
        if (f.field != field) continue;
        std::string s = v.at(i);
        if (f.kind == FieldKind::Text && !f.mask.empty()) s = Mask(f.mask).parseText(s);
        while (!s.empty() && s.back() == ' ') s.pop_back();
        if (f.kind == FieldKind::Date) s = Date::fromDisplay(s).toDisplay();
        return s;
    }
    return std::string();
}

} // namespace

const RegisterDesc& sheetDescription(SheetKind kind)
{
    static const RegisterDesc motor = makeMotor();
    static const RegisterDesc elementary = makeElementary();
    static const RegisterDesc life = makeLife();
    static const RegisterDesc none;
    switch (kind) {
    case SheetKind::Motor: return motor;
    case SheetKind::Elementary: return elementary;
    case SheetKind::Life: return life;
    case SheetKind::None: break;
    }
    return none;
}

std::string sheetTitle(SheetKind kind, const std::string& number)
{
    const char* tail = kind == SheetKind::Motor        ? " - Dati auto"
                       : kind == SheetKind::Elementary ? " - Rami elementari"
                                                       : " - Vita";
    return "Polizza: " + trim(number) + tail;
}

const char* sheetArchive(SheetKind kind)
{
    switch (kind) {
    case SheetKind::Motor: return "DatiAuto";
    case SheetKind::Elementary: return "RamiElem";
    case SheetKind::Life: return "Vita";
    case SheetKind::None: break;
    }
    return "";
}

SheetPolicy sheetPolicy(store::Workspace& ws, const std::string& code)
{
    const std::string key = sheetKey(code);
    auto read = [&](const Table& t) {
        SheetPolicy p;
        p.found = true;
        p.code = key;
        p.number = t.text("POLIZZA");
        p.branch = t.text("RAMO");
        p.insured = t.text("ASSICURATO");
        p.holder = t.text("INTESTPRA");
        return p;
    };
    if (Table* t = ws.find("POLIZZE"); t && !t->eof() && t->raw("CODICE") == key) return read(*t);
    store::OwnTable own(ws, "POLIZZE", true);
    for (own->goTop(); !own->eof(); own->skip(1))
        if (own->raw("CODICE") == key) return read(*own);
    SheetPolicy none;
    none.code = key;
    return none;
}

EditValues loadSheet(store::Workspace& ws, SheetKind kind, const SheetPolicy& policy, bool* exists)
{
    const RegisterDesc& d = sheetDescription(kind);
    SheetCursor c(ws, sheetTable(kind));
    const bool found = c.t->seek(sheetKey(policy.code));
    if (exists) *exists = found;
    EditValues v = found ? store::recordValues(d.fields, *c.t) : store::blankValues(d.fields, c.t);
    v.set("POLIZZA", sheetKey(policy.code));
    if (kind == SheetKind::Motor) {
        v.set("INTESTPRA", policy.holder);
        v.set("ASSICURATO", policy.insured);
    }
    if (kind == SheetKind::Life && !found) {
        v.set("ASSICURATO", policy.insured);
        loadLifePerson(ws, policy.insured, v);
    }
    return v;
}

SaveResult saveSheet(store::Workspace& ws, SheetKind kind, const std::string& code, const EditValues& before,
                     const EditValues& after)
{
    const RegisterDesc& d = sheetDescription(kind);
    SaveResult r;
    SheetCursor c(ws, sheetTable(kind));
    Table& t = *c.t;
    if (auto fail = store::recheckValues(d.fields, after, &t)) {
        r.kind = SaveResult::CheckFailed;
        r.message = fail->message;
        return r;
    }
    if (DiskCheck p = ISPROTECTED(t.folder()); p.value) {
        r.kind = SaveResult::DiskProblem;
        r.message = p.message;
        return r;
    }
    if (DiskCheck f = ISFULL(t.folder(), 8192); f.value) {
        r.kind = SaveResult::DiskProblem;
        r.message = f.message;
        return r;
    }
    const std::string key = sheetKey(code);
    // Locked from the search to the append or the record lock: no other workstation creates a
    // second sheet for the policy meanwhile.
    t.lock(false);
    if (t.seek(key))
        t.lock(true);
    else
        t.append(true);
    store::storeValues(d.fields, after, t);
    t.setRaw("POLIZZA", key);
    t.commit();
    t.refresh();
    t.unlock();
    if (kind == SheetKind::Life) lifeWriteBack(ws, before, after);
    return r;
}

bool drivingModeSet(const EditValues& v)
{
    for (const char* m : kDrivingModes)
        if (v.logical(m)) return true;
    return false;
}

void drivingModeChanged(EditValues& v, std::string_view field)
{
    std::string mode(field);
    if (Mask::upper(mode) == "GUIDAESP") {
        v.set("GDECON", v.logical("GUIDAESP") ? "T" : "F");
        mode = "GDECON";
    }
    if (v.logical(mode)) {
        for (const char* m : kDrivingModes)
            if (Mask::upper(mode) != m) v.set(m, "F");
        return;
    }
    if (drivingModeSet(v)) return;
    const RegisterDesc& d = sheetDescription(SheetKind::Motor);
    const EditValues blank = store::blankValues(d.fields);
    for (size_t i = 0; i < d.fields.size() && i < v.size(); ++i)
        if (isDriverField(d.fields[i])) v.setAt(i, blank.at(i));
}

void taxCodeChanged(EditValues& v, std::string_view suffix)
{
    const std::string s(suffix);
    const std::string code = Mask::upper(trim(v.get("CDF" + s)));
    if (code.size() == 16) {
        v.set("DTN" + s, DATANASCCDF(code).toDisplay());
        v.set("SES" + s, trim(SESSOCDF(code)));
    } else {
        v.set("DTN" + s, Date().toDisplay());
        v.set("SES" + s, std::string());
    }
}

bool copyInsuredToDriver(store::Workspace& ws, const std::string& insured, EditValues& v)
{
    return withClient(ws, insured, [&](Table& t) {
        // The sheet's field, the client's, the sheet's width.
        const std::tuple<const char*, const char*, size_t> texts[] = {
            {"CONDUCENTE", "CLIENTE", 35}, {"INDCON", "INDIRIZZO", 35}, {"CAPCON", "CAP", 5},
            {"CITCON", "CITTA", 25},       {"PROCON", "PROVINCIA", 2},  {"CDFCON", "CODICEFISC", 16},
            {"IVACON", "PARTITAIVA", 11},  {"SCVCON", "STATOCIV", 15},  {"SESCON", "SESSO", 1},
            {"CMNCON", "COMUNASC", 25},    {"PRNCON", "PROVNASC", 2},   {"CTDCON", "CITTADIN", 25},
            {"CPTCON", "CATPATE", 1},      {"NPTCON", "NUMPATE", 15},   {"PRFCON", "PROFESS", 20},
        };
        for (const auto& [sheet, client, width] : texts) v.set(sheet, fitted(t.text(client), width));
        v.set("FCNCON", t.logical("FIGLICONV") ? "T" : "F");
        v.set("DTNCON", t.date("DATANASC").toDisplay());
        v.set("RPTCON", t.date("RILPATE").toDisplay());
        v.set("SPTCON", t.date("SCAPATE").toDisplay());
    });
}

bool loadLifePerson(store::Workspace& ws, const std::string& client, EditValues& v)
{
    return withClient(ws, client, [&](Table& t) {
        for (const PersonPair& p : kLifePerson) v.set(p.sheet, clientValue(t, p));
    });
}

bool lifeWriteBack(store::Workspace& ws, const EditValues& before, const EditValues& after)
{
    const RegisterDesc& d = sheetDescription(SheetKind::Life);
    bool wrote = false;
    withClient(ws, after.get("ASSICURATO"), [&](Table& t) {
        t.lock(true);
        for (const PersonPair& p : kLifePerson) {
            const std::string now = shownValue(d, after, p.sheet);
            // Only what the user changed, and only where the client differs: a value the sheet
            // holds shorter than the client never cuts the client's.
            if (now == shownValue(d, before, p.sheet) || now == clientValue(t, p)) continue;
            switch (p.type) {
            case 'D': t.setDate(p.client, Date::fromDisplay(now)); break;
            case 'L': t.setLogical(p.client, now == "T"); break;
            default: t.setText(p.client, now);
            }
            wrote = true;
        }
        if (wrote) t.commit();
        t.unlock();
    });
    return wrote;
}

} // namespace arv::policies
