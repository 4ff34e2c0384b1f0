// Index tags: the key of every order, as a C++ function and as the xBase expression written into
// the index file so that other engines compute the same key.
#include "store/schema/schema.h"

#include <algorithm>
#include <cctype>
#include <mutex>

namespace arv::schema {

namespace {

std::string field(const RecordView& r, std::string_view name, size_t width)
{
    std::string s(r.raw(name));
    s.resize(width, ' ');
    return s;
}

// STR(YEAR(date),4): right-aligned year, "   0" for the empty date.
std::string yearStr4(const RecordView& r, std::string_view name)
{
    std::string_view d = r.raw(name);
    if (d.size() < 4 || d.substr(0, 4) == "    ") return "   0";
    return std::string(d.substr(0, 4));
}

TagDef plain(std::string name, std::string table, std::vector<std::pair<std::string, int>> parts, bool upper)
{
    std::string expr;
    int size = 0;
    for (auto& [f, w] : parts) {
        if (!expr.empty()) expr += '+';
        expr += f;
        size += w;
    }
    if (upper) expr = "UPPER(" + expr + ")";
    KeyFunction fn = [parts, upper](const RecordView& r) {
        std::string k;
        for (auto& [f, w] : parts) k += field(r, f, static_cast<size_t>(w));
        return upper ? keyUpper(k) : k;
    };
    return TagDef{std::move(name), std::move(table), std::move(expr), size, std::move(fn)};
}

TagDef yearNumber(std::string name, std::string table)
{
    KeyFunction fn = [](const RecordView& r) { return yearStr4(r, "DATA") + field(r, "NUMERO", 5); };
    return TagDef{std::move(name), std::move(table), "STR(YEAR(DATA),4)+STR(NUMERO,5)", 9, std::move(fn)};
}

std::vector<TagDef> buildTags()
{
    std::vector<TagDef> t;
    t.push_back(plain("POLIZZE", "POLIZZE", {{"ASSICURATO", 35}, {"COMPAGNIA", 35}, {"POLIZZA", 25}}, false));
    t.push_back(plain("NUMPOL", "POLIZZE", {{"POLIZZA", 25}}, false));
    t.push_back(plain("DATIAUTO", "DATIAUTO", {{"POLIZZA", 10}}, false));
    t.push_back(plain("RAMIELEM", "RAMIELEM", {{"POLIZZA", 10}}, false));
    t.push_back(plain("VITA", "VITA", {{"POLIZZA", 10}}, false));
    t.push_back(TagDef{"SINISTRI", "SINISTRI", "ARVSINASS(POLIZZA)+DTOS(DATA)", 43, [](const RecordView& r) {
                           return claimInsured(r.raw("POLIZZA")) + field(r, "DATA", 8);
                       }});
    t.push_back(TagDef{"SINPOL", "SINISTRI", "CODPOL+DTOS(DATA)", 18,
                       [](const RecordView& r) { return field(r, "CODPOL", 10) + field(r, "DATA", 8); }});
    t.push_back(plain("SINNUM", "SINISTRI", {{"NUMERO", 20}}, true));
    t.push_back(plain("MOVIDATA", "MOVICOMP", {{"DATA", 8}}, false));
    t.push_back(plain("MOVIPOLI", "MOVICOMP", {{"POLIZZA", 25}}, false));
    t.push_back(TagDef{"MOVIPERI", "MOVICOMP", "IIF(EMPTY(FINEPER),DATA,FINEPER)", 8, [](const RecordView& r) {
                           std::string f = field(r, "FINEPER", 8);
                           return f == "        " ? field(r, "DATA", 8) : f;
                       }});
    t.push_back(plain("MOVICONT", "MOVICONT", {{"DATA", 8}}, false));
    t.push_back(yearNumber("FATTBSA", "FATTBSA"));
    t.push_back(plain("TITOLI", "TITOLI", {{"COMPAGNIA", 35}, {"NUMERO", 15}}, false));
    t.push_back(plain("NUMTIT", "TITOLI", {{"NUMERO", 15}}, false));
    t.push_back(plain("NUMESINI", "NUMESINI", {{"COMPAGNIA", 35}, {"NUMERO", 20}}, false));
    t.push_back(plain("NUMSIN", "NUMESINI", {{"NUMERO", 20}}, false));
    t.push_back(yearNumber("PREVBSA", "PREVBSA"));
    t.push_back(TagDef{"QUIETANZ", "QUIETANZ", "\"1\"", 1, [](const RecordView&) { return std::string("1"); }});
    t.push_back(plain("CLIENTI", "CLIENTI", {{"CLIENTE", 35}}, true));
    t.push_back(plain("COMPAGN", "COMPAGN", {{"COMPAGNIA", 35}}, true));
    t.push_back(plain("PRODUTT", "PRODUTT", {{"PRODUTTORE", 35}}, true));
    t.push_back(plain("PROVVIG", "PROVVIG", {{"TIPO", 1}, {"RAGSOC", 35}, {"RAPPORTO", 35}, {"RAMO", 20}}, false));
    t.push_back(plain("RAMI", "RAMI", {{"RAMO", 20}}, false));
    t.push_back(plain("GRUPPI", "GRUPPI", {{"GRUPPO", 20}}, false));
    t.push_back(plain("MARKETNG", "MARKETNG", {{"GRUPPO", 20}}, false));
    t.push_back(plain("TIPISIN", "TIPISIN", {{"TIPO", 20}}, false));
    t.push_back(plain("DESMVCOM", "DESMVCOM", {{"DESCRIZ", 25}}, false));
    t.push_back(plain("DESMVCON", "DESMVCON", {{"DESCRIZ", 35}}, false));
    t.push_back(plain("VOCICON", "VOCICON", {{"DESCRIZ", 35}}, false));
    t.push_back(plain("VOCICON2", "VOCICON", {{"CATEGORIA", 35}, {"DESCRIZ", 35}}, false));
    t.push_back(plain("CATECON", "CATECON", {{"CATEGORIA", 35}}, false));
    t.push_back(plain("GARANZIE", "GARANZIE", {{"GARANZIA", 30}}, false));
    t.push_back(plain("CONVENZ", "CONVENZ", {{"CONVENZIO", 25}}, true));
    t.push_back(plain("PRODOTTI", "PRODOTTI",
                      {{"COMPAGNIA", 35}, {"RAPPORTO", 35}, {"CONVENZIO", 25}, {"DESCRIZ", 100}}, true));
    t.push_back(plain("PROFESS", "PROFESS", {{"PROFESS", 50}}, true));
    t.push_back(plain("OPERATOR", "OPERATOR", {{"OPERATORE", 20}}, true));
    t.push_back(TagDef{"FINANZ", "FINANZ", "DTOS(DATA)+RAPPORTO+ASSICURATO", 78, [](const RecordView& r) {
                           return field(r, "DATA", 8) + field(r, "RAPPORTO", 35) + field(r, "ASSICURATO", 35);
                       }});
    t.push_back(plain("QUESTADE", "QUESTADE", {{"DATA", 8}}, false));
    t.push_back(plain("CASSA", "CASSA", {{"DATA", 8}}, false));
    t.push_back(plain("COMUNI", "COMUNI", {{"CODICE", 4}}, false));
    return t;
}

std::mutex gLookupMutex;
ClaimInsuredLookup gLookup;

bool iequal(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

} // namespace

std::string keyUpper(std::string_view text)
{
    std::string s(text);
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return s;
}

const std::vector<TagDef>& tags()
{
    static const std::vector<TagDef> all = buildTags();
    return all;
}

const TagDef* findTag(std::string_view name)
{
    for (const auto& t : tags())
        if (iequal(t.name, name)) return &t;
    return nullptr;
}

std::vector<const TagDef*> tagsOf(std::string_view table)
{
    std::vector<const TagDef*> out;
    if (const TableDef* td = findTable(table))
        for (const auto& n : td->tags)
            if (const TagDef* t = findTag(n)) out.push_back(t);
    return out;
}

const TableDef* findTable(std::string_view name)
{
    for (const auto& t : tables())
        if (iequal(t.name, name)) return &t;
    return nullptr;
}

int TableDef::fieldIndex(std::string_view f) const
{
    for (size_t i = 0; i < fields.size(); ++i)
        if (iequal(fields[i].name, f)) return static_cast<int>(i);
    return -1;
}

int TableDef::recordLength() const
{
    int n = 1;
    for (const auto& f : fields) n += f.width;
    return n;
}

void setClaimInsuredLookup(ClaimInsuredLookup lookup)
{
    std::lock_guard<std::mutex> g(gLookupMutex);
    gLookup = std::move(lookup);
}

std::string claimInsured(std::string_view policyNumber)
{
    ClaimInsuredLookup fn;
    {
        std::lock_guard<std::mutex> g(gLookupMutex);
        fn = gLookup;
    }
    std::string name = fn ? fn(policyNumber) : std::string();
    name.resize(35, ' ');
    return name;
}

} // namespace arv::schema
