#include "sales/quotedocs.h"

#include <algorithm>

#include "common/ini.h"
#include "common/mask.h"
#include "common/numfmt.h"
#include "common/printjob.h"
#include "common/sheet.h"
#include "common/text.h"
#include "policies/sheets.h"
#include "records/lookups.h"
#include "store/keys.h"

namespace arv::sales::quotes {

using namespace store;

namespace {

constexpr const char* kCrLf = "\r\n";
constexpr size_t kNumberWidth = 25;

std::string dateText(Date d) { return d ? d.toDisplayLong() : std::string(8, ' '); }
std::string yes(bool b) { return b ? "Sì" : ""; }
std::string amount(const Decimal& v) { return trim(EZSTR(v)); }
std::string whole(const Decimal& v) { return v.isZero() ? std::string() : trim(v.toString(0)); }

// The text's lines joined with CR LF, each followed by one.
std::string joinLines(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& l : lines) out += l + kCrLf;
    return out;
}

// What the texts need of a vehicle: a quote's own fields, or a motor sheet's.
struct Vehicle {
    std::string type, make, model, plate, limits;
    Decimal value;
    DrivingCovers covers;
};
Vehicle readVehicle(const Table& t)
{
    Vehicle v;
    v.type = trim(t.text("VEICOLO"));
    v.make = trim(t.text("MARCA"));
    v.model = trim(t.text("MODELLO"));
    v.plate = trim(t.text("TARGA"));
    v.limits = trim(t.text("MASSIMALI"));
    v.value = t.number("VALORE");
    v.covers = readCovers(t);
    return v;
}

struct Party {
    std::string name, address, town, postCode, province, taxCode;
};

void partyLines(std::vector<std::string>& l, const Party& p)
{
    l.push_back("Contraente della polizza: " + p.name);
    l.push_back("Indirizzo: " + p.address);
    l.push_back("Città: " + p.town + " C.A.P.: " + p.postCode + " PR.: " + p.province);
    l.push_back("Codice fiscale: " + p.taxCode);
    l.emplace_back();
}

Party quoteParty(const Table& q)
{
    return {trim(q.text("ASSICURATO")), trim(q.text("INDIRIZZO")), trim(q.text("CITTA")),
            trim(q.text("CAP")),        trim(q.text("PROVINCIA")), trim(q.text("CODICEFISC"))};
}

void closing(std::vector<std::string>& l, const AgencyIdentity& agency, bool toCompany)
{
    l.push_back(toCompany ? "Nel rimanere a Vostra completa disposizione per ogni eventuale ulteriore chiarimento in "
                            "merito, Vi inviamo i nostri più cordiali saluti."
                          : "Nel rimanere a Sua completa disposizione per ogni eventuale ulteriore chiarimento in "
                            "merito, Le inviamo i nostri più cordiali saluti.");
    l.emplace_back();
    l.push_back("Servizio Clienti");
    l.emplace_back();
    for (const std::string& s : quoteSignature(agency)) l.push_back(s);
}

} // namespace

const std::array<const char*, kCoverCount>& coverFields()
{
    static const std::array<const char*, kCoverCount> f = {
        "INFORTUNI", "CRISTALLI", "KASKO",   "INCENFURT", "INFIAMMAB", "ATTIVAND", "DANNIINC",
        "RITPAT",    "TUTLEG",    "ASSIST",  "AUTOPB",    "OCTOTEL",   "RINURIV",  "SOSPINC",
        "EVEATM",    "GUIDAESP",  "GANCIOTR", "BONUSPRO", "ANIMSELV",  "COLLISIO"};
    return f;
}

DrivingCovers readCovers(const Table& t)
{
    DrivingCovers c;
    c.exclusive = t.logical("GDXCON");
    c.expert = t.logical("GDECON");
    c.free = t.logical("GDLCON");
    c.guarantee1 = trim(t.text("GARANZIA1"));
    c.guarantee2 = trim(t.text("GARANZIA2"));
    for (size_t i = 0; i < kCoverCount; ++i) c.covers[i] = t.logical(FieldName::runtime(coverFields()[i]));
    return c;
}

std::string GUIDA(const DrivingCovers& c)
{
    if (c.exclusive) return "\"Guida esclusiva\"";
    if (c.expert) return "\"Guida esperta\"";
    if (c.free) return "\"Guida libera\"";
    return {};
}

std::string DESCGUIDA(const DrivingCovers& c)
{
    if (c.exclusive)
        return "(qualora il conducente necessariamente indicato in polizza sia l'unico soggetto abilitato alla guida "
               "del mezzo)";
    if (c.expert)
        return "(qualora il conducente necessariamente indicato in polizza abbia un'età superiore ai 26 anni)";
    if (c.free) return "(il mezzo può essere condotto da chiunque indipendentemente dall'età)";
    return {};
}

std::string ALTREARD(const DrivingCovers& c)
{
    static const char* names[kCoverCount] = {"INFORTUNI CONDUCENTE",
                                             "CRISTALLI",
                                             "KASKO",
                                             "INCEDIO/FURTO",
                                             "INFIAMMABILE",
                                             "ATTI VANDALICI",
                                             "DANNI INCENDIO",
                                             "RITIRO PATENTE",
                                             "TUTELA LEGALE",
                                             "ASSISTENZA",
                                             "AUTO PRESTO & BENE",
                                             "OCTO TELEMATICS",
                                             "RINUNCIA ALLA RIVALSA",
                                             "SOSPENSIONE INCONDIZIONATA",
                                             "EVENTI ATMOSFERICI",
                                             "GUIDA ESPERTA",
                                             "GANCIO TRAINO",
                                             "BONUS PROTETTO",
                                             "ANIMALI SELVATICI",
                                             "COLLISIONE"};
    std::vector<std::string> parts;
    if (!c.guarantee1.empty()) parts.push_back(c.guarantee1);
    if (!c.guarantee2.empty()) parts.push_back(c.guarantee2);
    for (size_t i = 0; i < kCoverCount; ++i)
        if (c.covers[i]) parts.push_back(names[i]);
    std::string out;
    for (const std::string& p : parts) out += (out.empty() ? "" : ", ") + p;
    return out;
}

OfferPrices offerPrices(const Table& q)
{
    return {q.number("IMPOPREV1") + q.number("IMPOARD1"), q.number("IMPOPREV2") + q.number("IMPOARD2"),
            q.number("IMPOPREV3") + q.number("IMPOARD3")};
}

Date offerValidUntil(Date today) { return today.addDays(10); }

std::string offerSubject(const Table& q)
{
    const std::string s = "Preventivo polizza RC Auto n. " + trim(q.number("NUMERO").toString(0));
    return utf8Left(s, 35);
}

std::vector<std::string> quoteSignature(const AgencyIdentity& agency)
{
    std::vector<std::string> l = agency.signatureBlock();
    const bool own = std::any_of(agency.signature.begin(), agency.signature.end(),
                                 [](const std::string& s) { return filled(s); });
    if (!own) {
        if (filled(agency.vatNumber)) l.push_back("P.IVA " + trim(agency.vatNumber));
        if (filled(agency.email)) l.push_back("E-mail: " + trim(agency.email));
    }
    return l;
}

std::string offerText(const Table& q, const AgencyIdentity& agency, Date today)
{
    const Vehicle v = readVehicle(q);
    std::vector<std::string> l;
    l.push_back("Gentile cliente,");
    l.emplace_back();
    l.push_back("in riferimento alla Sua copertura assicurativa RC Auto, con la presente Le comunichiamo in sintesi le "
                "nostre migliori condizioni di assicurazione della Sua auto targata " +
                v.plate + ":");
    l.emplace_back();
    partyLines(l, quoteParty(q));
    l.push_back("Massimali di responsabilità civile:  Euro " + v.limits + "   Compagnia: " + trim(q.text("COMPPREV")) +
                " (in allegato le relative condizioni di polizza)");
    l.emplace_back();
    if (!v.value.isZero()) {
        l.push_back("Valore veicolo:  Euro " + amount(v.value) + "   Compagnia: " + trim(q.text("COMPARD")) +
                    " (in allegato le relative condizioni di polizza)");
        l.emplace_back();
    }
    if (const std::string other = ALTREARD(v.covers); !other.empty()) {
        l.push_back("Altre garanzie A.R.D.: " + other);
        l.emplace_back();
    }
    l.push_back("Decorrenza del contratto: " + trim(dateText(q.date("EFFEPREV"))));
    l.push_back("Scadenza del contratto: " + trim(dateText(q.date("SCADPREV"))));
    l.emplace_back();
    if (const std::string guida = GUIDA(v.covers); !guida.empty()) {
        l.push_back("Il preventivo relativo alla garanzia Responsabilità Civile è stato elaborato considerando la "
                    "clausola " +
                    guida + " " + DESCGUIDA(v.covers) + ".");
        l.emplace_back();
    }
    const OfferPrices p = offerPrices(q);
    l.push_back("Diverse ipotesi di frazionamento:");
    l.emplace_back();
    l.push_back("SEMESTRALE  Euro " + amount(p.halfYear));
    l.push_back("ANNUALE  Euro " + amount(p.year));
    l.push_back("MENSILE tramite finanziamento in 11 rate (se autorizzato Fiditalia)  Euro " + amount(p.month));
    l.emplace_back();
    l.push_back("Precisiamo che il suddetto preventivo rimarrà valido fino al " + offerValidUntil(today).toDisplayLong());
    l.emplace_back();
    l.push_back("In caso di accettazione della presente proposta ci dovrà inviare al nostro fax n. " + trim(agency.fax) +
                " oppure a mezzo email " + trim(agency.email) +
                ", in copia leggibile, almeno 5 giorni prima della data di emissione:");
    l.emplace_back();
    l.push_back("- Libretto fotocopiato fronte/retro (con visibilità dell'effettivo intestatario al P.R.A.)");
    l.push_back("- Certificato di proprietà");
    l.push_back("- Patente fotocopiata fronte/retro");
    l.push_back("- Attestato di rischio in copia (l'originale ce lo dovrà consegnare al momento della firma del "
                "contratto");
    l.emplace_back();
    l.push_back(std::string(kMonthlyParagraph) + "al momento della conferma del contratto non dovrà " +
                "pagare nulla, la prima rata Le verrà addebitata nel mese successivo.");
    l.emplace_back();
    l.push_back("Oppure, nel caso di scelta di rateizzazione semestrale o annuale, potrà effettuare il pagamento della "
                "rata di polizza con le consuete modalità.");
    l.emplace_back();
    closing(l, agency, false);
    return joinLines(l);
}

std::string offerCopyText(const std::string& message)
{
    const size_t at = message.find(kMonthlyParagraph);
    return at == std::string::npos ? message : message.substr(0, at);
}

PrintDocument printOfferCopy(const std::string& subject, const std::string& message, bool preview)
{
    TPRINTER job(kCopyJob, preview);
    const PrintFont plain("Arial", 10), bold("Arial", 10, true);
    job.setFont(plain);
    SAYHEADER(kCopyTitle, job);
    SETPROW(job, 3);
    PRINTTXT(job, {"OGGETTO: "}, TxtOptions().withFont(bold));
    PRINTTXT(job, {subject}, TxtOptions::next().withFont(plain));
    PFEED(job);
    PRINTTXT(job, {"MESSAGGIO:"}, TxtOptions().withFont(bold));
    PFEED(job);
    std::string text = offerCopyText(message);
    std::string unix;
    for (char ch : text)
        if (ch != '\r') unix += ch;
    for (const std::string& line : AMEMOLINE(unix, 0, job, plain)) {
        if (job.row() >= 60) {
            job.endPage();
            SAYHEADER(kCopyTitle, job);
            SETPROW(job, 3);
        }
        std::string shown = line;
        if (!shown.empty() && shown.back() == kParagraphMark) shown.pop_back();
        PRINTTXT(job, {shown}, TxtOptions().withFont(plain));
    }
    PrintDocument made = job.document();
    job.end();
    return made;
}

std::string requestSubject(const Table& current, bool fromPolicy)
{
    if (fromPolicy) return "Preventivo polizza RC Auto - " + trim(current.text("POLIZZA"));
    return offerSubject(current);
}

std::string requestText(Workspace& ws, const Table& current, bool fromPolicy, const AgencyIdentity& agency)
{
    Party party;
    Vehicle v;
    Date effect, expiry;
    if (fromPolicy) {
        // The client as the register keeps it (read through a cursor of its own).
        const records::ClientData client = records::ADATIASSI(ws, current.text("ASSICURATO"));
        party = {trim(current.text("ASSICURATO")), trim(client.address), trim(client.town),
                 trim(client.postCode),            trim(client.province), trim(client.taxCode)};
        // The vehicle of the policy's motor sheet.
        OwnTable pol(ws, "POLIZZE", true);
        pol->ordAdd("NUMPOL");
        if (pol->seek(indexKey(rtrim(current.text("POLIZZA")), kNumberWidth))) {
            OwnTable sheet(ws, "DATIAUTO", true);
            sheet->ordAdd("DATIAUTO");
            if (sheet->seek(policies::sheetKey(pol->raw("CODICE")))) v = readVehicle(*sheet);
        }
        effect = current.date("EFFETTO");
        expiry = current.date("SCADENZA");
    } else {
        party = quoteParty(current);
        v = readVehicle(current);
        effect = current.date("EFFEPREV");
        expiry = current.date("SCADPREV");
    }
    std::vector<std::string> l;
    l.push_back("Gentile Compagnia,");
    l.push_back("in riferimento al successivo rischio RC Auto, con la presente siamo a chiederVi la Vostra migliore "
                "quotazione con frazionamento annuale e semestrale del pagamento:");
    l.emplace_back();
    partyLines(l, party);
    l.push_back("Tipo veicolo: " + v.type);
    l.push_back("Marca: " + v.make);
    l.push_back("Modello: " + v.model);
    l.push_back("Targa: " + v.plate);
    l.emplace_back();
    if (!fromPolicy) {
        const Table& q = current;
        if (q.logical("ATTEVALI") || q.logical("DECRBERS")) {
            if (q.logical("ATTEVALI")) {
                l.push_back("ATTESTATO IN CORSO DI VALIDITA'");
                l.push_back("Scadenza: " + trim(dateText(q.date("ATTESCAD"))));
            } else {
                l.push_back("DECRETO BERSANI");
                l.push_back("Targa: " + trim(q.text("TARGABERS")));
            }
            std::string claims = "Sinistri: ";
            for (int n = 1; n <= 10; ++n) {
                const std::string field = n < 10 ? "SINISTRI0" + std::to_string(n) : "SINISTRI10";
                const std::string count = trim(q.text(FieldName::runtime(field)));
                if (!count.empty()) claims += count + " ";
            }
            l.push_back(claims);
            l.push_back("Provenienza C.U.: " + trim(q.text("PROVENCU")));
            l.push_back("Assegnazione C.U.: " + trim(q.text("ASSEGNCU")));
            l.emplace_back();
        }
        if (q.logical("PRIMAIMM")) {
            l.push_back("PRIMA IMMATRICOLAZIONE");
            l.emplace_back();
        }
        if (q.logical("VOLTPRA")) {
            l.push_back("VOLTURA AL PRA");
            l.emplace_back();
        }
    }
    l.push_back("Massimali di responsabilità civile:  Euro " + v.limits);
    if (!v.value.isZero()) l.push_back("Valore veicolo:  Euro " + amount(v.value));
    if (const std::string other = ALTREARD(v.covers); !other.empty()) l.push_back("Altre garanzie A.R.D.: " + other);
    l.push_back("Decorrenza del contratto: " + trim(dateText(effect)));
    l.push_back("Scadenza del contratto: " + trim(dateText(expiry)));
    if (const std::string guida = GUIDA(v.covers); !guida.empty())
        l.push_back("Tipologia di guida: " + guida + " " + DESCGUIDA(v.covers) + ".");
    l.emplace_back();
    closing(l, agency, true);
    return joinLines(l);
}

// ---- the printed sheet

namespace {

// The ruled tables of the sheet: a label column from column 1, a value column from column 23,
// bars at columns 0, 22 and 70, a rule under each row; a section's heading above its table.
class QuoteSheet {
public:
    explicit QuoteSheet(TPRINTER& job) : job_(job), sheet_(job) { startPage(); }

    void line(const std::vector<std::pair<std::string, std::string>>& parts)
    {
        double col = 1;
        for (const auto& [label, value] : parts) {
            sheet_.put(row_, col, label, bold_);
            const double w = job_.textWidth(label, bold_) / job_.columnX(1);
            sheet_.put(row_, col + w + 1, value, plain_);
            col += 26;
        }
        row_ += 2;
    }
    void section(const std::string& title, size_t rows)
    {
        if (row_ + 2 + static_cast<double>(rows) > 62) newPage();
        sheet_.put(row_, 0, title, heading_);
        row_ += 1.5;
        sheet_.rule(row_, 0, 70);
    }
    void row(const std::string& label, const std::string& value)
    {
        std::vector<std::string> lines{value};
        if (value.size() > 46) {
            lines.clear();
            std::string rest = value;
            while (utf8Length(rest) > 46) {
                std::string head = utf8Left(rest, 46);
                size_t cut = head.rfind(' ');
                if (cut == std::string::npos || cut == 0) cut = head.size();
                lines.push_back(rest.substr(0, cut));
                rest = trim(rest.substr(cut));
            }
            lines.push_back(rest);
        }
        if (row_ + static_cast<double>(lines.size()) > 63) newPage();
        sheet_.put(row_, 1, label, bold_);
        for (const std::string& l : lines) {
            sheet_.bars(row_, {0, 22, 70});
            sheet_.put(row_, 23, l, plain_);
            row_ += 1;
        }
        sheet_.rule(row_, 0, 70);
    }
    // One row across the table, framed.
    void boxed(const std::string& text)
    {
        sheet_.bars(row_, {0, 70});
        sheet_.put(row_, 1, text, plain_);
        row_ += 1;
        sheet_.rule(row_, 0, 70);
    }
    // A value placed in the value column at COL, right-aligned in WIDTH columns, on the last row.
    void priceOnLastRow(const std::string& text, double col, double width)
    {
        sheet_.put(row_ - 1, col, text, plain_, TextAlign::Right, width);
    }
    void gap() { row_ += 1.5; }
    void newPage()
    {
        job_.endPage();
        startPage();
    }

private:
    void startPage()
    {
        job_.startPage();
        SAYHEADER(kSheetTitle, job_);
        row_ = 3;
    }

    TPRINTER& job_;
    Sheet sheet_;
    double row_ = 3;
    const PrintFont plain_{"Arial", 10}, bold_{"Arial", 10, true}, heading_{"Arial", 12, true};
};

struct PersonRow {
    const char* label;
    const char* stem; // the contracting party's field, or the stem of the holder's and driver's
    bool contact;     // a telephone, fax or e-mail row (the driver has none)
};
constexpr PersonRow kPersonRows[] = {
    {"COGNOME E NOME:", "", false},   {"SESSO:", "SES", false},       {"LUOGO DI NASCITA:", "CMN", false},
    {"DATA DI NASCITA:", "DTN", false}, {"CITTADINANZA:", "CTD", false}, {"INDIRIZZO:", "IND", false},
    {"CITTA':", "CIT", false},        {"C.A.P.:", "CAP", false},      {"PROVINCIA:", "PRO", false},
    {"CODICE FISCALE:", "CDF", false}, {"PARTITA IVA:", "IVA", false}, {"STATO CIVILE:", "SCV", false},
    {"FIGLI CONVIVENTI:", "FCN", false}, {"PROFESSIONE:", "PRF", false}, {"PATENTE N.:", "NPT", false},
    {"CATEGORIA:", "CPT", false},     {"DATA RILASCIO:", "RPT", false}, {"DATA SCADENZA:", "SPT", false},
    {"CELLULARE:", "CEL", true},      {"TELEFONO CASA:", "TLC", true}, {"TELEFONO UFFICIO:", "TLU", true},
    {"FAX:", "FAX", true},            {"EMAIL:", "EMA", true},
};
// The contracting party's field of a stem.
const char* partyField(std::string_view stem)
{
    static const std::pair<const char*, const char*> map[] = {
        {"SES", "SESSO"},     {"CMN", "COMUNASC"},  {"DTN", "DATANASC"},  {"CTD", "CITTADIN"},  {"IND", "INDIRIZZO"},
        {"CIT", "CITTA"},     {"CAP", "CAP"},       {"PRO", "PROVINCIA"}, {"CDF", "CODICEFISC"}, {"IVA", "PARTITAIVA"},
        {"SCV", "STATOCIV"},  {"FCN", "FIGLICONV"}, {"PRF", "PROFESS"},   {"NPT", "NUMPATE"},   {"CPT", "CATPATE"},
        {"RPT", "RILPATE"},   {"SPT", "SCAPATE"},   {"CEL", "CELLULARE"}, {"TLC", "TELCASA"},   {"TLU", "TELUFFICIO"},
        {"FAX", "FAX"},       {"EMA", "E_MAIL"},    {"PRN", "PROVNASC"}};
    for (const auto& [s, f] : map)
        if (stem == s) return f;
    return "";
}

// The value of a field as the sheet prints it: dates, "Sì", texts.
std::string shown(const Table& q, const std::string& field)
{
    if (field.empty()) return {};
    const FieldName n = FieldName::runtime(field);
    const int at = q.fieldIndex(n);
    if (at < 0) return {};
    switch (q.file().fields()[static_cast<size_t>(at)].type) {
    case 'D': return dateText(q.date(n));
    case 'L': return yes(q.logical(n));
    case 'N': return whole(q.number(n));
    case 'M': return q.memo(n);
    default: return trim(q.text(n));
    }
}

// SUFFIX "": the contracting party; "PRA", "CON": the holder, the driver.
void personRows(QuoteSheet& s, const Table& q, const std::string& suffix, bool contacts)
{
    for (const PersonRow& r : kPersonRows) {
        if (r.contact && !contacts) continue;
        const std::string stem = r.stem;
        auto field = [&](const std::string& st) {
            if (suffix.empty()) return std::string(partyField(st));
            return st + suffix;
        };
        std::string value;
        if (stem.empty())
            value = trim(q.text(suffix.empty() ? FieldName("ASSICURATO")
                                               : suffix == "PRA" ? FieldName("INTESTPRA") : FieldName("CONDUCENTE")));
        else if (stem == "CMN") {
            value = shown(q, field("CMN"));
            const std::string province = shown(q, field("PRN"));
            if (!province.empty()) value += " (" + province + ")";
        } else
            value = shown(q, field(stem));
        s.row(r.label, value);
    }
}

bool sameName(const std::string& a, const std::string& b) { return Mask::upper(trim(a)) == Mask::upper(trim(b)); }

void offerRows(QuoteSheet& s, const Table& q, bool rc)
{
    auto f = [rc](const char* stem) { return std::string(stem) + (rc ? "PREV" : "ARD"); };
    s.section(rc ? "PREVENTIVO R.C." : "PREVENTIVO A.R.D.", 6);
    s.row("COMPAGNIA:", shown(q, f("COMP")));
    s.row("RAPPORTO:", shown(q, f("RAPP")));
    const char* names[] = {"SEMESTRALE", "ANNUALE", "MENSILE"};
    for (int n = 0; n < 3; ++n) {
        s.row(n == 0 ? "FRAZIONAMENTO:" : "", names[n]);
        s.priceOnLastRow(amount(q.number(FieldName::runtime(f("IMPO") + std::to_string(n + 1)))), 30, 10);
    }
    s.gap();
    s.section("DEFINITIVO APPROVATO", 12);
    s.row("RAMO:", shown(q, f("RAMO")));
    s.row("FINANZIAMENTO:", shown(q, f("FINA")));
    s.row("FRAZIONAMENTO:", shown(q, f("FRAZ")));
    s.row("IMPORTO:", amount(q.number(FieldName::runtime(f("IMPO")))));
    s.row("EFFETTO:", shown(q, f("EFFE")));
    s.row("SCADENZA:", shown(q, f("SCAD")));
    s.row("PRODUTTORE:", shown(q, f("PROD")));
    s.row("DOCUMENTAZIONE:", shown(q, f("DOCU")));
    s.row("AVVISO:", shown(q, f("AVVI")));
    std::string scheme = shown(q, f("CONV"));
    if (const std::string code = shown(q, f("CODC")); !code.empty()) scheme += "   (" + code + ")";
    s.row("CONVENZIONE:", scheme);
    s.row("PAGAMENTO:", shown(q, f("PAGA")));
    std::string notes;
    const std::string memo = shown(q, f("NOTE"));
    for (size_t i = 0; i < memo.size(); ++i) {
        if (memo[i] == '\r' && i + 1 < memo.size() && memo[i + 1] == '\n') continue; // CR LF: one blank
        notes += memo[i] == '\r' || memo[i] == '\n' ? ' ' : memo[i];
    }
    s.row("NOTE:", trim(notes));
}

} // namespace

PrintDocument printQuoteSheet(const Table& q, bool preview)
{
    TPRINTER job(kSheetJob, preview);
    job.setMargin(0);
    QuoteSheet s(job);
    s.line({{"NUMERO: ", trim(q.number("NUMERO").toString(0))},
            {"DATA: ", dateText(q.date("DATA"))},
            {"OPERATORE: ", trim(q.text("OPERATORE"))}});
    s.section("DATI CONTRAENTE", 23);
    personRows(s, q, "", true);
    s.gap();
    s.section("INTESTATARIO PRA", sameName(q.text("INTESTPRA"), q.text("ASSICURATO")) ? 1 : 23);
    if (sameName(q.text("INTESTPRA"), q.text("ASSICURATO")))
        s.boxed("L'intestatario al PRA è uguale al contraente di polizza");
    else
        personRows(s, q, "PRA", true);

    s.newPage();
    s.section("DATI POLIZZA PRECEDENTE", 10);
    s.row("POLIZZA N.:", shown(q, "POLIZZA"));
    s.row("COMPAGNIA:", shown(q, "COMPAGNIA"));
    s.row("RAPPORTO:", shown(q, "RAPPORTO"));
    s.row("RAMO:", shown(q, "RAMO"));
    s.row("FRAZIONAMENTO:", shown(q, "FRAZIONAM"));
    s.row("PRODUTTORE:", shown(q, "PRODUTTORE"));
    s.row("EFFETTO:", "Data: " + dateText(q.date("EFFETTO")) + "   Ora:" + trim(q.text("ORAEFF")));
    s.row("IMPORTO:", amount(q.number("IMPORTO")));
    s.row("PROVENIENZA:", shown(q, "PROVENIEN"));
    s.row("POLIZZE COLLEGATE:", shown(q, "POLCOLL1") + "   " + shown(q, "POLCOLL2"));
    s.gap();
    const bool sameDriver = sameName(q.text("CONDUCENTE"), q.text("ASSICURATO"));
    s.section("DATI CONDUCENTE", sameDriver ? 1 : 21);
    if (sameDriver) {
        s.boxed("Il conducente è uguale al contraente di polizza");
    } else {
        s.row("GUIDA ESCLUSIVA:", yes(q.logical("GDXCON")));
        s.row("GUIDA ESPERTA:", yes(q.logical("GDECON")));
        s.row("GUIDA LIBERA:", yes(q.logical("GDLCON")));
        personRows(s, q, "CON", false);
    }

    if (policies::sheetKind(q.text("RAMO")) == policies::SheetKind::Motor) {
        s.newPage();
        s.section("DATI AUTO", 21);
        const std::pair<const char*, const char*> vehicle[] = {
            {"TIPO VEICOLO:", "VEICOLO"},   {"MARCA:", "MARCA"},
            {"MODELLO:", "MODELLO"},        {"TARGA:", "TARGA"},
            {"TELAIO:", "TELAIO"},          {"DATA DI IMMATRICOLAZIONE:", "IMMATRIC"},
            {"CAVALLI FISCALI:", "CAVALLI"}, {"KILOWATT:", "KILOWATT"},
            {"CILINDRATA:", "CILINDRATA"},  {"QUINTALI:", "QUINTALI"},
            {"DATA DI ACQUISTO:", "ACQUISTO"}, {"KM ANNUI:", "KMANNUI"},
            {"GANCIO TRAINO:", "GANCIO"},   {"PORTE:", "PORTE"},
            {"ALIMENTAZIONE:", "ALIMENTAZ"}, {"IMPIANTO GPL:", "GPL"},
            {"USO:", "USO1"},               {"TIPO DI USO:", "USO2"},
            {"RIMESSA AUTO:", "RIMESSA"},   {"ANTIFURTO:", "ANTIFURTO"},
            {"MASSIMALI R.C.:", "MASSIMALI"}};
        for (const auto& [label, field] : vehicle) s.row(label, shown(q, field));
        s.gap();
        s.section("DATI A.R.D.", 28);
        s.row("VALORE VEICOLO:", amount(q.number("VALORE")));
        s.row("VALORE KASKO:", amount(q.number("VALKASKO")));
        s.row("SCOPERTO:", q.number("SCOPERTO").isZero() ? std::string() : whole(q.number("SCOPERTO")) + "%");
        s.row("MINIMO:", amount(q.number("MINIMO")));
        s.row("LEASING:", yes(q.logical("LEASING")));
        s.row("VINCOLO:", yes(q.logical("VINCOLO")));
        s.row("SOCIETA' VINCOLATARIA:", shown(q, "SOCVINC"));
        s.row("GARANZIE:", shown(q, "GARANZIA1") + "   " + shown(q, "GARANZIA2"));
        static const char* labels[kCoverCount] = {
            "INFORTUNI:",       "CRISTALLI:",        "KASKO:",           "INCENDIO/FURTO:",      "INFIAMMABILE:",
            "ATTI VANDALICI:",  "DANNI INCENDIO:",   "RITIRO PATENTE:",  "TUTELA LEGALE:",       "ASSISTENZA:",
            "AUTO PRESTO & BENE:", "OCTO TELEMATICS:", "RINUNCIA ALLA RIVALSA:", "SOSPENSIONE INCOND.:",
            "EVENTI ATMOSFERICI:", "GUIDA ESPERTA:", "GANCIO TRAINO:",   "BONUS PROTETTO:",      "ANIMALI SELVATICI:",
            "COLLISIONE:"};
        for (size_t i = 0; i < kCoverCount; ++i) s.row(labels[i], yes(q.logical(FieldName::runtime(coverFields()[i]))));
    }

    s.newPage();
    s.section("SITUAZIONE ASSICURATIVA", 19);
    s.row("CLASSE B/M:", shown(q, "CLASSE"));
    s.row("FRANCHIGIA:", amount(q.number("FRANCHIGIA")));
    s.row("ATTESTATO VALIDITA':", yes(q.logical("ATTEVALI")));
    s.row("SCADENZA:", dateText(q.date("ATTESCAD")));
    s.row("PRIMA IMMATRICOLAZIONE:", yes(q.logical("PRIMAIMM")));
    s.row("VOLTURA P.R.A.:", yes(q.logical("VOLTPRA")));
    s.row("DECRETO BERSANI:", q.logical("DECRBERS") ? "Sì   Targa: " + trim(q.text("TARGABERS")) : std::string());
    for (int n = 10; n >= 1; --n) {
        const int back = 10 - n;
        const std::string label = back == 0   ? "SINISTRI ANNO CORRENTE:"
                                  : back == 1 ? "SINISTRI ANNO PRECEDENTE:"
                                              : "SINISTRI " + std::to_string(back) + " ANNI FA:";
        const std::string field = n < 10 ? "SINISTRI0" + std::to_string(n) : "SINISTRI10";
        s.row(label, shown(q, field));
    }
    s.row("PROVENIENZA C.U.:", shown(q, "PROVENCU"));
    s.row("ASSEGNAZIONE C.U.:", shown(q, "ASSEGNCU"));
    s.gap();
    offerRows(s, q, true);

    s.newPage();
    offerRows(s, q, false);

    PrintDocument made = job.document();
    job.end();
    return made;
}

// ---- sending

namespace {

void tell(const QuoteMailHooks& h, const std::string& m)
{
    if (h.tell) h.tell(m);
}

MailDraft draftOf(const char* name, const char* title)
{
    MailDraft d;
    d.name = name;
    d.title = title;
    return d;
}

AgencyIdentity agencyOf(const IniFile& ini)
{
    AgencyIdentity a;
    a.load(ini);
    return a;
}

// The draft's messages sent with the settings of INIPATH (read again: the dialog may have changed
// them) and the outcome told; 0 when the draft cannot go.
size_t deliver(const MailDraft& d, const std::string& iniPath, const QuoteMailHooks& hooks)
{
    const MailSettings settings = MailSettings::load(IniFile(iniPath));
    if (const std::string problem = draftProblem(d, settings); !problem.empty()) {
        tell(hooks, problem);
        return 0;
    }
    const size_t sent = sendDraft(d, settings, hooks.send).sent.size();
    tell(hooks, sentCountMessage(sent));
    return sent;
}

} // namespace

size_t sendOffer(const Table& q, const std::string& iniPath, const QuoteMailHooks& hooks)
{
    if (q.eof()) return 0;
    const IniFile ini(iniPath);
    MailDraft d = draftOf("EMAILCLI", "Offerta al cliente");
    const std::string to = trim(q.text("E_MAIL"));
    if (!to.empty()) d.recipients = {to};
    // The agency's own copy goes as a second recipient, as in every message to a client.
    d.alsoTo = mailCopyAddress(ini);
    d.subject = offerSubject(q);
    d.body = offerText(q, agencyOf(ini));
    if (hooks.compose && !hooks.compose(d)) return 0;
    const size_t sent = deliver(d, iniPath, hooks);
    // The copy goes to the printer whatever the outcome.
    if (hooks.printCopy) hooks.printCopy(d.subject, d.body);
    else printOfferCopy(d.subject, d.body);
    return sent;
}

size_t sendPriceRequest(Workspace& ws, const Table& current, bool fromPolicy, const std::string& iniPath,
                        const QuoteMailHooks& hooks)
{
    if (current.eof()) return 0;
    const IniFile ini(iniPath);
    MailDraft d = draftOf("EMAILCOM", "Richiesta preventivo");
    d.chooserLabel = "Compagnia:";
    d.chooserEntries = records::ACOMPAGNIE(ws);
    d.chooserEntries.insert(d.chooserEntries.begin(), std::string());
    d.cc = mailCopyAddress(ini);
    d.subject = requestSubject(current, fromPolicy);
    d.body = requestText(ws, current, fromPolicy, agencyOf(ini));
    if (hooks.compose && !hooks.compose(d)) return 0;
    // The chosen company's address, once the dialog is confirmed (none: nothing goes).
    if (draftProblem(d, MailSettings::load(ini)).empty()) {
        const std::string address = trim(records::ADATICOMP(ws, trim(d.chosen)).email);
        d.recipients.clear();
        if (!address.empty()) d.recipients = {address};
    }
    return deliver(d, iniPath, hooks);
}

} // namespace arv::sales::quotes
