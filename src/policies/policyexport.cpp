#include "policies/policyexport.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <set>

#include "common/text.h"
#include "policies/sheets.h"
#include "store/keys.h"

namespace arv::policies {

using namespace store;
using namespace records;

namespace {

std::string upper(std::string s)
{
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::set<std::string> words(const std::string& list)
{
    std::set<std::string> out;
    std::string w;
    for (char c : list + " ") {
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '_') {
            w += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        } else if (!w.empty()) {
            out.insert(w);
            w.clear();
        }
    }
    return out;
}

// One table's part of the export: its selected fields, read from a cursor.
struct Part {
    struct Field {
        std::string name;
        char type = 'C';
        int decimals = 0;
    };
    std::vector<Field> fields;

    void select(const Table& t, const std::string& list)
    {
        std::vector<std::string> names;
        for (const auto& f : t.file().fields()) names.push_back(f.name);
        const std::vector<std::string> chosen = selectedFields(names, list);
        for (const auto& f : t.file().fields())
            if (std::find(chosen.begin(), chosen.end(), f.name) != chosen.end())
                fields.push_back({f.name, f.type, f.decimals});
    }
    void columns(std::vector<SheetColumn>& out) const
    {
        for (const Field& f : fields) {
            switch (f.type) {
            case 'N': out.push_back({f.name, SheetCell::Number}); break;
            case 'D': out.push_back({f.name, SheetCell::Date}); break;
            default: out.push_back({f.name, SheetCell::Text}); break;
            }
        }
    }
    void values(const Table& t, std::vector<CellValue>& out) const
    {
        for (const Field& f : fields) {
            const FieldName n = FieldName::runtime(f.name);
            switch (f.type) {
            case 'N': out.emplace_back(t.number(n)); break;
            case 'D': {
                if (const Date d = t.date(n)) out.emplace_back(d);
                else out.emplace_back();
                break;
            }
            case 'L': out.emplace_back(std::string(t.logical(n) ? "S" : "N")); break;
            case 'M': {
                std::string m = t.memo(n);
                std::string lf;
                for (size_t i = 0; i < m.size(); ++i) {
                    if (m[i] == '\r') {
                        lf += '\n';
                        if (i + 1 < m.size() && m[i + 1] == '\n') ++i;
                    } else {
                        lf += m[i];
                    }
                }
                out.emplace_back(trim(lf));
                break;
            }
            default: out.emplace_back(trim(t.text(n))); break;
            }
        }
    }
    void blanks(std::vector<CellValue>& out) const { out.resize(out.size() + fields.size()); }
};

struct Layout {
    Part policy, client, motor, elementary, life;
    bool registration = false;
};

Layout layoutOf(Workspace& ws, const ExportLists& lists)
{
    Layout l;
    auto pick = [&ws](Part& part, const char* table, const std::string& list) {
        OwnTable t(ws, table, true);
        part.select(*t, list);
    };
    pick(l.policy, "POLIZZE", lists.policies);
    l.registration = trim(lists.policies).empty() || words(lists.policies).count("NUMERUI") > 0;
    pick(l.client, "CLIENTI", lists.clients);
    pick(l.motor, "DATIAUTO", lists.motor);
    pick(l.elementary, "RAMIELEM", lists.elementary);
    pick(l.life, "VITA", lists.life);
    return l;
}

std::vector<SheetColumn> columnsOf(const Layout& l)
{
    std::vector<SheetColumn> c;
    l.policy.columns(c);
    if (l.registration) c.push_back({"NUMERUI"});
    l.client.columns(c);
    l.motor.columns(c);
    l.elementary.columns(c);
    l.life.columns(c);
    return c;
}

} // namespace

ExportLists ExportLists::load(const IniFile& ini)
{
    ExportLists l;
    l.policies = ini.get(kExportSection, "Polizze");
    l.motor = ini.get(kExportSection, "DatiAuto");
    l.elementary = ini.get(kExportSection, "RamiElem");
    l.life = ini.get(kExportSection, "Vita");
    l.clients = ini.get(kExportSection, "Clienti");
    return l;
}

std::vector<std::string> selectedFields(const std::vector<std::string>& fields, const std::string& list)
{
    const std::set<std::string> named = words(list);
    std::vector<std::string> out;
    for (const std::string& f : fields) {
        const std::string name = upper(f);
        if (named.empty() ? name != "PASSWORD" && name != "UTENTE" : named.count(name) > 0) out.push_back(f);
    }
    return out;
}

std::vector<SheetColumn> exportColumns(Workspace& ws, const ExportLists& lists)
{
    return columnsOf(layoutOf(ws, lists));
}

bool writePolicyExport(Workspace& ws, Table& t, const ExportLists& lists, bool single, const std::string& path,
                       const std::function<void(uint32_t)>& progress)
{
    const Layout l = layoutOf(ws, lists);
    SheetWriter out(path, columnsOf(l), true);
    if (!out.ok()) return false;
    // Cursors of the export's own for the lookups, each in the order it seeks.
    OwnTable clients(ws, "CLIENTI", true), producers(ws, "PRODUTT", true), motor(ws, "DATIAUTO", true),
        elementary(ws, "RAMIELEM", true), life(ws, "VITA", true);
    clients->ordAdd("CLIENTI");
    producers->ordAdd("PRODUTT");
    motor->ordAdd("DATIAUTO");
    elementary->ordAdd("RAMIELEM");
    life->ordAdd("VITA");
    const uint32_t here = t.eof() ? 0 : t.recno();
    struct Back {
        Table& t;
        uint32_t here;
        ~Back()
        {
            if (here) t.goTo(here);
        }
    } back{t, here};
    std::vector<CellValue> row;
    auto one = [&] {
        row.clear();
        l.policy.values(t, row);
        if (l.registration) {
            std::string rui;
            if (producers->seek(indexKey(t.text("PRODUTTORE"), 35, true))) rui = trim(producers->text("NUMERUI"));
            row.emplace_back(rui);
        }
        if (clients->seek(indexKey(t.text("ASSICURATO"), 35, true))) l.client.values(*clients, row);
        else l.client.blanks(row);
        const SheetKind kind = sheetKind(t.text("RAMO"));
        const std::string key = sheetKey(trim(t.text("CODICE")));
        auto sheet = [&](SheetKind k, Table& s, const Part& part) {
            if (kind == k && s.seek(key)) part.values(s, row);
            else part.blanks(row);
        };
        sheet(SheetKind::Motor, *motor, l.motor);
        sheet(SheetKind::Elementary, *elementary, l.elementary);
        sheet(SheetKind::Life, *life, l.life);
        out.add(row);
        if (progress) progress(out.rows());
    };
    if (single) {
        if (!t.eof()) one();
    } else {
        for (t.goTop(); !t.eof(); t.skip(1)) one();
    }
    return out.close();
}

} // namespace arv::policies
