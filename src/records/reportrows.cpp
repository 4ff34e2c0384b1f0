#include "records/reportrows.h"

#include "common/printjob.h"

namespace arv::records {

using namespace store;

ReportRows tableRows(Table& table)
{
    return {[&table] { table.goTop(); }, [&table] { return table.eof(); }, [&table] { table.skip(1); }};
}

std::function<void()> rememberSelectedRecord(Workspace& ws)
{
    Table* t = ws.current();
    if (!t) return {};
    const std::string alias = t->alias();
    const bool atEnd = t->eof();
    const uint32_t recno = t->recno();
    return [&ws, alias, atEnd, recno] {
        Table* now = ws.find(alias);
        if (!now) return;
        if (atEnd) {
            now->goBottom();
            if (!now->eof()) now->skip(1);
        } else {
            now->goTo(recno);
        }
    };
}

void installPrintSelectionHook(Workspace& ws)
{
    printHooks().rememberSelection = [&ws] { return rememberSelectedRecord(ws); };
}

} // namespace arv::records
