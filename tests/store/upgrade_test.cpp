#include "store/upgrade.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "store/check.h"
#include "store/files.h"
#include "store/table.h"
#include "store/workspace.h"
#include "support/tempdir.h"

using namespace arv;
using namespace arv::store;
using schema::FieldDef;
namespace fs = std::filesystem;

namespace {

schema::TableDef def(const std::string& name, std::vector<FieldDef> fields)
{
    schema::TableDef t;
    t.name = name;
    t.fields = std::move(fields);
    t.memo = false;
    for (const auto& f : t.fields) t.memo = t.memo || f.type == 'M';
    return t;
}

FieldValue text(const std::string& s)
{
    FieldValue v;
    v.type = 'C';
    v.text = s;
    return v;
}

FieldValue empty(char type)
{
    FieldValue v;
    v.type = type;
    return v;
}

} // namespace

TEST(Convdato, ConvertsBetweenFieldTypes)
{
    const FieldDef c10{"X", 'C', 10, 0}, n102{"X", 'N', 10, 2}, n52{"X", 'N', 5, 2}, n80{"X", 'N', 8, 0},
        d{"X", 'D', 8, 0}, l{"X", 'L', 1, 0}, m{"X", 'M', 10, 0};
    EXPECT_EQ(CONVDATO(text("12.345,67"), c10, n102).number, *Decimal::parse("12345.67"));
    EXPECT_EQ(CONVDATO(text("12.5"), c10, n102).number, *Decimal::parse("12.5"));
    EXPECT_EQ(CONVDATO(text("abc"), c10, n102).number, Decimal());
    EXPECT_EQ(CONVDATO(text("15/03/24"), c10, d).date, Date::fromYmd(2024, 3, 15));
    EXPECT_EQ(CONVDATO(text(" 20240315"), c10, d).date, Date::fromYmd(2024, 3, 15));
    EXPECT_TRUE(CONVDATO(text(".f."), c10, l).logical == false);
    EXPECT_TRUE(CONVDATO(text("S"), c10, l).logical);
    EXPECT_FALSE(CONVDATO(text("   "), c10, l).logical);
    EXPECT_EQ(CONVDATO(text("ab  "), c10, m).text, "ab");

    FieldValue date;
    date.type = 'D';
    date.date = Date::fromYmd(2024, 3, 15);
    EXPECT_EQ(CONVDATO(date, d, n80).number, Decimal(20240315));
    EXPECT_EQ(CONVDATO(date, d, c10).text, "15/03/24");
    EXPECT_EQ(CONVDATO(empty('D'), d, c10).text, "        ");
    EXPECT_TRUE(CONVDATO(date, d, l).logical);

    FieldValue num;
    num.type = 'N';
    num.number = *Decimal::parse("1234.56");
    EXPECT_EQ(CONVDATO(num, n102, n52).number, Decimal()); // no longer fits
    EXPECT_EQ(CONVDATO(num, n102, c10).text, "1234.56");
    EXPECT_EQ(CONVDATO(empty('N'), n102, c10).text, "");
    num.number = Decimal(20240315);
    EXPECT_EQ(CONVDATO(num, n80, d).date, Date::fromYmd(2024, 3, 15));

    FieldValue flag;
    flag.type = 'L';
    flag.logical = true;
    EXPECT_EQ(CONVDATO(flag, l, c10).text, ".T.");
    EXPECT_EQ(CONVDATO(flag, l, n80).number, Decimal(1));
    EXPECT_TRUE(CONVDATO(flag, l, d).date.isEmpty());

    EXPECT_EQ(CONVDATO(text("riga uno\r\nriga due"), m, c10).text, "riga uno riga due");
    EXPECT_EQ(ADJNUM("1.234.567,8"), "1234567.8");
    EXPECT_EQ(ADJNUM("1234.5"), "1234.5");
}

TEST(Upgrade, ConvertsChangedLayoutsAndKeepsEverythingElse)
{
    arv::test::TempDir dir;
    // An older layout of a table: one field narrower, one wider, one of another type, a memo
    // that became text, an extra field and a name that only resembles a wanted one.
    std::vector<FieldDef> old = {{"NOME", 'C', 20, 0},      {"IMPORTO", 'N', 9, 2},     {"GRANDE", 'N', 9, 2},
                                 {"VALORE", 'C', 12, 0},    {"NOTE", 'M', 10, 0},       {"EXTRA", 'C', 5, 0},
                                 {"IMPOPREV1", 'N', 6, 2}};
    DbfFile::create(dir.file("PROVA.DBF"), old);
    {
        auto f = DbfFile::open(dir.file("PROVA.DBF"), OpenMode::Exclusive);
        std::string b;
        for (int i = 0; i < 3; ++i) {
            f->blank(b);
            f->putString(b, 0, "Nome " + std::to_string(i));
            f->putNumber(b, 1, *Decimal::parse("1234.56"));
            f->putNumber(b, 2, *Decimal::parse("123456.78"));
            f->putString(b, 3, "12.345,67");
            f->putMemo(b, 4, "prima riga\r\nseconda riga che continua ben oltre il trentacinquesimo carattere");
            f->putString(b, 5, "xyz");
            f->putNumber(b, 6, Decimal(7));
            if (i == 1) b[0] = '*';
            ASSERT_NE(f->append(b), 0u);
            f->unlockAll();
        }
        f->sync();
    }
    std::vector<FieldDef> wanted = {{"NOME", 'C', 20, 0},   {"IMPORTO", 'N', 10, 2}, {"GRANDE", 'N', 6, 2},
                                    {"VALORE", 'N', 10, 2}, {"NOTE", 'C', 35, 0},    {"IMPOPREV", 'N', 6, 2}};
    EXPECT_TRUE(NEEDUPD(dir.path(), "PROVA", wanted));
    std::string message;
    ASSERT_TRUE(MODITAB(dir.path(), "PROVA", wanted, &message)) << message;
    EXPECT_FALSE(NEEDUPD(dir.path(), "PROVA", wanted));
    EXPECT_FALSE(fs::exists(dir.file("PROVA.DBT"))); // no memo field left
    EXPECT_FALSE(fs::exists(dir.file("TEMPDBF_.DBF")));

    auto f = DbfFile::open(dir.file("PROVA.DBF"), OpenMode::Shared, true);
    ASSERT_EQ(f->fields().size(), wanted.size());
    ASSERT_EQ(f->recordCount(), 3u);
    std::string b;
    for (uint32_t r = 1; r <= 3; ++r) {
        ASSERT_TRUE(f->read(r, b));
        EXPECT_EQ(b[0] == '*', r == 2) << "deleted records stay deleted";
        EXPECT_EQ(f->getNumber(b, 1), *Decimal::parse("1234.56"));
        EXPECT_EQ(f->getNumber(b, 2), Decimal()); // narrowed: no longer fits
        EXPECT_EQ(f->getNumber(b, 3), *Decimal::parse("12345.67"));
        EXPECT_EQ(f->getString(b, 4), "prima riga seconda riga che continu");
        EXPECT_EQ(f->getNumber(b, 5), Decimal()); // IMPOPREV never takes IMPOPREV1
    }

    // Extra fields and field order do not make a layout differ.
    std::vector<FieldDef> subset = {wanted[3], wanted[0]};
    EXPECT_FALSE(NEEDUPD(dir.path(), "PROVA", subset));
}

TEST(Upgrade, FailedConversionLeavesTheOldTable)
{
    arv::test::TempDir dir;
    std::vector<FieldDef> old = {{"NOME", 'C', 20, 0}};
    DbfFile::create(dir.file("PROVA.DBF"), old);
    {
        auto f = DbfFile::open(dir.file("PROVA.DBF"), OpenMode::Exclusive);
        std::string b;
        f->blank(b);
        f->putString(b, 0, "Bianchi");
        f->append(b);
        f->sync();
    }
    // Something in the way of the work file makes the conversion fail.
    fs::create_directories(dir.file("TEMPDBF_.DBF") + "/blocco");
    std::vector<schema::TableDef> defs = {def("PROVA", {{"NOME", 'C', 30, 0}})};
    std::string message;
    EXPECT_FALSE(CREATEDB(dir.path(), defs, false, &message));
    EXPECT_FALSE(message.empty());
    auto f = DbfFile::open(dir.file("PROVA.DBF"), OpenMode::Shared, true);
    EXPECT_EQ(f->fields()[0].width, 20);
    std::string b;
    ASSERT_TRUE(f->read(1, b));
    EXPECT_EQ(f->getString(b, 0).substr(0, 7), "Bianchi");
}

TEST(Upgrade, InterruptedReplacementIsFinishedAtTheNextStart)
{
    arv::test::TempDir dir;
    std::ofstream(dir.file("NEW.DBF")) << "new table";
    std::ofstream(dir.file("NEW.DBT")) << "new memo";
    std::ofstream(dir.file("T.DBF")) << "old table";
    std::ofstream(dir.file("T.DBT")) << "old memo";
    // The journal was written and the first rename done when the process died.
    std::ofstream(dir.file("\x7FREPLACE.JRN")) << "NEW.DBF\tT.DBF\nNEW.DBT\tT.DBT\n";
    fs::rename(dir.file("NEW.DBF"), dir.file("T.DBF"));
    recoverReplacements(dir.path());
    std::ifstream memo(dir.file("T.DBT"));
    std::string s;
    std::getline(memo, s);
    EXPECT_EQ(s, "new memo");
    EXPECT_FALSE(fs::exists(dir.file("\x7FREPLACE.JRN")));
    EXPECT_FALSE(fs::exists(dir.file("NEW.DBT")));
}

TEST(Upgrade, PutcodeNumbersMovementsWithoutCodes)
{
    arv::test::TempDir dir;
    ASSERT_TRUE(CREATEDB(dir.path(), {*schema::findTable("MOVICOMP")}, false));
    PUTCODE(dir.path(), "MOVICOMP"); // empty: nothing to do
    {
        Workspace ws(dir.path());
        Table& t = ws.open("MOVICOMP");
        for (int i = 0; i < 3; ++i) {
            t.append();
            t.setText("POLIZZA", "P" + std::to_string(i));
            t.commit();
            t.unlock();
        }
    }
    PUTCODE(dir.path(), "MOVICOMP");
    Workspace ws(dir.path());
    Table& t = ws.open("MOVICOMP");
    t.goTo(3);
    EXPECT_EQ(t.raw("CODICE"), "         3");
    t.goTo(1);
    EXPECT_EQ(t.raw("CODICE"), "         1");
}

TEST(Upgrade, RebuildPacksDeletedRecordsAway)
{
    arv::test::TempDir dir;
    ASSERT_TRUE(AGGIORNADATABASE(dir.path()));
    {
        Workspace ws(dir.path());
        Table& t = ws.open("CLIENTI");
        t.ordAdd("CLIENTI");
        for (const char* n : {"A", "B", "C"}) {
            t.append();
            t.setText("CLIENTE", n);
            t.setMemo("NOTE", std::string("nota di ") + n);
            t.commit();
            t.unlock();
        }
        ASSERT_TRUE(t.seek("B"));
        t.del();
    }
    ASSERT_TRUE(AGGIORNADATABASE(dir.path(), true)); // forced, as after a restore
    Workspace ws(dir.path());
    Table& t = ws.open("CLIENTI");
    EXPECT_EQ(t.lastRec(), 2u);
    t.goTo(2);
    EXPECT_EQ(t.text("CLIENTE"), "C");
    EXPECT_EQ(t.memo("NOTE"), "nota di C");
    EXPECT_TRUE(checkTable(dir.file("CLIENTI.DBF")).ok());
}
