#include "store/table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <set>

#include "store/check.h"
#include "store/files.h"
#include "store/upgrade.h"
#include "store/workspace.h"
#include "support/tempdir.h"

using namespace arv;
using namespace arv::store;
namespace fs = std::filesystem;

namespace {

std::vector<schema::TableDef> subset(std::initializer_list<const char*> names)
{
    std::vector<schema::TableDef> out;
    for (const char* n : names) out.push_back(*schema::findTable(n));
    return out;
}

void addClient(Table& t, const std::string& name, const std::string& town = "ROMA")
{
    t.append();
    t.setText("CLIENTE", name);
    t.setText("CITTA", town);
    t.commit();
    t.unlock();
}

std::vector<std::string> walk(Table& t, FieldName field)
{
    std::vector<std::string> out;
    for (t.goTop(); !t.eof(); t.skip()) out.push_back(t.text(field));
    return out;
}

bool clean(const std::string& folder, const std::string& table)
{
    CheckReport r = checkTable(resolveFile(folder, table + ".DBF"));
    for (const auto& p : r.problems) ADD_FAILURE() << table << ": " << p;
    return r.ok();
}

class TableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CREATEDB(dir.path(), subset({"POLIZZE", "MOVICOMP", "CLIENTI"}), false));
    }
    arv::test::TempDir dir;
};

} // namespace

TEST(Archive, NewFolderGetsEveryTableAndIndex)
{
    arv::test::TempDir dir;
    std::string message;
    ASSERT_TRUE(AGGIORNADATABASE(dir.path(), false, &message)) << message;
    int dbf = 0, dbt = 0, ntx = 0;
    for (const auto& e : fs::directory_iterator(dir.path())) {
        std::string ext = e.path().extension().string();
        dbf += ext == ".DBF";
        dbt += ext == ".DBT";
        ntx += ext == ".NTX";
    }
    EXPECT_EQ(dbf, 33);
    EXPECT_EQ(ntx, 41);
    int memoTables = 0;
    for (const auto& t : schema::tables()) {
        memoTables += t.memo;
        EXPECT_EQ(fs::exists(dir.file(t.name + ".DBT")), t.memo) << t.name;
        EXPECT_TRUE(clean(dir.path(), t.name));
    }
    EXPECT_EQ(dbt, memoTables);

    // A second start finds everything in place and rebuilds nothing.
    auto stamp = fs::last_write_time(dir.file("NUMPOL.NTX"));
    ASSERT_TRUE(AGGIORNADATABASE(dir.path()));
    EXPECT_EQ(fs::last_write_time(dir.file("NUMPOL.NTX")), stamp);

    // A missing index makes the next start rebuild them all.
    fs::remove(dir.file("NUMPOL.NTX"));
    auto other = fs::last_write_time(dir.file("CLIENTI.NTX"));
    ASSERT_TRUE(AGGIORNADATABASE(dir.path()));
    EXPECT_TRUE(fs::exists(dir.file("NUMPOL.NTX")));
    EXPECT_NE(fs::last_write_time(dir.file("CLIENTI.NTX")), other);
}

TEST_F(TableTest, RecordsComeBackInKeyOrderAndBySeek)
{
    Workspace ws(dir.path());
    Table& t = ws.open("CLIENTI");
    t.ordAdd("CLIENTI");
    std::vector<std::string> names = {"Rossi Mario", "bianchi anna", "Verdi Giuseppe", "D'Angelo Sara", "Conti Luca",
                                      "Àlvaro Núñez"};
    for (const auto& n : names) addClient(t, n);
    EXPECT_EQ(walk(t, "CLIENTE"),
              (std::vector<std::string>{"bianchi anna", "Conti Luca", "D'Angelo Sara", "Rossi Mario", "Verdi Giuseppe",
                                        "Àlvaro Núñez"}));
    EXPECT_TRUE(t.seek("ROSSI"));
    EXPECT_EQ(t.text("CLIENTE"), "Rossi Mario");
    EXPECT_FALSE(t.seek("PAOLINI"));
    EXPECT_TRUE(t.eof());
    EXPECT_FALSE(t.seek("PAOLINI", true));
    EXPECT_EQ(t.text("CLIENTE"), "Rossi Mario"); // soft seek stops on the next key
    t.goBottom();
    EXPECT_EQ(t.text("CLIENTE"), "Àlvaro Núñez");
    t.skip(-1);
    EXPECT_EQ(t.text("CLIENTE"), "Verdi Giuseppe");
    t.goTop();
    t.skip(-1);
    EXPECT_TRUE(t.bof());
    EXPECT_EQ(t.text("CLIENTE"), "bianchi anna");
    EXPECT_EQ(t.totRec(), 6u);
    EXPECT_EQ(t.lastRec(), 6u);
    EXPECT_TRUE(clean(dir.path(), "CLIENTI"));
}

TEST_F(TableTest, DeletingLeavesTheCursorOnTheFollowingRecord)
{
    Workspace ws(dir.path());
    Table& t = ws.open("CLIENTI");
    t.ordAdd("CLIENTI");
    for (const char* n : {"A", "B", "C", "D"}) addClient(t, n);
    ASSERT_TRUE(t.seek("B"));
    t.del();
    EXPECT_EQ(t.text("CLIENTE"), "C");
    t.goBottom();
    t.del();
    EXPECT_TRUE(t.eof()); // nothing selected after deleting the last one
    EXPECT_EQ(walk(t, "CLIENTE"), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(t.totRec(), 2u);
    EXPECT_EQ(t.lastRec(), 4u);
    t.setOrder(0); // physical order hides deleted records too
    EXPECT_EQ(walk(t, "CLIENTE"), (std::vector<std::string>{"A", "C"}));
    EXPECT_TRUE(clean(dir.path(), "CLIENTI"));

    int beeps = 0;
    waitHooks().beep = [&] { ++beeps; };
    t.goBottom();
    t.skip();
    EXPECT_FALSE(t.delRec());
    EXPECT_EQ(beeps, 1);
    waitHooks().confirm = [](const std::string& q) { return q != kMsgConfirmDelete; };
    t.goTop();
    EXPECT_FALSE(t.delRec());
    waitHooks() = WaitHooks();
    EXPECT_TRUE(t.delRec());
    EXPECT_EQ(t.totRec(), 1u);
}

TEST_F(TableTest, EveryIndexFollowsAChangeWhateverTheCursorAttached)
{
    Workspace ws(dir.path());
    Table& t = ws.open("POLIZZE");
    t.ordAdd("NUMPOL"); // only one of the two orders attached
    for (int i = 0; i < 50; ++i) {
        t.append();
        t.setText("POLIZZA", "P" + std::to_string(1000 - i));
        t.setText("ASSICURATO", "CLIENTE " + std::to_string(i % 7));
        t.setText("CODICE", t.nextCode(false));
        t.commit();
        t.unlock();
    }
    ASSERT_TRUE(t.seek("P990"));
    t.lock(true);
    t.setText("ASSICURATO", "ZETA");
    t.setText("POLIZZA", "P0001");
    t.commit();
    t.unlock();
    EXPECT_TRUE(clean(dir.path(), "POLIZZE"));
    Table& by = ws.open("POLIZZE", "RPOLIZZE");
    by.ordAdd("POLIZZE");
    by.goBottom();
    EXPECT_EQ(by.text("ASSICURATO"), "ZETA");
    EXPECT_EQ(by.text("POLIZZA"), "P0001");
}

TEST_F(TableTest, TwoCursorsWriteOneAfterTheOther)
{
    Workspace ws(dir.path());
    Table& a = ws.open("CLIENTI", "A");
    a.ordAdd("CLIENTI");
    addClient(a, "Neri Paolo", "ROMA");
    Table& b = ws.open("CLIENTI", "B");
    b.ordAdd("CLIENTI");
    ASSERT_TRUE(b.seek("NERI"));

    // Each cursor's locks exclude the other's, as between workstations.
    a.goTop();
    a.lock(true);
    EXPECT_FALSE(b.tryLock(true));
    EXPECT_FALSE(b.tryLock(false));
    a.setText("CITTA", "MILANO");
    a.commit();
    a.unlock();

    b.lock(true); // re-reads the record under the lock
    EXPECT_EQ(b.text("CITTA"), "MILANO");
    b.setText("CITTA", "TORINO");
    b.commit();
    b.unlock();
    a.refresh();
    EXPECT_EQ(a.text("CITTA"), "TORINO"); // the second write wins

    // A record deleted by one cursor while the other edits it comes back live when saved.
    b.setText("INDIRIZZO", "VIA ROMA 1");
    a.del();
    EXPECT_EQ(a.totRec(), 0u);
    b.lock(true);
    b.recall();
    b.commit();
    b.unlock();
    EXPECT_EQ(a.totRec(), 1u);
    a.goTop();
    EXPECT_EQ(a.text("INDIRIZZO"), "VIA ROMA 1");
    EXPECT_TRUE(clean(dir.path(), "CLIENTI"));
}

TEST_F(TableTest, NextCodeSkipsTrailingRecordsWithoutCode)
{
    Workspace ws(dir.path());
    Table& t = ws.open("MOVICOMP");
    EXPECT_EQ(t.nextCode(), "         1");
    for (int i = 0; i < 3; ++i) {
        t.append();
        t.setText("CODICE", t.nextCode(false));
        t.commit();
        t.unlock();
    }
    for (int i = 0; i < 2; ++i) {
        t.append();
        t.commit();
        t.unlock();
    }
    t.goTo(2);
    EXPECT_EQ(t.nextCode(), "         4");
    EXPECT_EQ(t.recno(), 2u); // back on the record it started from
}

TEST_F(TableTest, ViewsFilterOrderAndFollowChanges)
{
    Workspace ws(dir.path());
    Table& t = ws.open("CLIENTI");
    t.ordAdd("CLIENTI");
    const char* towns[] = {"ROMA", "MILANO", "ROMA", "NAPOLI", "MILANO", "ROMA"};
    for (int i = 0; i < 6; ++i) addClient(t, "Cliente " + std::to_string(6 - i), towns[i]);

    Table::ViewOptions byTown;
    byTown.key = [](const Table& r) { return r.raw("CITTA"); };
    t.setView([](const Table& r) { return r.text("CITTA") != "NAPOLI"; }, byTown);
    EXPECT_TRUE(t.hasView());
    EXPECT_EQ(walk(t, "CITTA"), (std::vector<std::string>{"MILANO", "MILANO", "ROMA", "ROMA", "ROMA"}));
    EXPECT_EQ(t.totRec(false), 5u);
    bool viewFile = false;
    for (const auto& e : fs::directory_iterator(dir.path()))
        viewFile |= e.path().filename().string().rfind("\x7FVIEW", 0) == 0;
    EXPECT_TRUE(viewFile);

    // A record that stops satisfying the condition leaves the view.
    t.goTop();
    t.lock(true);
    t.setText("CITTA", "NAPOLI");
    t.commit();
    t.unlock();
    EXPECT_EQ(walk(t, "CITTA"), (std::vector<std::string>{"MILANO", "ROMA", "ROMA", "ROMA"}));

    Table::ViewOptions unique = byTown;
    unique.unique = true;
    t.setView(nullptr, unique);
    EXPECT_EQ(walk(t, "CITTA"), (std::vector<std::string>{"MILANO", "NAPOLI", "ROMA"}));

    t.clearView();
    EXPECT_FALSE(t.hasView());
    EXPECT_EQ(t.orderName(), "CLIENTI"); // back to the order used before the first view
    for (const auto& e : fs::directory_iterator(dir.path()))
        EXPECT_NE(e.path().filename().string().rfind("\x7FVIEW", 0), 0u);

    t.setScope(std::string("CLIENTE 2"), std::string("CLIENTE 4"));
    EXPECT_EQ(walk(t, "CLIENTE"), (std::vector<std::string>{"Cliente 2", "Cliente 3", "Cliente 4"}));
    EXPECT_EQ(t.totRec(), 3u);
    t.goBottom();
    EXPECT_EQ(t.text("CLIENTE"), "Cliente 4");
    t.clearScope();
    EXPECT_TRUE(clean(dir.path(), "CLIENTI"));
}

TEST_F(TableTest, ZapEmptiesTableAndIndexes)
{
    Workspace ws(dir.path());
    Table& t = ws.open("CLIENTI", "", false);
    t.ordAdd("CLIENTI");
    for (const char* n : {"A", "B"}) addClient(t, n);
    t.zap();
    EXPECT_EQ(t.lastRec(), 0u);
    EXPECT_EQ(t.ordList(), std::vector<std::string>{"CLIENTI"});
    addClient(t, "C");
    EXPECT_EQ(walk(t, "CLIENTE"), std::vector<std::string>{"C"});
    ws.closeAll();
    EXPECT_TRUE(clean(dir.path(), "CLIENTI"));
}

TEST_F(TableTest, ManyRandomChangesKeepIndexesExact)
{
    Workspace ws(dir.path());
    Table& t = ws.open("POLIZZE");
    t.ordAdd("POLIZZE");
    t.ordAdd("NUMPOL");
    std::mt19937 rng(7);
    t.setBulk(true);
    for (int i = 0; i < 3000; ++i) {
        int op = static_cast<int>(rng() % 10);
        if (op < 6 || t.lastRec() == 0) {
            t.append();
            t.setText("ASSICURATO", "ASS" + std::to_string(rng() % 500));
            t.setText("POLIZZA", std::to_string(rng() % 100000));
            t.commit();
            t.unlock();
        } else {
            t.goTo(1 + static_cast<uint32_t>(rng() % t.lastRec()));
            if (t.deleted()) continue;
            if (op < 9) {
                t.lock(true);
                t.setText("POLIZZA", std::to_string(rng() % 100000));
                t.commit();
                t.unlock();
            } else {
                t.del();
            }
        }
    }
    t.setBulk(false);
    EXPECT_TRUE(clean(dir.path(), "POLIZZE"));
}

TEST_F(TableTest, AFailedScreenClosesOnlyTheTablesItOpened)
{
    Workspace ws(dir.path());
    ws.open("CLIENTI");
    auto closeScreenTables = ws.closerOfNewTables();
    ws.open("POLIZZE");
    ws.open("CLIENTI", "CLIENTI_");
    closeScreenTables();
    EXPECT_TRUE(ws.isOpen("CLIENTI"));
    EXPECT_FALSE(ws.isOpen("POLIZZE"));
    EXPECT_FALSE(ws.isOpen("CLIENTI_"));
}
