#include "policies/sheets.h"

#include <cctype>
#include <vector>

#include "store/table.h"

namespace arv::policies {

using store::Table;
using store::Workspace;

SheetKind sheetKind(std::string_view branch)
{
    size_t b = 0;
    while (b < branch.size() && branch[b] == ' ') ++b;
    auto startsWith = [&](const char* p) {
        for (size_t i = 0; p[i]; ++i)
            if (b + i >= branch.size() || std::toupper(static_cast<unsigned char>(branch[b + i])) != p[i]) return false;
        return true;
    };
    if (startsWith("AUTO")) return SheetKind::Motor;
    if (startsWith("ELEM")) return SheetKind::Elementary;
    if (startsWith("VITA")) return SheetKind::Life;
    return SheetKind::None;
}

const char* sheetTable(SheetKind kind)
{
    switch (kind) {
    case SheetKind::Motor: return "DATIAUTO";
    case SheetKind::Elementary: return "RAMIELEM";
    case SheetKind::Life: return "VITA";
    case SheetKind::None: break;
    }
    return "";
}

std::string sheetKey(const std::string& code)
{
    size_t b = code.find_first_not_of(' ');
    std::string c = b == std::string::npos ? std::string() : code.substr(b, code.find_last_not_of(' ') - b + 1);
    if (c.size() >= 10) return c.substr(c.size() - 10);
    return std::string(10 - c.size(), ' ') + c;
}

namespace {

// A cursor of its own on TABLE in the order of its code tag; the selected area is kept.
struct SheetCursor {
    Workspace& ws;
    std::string alias;
    int selected;
    Table* t = nullptr;
    SheetCursor(Workspace& w, const char* table) : ws(w), alias(w.newAlias()), selected(w.selected())
    {
        t = &ws.open(table, alias, true);
        t->ordAdd(table);
        t->setOrder(std::string_view(table));
    }
    ~SheetCursor()
    {
        try {
            ws.close(alias);
            ws.select(selected);
        } catch (...) {
        }
    }
};

} // namespace

bool copySheet(Workspace& ws, std::string_view branch, const std::string& fromCode, const std::string& toCode)
{
    const SheetKind kind = sheetKind(branch);
    if (kind == SheetKind::None) return false;
    SheetCursor c(ws, sheetTable(kind));
    Table& t = *c.t;
    if (!t.seek(sheetKey(fromCode))) return false;
    const int fields = static_cast<int>(t.file().fields().size());
    std::vector<std::string> raw(fields), memo(fields);
    for (int i = 0; i < fields; ++i) {
        const auto& f = t.file().fields()[i];
        if (f.type == 'M')
            memo[i] = t.memo(f.name);
        else
            raw[i] = t.raw(f.name);
    }
    t.append();
    for (int i = 0; i < fields; ++i) {
        const auto& f = t.file().fields()[i];
        if (f.type == 'M')
            t.setMemo(f.name, memo[i]);
        else
            t.setRaw(f.name, raw[i]);
    }
    t.setRaw("POLIZZA", sheetKey(toCode));
    t.commit();
    t.unlock();
    return true;
}

void deleteSheets(Workspace& ws, const std::string& code)
{
    for (SheetKind kind : {SheetKind::Motor, SheetKind::Elementary, SheetKind::Life}) {
        SheetCursor c(ws, sheetTable(kind));
        Table& t = *c.t;
        // Every sheet of the code, should an old copy have left more than one.
        while (t.seek(sheetKey(code))) t.del(true);
    }
}

} // namespace arv::policies
