// A working folder for the statements and statistics: agreements, producers, clients, policies and
// company movements written in a line each, and the printed pages read back a line at a time.
#pragma once

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "common/pagemodel.h"
#include "registry/registerfolder.h"
#include "store/workspace.h"

namespace arv::test {

inline Date day(int y, int m, int d) { return Date::fromYmd(y, m, d); }
inline Decimal dec(const char* s) { return *Decimal::parse(s); }

struct Movement {
    Date date = {};
    std::string agreement = {}, description = "Incasso";
    Decimal amount = {}, commission = {};
    Date registered = {}; // CORRISP
    std::string account = "Cassa entrate";
    std::string producer = {};
    Decimal producerCommission = {};
    Date closed = {}; // CHIUSURA
    std::string branch = "AUTO";
    std::string insured = "ROSSI MARIO";
    std::string policy = "P1";
    Date due = {};
    Decimal fees = {}, consultancy = {};
    std::string company = {};
    Date periodEnd = {};
};

class StatementFolder : public RegisterFolderTest {
protected:
    store::Workspace& ws() { return store::workspace(); }

    void add(const std::string& table, const std::function<void(store::Table&)>& fill) { addRecord(table, fill); }
    void movement(const Movement& m)
    {
        add("MOVICOMP", [&m](store::Table& t) {
            t.setDate("DATA", m.date);
            t.setText("RAPPORTO", m.agreement);
            t.setText("COMPAGNIA", m.company.empty() ? m.agreement : m.company);
            t.setText("DESCRIZIO", m.description);
            t.setNumber("IMPORTO", m.amount);
            t.setNumber("PROVVAGEN", m.commission);
            t.setDate("CORRISP", m.registered);
            t.setText("CONTO", m.account);
            t.setText("PRODUTTORE", m.producer);
            t.setNumber("PROVVPROD", m.producerCommission);
            t.setDate("CHIUSURA", m.closed);
            t.setText("RAMO", m.branch);
            t.setText("ASSICURATO", m.insured);
            t.setText("POLIZZA", m.policy);
            t.setDate("SCADENZA", m.due);
            t.setNumber("DIRITTI", m.fees);
            t.setNumber("COMMISS", m.consultancy);
            t.setDate("FINEPER", m.periodEnd);
            t.setText("TIPO", "Quietanza");
        });
    }
    void agreement(const std::string& name, const char* rate = "0", bool closesStatements = false)
    {
        add("COMPAGN", [&](store::Table& t) {
            t.setText("COMPAGNIA", name);
            t.setText("RAGSOC1", name + " SPA");
            t.setText("INDIRIZZO", "Via Po 3");
            t.setText("CAP", "20100");
            t.setText("CITTA", "Milano");
            t.setText("PROVINCIA", "MI");
            t.setNumber("ALIQRA", dec(rate));
            t.setLogical("CHIUSURA", closesStatements);
        });
    }
};

// The texts of each printed line, left to right, joined by " | " (rows in the order first met).
inline std::vector<std::string> printedLines(const PrintDocument& doc, size_t page = 0)
{
    std::map<std::string, std::vector<std::pair<double, std::string>>> rows;
    std::vector<std::string> order;
    std::istringstream in(dumpPage(doc, doc.pages.at(page)));
    std::string line;
    while (std::getline(in, line)) {
        const size_t bar = line.find('|');
        if (line.size() < 14 || bar == std::string::npos || line[12] == 'F') continue;
        const std::string row = line.substr(0, 5);
        const std::string text = line.substr(bar + 1, line.size() - bar - 2);
        if (text.empty() || text.find_first_not_of('_') == std::string::npos) continue;
        if (!rows.count(row)) order.push_back(row);
        rows[row].push_back({std::stod(line.substr(7, 4)), text});
    }
    std::vector<std::string> out;
    for (const std::string& r : order) {
        auto items = rows[r];
        std::stable_sort(items.begin(), items.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        std::string joined;
        for (const auto& [x, text] : items) joined += (joined.empty() ? "" : " | ") + text;
        out.push_back(joined);
    }
    return out;
}

inline bool hasLine(const std::vector<std::string>& lines, const std::string& wanted)
{
    return std::find(lines.begin(), lines.end(), wanted) != lines.end();
}

inline std::string allLines(const std::vector<std::string>& lines)
{
    std::string s;
    for (const std::string& l : lines) s += l + "\n";
    return s;
}

} // namespace arv::test
