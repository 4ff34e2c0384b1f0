#include "sales/quotes.h"

#include <algorithm>
#include <array>
#include <deque>
#include <stdexcept>

#include "common/checks.h"
#include "common/files.h"
#include "common/lists.h"
#include "common/mask.h"
#include "common/pagemodel.h"
#include "common/taxcode.h"
#include "common/text.h"
#include "policies/sheets.h"
#include "records/lookups.h"
#include "store/keys.h"

namespace arv::sales::quotes {

using namespace store;
using namespace records;

namespace {

constexpr size_t kNameWidth = 35;
constexpr size_t kNumberWidth = 25;

bool taxCodeRule(const std::string& v, const EditValues&) { return !filled(v) || ISCOD(trim(v)); }
bool vatRule(const std::string& v, const EditValues&) { return !filled(v) || ISIVA(trim(v)); }
bool hourRule(const std::string& v, const EditValues&) { return isHourMinute(v); }
bool sexRule(const std::string& v, const EditValues&)
{
    const std::string s = Mask::upper(trim(v));
    return s.empty() || s == "M" || s == "F";
}

std::vector<std::string> operators() { return AOPERATORI(workspace()); }
std::vector<std::string> companies() { return ACOMPAGNIE(workspace()); }
std::vector<std::string> producers() { return APRODUTT(workspace()); }
std::vector<std::string> branches() { return ARAMI(workspace()); }
std::vector<std::string> schemes() { return ACONVENZ(workspace()); }
std::vector<std::string> groups() { return AGRUPPI(workspace()); }
std::vector<std::string> marketing() { return AMARKETNG(workspace()); }
std::vector<std::string> documentsList()
{
    std::vector<std::string> l = policies::ADOCIDENT();
    l.insert(l.begin(), std::string());
    return l;
}

// The personal fields of the holder and the driver, as stems of the quote's (and the motor
// sheet's) field names, with the client's field each comes from.
struct PersonPair {
    const char* stem;
    const char* client; // the field of CLIENTI and of the contracting party in the quote
};
constexpr PersonPair kPersonPairs[] = {
    {"IND", "INDIRIZZO"}, {"CAP", "CAP"},         {"CIT", "CITTA"},     {"PRO", "PROVINCIA"}, {"CDF", "CODICEFISC"},
    {"IVA", "PARTITAIVA"}, {"SCV", "STATOCIV"},   {"FCN", "FIGLICONV"}, {"TLC", "TELCASA"},   {"TLU", "TELUFFICIO"},
    {"CEL", "CELLULARE"}, {"FAX", "FAX"},         {"EMA", "E_MAIL"},    {"SES", "SESSO"},     {"DTN", "DATANASC"},
    {"CMN", "COMUNASC"},  {"PRN", "PROVNASC"},    {"CTD", "CITTADIN"},  {"CPT", "CATPATE"},   {"NPT", "NUMPATE"},
    {"RPT", "RILPATE"},   {"SPT", "SCAPATE"},     {"PRF", "PROFESS"},
};

// The contracting party's fields, as CLIENTI names them (CLIENTE and NOTE are the quote's
// ASSICURATO and NOTEASS).
constexpr const char* kClientFields[] = {
    "CLIENTE",  "INDIRIZZO", "CAP",       "CITTA",    "PROVINCIA", "CODICEFISC", "PARTITAIVA", "STATOCIV",
    "FIGLICONV", "TITOLO",   "SUBAGENTE", "TELCASA",  "TELUFFICIO", "CELLULARE", "FAX",        "E_MAIL",
    "GRUPPO",   "PERPOSTA",  "MARKETNG",  "SESSO",    "DATANASC",  "COMUNASC",   "PROVNASC",   "CITTADIN",
    "FUMATORE", "DOCUMENTO", "CATPATE",   "NUMPATE",  "RILPATE",   "SCAPATE",    "PROFESS",    "NOTE",
};
std::string quoteName(std::string_view clientField)
{
    if (clientField == "CLIENTE") return "ASSICURATO";
    if (clientField == "NOTE") return "NOTEASS";
    return std::string(clientField);
}

// The previous policy's fields of the quote filled from POLIZZE by equal names.
constexpr const char* kPolicyFields[] = {"COMPAGNIA", "RAPPORTO", "RAMO",      "FRAZIONAM", "PRODUTTORE", "EFFETTO",
                                         "ORAEFF",    "IMPORTO",  "PROVENIEN", "POLCOLL1",  "POLCOLL2"};

void addPersonFromSheet(std::vector<EditField>& f, const std::vector<EditField>& sheet, int page, int from, int to)
{
    for (EditField e : sheet) {
        if (e.id < from || e.id > to) continue;
        e.page = page;
        e.changed = {};
        e.enabled = {};
        if (e.label == "Cod. fisc.:") e.label = "Codice fiscale:";
        f.push_back(std::move(e));
    }
}

bool isDriverPerson(const EditField& f) { return f.page == kPageDriver && f.id >= kFDriver; }

void offerPage(std::vector<EditField>& f, int page, const char* suffix, int first)
{
    // The names are made at run time (stem + suffix) and kept for the program's life.
    static std::deque<std::string> names;
    auto name = [&](const char* stem) { return FieldName::runtime(names.emplace_back(std::string(stem) + suffix)); };
    const bool rc = std::string_view(suffix) == "PREV";
    auto comp = choiceField(first, "Compagnia:", FieldName::runtime(rc ? "COMPPREV" : "COMPARD"), companies, false, page);
    f.push_back(comp);
    f.push_back(choiceField(first + 1, "Rapporto:", FieldName::runtime(rc ? "RAPPPREV" : "RAPPARD"), companies, false, page));
    const char* rows[] = {"SEMESTRALE", "ANNUALE", "MENSILE"};
    for (int n = 0; n < 3; ++n) {
        const std::string field = std::string(rc ? "IMPOPREV" : "IMPOARD") + std::to_string(n + 1);
        EditField price = numberField(first + 2 + n, std::string(n == 0 ? "Frazionamento: " : "") + rows[n] + " - Importo:",
                                      FieldName::runtime(names.emplace_back(field)), "@ZE 999,999.99", page);
        f.push_back(price);
    }
    const std::string box = "Definitivo";
    auto in = [&](EditField e) {
        e.group = box;
        f.push_back(std::move(e));
    };
    in(choiceField(first + 10, "Ramo:", FieldName::runtime(rc ? "RAMOPREV" : "RAMOARD"), branches, false, page));
    EditField financed = logicalField(first + 5, "Finanziamento:", name("FINA"), page);
    const std::string fraction = std::string("FRAZ") + suffix;
    const std::string financedName = financed.field;
    financed.changed = [fraction, financedName](EditValues& v) {
        v.set(fraction, v.logical(financedName) ? "ANNUALE" : "");
    };
    in(financed);
    in(choiceField(first + 11, "Frazionamento:", name("FRAZ"), [] { return AFRAZ(); }, false, page));
    in(numberField(first + 12, "Importo:", name("IMPO"), "@ZE 999,999.99", page));
    in(dateField(first + 13, "Effetto:", name("EFFE"), page));
    EditField hour = textField(first + 14, "Ora:", name("ORAE"), "99:99", page);
    hour.rule = hourRule;
    hour.sameRow = true;
    in(hour);
    in(dateField(first + 15, "Scadenza:", name("SCAD"), page));
    in(choiceField(first + 16, "Produttore:", name("PROD"), producers, false, page));
    in(choiceField(first + 17, "Documentaz.:", name("DOCU"), [] { return ADOCUMENTI(); }, false, page));
    in(logicalField(first + 18, "Avviso:", name("AVVI"), page));
    in(choiceField(first + 19, "Convenzione:", name("CONV"), schemes, false, page));
    EditField code = textField(first + 20, "Cod.:", name("CODC"), "", page);
    code.sameRow = true;
    in(code);
    in(choiceField(first + 21, "Pagamento:", name("PAGA"), [] { return APAGAM(); }, false, page));
    in(memoField(first + 22, "Note:", name("NOTE"), page));
}

RegisterDesc makeForm()
{
    RegisterDesc s;
    s.name = "PREVENTIVI";
    s.editName = "PREVENTIVI2";
    s.table = "PREVBSA";
    s.orders = {"PREVBSA"};
    s.pages = {"Ns.polizza", "Assicurato", "Intest.PRA", "Conducente", "Dati auto", "Situazione", "RC Auto", "ARD"};
    s.formColumns = 2;
    std::vector<EditField>& f = s.fields;

    // "Ns.polizza"
    const int p = kPagePolicy;
    EditField number = numberField(kFNumber, "Numero:", "NUMERO", "@EZ 99999", p);
    number.readOnly = true;
    f.push_back(number);
    EditField date = dateField(kFDate, "Data:", "DATA", p);
    date.rule = [](const std::string&, const EditValues& all) { return !all.date("DATA").isEmpty(); };
    f.push_back(date);
    EditField op = choiceField(kFOperator, "Operatore:", "OPERATORE", operators, false, p);
    op.rule = requiredRule;
    f.push_back(op);
    EditField policy = textField(kFPolicy, "Polizza n.:", "POLIZZA", "", p);
    policy.tooltip = "Polizze";
    f.push_back(policy);
    auto shown = [&](EditField e) {
        e.readOnly = true;
        f.push_back(std::move(e));
    };
    shown(textField(105, "Compagnia:", "COMPAGNIA", "", p));
    shown(textField(106, "Rapporto:", "RAPPORTO", "", p));
    shown(textField(107, "Ramo:", "RAMO", "", p));
    shown(textField(108, "Frazionamento:", "FRAZIONAM", "", p));
    shown(textField(109, "Produttore:", "PRODUTTORE", "", p));
    shown(dateField(110, "Effetto: Data", "EFFETTO", p));
    EditField hour = textField(111, "Ora:", "ORAEFF", "99:99", p);
    hour.sameRow = true;
    shown(hour);
    shown(numberField(112, "Importo:", "IMPORTO", "@ZE 9,999,999.99", p));
    shown(textField(113, "Provenienza:", "PROVENIEN", "", p));
    f.push_back(textField(114, "Polizze collegate:", "POLCOLL1", "", p));
    f.push_back(textField(115, "", "POLCOLL2", "", p));
    f.back().sameRow = true;
    f.push_back(memoField(116, "Note:", "NOTE", p));

    // "Assicurato"
    const int a = kPageInsured;
    f.push_back(textField(kFInsured, "Assicurato:", "ASSICURATO", "", a));
    f.push_back(textField(602, "Indirizzo:", "INDIRIZZO", "", a));
    f.push_back(textField(603, "Città:", "CITTA", "", a));
    f.push_back(textField(604, "C.A.P.:", "CAP", "99999", a));
    f.push_back(textField(605, "Provincia:", "PROVINCIA", "@! AA", a));
    EditField tax = textField(kFTaxCode, "Codice fiscale:", "CODICEFISC", "@!", a);
    tax.rule = taxCodeRule;
    f.push_back(tax);
    EditField vat = textField(607, "Partita IVA:", "PARTITAIVA", "99999999999", a);
    vat.rule = vatRule;
    f.push_back(vat);
    f.push_back(choiceField(608, "Stato civile:", "STATOCIV", [] { return policies::ASTATICIV(true); }, false, a));
    f.push_back(logicalField(609, "Figli conviventi:", "FIGLICONV", a));
    f.push_back(choiceField(610, "Titolo:", "TITOLO", [] { return ATITOLI(); }, false, a));
    f.push_back(choiceField(611, "Sub agente:", "SUBAGENTE", producers, false, a));
    f.push_back(textField(612, "Tel. casa:", "TELCASA", "999999999999999", a));
    f.push_back(textField(613, "Tel. ufficio:", "TELUFFICIO", "999999999999999", a));
    f.push_back(textField(614, "Cellulare:", "CELLULARE", "999999999999999", a));
    f.push_back(textField(615, "Fax:", "FAX", "999999999999999", a));
    f.push_back(textField(616, "Email:", "E_MAIL", "", a));
    f.push_back(choiceField(617, "Gruppo:", "GRUPPO", groups, false, a));
    f.push_back(logicalField(618, "Avvisi per posta:", "PERPOSTA", a));
    f.push_back(choiceField(619, "Marketing:", "MARKETNG", marketing, false, a));
    EditField sex = textField(620, "Sesso:", "SESSO", "@! A", a);
    sex.rule = sexRule;
    f.push_back(sex);
    f.push_back(dateField(621, "Data di nascita:", "DATANASC", a));
    f.push_back(textField(622, "Comune:", "COMUNASC", "", a));
    f.push_back(textField(623, "Provincia:", "PROVNASC", "@! AA", a));
    f.push_back(textField(624, "Cittadinanza:", "CITTADIN", "", a));
    f.push_back(logicalField(625, "Fumatore:", "FUMATORE", a));
    f.push_back(choiceField(626, "Documento:", "DOCUMENTO", documentsList, false, a));
    f.push_back(textField(627, "Patente:", "CATPATE", "@!", a));
    f.push_back(textField(628, "", "NUMPATE", "@!", a));
    f.back().sameRow = true;
    f.push_back(dateField(629, "Rilascio:", "RILPATE", a));
    f.push_back(dateField(630, "Scadenza:", "SCAPATE", a));
    f.push_back(textField(631, "Professione:", "PROFESS", "", a));
    f.push_back(memoField(632, "Note:", "NOTEASS", a));

    // "Intest.PRA", "Conducente", "Dati auto": the motor sheet's fields.
    const std::vector<EditField>& sheet = policies::sheetDescription(policies::SheetKind::Motor).fields;
    f.push_back(textField(kFHolder, "Intest. P.R.A.:", "INTESTPRA", "", kPageHolder));
    addPersonFromSheet(f, sheet, kPageHolder, 402, 499);
    addPersonFromSheet(f, sheet, kPageDriver, kFExclusive, 599);
    for (EditField& e : f) {
        if (isDriverPerson(e)) e.enabled = drivingTypeSet;
        // Unticking the last driving type clears the driver.
        if (e.id == kFExclusive || e.id == kFExpert || e.id == kFFree)
            e.changed = [](EditValues& v) { quoteFieldLeft(workspace(), kFExclusive, v); };
    }
    addPersonFromSheet(f, sheet, kPageVehicle, 301, 399);

    // "Situazione"
    const int t = kPageSituation;
    f.push_back(logicalField(701, "Attestato in corso di validità:", "ATTEVALI", t));
    f.push_back(dateField(702, "Scadenza:", "ATTESCAD", t));
    f.back().sameRow = true;
    f.push_back(logicalField(703, "Prima immatricolazione:", "PRIMAIMM", t));
    f.push_back(logicalField(704, "Voltura P.R.A.:", "VOLTPRA", t));
    f.push_back(logicalField(705, "Decreto Bersani:", "DECRBERS", t));
    f.push_back(textField(706, "Targa:", "TARGABERS", "@!", t));
    f.back().sameRow = true;
    for (int n = 1; n <= 10; ++n) {
        static std::deque<std::string> names;
        const std::string field = n < 10 ? "SINISTRI0" + std::to_string(n) : "SINISTRI10";
        f.push_back(textField(710 + n, n == 1 ? "Sinistri:" : n == 10 ? "Anno corrente" : "",
                              FieldName::runtime(names.emplace_back(field)), "", t));
        f.back().sameRow = n > 1;
    }
    f.push_back(textField(721, "Provenienza C.U.:", "PROVENCU", "", t));
    f.push_back(textField(722, "Assegnazione C.U.:", "ASSEGNCU", "", t));

    offerPage(f, kPageRc, "PREV", 800);
    offerPage(f, kPageArd, "ARD", 850);

    // Hidden: how the number is given again and what the policy number last filled.
    for (auto [id, fieldName, kind] : {std::tuple{kFNew, "NUOVO", FieldKind::Logical},
                                       std::tuple{kFStoredDate, "DATAORIG", FieldKind::Date},
                                       std::tuple{kFStoredNumber, "NUMORIG", FieldKind::Text},
                                       std::tuple{kFFilledFrom, "POLCARICA", FieldKind::Text}}) {
        EditField h = editField(id, "", dialogOnly(fieldName), kind, "", kPagePolicy);
        h.stored = false;
        f.push_back(h);
        s.hiddenFields.push_back(id);
    }

    DialogButton toHolder;
    toHolder.id = kBtnCopyToHolder;
    toHolder.caption = "Copia dati assicurato";
    toHolder.fill = [](Workspace&, EditValues& v) { copyInsured(v, "PRA"); };
    toHolder.page = kPageHolder;
    DialogButton toDriver = toHolder;
    toDriver.id = kBtnCopyToDriver;
    toDriver.fill = [](Workspace&, EditValues& v) {
        if (drivingTypeSet(v)) copyInsured(v, "CON");
    };
    toDriver.page = kPageDriver;
    toDriver.enabled = drivingTypeSet;
    s.editButtons = {toHolder, toDriver};

    s.fieldLeft = [](int id, EditValues& v) { quoteFieldLeft(workspace(), id, v); };
    return s;
}

const EditField* formField(std::string_view name)
{
    for (const EditField& f : quoteForm().fields)
        if (Mask::upper(f.field) == Mask::upper(name)) return &f;
    return nullptr;
}

// FIELD of the form set from the field SOURCE of T, as the form shows it (blank when T has none).
void setFrom(EditValues& v, std::string_view field, const Table& t, std::string_view source)
{
    const EditField* f = formField(field);
    if (!f) return;
    EditField g = *f;
    g.field = std::string(source);
    g.stored = true;
    if (t.fieldIndex(FieldName::runtime(g.field)) < 0) return;
    v.set(field, recordValues({g}, t).at(0));
}

void blank(EditValues& v, std::string_view field)
{
    const EditField* f = formField(field);
    if (!f) return;
    v.set(field, blankValues({*f}).at(0));
}

// The holder's, driver's and vehicle's fields: everything the motor sheet stores.
std::vector<std::string> sheetFields()
{
    std::vector<std::string> out;
    for (const EditField& f : quoteForm().fields)
        if (f.page == kPageHolder || f.page == kPageDriver || f.page == kPageVehicle)
            if (f.id != kFHolder) out.push_back(f.field);
    return out;
}

void blankAll(EditValues& v)
{
    for (const char* field : kPolicyFields) blank(v, field);
    for (const char* field : kClientFields) blank(v, quoteName(field));
    blank(v, "INTESTPRA");
    for (const std::string& field : sheetFields()) blank(v, field);
    v.set("ATTEVALI", "F");
    blank(v, "ATTESCAD");
    blank(v, "ASSEGNCU");
}

Table& seekClient(Table& t, const std::string& name)
{
    t.seek(indexKey(rtrim(name), kNameWidth, true));
    return t;
}

void derive(EditValues& v, std::string_view taxField, std::string_view birthField, std::string_view sexField,
            bool onlyFull)
{
    const std::string code = trim(v.get(taxField));
    if (onlyFull && code.size() != 16) {
        blank(v, birthField);
        v.set(sexField, "");
        return;
    }
    const Date birth = DATANASCCDF(code);
    if (birth) v.set(birthField, birth.toDisplay());
    const std::string sex = SESSOCDF(code);
    if (!sex.empty()) v.set(sexField, sex);
}

// The year of the date shown, 0 when none.
int yearOf(const EditValues& v, std::string_view field)
{
    const Date d = v.date(field);
    return d ? d.year() : 0;
}

void setNumberShown(EditValues& v, int n)
{
    v.set("NUMERO", n ? trim(Mask("@EZ 99999").formatNumber(Decimal(static_cast<long>(n)), 0, 5)) : std::string());
}

} // namespace

const RegisterDesc& quoteForm()
{
    static const RegisterDesc desc = makeForm();
    return desc;
}

bool drivingTypeSet(const EditValues& v)
{
    return v.logical("GDXCON") || v.logical("GDECON") || v.logical("GDLCON");
}

void copyInsured(EditValues& v, std::string_view suffix)
{
    v.set(suffix == "PRA" ? "INTESTPRA" : "CONDUCENTE", v.get("ASSICURATO"));
    for (const PersonPair& p : kPersonPairs) {
        const std::string to = p.stem + std::string(suffix);
        if (!formField(to)) continue; // the driver has no telephones nor e-mail
        v.set(to, v.get(p.client));
    }
}

EditValues newQuoteValues(Workspace& ws, Date today)
{
    const RegisterDesc& form = quoteForm();
    EditValues v = blankValues(form.fields);
    std::optional<int> n;
    {
        OwnTable t(ws, "PREVBSA", true);
        t->ordAdd("PREVBSA");
        n = PROSNUM(ws, *t, today, false);
    }
    setNumberShown(v, n.value_or(0));
    v.set("DATA", today.toDisplay());
    v.set("RAMO", "Auto");
    v.set("SUBAGENTE", "Agenzia");
    v.set("PRODUTTORE", "Agenzia");
    for (const char* hour : {"ORAEFF", "ORAEPREV", "ORAEARD"}) v.set(hour, "00:00");
    v.set("NUOVO", "T");
    return v;
}

EditValues quoteValues(const Table& quotes)
{
    EditValues v = recordValues(quoteForm().fields, quotes);
    v.set("NUOVO", "F");
    v.set("DATAORIG", quotes.date("DATA").toDisplay());
    v.set("NUMORIG", std::to_string(quotes.number("NUMERO").toLongLong()));
    v.set("POLCARICA", trim(quotes.text("POLIZZA")));
    return v;
}

void quoteFieldLeft(Workspace& ws, int id, EditValues& v)
{
    switch (id) {
    case kFDate: {
        const int year = yearOf(v, "DATA");
        if (!year) return;
        const bool isNewQuote = v.logical("NUOVO");
        if (isNewQuote || year != yearOf(v, "DATAORIG")) {
            OwnTable t(ws, "PREVBSA", true);
            t->ordAdd("PREVBSA");
            setNumberShown(v, PROSNUM(ws, *t, v.date("DATA"), false).value_or(0));
        } else {
            v.set("NUMERO", trim(v.get("NUMORIG")));
        }
        return;
    }
    case kFPolicy: {
        const std::string number = trim(v.get("POLIZZA"));
        // Only a number other than the one last filled from fills again: tabbing through keeps
        // what the user typed since.
        if (number == trim(v.get("POLCARICA"))) return;
        if (ADATIPOL(ws, number, v)) v.set("POLCARICA", number);
        return;
    }
    case kFInsured: ADATIASS(ws, v.get("ASSICURATO"), v); return;
    case kFHolder: loadPerson(ws, v.get("INTESTPRA"), "PRA", v); return;
    case kFDriver: loadPerson(ws, v.get("CONDUCENTE"), "CON", v); return;
    case kFTaxCode: derive(v, "CODICEFISC", "DATANASC", "SESSO", false); return;
    case kFHolderTax: derive(v, "CDFPRA", "DTNPRA", "SESPRA", true); return;
    case kFDriverTax: derive(v, "CDFCON", "DTNCON", "SESCON", true); return;
    case kFExclusive:
    case kFExpert:
    case kFFree:
        if (!drivingTypeSet(v))
            for (const EditField& f : quoteForm().fields)
                if (isDriverPerson(f)) blank(v, f.field);
        return;
    default: return;
    }
}

std::optional<int> PROSNUM(Workspace& ws, Table& quotes, Date date, bool lock)
{
    if (lock) quotes.lock(false);
    const int year = date ? date.year() : Date::today().year();
    // The year as the tag writes it: STR(YEAR(DATA),4).
    auto str4 = [](int y) {
        const std::string t = std::to_string(y);
        return std::string(4 - std::min<size_t>(4, t.size()), ' ') + t;
    };
    const std::string yearKey = str4(year);
    OwnTable t(ws, "PREVBSA", true);
    t->ordAdd("PREVBSA");
    t->setOrder("PREVBSA");
    // The year's last key: the one before the first key of the following year. Quotes without a
    // number sort first in their year, so the last one holds the highest number, if any.
    t->seek(str4(year + 1), true);
    if (t->eof()) t->goBottom();
    else t->skip(-1);
    if (t->eof() || t->currentKey().compare(0, 4, yearKey) != 0) return kFirstNumber;
    const long long highest = t->number("NUMERO").toLongLong();
    if (highest <= 0) return kFirstNumber;
    if (highest >= kLastNumber) return std::nullopt;
    return static_cast<int>(std::max<long long>(highest + 1, kFirstNumber));
}

SaveResult saveQuote(Workspace& ws, Table& quotes, const EditRequest& request, const EditValues& after)
{
    const RegisterDesc& form = quoteForm();
    if (DiskCheck p = ISPROTECTED(quotes.folder()); p.value) return {SaveResult::DiskProblem, p.message};
    if (DiskCheck f = ISFULL(quotes.folder(), 8192); f.value) return {SaveResult::DiskProblem, f.message};
    const Date date = after.date("DATA");
    quotes.lock(false);
    Unlocker unlock{quotes};
    long long number = 0;
    bool renumber = request.inserting;
    if (!request.inserting) {
        quotes.goTo(request.recno);
        const Date stored = quotes.date("DATA");
        number = quotes.number("NUMERO").toLongLong();
        renumber = !stored || stored.year() != date.year() || number == 0;
    }
    if (renumber) {
        const std::optional<int> next = PROSNUM(ws, quotes, date, false);
        if (!next) {
            if (!request.inserting) quotes.goTo(request.recno);
            return {SaveResult::CheckFailed, kMsgNumbersUsedUp};
        }
        number = *next;
    }
    if (request.inserting) {
        quotes.append(true);
    } else {
        quotes.goTo(request.recno);
        quotes.lock(true);
        quotes.recall();
    }
    storeValues(form.fields, after, quotes);
    quotes.setNumber("NUMERO", Decimal(number));
    quotes.commit();
    return {};
}

bool ADATIPOL(Workspace& ws, const std::string& number, EditValues& v)
{
    if (!filled(number)) {
        blankAll(v);
        return true;
    }
    OwnTable pol(ws, "POLIZZE", true);
    pol->ordAdd("NUMPOL");
    if (!pol->seek(indexKey(rtrim(number), kNumberWidth))) return false;
    blankAll(v);
    for (const char* field : kPolicyFields) setFrom(v, field, *pol, field);
    ADATIASS(ws, pol->text("ASSICURATO"), v);
    v.set("INTESTPRA", pol->text("INTESTPRA"));
    v.set("ATTEVALI", "T");
    setFrom(v, "ATTESCAD", *pol, "SCADENZA");
    if (policies::sheetKind(pol->text("RAMO")) == policies::SheetKind::Motor) {
        OwnTable sheet(ws, "DATIAUTO", true);
        sheet->ordAdd("DATIAUTO");
        if (sheet->seek(policies::sheetKey(pol->raw("CODICE")))) {
            for (const std::string& field : sheetFields()) setFrom(v, field, *sheet, field);
            v.set("ASSEGNCU", utf8Left(sheet->text("CLASSE"), 2));
        }
    }
    return true;
}

bool ADATIASS(Workspace& ws, const std::string& name, EditValues& v)
{
    if (!filled(name)) return false;
    OwnTable c(ws, "CLIENTI", true);
    c->ordAdd("CLIENTI");
    if (!seekClient(*c, name).found()) return false;
    for (const char* field : kClientFields) setFrom(v, quoteName(field), *c, field);
    return true;
}

bool loadPerson(Workspace& ws, const std::string& name, std::string_view suffix, EditValues& v)
{
    if (!filled(name)) return false;
    OwnTable c(ws, "CLIENTI", true);
    c->ordAdd("CLIENTI");
    if (!seekClient(*c, name).found()) return false;
    v.set(suffix == "PRA" ? "INTESTPRA" : "CONDUCENTE", c->text("CLIENTE"));
    for (const PersonPair& p : kPersonPairs) {
        const std::string to = p.stem + std::string(suffix);
        if (formField(to)) setFrom(v, to, *c, p.client);
    }
    return true;
}

// ---- the register

const std::vector<SearchField>& quoteSearch()
{
    static const std::vector<SearchField> criteria = [] {
        std::vector<SearchField> s;
        SearchField number = searchField(101, "Numero:", "NUMERO", Match::Equal, FieldKind::Number);
        number.mask = "@EZ 99999";
        s.push_back(number);
        s.push_back(searchField(102, "Data: dal", "DATA", Match::From, FieldKind::Date));
        s.push_back(searchField(103, "al", "DATA", Match::To, FieldKind::Date));
        s.push_back(searchField(104, "Effetto: dal", "EFFEPREV", Match::From, FieldKind::Date));
        s.push_back(searchField(105, "al", "EFFEPREV", Match::To, FieldKind::Date));
        s.push_back(searchField(106, "Assicurato:", "ASSICURATO", Match::Contains));
        auto chosen = [](int id, const char* label, FieldName field, std::function<std::vector<std::string>()> list) {
            SearchField c = customSearch(id, label, FieldKind::Choice, {});
            c.field = std::string(field.view());
            c.list = std::move(list);
            const std::string name(field.view());
            const size_t at = static_cast<size_t>(id - 101);
            c.condition = [name, at](const std::vector<std::string>& typed) -> RecordPredicate {
                const std::string want = Mask::upper(trim(typed[at]));
                if (want.empty()) return {};
                return [name, want](const Table& t) { return Mask::upper(trim(t.text(FieldName::runtime(name)))) == want; };
            };
            return c;
        };
        s.push_back(chosen(107, "Compagnia:", "COMPPREV", companies));
        s.push_back(chosen(108, "Rapporto:", "RAPPPREV", companies));
        s.push_back(chosen(109, "Frazionamento:", "FRAZPREV", [] { return AFRAZ(); }));
        s.push_back(customSearch(110, "Finanziamento:", FieldKind::Logical, [](const std::vector<std::string>& typed) {
            return typed[9] == "T" ? RecordPredicate([](const Table& t) { return t.logical("FINAPREV"); }) : RecordPredicate();
        }));
        s.push_back(chosen(111, "Operatore:", "OPERATORE", operators));
        s.push_back(customSearch(112, "OK polizza:", FieldKind::Logical, [](const std::vector<std::string>& typed) {
            return typed[11] == "T" ? RecordPredicate([](const Table& t) { return t.logical("OKPOLIZZA"); }) : RecordPredicate();
        }));
        return s;
    }();
    return criteria;
}

bool toggleOk(Table& quotes, uint32_t recno)
{
    quotes.goTo(recno);
    if (quotes.eof()) return false;
    quotes.lock(true);
    Unlocker unlock{quotes};
    if (quotes.deleted()) return false;
    quotes.setLogical("OKPOLIZZA", !quotes.logical("OKPOLIZZA"));
    quotes.commit();
    return true;
}

// ---- the conversion

bool hasArd(const Table& quote) { return filled(quote.text("COMPARD")); }

std::string conversionProblem(Workspace& ws, const Table& q, const Conversion& c, bool* reopen)
{
    auto again = [&](const char* m) {
        if (reopen) *reopen = true;
        return std::string(m);
    };
    const std::string rc = trim(c.rc), ard = hasArd(q) ? trim(c.ard) : std::string(),
                      third = hasArd(q) ? trim(c.third) : std::string();
    if (rc.empty()) return again("Indicare il numero di polizza RC Auto.");
    if (hasArd(q) && ard.empty()) return again("Indicare il numero di polizza ARD.");
    if (ISPOLIZZA(ws, rc)) return again(kMsgRcExists);
    if (!ard.empty() && (ard == rc || ISPOLIZZA(ws, ard))) return again(kMsgArdExists);
    if (!third.empty() && (third == rc || third == ard || ISPOLIZZA(ws, third))) return again(kMsgThirdExists);
    if (!third.empty() && trim(c.thirdBranch).empty()) return again("Indicare il ramo della polizza Inf./Cond.");
    std::vector<std::string> missing;
    if (!filled(q.text("ASSICURATO"))) missing.push_back("il contraente");
    if (!filled(q.text("COMPPREV"))) missing.push_back("la compagnia RC Auto");
    if (!filled(q.text("RAPPPREV"))) missing.push_back("il rapporto RC Auto");
    if (!ard.empty() && !filled(q.text("RAPPARD"))) missing.push_back("il rapporto ARD");
    if (!missing.empty()) {
        std::string list;
        for (size_t i = 0; i < missing.size(); ++i)
            list += (i == 0 ? "" : i + 1 == missing.size() ? " e " : ", ") + missing[i];
        if (reopen) *reopen = false;
        return "Impossibile creare la polizza: nel preventivo manca " + list + ".";
    }
    return {};
}

namespace {

// What the conversion wrote, to take it back on a failure.
struct Written {
    explicit Written(Workspace& w) : ws(w) {}
    Workspace& ws;
    uint32_t client = 0;
    std::vector<std::pair<uint32_t, std::string>> policies; // record, code
    std::vector<uint32_t> sheets;
    // The previous policy as it was before being marked (0: not marked).
    uint32_t previous = 0;
    bool previousCancelled = false;
    std::string previousReplacedBy, previousNote;

    void undo()
    {
        if (previous) {
            try {
                OwnTable t(ws, "POLIZZE");
                t->goTo(previous);
                t->lock(true);
                t->setLogical("DISDETTA", previousCancelled);
                t->setText("SOSTDA", previousReplacedBy);
                t->setMemo("NOTE", previousNote);
                t->commit();
                t->unlock();
            } catch (...) {
            }
        }
        auto drop = [&](const char* table, uint32_t recno) {
            if (!recno) return;
            try {
                OwnTable t(ws, table);
                t->goTo(recno);
                if (t->eof()) return;
                t->lock(true);
                t->del();
                t->unlock();
            } catch (...) {
            }
        };
        for (uint32_t s : sheets) drop("DATIAUTO", s);
        for (const auto& p : policies) drop("POLIZZE", p.first);
        drop("CLIENTI", client);
    }
};

void step(const ConversionHooks& h, const char* name)
{
    if (h.beforeStep) h.beforeStep(name);
}

// Copies every field of TO that FROM has too (same name), each cut to TO's width, except SKIP.
void copyByNames(const Table& from, Table& to, const std::vector<std::string>& skip)
{
    for (const schema::FieldDef& def : to.file().fields()) {
        const std::string name = def.name;
        if (std::find(skip.begin(), skip.end(), name) != skip.end()) continue;
        const FieldName n = FieldName::runtime(name);
        const int at = from.fieldIndex(n);
        if (at < 0) continue;
        const char type = from.file().fields()[static_cast<size_t>(at)].type;
        switch (def.type) {
        case 'C':
            to.setText(n, type == 'C' || type == 'M' ? (type == 'M' ? from.memo(n) : from.text(n)) : std::string());
            break;
        case 'N':
            if (type == 'N') to.setNumber(n, from.number(n));
            break;
        case 'D':
            if (type == 'D') to.setDate(n, from.date(n));
            break;
        case 'L':
            if (type == 'L') to.setLogical(n, from.logical(n));
            break;
        case 'M': to.setMemo(n, type == 'M' ? from.memo(n) : from.text(n)); break;
        default: break;
        }
    }
}

std::string appendLine(const std::string& note, const std::string& line)
{
    const std::string kept = rtrim(note);
    return kept.empty() ? line : kept + "\r\n" + line;
}

enum class Which { Rc, Ard, Third };

void writePolicy(Table& p, const Table& q, Which w, const Conversion& c)
{
    const bool rc = w == Which::Rc;
    auto from = [&](const char* prev, const char* ard) { return FieldName::runtime(rc ? prev : ard); };
    const std::string rcNo = trim(c.rc), ardNo = trim(c.ard), thirdNo = trim(c.third);
    p.setText("ASSICURATO", q.text("ASSICURATO"));
    p.setText("INTESTPRA", q.text("INTESTPRA"));
    p.setText("OPERATORE", q.text("OPERATORE"));
    p.setText("COMPAGNIA", q.text(from("COMPPREV", "COMPARD")));
    p.setText("RAPPORTO", q.text(from("RAPPPREV", "RAPPARD")));
    p.setText("POLIZZA", w == Which::Rc ? rcNo : w == Which::Ard ? ardNo : thirdNo);
    p.setText("RAMO", w == Which::Third ? trim(c.thirdBranch) : q.text(from("RAMOPREV", "RAMOARD")));
    p.setText("FRAZIONAM", q.text(from("FRAZPREV", "FRAZARD")));
    p.setText("CODCONV", q.text(from("CODCPREV", "CODCARD")));
    p.setText("PRODUTTORE", q.text(from("PRODPREV", "PRODARD")));
    p.setText("CONVENZIO", q.text(from("CONVPREV", "CONVARD")));
    p.setText("PAGAMENTO", q.text(from("PAGAPREV", "PAGAARD")));
    p.setDate("EFFETTO", q.date(from("EFFEPREV", "EFFEARD")));
    p.setText("ORAEFF", q.text(from("ORAEPREV", "ORAEARD")));
    p.setDate("SCADENZA", q.date(from("SCADPREV", "SCADARD")));
    p.setNumber("IMPORTO", q.number(from("IMPOPREV", "IMPOARD")));
    p.setLogical("AVVISO", q.logical(from("AVVIPREV", "AVVIARD")));
    p.setText("DOCUMENTO", q.text(from("DOCUPREV", "DOCUARD")));
    p.setMemo("NOTE", q.memo(from("NOTEPREV", "NOTEARD")));
    p.setDate("COPERTURA", q.date(from("EFFEPREV", "EFFEARD")));
    p.setText("SOSTPOL", q.text("POLIZZA"));
    p.setLogical("COLLEGATA", rc ? !ardNo.empty() : true);
    p.setText("POLCOLL1", rc ? ardNo : rcNo);
    p.setText("POLCOLL2", w == Which::Third ? ardNo : thirdNo);
    // COASSICUR, SOSTDA, PROVENIEN, INCASSO, the commissions and the flags keep the blank record's
    // empty values.
}

} // namespace

ConversionResult OKPOLIZZA(Workspace& ws, Table& quotes, const Conversion& c, const ConversionHooks& hooks)
{
    ConversionResult r;
    if (quotes.eof()) return r;
    const uint32_t quoteRecno = quotes.recno();
    quotes.refresh();
    r.message = conversionProblem(ws, quotes, c, &r.reopen);
    if (!r.message.empty()) return r;
    const bool ard = hasArd(quotes) && filled(c.ard);
    const bool third = hasArd(quotes) && filled(c.third);
    Written written(ws);
    try {
        // The client, under the lock of CLIENTI from the search to the append.
        step(hooks, "CLIENTE");
        {
            OwnTable cl(ws, "CLIENTI");
            cl->ordAdd("CLIENTI");
            cl->setOrder("CLIENTI");
            cl->lock(false);
            if (!seekClient(*cl, quotes.text("ASSICURATO")).found()) {
                cl->append(true);
                for (const char* field : kClientFields) {
                    const std::string qn = quoteName(field);
                    const FieldName to = FieldName::runtime(field), from = FieldName::runtime(qn);
                    switch (cl->file().fields()[static_cast<size_t>(cl->fieldIndex(to))].type) {
                    case 'L': cl->setLogical(to, quotes.logical(from)); break;
                    case 'D': cl->setDate(to, quotes.date(from)); break;
                    case 'M': cl->setMemo(to, quotes.memo(from)); break;
                    default: cl->setText(to, quotes.text(from)); break;
                    }
                }
                cl->commit();
                written.client = cl->recno();
                r.clientCreated = quotes.text("ASSICURATO");
            }
            cl->unlock();
        }

        OwnTable pol(ws, "POLIZZE");
        pol->ordAdd("NUMPOL");
        OwnTable sheets(ws, "DATIAUTO");
        sheets->ordAdd("DATIAUTO");
        const std::vector<Which> chain = [&] {
            std::vector<Which> w{Which::Rc};
            if (ard) w.push_back(Which::Ard);
            if (third) w.push_back(Which::Third);
            return w;
        }();
        for (Which w : chain) {
            step(hooks, w == Which::Rc ? "RC" : w == Which::Ard ? "ARD" : "TERZA");
            // The number checked again under the table lock: another workstation may have taken it.
            const std::string number = trim(w == Which::Rc ? c.rc : w == Which::Ard ? c.ard : c.third);
            pol->setOrder("NUMPOL");
            pol->lock(false);
            if (pol->seek(indexKey(number, kNumberWidth))) {
                pol->unlock();
                throw std::runtime_error(w == Which::Rc ? kMsgRcExists : w == Which::Ard ? kMsgArdExists : kMsgThirdExists);
            }
            const std::string code = pol->appendWithCode();
            written.policies.emplace_back(pol->recno(), code);
            writePolicy(*pol, quotes, w, c);
            pol->commit();
            pol->unlock();
            r.codes.push_back(code);
            if (policies::sheetKind(pol->text("RAMO")) == policies::SheetKind::Motor) {
                sheets->lock(false);
                sheets->append(true);
                copyByNames(quotes, *sheets, {"POLIZZA"});
                sheets->setRaw("POLIZZA", policies::sheetKey(code));
                sheets->commit();
                written.sheets.push_back(sheets->recno());
                sheets->unlock();
            }
        }

        // The previous policy, marked once.
        step(hooks, "SOSTITUITA");
        const std::string previous = trim(quotes.text("POLIZZA"));
        if (!previous.empty()) {
            pol->setOrder("NUMPOL");
            if (pol->seek(indexKey(previous, kNumberWidth))) {
                pol->lock(true);
                if (filled(pol->text("SOSTDA")) && trim(pol->text("SOSTDA")) != trim(c.rc)) {
                    r.notices.push_back(kMsgAlreadyReplaced);
                } else {
                    written.previous = pol->recno();
                    written.previousCancelled = pol->logical("DISDETTA");
                    written.previousReplacedBy = pol->text("SOSTDA");
                    written.previousNote = pol->memo("NOTE");
                    pol->setLogical("DISDETTA", true);
                    pol->setText("SOSTDA", trim(c.rc));
                    pol->setMemo("NOTE", appendLine(pol->memo("NOTE"), trim(quotes.text("COMPAGNIA"))));
                    pol->commit();
                }
                pol->unlock();
            }
        }

        step(hooks, "PREVENTIVO");
        quotes.goTo(quoteRecno);
        quotes.lock(true);
        quotes.setLogical("OKPOLIZZA", true);
        if (third)
            quotes.setMemo("NOTEARD",
                           appendLine(quotes.memo("NOTEARD"), "TERZA POLIZZA COLLEGATA: " + trim(c.thirdBranch)));
        quotes.commit();
        quotes.unlock();
    } catch (const std::exception& e) {
        try {
            quotes.unlock();
        } catch (...) {
        }
        written.undo();
        r = ConversionResult{};
        r.message = std::string(kMsgConversionUndone) + ";;" + e.what();
        return r;
    }
    r.done = true;
    return r;
}

} // namespace arv::sales::quotes
