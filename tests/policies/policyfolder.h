// A working folder with every table (registry/registerfolder.h) and a way to append records from
// field values given as text.
#pragma once

#include <map>
#include <string>

#include "registry/registerfolder.h"
#include "store/workspace.h"

namespace arv::test {

class PolicyFolderTest : public RegisterFolderTest {
protected:
    using Values = std::map<std::string, std::string>;

    // Appends a record to TABLE: dates "dd/mm/yyyy", "T"/"F" for logical fields, numbers as
    // "1234.56"; internal codes (CODICE, and the motor sheet's POLIZZA) right-aligned.
    void add(const std::string& table, const Values& values)
    {
        store::OwnTable own(store::workspace(), table);
        store::Table& t = *own;
        t.append();
        for (const auto& [f, v] : values) {
            const store::FieldName n = store::FieldName::runtime(f);
            const char type = t.file().fields()[static_cast<size_t>(t.fieldIndex(n))].type;
            if (type == 'L') t.setLogical(n, v == "T");
            else if (type == 'N') t.setNumber(n, *Decimal::parse(v));
            else if (type == 'D') t.setDate(n, Date::fromDisplay(v));
            else if (f == "CODICE" || (table == "DATIAUTO" && f == "POLIZZA")) t.setRaw(n, std::string(10 - v.size(), ' ') + v);
            else t.setText(n, v);
        }
        t.commit();
        t.unlock();
    }

    // A policy of ROSSI MARIO with ALFA, yearly, in BRANCH; V adds or overrides fields.
    void addPolicy(const std::string& number, const std::string& branch, Values v)
    {
        v.emplace("POLIZZA", number);
        v.emplace("ASSICURATO", "ROSSI MARIO");
        v.emplace("COMPAGNIA", "ALFA");
        v.emplace("RAPPORTO", "ALFA");
        v.emplace("RAMO", branch);
        v.emplace("FRAZIONAM", "ANNUALE");
        add("POLIZZE", v);
    }
};

} // namespace arv::test
