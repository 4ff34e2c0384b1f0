// Sharing between cursors and between processes: opens, record and table locks, appends.
#include "store/dbf.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <sstream>
#include <fstream>
#include <set>

#include "common/error.h"
#include "store/dbf_testutil.h"

using namespace arv;
using namespace arv::store;
using arv::store::testing::readFile;
using arv::store::testing::TempDir;

namespace {

// A forked child running one function; two pipes let parent and child wait for each other.
class Child {
public:
    explicit Child(const std::function<int(Child&)>& body)
    {
        int down[2], up[2];
        if (::pipe(down) != 0 || ::pipe(up) != 0) throw std::runtime_error("pipe");
        pid_ = ::fork();
        if (pid_ < 0) throw std::runtime_error("fork");
        if (pid_ == 0) {
            ::close(down[1]);
            ::close(up[0]);
            in_ = down[0];
            out_ = up[1];
            int rc = 90;
            try {
                rc = body(*this);
            } catch (const Error&) {
                rc = 91;
            } catch (...) {
                rc = 92;
            }
            ::_exit(rc);
        }
        ::close(down[0]);
        ::close(up[1]);
        out_ = down[1];
        in_ = up[0];
    }
    ~Child()
    {
        if (pid_ > 0) finish();
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    void signal()
    {
        char c = 'x';
        if (::write(out_, &c, 1) != 1) throw std::runtime_error("pipe write");
    }
    // False when the other side went away without signalling.
    bool await()
    {
        char c;
        return ::read(in_, &c, 1) == 1;
    }
    // Exit code of the child (the parent side only).
    int finish()
    {
        if (pid_ <= 0) return code_;
        ::close(out_);
        ::close(in_);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = 0;
        code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
        return code_;
    }

private:
    pid_t pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    int code_ = -1;
};

int openError(const std::string& path, OpenMode mode)
{
    try {
        DbfFile::open(path, mode);
    } catch (const Error& e) {
        if (e.genCode() == EG_OPEN && e.osCode() == OS_SHARING_VIOLATION && e.canDefault()) return OS_SHARING_VIOLATION;
        return -1;
    }
    return 0;
}

std::string makeTable(TempDir& dir, int records)
{
    std::string p = dir.file("L.DBF");
    DbfFile::create(p, {{"NAME", 'C', 8, 0}, {"NOTE", 'M', 10, 0}});
    auto t = DbfFile::open(p, OpenMode::Shared);
    std::string b;
    t->blank(b);
    for (int i = 0; i < records; ++i) t->append(b);
    return p;
}

TEST(DbfSharing, TwoCursorsInOneProcessExcludeEachOther)
{
    TempDir dir;
    std::string p = makeTable(dir, 3);
    auto a = DbfFile::open(p, OpenMode::Shared);
    auto b = DbfFile::open(p, OpenMode::Shared);

    ASSERT_TRUE(a->tryLockRecord(1));
    EXPECT_FALSE(b->tryLockRecord(1));
    EXPECT_TRUE(b->tryLockRecord(2));
    EXPECT_FALSE(b->tryLockTable());
    EXPECT_FALSE(b->holdsRecordLock(2)); // the failed table attempt gave up the record first
    ASSERT_TRUE(a->tryLockTable()); // its own record lock is no obstacle
    EXPECT_FALSE(a->holdsRecordLock(1));
    EXPECT_TRUE(a->holdsTableLock());
    EXPECT_FALSE(b->tryLockRecord(3));
    std::string buf;
    b->blank(buf);
    EXPECT_EQ(b->append(buf), 0u); // the table lock stops appends elsewhere
    EXPECT_EQ(a->recordCount(), 3u);

    // A record lock taken under one's own table lock keeps that record and frees the rest.
    ASSERT_TRUE(a->tryLockRecord(3));
    EXPECT_FALSE(a->holdsTableLock());
    EXPECT_TRUE(a->holdsRecordLock(3));
    EXPECT_FALSE(b->tryLockRecord(3));
    EXPECT_TRUE(b->tryLockRecord(2));
    EXPECT_TRUE(b->tryLockRecord(1)); // moving on drops record 2
    EXPECT_TRUE(a->tryLockRecord(2));

    // The own append releases a table lock and keeps the new record.
    b->unlockAll();
    a->unlockAll();
    ASSERT_TRUE(a->tryLockTable());
    EXPECT_EQ(a->append(buf), 4u);
    EXPECT_FALSE(a->holdsTableLock());
    EXPECT_TRUE(a->holdsRecordLock(4));
    EXPECT_FALSE(b->tryLockRecord(4));
    EXPECT_EQ(b->append(buf), 5u);
    EXPECT_FALSE(a->tryLockRecord(5));
    a.reset(); // closing drops every lock
    EXPECT_TRUE(b->tryLockRecord(4));
}

TEST(DbfSharing, ExclusiveAndSharedOpensExcludeAcrossProcesses)
{
    TempDir dir;
    std::string p = makeTable(dir, 1);

    Child holder([&](Child& c) {
        auto t = DbfFile::open(p, OpenMode::Shared);
        c.signal();
        c.await();
        return 0;
    });
    ASSERT_TRUE(holder.await());
    EXPECT_EQ(openError(p, OpenMode::Exclusive), OS_SHARING_VIOLATION);
    EXPECT_EQ(openError(p, OpenMode::Shared), 0);
    holder.signal();
    EXPECT_EQ(holder.finish(), 0);
    EXPECT_EQ(openError(p, OpenMode::Exclusive), 0);

    auto mine = DbfFile::open(p, OpenMode::Exclusive);
    Child other([&](Child&) { return openError(p, OpenMode::Shared) == OS_SHARING_VIOLATION ? 0 : 1; });
    EXPECT_EQ(other.finish(), 0);
    EXPECT_EQ(openError(p, OpenMode::Exclusive), OS_SHARING_VIOLATION); // a second cursor here too
    mine.reset();

    // The memo file is held the same way: a program holding only it exclusively keeps us out.
    int m = ::open(dir.file("L.DBT").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(m, 0);
    ASSERT_EQ(::flock(m, LOCK_EX | LOCK_NB), 0);
    try {
        DbfFile::open(p, OpenMode::Shared);
        ADD_FAILURE() << "opened while the memo file was held";
    } catch (const Error& e) {
        EXPECT_EQ(e.osCode(), OS_SHARING_VIOLATION);
        EXPECT_EQ(e.filename(), dir.file("L.DBT"));
    }
    ::close(m);
    EXPECT_EQ(openError(p, OpenMode::Exclusive), 0);
}

TEST(DbfSharing, LocksAreSeenByOtherProcessesAndDieWithThem)
{
    TempDir dir;
    std::string p = makeTable(dir, 3);
    auto me = DbfFile::open(p, OpenMode::Shared);
    std::string buf;
    me->blank(buf);

    Child locker([&](Child& c) {
        auto t = DbfFile::open(p, OpenMode::Shared);
        if (!t->tryLockRecord(2)) return 1;
        c.signal();
        c.await(); // parent checked the record lock
        if (!t->tryLockTable()) return 2;
        c.signal();
        c.await(); // parent saw its append refused
        t->unlockAll();
        c.signal();
        c.await();
        if (!t->tryLockTable()) return 3;
        c.signal();
        c.await();
        return 0; // exits holding the table lock
    });
    ASSERT_TRUE(locker.await());
    EXPECT_FALSE(me->tryLockRecord(2));
    EXPECT_TRUE(me->tryLockRecord(1));
    EXPECT_FALSE(me->tryLockTable());
    locker.signal();

    ASSERT_TRUE(locker.await());
    EXPECT_EQ(me->append(buf), 0u);
    EXPECT_EQ(me->append(buf), 0u);
    EXPECT_FALSE(me->tryLockRecord(1));
    EXPECT_EQ(me->recordCount(), 3u);
    locker.signal();

    ASSERT_TRUE(locker.await());
    EXPECT_EQ(me->append(buf), 4u);
    me->unlockAll();
    locker.signal();

    ASSERT_TRUE(locker.await());
    EXPECT_EQ(me->append(buf), 0u);
    locker.signal();
    EXPECT_EQ(locker.finish(), 0);
    EXPECT_EQ(me->append(buf), 5u);
    EXPECT_FALSE(me->tornTail());
}

TEST(DbfSharing, ConcurrentAppendsFromFourProcessesAllLand)
{
    constexpr int kChildren = 4;
    constexpr int kEach = 2000;
    TempDir dir;
    std::string p = dir.file("APP.DBF");
    DbfFile::create(p, {{"WHO", 'N', 2, 0}, {"SEQ", 'N', 5, 0}, {"REC", 'N', 6, 0}, {"NOTE", 'M', 10, 0}});
    auto memoText = [](int who, int seq) {
        return "figlio " + std::to_string(who) + " riga " + std::to_string(seq) + std::string(static_cast<size_t>(seq % 700), '.');
    };

    std::vector<std::unique_ptr<Child>> children;
    for (int who = 1; who <= kChildren; ++who) {
        children.push_back(std::make_unique<Child>([&, who](Child&) {
            auto t = DbfFile::open(p, OpenMode::Shared);
            t->setBulk(true);
            std::string b;
            for (int seq = 1; seq <= kEach; ++seq) {
                t->blank(b);
                t->putNumber(b, 0, Decimal(who));
                t->putNumber(b, 1, Decimal(seq));
                if (seq % 25 == 0) t->putMemo(b, 3, memoText(who, seq));
                uint32_t r = 0;
                while ((r = t->append(b)) == 0) {
                }
                t->putNumber(b, 2, Decimal(static_cast<long long>(r)));
                t->write(r, b);
                t->commit();
            }
            t->sync();
            return 0;
        }));
    }
    for (auto& c : children) EXPECT_EQ(c->finish(), 0);

    auto t = DbfFile::open(p, OpenMode::Shared, true);
    ASSERT_EQ(t->recordCount(), static_cast<uint32_t>(kChildren * kEach));
    EXPECT_FALSE(t->tornTail());
    std::set<std::pair<int, int>> seen;
    std::string r;
    int memos = 0;
    for (uint32_t n = 1; n <= t->recordCount(); ++n) {
        ASSERT_TRUE(t->read(n, r));
        ASSERT_EQ(t->getNumber(r, 2), Decimal(static_cast<long long>(n))) << n;
        int who = static_cast<int>(t->getNumber(r, 0).toLongLong());
        int seq = static_cast<int>(t->getNumber(r, 1).toLongLong());
        EXPECT_TRUE(seen.insert({who, seq}).second);
        if (seq % 25 == 0) {
            EXPECT_EQ(t->getMemo(r, 3), memoText(who, seq));
            ++memos;
        }
    }
    EXPECT_EQ(seen.size(), static_cast<size_t>(kChildren * kEach));
    EXPECT_EQ(memos, kChildren * kEach / 25);
    std::string f = readFile(p);
    EXPECT_EQ(f.size(), static_cast<size_t>(t->headerLength()) + kChildren * kEach * t->recordLength() + 1);
}

// Another xBase program takes memo blocks under an exclusive lock on byte 0 of the .DBT alone;
// this engine writes memos under record locks alone. Neither overwrites the other's blocks.
TEST(DbfSharing, MemoBlocksAreNotSharedWithAnotherProgramsMemos)
{
    constexpr int kEach = 3000;
    TempDir dir;
    std::string p = makeTable(dir, 20);
    std::string dbt = dir.file("L.DBT");
    auto theirs = [](int i) { return "altro programma " + std::to_string(i) + std::string(static_cast<size_t>(i % 3) * 400, '-'); };
    auto ours = [](int i) { return "questo programma " + std::to_string(i) + std::string(static_cast<size_t>(i % 4) * 300, '+'); };
    const std::string placed = dir.file("BLOCKS.TXT");

    Child other([&](Child&) {
        int fd = ::open(dbt.c_str(), O_RDWR);
        if (fd < 0) return 1;
        std::string where;
        for (int i = 0; i < kEach; ++i) {
            struct flock fl {};
            fl.l_type = F_WRLCK;
            fl.l_whence = SEEK_SET;
            fl.l_start = 0;
            fl.l_len = 1;
            if (::fcntl(fd, F_SETLKW, &fl) != 0) return 2;
            unsigned char h[4];
            if (::pread(fd, h, 4, 0) != 4) return 3;
            uint32_t next = h[0] | (h[1] << 8) | (h[2] << 16) | (static_cast<uint32_t>(h[3]) << 24);
            std::string text = theirs(i) + "\x1A\x1A";
            uint32_t blocks = static_cast<uint32_t>((text.size() + 511) / 512);
            text.resize(blocks * 512, '\0');
            if (::pwrite(fd, text.data(), text.size(), static_cast<off_t>(next) * 512) != static_cast<ssize_t>(text.size()))
                return 4;
            uint32_t after = next + blocks;
            for (int k = 0; k < 4; ++k) h[k] = static_cast<unsigned char>(after >> (8 * k));
            if (::pwrite(fd, h, 4, 0) != 4) return 5;
            fl.l_type = F_UNLCK;
            ::fcntl(fd, F_SETLK, &fl);
            where += std::to_string(next) + "\n";
        }
        std::ofstream(placed) << where;
        return 0;
    });
    Child mine([&](Child&) {
        auto t = DbfFile::open(p, OpenMode::Shared);
        t->setBulk(true);
        std::string b;
        for (int i = 0; i < kEach; ++i) {
            uint32_t r = 1 + static_cast<uint32_t>(i % 20);
            while (!t->tryLockRecord(r)) {
            }
            t->read(r, b);
            t->putMemo(b, 1, ours(i));
            t->write(r, b);
            t->commit();
            t->unlockAll();
        }
        return 0;
    });
    ASSERT_EQ(other.finish(), 0);
    ASSERT_EQ(mine.finish(), 0);

    auto t = DbfFile::open(p, OpenMode::Shared, true);
    std::string b;
    for (uint32_t r = 1; r <= 20; ++r) {
        ASSERT_TRUE(t->read(r, b));
        EXPECT_EQ(t->getMemo(b, 1), ours(kEach - 20 + static_cast<int>(r) - 1)) << r;
    }
    // Their memos, read back from the blocks they took, through a memo field of ours.
    std::istringstream in(readFile(placed));
    int i = 0;
    for (std::string block; std::getline(in, block); ++i) {
        t->putRaw(b, 1, std::string(10 - block.size(), ' ') + block);
        EXPECT_EQ(t->getMemo(b, 1), theirs(i)) << "block " << block;
    }
    EXPECT_EQ(i, kEach);
}

} // namespace
