#include "registry/lookuptables.h"

#include <map>

#include "records/lookups.h"
#include "store/workspace.h"
#include "ui/register.h"

namespace arv::registry {

using namespace store;
using namespace records;

namespace {

bool notEmpty(const std::string& v, const EditValues&) { return v.find_first_not_of(' ') != std::string::npos; }

struct OneField {
    const char* entry;
    const char* table;
    FieldName field;
    const char* dialog;
    const char* caption;
    const char* header;
};

const OneField kOneField[] = {
    {"RAMI", "RAMI", "RAMO", "RAMI", "Rami", "RAMI"},
    {"GRUPPI", "GRUPPI", "GRUPPO", "GRUPPI", "Gruppi", "GRUPPI"},
    {"MARKETNG", "MARKETNG", "GRUPPO", "MARKETNG", "Gruppi marketing", "GRUPPI"},
    {"TIPISIN", "TIPISIN", "TIPO", "TIPISIN", "Tipi di sinistro", "TIPI DI SINISTRO"},
    {"DESMVCOM", "DESMVCOM", "DESCRIZ", "DESMOVCOM", "Descrizione movimenti compagnie", "DESCRIZIONI"},
    {"DESMVCON", "DESMVCON", "DESCRIZ", "DESMOVCON", "Descrizione movimenti contabilità", "DESCRIZIONI"},
    {"CATECON", "CATECON", "CATEGORIA", "CATECON", "Categorie voci contabilità", "CATEGORIE"},
    {"GARANZIE", "GARANZIE", "GARANZIA", "GARANZIE", "Garanzie", "GARANZIE"},
    {"CONVENZ", "CONVENZ", "CONVENZIO", "CONVENZ", "Convenzioni", "CONVENZIONI"},
    {"PROFESS", "PROFESS", "PROFESS", "PROFESS", "Professioni", "PROFESSIONI"},
    {"OPERATOR", "OPERATOR", "OPERATORE", "OPERATOR", "Operatori", "OPERATORI"},
};

RegisterDesc oneField(const OneField& d)
{
    RegisterDesc s;
    s.name = d.dialog;
    s.title = d.caption;
    s.table = d.table;
    s.orders = {TagName::runtime(d.table)}; // the table's own tag
    Column c = fieldColumn(d.header, d.field, 40);
    s.columns = {c};
    s.typing = KeyTyping::Seek;
    s.cellEditor = true;
    s.cellField = d.field;
    return s;
}

RegisterDesc accountingItems()
{
    RegisterDesc s;
    s.name = "VOCICON";
    s.title = "Descrizione voci contabilità";
    s.table = "VOCICON";
    s.orders = {"VOCICON", "VOCICON2"};
    s.columns = {fieldColumn("DESCRIZIONI", "DESCRIZ", 40)};
    s.typing = KeyTyping::Seek;
    s.editName = "VOCECON";
    EditField description = textField(101, "Descrizione:", "DESCRIZ");
    description.rule = notEmpty;
    EditField category = choiceField(102, "Categoria:", "CATEGORIA", [] { return ACATECON(workspace(), true); });
    s.fields = {description, category};
    // Accounting items may repeat: no duplicate test, and no table lock for it.
    s.tableLock = false;
    return s;
}

RegisterDesc products()
{
    RegisterDesc s;
    s.name = "PRODOTTI";
    s.title = "Prodotti";
    s.table = "PRODOTTI";
    s.orders = {"PRODOTTI"};
    s.columns = {fieldColumn("COMPAGNIA", "COMPAGNIA", 25), fieldColumn("RAPPORTO", "RAPPORTO", 25),
                 fieldColumn("CONVENZIONE", "CONVENZIO", 25), fieldColumn("CODICE", "CODICE", 10),
                 fieldColumn("DESCRIZIONE", "DESCRIZ", 40)};
    s.editName = "PRODOTTO";
    auto choice = [](int id, const char* label, FieldName field, std::function<std::vector<std::string>()> list) {
        EditField f = choiceField(id, label, field, std::move(list));
        f.rule = notEmpty;
        return f;
    };
    auto text = [](int id, const char* label, FieldName field) {
        EditField f = textField(id, label, field);
        f.rule = notEmpty;
        return f;
    };
    s.fields = {choice(101, "Compagnia:", "COMPAGNIA", [] { return ACOMPAGNIE(workspace()); }),
                choice(102, "Rapporto:", "RAPPORTO", [] { return ACOMPAGNIE(workspace()); }),
                choice(103, "Convenzione:", "CONVENZIO", [] {
                    std::vector<std::string> l = ACONVENZ(workspace());
                    l.insert(l.begin(), std::string());
                    return l;
                }),
                text(104, "Codice:", "CODICE"), text(105, "Descrizione:", "DESCRIZ")};
    s.duplicateTag = "PRODOTTI";
    s.duplicateMessage = "Prodotto già presente.";
    return s;
}

const std::map<std::string, RegisterDesc>& descs()
{
    static const std::map<std::string, RegisterDesc> all = [] {
        std::map<std::string, RegisterDesc> m;
        for (const OneField& d : kOneField) m.emplace(d.entry, oneField(d));
        m.emplace("VOCICON", accountingItems());
        m.emplace("PRODOTTI", products());
        return m;
    }();
    return all;
}

void run(const char* name) { runRegister(*lookupRegister(name), workspace()); }

} // namespace

const records::RegisterDesc* lookupRegister(const std::string& name)
{
    auto it = descs().find(name);
    return it == descs().end() ? nullptr : &it->second;
}

const std::vector<std::string>& lookupEntryNames()
{
    static const std::vector<std::string> names = {"RAMI",    "GRUPPI",   "MARKETNG", "TIPISIN", "DESMVCOM",
                                                   "DESMVCON", "VOCICON", "CATECON",  "GARANZIE", "CONVENZ",
                                                   "PRODOTTI", "PROFESS", "OPERATOR"};
    return names;
}

void RAMI() { run("RAMI"); }
void GRUPPI() { run("GRUPPI"); }
void MARKETNG() { run("MARKETNG"); }
void TIPISIN() { run("TIPISIN"); }
void DESMVCOM() { run("DESMVCOM"); }
void DESMVCON() { run("DESMVCON"); }
void VOCICON() { run("VOCICON"); }
void CATECON() { run("CATECON"); }
void GARANZIE() { run("GARANZIE"); }
void CONVENZ() { run("CONVENZ"); }
void PRODOTTI() { run("PRODOTTI"); }
void PROFESS() { run("PROFESS"); }
void OPERATOR() { run("OPERATOR"); }

void addLookupEntries(const std::function<void(const std::string& name, std::function<void()> entry)>& add)
{
    for (const std::string& name : lookupEntryNames()) add(name, [name] { run(name.c_str()); });
}

} // namespace arv::registry
