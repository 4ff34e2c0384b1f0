// Writes cut short: the note a dead writer leaves is reported by the check, replayed by the next
// process that opens the table, or dropped by a rebuild; a record whose old keys are still in an
// index is indexed once after its next change.
#include "store/notes.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <optional>
#include <sys/wait.h>
#include <unistd.h>

#include "store/check.h"
#include "common/error.h"
#include "store/files.h"
#include "store/ntx.h"
#include "store/osfile.h"
#include "store/table.h"
#include "store/upgrade.h"
#include "store/workspace.h"
#include "support/tempdir.h"

using namespace arv;
using namespace arv::store;

namespace {

std::string padded(std::string s, size_t n)
{
    s.resize(n, ' ');
    return s;
}

void makePolicies(const std::string& folder)
{
    ASSERT_TRUE(CREATEDB(folder, {*schema::findTable("POLIZZE")}, false));
    Workspace ws(folder);
    Table& t = ws.open("POLIZZE");
    for (const char* number : {"P1", "P2", "P3"}) {
        t.append();
        t.setText("POLIZZA", number);
        t.setText("ASSICURATO", "ROSSI");
        t.commit();
        t.unlock();
    }
}

// A writer that notes the change of record RECNO to policy NUMBER (RECNO 0: the append of a copy
// of the first record with that number), writes the record and stops there, as a process killed before the indexes: it keeps running (holding its note) until the
// parent closes the pipe, then dies without a word.
pid_t cutShortWriter(const std::string& folder, uint32_t recno, const std::string& number, int& release)
{
    int ready[2], hold[2];
    if (::pipe(ready) != 0 || ::pipe(hold) != 0) return -1;
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ready[0]);
        ::close(hold[1]);
        Workspace ws(folder);
        Table& t = ws.open("POLIZZE");
        const uint32_t count = t.file().recordCount();
        t.goTo(recno ? recno : 1);
        std::vector<NoteKey> keys;
        std::optional<std::string> before = t.keyFor("NUMPOL"), beforeAll = t.keyFor("POLIZZE");
        if (!recno) before = beforeAll = std::nullopt;
        t.setText("POLIZZA", number);
        keys.push_back(NoteKey {"NUMPOL", before, t.keyFor("NUMPOL")});
        keys.push_back(NoteKey {"POLIZZE", beforeAll, t.keyFor("POLIZZE")});
        std::string record;
        t.file().read(recno ? recno : 1, record);
        t.file().putString(record, t.fieldIndex("POLIZZA"), number);
        WriteNote note(folder, resolveFile(folder, "POLIZZE.DBF"), recno, count, keys, true);
        if (recno) {
            t.file().write(recno, record);
        } else {
            // An append that dies after its record, before the header's count.
            t.file().append(record);
            const unsigned char old[4] = {static_cast<unsigned char>(count), 0, 0, 0};
            os::Fd fd(os::openFile(resolveFile(folder, "POLIZZE.DBF"), O_RDWR));
            (void)!::pwrite(fd.get(), old, 4, 4);
        }
        t.file().commit();
        (void)!::write(ready[1], "x", 1);
        char c;
        (void)!::read(hold[0], &c, 1);
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(hold[0]);
    char c;
    (void)!::read(ready[0], &c, 1);
    ::close(ready[0]);
    release = hold[1];
    return pid;
}

void finish(pid_t pid, int release)
{
    ::close(release);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

bool indexedAs(const std::string& folder, const std::string& number, uint32_t recno)
{
    Workspace ws(folder);
    Table& t = ws.open("POLIZZE");
    t.ordAdd("NUMPOL");
    return t.seek(padded(number, 25)) && t.recno() == recno;
}

} // namespace

TEST(WriteNotes, CutShortWriteIsReplayedByTheNextOpenOrDroppedByTheRebuild)
{
    arv::test::TempDir dir;
    makePolicies(dir.path());
    const std::string dbf = resolveFile(dir.path(), "POLIZZE.DBF");

    // While the writer lives, its note is its own business: nothing is replayed or reported.
    int release = -1;
    pid_t pid = cutShortWriter(dir.path(), 2, "N2", release);
    ASSERT_GT(pid, 0);
    const uint64_t before = notesReplayed();
    EXPECT_FALSE(indexedAs(dir.path(), "N2", 2));
    EXPECT_EQ(notesReplayed(), before);
    EXPECT_TRUE(leftoverNotes(dir.path(), "POLIZZE").empty());

    // Dead, it leaves the table out of step and the note behind, and the check says both.
    finish(pid, release);
    CheckReport r = checkTable(dbf);
    ASSERT_EQ(r.problems.size(), 3u);
    EXPECT_EQ(r.problems[0].rfind("tabella: scrittura interrotta (", 0), 0u) << r.problems[0];
    EXPECT_NE(r.problems[0].find("): record 2"), std::string::npos) << r.problems[0];

    // The next open replays it: the record is indexed under its new number only.
    EXPECT_TRUE(indexedAs(dir.path(), "N2", 2));
    EXPECT_EQ(notesReplayed(), before + 1);
    EXPECT_FALSE(indexedAs(dir.path(), "P2", 2));
    EXPECT_TRUE(checkTable(dbf).ok());

    // An append cut short before the header's count: the replay indexes the record and puts the
    // count right for the other programs that read it.
    pid = cutShortWriter(dir.path(), 0, "N4", release);
    finish(pid, release);
    EXPECT_FALSE(checkTable(dbf).ok());
    EXPECT_TRUE(indexedAs(dir.path(), "N4", 4));
    EXPECT_TRUE(checkTable(dbf).ok());

    // A rebuild makes a leftover note moot and removes it.
    pid = cutShortWriter(dir.path(), 3, "N3", release);
    finish(pid, release);
    EXPECT_EQ(leftoverNotes(dir.path(), "").size(), 1u);
    packTable(dir.path(), *schema::findTable("POLIZZE"));
    EXPECT_TRUE(leftoverNotes(dir.path(), "").empty());
    EXPECT_TRUE(checkTable(dbf).ok());
    EXPECT_TRUE(indexedAs(dir.path(), "N3", 3));
    EXPECT_EQ(notesReplayed(), before + 2);
}

// A change cut short with no note to replay (an older program, or another one) leaves the record
// under its old keys. Its next change finds no key of the version on disk to remove: the stale
// keys are found and removed, and the record ends up indexed once.
TEST(WriteNotes, RecordWithStaleKeysChangedAgainIsIndexedOnce)
{
    arv::test::TempDir dir;
    makePolicies(dir.path());
    {
        auto f = DbfFile::open(resolveFile(dir.path(), "POLIZZE.DBF"), OpenMode::Shared);
        std::string record;
        ASSERT_TRUE(f->read(2, record));
        f->putString(record, f->fieldIndex("POLIZZA"), "STALE");
        f->putString(record, f->fieldIndex("ASSICURATO"), "VERDI");
        f->write(2, record);
    }
    ASSERT_FALSE(checkTable(resolveFile(dir.path(), "POLIZZE.DBF")).ok());
    {
        Workspace ws(dir.path());
        Table& t = ws.open("POLIZZE");
        t.goTo(2);
        t.lock(true);
        t.setText("POLIZZA", "N2");
        t.commit();
        t.unlock();
    }
    CheckReport r = checkTable(resolveFile(dir.path(), "POLIZZE.DBF"));
    EXPECT_TRUE(r.ok()) << r.problems.front();
    EXPECT_TRUE(indexedAs(dir.path(), "N2", 2));
    EXPECT_FALSE(indexedAs(dir.path(), "P2", 2));
}

// A writer that died inside the change of an index, between two of its pages, may leave a tree
// that looks sound but misses keys: the opener finds the count off and asks for the rebuild,
// which the start-up check then runs.
TEST(WriteNotes, IndexCutShortInsideItsChangeIsReportedAndRebuiltAtStartUp)
{
    arv::test::TempDir dir;
    makePolicies(dir.path());
    pid_t pid = ::fork();
    if (pid == 0) {
        auto ix = NtxIndex::open(resolveFile(dir.path(), "NUMPOL.NTX"));
        WriteNote note(dir.path(), resolveFile(dir.path(), "POLIZZE.DBF"), 3, 0,
                       {NoteKey {"NUMPOL", padded("P3", 25), padded("P3", 25)}}, true);
        note.changing(0);
        ix->remove(padded("P1", 25), 1);
        ix->remove(padded("P2", 25), 2);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    try {
        Workspace ws(dir.path());
        ws.open("POLIZZE");
        FAIL() << "opened a table with a torn index";
    } catch (const Error& e) {
        EXPECT_EQ(e.subCode(), SUB_CORRUPT);
        EXPECT_NE(std::string(e.what()).find(kMsgRebuildIndexes), std::string::npos) << e.what();
    }
    ASSERT_TRUE(AGGIORNADATABASE(dir.path()));
    EXPECT_TRUE(leftoverNotes(dir.path(), "").empty());
    CheckReport r = checkTable(resolveFile(dir.path(), "POLIZZE.DBF"));
    EXPECT_TRUE(r.ok()) << r.problems.front();
    EXPECT_TRUE(indexedAs(dir.path(), "P2", 2));
}
