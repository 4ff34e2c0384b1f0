#include "largefolder.h"

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "store/upgrade.h"

namespace arv::bench {

LargeFolder::LargeFolder(const char* prefix)
{
    std::string tmpl = (std::filesystem::temp_directory_path() / (std::string(prefix) + "XXXXXX")).string();
    if (!::mkdtemp(tmpl.data())) std::abort();
    path = tmpl;
    if (!store::AGGIORNADATABASE(path)) std::abort();
}

LargeFolder::~LargeFolder()
{
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}

void appendRows(store::Workspace& ws, const char* table, int count,
                const std::function<void(store::Table&, int)>& set, store::TagName order)
{
    store::Table& t = ws.open(table, table, false);
    if (!order.empty()) t.ordAdd(order);
    t.setBulk(true);
    for (int i = 0; i < count; ++i) {
        t.append();
        set(t, i);
        t.commit();
    }
    t.setBulk(false);
    t.unlock();
    ws.close(table);
}

std::string numbered(const char* format, int n)
{
    char text[64];
    std::snprintf(text, sizeof text, format, n);
    return text;
}

std::string policyCode(int n) { return numbered("%10d", n); }

} // namespace arv::bench
