#include "records/lookups.h"

#include <algorithm>
#include <optional>

#include "common/cp1252.h"
#include "common/error.h"
#include "common/ini.h"
#include "common/taxcode.h"
#include "common/text.h"
#include "store/files.h"
#include "store/keys.h"

namespace arv::records {

using namespace store;

namespace {

// Runs `read` on a table opened under an alias of its own, restoring the selected area.
template <typename T, typename F>
T withOwnTable(Workspace& ws, const std::string& table, TagName tag, T fallback, F read)
{
    if (!fileExists(ws.folder(), table + ".DBF")) return fallback;
    int before = ws.selected();
    std::string alias = ws.newAlias();
    T result = fallback;
    try {
        Table& t = ws.open(table, alias, true, true);
        if (!tag.empty()) t.ordAdd(tag);
        result = read(t);
    } catch (const Error&) {
        result = fallback;
    }
    ws.close(alias);
    ws.select(before);
    return result;
}

// The values of FIELD in a lookup table, in the order of the table's tag of the same name.
std::vector<std::string> list(Workspace& ws, TagName table, FieldName field, bool emptyFirst,
                              const std::function<bool(Table&)>& keep = nullptr)
{
    std::vector<std::string> out;
    if (emptyFirst) out.emplace_back();
    return withOwnTable(ws, std::string(table), table, out, [&](Table& t) {
        std::vector<std::string> r = out;
        for (t.goTop(); !t.eof(); t.skip())
            if (!keep || keep(t)) r.push_back(trim(t.text(field)));
        return r;
    });
}

// Positions a lookup alias on the record of `key`; nullptr when the alias is not open.
Table* seekAlias(Workspace& ws, const char* alias, const std::string& key, size_t width, bool upper)
{
    Table* t = ws.find(alias);
    if (!t) return nullptr;
    t->seek(indexKey(key, width, upper));
    return t;
}

std::string clientField(Workspace& ws, const std::string& client, FieldName field)
{
    Table* t = seekAlias(ws, "CLIENTI_", client, 35, true);
    return t ? t->text(field) : std::string();
}

std::optional<bool> policyFlag(Workspace& ws, const std::string& number, const std::function<bool(Table&)>& f)
{
    return withOwnTable(ws, "POLIZZE", "NUMPOL", std::optional<bool>(), [&](Table& t) -> std::optional<bool> {
        if (!t.seek(indexKey(number, 25, false))) return false;
        return f(t);
    });
}

Table* motorSheet(Workspace& ws, const std::string& number)
{
    Table* pol = seekAlias(ws, "POLIZZE_", number, 25, false);
    Table* aut = ws.find("DATIAUTO_");
    if (!pol || !aut) return nullptr;
    if (pol->eof()) {
        aut->seek(std::string(10, '\x01')); // to the end: blank values
        aut->goBottom();
        aut->skip();
        return aut;
    }
    aut->seek(pol->raw("CODICE"));
    return aut;
}

} // namespace

std::vector<std::string> ARAMI(Workspace& ws) { return list(ws, "RAMI", "RAMO", false); }
std::vector<std::string> AGRUPPI(Workspace& ws) { return list(ws, "GRUPPI", "GRUPPO", false); }
std::vector<std::string> AMARKETNG(Workspace& ws) { return list(ws, "MARKETNG", "GRUPPO", false); }
std::vector<std::string> ATIPISIN(Workspace& ws) { return list(ws, "TIPISIN", "TIPO", false); }
std::vector<std::string> ADESMVCOM(Workspace& ws) { return list(ws, "DESMVCOM", "DESCRIZ", false); }
std::vector<std::string> ADESMVCON(Workspace& ws) { return list(ws, "DESMVCON", "DESCRIZ", false); }
std::vector<std::string> AVOCICON(Workspace& ws) { return list(ws, "VOCICON", "DESCRIZ", false); }
std::vector<std::string> ACATECON(Workspace& ws, bool emptyFirst) { return list(ws, "CATECON", "CATEGORIA", emptyFirst); }
std::vector<std::string> AGARANZIE(Workspace& ws) { return list(ws, "GARANZIE", "GARANZIA", false); }
std::vector<std::string> ACONVENZ(Workspace& ws) { return list(ws, "CONVENZ", "CONVENZIO", false); }
std::vector<std::string> APROFESS(Workspace& ws) { return list(ws, "PROFESS", "PROFESS", true); }
std::vector<std::string> AOPERATORI(Workspace& ws) { return list(ws, "OPERATOR", "OPERATORE", false); }

std::vector<std::string> ACOMPAGNIE(Workspace& ws)
{
    return list(ws, "COMPAGN", "COMPAGNIA", true, [](Table& t) { return !t.logical("NONATTIVO"); });
}

std::vector<std::string> APRODUTT(Workspace& ws)
{
    std::vector<std::string> l = list(ws, "PRODUTT", "PRODUTTORE", true, [](Table& t) { return !t.logical("NONATTIVO"); });
    bool agency = std::any_of(l.begin(), l.end(), [](const std::string& s) { return upperCp1252(s) == "AGENZIA"; });
    if (!agency) l.push_back("Agenzia");
    std::sort(l.begin() + 1, l.end(), [](const std::string& a, const std::string& b) {
        return upperCp1252(utf8ToCp1252(a)) < upperCp1252(utf8ToCp1252(b));
    });
    return l;
}

std::vector<std::string> AINTERMED(Workspace& ws)
{
    return list(ws, "PRODUTT", "PRODUTTORE", true, [](Table& t) {
        std::string rui = schema::keyUpper(trim(t.raw("NUMERUI")));
        return t.logical("DIPENDENTE") || rui.rfind("E", 0) == 0 || rui.rfind("NO", 0) == 0;
    });
}

std::vector<std::string> APRODOTTI(Workspace& ws, const std::string& company, const std::string& agreement,
                                   const std::string& scheme)
{
    std::string prefix = indexKey(company, 35, true) + indexKey(agreement, 35, true) + indexKey(scheme, 25, true);
    std::vector<std::string> out{std::string()};
    return withOwnTable(ws, "PRODOTTI", "PRODOTTI", out, [&](Table& t) {
        std::vector<std::string> r = out;
        for (t.seek(prefix); !t.eof() && t.currentKey().compare(0, prefix.size(), prefix) == 0; t.skip()) {
            std::string d = trim(t.text("DESCRIZ"));
            if (std::find(r.begin(), r.end(), d) == r.end()) r.push_back(d);
        }
        return r;
    });
}

std::string CODPRO(Workspace& ws, const std::string& company, const std::string& agreement, const std::string& scheme,
                   const std::string& description)
{
    std::string key = indexKey(company, 35, true) + indexKey(agreement, 35, true) + indexKey(scheme, 25, true) +
                      indexKey(description, 100, true);
    return withOwnTable(ws, "PRODOTTI", "PRODOTTI", std::string(), [&](Table& t) {
        return t.seek(key) ? trim(t.text("CODICE")) : std::string();
    });
}

std::string NOMECLIE(Workspace& ws, const std::string& c) { return clientField(ws, c, "NOMEPF"); }
std::string INDICLIE(Workspace& ws, const std::string& c) { return clientField(ws, c, "INDIRIZZO"); }
std::string CITTCLIE(Workspace& ws, const std::string& c) { return clientField(ws, c, "CITTA"); }
std::string CAPCLIE(Workspace& ws, const std::string& c) { return clientField(ws, c, "CAP"); }
std::string PROVCLIE(Workspace& ws, const std::string& c) { return clientField(ws, c, "PROVINCIA"); }
std::string CODFCLIE(Workspace& ws, const std::string& c) { return clientField(ws, c, "CODICEFISC"); }
std::string PIVACLIE(Workspace& ws, const std::string& c) { return clientField(ws, c, "PARTITAIVA"); }
std::string EMAICLIE(Workspace& ws, const std::string& c) { return clientField(ws, c, "E_MAIL"); }
std::string PECCLIE(Workspace& ws, const std::string& c) { return clientField(ws, c, "PEC"); }
std::string GRUPCLIE(Workspace& ws, const std::string& c) { return clientField(ws, c, "GRUPPO"); }

std::string COGNCLIE(Workspace& ws, const std::string& client)
{
    Table* t = seekAlias(ws, "CLIENTI_", client, 35, true);
    if (!t || t->eof()) return std::string();
    std::string name = t->text("CLIENTE");
    std::string first = trim(t->text("NOMEPF"));
    if (!first.empty()) {
        size_t at = name.rfind(first);
        if (at != std::string::npos) name.erase(at, first.size());
    }
    return trim(name);
}

std::string CSDICLIE(Workspace& ws, const std::string& client)
{
    Table* t = seekAlias(ws, "CLIENTI_", client, 35, true);
    if (!t || t->eof()) return std::string();
    std::string sdi = trim(t->text("CODICESDI"));
    if (sdi.empty() && !trim(t->text("CODICEFISC")).empty()) return "0000000";
    return sdi;
}

bool ISPFCLIE(Workspace& ws, const std::string& client)
{
    Table* t = seekAlias(ws, "CLIENTI_", client, 35, true);
    return t && !t->eof() && trim(t->text("CODICEFISC")).size() == 16;
}

bool ATTICOMP(Workspace& ws, const std::string& a)
{
    Table* t = seekAlias(ws, "COMPAGN_", a, 35, true);
    return !t || !t->logical("NONATTIVO");
}

bool CHIUCOMP(Workspace& ws, const std::string& a)
{
    Table* t = seekAlias(ws, "COMPAGN_", a, 35, true);
    return !t || t->logical("CHIUSURA");
}

bool ATTIPROD(Workspace& ws, const std::string& p)
{
    Table* t = seekAlias(ws, "PRODUTT_", p, 35, true);
    return !t || !t->logical("NONATTIVO");
}

std::string RUIPROD(Workspace& ws, const std::string& p)
{
    Table* t = seekAlias(ws, "PRODUTT_", p, 35, true);
    return t ? t->text("NUMERUI") : std::string();
}

ClientData ADATIASSI(Workspace& ws, const std::string& client)
{
    return withOwnTable(ws, "CLIENTI", "CLIENTI", ClientData(), [&](Table& t) {
        ClientData d;
        t.seek(indexKey(client, 35, true));
        d.title = t.text("TITOLO");
        d.name = t.text("CLIENTE");
        d.address = t.text("INDIRIZZO");
        d.postCode = t.text("CAP");
        d.town = trim(t.text("CITTA"));
        d.province = t.text("PROVINCIA");
        d.taxCode = t.text("CODICEFISC");
        d.birthDate = t.date("DATANASC");
        d.sex = t.text("SESSO");
        d.email = t.text("E_MAIL");
        d.byPost = t.logical("PERPOSTA");
        d.vatNumber = t.text("PARTITAIVA");
        d.homePhone = t.text("TELCASA");
        d.officePhone = t.text("TELUFFICIO");
        d.mobile = t.text("CELLULARE");
        d.fax = t.text("FAX");
        d.profession = t.text("PROFESS");
        return d;
    });
}

AgreementData ADATICOMP(Workspace& ws, const std::string& agreement)
{
    return withOwnTable(ws, "COMPAGN", "COMPAGN", AgreementData(), [&](Table& t) {
        AgreementData d;
        t.seek(indexKey(agreement, 35, true));
        d.companyLine1 = t.text("RAGSOC1");
        d.companyLine2 = t.text("RAGSOC2");
        d.address = t.text("INDIRIZZO");
        d.postCode = t.text("CAP");
        d.town = trim(t.text("CITTA"));
        d.province = t.text("PROVINCIA");
        d.remittanceDay = static_cast<int>(t.number("GIORNO").toLongLong());
        d.fax = t.text("FAX");
        d.email = t.text("E_MAIL");
        d.tacitRenewal = t.logical("TACITORIN");
        d.coverageEmail = t.text("EMAILCOPE");
        return d;
    });
}

bool ISPOLIZZA(Workspace& ws, const std::string& number)
{
    return policyFlag(ws, number, [](Table&) { return true; }).value_or(false);
}

bool ISSOSTITUITA(Workspace& ws, const std::string& number)
{
    return policyFlag(ws, number, [](Table& t) { return !t.text("SOSTDA").empty(); }).value_or(true);
}

bool ISDISDETTA(Workspace& ws, const std::string& number)
{
    return policyFlag(ws, number, [](Table& t) {
               return t.logical("DISDETTA") && t.date("SCADENZA") == t.date("COPERTURA");
           })
        .value_or(true);
}

std::string FRAZIONAMENTO(Workspace& ws, const std::string& number)
{
    return withOwnTable(ws, "POLIZZE", "NUMPOL", std::string(), [&](Table& t) {
        return t.seek(indexKey(number, 25, false)) ? t.text("FRAZIONAM") : std::string();
    });
}

bool TELEFONICA(Workspace& ws, const std::string& number)
{
    return policyFlag(ws, number, [](Table& t) { return t.logical("TELEFONICA"); }).value_or(false);
}

namespace {

std::string policyText(Workspace& ws, const std::string& number, FieldName field)
{
    if (Table* t = ws.find("POLIZZE_"); t && t->orderName() == "NUMPOL") {
        t->seek(indexKey(number, 25, false));
        return t->eof() ? std::string() : t->text(field);
    }
    return withOwnTable(ws, "POLIZZE", "NUMPOL", std::string(), [&](Table& t) {
        return t.seek(indexKey(number, 25, false)) ? t.text(field) : std::string();
    });
}

} // namespace

std::string RAPPORTO(Workspace& ws, const std::string& number) { return policyText(ws, number, "RAPPORTO"); }
std::string ASSICURATO(Workspace& ws, const std::string& number) { return policyText(ws, number, "ASSICURATO"); }
std::string PRODUTT(Workspace& ws, const std::string& number) { return policyText(ws, number, "PRODUTTORE"); }
std::string RAMO(Workspace& ws, const std::string& number) { return policyText(ws, number, "RAMO"); }

std::string TARGA(Workspace& ws, const std::string& number) { return TARGAUTO(ws, number); }

std::string TARGACODICE(Workspace& ws, const std::string& code)
{
    const std::string key = indexKey(code, 10, false);
    auto read = [&](Table& t) { return t.seek(key) ? t.text("TARGA") : std::string(); };
    if (Table* t = ws.find("DATIAUTO_"); t && t->orderName() == "DATIAUTO") return read(*t);
    return withOwnTable(ws, "DATIAUTO", "DATIAUTO", std::string(), read);
}

std::string NOTEPOLI(Workspace& ws, const std::string& number)
{
    Table* t = seekAlias(ws, "POLIZZE_", number, 25, false);
    return t && !t->eof() ? t->memo("NOTE") : std::string();
}

std::string TARGAUTO(Workspace& ws, const std::string& number)
{
    Table* a = motorSheet(ws, number);
    return a ? a->text("TARGA") : std::string();
}

Decimal QUINAUTO(Workspace& ws, const std::string& number)
{
    Table* a = motorSheet(ws, number);
    return a ? a->number("QUINTALI") : Decimal();
}

Decimal VALOAUTO(Workspace& ws, const std::string& number)
{
    Table* a = motorSheet(ws, number);
    return a ? a->number("VALORE") : Decimal();
}

Decimal VKASAUTO(Workspace& ws, const std::string& number)
{
    Table* a = motorSheet(ws, number);
    return a ? a->number("VALKASKO") : Decimal();
}

MotorOptions AOPZIAUTO(Workspace& ws, const std::string& number)
{
    MotorOptions o;
    Table* a = motorSheet(ws, number);
    if (!a || a->eof()) return o;
    o.accident = a->logical("INFORTUNI");
    o.glass = a->logical("CRISTALLI");
    o.ownDamage = a->logical("KASKO");
    o.fireTheft = a->logical("INCENFURT");
    o.flammables = a->logical("INFIAMMAB");
    return o;
}

std::vector<std::string> ACASELLETEL(const std::string& iniPath)
{
    std::vector<std::string> out{std::string()};
    IniFile ini(iniPath);
    for (int i = 1;; ++i) {
        std::string v = trim(ini.get("Caselle alias", "Casella" + std::to_string(i)));
        if (v.empty()) break;
        out.push_back(v);
    }
    return out;
}

std::string COMUNASCCDF(Workspace& ws, const std::string& taxCode)
{
    return arv::COMUNASCCDF(taxCode, [&ws](std::string_view code) -> std::optional<std::string> {
        if (!fileExists(ws.folder(), "COMUNI.DBF")) return std::nullopt;
        return withOwnTable(ws, "COMUNI", "COMUNI", std::optional<std::string>(std::string()),
                            [&](Table& t) -> std::optional<std::string> {
                                std::string key(code);
                                key.resize(4, ' ');
                                return t.seek(key) ? t.text("COMUNE") : std::string();
                            });
    });
}

Date ACCENSIONE(Workspace& ws)
{
    Table* pol = ws.find("POLIZZE");
    Table* mov = ws.find("MOVICOMP");
    if (!pol || !mov || pol->eof()) return Date();
    return ACCENSIONE(*pol, *mov);
}

Date ACCENSIONE(const Table& policy, Table& movements)
{
    return movements.seek(policy.raw("POLIZZA")) ? movements.date("DATA") : Date();
}

} // namespace arv::records
