#include "store/dbf.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <limits>

#include "common/error.h"
#include "store/osfile.h"

namespace arv::store {

namespace {

// Lock offsets shared with the other xBase programs of the working folder.
constexpr off_t kLockBase = 1000000000;     // append lock; record n locks kLockBase + n
constexpr off_t kTableLockLen = 1000000000; // the table lock covers every record byte

constexpr off_t kMemoBlock = 512;
constexpr char kEofMarker = '\x1A';
constexpr int kMaxFields = (0xFFFF - 32 - 2) / 32;

const char* const kSubsystem = "DBFNTX";

uint16_t getU16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t getU32(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

void putU16(unsigned char* p, uint32_t v)
{
    p[0] = static_cast<unsigned char>(v & 0xFF);
    p[1] = static_cast<unsigned char>((v >> 8) & 0xFF);
}

void putU32(unsigned char* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>((v >> (8 * i)) & 0xFF);
}

// Today's date as the three header bytes (year - 1900, month, day).
void todayBytes(unsigned char out[3])
{
    std::time_t now = std::time(nullptr);
    std::tm tm {};
    localtime_r(&now, &tm);
    out[0] = static_cast<unsigned char>(tm.tm_year & 0xFF);
    out[1] = static_cast<unsigned char>(tm.tm_mon + 1);
    out[2] = static_cast<unsigned char>(tm.tm_mday);
}

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

// The memo file sits beside the table: NAME.DBF -> NAME.DBT (name.dbf -> name.dbt).
std::string memoPathFor(const std::string& path)
{
    size_t n = path.size();
    if (n >= 4 && path[n - 4] == '.' && equalsNoCase(std::string_view(path).substr(n - 3), "dbf")) {
        std::string p = path;
        p[n - 1] = path[n - 1] == 'f' ? 't' : 'T';
        return p;
    }
    return path + ".DBT";
}

// The same memo name with the extension in the other case, for folders copied by tools that
// changed the case of one file only.
std::string otherCaseMemoPath(const std::string& memoPath)
{
    std::string p = memoPath;
    size_t n = p.size();
    if (n < 4 || p[n - 4] != '.') return p;
    bool upper = p[n - 1] == 'T';
    for (size_t i = n - 3; i < n; ++i)
        p[i] = upper ? lowerAscii(p[i]) : static_cast<char>(std::toupper(static_cast<unsigned char>(p[i])));
    return p;
}

Error sharingError(const std::string& path)
{
    return Error(EG_OPEN, 0, OS_SHARING_VIOLATION, kSubsystem, "Sharing violation", path, "open", true);
}

Error argError(const std::string& path, const std::string& what, const std::string& op)
{
    return Error(EG_ARG, 0, OS_NONE, kSubsystem, what, path, op);
}

bool isConflict(int err) { return err == EAGAIN || err == EACCES; }

bool validCreateType(char t) { return t == 'C' || t == 'N' || t == 'D' || t == 'L' || t == 'M' || t == 'F'; }

} // namespace

class DbfFile::Impl {
public:
    std::string path;
    std::string memoPath;
    OpenMode mode = OpenMode::Shared;
    bool readOnly = false;
    os::Fd fd;
    os::Fd memoFd;
    std::vector<FieldDef> fields;
    std::vector<int> offsets;
    int headerLength = 0;
    int recordLength = 0;
    bool hasMemo = false;

    bool bulk = false;
    bool dbfDirty = false;
    bool memoDirty = false;
    bool dateTouched = false;
    bool headerPending = false; // bulk appends leave the header count for the next sync
    uint32_t soloCount = 0;     // record count kept in memory while the table is ours alone

    std::vector<uint32_t> recordLocks;
    bool tableLock = false;

    std::string scratch;         // record + end-of-file marker of an append
    std::time_t dateStamp = -1;  // minute the cached header date was computed in
    unsigned char dateBytes[3] {};

    ~Impl()
    {
        try {
            flushHeader();
        } catch (const Error&) {
            // Closing cannot report; the count is rebuilt from the file size anyway.
        }
    }

    // A write lock needs a descriptor open for writing, so a read-only cursor takes read locks:
    // they still keep out writers elsewhere, though two read-only cursors do not exclude each other.
    short lockType() const { return readOnly ? F_RDLCK : F_WRLCK; }

    // With exclusive use no other cursor can have the file open, so locks need no system calls
    // and the record count can be kept in memory.
    bool solo() const { return mode == OpenMode::Exclusive; }

    // Holds the append lock for the lifetime of the object.
    class AppendLock {
    public:
        AppendLock(Impl& d, short type) : d_(d), held_(!d.solo())
        {
            if (!held_) return;
            int e = os::ofdLock(d_.fd.get(), type, kLockBase, 1, true);
            if (e != 0) throw Error::fromErrno(e, EG_APPENDLOCK, d_.path, "lock");
        }
        ~AppendLock()
        {
            if (held_) os::ofdLock(d_.fd.get(), F_UNLCK, kLockBase, 1, false);
        }
        AppendLock(const AppendLock&) = delete;
        AppendLock& operator=(const AppendLock&) = delete;

    private:
        Impl& d_;
        bool held_;
    };

    // Holds the memo file's allocation lock (byte 0, exclusive) for the lifetime of the object.
    class MemoLock {
    public:
        explicit MemoLock(Impl& d) : d_(d), held_(!d.solo())
        {
            if (!held_) return;
            int e = os::ofdLock(d_.memoFd.get(), F_WRLCK, 0, 1, true);
            if (e != 0) throw Error::fromErrno(e, EG_APPENDLOCK, d_.memoPath, "lock");
        }
        ~MemoLock()
        {
            if (held_) os::ofdLock(d_.memoFd.get(), F_UNLCK, 0, 1, false);
        }
        MemoLock(const MemoLock&) = delete;
        MemoLock& operator=(const MemoLock&) = delete;

    private:
        Impl& d_;
        bool held_;
    };

    off_t size(int f, const std::string& name) const
    {
        off_t s = os::fileSize(f);
        if (s < 0) throw Error::fromErrno(errno, EG_READ, name, "read");
        return s;
    }

    uint32_t countFromSize(off_t sz) const
    {
        if (sz <= headerLength) return 0;
        off_t n = (sz - headerLength) / recordLength;
        return n > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max()
                                                         : static_cast<uint32_t>(n);
    }

    // Records in the file now; call under the append lock.
    uint32_t currentCount() const { return solo() ? soloCount : countFromSize(size(fd.get(), path)); }

    off_t recordOffset(uint32_t recno) const
    {
        return static_cast<off_t>(headerLength) + static_cast<off_t>(recno - 1) * recordLength;
    }

    void checkWritable(const char* op) const
    {
        if (readOnly) throw Error(EG_WRITE, 0, OS_ACCESS_DENIED, kSubsystem, "Read-only table", path, op);
    }

    void checkBuffer(const std::string& buffer, const char* op) const
    {
        if (static_cast<int>(buffer.size()) != recordLength)
            throw argError(path, "Record buffer of wrong length", op);
    }

    const FieldDef& field(const std::string& buffer, int index, const char* op) const
    {
        if (index < 0 || index >= static_cast<int>(fields.size())) throw argError(path, "No such field", op);
        if (static_cast<int>(buffer.size()) < recordLength) throw argError(path, "Record buffer too short", op);
        return fields[static_cast<size_t>(index)];
    }

    void place(std::string& buffer, int index, std::string_view text) const
    {
        const FieldDef& f = fields[static_cast<size_t>(index)];
        size_t width = static_cast<size_t>(f.width);
        size_t n = std::min(text.size(), width);
        char* p = buffer.data() + offsets[static_cast<size_t>(index)];
        std::memcpy(p, text.data(), n);
        std::memset(p + n, ' ', width - n);
    }

    const unsigned char* currentDate()
    {
        std::time_t minute = std::time(nullptr) / 60;
        if (minute != dateStamp) {
            todayBytes(dateBytes);
            dateStamp = minute;
        }
        return dateBytes;
    }

    // Drops every record and table lock of this cursor (the append lock is not touched).
    void releaseLocks()
    {
        if (!tableLock && recordLocks.empty()) return;
        if (!solo()) os::ofdLock(fd.get(), F_UNLCK, kLockBase + 1, 0, false);
        tableLock = false;
        recordLocks.clear();
    }

    void openMemo(int flags, int lockOp)
    {
        memoPath = memoPathFor(path);
        int m = os::openFile(memoPath, flags);
        if (m < 0 && errno == ENOENT) {
            std::string alt = otherCaseMemoPath(memoPath);
            if (alt != memoPath) {
                int m2 = os::openFile(alt, flags);
                if (m2 >= 0) {
                    memoPath = alt;
                    m = m2;
                } else {
                    errno = ENOENT;
                }
            }
        }
        if (m < 0) throw Error::fromErrno(errno, EG_OPEN, memoPath, "open");
        memoFd = os::Fd(m);
        int e = os::flockFile(memoFd.get(), lockOp);
        if (e == EWOULDBLOCK) throw sharingError(memoPath);
        if (e != 0) throw Error::fromErrno(e, EG_OPEN, memoPath, "open");
    }

    // Reads and checks the header; anything that cannot be a table throws a corruption error.
    void readHeader()
    {
        off_t sz = size(fd.get(), path);
        if (sz < 32) throw Error::corrupt(path, "file shorter than a table header");
        unsigned char h[32];
        ssize_t r = os::preadAll(fd.get(), h, sizeof h, 0);
        if (r < 0) throw Error::fromErrno(errno, EG_READ, path, "open");
        if (r != 32) throw Error::corrupt(path, "file shorter than a table header");
        if ((h[0] & 0x07) != 0x03) throw Error::corrupt(path, "unknown table version");
        int hl = getU16(h + 8);
        int rl = getU16(h + 10);
        if (hl < 32 + 32 + 1) throw Error::corrupt(path, "header length too small");
        if (hl > sz) throw Error::corrupt(path, "header longer than the file");
        if (rl < 2) throw Error::corrupt(path, "record length too small");

        std::string hdr(static_cast<size_t>(hl), '\0');
        r = os::preadAll(fd.get(), hdr.data(), hdr.size(), 0);
        if (r < 0) throw Error::fromErrno(errno, EG_READ, path, "open");
        if (r != hl) throw Error::corrupt(path, "header longer than the file");

        std::vector<FieldDef> fs;
        std::vector<int> offs;
        int offset = 1;
        size_t pos = 32;
        while (pos < hdr.size() && hdr[pos] != '\x0D') {
            if (pos + 32 > hdr.size()) throw Error::corrupt(path, "field descriptor cut by the header end");
            const char* d = hdr.data() + pos;
            size_t nameLen = 0;
            while (nameLen < 11 && d[nameLen] != '\0') ++nameLen;
            std::string name(d, nameLen);
            while (!name.empty() && name.back() == ' ') name.pop_back();
            if (name.empty()) throw Error::corrupt(path, "field without a name");
            char type = d[11];
            if (static_cast<unsigned char>(type) < 0x21 || static_cast<unsigned char>(type) > 0x7E)
                throw Error::corrupt(path, "field " + name + " has no valid type");
            int width = static_cast<unsigned char>(d[16]);
            int dec = static_cast<unsigned char>(d[17]);
            if (width == 0) throw Error::corrupt(path, "field " + name + " has zero width");
            fs.push_back(FieldDef {name, type, width, dec});
            offs.push_back(offset);
            offset += width;
            pos += 32;
        }
        if (pos >= hdr.size()) throw Error::corrupt(path, "header terminator missing");
        if (fs.empty()) throw Error::corrupt(path, "table without fields");
        if (offset != rl) throw Error::corrupt(path, "record length does not match the fields");

        fields = std::move(fs);
        offsets = std::move(offs);
        headerLength = hl;
        recordLength = rl;
        hasMemo = std::any_of(fields.begin(), fields.end(), [](const FieldDef& f) { return f.type == 'M'; });
    }

    // Writes the record count and today's date into the header.
    void writeHeaderCount(uint32_t count)
    {
        unsigned char b[7];
        std::memcpy(b, currentDate(), 3);
        putU32(b + 3, count);
        if (!os::pwriteAll(fd.get(), b, sizeof b, 1)) throw Error::fromErrno(errno, EG_WRITE, path, "write");
        dateTouched = true;
    }

    void flushHeader()
    {
        if (!headerPending) return;
        AppendLock lock(*this, F_WRLCK);
        writeHeaderCount(currentCount());
        headerPending = false;
    }

    // Marks the table as changed today the first time a record is rewritten.
    void touchDate()
    {
        if (dateTouched) return;
        dateTouched = true;
        unsigned char cur[3];
        if (os::preadAll(fd.get(), cur, 3, 1) == 3 && std::memcmp(cur, currentDate(), 3) == 0) return;
        if (!os::pwriteAll(fd.get(), currentDate(), 3, 1)) throw Error::fromErrno(errno, EG_WRITE, path, "write");
    }

    // Free text of the memo whose first block is `block`; empty when the block is not in the file.
    std::string readMemo(uint64_t block)
    {
        std::string out;
        if (!memoFd.valid() || block == 0) return out;
        off_t sz = size(memoFd.get(), memoPath);
        if (block > static_cast<uint64_t>(sz / kMemoBlock)) return out;
        off_t pos = static_cast<off_t>(block) * kMemoBlock;
        size_t chunk = 4096;
        while (pos < sz) {
            size_t want = static_cast<size_t>(std::min<off_t>(static_cast<off_t>(chunk), sz - pos));
            size_t old = out.size();
            out.resize(old + want);
            ssize_t r = os::preadAll(memoFd.get(), out.data() + old, want, pos);
            if (r < 0) throw Error::fromErrno(errno, EG_READ, memoPath, "read");
            out.resize(old + static_cast<size_t>(r));
            size_t eof = out.find(kEofMarker, old);
            if (eof != std::string::npos) {
                out.resize(eof);
                return out;
            }
            if (static_cast<size_t>(r) < want) break;
            pos += r;
            chunk = std::min<size_t>(chunk * 2, 1 << 20);
        }
        return out;
    }

    // Writes the text and its terminator to new blocks at the end of the memo file; returns the
    // first block. New blocks are taken under the append lock of the table and, as the other
    // xBase programs take them, under an exclusive lock on byte 0 of the memo file: a memo
    // written under a record lock alone never shares blocks with one of theirs.
    uint32_t writeMemo(std::string_view text)
    {
        AppendLock lock(*this, F_WRLCK);
        MemoLock memoLock(*this);
        unsigned char b0[4] {};
        ssize_t r = os::preadAll(memoFd.get(), b0, 4, 0);
        if (r < 0) throw Error::fromErrno(errno, EG_READ, memoPath, "read");
        uint64_t declared = r == 4 ? getU32(b0) : 0;
        off_t sz = size(memoFd.get(), memoPath);
        uint64_t inFile = static_cast<uint64_t>((sz + kMemoBlock - 1) / kMemoBlock);
        // Never reuse blocks that hold data; follow the header's number when it only reserves a
        // few blocks past the end, but never leave a wide hole for a damaged header.
        uint64_t next = std::max<uint64_t>(inFile, 1);
        if (declared > next && declared <= next + 16) next = declared;
        uint64_t blocks = (text.size() + 2 + kMemoBlock - 1) / kMemoBlock;
        if (next + blocks > std::numeric_limits<uint32_t>::max())
            throw Error(EG_WRITE, 0, OS_DISK_FULL, kSubsystem, "Memo file full", memoPath, "write");
        std::string data(static_cast<size_t>(blocks * kMemoBlock), '\0');
        std::memcpy(data.data(), text.data(), text.size());
        data[text.size()] = kEofMarker;
        data[text.size() + 1] = kEofMarker;
        if (!os::pwriteAll(memoFd.get(), data.data(), data.size(), static_cast<off_t>(next) * kMemoBlock))
            throw Error::fromErrno(errno, EG_WRITE, memoPath, "write");
        putU32(b0, static_cast<uint32_t>(next + blocks));
        if (!os::pwriteAll(memoFd.get(), b0, 4, 0)) throw Error::fromErrno(errno, EG_WRITE, memoPath, "write");
        memoDirty = true;
        return static_cast<uint32_t>(next);
    }

    void syncFiles(bool always)
    {
        if (readOnly) return;
        flushHeader();
        if (always || dbfDirty) {
            int e = os::dataSync(fd.get());
            if (e != 0) throw Error::fromErrno(e, EG_WRITE, path, "commit");
            dbfDirty = false;
        }
        if (memoFd.valid() && (always || memoDirty)) {
            int e = os::dataSync(memoFd.get());
            if (e != 0) throw Error::fromErrno(e, EG_WRITE, memoPath, "commit");
            memoDirty = false;
        }
    }
};

DbfFile::DbfFile(std::unique_ptr<Impl> impl) : d(std::move(impl)) {}

DbfFile::~DbfFile() = default;

void DbfFile::create(const std::string& path, const std::vector<FieldDef>& fields)
{
    auto invalid = [&](const std::string& what) {
        return Error(EG_CREATE, 0, OS_NONE, kSubsystem, "Invalid field list: " + what, path, "create");
    };
    if (fields.empty()) throw invalid("no fields");
    if (static_cast<int>(fields.size()) > kMaxFields) throw invalid("too many fields");
    long recordLength = 1;
    bool memo = false;
    for (const FieldDef& f : fields) {
        if (f.name.empty() || f.name.size() > 10) throw invalid("field name '" + f.name + "'");
        if (!validCreateType(f.type)) throw invalid("type of field " + f.name);
        if (f.width < 1 || f.width > 255) throw invalid("width of field " + f.name);
        if (f.decimals < 0 || f.decimals > 255) throw invalid("decimals of field " + f.name);
        recordLength += f.width;
        memo = memo || f.type == 'M';
    }
    if (recordLength > 0xFFFF) throw invalid("record too long");

    size_t headerLength = 32 + 32 * fields.size() + 2;
    std::string file(headerLength + 1, '\0');
    auto* h = reinterpret_cast<unsigned char*>(file.data());
    h[0] = memo ? 0x83 : 0x03;
    todayBytes(h + 1);
    putU32(h + 4, 0);
    putU16(h + 8, static_cast<uint32_t>(headerLength));
    putU16(h + 10, static_cast<uint32_t>(recordLength));
    for (size_t i = 0; i < fields.size(); ++i) {
        unsigned char* dsc = h + 32 + 32 * i;
        std::memcpy(dsc, fields[i].name.data(), fields[i].name.size());
        dsc[11] = static_cast<unsigned char>(fields[i].type);
        dsc[16] = static_cast<unsigned char>(fields[i].width);
        dsc[17] = static_cast<unsigned char>(fields[i].decimals);
    }
    file[headerLength - 2] = '\x0D';
    file[headerLength - 1] = '\0';
    file[headerLength] = kEofMarker;

    os::Fd dbf(os::openFile(path, O_RDWR | O_CREAT | O_EXCL));
    if (!dbf.valid()) throw Error::fromErrno(errno, EG_CREATE, path, "create");
    std::string memoPath = memoPathFor(path);
    os::Fd dbt;
    auto fail = [&](int err, const std::string& name) {
        dbf.reset();
        ::unlink(path.c_str());
        if (dbt.valid()) {
            dbt.reset();
            ::unlink(memoPath.c_str());
        }
        return Error::fromErrno(err, EG_CREATE, name, "create");
    };
    if (memo) {
        int m = os::openFile(memoPath, O_RDWR | O_CREAT | O_EXCL);
        if (m < 0) throw fail(errno, memoPath);
        dbt = os::Fd(m);
    }
    if (!os::pwriteAll(dbf.get(), file.data(), file.size(), 0)) throw fail(errno, path);
    if (int e = os::fullSync(dbf.get()); e != 0) throw fail(e, path);
    if (memo) {
        unsigned char block0[kMemoBlock] {};
        putU32(block0, 1);
        if (!os::pwriteAll(dbt.get(), block0, sizeof block0, 0)) throw fail(errno, memoPath);
        if (int e = os::fullSync(dbt.get()); e != 0) throw fail(e, memoPath);
    }
    if (int e = os::syncParentDir(path); e != 0) throw fail(e, path);
}

std::unique_ptr<DbfFile> DbfFile::open(const std::string& path, OpenMode mode, bool readOnly)
{
    auto impl = std::make_unique<Impl>();
    impl->path = path;
    impl->mode = mode;
    impl->readOnly = readOnly;
    int flags = readOnly ? O_RDONLY : O_RDWR;
    int fd = os::openFile(path, flags);
    if (fd < 0) throw Error::fromErrno(errno, EG_OPEN, path, "open");
    impl->fd = os::Fd(fd);
    int lockOp = (mode == OpenMode::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
    int e = os::flockFile(fd, lockOp);
    if (e == EWOULDBLOCK) throw sharingError(path);
    if (e != 0) throw Error::fromErrno(e, EG_OPEN, path, "open");
    impl->readHeader();
    if (impl->solo()) impl->soloCount = impl->countFromSize(impl->size(fd, path));
    if (impl->hasMemo) impl->openMemo(flags, lockOp);
    impl->scratch.reserve(static_cast<size_t>(impl->recordLength) + 1);
    return std::unique_ptr<DbfFile>(new DbfFile(std::move(impl)));
}

const std::string& DbfFile::path() const { return d->path; }
OpenMode DbfFile::mode() const { return d->mode; }
bool DbfFile::readOnly() const { return d->readOnly; }
const std::vector<FieldDef>& DbfFile::fields() const { return d->fields; }

int DbfFile::fieldIndex(std::string_view name) const
{
    for (size_t i = 0; i < d->fields.size(); ++i)
        if (equalsNoCase(d->fields[i].name, name)) return static_cast<int>(i);
    return -1;
}

int DbfFile::fieldOffset(int index) const
{
    if (index < 0 || index >= static_cast<int>(d->offsets.size())) return -1;
    return d->offsets[static_cast<size_t>(index)];
}

int DbfFile::recordLength() const { return d->recordLength; }
int DbfFile::headerLength() const { return d->headerLength; }
bool DbfFile::hasMemo() const { return d->hasMemo; }

uint32_t DbfFile::recordCount()
{
    Impl::AppendLock lock(*d, F_RDLCK);
    return d->currentCount();
}

bool DbfFile::tornTail()
{
    Impl::AppendLock lock(*d, F_RDLCK);
    off_t sz = d->size(d->fd.get(), d->path);
    uint32_t whole = d->countFromSize(sz);
    off_t rest = sz - d->headerLength - static_cast<off_t>(whole) * d->recordLength;
    bool cleanTail = rest == 0;
    if (rest == 1) {
        char last = 0;
        if (os::preadAll(d->fd.get(), &last, 1, sz - 1) != 1) throw Error::fromErrno(errno, EG_READ, d->path, "read");
        cleanTail = last == kEofMarker;
    }
    unsigned char c[4];
    if (os::preadAll(d->fd.get(), c, 4, 4) != 4) throw Error::fromErrno(errno, EG_READ, d->path, "read");
    return !cleanTail || getU32(c) != whole;
}

bool DbfFile::settleHeader()
{
    if (d->readOnly) return false;
    Impl::AppendLock lock(*d, F_WRLCK);
    const off_t sz = d->size(d->fd.get(), d->path);
    const uint32_t whole = d->countFromSize(sz);
    const off_t rest = sz - d->headerLength - static_cast<off_t>(whole) * d->recordLength;
    if (rest > 1) return false;
    if (rest == 1) {
        char last = 0;
        if (os::preadAll(d->fd.get(), &last, 1, sz - 1) != 1) throw Error::fromErrno(errno, EG_READ, d->path, "read");
        if (last != kEofMarker) return false;
    }
    unsigned char c[4];
    if (os::preadAll(d->fd.get(), c, 4, 4) != 4) throw Error::fromErrno(errno, EG_READ, d->path, "read");
    if (getU32(c) == whole) return false;
    d->writeHeaderCount(whole);
    if (int e = os::dataSync(d->fd.get()); e != 0) throw Error::fromErrno(e, EG_WRITE, d->path, "commit");
    return true;
}

bool DbfFile::read(uint32_t recno, std::string& buffer)
{
    if (recno == 0) return false;
    buffer.resize(static_cast<size_t>(d->recordLength));
    ssize_t r = os::preadAll(d->fd.get(), buffer.data(), buffer.size(), d->recordOffset(recno));
    if (r < 0) throw Error::fromErrno(errno, EG_READ, d->path, "read");
    return r == d->recordLength;
}

uint32_t DbfFile::readBlock(uint32_t first, uint32_t maxCount, std::string& out)
{
    if (first == 0 || maxCount == 0) return 0;
    out.resize(static_cast<size_t>(d->recordLength) * maxCount);
    ssize_t r = os::preadAll(d->fd.get(), out.data(), out.size(), d->recordOffset(first));
    if (r < 0) throw Error::fromErrno(errno, EG_READ, d->path, "read");
    uint32_t n = static_cast<uint32_t>(r / d->recordLength);
    out.resize(static_cast<size_t>(n) * static_cast<size_t>(d->recordLength));
    return n;
}

void DbfFile::write(uint32_t recno, const std::string& buffer)
{
    d->checkWritable("write");
    d->checkBuffer(buffer, "write");
    // A record this cursor holds locked (or just appended) exists: no need to ask the file.
    bool held = !d->tableLock && std::find(d->recordLocks.begin(), d->recordLocks.end(), recno) != d->recordLocks.end();
    if (recno == 0 || (!held && recno > d->currentCount()))
        throw argError(d->path, "Record number past the end of the table", "write");
    d->touchDate();
    if (!os::pwriteAll(d->fd.get(), buffer.data(), buffer.size(), d->recordOffset(recno)))
        throw Error::fromErrno(errno, EG_WRITE, d->path, "write");
    d->dbfDirty = true;
}

uint32_t DbfFile::append(const std::string& buffer) { return append(buffer, false); }

uint32_t DbfFile::append(const std::string& buffer, bool keepTableLock)
{
    d->checkWritable("append");
    d->checkBuffer(buffer, "append");
    Impl::AppendLock lock(*d, F_WRLCK);
    uint32_t count = d->currentCount();
    if (count >= static_cast<uint32_t>(kTableLockLen) - 1)
        throw Error(EG_WRITE, 0, OS_DISK_FULL, kSubsystem, "Table full", d->path, "append");
    uint32_t recno = count + 1;
    const bool keep = keepTableLock && d->tableLock;
    if (!keep) d->releaseLocks();
    if (!d->solo() && !keep) {
        int e = os::ofdLock(d->fd.get(), F_WRLCK, kLockBase + recno, 1, false);
        if (isConflict(e)) return 0;
        if (e != 0) throw Error::fromErrno(e, EG_APPENDLOCK, d->path, "append");
    }
    if (!keep) d->recordLocks.push_back(recno);
    // Record and end-of-file marker in one write: a torn write leaves at most a partial record,
    // which the count ignores and the next append overwrites.
    d->scratch.assign(buffer);
    d->scratch.push_back(kEofMarker);
    if (!os::pwriteAll(d->fd.get(), d->scratch.data(), d->scratch.size(), d->recordOffset(recno))) {
        int err = errno;
        d->releaseLocks();
        throw Error::fromErrno(err, EG_WRITE, d->path, "append");
    }
    if (d->solo()) d->soloCount = recno;
    if (d->bulk) d->headerPending = true;
    else d->writeHeaderCount(recno);
    d->dbfDirty = true;
    return recno;
}

void DbfFile::setBulk(bool bulk)
{
    bool wasBulk = d->bulk;
    d->bulk = bulk;
    if (wasBulk && !bulk) d->syncFiles(false);
}

void DbfFile::commit()
{
    if (!d->bulk) d->syncFiles(false);
}

void DbfFile::sync() { d->syncFiles(true); }

bool DbfFile::tryLockRecord(uint32_t recno)
{
    if (recno == 0 || static_cast<off_t>(recno) > kTableLockLen) return false;
    if (d->solo()) {
        d->tableLock = false;
        d->recordLocks.assign(1, recno);
        return true;
    }
    int f = d->fd.get();
    off_t byte = kLockBase + recno;
    if (d->tableLock) {
        // The table lock already covers the record byte: keep it and give back the rest, so the
        // record is never unprotected in between.
        os::ofdLock(f, d->lockType(), byte, 1, false);
        if (recno > 1) os::ofdLock(f, F_UNLCK, kLockBase + 1, recno - 1, false);
        os::ofdLock(f, F_UNLCK, byte + 1, 0, false);
        d->tableLock = false;
        d->recordLocks.assign(1, recno);
        return true;
    }
    bool held = false;
    for (uint32_t r : d->recordLocks) {
        if (r == recno) held = true;
        else os::ofdLock(f, F_UNLCK, kLockBase + r, 1, false);
    }
    d->recordLocks.clear();
    if (held) {
        d->recordLocks.push_back(recno);
        return true;
    }
    int e = os::ofdLock(f, d->lockType(), byte, 1, false);
    if (e == 0) {
        d->recordLocks.push_back(recno);
        return true;
    }
    if (isConflict(e)) return false;
    throw Error::fromErrno(e, EG_LOCK, d->path, "lock");
}

bool DbfFile::tryLockTable()
{
    if (d->tableLock) return true;
    d->releaseLocks();
    if (d->solo()) {
        d->tableLock = true;
        return true;
    }
    int e = os::ofdLock(d->fd.get(), d->lockType(), kLockBase + 1, kTableLockLen, false);
    if (e == 0) {
        d->tableLock = true;
        return true;
    }
    if (isConflict(e)) return false;
    throw Error::fromErrno(e, EG_LOCK, d->path, "lock");
}

void DbfFile::unlockAll() { d->releaseLocks(); }

bool DbfFile::holdsRecordLock(uint32_t recno) const
{
    if (d->tableLock) return false;
    return std::find(d->recordLocks.begin(), d->recordLocks.end(), recno) != d->recordLocks.end();
}

bool DbfFile::holdsTableLock() const { return d->tableLock; }

void DbfFile::blank(std::string& buffer) const { buffer.assign(static_cast<size_t>(d->recordLength), ' '); }

std::string_view DbfFile::raw(const std::string& buffer, int field) const
{
    const FieldDef& f = d->field(buffer, field, "raw");
    return std::string_view(buffer).substr(static_cast<size_t>(d->offsets[static_cast<size_t>(field)]),
                                           static_cast<size_t>(f.width));
}

std::string DbfFile::getString(const std::string& buffer, int field) const { return std::string(raw(buffer, field)); }

Decimal DbfFile::getNumber(const std::string& buffer, int field) const
{
    return Decimal::parseOrZero(raw(buffer, field));
}

Date DbfFile::getDate(const std::string& buffer, int field) const { return Date::fromDtos(raw(buffer, field)); }

bool DbfFile::getLogical(const std::string& buffer, int field) const
{
    char c = raw(buffer, field)[0];
    return c == 'T' || c == 't' || c == 'Y' || c == 'y';
}

std::string DbfFile::getMemo(const std::string& buffer, int field)
{
    std::string_view t = raw(buffer, field);
    size_t b = t.find_first_not_of(' ');
    if (b == std::string_view::npos) return {};
    size_t e = t.find_last_not_of(' ');
    t = t.substr(b, e - b + 1);
    if (t.size() > 10) return {};
    uint64_t block = 0;
    for (char c : t) {
        if (c < '0' || c > '9') return {}; // not a block number: no memo
        block = block * 10 + static_cast<uint64_t>(c - '0');
    }
    return d->readMemo(block);
}

void DbfFile::putString(std::string& buffer, int field, std::string_view text) const
{
    d->field(buffer, field, "put");
    d->place(buffer, field, text);
}

bool DbfFile::putNumber(std::string& buffer, int field, const Decimal& value) const
{
    const FieldDef& f = d->field(buffer, field, "put");
    int dec = std::clamp(f.decimals, 0, 255);
    int shown = std::min(dec, Decimal::kDigits);
    std::string s = value.round(shown).toString(shown);
    if (dec > shown) s.append(static_cast<size_t>(dec - shown), '0');
    char* p = buffer.data() + d->offsets[static_cast<size_t>(field)];
    size_t width = static_cast<size_t>(f.width);
    if (s.size() > width) {
        std::memset(p, '*', width);
        return false;
    }
    std::memset(p, ' ', width - s.size());
    std::memcpy(p + (width - s.size()), s.data(), s.size());
    return true;
}

void DbfFile::putDate(std::string& buffer, int field, const Date& value) const
{
    d->field(buffer, field, "put");
    d->place(buffer, field, value.dtos());
}

void DbfFile::putLogical(std::string& buffer, int field, bool value) const
{
    d->field(buffer, field, "put");
    d->place(buffer, field, value ? "T" : "F");
}

void DbfFile::putMemo(std::string& buffer, int field, std::string_view text)
{
    const FieldDef& f = d->field(buffer, field, "putmemo");
    if (text.empty()) {
        d->place(buffer, field, "");
        return;
    }
    d->checkWritable("putmemo");
    if (f.type != 'M' || !d->memoFd.valid()) throw argError(d->path, "Field " + f.name + " is not a memo", "putmemo");
    uint32_t block = d->writeMemo(text);
    std::string num = std::to_string(block);
    size_t width = static_cast<size_t>(f.width);
    if (num.size() > width) throw argError(d->path, "Memo block number does not fit field " + f.name, "putmemo");
    d->place(buffer, field, std::string(width - num.size(), ' ') + num);
}

void DbfFile::putRaw(std::string& buffer, int field, std::string_view text) const
{
    d->field(buffer, field, "put");
    d->place(buffer, field, text);
}

void DbfFile::zap()
{
    d->checkWritable("zap");
    if (d->mode != OpenMode::Exclusive)
        throw Error(EG_WRITE, 0, OS_SHARING_VIOLATION, kSubsystem, "Exclusive use required", d->path, "zap");
    Impl::AppendLock lock(*d, F_WRLCK);
    d->releaseLocks();
    if (int e = os::truncateFile(d->fd.get(), d->headerLength); e != 0)
        throw Error::fromErrno(e, EG_WRITE, d->path, "zap");
    char eof = kEofMarker;
    if (!os::pwriteAll(d->fd.get(), &eof, 1, d->headerLength)) throw Error::fromErrno(errno, EG_WRITE, d->path, "zap");
    d->soloCount = 0;
    d->headerPending = false;
    d->writeHeaderCount(0);
    d->dbfDirty = true;
    if (d->memoFd.valid()) {
        if (int e = os::truncateFile(d->memoFd.get(), kMemoBlock); e != 0)
            throw Error::fromErrno(e, EG_WRITE, d->memoPath, "zap");
        unsigned char b0[4];
        putU32(b0, 1);
        if (!os::pwriteAll(d->memoFd.get(), b0, 4, 0)) throw Error::fromErrno(errno, EG_WRITE, d->memoPath, "zap");
        d->memoDirty = true;
    }
    d->syncFiles(false);
}

void forEachRecord(DbfFile& file, const std::function<bool(uint32_t, const std::string&)>& visit)
{
    const size_t len = static_cast<size_t>(file.recordLength());
    const uint32_t per = std::max<uint32_t>(1, static_cast<uint32_t>(256 * 1024 / len));
    const uint32_t last = file.recordCount();
    std::string block, record;
    for (uint32_t first = 1; first <= last;) {
        uint32_t got = file.readBlock(first, std::min(per, last - first + 1), block);
        if (got == 0) break;
        for (uint32_t i = 0; i < got; ++i) {
            record.assign(block, i * len, len);
            if (!visit(first + i, record)) return;
        }
        first += got;
    }
}

} // namespace arv::store
