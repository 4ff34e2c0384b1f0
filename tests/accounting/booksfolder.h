// A working folder for the prima nota and the accounting summary: company and accounting movements
// written a line at a time, and the printed pages read back as text lines.
#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "common/pagemodel.h"
#include "registry/registerfolder.h"
#include "store/workspace.h"

namespace arv::test {

inline Date day(int y, int m, int d) { return Date::fromYmd(y, m, d); }
inline Decimal amount(const char* s) { return *Decimal::parse(s); }

// The texts of each line of a page, left to right, joined by " | "; by line number.
inline std::map<int, std::string> pageLines(const PrintDocument& doc, const Page& page)
{
    std::map<int, std::vector<std::pair<double, std::string>>> rows;
    for (const PageItem& i : page.items)
        if (!i.isFrame() && !i.text.empty())
            rows[static_cast<int>(i.y / doc.geometry.lineHeight() + 0.5)].push_back({i.x, i.text});
    std::map<int, std::string> out;
    for (auto& [row, items] : rows) {
        std::stable_sort(items.begin(), items.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        std::string line;
        for (const auto& [x, text] : items) line += (line.empty() ? "" : " | ") + text;
        out[row] = line;
    }
    return out;
}

// Every line of every page, in order.
inline std::vector<std::string> documentLines(const PrintDocument& doc)
{
    std::vector<std::string> out;
    for (const Page& p : doc.pages)
        for (auto& [row, line] : pageLines(doc, p)) out.push_back(line);
    return out;
}

inline bool hasLine(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class BooksFolder : public RegisterFolderTest {
protected:
    struct Company {
        Date date;
        const char* account;
        const char* amount;
        const char* description = "Incasso";
        Date returned = {};
        const char* agreement = "ALFA";
        Date fees = {};
        const char* commission = "0";
    };
    void company(const Company& c)
    {
        store::OwnTable t(store::workspace(), "MOVICOMP");
        t->appendWithCode();
        t->setDate("DATA", c.date);
        t->setText("CONTO", c.account);
        t->setNumber("IMPORTO", amount(c.amount));
        t->setText("DESCRIZIO", c.description);
        t->setDate("RIENTRO", c.returned);
        t->setText("RAPPORTO", c.agreement);
        t->setText("COMPAGNIA", c.agreement);
        t->setText("ASSICURATO", "ROSSI MARIO");
        t->setText("PRODUTTORE", "Agenzia");
        t->setText("POLIZZA", "AU-100");
        t->setDate("CORRISP", c.fees);
        t->setNumber("PROVVAGEN", amount(c.commission));
        t->commit();
        t->unlock();
    }
    void ledger(Date date, const char* account, const char* value, const char* entry = "Cancelleria",
                const char* description = "Spesa di cassa", bool inBooks = true)
    {
        store::OwnTable t(store::workspace(), "MOVICONT");
        t->append();
        t->setDate("DATA", date);
        t->setText("CONTO", account);
        t->setText("CONTABIL", entry);
        t->setText("DESCRIZIO", description);
        t->setNumber("IMPORTO", amount(value));
        t->setLogical("PRIMANOTA", inBooks);
        t->commit();
        t->unlock();
    }
};

} // namespace arv::test
