#include "store/dbf.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/cp1252.h"
#include "common/error.h"
#include "store/dbf_testutil.h"
#include "support/projectfiles.h"

using namespace arv;
using namespace arv::store;
using arv::store::testing::readFile;
using arv::store::testing::TempDir;
using arv::store::testing::writeFile;

namespace {

const std::vector<FieldDef> kPlain = {{"NAME", 'C', 10, 0}, {"AMT", 'N', 8, 2}};

const std::vector<FieldDef> kAll = {
    {"NAME", 'C', 12, 0}, {"AMT", 'N', 9, 2}, {"QTY", 'N', 5, 0}, {"DT", 'D', 8, 0},
    {"OK", 'L', 1, 0},    {"NOTE", 'M', 10, 0}, {"RATE", 'N', 6, 2},
};

uint32_t u32At(const std::string& s, size_t at)
{
    auto b = [&](size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(s[at + i])); };
    return b(0) | (b(1) << 8) | (b(2) << 16) | (b(3) << 24);
}

uint16_t u16At(const std::string& s, size_t at)
{
    return static_cast<uint16_t>(static_cast<unsigned char>(s[at]) | (static_cast<unsigned char>(s[at + 1]) << 8));
}

std::string todayHeaderBytes()
{
    std::time_t now = std::time(nullptr);
    std::tm tm {};
    localtime_r(&now, &tm);
    return std::string {static_cast<char>(tm.tm_year), static_cast<char>(tm.tm_mon + 1), static_cast<char>(tm.tm_mday)};
}

int errorGen(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Error& e) {
        return e.genCode();
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Byte layout of the files we create

TEST(DbfLayout, EmptyTableWithoutMemo)
{
    TempDir dir;
    std::string p = dir.file("T.DBF");
    std::string before = todayHeaderBytes();
    DbfFile::create(p, kPlain);
    std::string after = todayHeaderBytes();
    std::string f = readFile(p);

    ASSERT_EQ(f.size(), 32u + 2 * 32 + 2 + 1); // header, terminator pair, end-of-file marker
    EXPECT_EQ(static_cast<unsigned char>(f[0]), 0x03);
    std::string date = f.substr(1, 3);
    EXPECT_TRUE(date == before || date == after);
    EXPECT_EQ(u32At(f, 4), 0u);
    EXPECT_EQ(u16At(f, 8), 98);
    EXPECT_EQ(u16At(f, 10), 1 + 10 + 8);
    EXPECT_EQ(f.substr(12, 20), std::string(20, '\0'));

    EXPECT_EQ(f.substr(32, 11), std::string("NAME\0\0\0\0\0\0\0", 11));
    EXPECT_EQ(f[32 + 11], 'C');
    EXPECT_EQ(f.substr(32 + 12, 4), std::string(4, '\0'));
    EXPECT_EQ(static_cast<unsigned char>(f[32 + 16]), 10);
    EXPECT_EQ(static_cast<unsigned char>(f[32 + 17]), 0);
    EXPECT_EQ(f.substr(32 + 18, 14), std::string(14, '\0'));
    EXPECT_EQ(f.substr(64, 11), std::string("AMT\0\0\0\0\0\0\0\0", 11));
    EXPECT_EQ(f[64 + 11], 'N');
    EXPECT_EQ(static_cast<unsigned char>(f[64 + 16]), 8);
    EXPECT_EQ(static_cast<unsigned char>(f[64 + 17]), 2);
    EXPECT_EQ(f[96], '\x0D');
    EXPECT_EQ(f[97], '\0');
    EXPECT_EQ(f[98], '\x1A');
    EXPECT_FALSE(std::filesystem::exists(dir.file("T.DBT")));

    auto t = DbfFile::open(p, OpenMode::Shared);
    EXPECT_EQ(t->recordCount(), 0u);
    EXPECT_FALSE(t->tornTail());
    EXPECT_FALSE(t->hasMemo());
    EXPECT_EQ(t->fields(), kPlain);
    EXPECT_EQ(t->headerLength(), 98);
    EXPECT_EQ(t->recordLength(), 19);
    EXPECT_EQ(t->fieldOffset(0), 1);
    EXPECT_EQ(t->fieldOffset(1), 11);
    EXPECT_EQ(t->fieldIndex("amt"), 1);
    EXPECT_EQ(t->fieldIndex("AMOUNT"), -1);
}

TEST(DbfLayout, EmptyTableWithMemo)
{
    TempDir dir;
    std::string p = dir.file("M.DBF");
    DbfFile::create(p, {{"CODE", 'C', 5, 0}, {"NOTE", 'M', 10, 0}});
    std::string f = readFile(p);
    ASSERT_EQ(f.size(), 32u + 64 + 2 + 1);
    EXPECT_EQ(static_cast<unsigned char>(f[0]), 0x83);
    EXPECT_EQ(u16At(f, 10), 16);
    std::string m = readFile(dir.file("M.DBT"));
    ASSERT_EQ(m.size(), 512u);
    EXPECT_EQ(u32At(m, 0), 1u);
    EXPECT_EQ(m.substr(4), std::string(508, '\0'));

    // Lower-case names keep their case for the memo file.
    DbfFile::create(dir.file("low.dbf"), {{"NOTE", 'M', 10, 0}});
    EXPECT_TRUE(std::filesystem::exists(dir.file("low.dbt")));
}

TEST(DbfLayout, CreateRefusesExistingFilesAndBadFieldLists)
{
    TempDir dir;
    std::string p = dir.file("T.DBF");
    DbfFile::create(p, kPlain);
    std::string before = readFile(p);
    EXPECT_EQ(errorGen([&] { DbfFile::create(p, kPlain); }), EG_CREATE);
    EXPECT_EQ(readFile(p), before);

    // A memo file left behind is not replaced, and no half-made table stays.
    writeFile(dir.file("X.DBT"), "keep");
    EXPECT_EQ(errorGen([&] { DbfFile::create(dir.file("X.DBF"), {{"N", 'M', 10, 0}}); }), EG_CREATE);
    EXPECT_FALSE(std::filesystem::exists(dir.file("X.DBF")));
    EXPECT_EQ(readFile(dir.file("X.DBT")), "keep");

    EXPECT_EQ(errorGen([&] { DbfFile::create(dir.file("A.DBF"), {}); }), EG_CREATE);
    EXPECT_EQ(errorGen([&] { DbfFile::create(dir.file("B.DBF"), {{"TOOLONGNAME1", 'C', 5, 0}}); }), EG_CREATE);
    EXPECT_EQ(errorGen([&] { DbfFile::create(dir.file("C.DBF"), {{"X", 'Q', 5, 0}}); }), EG_CREATE);
    EXPECT_EQ(errorGen([&] { DbfFile::create(dir.file("D.DBF"), {{"X", 'C', 0, 0}}); }), EG_CREATE);
    EXPECT_EQ(errorGen([&] { DbfFile::create(dir.file("E.DBF"), {{"X", 'C', 256, 0}}); }), EG_CREATE);
    EXPECT_FALSE(std::filesystem::exists(dir.file("C.DBF")));
}

TEST(DbfLayout, AppendKeepsHeaderCountAndEndMarker)
{
    TempDir dir;
    std::string p = dir.file("T.DBF");
    DbfFile::create(p, kPlain);
    auto t = DbfFile::open(p, OpenMode::Shared);
    std::string b;
    t->blank(b);
    for (int i = 1; i <= 3; ++i) {
        t->putString(b, 0, "R" + std::to_string(i));
        EXPECT_EQ(t->append(b), static_cast<uint32_t>(i));
        EXPECT_TRUE(t->holdsRecordLock(static_cast<uint32_t>(i)));
        EXPECT_FALSE(t->holdsRecordLock(static_cast<uint32_t>(i - 1)));
    }
    t->commit();
    std::string f = readFile(p);
    ASSERT_EQ(f.size(), 98u + 3 * 19 + 1);
    EXPECT_EQ(u32At(f, 4), 3u);
    EXPECT_EQ(f.back(), '\x1A');
    EXPECT_EQ(f.substr(98, 19), " R1                ");
    EXPECT_EQ(f.substr(98 + 2 * 19, 3), " R3");
    EXPECT_EQ(f.substr(1, 3), todayHeaderBytes());
    EXPECT_EQ(t->recordCount(), 3u);
    EXPECT_FALSE(t->tornTail());
}

// ---------------------------------------------------------------------------------------------
// Field codec and record round trips

class DbfRoundTrip : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = dir.file("ALL.DBF");
        DbfFile::create(path, kAll);
        t = DbfFile::open(path, OpenMode::Shared);
        t->blank(buf);
    }
    // Writes the buffer as a new record and reads it back from the file.
    std::string cycle()
    {
        uint32_t r = t->append(buf);
        EXPECT_NE(r, 0u);
        auto again = DbfFile::open(path, OpenMode::Shared);
        std::string out;
        EXPECT_TRUE(again->read(r, out));
        return out;
    }
    TempDir dir;
    std::string path;
    std::unique_ptr<DbfFile> t;
    std::string buf;
};

TEST_F(DbfRoundTrip, CharacterFieldsArePaddedCutAndKeepWindows1252)
{
    t->putString(buf, 0, "\xE0\xE8\xE9 ok");
    std::string r = cycle();
    EXPECT_EQ(t->getString(r, 0), "\xE0\xE8\xE9 ok      ");
    EXPECT_EQ(cp1252ToUtf8(t->getString(r, 0)).substr(0, 6), "\xC3\xA0\xC3\xA8\xC3\xA9");
    t->putString(buf, 0, "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(t->getString(buf, 0), "ABCDEFGHIJKL");
    t->putString(buf, 0, "");
    EXPECT_EQ(t->raw(buf, 0), std::string(12, ' '));
    t->putRaw(buf, 2, "12");
    EXPECT_EQ(t->raw(buf, 2), "12   ");
}

TEST_F(DbfRoundTrip, NumbersRoundAlignAndOverflow)
{
    EXPECT_TRUE(t->putNumber(buf, 1, Decimal::fromScaled(-1250, 2)));
    EXPECT_EQ(t->raw(buf, 1), "   -12.50");
    EXPECT_TRUE(t->putNumber(buf, 6, Decimal::fromScaled(2345, 3)));
    EXPECT_EQ(t->raw(buf, 6), "  2.35");
    EXPECT_TRUE(t->putNumber(buf, 6, Decimal::fromScaled(-2345, 3)));
    EXPECT_EQ(t->raw(buf, 6), " -2.35");
    EXPECT_TRUE(t->putNumber(buf, 6, Decimal::fromScaled(99999, 2)));
    EXPECT_EQ(t->raw(buf, 6), "999.99");
    EXPECT_TRUE(t->putNumber(buf, 6, Decimal::fromScaled(-9999, 2)));
    EXPECT_EQ(t->raw(buf, 6), "-99.99");
    // 999.995 rounds up to 1000.00, which no longer fits.
    EXPECT_FALSE(t->putNumber(buf, 6, Decimal::fromScaled(999995, 3)));
    EXPECT_EQ(t->raw(buf, 6), "******");
    EXPECT_EQ(t->getNumber(buf, 6), Decimal(0));
    EXPECT_FALSE(t->putNumber(buf, 6, Decimal(-100)));
    EXPECT_TRUE(t->putNumber(buf, 2, Decimal(99999)));
    EXPECT_EQ(t->raw(buf, 2), "99999");
    EXPECT_TRUE(t->putNumber(buf, 2, Decimal::fromScaled(-4, 1)));
    EXPECT_EQ(t->raw(buf, 2), "    0");
    EXPECT_TRUE(t->putNumber(buf, 1, Decimal::fromScaled(-1, 3)));
    EXPECT_EQ(t->raw(buf, 1), "     0.00");

    EXPECT_FALSE(t->putNumber(buf, 1, Decimal::fromScaled(-99999999, 2)));
    EXPECT_TRUE(t->putNumber(buf, 1, Decimal::fromScaled(99999999, 2)));
    EXPECT_EQ(t->raw(buf, 1), "999999.99");
    EXPECT_TRUE(t->putNumber(buf, 1, Decimal::fromScaled(-9999999, 2)));
    EXPECT_TRUE(t->putNumber(buf, 2, Decimal(-9999)));
    std::string r = cycle();
    EXPECT_EQ(t->getNumber(r, 1), Decimal::fromScaled(-9999999, 2));
    EXPECT_EQ(t->getNumber(r, 2), Decimal(-9999));
    t->putRaw(buf, 1, "");
    EXPECT_EQ(t->getNumber(buf, 1), Decimal(0));
    t->putRaw(buf, 1, "  12.5x");
    EXPECT_EQ(t->getNumber(buf, 1), Decimal(0));
}

TEST_F(DbfRoundTrip, DatesAndLogicals)
{
    t->putDate(buf, 3, Date::fromYmd(2024, 2, 29));
    t->putLogical(buf, 4, true);
    std::string r = cycle();
    EXPECT_EQ(t->raw(r, 3), "20240229");
    EXPECT_EQ(t->getDate(r, 3), Date::fromYmd(2024, 2, 29));
    EXPECT_EQ(t->raw(r, 4), "T");
    EXPECT_TRUE(t->getLogical(r, 4));

    t->putDate(buf, 3, Date());
    t->putLogical(buf, 4, false);
    r = cycle();
    EXPECT_EQ(t->raw(r, 3), "        ");
    EXPECT_TRUE(t->getDate(r, 3).isEmpty());
    EXPECT_EQ(t->raw(r, 4), "F");
    EXPECT_FALSE(t->getLogical(r, 4));

    for (char c : std::string("TtYy")) {
        t->putRaw(buf, 4, std::string(1, c));
        EXPECT_TRUE(t->getLogical(buf, 4)) << c;
    }
    for (char c : std::string("FfNn? ")) {
        t->putRaw(buf, 4, std::string(1, c));
        EXPECT_FALSE(t->getLogical(buf, 4)) << c;
    }
    t->putRaw(buf, 3, "20241301");
    EXPECT_TRUE(t->getDate(buf, 3).isEmpty());
}

TEST_F(DbfRoundTrip, DeletionFlagAndRewrite)
{
    t->putString(buf, 0, "first");
    uint32_t r = t->append(buf);
    buf[0] = '*';
    t->putString(buf, 0, "changed");
    ASSERT_TRUE(t->tryLockRecord(r));
    t->write(r, buf);
    t->commit();
    std::string out;
    ASSERT_TRUE(t->read(r, out));
    EXPECT_EQ(out[0], '*');
    EXPECT_EQ(t->getString(out, 0), "changed     ");
    EXPECT_FALSE(t->read(r + 1, out));
    EXPECT_FALSE(t->read(0, out));
    EXPECT_EQ(errorGen([&] { t->write(r + 1, buf); }), EG_ARG);
    EXPECT_EQ(errorGen([&] { t->append(std::string(5, ' ')); }), EG_ARG);
    EXPECT_EQ(errorGen([&] { t->putString(buf, 99, "x"); }), EG_ARG);
    EXPECT_EQ(t->recordCount(), 1u);
}

TEST_F(DbfRoundTrip, MemosSpanBlocksAndRewritesTakeNewBlocks)
{
    std::string longText;
    for (int i = 0; longText.size() < 1500; ++i) longText += "riga " + std::to_string(i) + " \xE0\xE8\xE9\r\n";
    longText.resize(1500);
    t->putMemo(buf, 5, longText);
    EXPECT_EQ(t->raw(buf, 5), "         1");
    uint32_t r = t->append(buf);
    t->commit();
    std::string m = readFile(dir.file("ALL.DBT"));
    EXPECT_EQ(u32At(m, 0), 4u); // 1500 bytes and the terminator need 3 blocks
    EXPECT_EQ(m.size(), 4u * 512);
    EXPECT_EQ(m.substr(512 + 1500, 2), "\x1A\x1A");

    auto other = DbfFile::open(path, OpenMode::Shared);
    std::string out;
    ASSERT_TRUE(other->read(r, out));
    EXPECT_EQ(other->getMemo(out, 5), longText);

    // A rewrite never touches the old blocks.
    t->putMemo(buf, 5, "breve");
    EXPECT_EQ(t->raw(buf, 5), "         4");
    t->write(r, buf);
    ASSERT_TRUE(other->read(r, out));
    EXPECT_EQ(other->getMemo(out, 5), "breve");
    t->putRaw(buf, 5, "1");
    EXPECT_EQ(t->getMemo(buf, 5), longText);
    EXPECT_EQ(u32At(readFile(dir.file("ALL.DBT")), 0), 5u);

    t->putMemo(buf, 5, "");
    EXPECT_EQ(t->raw(buf, 5), std::string(10, ' '));
    EXPECT_EQ(t->getMemo(buf, 5), "");

    // Exactly 510 bytes plus the terminator fill one block; 511 need two.
    t->putMemo(buf, 5, std::string(510, 'a'));
    EXPECT_EQ(t->raw(buf, 5), "         5");
    t->putMemo(buf, 5, std::string(511, 'b'));
    EXPECT_EQ(t->raw(buf, 5), "         6");
    t->putMemo(buf, 5, "c");
    EXPECT_EQ(t->raw(buf, 5), "         8");
    EXPECT_EQ(t->getMemo(buf, 5), "c");
}

TEST_F(DbfRoundTrip, DamagedMemoPointersReadAsEmpty)
{
    t->putMemo(buf, 5, "testo");
    t->append(buf);
    for (const char* ptr : {"       999", "     abc  ", "-1", "0", "4294967296", "9999999999", "1 2"}) {
        t->putRaw(buf, 5, ptr);
        EXPECT_EQ(t->getMemo(buf, 5), "") << ptr;
    }
    // Left-aligned numbers are read too; a single terminator or the file end closes a memo.
    t->putRaw(buf, 5, "1");
    EXPECT_EQ(t->getMemo(buf, 5), "testo");
    std::string m = readFile(dir.file("ALL.DBT"));
    m.replace(512, 7, "uno\x1A" "due");
    m += "coda senza fine";
    writeFile(dir.file("ALL.DBT"), m);
    EXPECT_EQ(t->getMemo(buf, 5), "uno");
    t->putRaw(buf, 5, "2");
    EXPECT_EQ(t->getMemo(buf, 5), "coda senza fine");
}

// ---------------------------------------------------------------------------------------------
// Open modes, damaged files, torn appends

TEST(DbfOpen, MissingFilesAndReadOnly)
{
    TempDir dir;
    try {
        DbfFile::open(dir.file("NONE.DBF"), OpenMode::Shared);
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.genCode(), EG_OPEN);
        EXPECT_EQ(e.osCode(), OS_FILE_NOT_FOUND);
    }
    DbfFile::create(dir.file("M.DBF"), {{"NOTE", 'M', 10, 0}});
    std::filesystem::rename(dir.file("M.DBT"), dir.file("M.dbt"));
    EXPECT_NO_THROW(DbfFile::open(dir.file("M.DBF"), OpenMode::Shared));
    std::filesystem::remove(dir.file("M.dbt"));
    try {
        DbfFile::open(dir.file("M.DBF"), OpenMode::Shared);
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.genCode(), EG_OPEN);
        EXPECT_EQ(e.osCode(), OS_FILE_NOT_FOUND);
    }

    DbfFile::create(dir.file("T.DBF"), kPlain);
    auto t = DbfFile::open(dir.file("T.DBF"), OpenMode::Shared, true);
    EXPECT_TRUE(t->readOnly());
    std::string b;
    t->blank(b);
    EXPECT_EQ(errorGen([&] { t->append(b); }), EG_WRITE);
    EXPECT_TRUE(t->tryLockRecord(1));
    EXPECT_EQ(errorGen([&] { t->zap(); }), EG_WRITE);
}

TEST(DbfOpen, ZapNeedsExclusiveUseAndEmptiesBothFiles)
{
    TempDir dir;
    std::string p = dir.file("Z.DBF");
    DbfFile::create(p, {{"CODE", 'C', 4, 0}, {"NOTE", 'M', 10, 0}});
    {
        auto t = DbfFile::open(p, OpenMode::Shared);
        std::string b;
        t->blank(b);
        t->putMemo(b, 1, std::string(2000, 'x'));
        t->append(b);
        EXPECT_EQ(errorGen([&] { t->zap(); }), EG_WRITE);
    }
    auto t = DbfFile::open(p, OpenMode::Exclusive);
    t->zap();
    EXPECT_EQ(t->recordCount(), 0u);
    EXPECT_FALSE(t->tornTail());
    std::string f = readFile(p);
    EXPECT_EQ(f.size(), static_cast<size_t>(t->headerLength()) + 1);
    EXPECT_EQ(u32At(f, 4), 0u);
    std::string m = readFile(dir.file("Z.DBT"));
    EXPECT_EQ(m.size(), 512u);
    EXPECT_EQ(u32At(m, 0), 1u);
    std::string b;
    t->blank(b);
    EXPECT_EQ(t->append(b), 1u);
}

TEST(DbfOpen, DamagedHeadersThrowCorruption)
{
    TempDir dir;
    std::string p = dir.file("G.DBF");
    DbfFile::create(p, kPlain);
    {
        auto t = DbfFile::open(p, OpenMode::Shared);
        std::string b;
        t->blank(b);
        t->append(b);
    }
    const std::string good = readFile(p);
    auto corrupt = [&](const std::string& bytes) {
        writeFile(p, bytes);
        try {
            DbfFile::open(p, OpenMode::Shared);
        } catch (const Error& e) {
            return e.genCode() == EG_CORRUPTION && e.subCode() == SUB_CORRUPT;
        }
        return false;
    };
    auto with = [&](size_t at, char value) {
        std::string s = good;
        s[at] = value;
        return s;
    };
    EXPECT_TRUE(corrupt(""));
    EXPECT_TRUE(corrupt(good.substr(0, 31)));
    EXPECT_TRUE(corrupt(good.substr(0, 60)));              // header cut short
    EXPECT_TRUE(corrupt(with(0, '\x30')));                 // not a dBASE III/IV table
    EXPECT_TRUE(corrupt(with(8, 40)));                     // header length below one field
    EXPECT_TRUE(corrupt(with(9, '\x7F')));                 // header length past the file
    EXPECT_TRUE(corrupt(with(96, 'X')));                   // no terminator
    EXPECT_TRUE(corrupt(with(10, 20)));                    // record length vs widths
    EXPECT_TRUE(corrupt(with(32 + 16, 0)));                // zero width
    EXPECT_TRUE(corrupt(with(32, '\0')));                  // unnamed field
    EXPECT_TRUE(corrupt(with(32 + 11, '\x01')));           // no type letter
    EXPECT_TRUE(corrupt(with(32, '\x0D')));                // terminator before any field
    EXPECT_FALSE(corrupt(good));

    // Every single-byte change of the header either opens or throws arv::Error.
    for (size_t at = 0; at < 99; ++at) {
        for (int v : {0x00, 0x01, 0x0D, 0x20, 0x7F, 0xFF}) {
            writeFile(p, with(at, static_cast<char>(v)));
            try {
                auto t = DbfFile::open(p, OpenMode::Shared, true);
                std::string r;
                for (uint32_t i = 1; i <= t->recordCount() && t->read(i, r); ++i)
                    for (int f = 0; f < static_cast<int>(t->fields().size()); ++f) t->getMemo(r, f);
            } catch (const Error&) {
            }
        }
    }
}

TEST(DbfOpen, LongerDeclaredHeaderIsTrusted)
{
    // Some writers leave room after the terminator; the declared length says where records start.
    TempDir dir;
    std::string p = dir.file("H.DBF");
    DbfFile::create(p, kPlain);
    std::string f = readFile(p);
    f.insert(98, std::string(263, '\0'));
    f[8] = static_cast<char>((98 + 263) & 0xFF);
    f[9] = static_cast<char>((98 + 263) >> 8);
    writeFile(p, f);
    auto t = DbfFile::open(p, OpenMode::Shared);
    EXPECT_EQ(t->headerLength(), 361);
    std::string b;
    t->blank(b);
    t->putString(b, 0, "dopo");
    EXPECT_EQ(t->append(b), 1u);
    EXPECT_EQ(readFile(p).substr(361, 5), " dopo");
}

TEST(DbfOpen, TornAppendsOpenCleanly)
{
    TempDir dir;
    std::string p = dir.file("T.DBF");
    DbfFile::create(p, kPlain);
    {
        auto t = DbfFile::open(p, OpenMode::Shared);
        std::string b;
        t->blank(b);
        for (int i = 0; i < 3; ++i) t->append(b);
    }
    const std::string good = readFile(p); // 98 + 3*19 + 1

    // Cut in the middle of the last record: two records remain.
    writeFile(p, good.substr(0, 98 + 2 * 19 + 7));
    {
        auto t = DbfFile::open(p, OpenMode::Shared);
        EXPECT_TRUE(t->tornTail());
        EXPECT_EQ(t->recordCount(), 2u);
        std::string r;
        EXPECT_FALSE(t->read(3, r));
        // The next append overwrites the partial record and the file is whole again.
        std::string b;
        t->blank(b);
        t->putString(b, 0, "new");
        EXPECT_EQ(t->append(b), 3u);
        EXPECT_FALSE(t->tornTail());
        EXPECT_EQ(readFile(p).size(), good.size());
    }

    // A record written but the header not yet updated: the record counts, the tail is torn.
    std::string s = good;
    s[4] = 2;
    writeFile(p, s);
    {
        auto t = DbfFile::open(p, OpenMode::Shared);
        EXPECT_TRUE(t->tornTail());
        EXPECT_EQ(t->recordCount(), 3u);
    }
    // Stray bytes after the end marker; a missing end marker alone is fine.
    writeFile(p, good + "xyz");
    EXPECT_TRUE(DbfFile::open(p, OpenMode::Shared)->tornTail());
    writeFile(p, good.substr(0, good.size() - 1));
    EXPECT_FALSE(DbfFile::open(p, OpenMode::Shared)->tornTail());
    // A header that claims more records than the file holds.
    s = good;
    s[4] = 9;
    writeFile(p, s);
    {
        auto t = DbfFile::open(p, OpenMode::Shared);
        EXPECT_TRUE(t->tornTail());
        EXPECT_EQ(t->recordCount(), 3u);
    }
}

// ---------------------------------------------------------------------------------------------
// Files written by another xBase engine

std::string unescape(const std::string& s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() + 0 && s[i + 1] == 'x') {
            out += static_cast<char>(std::stoi(s.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            out += s[i];
        }
    }
    return out;
}

std::vector<std::string> splitTabs(const std::string& line)
{
    std::vector<std::string> parts;
    std::string cur;
    std::istringstream in(line);
    while (std::getline(in, cur, '\t')) parts.push_back(cur);
    if (!line.empty() && line.back() == '\t') parts.push_back("");
    return parts;
}

std::string rtrim(std::string s)
{
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

TEST(DbfForeign, ReadsReferenceTableExactly)
{
    const std::string base = test::xbaseFixture("");
    // Open a copy: the reference folder is read-only.
    TempDir dir;
    std::filesystem::copy_file(base + "sample.dbf", dir.file("sample.dbf"));
    std::filesystem::copy_file(base + "sample.dbt", dir.file("sample.dbt"));
    auto t = DbfFile::open(dir.file("sample.dbf"), OpenMode::Shared, true);
    ASSERT_EQ(t->fields().size(), 7u);
    EXPECT_EQ(t->fields()[2], (FieldDef {"AMOUNT", 'N', 12, 2}));
    EXPECT_EQ(t->headerLength(), 258);
    EXPECT_EQ(t->recordLength(), 87);
    ASSERT_EQ(t->recordCount(), 26u);
    EXPECT_FALSE(t->tornTail());

    std::ifstream dump(base + "dump.txt");
    std::string line;
    while (std::getline(dump, line) && line != "data:") {
    }
    int rows = 0;
    std::string r;
    while (std::getline(dump, line)) {
        if (line.rfind("deleted:", 0) == 0) break;
        auto v = splitTabs(line);
        ASSERT_EQ(v.size(), 9u) << line;
        uint32_t recno = static_cast<uint32_t>(std::stoul(v[0]));
        SCOPED_TRACE("record " + v[0]);
        ASSERT_TRUE(t->read(recno, r));
        EXPECT_EQ(r[0] == '*' ? "*" : ".", v[1]);
        EXPECT_EQ(rtrim(t->getString(r, 0)), unescape(v[2]));
        EXPECT_EQ(rtrim(t->getString(r, 1)), unescape(v[3]));
        EXPECT_EQ(t->getNumber(r, 2).toString(2), v[4]);
        EXPECT_EQ(t->getNumber(r, 3).toString(0), v[5]);
        EXPECT_EQ(rtrim(t->getDate(r, 4).dtos()), v[6]);
        EXPECT_EQ(t->getLogical(r, 5) ? "T" : "F", v[7]);
        size_t colon = v[8].find(':');
        std::string memo = t->getMemo(r, 6);
        EXPECT_EQ(std::to_string(memo.size()), v[8].substr(0, colon));
        EXPECT_EQ(memo, unescape(v[8].substr(colon + 1)));
        ++rows;
    }
    EXPECT_EQ(rows, 26);
}

TEST(DbfForeign, IndependentReaderSeesOurValues)
{
    ASSERT_EQ(std::system("/usr/bin/python3 -c 'import dbfread' >/dev/null 2>&1"), 0)
        << "python3-dbfread is not installed (scripts/deps.sh installs it)";
    TempDir dir;
    std::string p = dir.file("OUT.DBF");
    DbfFile::create(p, kAll);
    std::string longText(1500, 'z');
    longText.replace(0, 5, "\xE0\xE8\xE9xy");
    {
        auto t = DbfFile::open(p, OpenMode::Shared);
        std::string b;
        t->blank(b);
        t->putString(b, 0, "Citt\xE0 \xE8");
        t->putNumber(b, 1, Decimal::fromScaled(-1250, 2));
        t->putNumber(b, 2, Decimal(42));
        t->putDate(b, 3, Date::fromYmd(2024, 2, 29));
        t->putLogical(b, 4, true);
        t->putMemo(b, 5, longText);
        t->append(b);
        t->blank(b);
        t->putString(b, 0, "cancellato");
        t->putNumber(b, 1, Decimal::fromScaled(999999, 2));
        t->putLogical(b, 4, false);
        t->putMemo(b, 5, "nota breve");
        b[0] = '*';
        t->append(b);
        t->blank(b);
        t->putString(b, 0, "vuoto");
        t->append(b);
        t->sync();
    }
    std::string script = dir.file("read.py");
    writeFile(script,
              "import sys, dbfread\n"
              "sys.stdout.reconfigure(encoding='utf-8')\n"
              "t = dbfread.DBF(sys.argv[1], encoding='cp1252')\n"
              "def show(tag, r):\n"
              "    amt = 'None' if r['AMT'] is None else '%.2f' % r['AMT']\n"
              "    dt = '' if r['DT'] is None else r['DT'].isoformat()\n"
              "    note = r['NOTE'] or ''\n"
              "    print('|'.join([tag, r['NAME'], amt, str(r['QTY']), dt, str(r['OK']), str(len(note)), note[:8]]))\n"
              "for r in t: show('L', r)\n"
              "for r in t.deleted: show('D', r)\n");
    std::string cmd = "/usr/bin/python3 " + script + " " + p + " 2>&1";
    FILE* pipe = ::popen(cmd.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char chunk[512];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) out.append(chunk, n);
    EXPECT_EQ(::pclose(pipe), 0) << out;
    EXPECT_EQ(out,
              "L|Citt\xC3\xA0 \xC3\xA8|-12.50|42|2024-02-29|True|1500|\xC3\xA0\xC3\xA8\xC3\xA9xyzzz\n"
              "L|vuoto|None|None||None|0|\n"
              "D|cancellato|9999.99|None||False|10|nota bre\n");
}

} // namespace

namespace {

TEST(DbfBulk, HeaderCountFollowsAtSyncAndClose)
{
    TempDir dir;
    std::string p = dir.file("B.DBF");
    DbfFile::create(p, kPlain);
    for (OpenMode mode : {OpenMode::Shared, OpenMode::Exclusive}) {
        SCOPED_TRACE(mode == OpenMode::Shared ? "shared" : "exclusive");
        auto t = DbfFile::open(p, mode);
        uint32_t before = t->recordCount();
        t->setBulk(true);
        std::string b;
        t->blank(b);
        for (int i = 0; i < 5; ++i) {
            t->append(b);
            t->commit();
        }
        EXPECT_EQ(t->recordCount(), before + 5);
        EXPECT_EQ(u32At(readFile(p), 4), before); // not yet
        if (mode == OpenMode::Shared) {
            auto other = DbfFile::open(p, OpenMode::Shared);
            EXPECT_EQ(other->recordCount(), before + 5); // counted from the file size
            t->sync();
            EXPECT_EQ(u32At(readFile(p), 4), before + 5);
            t->append(b);
        } else {
            t->append(b);
            EXPECT_TRUE(t->holdsRecordLock(before + 6));
            EXPECT_TRUE(t->tryLockTable());
            EXPECT_TRUE(t->holdsTableLock());
            EXPECT_TRUE(t->tryLockRecord(2));
            EXPECT_FALSE(t->holdsTableLock());
        }
        t.reset(); // closing writes the pending count
        EXPECT_EQ(u32At(readFile(p), 4), before + 6);
        EXPECT_FALSE(DbfFile::open(p, OpenMode::Shared)->tornTail());
    }
}

} // namespace
