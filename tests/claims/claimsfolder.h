// A working folder for the claims tests: records written straight into the tables, and the
// printed pages as text.
#pragma once

#include <functional>
#include <string>

#include "common/pagemodel.h"
#include "registry/registerfolder.h"
#include "store/keys.h"
#include "support/pages.h"

namespace arv::test {

inline Date ymd(int y, int m, int day) { return Date::fromYmd(y, m, day); }

inline std::string pageText(const PrintDocument& doc) { return test::pagesText(doc); }

class ClaimsFolder : public RegisterFolderTest {
protected:
    store::Workspace& ws() { return store::workspace(); }
    void add(const std::string& table, const std::function<void(store::Table&)>& fill) { addRecord(table, fill); }
    // A policy with its internal code (right-aligned) and number.
    void addPolicy(int code, const std::string& number, const std::function<void(store::Table&)>& more = {})
    {
        add("POLIZZE", [&](store::Table& t) {
            t.setRaw("CODICE", store::indexKey(std::string(9, ' ') + std::to_string(code), 10));
            t.setText("POLIZZA", number);
            if (more) more(t);
        });
    }
};

} // namespace arv::test
