#include "policies/policyprint.h"

#include "common/letter.h"
#include "common/mask.h"
#include "common/report.h"
#include "common/text.h"
#include "policies/sheets.h"
#include "store/keys.h"

namespace arv::policies {

using namespace store;
using namespace records;

namespace {

const PrintFont kFont("Arial", 12);
const PrintFont kNotes("Courier New", 12);
constexpr double kValueColumn = 25;

std::string yesNo(bool b) { return b ? "SI" : "NO"; }
std::string dateText(const Date& d) { return d ? d.toDisplay() : std::string(); }
std::string amount(const Decimal& v) { return trim(Mask("@E 99,999.99").formatNumber(v)); }

class SheetPrinter {
public:
    explicit SheetPrinter(TPRINTER& job) : w_(job, kFont, job.margin())
    {
        w_.setPageHeader([](LetterWriter& w) {
            SAYHEADER("STAMPA POLIZZA", w.job(), kFont);
            w.skip(2);
        });
        w_.newPage();
    }
    LetterWriter& writer() { return w_; }
    void pair(const std::string& label, const std::string& value)
    {
        w_.line(label);
        w_.same(value, kValueColumn);
    }
    void money(const std::string& label, const Decimal& value)
    {
        w_.line(label);
        w_.right(amount(value), kValueColumn + 8);
    }
    // At most MAXLINES lines of TEXT cut at 67 characters, in Courier New.
    void notes(const std::string& label, const std::string& text, size_t maxLines = SIZE_MAX)
    {
        w_.line(label);
        size_t n = 0;
        for (std::string paragraph : split(text)) {
            do {
                if (n++ >= maxLines) return;
                w_.line(utf8Left(paragraph, 67), 0, kNotes);
                paragraph = utf8Length(paragraph) > 67 ? paragraph.substr(utf8Left(paragraph, 67).size()) : std::string();
            } while (!paragraph.empty());
        }
    }
    void heading(const std::string& title)
    {
        w_.newPage();
        w_.line(title, 0, PrintFont("Arial", 12, true));
        w_.skip();
    }

private:
    static std::vector<std::string> split(const std::string& text)
    {
        std::vector<std::string> out;
        std::string cur;
        for (char c : text) {
            if (c == '\r') continue;
            if (c == '\n') {
                out.push_back(cur);
                cur.clear();
            } else {
                cur += c;
            }
        }
        if (!cur.empty()) out.push_back(cur);
        return out;
    }
    LetterWriter w_;
};

std::string clientGroup(Workspace& ws, const std::string& name)
{
    OwnTable t(ws, "CLIENTI", true);
    t->ordAdd("CLIENTI");
    return t->seek(indexKey(name, 35, true)) ? trim(t->text("GRUPPO")) : std::string();
}

void motorSheet(SheetPrinter& p, Table& s)
{
    p.heading("DATI AUTO");
    auto text = [&](const char* label, const char* field) { p.pair(label, trim(s.text(FieldName::runtime(field)))); };
    auto number = [&](const char* label, const char* field) {
        p.pair(label, trim(s.number(FieldName::runtime(field)).toString(0)));
    };
    auto flag = [&](const char* label, const char* field) { p.pair(label, yesNo(s.logical(FieldName::runtime(field)))); };
    text("TIPO VEICOLO:", "VEICOLO");
    text("MARCA:", "MARCA");
    text("MODELLO:", "MODELLO");
    text("TARGA:", "TARGA");
    text("TELAIO:", "TELAIO");
    p.pair("IMMATRICOLATA IL:", dateText(s.date("IMMATRIC")));
    text("CLASSE B/M:", "CLASSE");
    p.money("TARIFFA FRANCHIGIA:", s.number("FRANCHIGIA"));
    number("CAVALLI:", "CAVALLI");
    number("CILINDRATA:", "CILINDRATA");
    number("QUINTALI:", "QUINTALI");
    flag("CARTA VERDE:", "CARTAVERDE");
    flag("LEASING:", "LEASING");
    flag("VINCOLO:", "VINCOLO");
    text("SOCIETA' VINCOLATARIA:", "SOCVINC");
    p.money("VALORE VEICOLO:", s.number("VALORE"));
    number("KILOWATT:", "KILOWATT");
    p.heading("DATI AUTO");
    const std::string mode = s.logical("GDXCON") ? "Esclusiva" : s.logical("GDECON") ? "Esperta" : s.logical("GDLCON") ? "Libera" : "";
    p.pair("GUIDA:", mode);
    text("MASSIMALI R.C.:", "MASSIMALI");
    p.pair("SCOPERTO:", trim(s.number("SCOPERTO").toString(0)) + "%   MIN.:" + amount(s.number("MINIMO")));
    p.writer().line("GARANZIE AGGIUNTIVE:");
    const std::pair<const char*, const char*> options[] = {
        {"INFORTUNI:", "INFORTUNI"},           {"CRISTALLI:", "CRISTALLI"},         {"KASKO:", "KASKO"},
        {"INCENDIO/FURTO:", "INCENFURT"},      {"INFIAMMABILE:", "INFIAMMAB"},      {"ATTI VANDALICI:", "ATTIVAND"},
        {"DANNI INCENDIO:", "DANNIINC"},       {"RITIRO PATENTE:", "RITPAT"},       {"TUTELA LEGALE:", "TUTLEG"},
        {"ASSISTENZA:", "ASSIST"},             {"AUTO PRESTO & BENE:", "AUTOPB"},   {"OCTO TELEMATICS:", "OCTOTEL"},
        {"RINUNCIA ALLA RIVALSA:", "RINURIV"}, {"SOSPENSIONE INCONDIZ.:", "SOSPINC"}, {"EVENTI ATMOSFERICI:", "EVEATM"},
        {"GUIDA ESPERTA:", "GUIDAESP"},        {"GANCIO TRAINO:", "GANCIOTR"},      {"BONUS PROTETTO:", "BONUSPRO"},
        {"ANIMALI SELVATICI:", "ANIMSELV"},    {"COLLISIONE:", "COLLISIO"}};
    for (const auto& [label, field] : options) flag(label, field);
}

void guarantees(SheetPrinter& p, Table& s, int count)
{
    for (int i = 1; i <= count; ++i) {
        const std::string n = std::to_string(i);
        const std::string g = trim(s.text(FieldName::runtime("GARANZIA" + n)));
        const Decimal limit = s.number(FieldName::runtime("MASSIMAL" + n));
        p.pair("GARANZIA " + n + ":", g + (limit.isZero() ? std::string() : "  " + amount(limit)));
    }
}

void elementarySheet(SheetPrinter& p, Table& s)
{
    p.heading("RAMI ELEMENTARI");
    p.writer().line("MASSIMALI:");
    guarantees(p, s, 8);
    p.pair("SCOPERTO:", trim(s.number("SCOPERTO").toString(0)) + "%");
    p.money("FRANCHIGIA:", s.number("FRANCHIGIA"));
    p.pair("INDICIZZAZIONE:", yesNo(s.logical("INDICIZZ")));
    p.notes("NOTE:", s.memo("NOTE"));
}

void lifeSheet(SheetPrinter& p, Table& s)
{
    p.heading("VITA");
    p.pair("ASSICURATO:", trim(s.text("ASSICURATO")));
    p.pair("CODICE FISCALE:", trim(s.text("CODICEFISC")));
    p.pair("SESSO:", trim(s.text("SESSO")));
    p.pair("DATA DI NASCITA:", dateText(s.date("DATANASC")));
    p.pair("COMUNE DI NASCITA:", trim(s.text("COMUNASC")));
    p.pair("FUMATORE:", yesNo(s.logical("FUMATORE")));
    p.pair("TIPO DOCUMENTO:", trim(s.text("DOCUMENTO")));
    p.pair("PROFESSIONE:", trim(s.text("PROFESS")));
    p.notes("BENEFICIARI:", s.memo("BENEFIC"));
    p.pair("CODICE TARIFFE:", trim(s.text("TARIFFE")));
    p.writer().line("MASSIMALI:");
    guarantees(p, s, 5);
}

// The claims of the policy (by its internal code) on pages of their own.
void claims(Workspace& ws, TPRINTER& job, const std::string& code, const EditValues& v)
{
    if (trim(code).empty()) return;
    OwnTable t(ws, "SINISTRI", true);
    t->ordAdd("SINPOL");
    const std::string key = sheetKey(trim(code));
    if (!t->seek(key, true) || t->raw("CODPOL") != key) return;
    ReportDescription d;
    d.title = "STAMPA SINISTRI";
    d.headings = {"POLIZZA N.: " + trim(v.get("POLIZZA"))};
    d.font = PrintFont("Arial", 8);
    Table& c = *t;
    const std::string agreement = trim(v.get("RAPPORTO"));
    const std::string insured = trim(v.get("ASSICURATO"));
    d.columns = {
        {"NUMERO", [&c] { return ReportValue(trim(c.text("NUMERO"))); }, "", 20},
        {"N.REP.", [&c] { return ReportValue(trim(c.text("REPERTORIO"))); }, "", 7},
        {"COMPAGNIA", [&c] { return ReportValue(trim(c.text("COMPAGNIA"))); }, "", 17},
        {"DATA", [&c] { return ReportValue(c.date("DATA")); }, "", 8},
        {"RAPPORTO", [agreement] { return ReportValue(agreement); }, "", 17},
        {"ASSICURATO", [insured] { return ReportValue(insured); }, "", 17},
        {"TIPO", [&c] { return ReportValue(trim(c.text("TIPO"))); }, "", 12},
    };
    ReportRows rows;
    rows.first = [&c, key] { c.seek(key, true); };
    rows.atEnd = [&c, key] { return c.eof() || c.raw("CODPOL") != key; };
    rows.next = [&c] { c.skip(1); };
    if (job.pageOpen()) job.endPage();
    job.setRow(2);
    printReport(d, rows, job);
}

} // namespace

PrintDocument printPolicySheet(Workspace& ws, const EditValues& v, bool preview)
{
    TPRINTER job("Stampa polizza", preview);
    {
        SheetPrinter p(job);
        const std::string hour = v.get("ORAEFF");
        p.pair("ASSICURATO:", trim(v.get("ASSICURATO")));
        p.pair("COMPAGNIA:", trim(v.get("COMPAGNIA")));
        p.pair("RAPPORTO:", trim(v.get("RAPPORTO")));
        p.pair("COASSICURAZIONE:", trim(v.get("COASSICUR")));
        p.pair("TELEFONICA:", yesNo(v.logical("TELEFONICA")));
        p.pair("POLIZZA:", trim(v.get("POLIZZA")));
        p.pair("CODICE CONVENZIONE:", trim(v.get("CODCONV")));
        p.pair("SOSTITUISCE:", trim(v.get("SOSTPOL")));
        p.pair("SOSTITUITA DA:", trim(v.get("SOSTDA")));
        p.pair("RAMO:", trim(v.get("RAMO")));
        p.pair("INTESTAZIONE P.R.A.:", trim(v.get("INTESTPRA")));
        p.pair("FRAZIONAMENTO:", trim(v.get("FRAZIONAM")));
        p.pair("PRODUTTORE 1:", trim(v.get("PRODUTTORE")));
        p.pair("PRODUTTORE 2:", trim(v.get("PRODUTTOR2")));
        p.pair("GRUPPO:", clientGroup(ws, v.get("ASSICURATO")));
        p.pair("CONVENZIONE:", trim(v.get("CONVENZIO")));
        p.pair("PAGAMENTO:", trim(v.get("PAGAMENTO")));
        p.pair("DATA EFFETTO:",
               dateText(v.date("EFFETTO")) + (trim(hour).empty() || trim(hour) == ":" ? "" : "  " + trim(hour)));
        p.pair("DATA SCADENZA:", dateText(v.date("SCADENZA")));
        p.pair("DATA COPERTURA:", dateText(v.date("COPERTURA")));
        p.pair("DATA INCASSO:", dateText(v.date("INCASSO")));
        const Decimal premium = v.number("IMPORTO"), fee = v.number("COMMISS"), expenses = v.number("SPESE");
        p.money("IMPORTO:", premium);
        p.money("COMMISSIONI:", fee);
        p.money("SPESE:", expenses);
        p.money("TOTALE:", premium + fee + expenses);
        p.money("PROVVIGIONI AGENZIA:", v.number("PROVVAGEN"));
        p.money("PROVVIGIONI PRODUTTORE:", v.number("PROVVPROD"));
        p.pair("DISDETTA:", yesNo(v.logical("DISDETTA")));
        p.pair("PROMEM. RIF. POLIZZA:", yesNo(v.logical("PROMEMORIA")));
        p.pair("AVVISO:", yesNo(v.logical("AVVISO")));
        p.pair("E-MAIL ALIAS:", trim(v.get("ALIASTEL")));
        p.pair("CASELLA ALIAS:", trim(v.get("CASELLATEL")));
        p.pair("PROVENIENZA:", trim(v.get("PROVENIEN")));
        p.pair("OPERATORE:", trim(v.get("OPERATORE")));
        p.writer().skip();
        p.notes("NOTE:", v.get("NOTE"), 2);

        const SheetKind kind = sheetKind(v.get("RAMO"));
        const std::string code = trim(v.get("CODICE"));
        if (kind != SheetKind::None && !code.empty()) {
            OwnTable s(ws, sheetTable(kind), true);
            s->ordAdd(TagName::runtime(sheetTable(kind)));
            if (s->seek(sheetKey(code))) {
                if (kind == SheetKind::Motor) motorSheet(p, *s);
                else if (kind == SheetKind::Elementary) elementarySheet(p, *s);
                else lifeSheet(p, *s);
            }
        }
    }
    claims(ws, job, v.get("CODICE"), v);
    if (job.pageOpen()) job.endPage();
    PrintDocument doc = job.document();
    job.end();
    return doc;
}

} // namespace arv::policies
