#include "common/date.h"
#include "common/files.h"
#include "common/tempnames.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

using namespace arv;
namespace fs = std::filesystem;

namespace {

class TempFolder {
public:
    TempFolder()
    {
        std::string tmpl = (fs::temp_directory_path() / "arvfilesXXXXXX").string();
        path_ = ::mkdtemp(tmpl.data());
    }
    ~TempFolder()
    {
        std::error_code ec;
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

void touch(const std::string& path, const std::string& content = "x")
{
    std::ofstream(path) << content;
}

void setAge(const std::string& path, int secondsAgo)
{
    timespec times[2];
    ::clock_gettime(CLOCK_REALTIME, &times[0]);
    times[0].tv_sec -= secondsAgo;
    times[1] = times[0];
    ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

bool exists(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

enum class LockKind { Flock, FlockShared, PosixRange, OfdWhole };

// A child process that holds a lock on `path` until killed.
class Holder {
public:
    Holder(const std::string& path, LockKind kind)
    {
        int ready[2];
        if (::pipe(ready) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            const int fd = ::open(path.c_str(), O_RDWR);
            bool ok = fd >= 0;
            struct flock fl {};
            fl.l_whence = SEEK_SET;
            fl.l_type = F_WRLCK;
            switch (kind) {
            case LockKind::Flock: ok = ok && ::flock(fd, LOCK_EX) == 0; break;
            case LockKind::FlockShared: ok = ok && ::flock(fd, LOCK_SH) == 0; break;
            case LockKind::PosixRange:
                fl.l_start = 1000000000; // a record lock far beyond the end of the file
                fl.l_len = 1;
                ok = ok && ::fcntl(fd, F_SETLK, &fl) == 0;
                break;
            case LockKind::OfdWhole:
                fl.l_type = F_RDLCK;
                ok = ok && ::fcntl(fd, F_OFD_SETLK, &fl) == 0;
                break;
            }
            const char c = ok ? '1' : '0';
            if (::write(ready[1], &c, 1) != 1) ::_exit(2);
            for (;;) ::pause();
        }
        ::close(ready[1]);
        char c = '0';
        ok_ = pid_ > 0 && ::read(ready[0], &c, 1) == 1 && c == '1';
        ::close(ready[0]);
    }
    ~Holder()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    bool ok() const { return ok_; }

private:
    pid_t pid_ = -1;
    bool ok_ = false;
};

} // namespace

TEST(Files, DriveChecks)
{
    TempFolder tmp;
    EXPECT_TRUE(ISREADY(tmp.path()).value);
    EXPECT_EQ(ISREADY(tmp.path()).message, "");
    const DiskCheck missing = ISREADY(tmp / "nessuna");
    EXPECT_FALSE(missing.value);
    EXPECT_EQ(missing.message, "Disco non pronto.");
    EXPECT_EQ(ISREADY(tmp / "nessuna", false).message, "");
    EXPECT_TRUE(ISREADY("").value); // the current folder

    EXPECT_FALSE(ISFULL("").value);
    EXPECT_FALSE(ISFULL(tmp.path()).value);
    const DiskCheck full = ISFULL(tmp.path(), 1ULL << 62);
    EXPECT_TRUE(full.value);
    EXPECT_EQ(full.message, "Spazio su disco insufficiente.");
    const DiskCheck notReady = ISFULL(tmp / "nessuna");
    EXPECT_TRUE(notReady.value);
    EXPECT_EQ(notReady.message, "Disco non pronto.");

    EXPECT_FALSE(ISPROTECTED(tmp.path()).value);
    EXPECT_TRUE(fs::is_empty(tmp.path())); // the probe file went again
    const DiskCheck protectedDrive = ISPROTECTED("/proc");
    EXPECT_TRUE(protectedDrive.value);
    EXPECT_EQ(protectedDrive.message, "Disco protetto da scrittura.");
    EXPECT_EQ(ISPROTECTED(tmp / "nessuna").message, "Disco non pronto.");

    EXPECT_TRUE(DIR(tmp.path()));
    EXPECT_FALSE(DIR(tmp / "nessuna"));
    touch(tmp / "file");
    EXPECT_FALSE(DIR(tmp / "file"));
    EXPECT_FALSE(DIR(""));

    EXPECT_TRUE(LFNFNAME("Salvataggio archivi 2025.zip"));
    EXPECT_TRUE(LFNFNAME("  nome  "));
    EXPECT_FALSE(LFNFNAME("   "));
    for (const char* bad : {"a\"b", "a*b", "a/b", "a:b", "a<b", "a>b", "a?b", "a\\b", "a|b", "a\tb"})
        EXPECT_FALSE(LFNFNAME(bad)) << bad;
}

TEST(Files, ListAndDelete)
{
    TempFolder tmp;
    touch(tmp / "CLIENTI.DBF");
    touch(tmp / "polizze.dbf");
    touch(tmp / ".nascosto.dbf");
    touch(tmp / "CLIENTI.NTX");
    touch(tmp / "SOLOLETT.DBF");
    ::chmod((tmp / "SOLOLETT.DBF").c_str(), 0444);
    fs::create_directory(tmp / "CARTELLA.DBF");

    const std::string base = tmp.path() + "/";
    const std::vector<std::string> dbf = WILDEXP({base + "*.DBF"});
    EXPECT_EQ(dbf, (std::vector<std::string>{base + ".nascosto.dbf", base + "CLIENTI.DBF", base + "SOLOLETT.DBF",
                                             base + "polizze.dbf"}));
    const std::vector<std::string> both = WILDEXP({base + "CLIENTI.*", base + "*.NTX"});
    EXPECT_EQ(both, (std::vector<std::string>{base + "CLIENTI.DBF", base + "CLIENTI.NTX"}));
    EXPECT_TRUE(WILDEXP({base + "*.XYZ", tmp / "nessuna/*"}).empty());

    std::string message;
    EXPECT_FALSE(DELFILE(tmp / "SOLOLETT.DBF", &message)); // read-only
    EXPECT_TRUE(exists(tmp / "SOLOLETT.DBF"));
    EXPECT_EQ(message, "");
    EXPECT_TRUE(DELFILE(tmp / "CLIENTI.NTX"));
    EXPECT_FALSE(exists(tmp / "CLIENTI.NTX"));
    EXPECT_FALSE(DELFILE(tmp / "CLIENTI.NTX"));
    EXPECT_FALSE(DELFILE("/proc/version", &message));
    EXPECT_EQ(message, "Disco protetto da scrittura.");

    fs::create_directory(tmp / "sotto");
    touch(tmp / "sotto/dentro");
    EXPECT_TRUE(DELDIR(tmp.path()));
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(tmp.path())) left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"CARTELLA.DBF", "sotto"})); // folders stay
    EXPECT_TRUE(exists(tmp / "sotto/dentro"));
    EXPECT_FALSE(DELDIR(tmp / "nessuna"));
}

TEST(TempNames, UniqueAndWellFormed)
{
    std::set<std::string> names;
    const std::string tag = workstationTag();
    ASSERT_GE(tag.size(), 4u);
    for (int i = 0; i < 200; ++i) {
        const std::string name = GETNEWFNAME();
        ASSERT_EQ(name.front(), '\x7f');
        ASSERT_EQ(name.compare(1, tag.size(), tag), 0);
        const std::string stamp = name.substr(1 + tag.size());
        ASSERT_EQ(stamp.size(), 15u) << name;
        ASSERT_TRUE(std::all_of(stamp.begin(), stamp.end(), [](char c) { return c >= '0' && c <= '9'; }));
        ASSERT_LT(std::stoi(stamp.substr(8)), 8640000);
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 200u);
    const Date before = Date::today();
    const std::string name = GETNEWFNAME();
    const std::string day = name.substr(1 + tag.size(), 8);
    EXPECT_TRUE(day == before.dtos() || day == Date::today().dtos()) << day;
    EXPECT_LE(name.size(), 32u);

    // Another process in the same hundredth of a second still gets another name.
    int channel[2];
    ASSERT_EQ(::pipe(channel), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        const std::string mine = GETNEWFNAME();
        const bool sent = ::write(channel[1], mine.data(), mine.size()) == static_cast<ssize_t>(mine.size());
        ::_exit(sent ? 0 : 1);
    }
    ::close(channel[1]);
    const std::string parentName = GETNEWFNAME();
    char buffer[64] = {};
    const ssize_t got = ::read(channel[0], buffer, sizeof buffer);
    ::close(channel[0]);
    ::waitpid(child, nullptr, 0);
    ASSERT_GT(got, 0);
    const std::string childName(buffer, static_cast<size_t>(got));
    EXPECT_NE(childName.substr(0, 1 + tag.size()), parentName.substr(0, 1 + tag.size()));
    EXPECT_NE(childName, parentName);
}

TEST(TempNames, CleanupKeepsWhatOthersHold)
{
    TempFolder tmp;
    const std::string p = "\x7f";
    const auto old = [](const std::string& path) { setAge(path, 7200); };

    touch(tmp / (p + "libero"));
    old(tmp / (p + "libero"));
    touch(tmp / (p + "esclusivo"));
    old(tmp / (p + "esclusivo"));
    touch(tmp / (p + "condiviso"));
    old(tmp / (p + "condiviso"));
    touch(tmp / (p + "record"));
    old(tmp / (p + "record"));
    touch(tmp / (p + "ofd"));
    old(tmp / (p + "ofd"));
    touch(tmp / (p + "sololettura"));
    ::chmod((tmp / (p + "sololettura")).c_str(), 0444);
    old(tmp / (p + "sololettura"));
    touch(tmp / (p + "recente")); // changed after the start
    touch(tmp / (p + "abc12_0.JRN")); // the note of a write cut short, for the table engine to replay
    old(tmp / (p + "abc12_0.JRN"));
    touch(tmp / "CLIENTI.DBF");
    old(tmp / "CLIENTI.DBF");

    // A left-over folder: emptied and removed.
    fs::create_directories(tmp / (p + "cartella/interna"));
    touch(tmp / (p + "cartella/interna/pagina1"));
    touch(tmp / (p + "cartella/pagina2"));
    old(tmp / (p + "cartella/interna/pagina1"));
    old(tmp / (p + "cartella/pagina2"));
    old(tmp / (p + "cartella/interna"));
    old(tmp / (p + "cartella"));
    // A folder with a file still held: only the free file goes.
    fs::create_directory(tmp / (p + "inuso"));
    touch(tmp / (p + "inuso/tenuto"));
    touch(tmp / (p + "inuso/lasciato"));
    old(tmp / (p + "inuso/tenuto"));
    old(tmp / (p + "inuso/lasciato"));
    old(tmp / (p + "inuso"));
    // A symbolic link: the link goes, never what it points to.
    ASSERT_EQ(::symlink((tmp / "CLIENTI.DBF").c_str(), (tmp / (p + "link")).c_str()), 0);
    old(tmp / (p + "link"));

    const Holder exclusive(tmp / (p + "esclusivo"), LockKind::Flock);
    const Holder shared(tmp / (p + "condiviso"), LockKind::FlockShared);
    const Holder record(tmp / (p + "record"), LockKind::PosixRange);
    const Holder ofd(tmp / (p + "ofd"), LockKind::OfdWhole);
    const Holder inFolder(tmp / (p + "inuso/tenuto"), LockKind::Flock);
    ASSERT_TRUE(exclusive.ok() && shared.ok() && record.ok() && ofd.ok() && inFolder.ok());

    const auto start = std::chrono::system_clock::now() - std::chrono::hours(1);
    const size_t removed = cleanupLeftovers(tmp.path(), start);

    EXPECT_FALSE(exists(tmp / (p + "libero")));
    EXPECT_FALSE(exists(tmp / (p + "sololettura")));
    EXPECT_TRUE(exists(tmp / (p + "esclusivo")));
    EXPECT_TRUE(exists(tmp / (p + "condiviso")));
    EXPECT_TRUE(exists(tmp / (p + "record")));
    EXPECT_TRUE(exists(tmp / (p + "ofd")));
    EXPECT_TRUE(exists(tmp / (p + "recente")));
    EXPECT_TRUE(exists(tmp / (p + "abc12_0.JRN")));
    EXPECT_TRUE(exists(tmp / "CLIENTI.DBF"));
    EXPECT_FALSE(exists(tmp / (p + "cartella")));
    EXPECT_TRUE(exists(tmp / (p + "inuso/tenuto")));
    EXPECT_FALSE(exists(tmp / (p + "inuso/lasciato")));
    EXPECT_FALSE(exists(tmp / (p + "link")));
    EXPECT_EQ(removed, 8u); // libero, sololettura, link, 2 pages + 2 folders, lasciato
    EXPECT_EQ(cleanupLeftovers(tmp / "nessuna", start), 0u);
}

TEST(TempNames, StartCleanupCoversTheTemporaryFolder)
{
    TempFolder work;
    TempFolder temp;
    const std::string p = "\x7f";
    touch(work / (p + "vista.ntx"));
    setAge(work / (p + "vista.ntx"), 7200);
    fs::create_directory(temp / (p + "anteprima"));
    touch(temp / (p + "anteprima/pagina"));
    setAge(temp / (p + "anteprima/pagina"), 7200);
    setAge(temp / (p + "anteprima"), 7200);
    touch(temp / "altrui");
    setAge(temp / "altrui", 7200);

    const char* saved = std::getenv("TMPDIR");
    const std::string savedValue = saved ? saved : "";
    ::setenv("TMPDIR", temp.path().c_str(), 1);
    const size_t removed = cleanupStartLeftovers(work.path(), std::chrono::system_clock::now());
    if (saved) ::setenv("TMPDIR", savedValue.c_str(), 1); else ::unsetenv("TMPDIR");

    EXPECT_EQ(removed, 3u);
    EXPECT_FALSE(exists(work / (p + "vista.ntx")));
    EXPECT_FALSE(exists(temp / (p + "anteprima")));
    EXPECT_TRUE(exists(temp / "altrui"));
}
