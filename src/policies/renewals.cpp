#include "policies/renewals.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>

#include "common/files.h"
#include "common/ini.h"
#include "common/lists.h"
#include "common/mask.h"
#include "common/numfmt.h"
#include "common/report.h"
#include "common/text.h"
#include "policies/policyregister.h"
#include "records/excel.h"
#include "records/lookups.h"
#include "records/reportrows.h"
#include "store/keys.h"

namespace arv::policies {

using namespace store;
using namespace records;

namespace {

constexpr size_t kNumberWidth = 25;
constexpr size_t kNameWidth = 35;
constexpr const char* kMoneyMask = "@ZE 9,999,999.99";
constexpr const char* kValueMask = "@ZE 999,999.99";
constexpr const char* kPhoneMask = "999999999999999";
constexpr const char* kOfficeHours = "dalle 08:30 alle 17:00";
const char* const kCrlf = "\r\n";

enum Page { kPagePolicy, kPageVehicle, kPagePremium, kPageContacts };

// The names of the values the dialog shows and no row field stores.
namespace name {
constexpr const char* company = "P_COMPAGN";
constexpr const char* agreement = "P_RAPPORTO";
constexpr const char* branch = "P_RAMO";
constexpr const char* producer = "P_PRODUTT";
constexpr const char* effect = "P_EFFETTO";
constexpr const char* hour = "P_ORAEFF";
constexpr const char* expiry = "P_SCADENZ";
constexpr const char* fraction = "P_FRAZION";
constexpr const char* connected1 = "P_POLCOL1";
constexpr const char* connected2 = "P_POLCOL2";
constexpr const char* premium = "P_IMPORTO";
constexpr const char* fee = "P_COMMISS";
constexpr const char* total = "P_TOTALE";
constexpr const char* renewal = "R_IMPORTO";
constexpr const char* renewalFee = "R_COMMISS";
constexpr const char* renewalTotal = "R_TOTALE";
constexpr const char* notes = "P_NOTE";
constexpr const char* current = "A_RAPPORTO";
constexpr const char* proposed = "S_RAPPORTO";
constexpr const char* proposedPremium = "S_IMPORTO";
constexpr const char* proposedTotal = "S_TOTALE";
} // namespace name

// The client's fields of page "Contatti": the dialog's name, the client's field, label, mask, width.
struct ContactField {
    const char* value;
    FieldName client;
    const char* label;
    const char* mask;
    int width;
    bool memo;
};
const ContactField kContacts[] = {
    {"C_INDIRIZ", "INDIRIZZO", "Indirizzo:", "", 35, false}, {"C_CITTA", "CITTA", "Città:", "", 25, false},
    {"C_CAP", "CAP", "C.A.P.:", "99999", 5, false},           {"C_PROV", "PROVINCIA", "Provincia:", "@! AA", 2, false},
    {"C_EMAIL", "E_MAIL", "Email:", "", 45, false},          {"C_PEC", "PEC", "P.E.C.:", "", 45, false},
    {"C_TELCASA", "TELCASA", "Tel. casa:", kPhoneMask, 15, false},
    {"C_TELUFF", "TELUFFICIO", "Tel. ufficio:", kPhoneMask, 15, false},
    {"C_CELL", "CELLULARE", "Cellulare:", kPhoneMask, 15, false},
    {"C_FAX", "FAX", "Fax:", kPhoneMask, 15, false},          {"C_NOTE", "NOTE", "Note:", "", 0, true},
};

std::string value(const Decimal& d) { return trim(Mask(kValueMask).formatNumber(d, 2, 9)); }
std::string upperTrim(const std::string& s) { return Mask::upper(trim(s)); }

std::string optionName(int option) { return "OPZ" + std::to_string(option); }
FieldName quoteAgreement(int k) // 1..7
{
    static const FieldName names[] = {"RAPNUO1", "RAPNUO2", "RAPNUO3", "RAPNUO4", "RAPNUO5", "RAPNUO6", "RAPNUO7"};
    return names[k - 1];
}
FieldName quotePremium(int k)
{
    static const FieldName names[] = {"IMPNUO1", "IMPNUO2", "IMPNUO3", "IMPNUO4", "IMPNUO5", "IMPNUO6", "IMPNUO7"};
    return names[k - 1];
}

Table* lookup(Workspace& ws, const char* alias) { return ws.find(alias); }

// The policy record of NUMBER through POLIZZE_ (null when unknown).
Table* policyOf(Workspace& ws, const std::string& number)
{
    Table* p = lookup(ws, "POLIZZE_");
    if (!p || !filled(number)) return nullptr;
    if (!p->seek(indexKey(rtrim(number), kNumberWidth))) return nullptr;
    return p;
}

std::string dateText(Date d) { return d ? d.toDisplay() : std::string(); }

std::vector<std::string> emptyFirst(std::vector<std::string> l)
{
    if (l.empty() || !l.front().empty()) l.insert(l.begin(), std::string());
    return l;
}

} // namespace

// ---------------------------------------------------------------- the policy behind a row

const std::array<MotorOption, 20>& motorOptions()
{
    static const std::array<MotorOption, 20> all = {{
        {"INFORTUNI", "Infort.:", "INFORTUNI CONDUCENTE"},
        {"CRISTALLI", "Cristalli:", "CRISTALLI"},
        {"KASKO", "Kasko:", "KASKO"},
        {"INCENFURT", "Inc./Furt.:", "INCEDIO/FURTO"},
        {"INFIAMMAB", "Infiamm.:", "INFIAMMABILE"},
        {"ATTIVAND", "Atti v.:", "ATTI VANDALICI"},
        {"DANNIINC", "Danni in.:", "DANNI INCENDIO"},
        {"RITPAT", "Rit.pat.:", "RITIRO PATENTE"},
        {"TUTLEG", "Tut.leg.:", "TUTELA LEGALE"},
        {"ASSIST", "Assist.:", "ASSISTENZA"},
        {"AUTOPB", "A P&&B:", "AUTO PRESTO & BENE"},
        {"OCTOTEL", "Octo tel.:", "OCTO TELEMATICS"},
        {"RINURIV", "Rin.riv.:", "RINUNCIA ALLA RIVALSA"},
        {"SOSPINC", "Sos.inc.:", "SOSPENSIONE INCONDIZIONATA"},
        {"EVEATM", "Ev.atm.:", "EVENTI ATMOSFERICI"},
        {"GUIDAESP", "G. esp:", "GUIDA ESPERTA"},
        {"GANCIOTR", "G. traino:", "GANCIO TRAINO"},
        {"BONUSPRO", "B. prot.:", "BONUS PROTETTO"},
        {"ANIMSELV", "An. selv.:", "ANIMALI SELVATICI"},
        {"COLLISIO", "Collisione:", "COLLISIONE"},
    }};
    return all;
}

RenewalPolicy ADATIPOL_(Workspace& ws, const std::string& number)
{
    RenewalPolicy r;
    Table* p = policyOf(ws, number);
    if (!p) return r;
    r.found = true;
    r.code = p->raw("CODICE");
    r.insured = p->text("ASSICURATO");
    r.coverage = p->date("COPERTURA");
    r.agreement = p->text("RAPPORTO");
    r.branch = p->text("RAMO");
    r.producer = p->text("PRODUTTORE");
    r.company = p->text("COMPAGNIA");
    r.effect = p->date("EFFETTO");
    r.effectHour = p->text("ORAEFF");
    r.expiry = p->date("SCADENZA");
    r.fraction = p->text("FRAZIONAM");
    r.connected1 = p->text("POLCOLL1");
    r.connected2 = p->text("POLCOLL2");
    r.premium = p->number("IMPORTO");
    r.fee = p->number("COMMISS");
    r.notes = p->memo("NOTE");
    if (Table* d = lookup(ws, "DATIAUTO_"); d && d->seek(r.code)) {
        r.hasSheet = true;
        r.plate = d->text("TARGA");
        r.vehicle = d->text("VEICOLO");
        r.make = d->text("MARCA");
        r.model = d->text("MODELLO");
        r.vehicleValue = d->number("VALORE");
        r.guarantee1 = d->text("GARANZIA1");
        r.guarantee2 = d->text("GARANZIA2");
        r.limits = d->text("MASSIMALI");
        for (size_t i = 0; i < motorOptions().size(); ++i) r.options[i] = d->logical(motorOptions()[i].field);
    }
    if (Table* c = lookup(ws, "CLIENTI_"); c && filled(r.insured) && c->seek(indexKey(trim(r.insured), kNameWidth, true))) {
        r.hasClient = true;
        r.email = c->text("E_MAIL");
        r.address = c->text("INDIRIZZO");
        r.town = c->text("CITTA");
        r.postCode = c->text("CAP");
        r.province = c->text("PROVINCIA");
        r.taxCode = c->text("CODICEFISC");
        r.pec = c->text("PEC");
        r.homePhone = c->text("TELCASA");
        r.officePhone = c->text("TELUFFICIO");
        r.mobile = c->text("CELLULARE");
        r.fax = c->text("FAX");
        r.clientNotes = c->memo("NOTE");
    }
    return r;
}

std::function<void()> openRenewalLookups(Workspace& ws)
{
    return openLookupCursors(
        ws, {{"POLIZZE", "POLIZZE_", "NUMPOL"}, {"DATIAUTO", "DATIAUTO_", "DATIAUTO"}, {"CLIENTI", "CLIENTI_", "CLIENTI"}});
}

std::string renewalInsured(Workspace& ws, const std::string& number)
{
    Table* p = policyOf(ws, number);
    return p ? p->text("ASSICURATO") : std::string();
}

std::string otherGuarantees(const RenewalPolicy& p)
{
    std::vector<std::string> parts;
    for (const std::string& g : {p.guarantee1, p.guarantee2})
        if (filled(g)) parts.push_back(trim(g));
    for (size_t i = 0; i < motorOptions().size(); ++i)
        if (p.options[i]) parts.push_back(motorOptions()[i].words);
    std::string out;
    for (const std::string& s : parts) out += (out.empty() ? "" : ", ") + s;
    return out;
}

// ---------------------------------------------------------------- a row's figures

int GIOSCA_(const Table& row)
{
    const long g = row.number("GIOSCA").toLongLong();
    return g <= 0 ? kDefaultGrace : static_cast<int>(g);
}

Decimal IMPPRO2_(const Table& row, int option)
{
    if (option == 1) return row.number("IMPATT");
    if (option >= 2 && option <= kNewQuotes + 1) return row.number(quotePremium(option - 1));
    return Decimal();
}

Decimal renewalTotal(const Table& row)
{
    return IMPPRO2_(row, static_cast<int>(row.number("NUMSEL").toLongLong())) + row.number("COMMISS");
}

Date renewalDeadline(Date due, int graceDays)
{
    if (!due) return Date();
    return due.addDays(graceDays <= 0 ? kDefaultGrace : graceDays);
}

// ---------------------------------------------------------------- "Aggiungi"

std::string selectionProblem(const RenewalSelection& s)
{
    if (!s.from || !s.to) return kMsgCoverageDates;
    if (s.to < s.from) return "La data finale precede la data iniziale.";
    return {};
}

bool inSelection(const RenewalSelection& s, const RenewalPolicy& p)
{
    if (!p.found || !p.coverage || p.coverage < s.from || s.to < p.coverage) return false;
    if (filled(s.agreement) && upperTrim(p.agreement) != upperTrim(s.agreement)) return false;
    if (filled(s.producer) && upperTrim(p.producer) != upperTrim(s.producer)) return false;
    return true;
}

AddedRenewals addRenewals(Workspace& ws, const RenewalSelection& s)
{
    AddedRenewals out;
    if (!selectionProblem(s).empty()) return out;
    // The active policies of the selection, in number order, and every number of the register
    // with whether its policy falls within the selection.
    std::vector<std::string> selected;
    std::set<std::string> wanted;
    {
        // In physical order (read ahead), then sorted as the number index holds them.
        OwnTable policies(ws, "POLIZZE", true);
        for (policies->goTop(); !policies->eof(); policies->skip(1)) {
            const Date c = policies->date("COPERTURA");
            if (!c || c < s.from || s.to < c) continue;
            if (filled(s.agreement) && upperTrim(policies->text("RAPPORTO")) != upperTrim(s.agreement)) continue;
            if (filled(s.producer) && upperTrim(policies->text("PRODUTTORE")) != upperTrim(s.producer)) continue;
            if (filled(policies->text("SOSTDA")) || policies->logical("DISDETTA")) continue;
            selected.push_back(policies->raw("POLIZZA"));
            wanted.insert(policies->raw("POLIZZA"));
        }
        std::sort(selected.begin(), selected.end());
    }
    OwnTable rows(ws, "QUIETANZ");
    OwnTable numbers(ws, "POLIZZE", true);
    numbers->ordAdd("NUMPOL");
    // Clean-up: a row of the selection whose policy is no longer active, or whose policy is gone.
    std::vector<uint32_t> stale;
    for (rows->goTop(); !rows->eof(); rows->skip(1)) {
        const std::string number = rows->raw("POLIZZA");
        if (wanted.count(number)) continue;
        if (!numbers->seek(number)) {
            stale.push_back(rows->recno());
            continue;
        }
        const Date c = numbers->date("COPERTURA");
        if (!c || c < s.from || s.to < c) continue;
        if (filled(s.agreement) && upperTrim(numbers->text("RAPPORTO")) != upperTrim(s.agreement)) continue;
        if (filled(s.producer) && upperTrim(numbers->text("PRODUTTORE")) != upperTrim(s.producer)) continue;
        stale.push_back(rows->recno());
    }
    for (uint32_t r : stale) {
        rows->goTo(r);
        if (rows->eof() || rows->deleted()) continue;
        rows->del();
        ++out.removed;
    }
    // The rows present are read again under the table lock, so that two workstations adding the
    // same selection add each policy once.
    rows->lock(false);
    struct Release {
        Table& t;
        ~Release()
        {
            try {
                t.setBulk(false);
                t.unlock();
            } catch (...) {
            }
        }
    } release{*rows};
    rows->setBulk(true);
    std::set<std::string> present;
    for (rows->goTop(); !rows->eof(); rows->skip(1)) present.insert(rows->raw("POLIZZA"));
    for (const std::string& number : selected) {
        if (present.count(number)) continue;
        rows->append(true);
        rows->setRaw("POLIZZA", number);
        rows->setNumber("GIOSCA", Decimal(kDefaultGrace));
        rows->commit();
        present.insert(number);
        ++out.added;
    }
    return out;
}

// ---------------------------------------------------------------- the row dialog

const std::vector<std::string>& renewalPages()
{
    static const std::vector<std::string> pages = {"Ns. polizza", "Dati auto", "Premio rinnovo", "Contatti"};
    return pages;
}

const std::vector<EditField>& renewalFields()
{
    static const std::vector<EditField> fields = [] {
        std::vector<EditField> f;
        auto shown = [&f](int id, const char* label, const char* field, FieldKind kind, std::string mask, int page,
                          const char* group = "") {
            EditField e = editField(id, label, dialogOnly(field), kind, std::move(mask), page);
            e.readOnly = true;
            e.stored = false;
            e.group = group;
            f.push_back(e);
            return &f.back();
        };
        auto recompute = [](EditValues& v) { recomputeRenewal(v); };
        // "Ns. polizza"
        shown(101, "Compagnia:", name::company, FieldKind::Text, "", kPagePolicy)->width = 35;
        shown(102, "Rapporto:", name::agreement, FieldKind::Text, "", kPagePolicy)->width = 35;
        EditField number = textField(kRFNumber, "Polizza n.:", "POLIZZA", "", kPagePolicy);
        number.readOnly = true;
        f.push_back(number);
        shown(104, "Ramo:", name::branch, FieldKind::Text, "", kPagePolicy)->width = 20;
        shown(105, "Produttore:", name::producer, FieldKind::Text, "", kPagePolicy)->width = 35;
        shown(106, "Effetto:", name::effect, FieldKind::Date, "", kPagePolicy);
        shown(107, "Ora", name::hour, FieldKind::Text, "", kPagePolicy)->width = 5;
        f.back().sameRow = true;
        shown(108, "Scadenza:", name::expiry, FieldKind::Date, "", kPagePolicy);
        shown(109, "Frazionamento:", name::fraction, FieldKind::Text, "", kPagePolicy)->width = 14;
        shown(110, "Polizze collegate:", name::connected1, FieldKind::Text, "", kPagePolicy)->width = 25;
        shown(111, "", name::connected2, FieldKind::Text, "", kPagePolicy)->width = 25;
        f.back().sameRow = true;
        EditField grace = numberField(kRFGrace, "Giorni scadenza:", "GIOSCA", "99", kPagePolicy);
        grace.rule = requiredRule;
        f.push_back(grace);
        EditField notes = memoField(119, "Note:", dialogOnly(name::notes), kPagePolicy);
        notes.readOnly = true;
        notes.stored = false;
        f.push_back(notes);
        shown(112, "Importo:", name::premium, FieldKind::Number, kMoneyMask, kPagePolicy, "Premio precedente");
        shown(113, "Consulenza:", name::fee, FieldKind::Number, kMoneyMask, kPagePolicy, "Premio precedente");
        shown(114, "Totale:", name::total, FieldKind::Number, kMoneyMask, kPagePolicy, "Premio precedente");
        shown(115, "Importo:", name::renewal, FieldKind::Number, kMoneyMask, kPagePolicy, "Premio rinnovo");
        shown(116, "Consulenza:", name::renewalFee, FieldKind::Number, kMoneyMask, kPagePolicy, "Premio rinnovo");
        shown(117, "Totale:", name::renewalTotal, FieldKind::Number, kMoneyMask, kPagePolicy, "Premio rinnovo");

        // "Dati auto"
        auto vehicle = [&](int id, const char* label, FieldName field, int width) {
            EditField e = textField(id, label, field, "", kPageVehicle);
            e.readOnly = true;
            e.width = width;
            f.push_back(e);
            return &f.back();
        };
        vehicle(201, "Tipo veicolo:", "VEICOLO", 20);
        vehicle(202, "Marca:", "MARCA", 20);
        vehicle(203, "Modello:", "MODELLO", 20);
        vehicle(204, "Targa:", "TARGA", 10);
        vehicle(205, "Garanzie:", "GARANZIA1", 20);
        vehicle(206, "", "GARANZIA2", 20)->sameRow = true;
        f.push_back(numberField(207, "Valore veic.:", "VALORE", kValueMask, kPageVehicle));
        f.push_back(choiceField(208, "Massim. R.C.:", "MASSIMALI", [] { return AMASSIMALI(); }, false, kPageVehicle));
        int id = 220;
        for (const MotorOption& o : motorOptions()) f.push_back(logicalField(id++, o.label, o.field, kPageVehicle));

        // "Premio rinnovo"
        shown(301, "Rapporto:", name::current, FieldKind::Text, "", kPagePremium, "Situazione attuale")->width = 35;
        EditField current = numberField(kRFCurrentPremium, "Premio:", "IMPATT", kMoneyMask, kPagePremium);
        current.group = "Situazione attuale";
        current.changed = recompute;
        f.push_back(current);
        auto option = [&](int k) {
            EditField o = logicalField(kRFOption1 + (k - 1) * 3, "", dialogOnly(""), kPagePremium);
            o.field = optionName(k);
            o.radio = true;
            o.stored = false;
            o.sameRow = true;
            o.changed = [k](EditValues& v) { chooseOption(v, k); };
            f.push_back(o);
        };
        option(1);
        shown(330, "Rapporto:", name::proposed, FieldKind::Text, "", kPagePremium, "Premio proposto")->width = 35;
        shown(331, "Premio:", name::proposedPremium, FieldKind::Number, kMoneyMask, kPagePremium, "Premio proposto");
        EditField fee = numberField(kRFFee, "Consulenza:", "COMMISS", kMoneyMask, kPagePremium);
        fee.group = "Premio proposto";
        fee.changed = recompute;
        f.push_back(fee);
        shown(341, "Totale:", name::proposedTotal, FieldKind::Number, kMoneyMask, kPagePremium, "Premio proposto");
        f.push_back(memoField(342, "Note:", "NOTE", kPagePremium));
        for (int k = 1; k <= kNewQuotes; ++k) {
            EditField a = choiceField(kRFOption1 + 1 + (k - 1) * 3, "Rapporto:", quoteAgreement(k),
                                      [] { return emptyFirst(ACOMPAGNIE(workspace())); }, true, kPagePremium);
            a.group = "Nuovi preventivi";
            a.changed = recompute;
            a.width = 30;
            f.push_back(a);
            EditField p = numberField(kRFOption1 + 2 + (k - 1) * 3, "Premio:", quotePremium(k), kMoneyMask, kPagePremium);
            p.sameRow = true;
            p.group = "Nuovi preventivi";
            p.changed = recompute;
            f.push_back(p);
            option(k + 1);
            f.back().group = "Nuovi preventivi";
        }
        EditField chosen = numberField(343, "", "NUMSEL", "9", kPagePremium);
        f.push_back(chosen);

        // "Contatti"
        id = 401;
        for (const ContactField& c : kContacts) {
            EditField e = editField(id++, c.label, dialogOnly(c.value), c.memo ? FieldKind::Memo : FieldKind::Text,
                                    c.mask, kPageContacts);
            e.width = c.width;
            e.stored = false;
            f.push_back(e);
        }
        return f;
    }();
    return fields;
}

namespace {

// The field of the dialog named NAME.
const EditField* renewalField(std::string_view n)
{
    for (const EditField& f : renewalFields())
        if (Mask::upper(f.field) == Mask::upper(std::string(n))) return &f;
    return nullptr;
}

void setNumber(EditValues& v, std::string_view n, const Decimal& d)
{
    const EditField* f = renewalField(n);
    v.set(n, trim(Mask(f ? f->mask : std::string(kMoneyMask)).formatNumber(d, f && f->mask == "99" ? 0 : 2, 10)));
}

std::string agreementOf(const EditValues& v, int option)
{
    if (option == 1) return v.get(name::current);
    if (option >= 2 && option <= kNewQuotes + 1) return v.get(quoteAgreement(option - 1));
    return {};
}

Decimal premiumOf(const EditValues& v, int option)
{
    if (option == 1) return v.number("IMPATT");
    if (option >= 2 && option <= kNewQuotes + 1) return v.number(quotePremium(option - 1));
    return Decimal();
}

} // namespace

int chosenOption(const EditValues& v)
{
    const long n = v.number("NUMSEL").toLongLong();
    return n >= 1 && n <= kNewQuotes + 1 ? static_cast<int>(n) : 1;
}

void chooseOption(EditValues& v, int option)
{
    v.set("NUMSEL", std::to_string(std::clamp(option, 1, kNewQuotes + 1)));
    recomputeRenewal(v);
}

void recomputeRenewal(EditValues& v)
{
    const int option = chosenOption(v);
    v.set("NUMSEL", std::to_string(option));
    for (int k = 1; k <= kNewQuotes + 1; ++k) v.set(optionName(k), k == option ? "T" : "F");
    const Decimal premium = premiumOf(v, option), fee = v.number("COMMISS");
    v.set(name::proposed, agreementOf(v, option));
    setNumber(v, name::proposedPremium, premium);
    setNumber(v, name::proposedTotal, premium + fee);
    setNumber(v, name::renewal, premium);
    setNumber(v, name::renewalFee, fee);
    setNumber(v, name::renewalTotal, premium + fee);
}

EditValues renewalValues(Workspace& ws, const Table& row)
{
    EditValues v = recordValues(renewalFields(), row);
    const RenewalPolicy p = ADATIPOL_(ws, row.raw("POLIZZA"));
    v.set(name::company, p.company);
    v.set(name::agreement, p.agreement);
    v.set(name::branch, p.branch);
    v.set(name::producer, p.producer);
    v.set(name::effect, p.effect.toDisplay());
    v.set(name::hour, p.effectHour);
    v.set(name::expiry, p.expiry.toDisplay());
    v.set(name::fraction, p.fraction);
    v.set(name::connected1, p.connected1);
    v.set(name::connected2, p.connected2);
    v.set(name::notes, p.notes);
    setNumber(v, name::premium, p.premium);
    setNumber(v, name::fee, p.fee);
    setNumber(v, name::total, p.premium + p.fee);
    v.set(name::current, p.agreement);
    // The vehicle as the motor sheet holds it.
    v.set("VEICOLO", p.vehicle);
    v.set("MARCA", p.make);
    v.set("MODELLO", p.model);
    v.set("TARGA", p.plate);
    v.set("GARANZIA1", p.guarantee1);
    v.set("GARANZIA2", p.guarantee2);
    v.set("VALORE", value(p.vehicleValue));
    v.set("MASSIMALI", p.limits);
    for (size_t i = 0; i < motorOptions().size(); ++i) v.set(motorOptions()[i].field, p.options[i] ? "T" : "F");
    // The client's contacts.
    const std::string contacts[] = {p.address, p.town,       p.postCode,    p.province, p.email,      p.pec,
                                    p.homePhone, p.officePhone, p.mobile, p.fax,      p.clientNotes};
    for (size_t i = 0; i < std::size(kContacts); ++i) v.set(kContacts[i].value, contacts[i]);
    // A row not priced yet starts from the policy.
    if (row.number("IMPATT") <= Decimal()) setNumber(v, "IMPATT", p.premium);
    if (row.number("COMMISS") <= Decimal()) setNumber(v, "COMMISS", p.fee);
    if (row.number("GIOSCA").toLongLong() <= 0) v.set("GIOSCA", std::to_string(kDefaultGrace));
    recomputeRenewal(v);
    return v;
}

namespace {

// Writes into T the fields of the pairs (dialog value, table field) whose value the user changed;
// true when any was.
bool writeChanged(Table& t, const EditValues& before, const EditValues& after,
                  const std::vector<std::pair<std::string, FieldName>>& pairs)
{
    bool wrote = false;
    for (const auto& [shown, field] : pairs) {
        const std::string now = after.get(shown);
        if (now == before.get(shown)) continue;
        const int i = t.file().fieldIndex(field);
        if (i < 0) continue;
        switch (t.file().fields()[static_cast<size_t>(i)].type) {
        case 'N': t.setNumber(field, after.number(shown)); break;
        case 'L': t.setLogical(field, now == "T"); break;
        case 'M': t.setMemo(field, now); break;
        default: t.setText(field, now);
        }
        wrote = true;
    }
    return wrote;
}

} // namespace

SaveResult saveRenewal(Workspace& ws, Table& rows, uint32_t recno, const EditValues& before, const EditValues& after)
{
    if (DiskCheck d = ISPROTECTED(rows.folder()); d.value) return SaveResult{SaveResult::DiskProblem, d.message};
    // 1. The row, unless another workstation deleted it meanwhile.
    rows.goTo(recno);
    if (rows.eof() || rows.recno() != recno) return SaveResult{SaveResult::Saved, kMsgRowGone};
    rows.lock(true);
    Unlocker unlock{rows};
    if (rows.deleted()) return SaveResult{SaveResult::Saved, kMsgRowGone};
    const std::string number = rows.raw("POLIZZA");
    rows.setNumber("GIOSCA", after.number("GIOSCA"));
    rows.setNumber("IMPATT", after.number("IMPATT"));
    for (int k = 1; k <= kNewQuotes; ++k) {
        rows.setText(quoteAgreement(k), after.get(quoteAgreement(k)));
        rows.setNumber(quotePremium(k), after.number(quotePremium(k)));
    }
    rows.setNumber("COMMISS", after.number("COMMISS"));
    rows.setMemo("NOTE", after.get("NOTE"));
    rows.setNumber("NUMSEL", Decimal(chosenOption(after)));
    rows.commit();
    rows.unlock();
    unlock.armed = false;

    // 2. and 3. Only what the user changed: edits made meanwhile elsewhere stay.
    OwnTable policies(ws, "POLIZZE", true);
    policies->ordAdd("NUMPOL");
    if (!policies->seek(number)) return {};
    const std::string code = policies->raw("CODICE");
    const std::string insured = policies->text("ASSICURATO");
    {
        std::vector<std::pair<std::string, FieldName>> sheet;
        sheet.emplace_back("VALORE", FieldName("VALORE"));
        sheet.emplace_back("MASSIMALI", FieldName("MASSIMALI"));
        for (const MotorOption& o : motorOptions()) sheet.emplace_back(std::string(o.field.view()), o.field);
        OwnTable motor(ws, "DATIAUTO");
        motor->ordAdd("DATIAUTO");
        if (motor->seek(code)) {
            motor->lock(true);
            Unlocker u{*motor};
            if (!motor->deleted() && writeChanged(*motor, before, after, sheet)) motor->commit();
        }
    }
    if (filled(insured)) {
        std::vector<std::pair<std::string, FieldName>> contacts;
        for (const ContactField& c : kContacts) contacts.emplace_back(c.value, c.client);
        OwnTable clients(ws, "CLIENTI");
        clients->ordAdd("CLIENTI");
        if (clients->seek(indexKey(trim(insured), kNameWidth, true))) {
            clients->lock(true);
            Unlocker u{*clients};
            if (!clients->deleted() && writeChanged(*clients, before, after, contacts)) clients->commit();
        }
    }
    return {};
}

// ---------------------------------------------------------------- flags, collection, cancellation

namespace {

// Positions ROWS on RECNO and takes its lock; false (no lock held) when the row is gone.
bool lockRow(Table& rows, uint32_t recno)
{
    rows.goTo(recno);
    if (rows.eof() || rows.recno() != recno) return false;
    rows.lock(true);
    if (rows.deleted()) {
        rows.unlock();
        return false;
    }
    return true;
}

CollectionHook& hookSlot()
{
    static CollectionHook hook;
    return hook;
}

} // namespace

bool toggleRenewalFlag(Table& rows, uint32_t recno, FieldName flag)
{
    if (!lockRow(rows, recno)) return false;
    Unlocker u{rows};
    rows.setLogical(flag, !rows.logical(flag));
    rows.commit();
    return true;
}

bool setRenewalFlag(Table& rows, uint32_t recno, FieldName flag)
{
    if (!lockRow(rows, recno)) return false;
    Unlocker u{rows};
    rows.setLogical(flag, true);
    rows.commit();
    return true;
}

void setCollectionHook(CollectionHook hook) { hookSlot() = std::move(hook); }
const CollectionHook& collectionHook() { return hookSlot(); }

RowOutcome collectRenewal(Table& rows, uint32_t recno, const CollectionHook& collect)
{
    rows.goTo(recno);
    if (rows.eof() || rows.recno() != recno || rows.deleted()) return RowOutcome::Gone;
    const std::string number = rows.text("POLIZZA");
    if (!collect || !collect(number)) {
        rows.goTo(recno);
        return RowOutcome::Kept;
    }
    // The collection is saved: the row goes, unless another workstation took it already.
    if (!lockRow(rows, recno)) return RowOutcome::Gone;
    rows.del();
    return RowOutcome::Done;
}

RowOutcome cancelRenewal(Workspace& ws, Table& rows, uint32_t recno)
{
    if (!lockRow(rows, recno)) return RowOutcome::Gone;
    const std::string number = rows.raw("POLIZZA");
    rows.unlock();
    {
        OwnTable policies(ws, "POLIZZE");
        policies->ordAdd("NUMPOL");
        if (policies->seek(number)) {
            policies->lock(true);
            Unlocker u{*policies};
            if (!policies->deleted()) {
                policies->setLogical("DISDETTA", true);
                policies->commit();
            }
        }
    }
    if (!lockRow(rows, recno)) return RowOutcome::Done;
    rows.del();
    return RowOutcome::Done;
}

// ---------------------------------------------------------------- e-mails

std::string noticeSubject(NoticeKind kind, const std::string& number, const std::string& plate)
{
    std::string s = std::string(kind == NoticeKind::Notice ? "Avviso" : "Sollecito") + " di scadenza - Polizza n. " +
                    trim(number);
    if (filled(plate)) s += " - Targa: " + trim(plate);
    return s;
}

std::string noticeBody(NoticeKind kind, Date due, Date deadline, const Decimal& total, const AgencyIdentity& agency,
                       const std::string& freeText)
{
    std::string b;
    auto line = [&b](const std::string& s) { b += s + kCrlf; };
    line("Buongiorno,");
    line("");
    line(std::string("Con la presente Vi comunichiamo che è ") + (kind == NoticeKind::Notice ? "in scadenza" : "scaduta") +
         " la polizza in oggetto il giorno " + dateText(due) + ". Il premio di rinnovo è di  " + trim(ENSTR(total)) +
         ".");
    line("");
    if (kind == NoticeKind::Reminder) {
        line("La copertura cesserà pertanto entro le ore 24 del giorno " + dateText(deadline) + ".");
        line("");
    }
    line("Le nostre coordinate bancarie sono:");
    if (filled(agency.name)) line("Intestatario: " + trim(agency.name));
    if (filled(agency.bankName)) line("Banca: " + trim(agency.bankName));
    if (filled(agency.iban)) line("IBAN: " + trim(agency.iban));
    const std::string phone = filled(agency.paymentTelephone) ? agency.paymentTelephone : agency.telephone;
    line("E' possibile inoltre pagare con carta di credito da remoto richiedendoci il link personalizzato al numero " +
         trim(phone) + ".");
    line("");
    if (filled(freeText)) {
        std::string text = freeText;
        for (size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += 2)
            if (at == 0 || text[at - 1] != '\r') text.insert(at, "\r");
            else --at;
        line(text);
        line("");
    }
    line("Non esitate a contattarci, saremo lieti di consigliarvi al meglio.");
    line("Potete trovarci tutti i giorni dal lunedì al venerdì presso i nostri uffici " +
         (filled(agency.officeHours) ? trim(agency.officeHours) : std::string(kOfficeHours)) + ".");
    line("Cordiali Saluti.");
    for (const std::string& s : agency.signatureBlock()) line(s);
    return b;
}

std::string requestSubject(CompanyRequest kind, const std::string& insured)
{
    std::string who = trim(insured);
    // The insured is cut, never the words before it.
    if (utf8Length(who) > kNameWidth) {
        size_t chars = 0, i = 0;
        for (; i < who.size(); ++i) {
            if ((static_cast<unsigned char>(who[i]) & 0xC0) != 0x80 && chars++ == kNameWidth) break;
        }
        who = rtrim(who.substr(0, i));
    }
    return std::string(kind == CompanyRequest::Quote ? "Preventivo polizza RC Auto - "
                                                     : "Richiesta emissione polizza RC Auto - ") +
           who;
}

std::string requestBody(CompanyRequest kind, const RenewalPolicy& p, const Decimal& premium,
                        const AgencyIdentity& agency)
{
    std::string b;
    auto line = [&b](const std::string& s) { b += s + kCrlf; };
    line("Gentile Compagnia,");
    if (kind == CompanyRequest::Quote)
        line("in riferimento al successivo rischio RC Auto, con la presente siamo a chiederVi la Vostra migliore "
             "quotazione con frazionamento annuale e semestrale del pagamento:");
    else
        line("in riferimento al Vostro preventivo RC Auto, con la presente siamo a chiederVi l'emissione della polizza:");
    line("");
    line("Contraente della polizza: " + trim(p.insured));
    line("Indirizzo: " + trim(p.address));
    line("Città: " + trim(p.town) + " C.A.P.: " + trim(p.postCode) + " PR.: " + trim(p.province));
    line("Codice fiscale: " + trim(p.taxCode));
    line("");
    line("Tipo veicolo: " + trim(p.vehicle));
    line("Marca: " + trim(p.make));
    line("Modello: " + trim(p.model));
    line("Targa: " + trim(p.plate));
    line("");
    if (const std::string others = otherGuarantees(p); !others.empty()) line("Altre garanzie A.R.D.: " + others);
    if (kind == CompanyRequest::Quote) {
        line("Nel rimanere a Vostra completa disposizione per ogni eventuale ulteriore chiarimento in merito, Vi "
             "inviamo i nostri più cordiali saluti.");
    } else {
        line("Premio: " + trim(ENSTR(premium)));
        line("Nell'attesa di ricevere quanto sopra, porgiamo cordiali saluti.");
    }
    line("Servizio Clienti");
    for (const std::string& s : agency.signatureBlock()) line(s);
    return b;
}

std::vector<std::string> requestRecipients(Workspace& ws, const Table& rows, CompanyRequest kind)
{
    std::vector<std::string> out;
    auto addressOf = [&ws](const std::string& agreement) { return trim(ADATICOMP(ws, trim(agreement)).email); };
    if (kind == CompanyRequest::Quote) {
        for (int k = 1; k <= kNewQuotes; ++k) {
            const std::string agreement = rows.text(quoteAgreement(k));
            if (!filled(agreement) || rows.number(quotePremium(k)) > Decimal()) continue;
            if (std::string a = addressOf(agreement); !a.empty()) out.push_back(a);
        }
        return out;
    }
    const int option = static_cast<int>(rows.number("NUMSEL").toLongLong());
    if (option < 2 || option > kNewQuotes + 1) return out;
    const std::string agreement = rows.text(quoteAgreement(option - 1));
    if (!filled(agreement) || rows.number(quotePremium(option - 1)) <= Decimal()) return out;
    if (std::string a = addressOf(agreement); !a.empty()) out.push_back(a);
    return out;
}

namespace {

void tell(const RenewalMailHooks& h, const std::string& m)
{
    if (h.tell) h.tell(m);
}

} // namespace

bool mailNotice(Workspace& ws, Table& rows, uint32_t recno, NoticeKind kind, const std::string& iniPath,
                const RenewalMailHooks& hooks)
{
    rows.goTo(recno);
    if (rows.eof() || rows.recno() != recno || rows.deleted()) return false;
    const std::string title = kind == NoticeKind::Notice ? "Avviso" : "Sollecito";
    IniFile ini(iniPath);
    std::string text = decodeLineBreaks(ini.get(kNoticeSection, kNoticeKey));
    if (hooks.noticeText) {
        if (!hooks.noticeText(text, title)) return false;
        ini.set(kNoticeSection, kNoticeKey, encodeLineBreaks(text));
    }
    const RenewalPolicy p = ADATIPOL_(ws, rows.raw("POLIZZA"));
    AgencyIdentity agency;
    agency.load(ini);
    MailDraft d;
    d.name = "EMAILAVV";
    d.title = title;
    d.recipients = {trim(p.email)};
    d.askRecipient = true;
    d.alsoTo = mailCopyAddress(ini);
    d.subject = noticeSubject(kind, rows.text("POLIZZA"), p.plate);
    d.body = noticeBody(kind, p.coverage, renewalDeadline(p.coverage, GIOSCA_(rows)), renewalTotal(rows), agency, text);
    if (hooks.compose && !hooks.compose(d)) return false;
    if (!draftProblem(d, MailSettings::load(ini)).empty()) {
        tell(hooks, draftProblem(d, MailSettings::load(ini)));
        return false;
    }
    const DraftSending s = sendDraft(d, MailSettings::load(ini), hooks.send);
    if (s.sent.empty()) {
        tell(hooks, kMsgMailFailed);
        return false;
    }
    setRenewalFlag(rows, recno, kind == NoticeKind::Notice ? FieldName("AVVISO") : FieldName("SOLLECITO"));
    tell(hooks, kMsgMailSent);
    return true;
}

size_t mailRequest(Workspace& ws, Table& rows, uint32_t recno, CompanyRequest kind, const std::string& iniPath,
                   const RenewalMailHooks& hooks)
{
    rows.goTo(recno);
    if (rows.eof() || rows.recno() != recno || rows.deleted()) return 0;
    const std::vector<std::string> to = requestRecipients(ws, rows, kind);
    if (to.empty()) {
        tell(hooks, kMsgNoMessageSent);
        return 0;
    }
    IniFile ini(iniPath);
    const RenewalPolicy p = ADATIPOL_(ws, rows.raw("POLIZZA"));
    AgencyIdentity agency;
    agency.load(ini);
    MailDraft d;
    d.name = "EMAILPRE";
    d.title = kind == CompanyRequest::Quote ? "Richiesta preventivo" : "Richiesta emissione polizza";
    d.recipients = to;
    d.cc = mailCopyAddress(ini);
    d.subject = requestSubject(kind, p.insured);
    d.body = requestBody(kind, p, IMPPRO2_(rows, static_cast<int>(rows.number("NUMSEL").toLongLong())), agency);
    if (hooks.compose && !hooks.compose(d)) return 0;
    const MailSettings settings = MailSettings::load(ini);
    if (const std::string problem = draftProblem(d, settings); !problem.empty()) {
        tell(hooks, problem);
        return 0;
    }
    const DraftSending s = sendDraft(d, settings, hooks.send);
    tell(hooks, sentCountMessage(s.sent.size()));
    return s.sent.size();
}

// ---------------------------------------------------------------- search, listing, export

const std::vector<SearchField>& renewalSearch()
{
    static const std::vector<SearchField> all = [] {
        enum { kInsured, kAgreement, kProducer, kDueFrom, kDueTo, kDeadlineFrom, kDeadlineTo, kFraction, kTotal, kNotices };
        auto policy = [](const Table& r) { return ADATIPOL_(workspace(), r.raw("POLIZZA")); };
        std::vector<SearchField> s(10);
        auto equalText = [policy](size_t i, std::string RenewalPolicy::*member) {
            return [i, member, policy](const std::vector<std::string>& t) -> RecordPredicate {
                const std::string want = upperTrim(t[i]);
                if (want.empty()) return {};
                return [want, member, policy](const Table& r) { return upperTrim(policy(r).*member) == want; };
            };
        };
        s[kInsured] = customSearch(101, "Assicurato:", FieldKind::Text, equalText(kInsured, &RenewalPolicy::insured));
        s[kAgreement] =
            customSearch(102, "Rapporto:", FieldKind::Choice, equalText(kAgreement, &RenewalPolicy::agreement));
        s[kAgreement].list = [] { return emptyFirst(ACOMPAGNIE(workspace())); };
        s[kProducer] = customSearch(103, "Produttore:", FieldKind::Choice, equalText(kProducer, &RenewalPolicy::producer));
        s[kProducer].list = [] { return emptyFirst(APRODUTT(workspace())); };
        auto range = [policy](size_t from, size_t to, bool deadline) {
            return [=](const std::vector<std::string>& t) -> RecordPredicate {
                const Date a = Date::fromDisplay(t[from]), b = Date::fromDisplay(t[to]);
                if (!a && !b) return {};
                return [=](const Table& r) {
                    const Date due = policy(r).coverage;
                    const Date d = deadline ? renewalDeadline(due, GIOSCA_(r)) : due;
                    if (!d) return false;
                    return (!a || !(d < a)) && (!b || !(b < d));
                };
            };
        };
        s[kDueFrom] = customSearch(104, "Data: dal", FieldKind::Date, range(kDueFrom, kDueTo, false));
        s[kDueTo] = customSearch(105, "al", FieldKind::Date, {});
        s[kDeadlineFrom] = customSearch(106, "Scadenza: dal", FieldKind::Date, range(kDeadlineFrom, kDeadlineTo, true));
        s[kDeadlineTo] = customSearch(107, "al", FieldKind::Date, {});
        s[kFraction] = customSearch(108, "Frazionamento:", FieldKind::Choice, equalText(kFraction, &RenewalPolicy::fraction));
        s[kFraction].list = [] { return AFRAZ(); };
        s[kTotal] = customSearch(109, "Totale:", FieldKind::Number, [](const std::vector<std::string>& t) -> RecordPredicate {
            if (!filled(t[kTotal])) return {};
            std::optional<Decimal> want = Mask(kMoneyMask).parseNumber(t[kTotal]);
            if (!want) return {};
            return [w = *want](const Table& r) { return renewalTotal(r) == w; };
        });
        s[kTotal].mask = kMoneyMask;
        s[kNotices] = customSearch(110, "Avvisi:", FieldKind::Choice, [](const std::vector<std::string>& t) -> RecordPredicate {
            const std::string v = trim(t[kNotices]);
            if (v == "Da avvisare") return [](const Table& r) { return !r.logical("AVVISO") && !r.logical("SOLLECITO"); };
            if (v == "Avvisati") return [](const Table& r) { return r.logical("AVVISO"); };
            if (v == "Sollecitati") return [](const Table& r) { return r.logical("SOLLECITO"); };
            return {};
        });
        s[kNotices].list = [] { return std::vector<std::string>{"", "Da avvisare", "Avvisati", "Sollecitati"}; };
        return s;
    }();
    return all;
}

PrintDocument printRenewals(Workspace& ws, Table& rows, bool preview)
{
    // The policy of the row being printed, read once per row.
    struct Current {
        uint32_t recno = 0;
        RenewalPolicy p;
    };
    auto current = std::make_shared<Current>();
    auto policy = [&ws, &rows, current]() -> const RenewalPolicy& {
        if (current->recno != rows.recno()) {
            current->recno = rows.recno();
            current->p = ADATIPOL_(ws, rows.raw("POLIZZA"));
        }
        return current->p;
    };
    ReportDescription d;
    d.title = "Stampa quietanzamento";
    d.headings = {"STAMPA QUIETANZAMENTO"};
    d.font = PrintFont{"Arial", 8};
    d.landscape = true;
    d.totalLabel = "TOTALE";
    auto text = [policy](std::string RenewalPolicy::*m) { return [policy, m] { return ReportValue(policy().*m); }; };
    d.columns = {
        {"ASSICURATO", text(&RenewalPolicy::insured), "", 25},
        {"DATA", [policy] { return ReportValue(policy().coverage); }, "", 8},
        {"COMPAGNIA", text(&RenewalPolicy::company), "", 25},
        {"POLIZZA", [&rows] { return ReportValue(rows.text("POLIZZA")); }, "", 20},
        {"RAMO", text(&RenewalPolicy::branch), "", 20},
        {"PRODUTTORE", text(&RenewalPolicy::producer), "", 25},
        {"TARGA", text(&RenewalPolicy::plate), "", 15},
        {"TOTALE", [&rows] { return ReportValue(renewalTotal(rows)); }, kMoneyMask, 0, true},
    };
    return runReport(d, tableRows(rows), preview);
}

bool writeRenewalsSpreadsheet(Workspace& ws, Table& rows, const std::string& path,
                              const std::function<void(uint32_t)>& progress)
{
    const bool atEnd = rows.eof();
    const uint32_t here = rows.recno();
    struct Back {
        Table& t;
        bool atEnd;
        uint32_t here;
        ~Back()
        {
            try {
                if (atEnd) {
                    t.goBottom();
                    t.skip(1);
                } else {
                    t.goTo(here);
                }
            } catch (...) {
            }
        }
    } back{rows, atEnd, here};
    const char* money = "#,##0.00";
    SheetWriter w(path,
                  {{"ASSICURATO"}, {"CODICE FISCALE"}, {"INDIRIZZO"}, {"CITTA'"}, {"C.A.P."}, {"PROVINCIA"},
                   {"DATA", SheetCell::Date}, {"COMPAGNIA"}, {"POLIZZA"}, {"RAMO"}, {"PRODUTTORE"}, {"TARGA"},
                   {"TIPO VEICOLO"}, {"MARCA"}, {"MODELLO"}, {"VALORE VEICOLO", SheetCell::Number, money},
                   {"PREMIO PRECEDENTE", SheetCell::Number, money}, {"PREMIO", SheetCell::Number, money},
                   {"CONSULENZA", SheetCell::Number, money}, {"TOTALE", SheetCell::Number, money}},
                  true);
    if (!w.ok()) return false;
    for (rows.goTop(); !rows.eof(); rows.skip(1)) {
        const RenewalPolicy p = ADATIPOL_(ws, rows.raw("POLIZZA"));
        const Decimal premium = IMPPRO2_(rows, static_cast<int>(rows.number("NUMSEL").toLongLong()));
        w.add({p.insured, p.taxCode, p.address, p.town, p.postCode, p.province, p.coverage, p.company,
               rows.text("POLIZZA"), p.branch, p.producer, p.plate, p.vehicle, p.make, p.model, p.vehicleValue,
               p.premium, premium, rows.number("COMMISS"), premium + rows.number("COMMISS")});
        if (progress) progress(w.rows());
    }
    return w.close();
}

} // namespace arv::policies
