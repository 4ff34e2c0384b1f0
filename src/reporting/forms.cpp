#include "reporting/forms.h"

#include <algorithm>
#include <filesystem>
#include <cctype>
#include <map>
#include <set>

#include "common/checks.h"
#include "common/ini.h"
#include "common/letter.h"
#include "common/lists.h"
#include "common/mask.h"
#include "common/sheet.h"
#include "common/text.h"
#include "policies/policyletters.h"
#include "policies/sheets.h"
#include "records/lookups.h"
#include "registry/clients.h"
#include "store/keys.h"

namespace arv::reporting {

using namespace store;
using namespace records;

namespace {

// ---------------------------------------------------------------- fonts and small helpers

const PrintFont kBody("Arial", 11);
const PrintFont kBold("Arial", 11, true);
const PrintFont kTitle("Arial", 14, true);
const PrintFont kSmall("Arial", 8);
constexpr double kAddressColumn = 40;

std::string dateText(const Date& d) { return d ? d.toDisplay() : std::string(); }
std::string money(const Decimal& v, const char* mask = "@E 9,999,999.99") { return trim(Mask(mask).formatNumber(v)); }
std::string townLine(const std::string& cap, const std::string& town, const std::string& province)
{
    std::string s = trim(trim(cap) + " " + trim(town));
    if (filled(province)) s += " (" + trim(province) + ")";
    return trim(s);
}

void setNumber(EditValues& v, const std::string& field, const Decimal& value, const char* mask)
{
    v.set(field, value.isZero() && std::string(mask).find('Z') != std::string::npos ? std::string()
                                                                                      : trim(Mask(mask).formatNumber(value)));
}

// ---------------------------------------------------------------- lookups

struct PolicyInfo {
    bool found = false;
    std::string number, insured, company, agreement, branch, code, fraction;
    Decimal premium;
    Date coverage, effect, expiry;
    bool active = false;
};

PolicyInfo policyInfo(Workspace& ws, const std::string& number)
{
    PolicyInfo p;
    if (trim(number).empty()) return p;
    OwnTable t(ws, "POLIZZE", true);
    t->ordAdd("NUMPOL");
    if (!t->seek(indexKey(trim(number), 25))) return p;
    p.found = true;
    p.number = trim(t->text("POLIZZA"));
    p.insured = trim(t->text("ASSICURATO"));
    p.company = trim(t->text("COMPAGNIA"));
    p.agreement = trim(t->text("RAPPORTO"));
    p.branch = trim(t->text("RAMO"));
    p.code = t->raw("CODICE");
    p.fraction = trim(t->text("FRAZIONAM"));
    p.premium = t->number("IMPORTO");
    p.coverage = t->date("COPERTURA");
    p.effect = t->date("EFFETTO");
    p.expiry = t->date("SCADENZA");
    p.active = trim(t->text("SOSTDA")).empty() && !t->logical("DISDETTA");
    return p;
}

struct Motor {
    std::string vehicle, plate, make, model;
};

Motor motorOf(Workspace& ws, const std::string& code)
{
    Motor m;
    if (trim(code).empty()) return m;
    OwnTable t(ws, "DATIAUTO", true);
    t->ordAdd("DATIAUTO");
    if (!t->seek(policies::sheetKey(trim(code)))) return m;
    m.vehicle = trim(t->text("VEICOLO"));
    m.plate = trim(t->text("TARGA"));
    m.make = trim(t->text("MARCA"));
    m.model = trim(t->text("MODELLO"));
    return m;
}

struct Producer {
    std::string name, title, address, postCode, town, province;
};

Producer producerOf(Workspace& ws, const std::string& name)
{
    Producer p;
    OwnTable t(ws, "PRODUTT", true);
    t->ordAdd("PRODUTT");
    if (trim(name).empty() || !t->seek(indexKey(trim(name), 35, true))) return p;
    p.name = trim(t->text("PRODUTTORE"));
    p.title = trim(t->text("TITOLO"));
    p.address = trim(t->text("INDIRIZZO"));
    p.postCode = trim(t->text("CAP"));
    p.town = trim(t->text("CITTA"));
    p.province = trim(t->text("PROVINCIA"));
    return p;
}

// The client's town of birth as the register keeps it, else the one its tax code names.
std::string birthTown(Workspace& ws, const std::string& name)
{
    OwnTable t(ws, "CLIENTI", true);
    t->ordAdd("CLIENTI");
    if (trim(name).empty() || !t->seek(indexKey(trim(name), 35, true))) return {};
    const std::string town = trim(t->text("COMUNASC"));
    return town.empty() ? trim(COMUNASCCDF(ws, t->text("CODICEFISC"))) : town;
}

Decimal withholdingRate(Workspace& ws, const std::string& agreement)
{
    OwnTable t(ws, "COMPAGN", true);
    t->ordAdd("COMPAGN");
    if (trim(agreement).empty() || !t->seek(indexKey(trim(agreement), 35, true))) return Decimal();
    return t->number("ALIQRA");
}

std::vector<std::string> withEmpty(std::vector<std::string> l)
{
    if (l.empty() || !l.front().empty()) l.insert(l.begin(), std::string());
    return l;
}

// ---------------------------------------------------------------- the page

// The letterhead of letters and faxes: the agency's name and activity centred at the top, the
// footer of address, VAT number, telephone and fax at the foot of every page.
void letterhead(LetterWriter& w, const AgencyIdentity& a)
{
    TPRINTER& job = w.job();
    if (!job.pageOpen()) job.startPage();
    w.centred(trim(a.name), kTitle);
    if (filled(a.activity)) w.centred(trim(a.activity), PrintFont("Arial", 10, false, true));
    const std::vector<std::string> foot = a.footer();
    double row = 66 - 1 - static_cast<double>(foot.size());
    // The letter's text stops on the line above the footer.
    if (!foot.empty()) w.setLastRow(std::min(w.lastRow(), row - 1));
    for (const std::string& l : foot) {
        PageItem item;
        item.text = l;
        item.font = kSmall;
        item.align = TextAlign::Center;
        item.x = job.columnX(40);
        item.y = job.lineY(row++);
        job.addItem(std::move(item));
    }
    w.skip();
}

// The agency's box at the top left of receipts, with the boxes of the place of issue and the date.
void receiptHead(TPRINTER& job, const AgencyIdentity& a, const std::string& place, const Date& date)
{
    if (!job.pageOpen()) job.startPage();
    Sheet s(job);
    s.box(2, 7, 0, 32);
    s.put(2, 1, "Agenzia", kSmall);
    double r = 3;
    for (const std::string& l : {trim(a.name), trim(a.address), a.townLine(), filled(a.vatNumber) ? "P.IVA " + trim(a.vatNumber) : ""})
        if (!l.empty()) s.put(r++, 1, l, PrintFont("Arial", 9), TextAlign::Left, 31);
    s.box(2, 3, 35, 50);
    s.put(2, 36, "Luogo emissione", kSmall);
    s.put(3, 36, place, kBody, TextAlign::Left, 14);
    s.box(2, 3, 55, 70);
    s.put(2, 56, "Data", kSmall);
    s.put(3, 56, dateText(date), kBody);
}

void placeAndDate(LetterWriter& w, const FormEnv& env, const Date& date)
{
    w.line(env.agency.placeAndDate(date ? date : env.today));
}

void addressee(LetterWriter& w, const std::vector<std::string>& lines, double column = kAddressColumn)
{
    for (const std::string& l : lines)
        if (!trim(l).empty()) w.line(trim(l), column);
}

std::vector<std::string> clientAddress(Workspace& ws, const std::string& name)
{
    const ClientData c = ADATIASSI(ws, name);
    return {trim(c.title), trim(c.name.empty() ? name : c.name), trim(c.address), townLine(c.postCode, c.town, c.province)};
}

std::vector<std::string> agreementAddress(Workspace& ws, const std::string& agreement)
{
    const AgreementData c = ADATICOMP(ws, agreement);
    return {trim(c.companyLine1.empty() ? agreement : c.companyLine1), trim(c.companyLine2), trim(c.address),
            townLine(c.postCode, c.town, c.province)};
}

// "LABEL" bold and its value after it.
void labelled(LetterWriter& w, const std::string& label, const std::string& value, double column = 0,
              double valueColumn = 18, double width = 0)
{
    w.line(label, column, kBold);
    w.same(value, valueColumn, std::nullopt, width);
}

const std::vector<std::string> kFaxNote = {
    "Nota: il contenuto di questo fax è rivolto unicamente alla persona cui è destinato e può contenere",
    "informazioni tutelate legalmente. Se avete ricevuto per errore questo fax siete pregati cortesemente",
    "di avvisarci per telefono o fax."};

void faxNote(LetterWriter& w)
{
    w.skip();
    for (const std::string& l : kFaxNote) w.line(l, 0, kSmall);
}

void confidentiality(LetterWriter& w, const AgencyIdentity& a)
{
    w.skip(2);
    w.paragraph("Nota di riservatezza: le informazioni contenute in questo documento sono riservate e destinate "
                "unicamente alla persona che lo sottoscrive e al suo destinatario. Per ogni comunicazione in merito: " +
                    a.privacyContact() + ".",
                0, 0, false, kSmall);
}

// The head of a fax: title, date, addressee, attention, fax number, pages, the warning.
void faxHead(LetterWriter& w, const std::string& title, const Date& date, const std::string& to,
             const std::string& attention, const std::string& fax, const std::string& pages = {})
{
    w.skip();
    w.centred(title, kTitle);
    w.skip();
    labelled(w, "Data:", dateText(date), 0, 25);
    labelled(w, "Destinatario:", to, 0, 25);
    labelled(w, "Alla cortese attenzione:", attention, 0, 25);
    labelled(w, "N° telefax:", fax, 0, 25);
    if (!pages.empty()) labelled(w, "N° pagine:", pages, 0, 25);
    w.skip();
    w.line("In caso di ricezione incompleta od imperfetta Vi preghiamo contattare i ns. uffici", 0, kSmall);
    w.skip();
}

void signature(LetterWriter& w, const std::string& closing = "Distinti saluti.")
{
    w.skip(2);
    if (!closing.empty()) w.line(closing);
    w.skip(2);
    w.line("L'Agenzia", 50);
}

// ---------------------------------------------------------------- fields

int gId = 100;
EditField text(const std::string& label, const std::string& name, const std::string& mask = {}, int width = 0)
{
    EditField f = textField(++gId, label, dialogOnly(name), mask);
    f.width = width;
    return f;
}
EditField date(const std::string& label, const std::string& name) { return dateField(++gId, label, dialogOnly(name)); }
EditField number(const std::string& label, const std::string& name, const std::string& mask)
{
    return numberField(++gId, label, dialogOnly(name), mask);
}
EditField memo(const std::string& label, const std::string& name) { return memoField(++gId, label, dialogOnly(name)); }
EditField check(const std::string& label, const std::string& name) { return logicalField(++gId, label, dialogOnly(name)); }
EditField choice(const std::string& label, const std::string& name, std::function<std::vector<std::string>()> list,
                 bool typed = true)
{
    return choiceField(++gId, label, dialogOnly(name), std::move(list), typed);
}
EditField companies(const std::string& label, const std::string& name)
{
    return choice(label, name, [] { return withEmpty(ACOMPAGNIE(workspace())); });
}
EditField producers(const std::string& label, const std::string& name)
{
    return choice(label, name, [] { return withEmpty(APRODUTT(workspace())); }, false);
}
EditField client(const std::string& label, const std::string& name)
{
    EditField f = text(label, name, "", 35);
    f.pick = [name](Workspace& ws, const EditValues& v) { return registry::pickClient(ws, v.get(name)); };
    return f;
}
EditField required(EditField f)
{
    f.rule = requiredRule;
    return f;
}
EditField beside(EditField f)
{
    f.sameRow = true;
    return f;
}

// The policy's data into the fields named (empty names are skipped); nothing found empties them.
struct PolicyFill {
    std::string insured = {}, company = {}, agreement = {}, branch = {}, coverage = {}, premium = {}, effect = {};
};

void fillFromPolicy(Workspace& ws, const std::string& number, EditValues& v, const PolicyFill& f,
                    const char* premiumMask = "@ZE 9,999,999.99")
{
    const PolicyInfo p = policyInfo(ws, number);
    auto put = [&v](const std::string& name, const std::string& value) {
        if (!name.empty()) v.set(name, value);
    };
    put(f.insured, p.insured);
    put(f.company, p.company);
    put(f.agreement, p.agreement);
    put(f.branch, p.branch);
    put(f.coverage, dateText(p.coverage));
    put(f.effect, dateText(p.effect));
    if (!f.premium.empty()) setNumber(v, f.premium, p.premium, premiumMask);
}

void fillClientAddress(Workspace& ws, const std::string& name, EditValues& v, const std::string& prefix = {})
{
    const ClientData c = ADATIASSI(ws, name);
    const bool known = !trim(name).empty() && !c.name.empty();
    v.set(prefix + "TITOLO", known ? trim(c.title) : std::string());
    v.set(prefix + "INDIRIZZO", known ? trim(c.address) : std::string());
    v.set(prefix + "CITTA", known ? trim(c.town) : std::string());
    v.set(prefix + "CAP", known ? trim(c.postCode) : std::string());
    v.set(prefix + "PROVINCIA", known ? trim(c.province) : std::string());
}

void fillAgreementAddress(Workspace& ws, const std::string& agreement, EditValues& v, const std::string& prefix)
{
    const AgreementData c = ADATICOMP(ws, agreement);
    const bool known = !trim(agreement).empty() && !(c.companyLine1.empty() && c.address.empty());
    v.set(prefix + "INDIRIZZO", known ? trim(c.address) : std::string());
    v.set(prefix + "CITTA", known ? trim(c.town) : std::string());
    v.set(prefix + "CAP", known ? trim(c.postCode) : std::string());
    v.set(prefix + "PROVINCIA", known ? trim(c.province) : std::string());
}

// ---------------------------------------------------------------- the forms

const char* const kReminder[] = {
    "Da un controllo effettuato ci risulterebbe a tutt'oggi insoluto il pagamento relativo alla",
    "rata della polizza indicata in oggetto.",
    "Qualora Ella avesse nel contempo già provveduto al pagamento, ritenga nulla la",
    "presente. Se al contrario non lo avesse ancora fatto, La preghiamo di effettuare",
    "l'operazione entro e non oltre cinque giorni dal ricevimento della presente, per non",
    "incorrere nell'azione di recupero legale che verrà disposta dalla Compagnia e per",
    "evitare altresì l'aggravio delle spese legali e di giudizio.",
    "Certi di un Suo sollecito riscontro, Le inviamo i nostri più cordiali saluti."};
const char* const kRidReminder[] = {
    "Con la presente Le comunichiamo che il pagamento della Sua polizza in oggetto tramite",
    "modalità RID (addebito automatico in banca), non ha avuto esito positivo a causa di",
    "qualche inconveniente tecnico della Sua Banca.",
    "Pertanto, avvisandoLa che la rata suddetta risulta attualmente non pagata, La preghiamo",
    "di volersi recare presso il nostro ufficio per la relativa copertura."};

FormDesc faxForm()
{
    FormDesc f;
    f.choice = " Trasmissione fax";
    f.name = "FAX";
    f.title = "Trasmissione fax";
    f.fax = true;
    f.fields = {date("Data:", "DATA"), companies("Destinatario:", "DESTINAT"), text("Attenzione:", "ATTENZIONE", "", 35),
                text("Fax:", "FAX", "", 15), text("Pagine:", "PAGINE", "999", 3), memo("Messaggio:", "MESSAGGIO")};
    f.leave = [](Workspace& ws, const std::string& field, EditValues& v) {
        if (field == "DESTINAT") v.set("FAX", trim(ADATICOMP(ws, v.get("DESTINAT")).fax));
    };
    f.print = [](Workspace&, const FormEnv& env, const EditValues& v, TPRINTER& job) {
        LetterWriter w(job, kBody, 5);
        letterhead(w, env.agency);
        faxHead(w, "TRASMISSIONE FAX", v.date("DATA"), v.get("DESTINAT"), v.get("ATTENZIONE"), v.get("FAX"),
                v.get("PAGINE"));
        w.line("MESSAGGIO", 0, kBold);
        w.skip();
        w.paragraph(v.get("MESSAGGIO"));
        faxNote(w);
    };
    return f;
}

FormDesc letterForm()
{
    FormDesc f;
    f.choice = " Lettera";
    f.name = "LETTERA";
    f.title = "Lettera";
    f.fields = {date("Data:", "DATA"),
                client("Cliente:", "CLIENTE"),
                companies("Rapporto:", "RAPPORTO"),
                text("Polizza n.:", "POLIZZA", "", 25),
                text("Titolo:", "TITOLO", "", 20),
                text("Indirizzo:", "INDIRIZZO", "", 35),
                text("Città:", "CITTA", "", 25),
                text("C.A.P.:", "CAP", "99999", 5),
                text("Provincia:", "PROVINCIA", "@! AA", 2),
                text("Oggetto:", "OGGETTO", "", 60),
                memo("Testo:", "TESTO")};
    f.leave = [](Workspace& ws, const std::string& field, EditValues& v) {
        if (field == "POLIZZA") {
            fillFromPolicy(ws, v.get("POLIZZA"), v, {"CLIENTE", "", "RAPPORTO"});
            fillClientAddress(ws, v.get("CLIENTE"), v);
        } else if (field == "CLIENTE") {
            fillClientAddress(ws, v.get("CLIENTE"), v);
        }
    };
    f.print = [](Workspace&, const FormEnv& env, const EditValues& v, TPRINTER& job) {
        LetterWriter w(job, kBody, 5);
        letterhead(w, env.agency);
        w.skip(2);
        placeAndDate(w, env, v.date("DATA"));
        w.skip(2);
        addressee(w, {v.get("TITOLO"), v.get("CLIENTE"), v.get("INDIRIZZO"),
                      townLine(v.get("CAP"), v.get("CITTA"), v.get("PROVINCIA"))});
        w.skip(3);
        labelled(w, "OGGETTO:", v.get("OGGETTO"), 0, 12);
        w.skip(2);
        w.paragraph(v.get("TESTO"), 0, 0, true);
    };
    return f;
}

// The head of a letter to the policy's insured: letterhead, place and date, address, subject.
void clientLetterHead(Workspace& ws, LetterWriter& w, const FormEnv& env, const EditValues& v, const PolicyInfo& p)
{
    letterhead(w, env.agency);
    w.skip(2);
    placeAndDate(w, env, v.date("DATA"));
    w.skip(2);
    addressee(w, clientAddress(ws, p.insured));
    w.skip(3);
}

FormDesc refundForm()
{
    FormDesc f;
    f.choice = " Rimborso sinistro";
    f.name = "RIMBORSO";
    f.title = "Rimborso sinistro";
    f.fields = {date("Data:", "DATA"), text("Polizza n.:", "POLIZZA", "", 25), date("Data sinistro:", "DATASIN"),
                number("Rimborso:", "RIMBORSO", "@ZE 99,999.99")};
    f.print = [](Workspace& ws, const FormEnv& env, const EditValues& v, TPRINTER& job) {
        const PolicyInfo p = policyInfo(ws, v.get("POLIZZA"));
        LetterWriter w(job, kBody, 5);
        clientLetterHead(ws, w, env, v, p);
        labelled(w, "OGGETTO:", "Polizza n. " + trim(v.get("POLIZZA")), 0, 12);
        w.line("Compagnia: " + p.company, 12);
        w.line("Ramo: " + p.branch, 12);
        w.skip(2);
        w.paragraph("In riferimento al sinistro del " + dateText(v.date("DATASIN")) +
                        ", La informiamo che potrà ritirare il relativo assegno di rimborso di E " +
                        money(v.number("RIMBORSO")) + ", direttamente presso il nostro ufficio" +
                        (filled(env.agency.officeHours) ? " nei seguenti orari: " + trim(env.agency.officeHours) : "") + ".",
                    0, 0, true);
        signature(w);
    };
    return f;
}

FormDesc claimForm()
{
    FormDesc f;
    f.choice = " Denuncia sinistro conto cliente";
    f.name = "DENUNCIA";
    f.title = "Denuncia sinistro conto cliente";
    f.fields = {date("Data:", "DATA"),
                companies("Spett.le:", "DESTINAT"),
                text("Indirizzo:", "DINDIRIZZO", "", 35),
                text("Città:", "DCITTA", "", 25),
                text("C.A.P.:", "DCAP", "99999", 5),
                text("Provincia:", "DPROVINCIA", "@! AA", 2),
                choice("Oggetto:", "OGGETTO",
                       [] { return std::vector<std::string>{"Denuncia sinistro", "Denuncia cautelativa",
                                                            "Denuncia richiesta risarcimento danni"}; },
                       false),
                date("Sinistro del:", "DATASIN"),
                text("Polizza n.:", "POLIZZA", "", 25),
                text("Assicurato:", "ASSICURATO", "", 35),
                text("Veicolo:", "VEICOLO", "", 20),
                beside(text("Targa:", "TARGA", "@!", 12)),
                text("Compagnia:", "COMPAGNIA", "", 35),
                text("Denunciante:", "DENUNCIANT", "", 35),
                text("Veicolo controparte:", "CVEICOLO", "", 20),
                beside(text("Targa:", "CTARGA", "@!", 12)),
                text("Compagnia controparte:", "CCOMPAGNIA", "", 35),
                beside(text("Polizza:", "CPOLIZZA", "", 25)),
                memo("Descrizione:", "DESCRIZ")};
    f.prepare = [](Workspace&, const FormEnv&, EditValues& v) { v.set("OGGETTO", "Denuncia sinistro"); };
    f.leave = [](Workspace& ws, const std::string& field, EditValues& v) {
        if (field == "DESTINAT") fillAgreementAddress(ws, v.get("DESTINAT"), v, "D");
        if (field == "POLIZZA") {
            const PolicyInfo p = policyInfo(ws, v.get("POLIZZA"));
            const Motor m = motorOf(ws, p.code);
            v.set("ASSICURATO", p.insured);
            v.set("COMPAGNIA", p.company);
            v.set("VEICOLO", m.make.empty() ? m.vehicle : m.make + " " + m.model);
            v.set("TARGA", m.plate);
        }
    };
    f.print = [](Workspace&, const FormEnv& env, const EditValues& v, TPRINTER& job) {
        LetterWriter w(job, kBody, 5);
        letterhead(w, env.agency);
        w.skip();
        placeAndDate(w, env, v.date("DATA"));
        w.skip();
        w.line("RACCOMANDATA A.R.", 0, kBold);
        w.line("Spett.le", kAddressColumn);
        addressee(w, {v.get("DESTINAT"), v.get("DINDIRIZZO"), townLine(v.get("DCAP"), v.get("DCITTA"), v.get("DPROVINCIA"))});
        w.skip(2);
        labelled(w, "OGGETTO:", v.get("OGGETTO"), 0, 12);
        w.skip();
        const std::pair<const char*, std::string> rows[] = {
            {"Sinistro del:", dateText(v.date("DATASIN"))},
            {"Polizza n.:", v.get("POLIZZA")},
            {"Contraente:", v.get("ASSICURATO")},
            {"Veicolo:", v.get("VEICOLO")},
            {"Targa:", v.get("TARGA")},
            {"Assicurato con:", v.get("COMPAGNIA")},
            {"Controparte:", trim(v.get("DENUNCIANT") + " " + v.get("CVEICOLO") + " " + v.get("CTARGA") + " " +
                                  v.get("CCOMPAGNIA") + " " + v.get("CPOLIZZA"))}};
        for (const auto& [label, value] : rows) labelled(w, label, value, 0, 18);
        w.skip();
        w.paragraph(v.get("DESCRIZ"), 0, 0, true);
        signature(w);
    };
    return f;
}

FormDesc provisionalForm()
{
    FormDesc f;
    f.choice = " Incasso provvisorio";
    f.name = "INCASSO";
    f.title = "Incasso provvisorio";
    f.fields = {date("Data:", "DATA"), text("Polizza n.:", "POLIZZA", "", 25),
                number("Importo:", "IMPORTO", "@ZE 9,999,999.99")};
    f.leave = [](Workspace& ws, const std::string& field, EditValues& v) {
        if (field == "POLIZZA") fillFromPolicy(ws, v.get("POLIZZA"), v, {"", "", "", "", "", "IMPORTO"});
    };
    f.print = [](Workspace& ws, const FormEnv& env, const EditValues& v, TPRINTER& job) {
        const PolicyInfo p = policyInfo(ws, v.get("POLIZZA"));
        receiptHead(job, env.agency, env.agency.placeOfIssue(), v.date("DATA"));
        LetterWriter w(job, PrintFont("Arial", 12), 5);
        w.setRow(10);
        w.centred("INCASSO PROVVISORIO", kTitle);
        w.skip(2);
        labelled(w, "COMPAGNIA:", p.company, 0, 20);
        w.skip();
        labelled(w, "POLIZZA N.:", trim(v.get("POLIZZA")), 0, 20);
        w.skip();
        labelled(w, "RAMO:", p.branch, 0, 20);
        w.skip();
        labelled(w, "DECORRENZA:", dateText(p.coverage), 0, 20);
        w.skip();
        labelled(w, "TOTALE PREMIO", "E " + money(v.number("IMPORTO")), 0, 20);
        w.skip(2);
        w.line("INCASSATO IL:  _________________", 0, kBold);
    };
    return f;
}

FormDesc allowanceForm()
{
    FormDesc f;
    f.choice = " Abbuono provvigionale";
    f.name = "ABBUONO";
    f.title = "Abbuono provvigionale";
    f.fields = {date("Data:", "DATA"), text("Polizza n.:", "POLIZZA", "", 25), text("Cliente:", "CLIENTE", "", 35),
                number("Abbuono:", "ABBUONO", "@ZE 99,999.99")};
    f.leave = [](Workspace& ws, const std::string& field, EditValues& v) {
        if (field == "POLIZZA") fillFromPolicy(ws, v.get("POLIZZA"), v, {"CLIENTE"});
    };
    f.print = [](Workspace& ws, const FormEnv& env, const EditValues& v, TPRINTER& job) {
        const PolicyInfo p = policyInfo(ws, v.get("POLIZZA"));
        receiptHead(job, env.agency, env.agency.placeOfIssue(), v.date("DATA"));
        Sheet s(job);
        s.put(10, 35, "RICEVUTA DI ABBUONO PROVVIGIONALE", PrintFont("Arial", 11, true));
        s.put(14, 5, "Il sottoscritto", kBody);
        s.box(14, 14, 21, 67);
        s.put(14, 22.5, trim(v.get("CLIENTE")), kBody, TextAlign::Left, 44);
        s.put(17, 5, "dichiara di aver ricevuto dall'Agenzia in intestazione un abbuono", kBody);
        s.put(19, 5, "provvigionale di E", kBody);
        s.put(19, 21, money(v.number("ABBUONO"), "@E 99,999.99"), kBold);
        s.put(21, 5, "Su polizza N.", kBody);
        s.put(21, 21, trim(v.get("POLIZZA")), kBold, TextAlign::Left, 25);
        s.put(23, 5, "Compagnia", kBody);
        s.put(23, 21, p.company, kBold, TextAlign::Left, 45);
        s.put(25, 5, "Ramo", kBody);
        s.put(25, 21, p.branch, kBold, TextAlign::Left, 45);
        s.box(29, 30, 5, 60);
        s.put(29, 6, "ESENTE DA BOLLO ART. 16 LEGGE 29-10-61", kSmall);
        s.put(30, 6, "N. 1216 E ART. 34 5° COMMA D.P.R. 29-9-73 N. 601", kSmall);
        s.put(34, 43, "In fede.", kBody);
        s.rule(38, 43, 63);
    };
    return f;
}

FormDesc reminderForm(bool rid)
{
    FormDesc f;
    f.choice = rid ? " Sollecito RID impagato" : " Sollecito pagamento";
    f.name = "SOLLECITO";
    f.title = rid ? "Sollecito RID impagato" : "Sollecito pagamento";
    f.fields = {date("Data:", "DATA"), text("Polizza n.:", "POLIZZA", "", 25)};
    f.jobName = [rid](const EditValues&) { return std::string(rid ? "Sollecito RID impagato" : "Sollecito pagamento"); };
    f.print = [rid](Workspace& ws, const FormEnv& env, const EditValues& v, TPRINTER& job) {
        const PolicyInfo p = policyInfo(ws, v.get("POLIZZA"));
        LetterWriter w(job, kBody, 5);
        clientLetterHead(ws, w, env, v, p);
        labelled(w, "OGGETTO:", "Polizza n. " + trim(v.get("POLIZZA")), 0, 12);
        w.line("Compagnia: " + p.company, 12);
        w.line("Ramo: " + p.branch, 12);
        w.line("Scadenza: " + dateText(p.coverage), 12);
        w.same("         Importo: " + money(p.premium), 35);
        w.skip(2);
        if (rid) {
            for (const char* l : kRidReminder) w.line(l);
        } else {
            for (const char* l : kReminder) w.line(l);
        }
        signature(w, "");
    };
    return f;
}

FormDesc lifeReminderForm()
{
    FormDesc f;
    f.choice = " Sollecito pagamento vita";
    f.name = "SOLLECVITA";
    f.title = "Sollecito pagamento vita";
    f.fields = {date("Data:", "DATA"), text("Polizza n.:", "POLIZZA", "", 25)};
    f.print = [](Workspace& ws, const FormEnv& env, const EditValues& v, TPRINTER& job) {
        const PolicyInfo p = policyInfo(ws, v.get("POLIZZA"));
        LetterWriter w(job, kBody, 5);
        clientLetterHead(ws, w, env, v, p);
        labelled(w, "OGGETTO:", "Polizza VITA n. " + trim(v.get("POLIZZA")), 0, 12);
        w.line("Compagnia: " + p.company, 12);
        w.line("Rata premio insoluta - scaduta il: " + dateText(p.coverage) + " di E " + money(p.premium), 12);
        w.line("(ULTIMO AVVISO)", 12, kBold);
        w.skip(2);
        for (const char* l : {"Ci premuriamo di comunicarLe che a tutt'oggi risultano insolute le rate di premio che",
                              "in oggetto Le evidenziamo.",
                              "Di conseguenza, l'operatività della garanzia assicurativa E' SOSPESA come previsto",
                              "dalle condizioni generali di polizza e POTRA' ESSERE RIATTIVATA solo dal giorno",
                              "del pagamento.", "Il pagamento potrà essere da Lei effettuato con le consuete modalità."})
            w.line(l);
        signature(w);
    };
    return f;
}

FormDesc legalForm()
{
    FormDesc f;
    f.choice = " Richiesta atti legali";
    f.name = "ATTILEGALI";
    f.title = "Richiesta atti legali";
    f.fields = {date("Data:", "DATA"), text("Polizza n.:", "POLIZZA", "", 25)};
    f.print = [](Workspace& ws, const FormEnv& env, const EditValues& v, TPRINTER& job) {
        const PolicyInfo p = policyInfo(ws, v.get("POLIZZA"));
        LetterWriter w(job, kBody, 5);
        letterhead(w, env.agency);
        w.skip(2);
        placeAndDate(w, env, v.date("DATA"));
        w.skip(2);
        w.line("Spett.le", kAddressColumn);
        addressee(w, agreementAddress(ws, p.agreement));
        w.skip(3);
        labelled(w, "OGGETTO:", "Richiesta atti legali su polizza n. " + trim(v.get("POLIZZA")), 0, 12);
        w.line("Compagnia: " + p.company, 12);
        w.line("Ramo: " + p.branch, 12);
        w.line("Rata scaduta il: " + dateText(p.coverage), 12);
        w.same("         Importo: " + money(p.premium), 35);
        w.skip(2);
        for (const char* l : {"In riferimento all'oggetto, Vi invitiamo a voler procedere agli atti legali per il recupero",
                              "della rata di polizza non pagata, avendo questa Agenzia espletato solleciti sia telefonici",
                              "che scritti.", "Alleghiamo pertanto alla presente il relativo documento di quietanza."})
            w.line(l);
        signature(w);
    };
    return f;
}

std::vector<EditField> guaranteeFields(bool withLimits)
{
    std::vector<EditField> out;
    for (int i = 1; i <= 7; ++i) {
        const std::string n = std::to_string(i);
        out.push_back(choice("Garanzia " + n + ":", "GARANZIA" + n, [] { return withEmpty(AGARANZIE(workspace())); }));
        if (withLimits)
            out.push_back(beside(choice("Massimali:", "MASSIMALE" + n, [] { return withEmpty(AMASSIMALI()); })));
    }
    return out;
}

// The guarantees filled, each with its limit after LIMITLABEL at column LIMITCOLUMN.
void guaranteeLines(LetterWriter& w, const EditValues& v, const std::string& limitLabel, double valueColumn,
                    double limitColumn)
{
    for (int i = 1; i <= 7; ++i) {
        const std::string n = std::to_string(i);
        if (trim(v.get("GARANZIA" + n)).empty()) continue;
        labelled(w, "Garanzia " + n + ":", v.get("GARANZIA" + n), 0, valueColumn);
        w.same(limitLabel + v.get("MASSIMALE" + n), limitColumn);
    }
}

void notesAndGreeting(LetterWriter& w, const EditValues& v)
{
    w.skip();
    w.line("Note:", 0, kBold);
    w.paragraph(v.get("NOTE"));
    signature(w, "Cordiali saluti.");
}

FormDesc requestForm(bool issue)
{
    FormDesc f;
    f.choice = issue ? " Richiesta emissione polizza" : " Richiesta preventivo";
    f.name = "RICHIESTA";
    f.title = issue ? "Richiesta emissione polizza" : "Richiesta preventivo";
    f.fax = true;
    f.fields = {date("Data:", "DATA"),
                companies("Destinatario:", "DESTINAT"),
                text("Attenzione:", "ATTENZIONE", "", 35),
                beside(text("Fax:", "FAX", "", 15)),
                client("Contraente:", "CONTRAENTE"),
                text("Codice fiscale:", "CODICEFISC", "@! AAAAAA99A99A999A", 16),
                beside(text("Partita IVA:", "PARTITAIVA", "99999999999", 11)),
                choice("Ramo:", "RAMO", [] { return withEmpty(ARAMI(workspace())); })};
    for (EditField& g : guaranteeFields(true)) f.fields.push_back(g);
    f.fields.push_back(choice("Frazionamento:", "FRAZIONAM", [] { return withEmpty(AFRAZ()); }, false));
    f.fields.push_back(beside(number("Durata contratto anni:", "DURATA", "@Z 99")));
    f.fields.push_back(memo("Note:", "NOTE"));
    f.leave = [](Workspace& ws, const std::string& field, EditValues& v) {
        if (field == "DESTINAT") v.set("FAX", trim(ADATICOMP(ws, v.get("DESTINAT")).fax));
        if (field == "CONTRAENTE") {
            const ClientData c = ADATIASSI(ws, v.get("CONTRAENTE"));
            v.set("CODICEFISC", trim(c.taxCode));
            v.set("PARTITAIVA", trim(c.vatNumber));
        }
    };
    f.print = [issue](Workspace& ws, const FormEnv& env, const EditValues& v, TPRINTER& job) {
        LetterWriter w(job, kBody, 5);
        letterhead(w, env.agency);
        faxHead(w, issue ? "RICHIESTA EMISSIONE POLIZZA" : "RICHIESTA PREVENTIVO", v.date("DATA"), v.get("DESTINAT"),
                v.get("ATTENZIONE"), v.get("FAX"));
        const ClientData c = ADATIASSI(ws, v.get("CONTRAENTE"));
        labelled(w, "Contraente:", v.get("CONTRAENTE"), 0, 22);
        if (filled(c.address)) w.line(trim(c.address) + " - " + townLine(c.postCode, c.town, c.province), 22);
        labelled(w, "Codice fiscale:", v.get("CODICEFISC"), 0, 22);
        labelled(w, "Partita IVA:", v.get("PARTITAIVA"), 0, 22);
        labelled(w, "Ramo:", v.get("RAMO"), 0, 22);
        w.skip();
        guaranteeLines(w, v, "Massimali: ", 22, 52);
        w.skip();
        labelled(w, "Frazionamento:", v.get("FRAZIONAM"), 0, 22);
        labelled(w, "Durata contratto anni:", trim(v.get("DURATA")), 0, 22);
        notesAndGreeting(w, v);
    };
    return f;
}

FormDesc quoteForm()
{
    FormDesc f;
    f.choice = " Preventivo di polizza";
    f.name = "PREVENTIVO";
    f.title = "Preventivo di polizza";
    f.fields = {date("Data:", "DATA"),
                companies("Compagnia:", "COMPAGNIA"),
                client("Contraente:", "CONTRAENTE"),
                text("Indirizzo:", "INDIRIZZO", "", 35),
                text("Città:", "CITTA", "", 25),
                beside(text("C.A.P.:", "CAP", "99999", 5)),
                beside(text("Provincia:", "PROVINCIA", "@! AA", 2)),
                text("Codice fiscale:", "CODICEFISC", "@! AAAAAA99A99A999A", 16),
                choice("Ramo:", "RAMO", [] { return withEmpty(ARAMI(workspace())); })};
    for (EditField& g : guaranteeFields(true)) f.fields.push_back(g);
    f.fields.push_back(date("Decorrenza:", "DECORRENZA"));
    f.fields.push_back(beside(date("Scadenza:", "SCADENZA")));
    f.fields.push_back(beside(number("Durata contratto anni:", "DURATA", "@Z 99")));
    f.fields.push_back(number("Fraz. mensile:", "RATAMENS", "@ZE 999,999.99"));
    f.fields.push_back(beside(number("Fraz. semestrale:", "RATASEM", "@ZE 999,999.99")));
    f.fields.push_back(beside(number("Fraz. annuale:", "RATAANN", "@ZE 999,999.99")));
    f.fields.push_back(memo("Note:", "NOTE"));
    f.leave = [](Workspace& ws, const std::string& field, EditValues& v) {
        if (field != "CONTRAENTE") return;
        fillClientAddress(ws, v.get("CONTRAENTE"), v);
        v.set("CODICEFISC", trim(ADATIASSI(ws, v.get("CONTRAENTE")).taxCode));
    };
    f.print = [](Workspace&, const FormEnv& env, const EditValues& v, TPRINTER& job) {
        LetterWriter w(job, kBody, 5);
        letterhead(w, env.agency);
        w.skip();
        placeAndDate(w, env, v.date("DATA"));
        w.skip();
        w.centred("PREVENTIVO DI POLIZZA", kTitle);
        w.skip();
        Sheet s(job);
        const double top = w.row() + 1;
        s.box(top, top + 5, 0 + 5, 75);
        s.put(top, 6, "PREVENTIVO", kBold);
        w.setRow(top);
        // The values end inside the box, clear of its right side.
        const double inBox = 75 - 1 - 5 - 22;
        labelled(w, "Contraente:", v.get("CONTRAENTE"), 2, 22, inBox);
        w.line(trim(v.get("INDIRIZZO")) + " " + townLine(v.get("CAP"), v.get("CITTA"), v.get("PROVINCIA")), 22,
               std::nullopt, inBox);
        labelled(w, "Codice fiscale:", v.get("CODICEFISC"), 2, 22, inBox);
        labelled(w, "Compagnia:", v.get("COMPAGNIA"), 2, 22, inBox);
        labelled(w, "Ramo:", v.get("RAMO"), 2, 22, inBox);
        w.skip(2);
        guaranteeLines(w, v, "Massim.: ", 16, 50);
        w.skip();
        labelled(w, "Durata contratto anni:", trim(v.get("DURATA")), 0, 24);
        labelled(w, "Decorrenza:", dateText(v.date("DECORRENZA")), 0, 24);
        labelled(w, "Scadenza:", dateText(v.date("SCADENZA")), 0, 24);
        w.skip();
        w.line("Importo di rata:", 0, kBold);
        const std::pair<const char*, const char*> rates[] = {{"Frazionamento mensile", "RATAMENS"},
                                                             {"Frazionamento semestrale", "RATASEM"},
                                                             {"Frazionamento annuale", "RATAANN"}};
        for (const auto& [label, field] : rates) {
            if (v.number(field).isZero()) continue;
            w.line(label, 2);
            w.right("E " + money(v.number(field)), 50);
        }
        notesAndGreeting(w, v);
    };
    return f;
}

FormDesc coverageForm()
{
    FormDesc f;
    f.choice = " Trasmissione copertura immediata";
    f.name = "COPERTURA";
    f.title = "Trasmissione copertura immediata";
    f.fax = true;
    EditField hour = text("Ora:", "ORA", "99:99", 5);
    hour.rule = [](const std::string& s, const EditValues&) { return isHourMinute(s); };
    f.fields = {date("Data:", "DATA"),
                beside(hour),
                companies("Destinatario:", "DESTINAT"),
                text("Attenzione:", "ATTENZIONE", "", 35),
                beside(text("Fax:", "FAX", "", 15)),
                text("Polizza n.:", "POLIZZA", "", 25),
                text("Ramo:", "RAMO", "", 20),
                text("Contraente:", "CONTRAENTE", "", 35)};
    f.leave = [](Workspace& ws, const std::string& field, EditValues& v) {
        if (field == "DESTINAT") v.set("FAX", trim(ADATICOMP(ws, v.get("DESTINAT")).fax));
        if (field == "POLIZZA") fillFromPolicy(ws, v.get("POLIZZA"), v, {"CONTRAENTE", "", "", "RAMO"});
    };
    f.print = [](Workspace&, const FormEnv& env, const EditValues& v, TPRINTER& job) {
        LetterWriter w(job, kBody, 5);
        letterhead(w, env.agency);
        faxHead(w, "TRASMISSIONE COPERTURA IMMEDIATA", v.date("DATA"), v.get("DESTINAT"), v.get("ATTENZIONE"),
                v.get("FAX"));
        w.line("Vogliate prendere nota della seguente copertura immediata ore " + trim(v.get("ORA")));
        w.skip();
        labelled(w, "POLIZZA N.:", v.get("POLIZZA"), 0, 18);
        labelled(w, "RAMO:", v.get("RAMO"), 0, 18);
        labelled(w, "CONTRAENTE:", v.get("CONTRAENTE"), 0, 18);
        signature(w, "Cordiali saluti.");
        faxNote(w);
    };
    return f;
}

FormDesc cancellationForm()
{
    FormDesc f;
    f.choice = " Disdetta conto cliente";
    f.name = "DISDETTA";
    f.title = "Disdetta conto cliente";
    auto own = [](const EditValues& v) { return !v.logical("PRESSO"); };
    EditField sender = client("Mittente:", "MITTENTE");
    EditField domiciled = check("Domiciliato presso l'agenzia", "PRESSO");
    domiciled.changed = [](EditValues& v) {
        if (!v.logical("PRESSO")) return;
        for (const char* n : {"MINDIRIZZO", "MCAP", "MCITTA", "MPROVINCIA"}) v.set(n, "");
    };
    EditField address = text("Indirizzo:", "MINDIRIZZO", "", 35);
    EditField cap = text("C.A.P.:", "MCAP", "99999", 5);
    EditField town = beside(text("Città:", "MCITTA", "", 25));
    EditField prov = beside(text("Provincia:", "MPROVINCIA", "@! AA", 2));
    for (EditField* e : {&address, &cap, &town, &prov}) e->enabled = own;
    f.fields = {date("Data:", "DATA"),
                sender,
                domiciled,
                address,
                cap,
                town,
                prov,
                companies("Spett.le:", "DESTINAT"),
                text("Indirizzo:", "DINDIRIZZO", "", 35),
                text("C.A.P.:", "DCAP", "99999", 5),
                beside(text("Città:", "DCITTA", "", 25)),
                beside(text("Provincia:", "DPROVINCIA", "@! AA", 2)),
                text("Polizza n.:", "POLIZZA", "", 25),
                text("Ramo:", "RAMO", "", 20),
                text("Autovettura:", "VEICOLO", "", 30),
                beside(text("Targa:", "TARGA", "@!", 12))};
    f.prepare = [](Workspace&, const FormEnv&, EditValues& v) { v.set("PRESSO", "T"); };
    f.leave = [](Workspace& ws, const std::string& field, EditValues& v) {
        if (field == "DESTINAT") fillAgreementAddress(ws, v.get("DESTINAT"), v, "D");
        if (field == "MITTENTE" && !v.logical("PRESSO")) fillClientAddress(ws, v.get("MITTENTE"), v, "M");
        if (field == "POLIZZA") {
            const PolicyInfo p = policyInfo(ws, v.get("POLIZZA"));
            const Motor m = motorOf(ws, p.code);
            v.set("MITTENTE", p.insured);
            v.set("RAMO", p.branch);
            v.set("DESTINAT", p.agreement);
            fillAgreementAddress(ws, p.agreement, v, "D");
            v.set("VEICOLO", trim(m.make + " " + m.model));
            v.set("TARGA", m.plate);
            if (!v.logical("PRESSO")) fillClientAddress(ws, p.insured, v, "M");
        }
    };
    f.print = [](Workspace& ws, const FormEnv& env, const EditValues& v, TPRINTER& job) {
        LetterWriter w(job, kBody, 0);
        job.startPage();
        w.skip(2);
        w.line("MITTENTE:", 5, kBold);
        w.same(trim(v.get("MITTENTE")), 15);
        if (v.logical("PRESSO")) {
            w.line("PRESSO:", 5, kBold);
            w.same(trim(env.agency.name), 15);
            w.line(trim(env.agency.address), 15);
            w.line(env.agency.townLine(), 15);
        } else {
            w.line(trim(v.get("MINDIRIZZO")), 15);
            w.line(townLine(v.get("MCAP"), v.get("MCITTA"), v.get("MPROVINCIA")), 15);
        }
        w.skip(3);
        w.line(env.agency.placeAndDate(v.date("DATA") ? v.date("DATA") : env.today), 5);
        w.skip(2);
        w.line("Spett.le", kAddressColumn);
        const std::string agreement = trim(v.get("DESTINAT"));
        const AgreementData c = ADATICOMP(ws, agreement);
        addressee(w, {c.companyLine1.empty() ? agreement : c.companyLine1, c.companyLine2, v.get("DINDIRIZZO"),
                      townLine(v.get("DCAP"), v.get("DCITTA"), v.get("DPROVINCIA"))});
        w.skip(4);
        w.line("OGGETTO:", 5, kBold);
        w.same("DISDETTA POLIZZA ASSICURATIVA N. " + trim(v.get("POLIZZA")), 15);
        w.line("RAMO: " + trim(v.get("RAMO")), 15);
        if (filled(v.get("VEICOLO"))) w.line("AUTOVETTURA: " + trim(v.get("VEICOLO")), 15);
        if (filled(v.get("TARGA"))) w.line("TARGA: " + trim(v.get("TARGA")), 15);
        w.skip(3);
        w.line("Il/La sottoscritto/a " + trim(v.get("MITTENTE")) + ",", 5);
        w.skip();
        w.line("con la presente dà formale disdetta della polizza in oggetto ed eventuali sue sostituzioni", 5);
        w.line("con effetto alla prossima scadenza contrattuale.", 5);
        w.skip(3);
        w.line("Distinti saluti.", 5);
        w.skip(3);
        w.rule(45, 70);
    };
    return f;
}

FormDesc releaseForm()
{
    FormDesc f;
    f.choice = " Richiesta di svincolo";
    f.name = "SVINCOLO";
    f.title = "Richiesta di svincolo";
    f.fax = true;
    f.fields = {date("Data:", "DATA"),
                companies("Destinatario:", "DESTINAT"),
                text("Attenzione:", "ATTENZIONE", "", 35),
                beside(text("Fax:", "FAX", "", 15)),
                text("Autovettura:", "VEICOLO", "", 30),
                beside(text("Targa:", "TARGA", "@!", 12)),
                text("Assicurato:", "ASSICURATO", "", 35),
                text("Proprietario:", "PROPRIET", "", 35),
                text("Prec.comp.:", "PRECCOMP", "", 35)};
    f.leave = [](Workspace& ws, const std::string& field, EditValues& v) {
        if (field == "DESTINAT") v.set("FAX", trim(ADATICOMP(ws, v.get("DESTINAT")).fax));
    };
    f.print = [](Workspace&, const FormEnv& env, const EditValues& v, TPRINTER& job) {
        LetterWriter w(job, kBody, 5);
        letterhead(w, env.agency);
        faxHead(w, "RICHIESTA DI SVINCOLO", v.date("DATA"), v.get("DESTINAT"), v.get("ATTENZIONE"), v.get("FAX"));
        w.line("Vi preghiamo di voler procedere allo svincolo relativo a:");
        w.skip();
        labelled(w, "Autovettura:", v.get("VEICOLO"), 0, 20);
        labelled(w, "Targa:", v.get("TARGA"), 0, 20);
        labelled(w, "Assicurato:", v.get("ASSICURATO"), 0, 20);
        labelled(w, "Proprietario:", v.get("PROPRIET"), 0, 20);
        labelled(w, "Prec.comp.:", v.get("PRECCOMP"), 0, 20);
        signature(w, "Cordiali saluti.");
        faxNote(w);
    };
    return f;
}

constexpr int kRows = 15;

FormDesc returnForm()
{
    FormDesc f;
    f.choice = " Restituzione titoli";
    f.name = "RESTITUZ";
    f.title = "Restituzione titoli";
    f.fields = {date("Data:", "DATA"), choice("Rapporto:", "RAPPORTO", [] { return withEmpty(ACOMPAGNIE(workspace())); }, false)};
    for (int i = 1; i <= kRows; ++i) {
        const std::string n = std::to_string(i);
        f.fields.push_back(text("Polizza n.:", "POL" + n, "", 20));
        f.fields.push_back(beside(text("Contraente:", "CONTR" + n, "", 30)));
        f.fields.push_back(beside(choice("Motivo:", "MOTIVO" + n, [] { return AMOTIVI(); }, false)));
    }
    f.leave = [](Workspace& ws, const std::string& field, EditValues& v) {
        if (field.rfind("POL", 0) == 0) v.set("CONTR" + field.substr(3), policyInfo(ws, v.get(field)).insured);
    };
    f.print = [](Workspace& ws, const FormEnv& env, const EditValues& v, TPRINTER& job) {
        LetterWriter w(job, kBody, 5);
        letterhead(w, env.agency);
        w.skip();
        placeAndDate(w, env, v.date("DATA"));
        w.skip();
        w.line("Spett.le", kAddressColumn);
        addressee(w, agreementAddress(ws, v.get("RAPPORTO")));
        w.skip(2);
        w.line("OGGETTO: RESTITUZIONE TITOLI", 0, kBold);
        w.skip();
        w.setPageHeader([](LetterWriter& x) { x.skip(2); });
        w.line("POLIZZA", 0, kBold);
        w.same("CONTRAENTE", 22, kBold);
        w.same("MOTIVO", 50, kBold);
        for (int i = 1; i <= kRows; ++i) {
            const std::string n = std::to_string(i);
            if (trim(v.get("POL" + n)).empty()) continue;
            w.line(trim(v.get("POL" + n)), 0, std::nullopt, 21);
            w.same(trim(v.get("CONTR" + n)), 22, std::nullopt, 27);
            w.same(trim(v.get("MOTIVO" + n)), 50);
        }
        signature(w);
    };
    return f;
}

FormDesc collectForm()
{
    FormDesc f;
    f.choice = " Ritiro titoli produttori";
    f.name = "RITIROTIT";
    f.title = "Ritiro titoli produttori";
    f.fields = {date("Data:", "DATA"), producers("Produttore:", "PRODUTTORE")};
    for (int i = 1; i <= kRows; ++i) {
        const std::string n = std::to_string(i);
        f.fields.push_back(text("Polizza n.:", "POL" + n, "", 20));
        f.fields.push_back(beside(text("Compagnia:", "COMP" + n, "", 20)));
        f.fields.push_back(beside(text("Contraente:", "CONTR" + n, "", 25)));
        f.fields.push_back(beside(date("Scadenza:", "SCAD" + n)));
        f.fields.push_back(beside(number("Importo:", "IMP" + n, "@ZE 9,999,999.99")));
    }
    f.leave = [](Workspace& ws, const std::string& field, EditValues& v) {
        if (field.rfind("POL", 0) != 0) return;
        const std::string n = field.substr(3);
        fillFromPolicy(ws, v.get(field), v, {"CONTR" + n, "COMP" + n, "", "", "SCAD" + n, "IMP" + n});
    };
    f.print = [](Workspace& ws, const FormEnv& env, const EditValues& v, TPRINTER& job) {
        const Producer p = producerOf(ws, v.get("PRODUTTORE"));
        LetterWriter w(job, kBody, 5);
        letterhead(w, env.agency);
        w.skip();
        placeAndDate(w, env, v.date("DATA"));
        w.skip();
        addressee(w, {p.title, p.name.empty() ? v.get("PRODUTTORE") : p.name, p.address,
                      townLine(p.postCode, p.town, p.province)});
        w.skip(2);
        w.line("OGGETTO: RITIRO TITOLI", 0, kBold);
        w.skip();
        const PrintFont small("Arial", 9), smallBold("Arial", 9, true);
        w.line("POLIZZA", 0, smallBold);
        w.same("COMPAGNIA", 15, smallBold);
        w.same("CONTRAENTE", 33, smallBold);
        w.same("SCADENZA", 54, smallBold);
        w.right("IMPORTO", 75, smallBold);
        for (int i = 1; i <= kRows; ++i) {
            const std::string n = std::to_string(i);
            if (trim(v.get("POL" + n)).empty()) continue;
            w.line(trim(v.get("POL" + n)), 0, small, 14);
            w.same(trim(v.get("COMP" + n)), 15, small, 17);
            w.same(trim(v.get("CONTR" + n)), 33, small, 20);
            w.same(dateText(v.date("SCAD" + n)), 54, small);
            w.right(money(v.number("IMP" + n)), 75, small);
        }
        w.skip(4);
        w.line("Firma per ricevuta", 45);
        w.skip(2);
        w.rule(45, 75);
    };
    return f;
}

FormDesc invoiceForm()
{
    FormDesc f;
    f.choice = " Emissione fatture";
    f.name = "EMISFATT";
    f.title = "Emissione fatture";
    EditField rate = number("Aliquota IVA (+) / Aliquota R.A. (-):", "ALIQUOTA", "@E 999.99 %");
    f.fields = {text("Numero:", "NUMERO", "99999", 5),
                beside(date("Data:", "DATA")),
                choice("Rapporto:", "RAPPORTO", [] { return withEmpty(ACOMPAGNIE(workspace())); }, false),
                text("Titolo:", "TITOLO", "", 20),
                text("Destinatario:", "DESTINAT", "", 35),
                text("Indirizzo:", "INDIRIZZO", "", 35),
                text("C.A.P.:", "CAP", "99999", 5),
                beside(text("Città:", "CITTA", "", 25)),
                beside(text("Provincia:", "PROVINCIA", "@! AA", 2)),
                memo("Testo:", "TESTO"),
                number("Importo:", "IMPORTO", "@ZE 9,999,999.99"),
                rate};
    f.prepare = [](Workspace&, const FormEnv& env, EditValues& v) {
        v.set("NUMERO", std::to_string(nextInvoiceNumber(env.iniPath)));
    };
    f.leave = [](Workspace& ws, const std::string& field, EditValues& v) {
        if (field != "RAPPORTO") return;
        const std::string agreement = trim(v.get("RAPPORTO"));
        const AgreementData c = ADATICOMP(ws, agreement);
        v.set("TITOLO", agreement.empty() ? "" : "Spett.Le");
        v.set("DESTINAT", c.companyLine1.empty() ? agreement : trim(c.companyLine1));
        fillAgreementAddress(ws, agreement, v, "");
        setNumber(v, "ALIQUOTA", Decimal() - withholdingRate(ws, agreement), "@E 999.99 %");
    };
    auto preset = [](int id, const char* caption, const char* key) {
        records::DialogButton b;
        b.id = id;
        b.caption = caption;
        b.fill = [key](Workspace& ws, EditValues& v) {
            v.set("TESTO", decodeLineBreaks(IniFile((std::filesystem::path(ws.folder()) / "ARV.INI").string())
                                                 .get(kInvoiceSection, key)));
        };
        return b;
    };
    f.buttons = {preset(310, "Testo 1", "Testo1"), preset(311, "Testo 2", "Testo2")};
    f.print = [](Workspace&, const FormEnv& env, const EditValues& v, TPRINTER& job) {
        const IniFile ini(env.iniPath);
        const Decimal amount = v.number("IMPORTO");
        const Decimal rate = v.number("ALIQUOTA");
        const Decimal tax = (amount * rate / Decimal(100)).round(2);
        LetterWriter w(job, PrintFont("Courier New", 11), 5);
        letterhead(w, env.agency);
        if (filled(env.agency.vatNumber)) w.centred("Partita IVA n. " + trim(env.agency.vatNumber), kBody);
        w.skip(2);
        w.line("FATTURA N. " + trim(v.get("NUMERO")) + " DEL " + dateText(v.date("DATA")), 0, kBold);
        w.skip(2);
        addressee(w, {v.get("TITOLO"), v.get("DESTINAT"), v.get("INDIRIZZO"),
                      townLine(v.get("CAP"), v.get("CITTA"), v.get("PROVINCIA"))});
        w.skip(3);
        const PrintFont courier("Courier New", 11);
        w.paragraph(v.get("TESTO"), 0, 63, false, courier);
        w.skip(2);
        auto row = [&w](const std::string& label, const Decimal& value) {
            w.line(label);
            w.same("EURO", 45);
            w.right(money(value), 70);
        };
        row("IMPORTO", amount);
        if (rate.isNegative()) row("RITENUTA D'ACCONTO", tax);
        else row("IVA", tax);
        w.skip();
        row("TOTALE FATTURA", amount + tax);
        w.skip(2);
        w.line("S.E. & O.");
        // Only an invoice without VAT says it is exempt.
        if (!(rate > Decimal())) w.line("ESENTE DA I.V.A. ART. 10 D.P.R. 633");
        if (w.row() < 55) w.setRow(55);
        w.line(ini.get(kInvoiceSection, "Fondo1"), 0, kSmall);
        w.line(ini.get(kInvoiceSection, "Fondo2"), 0, kSmall);
    };
    f.closing = [](const FormEnv& env, const EditValues& last, const std::function<bool(const std::string&)>& ask) {
        if (ask(kMsgInvoicePrinted)) keepInvoiceNumber(env.iniPath, std::atoi(trim(last.get("NUMERO")).c_str()));
    };
    return f;
}

FormDesc plateForm()
{
    FormDesc f;
    f.choice = " Cambio targa";
    f.name = "CAMBIOTARGA";
    f.title = "Cambio targa";
    f.fax = true;
    f.fields = {text("Polizza n.:", "POLIZZA", "", 25), text("Nuovo veicolo:", "VEICOLO", "", 30),
                text("Nuova targa:", "TARGA", "@!", 12)};
    f.print = [](Workspace& ws, const FormEnv& env, const EditValues& v, TPRINTER& job) {
        const PolicyInfo p = policyInfo(ws, v.get("POLIZZA"));
        const AgreementData c = ADATICOMP(ws, p.agreement);
        LetterWriter w(job, kBody, 5);
        letterhead(w, env.agency);
        w.skip();
        w.centred("COMUNICAZIONE DI VARIAZIONE", kTitle);
        w.skip();
        labelled(w, "Data:", dateText(env.today), 0, 25);
        labelled(w, "Destinatario:", p.company, 0, 25);
        labelled(w, "Alla cortese attenzione:", "UFFICIO RAMI ELEMENTARI", 0, 25);
        labelled(w, "N° telefax:", trim(c.fax), 0, 25);
        w.skip();
        w.line("In caso di ricezione incompleta od imperfetta Vi preghiamo contattare i ns. uffici", 0, kSmall);
        w.skip();
        w.line("MESSAGGIO", 0, kBold);
        w.skip();
        const std::vector<std::string> message = {"SI PREGA DI VOLER EMETTERE APPENDICE DI CAMBIO TARGA PER",
                                                  "POLIZZA N.: " + trim(v.get("POLIZZA")),
                                                  "ASSICURATO: " + p.insured,
                                                  "NUOVO VEICOLO: " + trim(v.get("VEICOLO")),
                                                  "NUOVA TARGA: " + trim(v.get("TARGA")),
                                                  "DECORRENZA: " + dateText(env.today)};
        const PrintFont courier("Courier New", 11);
        for (const std::string& l : message) {
            // Wrapped at 54 characters.
            std::string rest = l;
            while (!rest.empty()) {
                const std::string piece = utf8Left(rest, 54);
                w.line(piece, 0, courier);
                rest = rest.substr(piece.size());
            }
            w.skip();
        }
        w.skip();
        w.line("L'AGENZIA", 0, courier);
        faxNote(w);
    };
    return f;
}

FormDesc suspensionForm()
{
    FormDesc f;
    f.choice = " Sospensione di polizza";
    f.name = "SOSPENSIONE";
    f.title = "Sospensione di polizza";
    f.fax = true;
    static const char* const kLoss = "Perdita di possesso del veicolo";
    f.fields = {date("Data:", "DATA"),
                date("Decorrenza sospensione:", "DECORRENZA"),
                companies("Destinatario:", "DESTINAT"),
                client("Contraente:", "CONTRAENTE"),
                required(choice("Motivo sospensione:", "MOTIVO",
                                [] { return std::vector<std::string>{"", kLoss, "Sospensione volontaria"}; }, false)),
                date("Fino al:", "FINOAL"),
                text("Polizza n.:", "POLIZZA", "", 25)};
    f.check = [ids = std::make_pair(f.fields[4].id, f.fields[5].id)](const EditValues& v)
        -> std::optional<std::pair<int, std::string>> {
        if (trim(v.get("MOTIVO")) != kLoss && !v.date("FINOAL"))
            return std::make_pair(ids.second, std::string("Indicare la data di fine sospensione."));
        return std::nullopt;
    };
    f.leave = [](Workspace& ws, const std::string& field, EditValues& v) {
        if (field == "POLIZZA") {
            const PolicyInfo p = policyInfo(ws, v.get("POLIZZA"));
            v.set("DESTINAT", p.agreement);
            if (trim(v.get("CONTRAENTE")).empty()) v.set("CONTRAENTE", p.insured);
        }
    };
    f.print = [](Workspace& ws, const FormEnv& env, const EditValues& v, TPRINTER& job) {
        const ClientData c = ADATIASSI(ws, v.get("CONTRAENTE"));
        LetterWriter w(job, kBody, 5);
        letterhead(w, env.agency);
        w.skip();
        w.centred("DICHIARAZIONE SOSTITUTIVA DELL'ATTO DI NOTORIETA'", kBold);
        w.centred("(art. 47 DPR 445/2000)", kBody);
        w.skip(2);
        w.line("Spett.le", 35);
        addressee(w, agreementAddress(ws, v.get("DESTINAT")), 35);
        w.skip(2);
        labelled(w, "OGGETTO:", "Richiesta sospensione polizza n. " + trim(v.get("POLIZZA")), 0, 12);
        w.skip();
        w.paragraph("Il sottoscritto " + trim(v.get("CONTRAENTE")) + " nato a " + birthTown(ws, v.get("CONTRAENTE")) + " il " + dateText(c.birthDate) + " e residente a " + trim(c.town) +
                        " " + trim(c.address) + ", Codice fiscale " + trim(c.taxCode) +
                        " per sé stesso o in qualità di legale rappresentante del proprietario del veicolo, con la "
                        "presente richiede la sospensione/proroga della sospensione della polizza in oggetto con "
                        "decorrenza dal " +
                        dateText(v.date("DECORRENZA")) + " per:",
                    0, 0, true);
        w.skip();
        const std::string item =
            trim(v.get("MOTIVO")) == kLoss
                ? std::string("Rottamazione, esportazione, furto, vendita/perdita di possesso o conto vendita del veicolo")
                : "sospensione temporanea della polizza come previsto dall'articolo 122-bis comma 2 del Codice delle "
                  "Assicurazioni fino al " + dateText(v.date("FINOAL")) + ".";
        w.paragraph("- " + item, 2, 60);
        w.skip(2);
        w.line("In fede");
        w.line("Si allega fotocopia di un documento d'identificazione non scaduto.");
        w.skip(2);
        placeAndDate(w, env, v.date("DATA"));
        w.skip();
        w.line("Firma " + std::string(30, '.'), 40);
    };
    return f;
}

FormDesc revocationForm()
{
    FormDesc f;
    f.choice = " Revoca produttore";
    f.name = "REVOCA";
    f.title = "Revoca produttore";
    f.fields = {date("Data:", "DATA"), required(producers("Produttore:", "PRODUTTORE"))};
    f.print = [](Workspace& ws, const FormEnv& env, const EditValues& v, TPRINTER& job) {
        FormEnv e = env;
        if (v.date("DATA")) e.today = v.date("DATA");
        printRevocation(ws, e, trim(v.get("PRODUTTORE")), job);
    };
    return f;
}

FormDesc circulationForm()
{
    FormDesc f;
    f.choice = " Dichiarazione di mancata circolazione";
    f.name = "MANCCIRC";
    f.title = "Dichiarazione di mancata circolazione";
    f.fields = {date("Data:", "DATA"), text("Targa:", "TARGA", "@!", 12), date("Il veicolo non ha circolato: dal", "DAL"),
                beside(date("al", "AL"))};
    f.print = [](Workspace& ws, const FormEnv& env, const EditValues& v, TPRINTER& job) {
        // The active policy whose vehicle sheet carries the plate.
        const std::string plate = Mask::upper(trim(v.get("TARGA")));
        std::set<std::string> codes;
        {
            OwnTable a(ws, "DATIAUTO", true);
            for (a->goTop(); !plate.empty() && !a->eof(); a->skip(1))
                if (Mask::upper(trim(a->text("TARGA"))) == plate) codes.insert(trim(a->raw("POLIZZA")));
        }
        std::string insured;
        if (!codes.empty()) {
            OwnTable p(ws, "POLIZZE", true);
            for (p->goTop(); !p->eof(); p->skip(1)) {
                if (!codes.count(trim(p->raw("CODICE")))) continue;
                const bool active = trim(p->text("SOSTDA")).empty() && !p->logical("DISDETTA");
                if (active || insured.empty()) insured = trim(p->text("ASSICURATO"));
                if (active) break;
            }
        }
        LetterWriter w(job, kBody, 5);
        letterhead(w, env.agency);
        w.skip(2);
        w.centred("DICHIARAZIONE DI MANCATA CIRCOLAZIONE", kBold);
        w.skip(2);
        w.line("Il sottoscritto/a " + insured + ",");
        w.paragraph("contraente della polizza sopra indicata, che assicura il veicolo targato " + plate + ", " +
                        "ai sensi e per gli effetti degli artt. 1892, 1893 e 1894 Codice Civile e consapevole delle "
                        "conseguenze penali derivanti dal rilascio di dichiarazioni mendaci e dalla produzione ad uso "
                        "di atti falsi ai sensi dell'art. 76 del DPR n. 445/2000, dichiara che il predetto veicolo è "
                        "rimasto inutilizzato e pertanto non ha circolato dalla data del " +
                        dateText(v.date("DAL")) + " fino al " + dateText(v.date("AL")) + ".",
                    0, 0, true);
        w.skip(2);
        placeAndDate(w, env, v.date("DATA"));
        w.skip();
        w.line("In fede", 40);
        confidentiality(w, env.agency);
    };
    return f;
}

FormDesc brokerForm()
{
    FormDesc f;
    f.choice = " Incarico di brokeraggio";
    f.name = "INCARICO";
    f.title = "Incarico di brokeraggio";
    f.fields = {date("Data:", "DATA"),
                client("Cliente:", "CLIENTE"),
                companies("Compagnia:", "COMPAGNIA"),
                text("Polizza n.:", "POLIZZA", "", 25),
                check("Generale:", "GENERALE"),
                date("Semestralità: dal", "DAL"),
                beside(date("al", "AL"))};
    f.print = [](Workspace& ws, const FormEnv& env, const EditValues& v, TPRINTER& job) {
        const std::array<std::string, 4> broker = policies::brokerLines(IniFile(env.iniPath), "Broker");
        const std::string client = Mask::upper(trim(v.get("CLIENTE")));
        const std::string company = Mask::upper(trim(v.get("COMPAGNIA")));
        const std::string number = Mask::upper(trim(v.get("POLIZZA")));
        const Date from = v.date("DAL"), to = v.date("AL");
        struct Row {
            std::string branch, number, company;
        };
        std::map<std::string, std::vector<Row>> byClient;
        {
            OwnTable p(ws, "POLIZZE", true);
            p->ordAdd("POLIZZE");
            for (p->goTop(); !p->eof(); p->skip(1)) {
                if (!trim(p->text("SOSTDA")).empty() || p->logical("DISDETTA")) continue;
                if (!client.empty() && Mask::upper(trim(p->text("ASSICURATO"))) != client) continue;
                if (!company.empty() && Mask::upper(trim(p->text("COMPAGNIA"))) != company &&
                    Mask::upper(trim(p->text("RAPPORTO"))) != company)
                    continue;
                if (!number.empty() && Mask::upper(trim(p->text("POLIZZA"))) != number) continue;
                if (from || to) {
                    const Date c = p->date("COPERTURA");
                    if (Mask::upper(trim(p->text("FRAZIONAM"))) == "ANNUALE" || c == p->date("SCADENZA")) continue;
                    if ((from && c < from) || (to && c > to)) continue;
                }
                byClient[trim(p->text("ASSICURATO"))].push_back(
                    {trim(p->text("RAMO")), trim(p->text("POLIZZA")), trim(p->text("COMPAGNIA"))});
            }
        }
        const std::string c1 =
            "1. Con la presente Vi affido l'incarico di amministrare in via esclusiva il mio portafoglio assicurativo, ";
        const std::string authorise = "autorizzandovi ad intrattenere, nel mio interesse, tutti i rapporti con le Compagnie "
                                      "di Assicurazione ed a trattare con esse la stipulazione di nuove polizze, il "
                                      "rinnovo e le eventuali modifiche di quelle in essere";
        const char* const clauses[] = {
            "2. In attuazione al presente incarico Voi mi fornirete la Vostra consulenza ed assistenza nella fase di "
            "determinazione del contenuto gestione ed esecuzione dei contratti assicurativi, inclusa l'assistenza e "
            "gestione ordinaria degli eventuali sinistri.",
            "3. Io sottoscritto mi impegno a farVi pervenire le somme dovute agli Assicuratori a titolo di premio per le "
            "polizze in corso, o per quelle che verranno successivamente stipulate, nei tempi necessari alla corretta "
            "copertura dei contratti.",
            "4. Resta ferma la mia piena libertà di accettare o meno la stipulazione delle polizze e la liquidazione dei "
            "sinistri che mi verranno da Voi proposti.",
            "5. Per l'incarico conferitoVi ed il suo espletamento non graveranno sul sottoscritto oneri per compensi o "
            "rimborsi, salvo eventuali incarichi o prestazioni da concordarsi di volta in volta, in quanto la Vostra "
            "opera verrà remunerata per il tramite delle Compagnie di Assicurazione presso le quali collocherete le mie "
            "coperture.",
            "6. Il presente incarico avrà effetto con decorrenza immediata e si intende conferito a tempo indeterminato, "
            "salva la facoltà, in qualsiasi momento, di revoca da parte mia o di rinuncia da parte Vostra."};
        const PrintFont body("Arial", 10), bold("Arial", 10, true);
        for (const auto& [name, rows] : byClient) {
            if (job.pageOpen()) job.endPage();
            job.startPage();
            LetterWriter w(job, body, 5);
            placeAndDate(w, env, v.date("DATA"));
            w.skip();
            w.line("Spett.le", 40);
            for (const std::string& l : broker)
                if (!l.empty()) w.line(l, 40);
            w.skip(2);
            w.line("Oggetto: ", 0, bold);
            w.same("Incarico di brokeraggio.", 8, bold);
            w.skip();
            if (v.logical("GENERALE")) {
                w.paragraph(c1 + authorise + ".", 0, 0, true);
            } else {
                w.paragraph(c1 + "limitatamente ai seguenti rischi:", 0, 0, true);
                for (const Row& r : rows) {
                    w.line("Polizza ramo: ", 2, bold);
                    w.same(r.branch, 14, std::nullopt, 10);
                    w.same("n°: ", 25, bold);
                    w.same(r.number, 29, std::nullopt, 10);
                    w.same("Compagnia: ", 40, bold);
                    w.same(r.company, 50);
                }
                w.paragraph(authorise + " sopraindicate.", 0, 0, true);
            }
            for (const char* c : clauses) {
                w.skip();
                w.paragraph(c, 0, 0, true);
            }
            w.skip(2);
            const ClientData c = ADATIASSI(ws, name);
            w.line(name, 0, bold);
            w.centred("(" + name + ")", body, 40, 25);
            w.line(trim(c.address), 0, bold);
            w.line(townLine(c.postCode, c.town, c.province), 0, bold);
        }
    };
    return f;
}

FormDesc selfCertForm()
{
    FormDesc f;
    f.choice = " Autocertificazione";
    f.name = "AUTOCERT";
    f.title = "Autocertificazione";
    f.fax = true;
    EditField taxCode = text("Codice fiscale:", "CODICEFISC", "@! AAAAAA99A99A999A", 16);
    taxCode.rule = [](const std::string& s, const EditValues&) { return trim(s).empty() || ISCOD(trim(s)); };
    f.fields = {client("Cliente:", "CLIENTE"),
                text("Indirizzo:", "INDIRIZZO", "", 35),
                text("Città:", "CITTA", "", 25),
                beside(text("C.A.P.:", "CAP", "99999", 5)),
                beside(text("Provincia:", "PROVINCIA", "@! AA", 2)),
                taxCode,
                date("Data di nascita:", "DATANASC"),
                beside(text("Comune di nascita:", "COMUNASC", "", 25))};
    for (int i = 1; i <= 2; ++i) {
        const std::string n = std::to_string(i);
        f.fields.push_back(text("Cognome e nome:", "PNOME" + n, "", 35));
        f.fields.push_back(beside(date("Nato il:", "PNATO" + n)));
        f.fields.push_back(beside(text("Comune:", "PCOMUNE" + n, "", 20)));
        f.fields.push_back(beside(text("Parentela:", "PPARENT" + n, "", 15)));
    }
    f.leave = [](Workspace& ws, const std::string& field, EditValues& v) {
        if (field != "CLIENTE") return;
        fillClientAddress(ws, v.get("CLIENTE"), v);
        const ClientData c = ADATIASSI(ws, v.get("CLIENTE"));
        v.set("CODICEFISC", trim(c.taxCode));
        v.set("DATANASC", dateText(c.birthDate));
        v.set("COMUNASC", birthTown(ws, v.get("CLIENTE")));
    };
    f.print = [](Workspace&, const FormEnv&, const EditValues& v, TPRINTER& job) {
        LetterWriter w(job, kBody, 5);
        job.startPage();
        w.skip();
        w.centred("D I C H I A R A Z I O N E   S O S T I T U T I VA   D I   C E R T I F I C A Z I O N E", kBold);
        w.centred("(art. 46 D.P.R. 445 del 28.12.2000)", kBody);
        w.skip(2);
        w.paragraph("Il sottoscritto " + trim(v.get("CLIENTE")) + " nato a " + trim(v.get("COMUNASC")) + " il giorno " +
                    dateText(v.date("DATANASC")));
        w.paragraph("residente a " + trim(v.get("CITTA")) + " in " + trim(v.get("INDIRIZZO")) + " provincia " +
                    trim(v.get("PROVINCIA")) + ",");
        w.paragraph("codice fiscale " + trim(v.get("CODICEFISC")) + ",");
        w.skip();
        w.paragraph("consapevole delle sanzioni civili e penali previste dall'art. 76, DPR n. 445/2000 in caso di "
                    "dichiarazioni mendaci e della decadenza dei benefici eventualmente conseguenti al provvedimento "
                    "emanato sulla base di dichiarazioni non veritiere di cui all'art. 75, DPR n. 445/2000, con la "
                    "presente",
                    0, 0, true);
        w.skip();
        w.centred("DICHIARA", kBold);
        w.skip();
        w.paragraph("- di essere residente a " + trim(v.get("CITTA")) + " in " + trim(v.get("INDIRIZZO")) + " provincia " +
                    trim(v.get("PROVINCIA")) + ";");
        w.paragraph("- che la famiglia convivente alla data odierna è composta dalle seguenti persone:");
        w.skip();
        const PrintFont small("Arial", 9), smallBold("Arial", 9, true);
        w.line("Cognome e Nome", 2, smallBold);
        w.same("Luogo Nascita", 25, smallBold);
        w.same("Data Nascita", 40, smallBold);
        w.same("Rapporto di parentela", 50, smallBold);
        auto person = [&](const char* n, const std::string& name, const std::string& town, const std::string& born,
                          const std::string& relation) {
            w.line(n, 0, small);
            w.same(name, 2, small, 22);
            w.same(town, 25, small, 14);
            w.same(born, 40, small);
            w.same(relation, 50, small);
        };
        person("1.", trim(v.get("CLIENTE")), trim(v.get("COMUNASC")), dateText(v.date("DATANASC")), "dichiarante");
        person("2.", trim(v.get("PNOME1")), trim(v.get("PCOMUNE1")), dateText(v.date("PNATO1")), trim(v.get("PPARENT1")));
        person("3.", trim(v.get("PNOME2")), trim(v.get("PCOMUNE2")), dateText(v.date("PNATO2")), trim(v.get("PPARENT2")));
        w.skip(3);
        w.line("Firma", 40);
        w.same(std::string(30, '_'), 46);
        w.skip(2);
        w.line("In allegato: ");
        w.same("fotocopia documento di identità valido.", 12);
        w.skip();
        w.line("Esente da imposta di bollo ai sensi dell'art. 37 D.P.R. 445/2000", 0, small);
        w.paragraph("La presente dichiarazione ha validità per 6 mesi (art. 41 D.P.R. 445/2000); se i documenti che "
                    "sostituisce hanno validità maggiore ha la stessa validità di essi.",
                    0, 0, false, small);
        w.paragraph("Tale dichiarazione può essere trasmessa via fax o con strumenti telematici (art. 38 D.P.R.445/2000).",
                    0, 0, false, small);
    };
    return f;
}

std::vector<FormDesc> makeForms()
{
    std::vector<FormDesc> forms = {faxForm(),         letterForm(),       refundForm(),      claimForm(),
                                   provisionalForm(), allowanceForm(),    reminderForm(false), lifeReminderForm(),
                                   legalForm(),       requestForm(false), requestForm(true), quoteForm(),
                                   coverageForm(),    cancellationForm(), releaseForm(),     returnForm(),
                                   collectForm(),     invoiceForm(),      reminderForm(true), plateForm(),
                                   suspensionForm(),  revocationForm(),   circulationForm(), brokerForm(),
                                   selfCertForm()};
    return forms;
}

} // namespace

std::vector<std::string> AMOTIVI()
{
    return {"",
            "Annullato senza effetto",
            "Appendice perfezionata",
            "Copia atto di vendita",
            "Copia libretto",
            "Copia voltura al PRA",
            "Denuncia cautelativa sinistro",
            "Denuncia sinistro furto",
            "Dichiarazione di vendita",
            "Dichiarazione rottamazione",
            "Disdetta cliente",
            "Irreperibilità cliente",
            "Originale attestato rischio",
            "Originale certificato/contrassegno",
            "Polizza non perfezionata",
            "Polizza perfezionata",
            "Quietanza",
            "Quietanza annullata",
            "Quietanza per disdetta",
            "Seguito sinistro",
            "Sostituzione polizza",
            "Stampa errata",
            "Titolo insoluto"};
}

FormEnv FormEnv::load(const std::string& iniPath, Date today)
{
    FormEnv e;
    e.iniPath = iniPath;
    e.today = today;
    e.agency.load(IniFile(iniPath));
    return e;
}

const std::vector<FormDesc>& formDescriptions()
{
    static const std::vector<FormDesc> forms = makeForms();
    return forms;
}

const FormDesc* findForm(const std::string& name, const std::string& choice)
{
    for (const FormDesc& f : formDescriptions())
        if (f.name == name && (choice.empty() || trim(f.choice) == trim(choice))) return &f;
    return nullptr;
}

EditValues openingValues(Workspace& ws, const FormDesc& form, const FormEnv& env)
{
    EditValues v = blankValues(form.fields);
    for (const EditField& f : form.fields)
        if (f.kind == FieldKind::Date && (f.field == "DATA")) v.set(f.field, env.today.toDisplay());
    if (form.prepare) form.prepare(ws, env, v);
    return v;
}

void leaveField(Workspace& ws, const FormDesc& form, const std::string& field, EditValues& values)
{
    if (form.leave) form.leave(ws, field, values);
}

PrintDocument printForm(Workspace& ws, const FormDesc& form, const FormEnv& env, const EditValues& values,
                        TPRINTER::Options options)
{
    options.docName = form.jobName ? form.jobName(values) : form.title;
    TPRINTER job(options);
    if (!job.valid()) return {};
    form.print(ws, env, values, job);
    if (job.pageOpen()) job.endPage();
    PrintDocument doc = job.document();
    job.end();
    return doc;
}

int nextInvoiceNumber(const std::string& iniPath)
{
    return IniFile(iniPath).getInt(kInvoiceSection, "Numero", 0) + 1;
}

bool keepInvoiceNumber(const std::string& iniPath, int number)
{
    if (number <= 0) return false;
    IniFile ini(iniPath);
    return ini.setIf(kInvoiceSection, "Numero", std::to_string(number), [number](const std::string& current) {
        const std::string c = trim(current);
        long long stored = 0;
        for (char ch : c) {
            if (ch < '0' || ch > '9') break;
            stored = std::min(stored * 10 + (ch - '0'), 1LL << 40);
        }
        return number > stored;
    });
}

size_t printRevocation(Workspace& ws, const FormEnv& env, const std::string& producer, TPRINTER& job)
{
    const std::string wanted = Mask::upper(trim(producer));
    if (wanted.empty()) return 0;
    // The producer's clients, in the register's order.
    std::vector<ClientData> clients;
    {
        OwnTable c(ws, "CLIENTI", true);
        c->ordAdd("CLIENTI");
        auto batch = c->readBatch();
        for (c->goTop(); !c->eof(); c->skip(1)) {
            if (Mask::upper(trim(c->text("SUBAGENTE"))) != wanted) continue;
            ClientData d;
            d.title = trim(c->text("TITOLO"));
            d.name = trim(c->text("CLIENTE"));
            d.address = trim(c->text("INDIRIZZO"));
            d.postCode = trim(c->text("CAP"));
            d.town = trim(c->text("CITTA"));
            d.province = trim(c->text("PROVINCIA"));
            clients.push_back(std::move(d));
        }
    }
    OwnTable p(ws, "POLIZZE", true);
    p->ordAdd("POLIZZE");
    const PrintFont small("Arial", 9), smallBold("Arial", 9, true);
    size_t letters = 0;
    for (const ClientData& client : clients) {
        if (job.cancelled()) break;
        struct Row {
            Date coverage;
            std::string number, company, branch;
            Decimal amount;
        };
        std::vector<Row> rows;
        const std::string key = indexKey(client.name, 35, true);
        for (p->seek(key, true); !p->eof() && p->currentKey().compare(0, key.size(), key) == 0; p->skip(1)) {
            if (!p->logical("AVVISO") || !trim(p->text("SOSTDA")).empty() || p->logical("DISDETTA")) continue;
            rows.push_back({p->date("COPERTURA"), trim(p->text("POLIZZA")), trim(p->text("COMPAGNIA")),
                            trim(p->text("RAMO")), p->number("IMPORTO") + p->number("COMMISS") + p->number("SPESE")});
        }
        std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.coverage < b.coverage; });
        if (job.pageOpen()) job.endPage();
        job.startPage();
        LetterWriter w(job, kBody, 5);
        letterhead(w, env.agency);
        w.skip(2);
        placeAndDate(w, env, env.today);
        w.skip(2);
        addressee(w, {client.title, client.name, client.address, townLine(client.postCode, client.town, client.province)});
        w.skip(3);
        w.paragraph("Con la presente, Le comunichiamo che il Sig. " + trim(producer) +
                        " non collabora più con la nostra Agenzia.",
                    0, 0, true);
        w.paragraph("Pertanto, qualsiasi atto dovrà, per il futuro, intercorrere direttamente tra Lei e la nostra Agenzia.",
                    0, 0, true);
        w.skip();
        w.line("Le ricordiamo quali sono le prossime scadenze delle Sue polizze:");
        w.skip();
        w.line("POLIZZA N.", 0, smallBold);
        w.same("COMPAGNIA", 18, smallBold);
        w.same("RAMO", 40, smallBold);
        w.same("SCADENZA", 55, smallBold);
        w.right("IMPORTO", 75, smallBold);
        for (const Row& r : rows) {
            w.line(r.number, 0, small, 17);
            w.same(r.company, 18, small, 21);
            w.same(r.branch, 40, small, 14);
            w.same(dateText(r.coverage), 55, small);
            w.right(money(r.amount), 75, small);
        }
        w.skip();
        w.paragraph("Nel raccomandarLe quanto sopra esposto, rimaniamo a Sua completa disposizione per ogni esigenza "
                    "e/o chiarimento.",
                    0, 0, true);
        w.skip();
        w.line("Cordiali saluti.");
        w.skip(2);
        w.line("L'Agenzia", 50);
        ++letters;
    }
    return letters;
}

} // namespace arv::reporting
