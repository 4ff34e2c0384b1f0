#include "policies/sheets.h"

#include <deque>
#include <functional>
#include <vector>

#include "common/checks.h"
#include "common/cp1252.h"
#include "common/files.h"
#include "common/lists.h"
#include "common/mask.h"
#include "common/taxcode.h"
#include "common/text.h"
#include "records/lookups.h"
#include "store/keys.h"
#include "store/schema/schema.h"
#include "store/table.h"

namespace arv::policies {

using store::FieldName;
using store::Table;
using store::TagName;
using store::Workspace;

SheetKind sheetKind(std::string_view branch)
{
    const std::string b = Mask::upper(trim(branch));
    if (b.starts_with("AUTO")) return SheetKind::Motor;
    if (b.starts_with("ELEM")) return SheetKind::Elementary;
    if (b.starts_with("VITA")) return SheetKind::Life;
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
    const std::string c = trim(code);
    if (c.size() >= 10) return c.substr(c.size() - 10);
    return std::string(10 - c.size(), ' ') + c;
}

namespace {

// A cursor of its own on TABLE in the order of the tag named like the table (the sheets by
// code, the clients by name).
struct KeyedTable : store::OwnTable {
    KeyedTable(Workspace& ws, const char* table, bool readOnly = false) : OwnTable(ws, table, readOnly)
    {
        (*this)->ordAdd(TagName::runtime(table));
        (*this)->setOrder(TagName::runtime(table));
    }
};

// The sheet of KEY written by PUT: with the table locked as a whole from the search by code to
// the append or the record lock, so that no other workstation creates a second sheet of the
// policy meanwhile; an existing sheet takes the values, else one is appended.
void writeSheet(Table& t, const std::string& key, const std::function<void(Table&)>& put)
{
    t.lock(false);
    if (t.seek(key))
        t.lock(true);
    else
        t.append(true);
    put(t);
    t.setRaw("POLIZZA", key);
    t.commit();
    t.refresh();
    t.unlock();
}

} // namespace

bool copySheet(Workspace& ws, std::string_view branch, const std::string& fromCode, const std::string& toCode)
{
    const SheetKind kind = sheetKind(branch);
    if (kind == SheetKind::None) return false;
    KeyedTable c(ws, sheetTable(kind));
    Table& t = *c;
    if (!t.seek(sheetKey(fromCode))) return false;
    const auto& fields = t.file().fields();
    std::vector<std::string> values(fields.size());
    for (size_t i = 0; i < fields.size(); ++i) {
        const FieldName name = FieldName::runtime(fields[i].name);
        values[i] = fields[i].type == 'M' ? t.memo(name) : t.raw(name);
    }
    // A sheet the new code has already (left by an earlier copy, or by a code given again) takes
    // the values: the policy never gets two.
    writeSheet(t, sheetKey(toCode), [&](Table& r) {
        for (size_t i = 0; i < fields.size(); ++i) {
            const FieldName name = FieldName::runtime(fields[i].name);
            if (fields[i].type == 'M')
                r.setMemo(name, values[i]);
            else
                r.setRaw(name, values[i]);
        }
    });
    return true;
}

void deleteSheets(Workspace& ws, const std::string& code)
{
    for (SheetKind kind : {SheetKind::Motor, SheetKind::Elementary, SheetKind::Life}) {
        KeyedTable c(ws, sheetTable(kind));
        // Every sheet of the code, should an old copy have left more than one.
        while (c->seek(sheetKey(code))) c->del(true);
    }
}

} // namespace arv::policies

// ---------------------------------------------------------------- lists, fields, rules

namespace arv::policies {

using records::EditField;
using records::EditValues;
using records::FieldKind;
using records::RegisterDesc;
using records::SaveResult;

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

using records::choiceField;
using records::dateField;
using records::logicalField;
using records::memoField;
using records::numberField;
using records::textField;

bool taxCodeRule(const std::string& v, const EditValues&) { return !filled(v) || ISCOD(trim(v)); }
bool vatRule(const std::string& v, const EditValues&) { return !filled(v) || ISIVA(trim(v)); }

std::vector<std::string> guarantees() { return records::AGARANZIE(store::workspace()); }

// The personal fields of the holder (SUFFIX "PRA") or the driver ("CON"), from id FIRST on.
std::vector<EditField> personFields(const std::string& suffix, int first, int page)
{
    const bool driver = suffix == "CON";
    // The names are made at run time (stem + suffix) and kept here while the fields are built.
    std::deque<std::string> names;
    auto name = [&](const char* stem) { return FieldName::runtime(names.emplace_back(stem + suffix)); };
    int id = first;
    std::vector<EditField> f;
    f.push_back(textField(id++, "Indirizzo:", name("IND"), "", page));
    f.push_back(textField(id++, "Città:", name("CIT"), "", page));
    f.push_back(textField(id++, "C.A.P.:", name("CAP"), "99999", page));
    f.push_back(textField(id++, "Provincia:", name("PRO"), "@! AA", page));
    EditField tax = textField(id++, "Cod. fisc.:", name("CDF"), "@!", page);
    tax.rule = taxCodeRule;
    f.push_back(tax);
    EditField vat = textField(id++, "Partita IVA:", name("IVA"), "99999999999", page);
    vat.rule = vatRule;
    f.push_back(vat);
    f.push_back(choiceField(id++, "Stato civile:", name("SCV"), [driver] { return ASTATICIV(driver); }, false, page));
    f.push_back(logicalField(id++, "Figli conviventi:", name("FCN"), page));
    if (!driver) {
        f.push_back(textField(id++, "Tel. casa:", name("TLC"), "", page));
        f.push_back(textField(id++, "Tel. ufficio:", name("TLU"), "", page));
        f.push_back(textField(id++, "Cellulare:", name("CEL"), "", page));
        f.push_back(textField(id++, "Fax:", name("FAX"), "", page));
        f.push_back(textField(id++, "Email:", name("EMA"), "", page));
    }
    EditField sex = textField(id++, "Sesso:", name("SES"), "@! A", page);
    if (!driver)
        sex.rule = [](const std::string& v, const EditValues&) {
            const std::string s = Mask::upper(trim(v));
            return s.empty() || s == "M" || s == "F";
        };
    f.push_back(sex);
    f.push_back(dateField(id++, "Data di nascita:", name("DTN"), page));
    f.push_back(textField(id++, "Comune:", name("CMN"), "", page));
    f.push_back(textField(id++, "Provincia:", name("PRN"), "@! AA", page));
    f.push_back(textField(id++, "Cittadinanza:", name("CTD"), "", page));
    f.push_back(textField(id++, "Patente:", name("CPT"), "@!", page));
    f.push_back(textField(id++, "", name("NPT"), "@!", page));
    f.back().sameRow = true;
    f.push_back(dateField(id++, "Rilascio:", name("RPT"), page));
    f.push_back(dateField(id++, "Scadenza:", name("SPT"), page));
    f.push_back(textField(id++, "Professione:", name("PRF"), "", page));
    return f;
}

constexpr int kPageVehicle = 0, kPageHolder = 1, kPageDriver = 2;

const FieldName kDrivingModes[] = {"GDXCON", "GDECON", "GDLCON"};

// The driver's fields: everything on the driver page but the driving modes.
bool isDriverField(const EditField& f)
{
    if (f.page != kPageDriver) return false;
    for (FieldName m : kDrivingModes)
        if (f.field == m.view()) return false;
    return true;
}

// The policy's code, carried in every sheet's values (not shown); the motor sheet also carries the
// policy's insured, for "Copia dati assicurato".
constexpr int kIdCode = 300, kIdInsured = 299;

// COUNT rows "Garanzia n:", a guarantee from the list (or typed) with its limit beside it
// (GARANZIAn, MASSIMALn): the guarantees from id FIRST on, the limits from FIRST + 10.
void guaranteeRows(std::vector<EditField>& f, int count, int first)
{
    for (int n = 1; n <= count; ++n) {
        const std::string row = std::to_string(n);
        const std::string guarantee = "GARANZIA" + row, limit = "MASSIMAL" + row;
        f.push_back(
            choiceField(first + n - 1, "Garanzia " + row + ":", FieldName::runtime(guarantee), guarantees, true));
        f.push_back(numberField(first + 9 + n, "Massimali:", FieldName::runtime(limit), "@ZE 99,999,999.99"));
        f.back().sameRow = true;
    }
}

void addCodeField(RegisterDesc& s)
{
    s.fields.push_back(textField(kIdCode, "", "POLIZZA"));
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
    f.push_back(choiceField(301, "Tipo veicolo:", "VEICOLO", [] { return AVEICOLI(); }, true, v));
    f.push_back(textField(302, "Marca:", "MARCA", "", v));
    f.push_back(textField(303, "Modello:", "MODELLO", "", v));
    f.push_back(textField(304, "Targa:", "TARGA", "@!", v));
    f.push_back(textField(305, "Telaio:", "TELAIO", "", v));
    f.push_back(dateField(306, "Immatricolaz.:", "IMMATRIC", v));
    f.push_back(dateField(307, "Acquisto:", "ACQUISTO", v));
    f.push_back(textField(308, "Classe B/M:", "CLASSE", "", v));
    f.push_back(numberField(309, "Franchigia:", "FRANCHIGIA", "@ZE 999.99", v));
    f.push_back(numberField(310, "Cavalli:", "CAVALLI", "@ZE 999", v));
    f.push_back(numberField(311, "Cilindrata:", "CILINDRATA", "@ZE 9999", v));
    f.push_back(numberField(312, "Quintali:", "QUINTALI", "@ZE 9999", v));
    f.push_back(logicalField(313, "Carta verde:", "CARTAVERDE", v));
    f.push_back(logicalField(314, "Leasing:", "LEASING", v));
    f.push_back(logicalField(315, "Vincolo:", "VINCOLO", v));
    f.push_back(textField(316, "Società vincolataria:", "SOCVINC", "", v));
    f.push_back(numberField(317, "Valore veic.:", "VALORE", "@ZE 999,999.99", v));
    f.push_back(numberField(318, "Kw:", "KILOWATT", "@ZE 9999", v));
    f.push_back(choiceField(319, "Massim. R.C.:", "MASSIMALI", [] { return AMASSIMALI(); }, false, v));
    f.push_back(numberField(320, "Val. Kasko:", "VALKASKO", "@ZE 999,999.99", v));
    f.push_back(numberField(321, "Scoperto:", "SCOPERTO", "99 %", v));
    f.push_back(numberField(322, "Min.:", "MINIMO", "@ZE 9,999.99", v));
    f.push_back(textField(323, "Garanzie:", "GARANZIA1", "", v));
    f.push_back(textField(324, "", "GARANZIA2", "", v));
    f.back().sameRow = true;
    f.push_back(numberField(325, "Km annui:", "KMANNUI", "@Z 999999", v));
    f.push_back(logicalField(326, "Gancio traino:", "GANCIO", v));
    f.push_back(numberField(327, "Porte:", "PORTE", "@Z 9", v));
    f.push_back(choiceField(328, "Alimentazione:", "ALIMENTAZ", AALIMENTAZ, false, v));
    f.push_back(logicalField(329, "Impianto GPL:", "GPL", v));
    f.push_back(choiceField(330, "Uso:", "USO1", AUSOVEIC, false, v));
    f.push_back(choiceField(331, "", "USO2", ASCOPOUSO, false, v));
    f.back().sameRow = true;
    f.push_back(choiceField(332, "Rimessa auto:", "RIMESSA", ARIMESSE, false, v));
    f.push_back(choiceField(333, "Antifurto:", "ANTIFURTO", AANTIFURTI, false, v));
    struct Cover {
        const char* label;
        FieldName field;
    };
    const Cover covers[] = {
        {"Infort.:", "INFORTUNI"}, {"Cristalli:", "CRISTALLI"}, {"Kasko:", "KASKO"},     {"Inc./Furt.:", "INCENFURT"},
        {"Infiamm.:", "INFIAMMAB"}, {"Atti v.:", "ATTIVAND"},   {"Danni in.:", "DANNIINC"}, {"Rit.pat.:", "RITPAT"},
        {"Tut.leg.:", "TUTLEG"},   {"Assist.:", "ASSIST"},      {"A P&&B:", "AUTOPB"},      {"Octo tel.:", "OCTOTEL"},
        {"Rin.riv.:", "RINURIV"},  {"Sos.inc.:", "SOSPINC"},    {"Ev.atm.:", "EVEATM"},     {"G. esp:", "GUIDAESP"},
        {"G. traino:", "GANCIOTR"}, {"B. prot.:", "BONUSPRO"},  {"An. selv.:", "ANIMSELV"}, {"Collisione:", "COLLISIO"},
    };
    int id = 360;
    for (const auto& [label, field] : covers) f.push_back(logicalField(id++, label, field, v));
    for (EditField& e : f)
        if (e.field == "GUIDAESP") e.changed = [](EditValues& all) { drivingModeChanged(all, "GUIDAESP"); };

    EditField holder = textField(kIdHolder, "Intest. P.R.A.:", "INTESTPRA", "", kPageHolder);
    holder.readOnly = true;
    holder.stored = false;
    f.push_back(holder);
    for (EditField& e : personFields("PRA", 402, kPageHolder)) f.push_back(e);

    id = kIdExclusive;
    for (const char* label : {"Guida esclusiva:", "Guida esperta:", "Guida libera:"}) {
        EditField m = logicalField(id, label, kDrivingModes[id - kIdExclusive], kPageDriver);
        const std::string field = m.field;
        m.changed = [field](EditValues& all) { drivingModeChanged(all, field); };
        f.push_back(m);
        ++id;
    }
    f.push_back(textField(504, "Conducente:", "CONDUCENTE", "", kPageDriver));
    for (EditField& e : personFields("CON", 505, kPageDriver)) f.push_back(e);
    for (EditField& e : f)
        if (isDriverField(e)) e.enabled = drivingModeSet;

    EditField insured = textField(kIdInsured, "", "ASSICURATO");
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
    guaranteeRows(s.fields, 8, 701);
    s.fields.push_back(numberField(721, "Scoperto:", "SCOPERTO", "99 %"));
    s.fields.push_back(numberField(722, "Min.:", "MINIMO", "@ZE 9,999.99"));
    s.fields.push_back(numberField(723, "Max:", "MASSIMO", "@ZE 9,999.99"));
    s.fields.push_back(numberField(724, "Franchigia:", "FRANCHIGIA", "@ZE 9,999.99"));
    s.fields.push_back(logicalField(725, "Indicizzazione:", "INDICIZZ"));
    s.fields.push_back(textField(726, "Targa:", "TARGA", "@!"));
    s.fields.push_back(memoField(727, "Note:", "NOTE"));
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
    f.push_back(textField(kIdLifeInsured, "Assicurato:", "ASSICURATO"));
    // Another insured, typed or picked, brings that client's personal data.
    s.fieldLeft = [](int id, EditValues& all) {
        if (id == kIdLifeInsured) loadLifePerson(store::workspace(), all.get("ASSICURATO"), all);
    };
    EditField tax = textField(kIdLifeTax, "Codice fiscale:", "CODICEFISC", "@! AAAAAA99A99A999A");
    tax.rule = taxCodeRule;
    f.push_back(tax);
    EditField sex = textField(603, "Sesso:", "SESSO", "@! A");
    sex.rule = [](const std::string& v, const EditValues&) {
        const std::string x = Mask::upper(trim(v));
        return x == "M" || x == "F";
    };
    f.push_back(sex);
    f.push_back(dateField(604, "Data di nascita:", "DATANASC"));
    f.push_back(textField(605, "Comune:", "COMUNASC"));
    f.push_back(textField(606, "Provincia:", "PROVNASC", "@! AA"));
    f.push_back(choiceField(607, "Documento:", "DOCUMENTO", ADOCIDENT));
    f.push_back(logicalField(608, "Fumatore:", "FUMATORE"));
    f.push_back(textField(609, "Professione:", "PROFESS"));
    f.push_back(memoField(610, "Beneficiari:", "BENEFIC"));
    f.push_back(textField(611, "Codice tariffe:", "TARIFFE"));
    guaranteeRows(f, 5, 621);
    addCodeField(s);
    return s;
}

// The client named NAME (looked up upper-cased) through a cursor of its own on CLIENTI: FN runs on
// the record when it exists. False when it does not.
bool withClient(store::Workspace& ws, const std::string& name, const std::function<void(Table&)>& fn)
{
    if (!filled(name)) return false;
    KeyedTable c(ws, "CLIENTI");
    if (!c->seek(store::indexKey(trim(name), 35, true))) return false;
    fn(*c);
    return true;
}

// A sheet's field and the client's field it takes its value from.
struct PersonPair {
    FieldName sheet;
    FieldName client;
};
const PersonPair kLifePerson[] = {
    {"CODICEFISC", "CODICEFISC"}, {"SESSO", "SESSO"},         {"DATANASC", "DATANASC"}, {"COMUNASC", "COMUNASC"},
    {"PROVNASC", "PROVNASC"},     {"DOCUMENTO", "DOCUMENTO"}, {"FUMATORE", "FUMATORE"}, {"PROFESS", "PROFESS"},
};
// "Copia dati assicurato".
const PersonPair kDriverFromClient[] = {
    {"CONDUCENTE", "CLIENTE"}, {"INDCON", "INDIRIZZO"},  {"CAPCON", "CAP"},       {"CITCON", "CITTA"},
    {"PROCON", "PROVINCIA"},   {"CDFCON", "CODICEFISC"}, {"IVACON", "PARTITAIVA"}, {"SCVCON", "STATOCIV"},
    {"FCNCON", "FIGLICONV"},   {"SESCON", "SESSO"},      {"DTNCON", "DATANASC"},  {"CMNCON", "COMUNASC"},
    {"PRNCON", "PROVNASC"},    {"CTDCON", "CITTADIN"},   {"CPTCON", "CATPATE"},   {"NPTCON", "NUMPATE"},
    {"RPTCON", "RILPATE"},     {"SPTCON", "SCAPATE"},    {"PRFCON", "PROFESS"},
};

// The field of the sheet table SHEET named FIELD ('C' and width 0 when unknown).
schema::FieldDef sheetField(const char* sheet, std::string_view field)
{
    const schema::TableDef* t = schema::findTable(sheet);
    const int i = t ? t->fieldIndex(field) : -1;
    return i < 0 ? schema::FieldDef{std::string(field), 'C', 0, 0} : t->fields[static_cast<size_t>(i)];
}

// The client's value for the sheet's field as the sheet's dialog shows it: a text cut to the
// sheet's width.
std::string clientValue(const Table& client, const char* sheet, const PersonPair& p)
{
    const schema::FieldDef f = sheetField(sheet, p.sheet);
    switch (f.type) {
    case 'D': return client.date(p.client).toDisplay();
    case 'L': return client.logical(p.client) ? "T" : "F";
    default:
        if (f.width == 0) return client.text(p.client);
        return rtrim(cp1252ToUtf8(store::indexKey(client.text(p.client), static_cast<size_t>(f.width))));
    }
}

// The dialog's value of FIELD as it would be stored (masks applied, trailing blanks dropped).
std::string shownValue(const RegisterDesc& d, const EditValues& v, std::string_view field)
{
    for (size_t i = 0; i < d.fields.size(); ++i) {
        const EditField& f = d.fields[i];
        if (f.field != field) continue;
        std::string s = v.at(i);
        if (f.kind == FieldKind::Text && !f.mask.empty()) s = Mask(f.mask).parseText(s);
        s = rtrim(s);
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
    KeyedTable c(ws, sheetTable(kind));
    const bool found = c->seek(sheetKey(policy.code));
    if (exists) *exists = found;
    EditValues v = found ? records::recordValues(d.fields, *c) : records::blankValues(d.fields, &*c);
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
    KeyedTable c(ws, sheetTable(kind));
    Table& t = *c;
    if (auto fail = records::recheckValues(d.fields, after, &t)) {
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
    writeSheet(t, sheetKey(code), [&](Table& r) { records::storeValues(d.fields, after, r); });
    if (kind == SheetKind::Life) lifeWriteBack(ws, before, after);
    return r;
}

bool drivingModeSet(const EditValues& v)
{
    for (FieldName m : kDrivingModes)
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
        for (FieldName m : kDrivingModes)
            if (Mask::upper(mode) != m.view()) v.set(m, "F");
        return;
    }
    if (drivingModeSet(v)) return;
    const RegisterDesc& d = sheetDescription(SheetKind::Motor);
    const EditValues blank = records::blankValues(d.fields);
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
        for (const PersonPair& p : kDriverFromClient) v.set(p.sheet, clientValue(t, "DATIAUTO", p));
    });
}

bool loadLifePerson(store::Workspace& ws, const std::string& client, EditValues& v)
{
    return withClient(ws, client, [&](Table& t) {
        for (const PersonPair& p : kLifePerson) v.set(p.sheet, clientValue(t, "VITA", p));
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
            if (now == shownValue(d, before, p.sheet) || now == clientValue(t, "VITA", p)) continue;
            switch (sheetField("VITA", p.sheet).type) {
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
