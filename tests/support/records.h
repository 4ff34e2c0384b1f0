// Test data written as the screens write it: one record appended to a table, under its lock.
#pragma once

#include <functional>
#include <string>

#include "store/table.h"
#include "store/workspace.h"

namespace arv::test {

// Appends a record to TABLE of WS, filled by FILL, and commits it.
inline void addRecord(store::Workspace& ws, const std::string& table, const std::function<void(store::Table&)>& fill)
{
    store::OwnTable own(ws, table);
    own->append();
    fill(*own);
    own->commit();
    own->unlock();
}

} // namespace arv::test
