#include "sales/questionnaire.h"

#include <algorithm>
#include <filesystem>
#include <memory>

#include "common/checks.h"
#include "common/docx.h"
#include "common/error.h"
#include "common/ini.h"
#include "common/lists.h"
#include "common/mask.h"
#include "common/numfmt.h"
#include "common/office.h"
#include "common/taxcode.h"
#include "common/text.h"
#include "store/keys.h"

namespace arv::sales {

namespace fs = std::filesystem;
using namespace store;
using namespace records;

namespace {

constexpr const char* kFeeMask = "@EZ 9,999.99";
constexpr const char* kExpensesMask = "@EZ 999.99";
constexpr const char* kWithholdingMask = "@EZ 999.99";
constexpr const char* kDirectManagement = "GESTIONE DIRETTA";
constexpr const char* kCompanyTitle = "SPETT.LE";

std::string upperTrim(std::string_view s) { return Mask::upper(trim(s)); }

std::vector<std::string> withEmpty(std::vector<std::string> l)
{
    if (l.empty() || !l.front().empty()) l.insert(l.begin(), std::string());
    return l;
}

// An amount as a field of MASK shows it; a value too wide for the mask is written whole, so that
// the field's re-check refuses it instead of the value being cut.
std::string amountText(const Decimal& value, const char* mask)
{
    const Mask m(mask);
    if (m.fits(value)) return trim(m.formatNumber(value));
    return trim(EZSTR(value, 20));
}

bool dateGiven(const std::string& value, const EditValues&) { return Mask::parseDate(value).status == DateStatus::Valid; }

EditField required(EditField f)
{
    f.rule = requiredRule;
    return f;
}

std::vector<std::string> producers() { return withEmpty(records::APRODUTT(workspace())); }

// Page 1 of both forms: the date, the policy, the client and his data.
std::vector<EditField> identityFields(const char* policyLabel)
{
    EditField type = textField(kFType, "", "TIPO");
    EditField date = dateField(kFDate, "Data:", "DATA");
    date.rule = dateGiven;
    EditField policy = textField(kFPolicy, policyLabel, "POLIZZA");
    policy.rule = [](const std::string& v, const EditValues&) { return !filled(v) || ISPOLIZZA(workspace(), trim(v)); };
    EditField taxCode = textField(kFTaxCode, "Cod. fisc.:", "CODICEFISC", "@!");
    taxCode.rule = [](const std::string& v, const EditValues&) { return !filled(v) || ISCOD(v); };
    // A person's tax code gives the birth date at once.
    taxCode.changed = [](EditValues& v) {
        const std::string code = trim(v.get("CODICEFISC"));
        if (plainTaxCode(code).empty()) return;
        v.set("DATANASC", DATANASCCDF(code).toDisplay());
    };
    EditField vat = textField(kFVat, "Partita IVA:", "PARTITAIVA", "99999999999");
    vat.rule = [](const std::string& v, const EditValues&) { return !filled(v) || ISIVA(trim(v)); };
    return {type,
            date,
            policy,
            required(textField(kFClient, "Cliente:", "CLIENTE")),
            required(textField(kFAddress, "Indirizzo:", "INDIRIZZO")),
            required(textField(kFTown, "Città:", "CITTA")),
            required(textField(kFPostCode, "C.A.P.:", "CAP", "99999")),
            required(textField(kFProvince, "Provincia:", "PROVINCIA", "@! AA")),
            taxCode,
            vat,
            dateField(kFBirth, "Nato il:", "DATANASC")};
}

RegisterDesc formBase()
{
    RegisterDesc d;
    d.name = "QUESTADE";
    d.title = "Precontrattuale";
    d.table = "QUESTADE";
    d.orders = {"QUESTADE"};
    d.editName = "QUESTADE2";
    d.hiddenFields = {kFType};
    d.fieldLeft = [](int id, EditValues& v) { questionnaireFieldLeft(workspace(), id, v); };
    return d;
}

RegisterDesc buildMotorForm()
{
    RegisterDesc d = formBase();
    d.pages = {"Pagina 1", "Pagina 2", "Pagina 3", "Pagina 4"};
    d.fields = identityFields("Polizza n./Preventivo n.:");
    d.fields.push_back(required(choiceField(kFProfession, "Profess.:", "PROFESS", APROFESS)));
    d.fields.push_back(numberField(kFFee, "Consulenza:", "COMMISS", kFeeMask));
    d.fields.push_back(numberField(kFExpenses, "Spese:", "SPESE", kExpensesMask));
    d.fields.push_back(numberField(kFWithholding, "Rit. acconto:", "RITACC", kWithholdingMask));
    d.fields.push_back(choiceField(kFHandler, "Addetto:", "ADDETTO", producers));
    d.fields.push_back(choiceField(kFInternal, "Interno:", "INTERNO", producers));
    d.fields.push_back(logicalField(kFHolder, "Titolare:", "TITOLARE"));
    for (const Question& q : questions()) {
        const std::vector<std::string> options = q.options;
        EditField f = choiceField(kFAnswer1 + q.number - 1, q.text, FieldName::runtime(answerField(q.number)),
                                  [options] { return options; }, q.typed, q.number <= 9 ? 1 : q.number <= 15 ? 2 : 3);
        f.labelAbove = true;
        if (q.dependsOn) {
            const int number = q.number;
            f.enabled = [number](const EditValues& v) { return questionEnabled(number, v); };
        }
        d.fields.push_back(f);
    }
    return d;
}

RegisterDesc buildOtherForm()
{
    RegisterDesc d = formBase();
    d.editName = "QUESTADE2A1";
    d.pages = {"Pagina 1"};
    d.fields = identityFields("Polizza n.:");
    d.fields.push_back(required(choiceField(kFCoverType, "Tipo copertura:", "TIPOCOPE", ATIPICOPE)));
    d.fields.push_back(choiceField(kFNeed, "Esigenza:", "ESIGENZA", AESIGENZE));
    d.fields.push_back(numberField(kFFee, "Consulenza:", "COMMISS", kFeeMask));
    d.fields.push_back(numberField(kFWithholding, "Ritenuta d'acconto:", "RITACC", kWithholdingMask));
    d.fields.push_back(choiceField(kFHandler, "Addetto:", "ADDETTO", producers));
    d.fields.push_back(logicalField(kFHolder, "Titolare:", "TITOLARE"));
    d.fields.push_back(choiceField(kFInternal, "Interno:", "INTERNO", producers));
    return d;
}

// The entry of the module's profession list that TEXT names in any case (the clients' professions
// are often in capitals), else TEXT itself.
std::string professionEntry(const std::string& text)
{
    for (const std::string& p : APROFESS())
        if (!p.empty() && upperTrim(p) == upperTrim(text)) return p;
    return trim(text);
}

std::string yesNo(bool yes) { return yes ? kYes : kNo; }

} // namespace

// ---------------------------------------------------------------- types and lists

std::string typeDescription(std::string_view type)
{
    const std::string t = upperTrim(type);
    if (t == "T") return "Ramo Auto Gestione Telefoniche";
    if (t == "R") return "Ramo Auto";
    if (t == "I") return "Infortuni/Sanitaria";
    if (t == "C") return "Casa/Famiglia/Fabbricato";
    if (t == "A") return "Altri rami";
    return std::string();
}

bool isMotorType(std::string_view type)
{
    const std::string t = upperTrim(type);
    return t == "T" || t == "R";
}

std::string templateName(std::string_view type)
{
    const std::string t = upperTrim(type);
    if (t == "T") return "Precontrattuale Telefoniche.docx";
    if (t == "R") return "Precontrattuale Ramo Auto.docx";
    return "Precontrattuale Altri Rami.docx";
}

std::string questionnaireType(std::string_view branch, bool telephone)
{
    if (upperTrim(branch).rfind("AUTO", 0) != 0) return "A";
    return telephone ? "T" : "R";
}

std::vector<std::string> APROFESS()
{
    return {"",           "Agente",         "Agricoltore",       "Agronomo",   "Architetto",
            "Artigiano",  "Avvocato",       "Benestante",        "Casalinga",  "Commercialista",
            "Commerciante", "Consulente lavoro", "Dirigente",   "Disoccupato", "Farmacista",
            "Geometra",   "Impiegato",      "Imprenditore",      "Ingegnere",  "Insegnante",
            "Medico",     "Notaio",         "Operaio",           "Paramedico/Op.sanit.", "Pensionato",
            "Professore", "Quadro/Funzionario", "Studente",      "Altro"};
}

const std::vector<Question>& questions()
{
    static const std::vector<Question> all = [] {
        const std::vector<std::string> yesNoNone = {kYes, kNo, kNoAnswer};
        std::vector<Question> q;
        auto add = [&](const char* text, std::vector<std::string> options, const char* initial, int dependsOn,
                       bool typed = false) {
            Question x;
            x.number = static_cast<int>(q.size()) + 1;
            x.text = text;
            x.options = std::move(options);
            x.initial = initial;
            x.dependsOn = dependsOn;
            x.typed = typed;
            q.push_back(std::move(x));
        };
        add("Quali sono gli obiettivi assicurativi che intende perseguire con la stipula del contratto?",
            {"Assicurare un veicolo", kNoAnswer}, "Assicurare un veicolo", 0);
        add("Sono in corso coperture assicurative in relazione ai Suoi obiettivi?", yesNoNone, kNo, 0);
        add("E' interessato ad una copertura per la responsabilità civile obbligatoria?", yesNoNone, kYes, 0);
        add("Per quale massimale desidera essere assicurato?", AMASSIMALI(), "2.582.284,50", 3, true);
        add("Esistono delle limitazioni all'operatività della garanzia: desidera eliminarne alcune con un "
            "sovrappremio?",
            yesNoNone, kNo, 3);
        add("Il veicolo è guidato esclusivamente dal proprietario?", yesNoNone, kNo, 3);
        add("Il veicolo è guidato esclusivamente da persona di età superiore a 25 anni?", yesNoNone, kNo, 3);
        add("E' interessato ad una copertura diversa dalla responsabilità civile obbligatoria?", yesNoNone, kNo, 0);
        add("E' interessato ad una copertura assicurativa per i danni causati da incendio?", yesNoNone, kYes, 8);
        add("E' interessato ad una copertura assicurativa per i danni causati da furto?", yesNoNone, kYes, 8);
        add("E' interessato ad una copertura assicurativa per i danni causati da un urto con un altro veicolo "
            "identificato?",
            yesNoNone, kYes, 8);
        add("E' interessato ad una copertura assicurativa per i danni causati da un urto comunque verificatosi?",
            yesNoNone, kYes, 8);
        add("E' interessato ad una copertura assicurativa per i danni causati da atti dolosi di terzi (per es. gli "
            "atti vandalici) e da fenomeni naturali (per es. grandine, uragani, tempeste, trombe d'aria)?",
            yesNoNone, kYes, 8);
        add("E' interessato ad una copertura assicurativa per i danni causati a terzi dall'incendio del veicolo "
            "quando non è in circolazione?",
            yesNoNone, kYes, 8);
        add("E' interessato ad una copertura assicurativa ulteriore rispetto alle precedenti e che le completi "
            "(rinuncia alla rivalsa per guida in stato di ebbrezza, spese di dissequestro, carico e scarico, "
            "soccorso vittime della strada, danni da incendio subiti in occasione di eventi socio-politici, "
            "rimborso spese documenti, danni al box o rimessa, ricorso terzi da incendio, spese di rimozione e "
            "parcheggio, danni al veicolo conseguenti al furto di cose non assicurate, spese per sottrazione o "
            "smarrimento chiavi, cristalli, danni al bagaglio, collisione con veicoli non assicurati, dispositivi "
            "di sicurezza, impianto antifurto e/o sistema di localizzazione satellitare, reintegro spese "
            "conseguenti alla perdita totale del veicolo)?",
            yesNoNone, kYes, 8);
        add("E' interessato, nel caso di sospensione della patente di guida e per rimediare almeno in parte a "
            "questo disagio, a ricevere una somma di danaro giornaliera?",
            yesNoNone, kYes, 8);
        add("E' interessato a disporre, in relazione al veicolo in questione, di una somma di danaro per le spese "
            "di natura giudiziaria connesse all'intervento di un legale, di un perito, spese di soccombenza e di "
            "giustizia?",
            yesNoNone, kYes, 8);
        add("E' interessato ad una copertura assicurativa contro gli infortuni del conducente in conseguenza "
            "della circolazione?",
            yesNoNone, kYes, 8);
        add("E' interessato a ricevere assistenza qualora si trovi in difficoltà a seguito del verificarsi di un "
            "evento imprevedibile, che renda il veicolo inutilizzabile o indisponibile, oppure a seguito di un "
            "evento fortuito che produca lesioni a seguito della circolazione del predetto veicolo?",
            yesNoNone, kYes, 8);
        add("Qual è la Sua disponibilità di spesa per soddisfare le esigenze assicurative che sono emerse dal "
            "questionario che Le abbiamo sottoposto?",
            {"Fino a 100,00", "Da 100,01 a 1.000,00", "Da 1.000,01 a 2.500,00", "Oltre 2.500,00", kNoAnswer},
            "Da 100,01 a 1.000,00", 0);
        add("Le interessa ripartire nel corso dell'anno l'importo del premio?", yesNoNone, kYes, 0);
        return q;
    }();
    return all;
}

std::string answerField(int number) { return "RISPOSTA" + std::to_string(number); }

bool questionEnabled(int number, const EditValues& values)
{
    if (number < 1 || number > static_cast<int>(questions().size())) return false;
    const int on = questions()[static_cast<size_t>(number - 1)].dependsOn;
    return on == 0 || trim(values.get(answerField(on))) == kYes;
}

// ---------------------------------------------------------------- forms

const RegisterDesc& motorForm()
{
    static const RegisterDesc d = buildMotorForm();
    return d;
}

const RegisterDesc& otherForm()
{
    static const RegisterDesc d = buildOtherForm();
    return d;
}

const RegisterDesc& formOf(std::string_view type) { return isMotorType(type) ? motorForm() : otherForm(); }

std::string formCaption(bool inserting, std::string_view type)
{
    const std::string verb = inserting ? kCaptionInsert : kCaptionModify;
    return verb + " " + (isMotorType(type) ? typeDescription(type) : std::string("Altri rami"));
}

EditValues newValues(std::string_view type, Date today)
{
    const RegisterDesc& form = formOf(type);
    EditValues v = blankValues(form.fields);
    v.set("TIPO", upperTrim(type));
    v.set("DATA", today.toDisplay());
    if (isMotorType(type))
        for (const Question& q : questions()) v.set(answerField(q.number), q.initial);
    return v;
}

// ---------------------------------------------------------------- ADATIPOL

bool VehicleData::anyCover() const
{
    return accident || glass || ownDamage || fireTheft || flammables || vandalism || fireDamage || licence || legal ||
           assistance;
}

ProducerData producerData(Workspace& ws, const std::string& name)
{
    ProducerData p;
    if (trim(name).empty()) return p;
    OwnTable t(ws, "PRODUTT", true);
    t->ordAdd("PRODUTT");
    if (!t->seek(indexKey(trim(name), 35, true))) return p;
    p.found = true;
    p.name = t->text("PRODUTTORE");
    p.address = t->text("INDIRIZZO");
    p.postCode = t->text("CAP");
    p.town = t->text("CITTA");
    p.province = t->text("PROVINCIA");
    p.officePhone = t->text("TELUFFICIO");
    p.email = t->text("E_MAIL");
    p.pec = t->text("PEC");
    p.website = t->text("SITOWEB");
    p.qualification = t->text("QUALIFICA");
    p.rui = t->text("NUMERUI");
    p.ruiDate = t->date("DATARUI");
    return p;
}

PolicyData ADATIPOL(Workspace& ws, const std::string& number, const std::string& handler)
{
    PolicyData d;
    d.handler = producerData(ws, handler);
    if (trim(number).empty()) return d;
    {
        OwnTable p(ws, "POLIZZE", true);
        p->ordAdd("NUMPOL");
        if (!p->seek(indexKey(rtrim(number), 25, false))) return d;
        d.found = true;
        d.number = p->text("POLIZZA");
        d.code = p->raw("CODICE");
        d.client = p->text("ASSICURATO");
        d.company = p->text("COMPAGNIA");
        d.agreement = p->text("RAPPORTO");
        d.branch = p->text("RAMO");
        d.fraction = p->text("FRAZIONAM");
        d.producer = p->text("PRODUTTORE");
        d.effect = p->date("EFFETTO");
        d.coverage = p->date("COPERTURA");
        d.premium = p->number("IMPORTO");
        d.fee = p->number("COMMISS");
        d.expenses = p->number("SPESE");
        d.agencyCommission = p->number("PROVVAGEN");
        d.telephone = p->logical("TELEFONICA");
    }
    if (filled(d.client)) d.insured = records::ADATIASSI(ws, d.client);
    {
        OwnTable s(ws, "DATIAUTO", true);
        s->ordAdd("DATIAUTO");
        if (s->seek(d.code)) {
            VehicleData& v = d.vehicle;
            v.found = true;
            v.type = s->text("VEICOLO");
            v.plate = s->text("TARGA");
            v.limits = s->text("MASSIMALI");
            v.exclusive = s->logical("GDXCON");
            v.expert = s->logical("GDECON");
            v.free = s->logical("GDLCON");
            v.accident = s->logical("INFORTUNI");
            v.glass = s->logical("CRISTALLI");
            v.ownDamage = s->logical("KASKO");
            v.fireTheft = s->logical("INCENFURT");
            v.flammables = s->logical("INFIAMMAB");
            v.vandalism = s->logical("ATTIVAND");
            v.fireDamage = s->logical("DANNIINC");
            v.licence = s->logical("RITPAT");
            v.legal = s->logical("TUTLEG");
            v.assistance = s->logical("ASSIST");
            v.weather = s->logical("EVEATM");
            v.telematics = s->logical("OCTOTEL");
        }
    }
    if (filled(d.agreement)) {
        OwnTable c(ws, "COMPAGN", true);
        c->ordAdd("COMPAGN");
        if (c->seek(indexKey(trim(d.agreement), 35, true))) {
            d.agreementData.found = true;
            d.agreementData.rui = c->text("NUMERUI");
            d.agreementData.ruiDate = c->date("DATARUI");
            d.agreementData.ratified = c->logical("RATIFICATO");
        }
    }
    d.producerData = producerData(ws, d.producer);
    return d;
}

// ---------------------------------------------------------------- withholding

Decimal withholdingRate(const std::string& folder)
{
    static const Decimal kDefault = *Decimal::parse("11.5");
    return IniFile((fs::path(folder) / "ARV.INI").string()).getDecimal("Emissione fatture", "Aliquota RA", kDefault);
}

Decimal withholding(const Decimal& fee, const Decimal& rate) { return (fee * rate / Decimal(100)).round(2); }

void recomputeWithholding(EditValues& v, const Decimal& rate)
{
    Decimal w;
    if (filled(v.get("POLIZZA")) && filled(v.get("PARTITAIVA"))) w = withholding(v.number("COMMISS"), rate);
    v.set("RITACC", amountText(w, kWithholdingMask));
}

// ---------------------------------------------------------------- loading

namespace {

// The client's data over the form's; a person's missing birth date comes from the tax code.
void putClient(EditValues& v, const ClientData& c)
{
    v.set("INDIRIZZO", rtrim(c.address));
    v.set("CITTA", rtrim(c.town));
    v.set("CAP", rtrim(c.postCode));
    v.set("PROVINCIA", rtrim(c.province));
    v.set("CODICEFISC", rtrim(c.taxCode));
    v.set("PARTITAIVA", rtrim(c.vatNumber));
    Date birth = c.birthDate;
    if (!birth && !plainTaxCode(trim(c.taxCode)).empty()) birth = DATANASCCDF(trim(c.taxCode));
    v.set("DATANASC", birth.toDisplay());
    v.set("PROFESS", professionEntry(c.profession));
}

} // namespace

bool loadClient(Workspace& ws, EditValues& v)
{
    const std::string name = trim(v.get("CLIENTE"));
    if (name.empty()) return false;
    const ClientData c = records::ADATIASSI(ws, name);
    if (!filled(c.name)) return false;
    putClient(v, c);
    return true;
}

void applyVehicleAnswers(EditValues& v, const PolicyData& p)
{
    const VehicleData& s = p.vehicle;
    auto answer = [&v](int n, const std::string& text) { v.set(answerField(n), text); };
    answer(4, trim(s.limits));
    answer(6, yesNo(s.exclusive));
    answer(7, yesNo(s.expert));
    answer(8, yesNo(s.anyCover()));
    answer(9, yesNo(s.fireTheft));
    answer(10, yesNo(s.fireTheft));
    answer(11, yesNo(s.ownDamage));
    answer(12, yesNo(s.ownDamage));
    answer(13, yesNo(s.vandalism));
    answer(14, yesNo(s.fireDamage));
    answer(15, yesNo(s.glass));
    answer(16, yesNo(s.licence));
    answer(17, yesNo(s.legal));
    answer(18, yesNo(s.accident));
    answer(19, yesNo(s.assistance));
    const std::string fraction = rtrim(p.fraction);
    answer(21, yesNo(!(fraction.empty() || fraction == "ANNUALE" || fraction == "PREMIO UNICO")));
}

void loadFromPolicy(Workspace& ws, EditValues& v, const Decimal& rate)
{
    const std::string number = trim(v.get("POLIZZA"));
    if (number.empty()) {
        v.set("COMMISS", "");
        v.set("SPESE", "");
        v.set("RITACC", "");
        return;
    }
    const PolicyData p = ADATIPOL(ws, number);
    if (!p.found) return;
    v.set("CLIENTE", p.client);
    putClient(v, p.insured);
    v.set("COMMISS", amountText(p.fee, kFeeMask));
    v.set("SPESE", amountText(p.expenses, kExpensesMask));
    recomputeWithholding(v, rate);
    if (isMotorType(v.get("TIPO"))) applyVehicleAnswers(v, p);
}

void questionnaireFieldLeft(Workspace& ws, int id, EditValues& v)
{
    switch (id) {
    case kFPolicy: loadFromPolicy(ws, v, withholdingRate(ws.folder())); break;
    case kFClient:
        loadClient(ws, v);
        recomputeWithholding(v, withholdingRate(ws.folder()));
        break;
    case kFFee:
    case kFVat: recomputeWithholding(v, withholdingRate(ws.folder())); break;
    default: break;
    }
}

// ---------------------------------------------------------------- the document

Questionnaire readQuestionnaire(const Table& t)
{
    Questionnaire q;
    q.type = trim(t.text("TIPO"));
    q.date = t.date("DATA");
    q.policy = trim(t.text("POLIZZA"));
    q.client = t.text("CLIENTE");
    q.fee = t.number("COMMISS");
    q.expenses = t.number("SPESE");
    q.withholding = t.number("RITACC");
    q.handler = t.text("ADDETTO");
    q.internal = t.text("INTERNO");
    q.holder = t.logical("TITOLARE");
    q.coverType = t.text("TIPOCOPE");
    q.need = t.text("ESIGENZA");
    for (int n = 1; n <= 21; ++n) q.answers.push_back(t.text(FieldName::runtime(answerField(n))));
    return q;
}

std::vector<std::pair<std::string, std::string>> placeholders(const Questionnaire& q, const PolicyData& p, Date today)
{
    auto date = [](Date d) { return d ? d.toDisplay() : std::string(8, ' '); };
    auto amount = [](const Decimal& d) { return trim(EZSTR(d)); };
    auto mark = [](bool on) { return std::string(on ? "[x]" : "[ ]"); };
    std::vector<std::pair<std::string, std::string>> r;
    auto put = [&r](std::string marker, std::string value) { r.emplace_back(std::move(marker), std::move(value)); };

    const ProducerData& h = p.handler;
    put("<addetto>", trim(q.handler));
    put("<numruiadd>", h.rui);
    put("<dataruiadd>", date(h.ruiDate));
    put("<emailadd>", h.email);
    put("<pecadd>", h.pec);
    put("<indiadd>", h.address);
    put("<capadd>", h.postCode);
    put("<cittaadd>", h.town);
    put("<provadd>", h.province);
    put("<teleadd>", h.officePhone);
    put("<sitoadd>", h.website);
    put("<qualadd>", h.qualification);

    // The policy's producer, unless the handler is the principal himself.
    const ProducerData none;
    const ProducerData& pr = q.holder ? none : p.producerData;
    put("<produttore>", q.holder ? std::string() : p.producer);
    put("<indiprod>", pr.address);
    put("<cittaprod>", pr.town);
    put("<capprod>", pr.postCode);
    put("<provprod>", pr.province);
    put("<teleprod>", pr.officePhone);
    put("<numruiprod>", pr.rui);
    put("<dataruiprod>", q.holder ? std::string() : date(pr.ruiDate));
    put("<emailprod>", pr.email);
    put("<interno>", trim(q.internal));

    // An agreement of its own (not the company's direct one) that the company has not ratified.
    const std::string agreement = upperTrim(p.agreement);
    const bool ownAgreement = !agreement.empty() && agreement != upperTrim(p.company) &&
                              agreement != kDirectManagement && !p.agreementData.ratified;
    put("<rapporto>", ownAgreement ? trim(p.agreement) : std::string());
    put("<numruirapp>", ownAgreement ? p.agreementData.rui : std::string());
    put("<dataruirapp>", ownAgreement ? date(p.agreementData.ruiDate) : std::string());

    const bool company = upperTrim(p.insured.title) == kCompanyTitle;
    put("<pf>", mark(!company));
    put("<pg>", mark(company));
    put("<assicurato>", trim(p.client));
    put("<indirizzo>", trim(p.insured.address));
    put("<citta>", trim(p.insured.town));
    put("<cap>", trim(p.insured.postCode));
    put("<pr>", trim(p.insured.province));
    put("<codfisc>", trim(p.insured.taxCode));
    put("<partiva>", trim(p.insured.vatNumber));
    put("<cellulare>", trim(p.insured.mobile));
    put("<numpol>", trim(p.number.empty() ? q.policy : p.number));
    put("<compagnia>", trim(p.company));
    put("<ramo>", trim(p.branch));
    put("<effetto>", date(p.effect));
    put("<tipocop>", trim(q.coverType));
    put("<esigenze>", trim(q.need));

    const std::vector<std::string> roles = AQUALPROD();
    for (size_t i = 1; i < roles.size(); ++i)
        put("<q" + std::to_string(i) + ">", mark(upperTrim(h.qualification) == upperTrim(roles[i])));

    const VehicleData& v = p.vehicle;
    put("<tipo>", v.type);
    put("<targa>", v.plate);
    put("<guida>", v.exclusive ? "Guida esclusiva" : v.expert ? "Guida esperta" : v.free ? "Guida libera" : "");
    const bool covers[10] = {filled(v.limits), v.fireTheft, v.weather, v.vandalism, v.ownDamage,
                             v.glass,         v.accident,  v.legal,   v.assistance, v.telematics};
    for (int i = 0; i < 10; ++i) {
        put("<a" + std::to_string(i + 1) + "s>", mark(covers[i]));
        put("<a" + std::to_string(i + 1) + "n>", mark(!covers[i]));
    }

    const bool fee = q.fee > Decimal(0);
    const bool commission = !p.agencyCommission.isZero();
    put("<r1>", mark(fee));
    put("<r2>", mark(commission));
    put("<r4>", mark(fee && commission));
    put("<rt1>", mark(p.agreementData.ratified));
    put("<rt2>", mark(!p.agreementData.ratified));

    put("<massimale>", trim(v.limits));
    put("<premio>", amount(p.premium));
    put("<corrisp>", amount(q.fee));
    put("<ritacc>", amount(-q.withholding));
    put("<spese>", amount(q.expenses));
    put("<totale>", amount(p.premium + q.fee - q.withholding));
    // The cover date when it is earlier than today; a policy without one is dated today.
    put("<data>", date(p.coverage && p.coverage < today ? p.coverage : today));
    return r;
}

PrintResult STAMPAN(Workspace& ws, const Table& record, Date today)
{
    const Questionnaire q = readQuestionnaire(record);
    if (q.policy.empty()) return {kMsgNoPolicyNumber, {}};
    const std::string name = templateName(q.type);
    const std::string path = (fs::path(ws.folder()) / name).string();
    if (std::optional<std::string> m = missingTemplateMessage(path)) return {*m, {}};
    OfficeHooks& hooks = officeHooks();
    if (hooks.message) hooks.message(kMsgPrinting, false);
    struct Closer {
        OfficeHooks& h;
        ~Closer()
        {
            if (h.closeMessage) h.closeMessage();
        }
    } closer{hooks};
    const PolicyData policy = ADATIPOL(ws, q.policy, q.handler);
    std::unique_ptr<WordDocument> doc;
    try {
        doc = WordDocument::open(path);
    } catch (const Error&) {
        return {kMsgUnreadableTemplate + name, {}};
    }
    for (const auto& [marker, value] : placeholders(q, policy, today)) {
        WORDREPLACEALL(*doc, marker, value);
        WORDREPLACERNGALL(*doc, marker, value);
    }
    const std::string shown = WORDSHOW(*doc);
    if (shown.empty()) return {kMsgDocumentNotShown + name, {}};
    return {{}, shown};
}

// ---------------------------------------------------------------- templates

std::vector<std::string> templateNames()
{
    return {templateName("T"), templateName("R"), templateName("A")};
}

std::string templatesFolder(const std::string& programDir)
{
    std::vector<fs::path> candidates;
    if (!programDir.empty()) {
        candidates.push_back(fs::path(programDir) / "templates");
        candidates.push_back(fs::path(programDir) / ".." / "share" / "arvale" / "templates");
    }
#ifdef ARV_TEMPLATES_BUILD_DIR
    candidates.push_back(fs::path(ARV_TEMPLATES_BUILD_DIR));
#endif
    std::error_code ec;
    for (const fs::path& p : candidates)
        if (fs::exists(p / templateName("R"), ec)) return p.lexically_normal().string();
    return std::string();
}

int copyTemplates(const std::string& from, const std::string& folder)
{
    if (from.empty()) return 0;
    int copied = 0;
    for (const std::string& name : templateNames()) {
        std::error_code ec;
        const fs::path source = fs::path(from) / name, target = fs::path(folder) / name;
        if (!fs::exists(source, ec) || fs::exists(target, ec)) continue;
        if (fs::copy_file(source, target, fs::copy_options::skip_existing, ec) && !ec) ++copied;
    }
    return copied;
}

} // namespace arv::sales
