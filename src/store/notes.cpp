#include "store/notes.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

#include "common/error.h"
#include "common/tempnames.h"
#include "store/dbf.h"
#include "store/files.h"
#include "store/ntx.h"
#include "store/osfile.h"
#include "store/schema/schema.h"

namespace arv::store {

namespace fs = std::filesystem;

namespace {

constexpr off_t kOwnerByte = 1000000000;
constexpr off_t kReplayByte = 1000000001;

constexpr char kMagic[4] = {'A', 'R', 'V', 'N'};
constexpr size_t kHeaderSize = 32;
constexpr off_t kStateAt = 4;
constexpr off_t kRecnoAt = 8;
constexpr off_t kChangingAt = 24; // 1 + the noted index whose change is under way, 0 for none
constexpr uint32_t kIdle = 0;
constexpr uint32_t kActive = 1;
constexpr size_t kMaxBody = 1 << 20;

void put32(std::string& s, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) s[at + size_t(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

uint32_t get32(const std::string& s, size_t at)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(s[at + size_t(i)]);
    return v;
}

uint32_t checksum(std::string_view body)
{
    uint32_t h = 2166136261u;
    for (unsigned char c : body) h = (h ^ c) * 16777619u;
    return h;
}

std::string upper(std::string s)
{
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string tableOf(const std::string& file) { return upper(fs::path(file).stem().string()); }

bool isNoteName(const std::string& name)
{
    return name.size() > 5 && name[0] == kTempPrefix && upper(name.substr(name.size() - 4)) == ".JRN";
}

// ---- the note as stored -----------------------------------------------------------------

struct Note {
    uint32_t state = kIdle;
    uint32_t changing = 0;
    uint32_t recno = 0;
    uint32_t countBefore = 0;
    std::string tableFile;
    std::vector<NoteKey> keys;
};

void putText(std::string& out, std::string_view s)
{
    std::string n(4, '\0');
    put32(n, 0, static_cast<uint32_t>(s.size()));
    out += n;
    out.append(s);
}

bool getText(const std::string& in, size_t& pos, std::string& s)
{
    if (pos + 4 > in.size()) return false;
    uint32_t n = get32(in, pos);
    pos += 4;
    if (n > in.size() - pos) return false;
    s.assign(in, pos, n);
    pos += n;
    return true;
}

std::string encode(const Note& n)
{
    std::string body;
    putText(body, n.tableFile);
    for (const NoteKey& k : n.keys) {
        putText(body, k.tag);
        body += static_cast<char>((k.oldKey ? 1 : 0) | (k.newKey ? 2 : 0));
        putText(body, k.oldKey.value_or(std::string()));
        putText(body, k.newKey.value_or(std::string()));
    }
    std::string out(kHeaderSize, '\0');
    std::memcpy(out.data(), kMagic, 4);
    put32(out, 4, n.state);
    put32(out, 8, n.recno);
    put32(out, 12, n.countBefore);
    put32(out, 16, static_cast<uint32_t>(body.size()));
    put32(out, 20, checksum(body));
    return out + body;
}

enum class Read { NotANote, Idle, Active };

// Reads the note of an open file. A note whose body does not match its checksum was never
// completed, so its write never began: it counts as idle.
Read readNote(int fd, Note& n)
{
    std::string head(kHeaderSize, '\0');
    if (os::preadAll(fd, head.data(), kHeaderSize, 0) != static_cast<ssize_t>(kHeaderSize)) return Read::Idle;
    if (std::memcmp(head.data(), kMagic, 4) != 0) return Read::NotANote;
    n.state = get32(head, 4);
    n.recno = get32(head, 8);
    n.countBefore = get32(head, 12);
    n.changing = get32(head, 24);
    uint32_t len = get32(head, 16);
    if (n.state != kActive || len > kMaxBody) return Read::Idle;
    std::string body(len, '\0');
    if (os::preadAll(fd, body.data(), len, kHeaderSize) != static_cast<ssize_t>(len)) return Read::Idle;
    if (checksum(body) != get32(head, 20)) return Read::Idle;
    size_t pos = 0;
    if (!getText(body, pos, n.tableFile)) return Read::Idle;
    while (pos < body.size()) {
        NoteKey k;
        std::string oldKey, newKey;
        if (!getText(body, pos, k.tag) || pos >= body.size()) return Read::Idle;
        char flags = body[pos++];
        if (!getText(body, pos, oldKey) || !getText(body, pos, newKey)) return Read::Idle;
        if (flags & 1) k.oldKey = oldKey;
        if (flags & 2) k.newKey = newKey;
        n.keys.push_back(std::move(k));
    }
    return Read::Active;
}

// ---- this process's note files ------------------------------------------------------------

} // namespace

struct NoteFile {
    os::Fd fd;
    pid_t pid = 0;
    std::string path;
    bool busy = false; // holds the note of a write in flight
};

namespace {

std::mutex ownMutex;
std::map<std::string, std::vector<std::unique_ptr<NoteFile>>> ownFiles; // by folder
unsigned ownSerial = 0;
std::atomic<uint64_t> replayed {0};

bool linked(int fd)
{
    struct stat st {};
    return ::fstat(fd, &st) == 0 && st.st_nlink > 0;
}

// A note file of this process in FOLDER that holds no write in flight, created when there is
// none. Call under ownMutex.
NoteFile& freeFile(const std::string& folder)
{
    auto& files = ownFiles[folder];
    // A forked child must not write into its parent's notes, and a file someone removed is
    // found by nobody.
    std::erase_if(files, [](const auto& f) { return !f->busy && (f->pid != ::getpid() || !linked(f->fd.get())); });
    for (auto& f : files)
        if (!f->busy && f->pid == ::getpid()) return *f;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = std::string(1, kTempPrefix) + workstationTag() + "_" + std::to_string(ownSerial++) + ".JRN";
        std::string path = (fs::path(folder) / name).string();
        os::Fd fd(os::openFile(path, O_RDWR | O_CREAT | O_EXCL));
        if (!fd.valid()) {
            if (errno == EEXIST) continue;
            throw Error::fromErrno(errno, EG_CREATE, path, "create");
        }
        // Taken before anything is written: a process that replays notes never removes a file
        // whose owner byte is held. One that came in between has removed the file: try again.
        if (os::ofdLock(fd.get(), F_WRLCK, kOwnerByte, 1, false) != 0 || !linked(fd.get())) continue;
        os::flockFile(fd.get(), LOCK_SH | LOCK_NB);
        Note idle;
        std::string bytes = encode(idle);
        if (!os::pwriteAll(fd.get(), bytes.data(), bytes.size(), 0)) throw Error::fromErrno(errno, EG_WRITE, path, "write");
        os::syncParentDir(path);
        auto f = std::make_unique<NoteFile>();
        f->fd = std::move(fd);
        f->pid = ::getpid();
        f->path = path;
        files.push_back(std::move(f));
        return *files.back();
    }
    throw Error(EG_CREATE, 0, OS_NONE, "DBFNTX", "No name free for the write note", folder, "create");
}

bool isOwn(const std::string& folder, const std::string& path)
{
    std::lock_guard<std::mutex> g(ownMutex);
    auto it = ownFiles.find(folder);
    if (it == ownFiles.end()) return false;
    for (const auto& f : it->second)
        if (f->pid == ::getpid() && f->path == path) return true;
    return false;
}

// ---- replay ---------------------------------------------------------------------------------

// Tries for a while to take a lock (a record's, a note's replay byte). A replay gives up rather
// than wait on a cursor of its own process, or on a process that waits for it: the note stays
// for the next opener.
bool takeWithin(const std::function<bool()>& attempt)
{
    using clock = std::chrono::steady_clock;
    const auto start = clock::now();
    while (!attempt()) {
        if (clock::now() - start > std::chrono::seconds(3)) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

Error damaged(const std::string& path, const std::string& fault)
{
    return Error::corrupt(path, std::string(kMsgRebuildIndexes) + " (" + fault + ")");
}

// Under the table lock (no write of this engine is then under way), the index must hold one key
// per live record, less the one of the record the note is about, give or take. Throws the
// damage when it is further off; false when the table lock is not had.
bool sameCount(DbfFile& f, NtxIndex& ix)
{
    if (!takeWithin([&] { return f.tryLockTable(); })) return false;
    uint64_t live = 0;
    try {
        forEachRecord(f, [&](uint32_t, const std::string& b) {
            if (b[0] != '*') ++live;
            return true;
        });
        const uint64_t keys = ix.count();
        f.unlockAll();
        if (keys + 1 < live || keys > live + 1)
            throw damaged(ix.path(), std::to_string(keys) + " chiavi, attese " + std::to_string(live));
    } catch (...) {
        f.unlockAll();
        throw;
    }
    return true;
}

// Puts the keys of the note's record right in every index it names. False when the table is
// held exclusively elsewhere or the record stays locked (the note waits for the next opener).
bool replay(const std::string& folder, const Note& n, DbfFile* own)
{
    if (!fileExists(folder, n.tableFile)) return true;
    const std::string table = tableOf(n.tableFile);
    std::unique_ptr<DbfFile> mine;
    DbfFile* f = own;
    if (!f) {
        try {
            mine = DbfFile::open(resolveFile(folder, n.tableFile), OpenMode::Shared);
        } catch (const Error& e) {
            if (e.genCode() == EG_CORRUPTION) throw;
            return false;
        }
        f = mine.get();
    }
    struct Fix {
        const schema::TagDef* tag;
        std::unique_ptr<NtxIndex> ix;
        const NoteKey* noted;
    };
    std::vector<Fix> fixes;
    for (const NoteKey& k : n.keys) {
        const schema::TagDef* tag = schema::findTag(k.tag);
        if (!tag || upper(tag->table) != table || !fileExists(folder, tag->name + ".NTX")) continue;
        std::string path = resolveFile(folder, tag->name + ".NTX");
        std::unique_ptr<NtxIndex> ix;
        try {
            ix = NtxIndex::open(path);
        } catch (const Error& e) {
            if (e.genCode() == EG_CORRUPTION) throw damaged(path, e.description());
            throw;
        }
        // A change cut short between two pages of the index leaves it torn: nothing to patch.
        std::vector<std::string> faults = ix->verify();
        if (!faults.empty()) throw damaged(path, faults.front());
        // The writer died inside the change of this index, between two of its pages perhaps: a
        // tree can look sound and yet miss the keys of a page that never got linked in.
        const bool cut = n.changing == static_cast<uint32_t>(&k - n.keys.data()) + 1;
        if (cut && !sameCount(*f, *ix)) return false;
        fixes.push_back(Fix {tag, std::move(ix), &k});
    }
    uint32_t first = n.recno, last = n.recno;
    if (n.recno == 0) {
        // Killed between the append and the note of its number: every record appended since.
        first = n.countBefore + 1;
        last = f->recordCount();
    }
    std::string b;
    for (uint32_t r = first; r != 0 && r <= last; ++r) {
        if (r > f->recordCount()) break;
        if (!takeWithin([&] { return f->tryLockRecord(r); })) return false;
        try {
            bool live = f->read(r, b) && b[0] != '*';
            for (Fix& x : fixes) {
                std::optional<std::string> now;
                if (live) {
                    now = x.tag->key(DbfRecordView(*f, b));
                    now->resize(static_cast<size_t>(x.ix->info().keySize), ' ');
                }
                if (r == n.recno) {
                    for (const auto& k : {x.noted->oldKey, x.noted->newKey})
                        if (k && k != now && k->size() == static_cast<size_t>(x.ix->info().keySize))
                            x.ix->remove(*k, r);
                }
                if (now) x.ix->insert(*now, r); // no change when the entry is there
            }
        } catch (...) {
            f->unlockAll();
            throw;
        }
        f->unlockAll();
    }
    for (Fix& x : fixes) x.ix->sync();
    // An append cut short after its record and before the header's count: other programs read
    // the count, so it is put right too.
    if (!f->readOnly()) f->settleHeader();
    return true;
}

// A note file of another process, held by its replay byte while this object lives.
class ForeignNote {
public:
    ForeignNote(const std::string& path, bool write) : path_(path)
    {
        fd_ = os::Fd(os::openFile(path, write ? O_RDWR : O_RDONLY));
        if (!fd_.valid()) return;
        if (write) {
            // Replays of one note take turns; the owner never takes this byte.
            if (!takeWithin([&] { return os::ofdLock(fd_.get(), F_WRLCK, kReplayByte, 1, false) == 0; })) {
                fd_.reset();
                return;
            }
            ownerGone_ = os::ofdLock(fd_.get(), F_WRLCK, kOwnerByte, 1, false) == 0;
        } else {
            struct flock probe {};
            probe.l_type = F_WRLCK;
            probe.l_whence = SEEK_SET;
            probe.l_start = kOwnerByte;
            probe.l_len = 1;
            ownerGone_ = ::fcntl(fd_.get(), F_OFD_GETLK, &probe) == 0 && probe.l_type == F_UNLCK;
        }
        ownerGone_ = ownerGone_ && linked(fd_.get());
    }
    // Open, with an owner that is gone: the note is left over.
    bool leftOver() const { return fd_.valid() && ownerGone_; }
    Read read(Note& n) const { return readNote(fd_.get(), n); }
    void remove()
    {
        ::unlink(path_.c_str());
        syncFolder(fs::path(path_).parent_path().string());
    }

private:
    std::string path_;
    os::Fd fd_;
    bool ownerGone_ = false;
};

// The note files of FOLDER that are not this process's own.
std::vector<std::string> foreignNotes(const std::string& folder)
{
    std::vector<std::string> out;
    const std::string base = folder.empty() ? std::string(".") : folder;
    if (::DIR* dir = ::opendir(base.c_str())) {
        while (const dirent* e = ::readdir(dir)) {
            std::string name = e->d_name;
            if (!isNoteName(name)) continue;
            std::string path = (fs::path(folder) / name).string();
            if (!isOwn(folder, path)) out.push_back(path);
        }
        ::closedir(dir);
    }
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

WriteNote::WriteNote(const std::string& folder, const std::string& tableFile, uint32_t recno, uint32_t countBefore,
                     const std::vector<NoteKey>& keys, bool sync)
    : folder_(folder)
{
    Note n;
    n.state = kActive;
    n.recno = recno;
    n.countBefore = countBefore;
    n.tableFile = fs::path(tableFile).filename().string();
    n.keys = keys;
    std::string bytes = encode(n);
    std::lock_guard<std::mutex> g(ownMutex);
    NoteFile& f = freeFile(folder);
    if (!os::pwriteAll(f.fd.get(), bytes.data(), bytes.size(), 0)) throw Error::fromErrno(errno, EG_WRITE, f.path, "write");
    if (sync)
        if (int e = os::dataSync(f.fd.get()); e != 0) throw Error::fromErrno(e, EG_WRITE, f.path, "commit");
    f.busy = true;
    file_ = &f;
}

WriteNote::~WriteNote()
{
    if (!file_) return;
    // The write stopped half-way: let go of the note, so that the next process to open the
    // table (this one included) replays it.
    std::lock_guard<std::mutex> g(ownMutex);
    auto& files = ownFiles[folder_];
    std::erase_if(files, [this](const auto& f) { return f.get() == file_; });
}

void WriteNote::setRecno(uint32_t recno)
{
    std::string v(4, '\0');
    put32(v, 0, recno);
    if (!os::pwriteAll(file_->fd.get(), v.data(), 4, kRecnoAt))
        throw Error::fromErrno(errno, EG_WRITE, file_->path, "write");
}

void WriteNote::changing(size_t index)
{
    std::string v(4, '\0');
    put32(v, 0, static_cast<uint32_t>(index + 1));
    if (!os::pwriteAll(file_->fd.get(), v.data(), 4, kChangingAt))
        throw Error::fromErrno(errno, EG_WRITE, file_->path, "write");
}

void WriteNote::changed()
{
    const char none[4] = {0, 0, 0, 0};
    if (!os::pwriteAll(file_->fd.get(), none, 4, kChangingAt)) throw Error::fromErrno(errno, EG_WRITE, file_->path, "write");
}

void WriteNote::done()
{
    if (!file_) return;
    std::string v(4, '\0');
    put32(v, 0, kIdle);
    if (!os::pwriteAll(file_->fd.get(), v.data(), 4, kStateAt))
        throw Error::fromErrno(errno, EG_WRITE, file_->path, "write");
    std::lock_guard<std::mutex> g(ownMutex);
    file_->busy = false;
    file_ = nullptr;
}

int replayNotes(const std::string& folder, const std::string& table, DbfFile* own)
{
    int count = 0;
    for (const std::string& path : foreignNotes(folder)) {
        ForeignNote note(path, true);
        if (!note.leftOver()) continue;
        Note n;
        Read r = note.read(n);
        if (r == Read::NotANote) continue;
        if (r == Read::Idle) {
            note.remove(); // a program that ended between two writes
            continue;
        }
        if (!table.empty() && tableOf(n.tableFile) != upper(table)) continue;
        if (!replay(folder, n, tableOf(n.tableFile) == upper(table) ? own : nullptr)) continue;
        note.remove();
        ++count;
        ++replayed;
    }
    return count;
}

std::vector<std::string> leftoverNotes(const std::string& folder, const std::string& table)
{
    std::vector<std::string> lines;
    for (const std::string& path : foreignNotes(folder)) {
        ForeignNote note(path, false);
        Note n;
        if (!note.leftOver() || note.read(n) != Read::Active) continue;
        if (!table.empty() && tableOf(n.tableFile) != upper(table)) continue;
        std::string what = n.recno ? "record " + std::to_string(n.recno)
                                   : "record aggiunto dopo il " + std::to_string(n.countBefore);
        lines.push_back("scrittura interrotta (" + fs::path(path).filename().string().substr(1) + "): " + what);
    }
    return lines;
}

void dropNotes(const std::string& folder, const std::string& table)
{
    for (const std::string& path : foreignNotes(folder)) {
        ForeignNote note(path, true);
        Note n;
        if (!note.leftOver()) continue;
        Read r = note.read(n);
        if (r == Read::NotANote) continue;
        if (r == Read::Active && !table.empty() && tableOf(n.tableFile) != upper(table)) continue;
        note.remove();
    }
}

uint64_t notesReplayed() { return replayed.load(); }

} // namespace arv::store
