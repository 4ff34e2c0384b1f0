// A list report over a table's cursor: the rows in the table's order, and the selected table
// back on its record when the job ends.
#include <gtest/gtest.h>

#include "records/reportrows.h"
#include "store/upgrade.h"
#include "support/tempdir.h"

using namespace arv;
using namespace arv::store;
using namespace arv::records;

TEST(ReportRows, ClientListInIndexOrderAndRecordRestored)
{
    arv::test::TempDir dir;
    ASSERT_TRUE(CREATEDB(dir.path(), {*schema::findTable("CLIENTI")}, false));
    Workspace ws(dir.path());
    Table& t = ws.open("CLIENTI");
    t.ordAdd("CLIENTI");
    for (const char* n : {"Rossi Mario", "Bianchi Anna", "Verdi Luca", "Conti Sara"}) {
        t.append();
        t.setText("CLIENTE", n);
        t.setText("CITTA", "Forlì");
        t.commit();
        t.unlock();
    }
    t.seek("VERDI");
    const uint32_t before = t.recno();

    printHooks() = {};
    installPrintSelectionHook(ws);
    ReportDescription d;
    d.title = "Stampa clienti";
    d.headings = {"Stampa clienti"};
    d.columns = {{"Cliente", [&] { return ReportValue(t.text("CLIENTE")); }, "@!", 0, false, ReportAlign::Auto},
                 {"Città", [&] { return ReportValue(t.text("CITTA")); }, "", 0, false, ReportAlign::Auto}};
    d.condition = [&] { return t.text("CLIENTE") != "Conti Sara"; };
    const PrintDocument doc = runReport(d, tableRows(t), false);
    printHooks() = {};

    std::vector<std::string> names;
    for (const auto& it : doc.pages.at(0).items)
        if (it.x < doc.geometry.columnWidth() * 6 && it.y > doc.geometry.lineHeight() * 6.5) names.push_back(it.text);
    EXPECT_EQ((std::vector<std::string>{"BIANCHI ANNA", "ROSSI MARIO", "VERDI LUCA"}), names);
    EXPECT_EQ(before, t.recno());
    EXPECT_EQ("Verdi Luca", t.text("CLIENTE"));
}
