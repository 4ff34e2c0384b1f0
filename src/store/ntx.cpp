// Clipper-style .NTX index files.
//
// File layout (little-endian):
//   header, 1024 bytes: u16 signature (6, 7 with a FOR condition), u16 version (bumped by every
//   change), u32 root page offset, u32 head of the free-page list, u16 item size (key size + 8),
//   u16 key size, u16 key decimals, u16 maximum items per page, u16 half page, key expression
//   (256 bytes at 22), unique flag at 278, descending flag at 280, FOR expression (256 bytes at
//   282), tag name (12 bytes at 538).
//   pages, 1024 bytes each: u16 key count, (max items + 1) u16 offsets of the item slots in the
//   page, then the slots: u32 child page offset (0 in a leaf), u32 record number, key bytes.
//   The slot named by offset[count] holds only the right-most child pointer. Keys of branch
//   pages are not repeated in the leaves.
//
// Free pages are chained from the header: a freed page is written with a key count of 0 and
// the offset of the next free page (0 at the end of the chain) in the child field of the slot
// named by its first offset. Pages are always written in the plain layout (offset[i] points at
// slot i); pages of other writers may order their slots in any way.
//
// Each change is written new pages first, then the changed pages from the leaves up, then the
// freed pages and last the header, so that a page is on disk before anything points to it.
//
// The page cache holds decoded pages; it is trusted only while the header's version, root and
// free list are the ones seen at the previous operation.
#include "store/ntx.h"

#include "common/error.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace arv::store {

namespace {

constexpr uint32_t kPageSize = 1024;
constexpr uint32_t kHeaderSize = 1024;
constexpr off_t kLockByte = 1000000000;
constexpr int kMaxDepth = 40;                 // far beyond any real tree (fan-out is at least 3)
constexpr size_t kCacheLimit = 65536;         // decoded pages kept (64 MB of file)
constexpr size_t kBulkReadLimit = 64u << 20;   // a walk reads files up to this size at once
constexpr size_t kKeptWalkPages = 4096;        // a walk over a larger file keeps no pages decoded
constexpr size_t kMaxFaults = 100;

constexpr size_t H_SIGNATURE = 0;
constexpr size_t H_VERSION = 2;
constexpr size_t H_ROOT = 4;
constexpr size_t H_FREE = 8;
constexpr size_t H_ITEMSIZE = 12;
constexpr size_t H_KEYSIZE = 14;
constexpr size_t H_KEYDEC = 16;
constexpr size_t H_MAXITEMS = 18;
constexpr size_t H_HALFPAGE = 20;
constexpr size_t H_KEYEXPR = 22;
constexpr size_t H_UNIQUE = 278;
constexpr size_t H_DESCEND = 280;
constexpr size_t H_FOREXPR = 282;
constexpr size_t H_TAGNAME = 538;
constexpr size_t kExprSize = 256;
constexpr size_t kTagSize = 12;

constexpr uint16_t kSignature = 6;
constexpr uint16_t kSignatureFor = 7;

uint16_t rd16(const unsigned char* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t rd32(const unsigned char* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
void wr16(unsigned char* p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
void wr32(unsigned char* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

int maxItemsFor(int keySize)
{
    int m = 1022 / (keySize + 10) - 1;
    if (m > 2 && (m % 2) != 0) --m;
    return m;
}

// Reads up to n bytes; answers the count read (less than n only at the end of the file).
size_t preadFull(int fd, void* buf, size_t n, off_t off, const std::string& path)
{
    size_t done = 0;
    while (done < n) {
        ssize_t r = ::pread(fd, static_cast<char*>(buf) + done, n - done, off + off_t(done));
        if (r < 0) {
            if (errno == EINTR) continue;
            throw Error::fromErrno(errno, EG_READ, path, "read");
        }
        if (r == 0) break;
        done += size_t(r);
    }
    return done;
}

void pwriteFull(int fd, const void* buf, size_t n, off_t off, const std::string& path)
{
    size_t done = 0;
    while (done < n) {
        ssize_t r = ::pwrite(fd, static_cast<const char*>(buf) + done, n - done, off + off_t(done));
        if (r < 0) {
            if (errno == EINTR) continue;
            throw Error::fromErrno(errno, EG_WRITE, path, "write");
        }
        done += size_t(r);
    }
}

std::string hexOffset(uint32_t off)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", off);
    return buf;
}

Error argError(const std::string& path, const std::string& what)
{
    return Error(EG_ARG, SUB_NONE, OS_NONE, "DBFNTX", what, path, "index");
}

bool validChildOffset(uint32_t off) { return off == 0 || (off >= kPageSize && off % kPageSize == 0); }

// Writes the plain page layout: count, offsets of slots in order, zeroed slots.
struct PageFormat {
    int maxItems = 0;
    int keySize = 0;
    int itemSize = 0;
    int firstSlot() const { return 2 + 2 * (maxItems + 1); }

    void begin(unsigned char* pg, int n) const
    {
        std::memset(pg, 0, kPageSize);
        wr16(pg, uint16_t(n));
        for (int i = 0; i <= maxItems; ++i) wr16(pg + 2 + 2 * i, uint16_t(firstSlot() + i * itemSize));
    }
    void item(unsigned char* pg, int i, uint32_t child, uint32_t recno, const char* key) const
    {
        unsigned char* s = pg + firstSlot() + i * itemSize;
        wr32(s, child);
        wr32(s + 4, recno);
        if (key) std::memcpy(s + 8, key, size_t(keySize));
    }
};

struct Page {
    uint32_t off = 0;
    int n = 0;
    std::vector<uint32_t> child; // n + 1: child[i] is left of item i, child[n] the right-most
    std::vector<uint32_t> rec;   // n
    std::vector<char> keys;      // n * key size
    std::vector<uint64_t> pfx;   // n: first 8 key bytes, big-endian, for quick comparisons
    bool leaf() const { return child[0] == 0; }
};

// The first bytes of a key (at most 8, zero-filled) as a number that orders like the bytes.
uint64_t keyPrefix(const char* k, size_t len)
{
    if (len >= 8) {
        uint64_t v;
        std::memcpy(&v, k, 8);
        if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap64(v);
        return v;
    }
    uint64_t v = 0;
    for (size_t i = 0; i < 8; ++i) v = (v << 8) | (i < len ? uint64_t(static_cast<unsigned char>(k[i])) : 0);
    return v;
}

// A key (or the leading part of one) to look for.
struct Probe {
    const char* key;
    size_t len;
    uint64_t pfx;
    uint64_t mask;
    Probe(const char* k, size_t l)
        : key(k), len(l), pfx(keyPrefix(k, l)),
          mask(l >= 8 ? ~uint64_t(0) : (l == 0 ? 0 : ~uint64_t(0) << (64 - 8 * l)))
    {
    }
};

std::string fieldText(const unsigned char* p, size_t size)
{
    size_t len = 0;
    while (len < size && p[len] != 0) ++len;
    return std::string(reinterpret_cast<const char*>(p), len);
}

} // namespace

class NtxIndex::Impl {
public:
    std::string path;
    int fd = -1;
    bool readOnly = false;
    NtxInfo info;
    int ks = 0;
    PageFormat fmt;
    int maxItems = 0;
    int minKeys = 1;

    // Header state as seen at the last operation.
    bool headerKnown = false;
    uint16_t version = 0;
    uint32_t root = 0;
    uint32_t freeHead = 0;

    std::vector<std::unique_ptr<Page>> cache; // by page number (offset / 1024)
    size_t cached = 0;
    // The whole file read at once for a walk over every page (empty otherwise).
    std::vector<unsigned char> bulk;

    int lockDepth = 0;
    bool writeLocked = false;

    // State of the change in progress.
    std::vector<uint32_t> created;
    std::vector<uint32_t> dirty;
    std::vector<std::pair<uint32_t, uint32_t>> freed; // page, next free page
    uint64_t fileEnd = 0;                             // 0 until needed

    ~Impl()
    {
        if (fd >= 0) ::close(fd);
    }

    Error corrupt(const std::string& what) const { return Error::corrupt(path, what); }

    // ---- locking -------------------------------------------------------------------------

    void lockByte(short type)
    {
        struct flock fl;
        std::memset(&fl, 0, sizeof fl);
        fl.l_type = type;
        fl.l_whence = SEEK_SET;
        fl.l_start = kLockByte;
        fl.l_len = 1;
        fl.l_pid = 0;
        while (::fcntl(fd, F_OFD_SETLKW, &fl) == -1) {
            if (errno == EINTR) continue;
            throw Error::fromErrno(errno, EG_LOCK, path, "lock");
        }
    }
    void unlockByte() noexcept
    {
        struct flock fl;
        std::memset(&fl, 0, sizeof fl);
        fl.l_type = F_UNLCK;
        fl.l_whence = SEEK_SET;
        fl.l_start = kLockByte;
        fl.l_len = 1;
        while (::fcntl(fd, F_OFD_SETLK, &fl) == -1 && errno == EINTR) {
        }
    }

    void begin(bool write)
    {
        if (lockDepth > 0) {
            if (write && !writeLocked)
                throw Error(EG_INTERNAL, SUB_NONE, OS_NONE, "DBFNTX", "Index changed during a scan or read batch", path,
                            "write");
            ++lockDepth;
            return;
        }
        if (write && readOnly)
            throw Error(EG_WRITE, SUB_NONE, OS_ACCESS_DENIED, "DBFNTX", "Index opened read-only", path,
                        "write");
        lockByte(write ? F_WRLCK : F_RDLCK);
        lockDepth = 1;
        writeLocked = write;
        try {
            refreshHeader();
        } catch (...) {
            lockDepth = 0;
            unlockByte();
            throw;
        }
    }
    void end() noexcept
    {
        if (--lockDepth == 0) unlockByte();
    }

    struct Guard {
        Impl& d;
        Guard(Impl& impl, bool write) : d(impl) { d.begin(write); }
        ~Guard() { d.end(); }
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;
    };

    void dropCache()
    {
        cache.clear();
        cached = 0;
    }

    void refreshHeader()
    {
        unsigned char h[12];
        if (preadFull(fd, h, sizeof h, 0, path) < sizeof h) throw corrupt("truncated header");
        uint16_t sig = rd16(h + H_SIGNATURE);
        if (sig != kSignature && sig != kSignatureFor) throw corrupt("bad signature " + std::to_string(sig));
        uint16_t v = rd16(h + H_VERSION);
        uint32_t r = rd32(h + H_ROOT);
        uint32_t f = rd32(h + H_FREE);
        if (r < kPageSize || r % kPageSize != 0) throw corrupt("root page offset " + hexOffset(r) + " is invalid");
        if (!validChildOffset(f)) throw corrupt("free list offset " + hexOffset(f) + " is invalid");
        if (!headerKnown || v != version || r != root || f != freeHead || cached > kCacheLimit) dropCache();
        headerKnown = true;
        version = v;
        root = r;
        freeHead = f;
    }

    // ---- pages ---------------------------------------------------------------------------

    const char* key(const Page* p, int i) const { return p->keys.data() + size_t(i) * size_t(ks); }

    // Decodes and checks one raw page; false with the reason when it is damaged.
    bool decode(const unsigned char* raw, uint32_t off, Page& p, std::string& why) const
    {
        int n = rd16(raw);
        if (n > maxItems) {
            why = "page " + hexOffset(off) + " holds " + std::to_string(n) + " keys (at most " +
                  std::to_string(maxItems) + ")";
            return false;
        }
        p.off = off;
        p.n = n;
        p.child.resize(size_t(n) + 1);
        p.rec.resize(size_t(n));
        p.keys.resize(size_t(n) * size_t(ks));
        const int first = fmt.firstSlot();
        for (int i = 0; i <= n; ++i) {
            int o = rd16(raw + 2 + 2 * i);
            if (o < first || o + fmt.itemSize > int(kPageSize)) {
                why = "page " + hexOffset(off) + " item " + std::to_string(i) + " lies outside the page";
                return false;
            }
            uint32_t c = rd32(raw + o);
            if (!validChildOffset(c) || c == off) {
                why = "page " + hexOffset(off) + " has an invalid child offset " + hexOffset(c);
                return false;
            }
            p.child[size_t(i)] = c;
            if (i < n) {
                p.rec[size_t(i)] = rd32(raw + o + 4);
                std::memcpy(p.keys.data() + size_t(i) * size_t(ks), raw + o + 8, size_t(ks));
            }
        }
        rebuildPrefix(p);
        const bool isLeaf = p.child[0] == 0;
        for (int i = 1; i <= n; ++i) {
            if ((p.child[size_t(i)] == 0) != isLeaf) {
                why = "page " + hexOffset(off) + " mixes leaf and branch items";
                return false;
            }
        }
        return true;
    }

    void rebuildPrefix(Page& p) const
    {
        p.pfx.resize(size_t(p.n));
        for (int i = 0; i < p.n; ++i) p.pfx[size_t(i)] = keyPrefix(key(&p, i), size_t(ks));
    }

    void encode(const Page& p, unsigned char* pg) const
    {
        fmt.begin(pg, p.n);
        for (int i = 0; i < p.n; ++i) fmt.item(pg, i, p.child[size_t(i)], p.rec[size_t(i)], key(&p, i));
        fmt.item(pg, p.n, p.child[size_t(p.n)], 0, nullptr);
    }

    // A page for one look, decoded into INTO unless it is in the cache: a walk over every page
    // does not fill the cache with pages it will not need again.
    const Page* pageInto(uint32_t off, Page& into)
    {
        if (const Page* p = cachedPage(off)) return p;
        unsigned char own[kPageSize];
        std::string why;
        if (!decode(rawPage(off, own), off, into, why)) throw corrupt(why);
        return &into;
    }

    // The page at OFF when it is decoded already.
    Page* cachedPage(uint32_t off)
    {
        if (off < kPageSize || off % kPageSize != 0) throw corrupt("page offset " + hexOffset(off) + " is invalid");
        const size_t idx = off / kPageSize;
        return idx < cache.size() && cache[idx] ? cache[idx].get() : nullptr;
    }

    // The bytes of the page at OFF: from the whole file when it is in memory, else read into OWN.
    const unsigned char* rawPage(uint32_t off, unsigned char* own)
    {
        if (size_t(off) + kPageSize <= bulk.size()) return bulk.data() + off;
        if (preadFull(fd, own, kPageSize, off_t(off), path) < kPageSize)
            throw corrupt("page " + hexOffset(off) + " lies outside the file");
        return own;
    }

    // For a walk over every page: the whole file in memory (when it is not too large and not
    // mostly cached), released when the returned guard ends.
    auto readWhole()
    {
        struct stat st {};
        // Not when most pages are decoded already.
        if (::fstat(fd, &st) == 0 && st.st_size > off_t(kPageSize) && st.st_size <= off_t(kBulkReadLimit) &&
            cached < size_t(st.st_size) / kPageSize / 2) {
            bulk.resize(size_t(st.st_size));
            bulk.resize(preadFull(fd, bulk.data(), bulk.size(), 0, path));
        }
        struct Release {
            std::vector<unsigned char>& b;
            bool large; // too many pages to keep: each is decoded for the moment it is looked at
            ~Release() { std::vector<unsigned char>().swap(b); }
        };
        return Release{bulk, st.st_size > off_t(kKeptWalkPages * kPageSize)};
    }

    Page* page(uint32_t off)
    {
        if (Page* known = cachedPage(off)) return known;
        const size_t idx = off / kPageSize;
        unsigned char own[kPageSize];
        const unsigned char* raw = rawPage(off, own);
        auto p = std::make_unique<Page>();
        std::string why;
        if (!decode(raw, off, *p, why)) throw corrupt(why);
        if (idx >= cache.size()) cache.resize(idx + 1);
        cache[idx] = std::move(p);
        ++cached;
        return cache[idx].get();
    }

    // ---- ordering ------------------------------------------------------------------------

    int cmpKey(const char* a, const char* b, size_t len) const
    {
        int c = std::memcmp(a, b, len);
        return info.descending ? -c : c;
    }
    int cmpEntry(const char* ka, uint32_t ra, const char* kb, uint32_t rb) const
    {
        int c = cmpKey(ka, kb, size_t(ks));
        if (c != 0) return c;
        return ra < rb ? -1 : (ra > rb ? 1 : 0);
    }

    // Item i of the page against the probe, on the probe's length, in index order.
    int cmpProbe(const Page* p, int i, const Probe& pr) const
    {
        const uint64_t a = p->pfx[size_t(i)] & pr.mask;
        int c;
        if (a != pr.pfx) c = a < pr.pfx ? -1 : 1;
        else if (pr.len <= 8) return 0;
        else c = std::memcmp(key(p, i) + 8, pr.key + 8, pr.len - 8);
        return info.descending ? -c : c;
    }
    int cmpProbeEntry(const Page* p, int i, const Probe& pr, uint32_t r) const
    {
        int c = cmpProbe(p, i, pr);
        if (c != 0) return c;
        const uint32_t pr2 = p->rec[size_t(i)];
        return pr2 < r ? -1 : (pr2 > r ? 1 : 0);
    }

    NtxEntry entry(const Page* p, int i) const
    {
        return NtxEntry{std::string(key(p, i), size_t(ks)), p->rec[size_t(i)]};
    }

    // First entry for which pred holds; pred must be false for a prefix of the order and true
    // for the rest.
    template <class Pred>
    bool firstWhere(uint32_t off, const Pred& pred, int depth, NtxEntry& out)
    {
        if (depth > kMaxDepth) throw corrupt("tree deeper than " + std::to_string(kMaxDepth) + " levels");
        Page* p = page(off);
        int lo = 0, hi = p->n;
        while (lo < hi) {
            int mid = (lo + hi) / 2;
            if (pred(p, mid)) hi = mid;
            else lo = mid + 1;
        }
        if (!p->leaf() && firstWhere(p->child[size_t(lo)], pred, depth + 1, out)) return true;
        if (lo < p->n) {
            out = entry(p, lo);
            return true;
        }
        return false;
    }

    // Last entry for which pred holds; pred must be true for a prefix of the order.
    template <class Pred>
    bool lastWhere(uint32_t off, const Pred& pred, int depth, NtxEntry& out)
    {
        if (depth > kMaxDepth) throw corrupt("tree deeper than " + std::to_string(kMaxDepth) + " levels");
        Page* p = page(off);
        int lo = 0, hi = p->n; // lo = number of items for which pred holds
        while (lo < hi) {
            int mid = (lo + hi) / 2;
            if (pred(p, mid)) lo = mid + 1;
            else hi = mid;
        }
        if (!p->leaf() && lastWhere(p->child[size_t(lo)], pred, depth + 1, out)) return true;
        if (lo > 0) {
            out = entry(p, lo - 1);
            return true;
        }
        return false;
    }

    template <class Pred>
    std::optional<NtxEntry> first(const Pred& pred)
    {
        NtxEntry e;
        if (firstWhere(root, pred, 0, e)) return e;
        return std::nullopt;
    }
    template <class Pred>
    std::optional<NtxEntry> last(const Pred& pred)
    {
        NtxEntry e;
        if (lastWhere(root, pred, 0, e)) return e;
        return std::nullopt;
    }

    // Index of the first item not before (key, recno).
    int lowerIndex(const Page* p, const Probe& pr, uint32_t r) const
    {
        int lo = 0, hi = p->n;
        while (lo < hi) {
            int mid = (lo + hi) / 2;
            if (cmpProbeEntry(p, mid, pr, r) >= 0) hi = mid;
            else lo = mid + 1;
        }
        return lo;
    }

    // Walks the pages under one lock; `seen` guards against pages reached twice.
    template <class PageVisit>
    bool walk(uint32_t off, int depth, std::vector<uint8_t>& seen, const PageVisit& visitItem, uint64_t& count,
              std::vector<Page>* scratch = nullptr)
    {
        if (depth > kMaxDepth) throw corrupt("tree deeper than " + std::to_string(kMaxDepth) + " levels");
        const Page* p = scratch ? pageInto(off, (*scratch)[size_t(depth)]) : page(off);
        size_t idx = off / kPageSize;
        if (idx >= seen.size()) seen.resize(std::max(idx + 1, seen.size() * 2));
        if (seen[idx]) throw corrupt("page " + hexOffset(off) + " is reached twice");
        seen[idx] = 1;
        count += uint64_t(p->n);
        for (int i = 0; i <= p->n; ++i) {
            if (!p->leaf() && !walk(p->child[size_t(i)], depth + 1, seen, visitItem, count, scratch)) return false;
            if (i < p->n && !visitItem(p, i)) return false;
        }
        return true;
    }

    // ---- changes -------------------------------------------------------------------------

    void checkKey(std::string_view k) const
    {
        if (k.size() != size_t(ks))
            throw argError(path, "key of " + std::to_string(k.size()) + " bytes for an index of " +
                                     std::to_string(ks));
    }

    void markDirty(const Page* p)
    {
        if (std::find(dirty.begin(), dirty.end(), p->off) == dirty.end()) dirty.push_back(p->off);
    }

    uint32_t allocOffset()
    {
        if (freeHead != 0) {
            uint32_t off = freeHead;
            for (auto it = freed.begin(); it != freed.end(); ++it) {
                if (it->first == off) {
                    freeHead = it->second;
                    freed.erase(it);
                    return off;
                }
            }
            unsigned char raw[kPageSize];
            if (preadFull(fd, raw, kPageSize, off_t(off), path) < kPageSize)
                throw corrupt("free page " + hexOffset(off) + " lies outside the file");
            int o = rd16(raw + 2);
            if (o < fmt.firstSlot() || o + fmt.itemSize > int(kPageSize))
                throw corrupt("free page " + hexOffset(off) + " is damaged");
            uint32_t next = rd32(raw + o);
            const size_t idx = off / kPageSize;
            if (!validChildOffset(next) || next == off || off == root || (idx < cache.size() && cache[idx]))
                throw corrupt("free list at " + hexOffset(off) + " is damaged");
            freeHead = next;
            return off;
        }
        if (fileEnd == 0) {
            struct stat st;
            if (::fstat(fd, &st) != 0) throw Error::fromErrno(errno, EG_READ, path, "stat");
            uint64_t size = uint64_t(st.st_size);
            if (size < kHeaderSize) size = kHeaderSize;
            fileEnd = (size + kPageSize - 1) / kPageSize * kPageSize;
        }
        if (fileEnd + kPageSize > 0xFFFFFFFFull)
            throw Error(EG_WRITE, SUB_NONE, OS_DISK_FULL, "DBFNTX", "Index file too large", path, "write");
        uint32_t off = uint32_t(fileEnd);
        fileEnd += kPageSize;
        return off;
    }

    Page* newPage()
    {
        uint32_t off = allocOffset();
        size_t idx = off / kPageSize;
        auto p = std::make_unique<Page>();
        p->off = off;
        p->n = 0;
        p->child.assign(1, 0);
        if (idx >= cache.size()) cache.resize(idx + 1);
        if (!cache[idx]) ++cached;
        cache[idx] = std::move(p);
        created.push_back(off);
        return cache[idx].get();
    }

    void freePage(Page* p)
    {
        freed.emplace_back(p->off, freeHead);
        freeHead = p->off;
    }

    void insertItem(Page* p, int i, const char* k, uint32_t r, uint32_t leftChild)
    {
        p->keys.insert(p->keys.begin() + ptrdiff_t(i) * ks, k, k + ks);
        p->rec.insert(p->rec.begin() + i, r);
        p->child.insert(p->child.begin() + i, leftChild);
        ++p->n;
    }
    // Removes item i and the child to its right.
    void eraseItem(Page* p, int i)
    {
        p->keys.erase(p->keys.begin() + ptrdiff_t(i) * ks, p->keys.begin() + ptrdiff_t(i + 1) * ks);
        p->rec.erase(p->rec.begin() + i);
        p->child.erase(p->child.begin() + i + 1);
        --p->n;
    }
    void setItem(Page* p, int i, const char* k, uint32_t r)
    {
        std::memcpy(p->keys.data() + size_t(i) * size_t(ks), k, size_t(ks));
        p->rec[size_t(i)] = r;
    }

    // Splits an overfull page: the upper half goes to a new page, the middle item is returned.
    // When keys arrive in ascending order at the end of the index (new codes, new dates) the
    // old page keeps all but the last item, so that such pages stay full.
    Page* split(Page* p, std::string& midKey, uint32_t& midRec, bool atEnd)
    {
        Page* right = newPage();
        const int total = p->n;
        const int m = atEnd ? total - 2 : total / 2;
        midKey.assign(key(p, m), size_t(ks));
        midRec = p->rec[size_t(m)];
        right->n = total - m - 1;
        right->keys.assign(p->keys.begin() + ptrdiff_t(m + 1) * ks, p->keys.end());
        right->rec.assign(p->rec.begin() + m + 1, p->rec.end());
        right->child.assign(p->child.begin() + m + 1, p->child.end());
        p->n = m;
        p->keys.resize(size_t(m) * size_t(ks));
        p->rec.resize(size_t(m));
        p->child.resize(size_t(m) + 1);
        markDirty(p);
        return right;
    }

    void borrowFromLeft(Page* parent, int k, Page* left, Page* p)
    {
        insertItem(p, 0, key(parent, k), parent->rec[size_t(k)], left->child[size_t(left->n)]);
        setItem(parent, k, key(left, left->n - 1), left->rec[size_t(left->n - 1)]);
        left->keys.resize(size_t(left->n - 1) * size_t(ks));
        left->rec.pop_back();
        left->child.pop_back();
        --left->n;
        markDirty(left);
        markDirty(p);
        markDirty(parent);
    }

    void borrowFromRight(Page* parent, int k, Page* p, Page* right)
    {
        p->keys.insert(p->keys.end(), key(parent, k), key(parent, k) + ks);
        p->rec.push_back(parent->rec[size_t(k)]);
        p->child.push_back(right->child[0]);
        ++p->n;
        setItem(parent, k, key(right, 0), right->rec[0]);
        right->keys.erase(right->keys.begin(), right->keys.begin() + ks);
        right->rec.erase(right->rec.begin());
        right->child.erase(right->child.begin());
        --right->n;
        markDirty(right);
        markDirty(p);
        markDirty(parent);
    }

    // Joins right into left with the separator k of the parent; right is freed.
    void merge(Page* parent, int k, Page* left, Page* right)
    {
        left->keys.insert(left->keys.end(), key(parent, k), key(parent, k) + ks);
        left->rec.push_back(parent->rec[size_t(k)]);
        left->keys.insert(left->keys.end(), right->keys.begin(), right->keys.end());
        left->rec.insert(left->rec.end(), right->rec.begin(), right->rec.end());
        left->child.insert(left->child.end(), right->child.begin(), right->child.end());
        left->n += 1 + right->n;
        eraseItem(parent, k);
        freePage(right);
        markDirty(left);
        markDirty(parent);
    }

    struct Step {
        Page* p;
        int idx;
    };

    // Restores the fill of the pages along the path after a removal at path[level].
    void rebalance(Step* path, int level)
    {
        while (level > 0) {
            Page* p = path[level].p;
            if (p->n >= minKeys) break;
            Page* parent = path[level - 1].p;
            const int ci = path[level - 1].idx;
            Page* left = ci > 0 ? page(parent->child[size_t(ci - 1)]) : nullptr;
            Page* right = ci < parent->n ? page(parent->child[size_t(ci + 1)]) : nullptr;
            if ((left && left->leaf() != p->leaf()) || (right && right->leaf() != p->leaf()))
                throw corrupt("sibling pages of " + hexOffset(p->off) + " lie at different depths");
            if (left == p || right == p || (left && left == right))
                throw corrupt("page " + hexOffset(p->off) + " is referenced twice");
            if (left && left->n > minKeys) {
                borrowFromLeft(parent, ci - 1, left, p);
                break;
            }
            if (right && right->n > minKeys) {
                borrowFromRight(parent, ci, p, right);
                break;
            }
            if (left) merge(parent, ci - 1, left, p);
            else if (right) merge(parent, ci, p, right);
            else break;
            --level;
        }
        for (int guard = 0; guard < kMaxDepth; ++guard) {
            Page* r = page(root);
            if (r->n != 0 || r->leaf()) break;
            uint32_t c = r->child[0];
            freePage(r);
            root = c;
        }
    }

    bool isFreed(uint32_t off) const
    {
        for (const auto& f : freed)
            if (f.first == off) return true;
        return false;
    }

    void commit()
    {
        version = uint16_t(version + 1);
        unsigned char pg[kPageSize];
        bool written = false;
        auto writePage = [&](uint32_t off) {
            if (isFreed(off)) return;
            Page* p = cache[off / kPageSize].get();
            rebuildPrefix(*p);
            encode(*p, pg);
            pwriteFull(fd, pg, kPageSize, off_t(off), path);
            written = true;
        };
        try {
            // A change of several pages bumps the version first: should the writer die half-way,
            // every reader drops its cached pages instead of mixing them with the new ones.
            if (created.size() + dirty.size() + freed.size() > 1) {
                unsigned char v[2];
                wr16(v, version);
                pwriteFull(fd, v, sizeof v, off_t(H_VERSION), path);
            }
            for (uint32_t off : created) writePage(off);
            for (uint32_t off : dirty)
                if (std::find(created.begin(), created.end(), off) == created.end()) writePage(off);
            for (const auto& f : freed) {
                fmt.begin(pg, 0);
                fmt.item(pg, 0, f.second, 0, nullptr);
                pwriteFull(fd, pg, kPageSize, off_t(f.first), path);
                written = true;
            }
        } catch (...) {
            // Pages already rewritten in place: a new version at least makes every reader drop
            // its cached copies and see what the file now holds.
            if (written) {
                unsigned char v[2];
                wr16(v, version);
                (void)::pwrite(fd, v, sizeof v, off_t(H_VERSION));
            }
            throw;
        }
        unsigned char h[10];
        wr16(h, version);
        wr32(h + 2, root);
        wr32(h + 6, freeHead);
        pwriteFull(fd, h, sizeof h, off_t(H_VERSION), path);
        for (const auto& f : freed) {
            size_t idx = f.first / kPageSize;
            if (idx < cache.size() && cache[idx]) {
                cache[idx].reset();
                --cached;
            }
        }
        clearChange();
    }

    void clearChange()
    {
        created.clear();
        dirty.clear();
        freed.clear();
        fileEnd = 0;
    }

    // A failed change leaves the cache and header state unknown: both are read again.
    void abandon()
    {
        clearChange();
        dropCache();
        headerKnown = false;
    }

    bool insert(std::string_view k, uint32_t recno)
    {
        checkKey(k);
        const Probe probe(k.data(), size_t(ks));
        Guard g(*this, true);
        try {
            if (info.unique) {
                auto found = first([&](const Page* q, int i) { return cmpProbe(q, i, probe) >= 0; });
                if (found && std::memcmp(found->key.data(), k.data(), size_t(ks)) == 0) return false;
            }
            Step path[kMaxDepth + 1];
            int depth = 0;
            Page* p = page(root);
            for (;;) {
                int i = lowerIndex(p, probe, recno);
                if (i < p->n && p->rec[size_t(i)] == recno && std::memcmp(key(p, i), k.data(), size_t(ks)) == 0)
                    return false;
                if (depth > kMaxDepth) throw corrupt("tree deeper than " + std::to_string(kMaxDepth) + " levels");
                path[depth++] = {p, i};
                if (p->leaf()) break;
                p = page(p->child[size_t(i)]);
            }
            int level = depth - 1;
            bool atEnd = true;
            for (int l = 0; l < depth; ++l) atEnd = atEnd && path[l].idx == path[l].p->n;
            insertItem(path[level].p, path[level].idx, k.data(), recno, 0);
            markDirty(path[level].p);
            std::string midKey;
            uint32_t midRec = 0;
            while (path[level].p->n > maxItems) {
                Page* full = path[level].p;
                Page* right = split(full, midKey, midRec, atEnd);
                if (level == 0) {
                    Page* nr = newPage();
                    nr->child.assign(1, right->off);
                    insertItem(nr, 0, midKey.data(), midRec, full->off);
                    root = nr->off;
                    break;
                }
                Page* parent = path[level - 1].p;
                const int ci = path[level - 1].idx;
                insertItem(parent, ci, midKey.data(), midRec, full->off);
                parent->child[size_t(ci) + 1] = right->off;
                markDirty(parent);
                --level;
            }
            commit();
            return true;
        } catch (...) {
            abandon();
            throw;
        }
    }

    bool remove(std::string_view k, uint32_t recno)
    {
        checkKey(k);
        const Probe probe(k.data(), size_t(ks));
        Guard g(*this, true);
        try {
            Step path[2 * kMaxDepth + 2];
            int depth = 0;
            Page* p = page(root);
            int at = -1;
            for (;;) {
                int i = lowerIndex(p, probe, recno);
                if (depth > kMaxDepth) throw corrupt("tree deeper than " + std::to_string(kMaxDepth) + " levels");
                path[depth++] = {p, i};
                if (i < p->n && p->rec[size_t(i)] == recno && std::memcmp(key(p, i), k.data(), size_t(ks)) == 0) {
                    at = i;
                    break;
                }
                if (p->leaf()) return false;
                p = page(p->child[size_t(i)]);
            }
            int level = depth - 1;
            if (p->leaf()) {
                eraseItem(p, at);
                markDirty(p);
            } else {
                // Replace by the entry just before it, taken from the end of a leaf.
                Page* q = page(p->child[size_t(at)]);
                for (;;) {
                    if (depth > 2 * kMaxDepth) throw corrupt("tree deeper than " + std::to_string(kMaxDepth) + " levels");
                    path[depth++] = {q, q->n};
                    if (q->leaf()) break;
                    q = page(q->child[size_t(q->n)]);
                }
                if (q->n == 0) throw corrupt("leaf page " + hexOffset(q->off) + " is empty");
                setItem(p, at, key(q, q->n - 1), q->rec[size_t(q->n - 1)]);
                eraseItem(q, q->n - 1);
                markDirty(p);
                markDirty(q);
                level = depth - 1;
            }
            rebalance(path, level);
            commit();
            return true;
        } catch (...) {
            abandon();
            throw;
        }
    }

    // ---- verification --------------------------------------------------------------------

    struct VerifyState {
        std::vector<std::string> faults;
        std::vector<uint8_t> mark; // 0 unseen, 1 in the tree, 2 free
        uint32_t pages = 0;
        int leafDepth = -1;
        bool havePrev = false;
        std::string prevKey;
        uint32_t prevRec = 0;
        void fault(std::string s)
        {
            if (faults.size() < kMaxFaults) faults.push_back(std::move(s));
        }
    };

    bool offsetInFile(uint32_t off, const VerifyState& st) const
    {
        return off >= kPageSize && off % kPageSize == 0 && off / kPageSize <= st.pages;
    }

    void verifyPage(uint32_t off, int depth, bool isRoot, VerifyState& st)
    {
        if (depth > kMaxDepth) {
            st.fault("tree deeper than " + std::to_string(kMaxDepth) + " levels below " + hexOffset(off));
            return;
        }
        if (!offsetInFile(off, st)) {
            st.fault("page offset " + hexOffset(off) + " lies outside the file");
            return;
        }
        uint8_t& m = st.mark[off / kPageSize];
        if (m != 0) {
            st.fault("page " + hexOffset(off) + " is reached twice (cycle or shared page)");
            return;
        }
        m = 1;
        unsigned char raw[kPageSize];
        if (preadFull(fd, raw, kPageSize, off_t(off), path) < kPageSize) {
            st.fault("page " + hexOffset(off) + " is cut short");
            return;
        }
        Page p;
        std::string why;
        if (!decode(raw, off, p, why)) {
            st.fault(why);
            return;
        }
        if (p.n == 0 && !isRoot) st.fault("page " + hexOffset(off) + " is empty");
        if (p.n == 0 && isRoot && !p.leaf()) st.fault("root page " + hexOffset(off) + " has no keys");
        if (p.leaf()) {
            if (st.leafDepth < 0) st.leafDepth = depth;
            else if (st.leafDepth != depth)
                st.fault("leaf page " + hexOffset(off) + " lies at depth " + std::to_string(depth) + ", others at " +
                         std::to_string(st.leafDepth));
        }
        for (int i = 0; i <= p.n; ++i) {
            if (!p.leaf()) verifyPage(p.child[size_t(i)], depth + 1, false, st);
            if (i == p.n) break;
            const char* k = key(&p, i);
            const uint32_t r = p.rec[size_t(i)];
            if (st.havePrev) {
                int c = cmpEntry(st.prevKey.data(), st.prevRec, k, r);
                if (c >= 0)
                    st.fault("page " + hexOffset(off) + " item " + std::to_string(i) + " (record " +
                             std::to_string(r) + ") is out of order");
                else if (info.unique && std::memcmp(st.prevKey.data(), k, size_t(ks)) == 0)
                    st.fault("page " + hexOffset(off) + " item " + std::to_string(i) + " (record " +
                             std::to_string(r) + ") repeats a key of a unique index");
            }
            st.havePrev = true;
            st.prevKey.assign(k, size_t(ks));
            st.prevRec = r;
        }
    }

    std::vector<std::string> verify()
    {
        Guard g(*this, false);
        VerifyState st;
        struct stat sb;
        if (::fstat(fd, &sb) != 0) throw Error::fromErrno(errno, EG_READ, path, "stat");
        const uint64_t size = uint64_t(sb.st_size);
        if (size < kHeaderSize) {
            st.fault("file shorter than its header");
            return st.faults;
        }
        if ((size - kHeaderSize) % kPageSize != 0) st.fault("file size is not a whole number of pages");
        const uint64_t pages = (size - kHeaderSize) / kPageSize;
        st.pages = uint32_t(std::min<uint64_t>(pages, 0xFFFFFFFFull / kPageSize));
        st.mark.assign(size_t(st.pages) + 1, 0);
        verifyPage(root, 0, true, st);
        // Free list: inside the file, not in the tree, no cycle.
        uint32_t f = freeHead;
        for (uint64_t steps = 0; f != 0; ++steps) {
            if (!offsetInFile(f, st)) {
                st.fault("free page " + hexOffset(f) + " lies outside the file");
                break;
            }
            uint8_t& m = st.mark[f / kPageSize];
            if (m == 1) {
                st.fault("free page " + hexOffset(f) + " is also in the tree");
                break;
            }
            if (m == 2 || steps > st.pages) {
                st.fault("free list cycles at " + hexOffset(f));
                break;
            }
            m = 2;
            unsigned char raw[kPageSize];
            if (preadFull(fd, raw, kPageSize, off_t(f), path) < kPageSize) {
                st.fault("free page " + hexOffset(f) + " is cut short");
                break;
            }
            int o = rd16(raw + 2);
            if (o < fmt.firstSlot() || o + fmt.itemSize > int(kPageSize)) {
                st.fault("free page " + hexOffset(f) + " is damaged");
                break;
            }
            uint32_t next = rd32(raw + o);
            if (!validChildOffset(next)) {
                st.fault("free page " + hexOffset(f) + " links to an invalid offset " + hexOffset(next));
                break;
            }
            f = next;
        }
        uint64_t lost = 0;
        for (uint32_t i = 1; i <= st.pages; ++i)
            if (st.mark[i] == 0) ++lost;
        if (lost != 0) st.fault(std::to_string(lost) + " pages are neither in the tree nor in the free list");
        return st.faults;
    }
};

// ---- build -------------------------------------------------------------------------------------

namespace {

void checkInfo(const std::string& path, const NtxInfo& info)
{
    if (info.keySize < 1 || info.keySize > 256)
        throw argError(path, "key size " + std::to_string(info.keySize) + " out of range");
    if (info.keyDecimals < 0 || (info.keyDecimals > 0 && info.keyDecimals >= info.keySize))
        throw argError(path, "key decimals out of range");
    if (info.keyExpression.size() >= kExprSize || info.forExpression.size() >= kExprSize)
        throw argError(path, "index expression longer than 255 characters");
    if (info.keyExpression.find('\0') != std::string::npos || info.forExpression.find('\0') != std::string::npos)
        throw argError(path, "index expression holds a NUL byte");
    if (info.tagName.size() > 10) throw argError(path, "tag name longer than 10 characters");
}

void fillHeader(unsigned char* h, const NtxInfo& info, uint32_t root, uint16_t version)
{
    std::memset(h, 0, kHeaderSize);
    const int m = maxItemsFor(info.keySize);
    wr16(h + H_SIGNATURE, info.forExpression.empty() ? kSignature : kSignatureFor);
    wr16(h + H_VERSION, version);
    wr32(h + H_ROOT, root);
    wr32(h + H_FREE, 0);
    wr16(h + H_ITEMSIZE, uint16_t(info.keySize + 8));
    wr16(h + H_KEYSIZE, uint16_t(info.keySize));
    wr16(h + H_KEYDEC, uint16_t(info.keyDecimals));
    wr16(h + H_MAXITEMS, uint16_t(m));
    wr16(h + H_HALFPAGE, uint16_t(m / 2));
    std::memcpy(h + H_KEYEXPR, info.keyExpression.data(), info.keyExpression.size());
    h[H_UNIQUE] = info.unique ? 1 : 0;
    h[H_DESCEND] = info.descending ? 1 : 0;
    std::memcpy(h + H_FOREXPR, info.forExpression.data(), info.forExpression.size());
    std::memcpy(h + H_TAGNAME, info.tagName.data(), std::min(info.tagName.size(), kTagSize - 1));
}

struct SortRef {
    uint64_t prefix; // first 8 key bytes, big-endian (inverted for a descending index)
    const char* key;
    uint32_t rec;
};

// Least-significant-digit radix sort on the prefix, a byte per pass; passes where every
// entry has the same byte are skipped.
void radixSortByPrefix(std::vector<SortRef>& refs)
{
    if (refs.size() < 64) {
        std::sort(refs.begin(), refs.end(), [](const SortRef& a, const SortRef& b) { return a.prefix < b.prefix; });
        return;
    }
    std::vector<SortRef> tmp(refs.size());
    for (int shift = 0; shift < 64; shift += 8) {
        size_t counts[256] = {};
        for (const auto& r : refs) ++counts[(r.prefix >> shift) & 0xFF];
        if (counts[(refs[0].prefix >> shift) & 0xFF] == refs.size()) continue;
        size_t pos = 0;
        for (size_t& c : counts) {
            size_t n = c;
            c = pos;
            pos += n;
        }
        for (const auto& r : refs) tmp[counts[(r.prefix >> shift) & 0xFF]++] = r;
        refs.swap(tmp);
    }
}

// Lays the sorted entries out as a balanced tree, pages after their children.
struct TreeWriter {
    const std::vector<SortRef>& refs;
    PageFormat fmt;
    std::vector<uint64_t> cap; // cap[h]: most entries a tree of h levels holds
    std::vector<unsigned char> buf;

    uint32_t appendPage()
    {
        size_t off = buf.size();
        buf.resize(off + kPageSize);
        return uint32_t(off);
    }

    uint32_t emit(size_t lo, size_t n, size_t h)
    {
        if (h == 1) {
            uint32_t off = appendPage();
            unsigned char* pg = buf.data() + off;
            fmt.begin(pg, int(n));
            for (size_t i = 0; i < n; ++i) fmt.item(pg, int(i), 0, refs[lo + i].rec, refs[lo + i].key);
            return off;
        }
        const uint64_t sub = cap[h - 1];
        size_t c = size_t((n + 1 + sub) / (sub + 1));
        if (c < 2) c = 2;
        const size_t total = n - (c - 1);
        const size_t base = total / c, extra = total % c;
        std::vector<uint32_t> kids(c);
        std::vector<size_t> seps;
        seps.reserve(c);
        size_t pos = lo;
        for (size_t j = 0; j < c; ++j) {
            size_t sz = base + (j < extra ? 1 : 0);
            kids[j] = emit(pos, sz, h - 1);
            pos += sz;
            if (j + 1 < c) seps.push_back(pos++);
        }
        uint32_t off = appendPage();
        unsigned char* pg = buf.data() + off;
        fmt.begin(pg, int(c - 1));
        for (size_t j = 0; j + 1 < c; ++j) fmt.item(pg, int(j), kids[j], refs[seps[j]].rec, refs[seps[j]].key);
        fmt.item(pg, int(c - 1), kids[c - 1], 0, nullptr);
        return off;
    }
};

std::atomic<unsigned> tempCounter{0};

std::string directoryOf(const std::string& path)
{
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

} // namespace

void NtxIndex::build(const std::string& path, const NtxInfo& info, std::vector<NtxEntry> entries)
{
    checkInfo(path, info);
    const int ks = info.keySize;
    for (const auto& e : entries)
        if (e.key.size() != size_t(ks))
            throw argError(path, "key of " + std::to_string(e.key.size()) + " bytes for an index of " +
                                     std::to_string(ks));
    // Bytes every key shares at its start ("CLIENTE ...", a year) decide nothing: the sort
    // prefix is taken after them.
    size_t skip = entries.empty() ? 0 : size_t(ks);
    for (size_t i = 1; i < entries.size() && skip > 0; ++i) {
        const std::string& a = entries[0].key;
        const std::string& b = entries[i].key;
        size_t k = 0;
        while (k < skip && a[k] == b[k]) ++k;
        skip = k;
    }
    const size_t pfxLen = std::min<size_t>(8, size_t(ks) - skip);
    std::vector<SortRef> refs;
    refs.reserve(entries.size());
    for (const auto& e : entries) {
        uint64_t pfx = 0;
        for (size_t i = 0; i < 8; ++i)
            pfx = (pfx << 8) | (i < pfxLen ? uint64_t(static_cast<unsigned char>(e.key[skip + i])) : 0);
        if (info.descending) pfx = ~pfx;
        refs.push_back(SortRef{pfx, e.key.data(), e.recno});
    }
    const size_t restFrom = skip + pfxLen;
    const size_t restLen = size_t(ks) - restFrom;
    const bool desc = info.descending;
    auto keyCmp = [&](const SortRef& a, const SortRef& b) {
        if (a.prefix != b.prefix) return a.prefix < b.prefix ? -1 : 1;
        if (restLen == 0) return 0;
        int c = std::memcmp(a.key + restFrom, b.key + restFrom, restLen);
        return desc ? -c : c;
    };
    // Radix sort on the 8-byte prefixes, then runs of equal prefixes by the rest of the key.
    radixSortByPrefix(refs);
    auto entryLess = [&](const SortRef& a, const SortRef& b) {
        int c = keyCmp(a, b);
        if (c != 0) return c < 0;
        return a.rec < b.rec;
    };
    for (size_t i = 0; i < refs.size();) {
        size_t j = i + 1;
        while (j < refs.size() && refs[j].prefix == refs[i].prefix) ++j;
        if (j - i > 1) std::sort(refs.begin() + ptrdiff_t(i), refs.begin() + ptrdiff_t(j), entryLess);
        i = j;
    }
    if (info.unique) {
        refs.erase(std::unique(refs.begin(), refs.end(),
                               [&](const SortRef& a, const SortRef& b) { return keyCmp(a, b) == 0; }),
                   refs.end());
    } else {
        refs.erase(std::unique(refs.begin(), refs.end(),
                               [&](const SortRef& a, const SortRef& b) { return keyCmp(a, b) == 0 && a.rec == b.rec; }),
                   refs.end());
    }

    TreeWriter w{refs, PageFormat{maxItemsFor(ks), ks, ks + 8}, {}, {}};
    const uint64_t m = uint64_t(w.fmt.maxItems);
    w.cap.push_back(0);
    w.cap.push_back(m);
    while (w.cap.back() < refs.size()) w.cap.push_back(m + (m + 1) * w.cap.back());
    const size_t height = w.cap.size() - 1;
    const uint64_t perPage = std::max<uint64_t>(1, m / 2);
    w.buf.reserve(kHeaderSize + size_t((refs.size() / perPage + 2) * kPageSize));
    w.buf.resize(kHeaderSize);
    const uint32_t root = w.emit(0, refs.size(), height);
    fillHeader(w.buf.data(), info, root, 1);

    // Written whole under a temporary name (removed at start-up if left behind), then renamed.
    const std::string dir = directoryOf(path);
    std::string tmp;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        tmp = dir + "/\x7fNTX" + std::to_string(::getpid()) + "_" + std::to_string(tempCounter++) + ".TMP";
        fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && (errno != EEXIST || attempt > 100)) throw Error::fromErrno(errno, EG_CREATE, path, "create");
    }
    try {
        pwriteFull(fd, w.buf.data(), w.buf.size(), 0, path);
        if (::fdatasync(fd) != 0) throw Error::fromErrno(errno, EG_WRITE, path, "sync");
        if (::close(fd) != 0) {
            fd = -1;
            throw Error::fromErrno(errno, EG_WRITE, path, "close");
        }
        fd = -1;
        if (::rename(tmp.c_str(), path.c_str()) != 0) throw Error::fromErrno(errno, EG_CREATE, path, "rename");
    } catch (...) {
        if (fd >= 0) ::close(fd);
        ::unlink(tmp.c_str());
        throw;
    }
    int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

// ---- open and the public surface ---------------------------------------------------------------

NtxIndex::NtxIndex(std::unique_ptr<Impl> impl) : d(std::move(impl)) {}
NtxIndex::~NtxIndex() = default;

std::unique_ptr<NtxIndex> NtxIndex::open(const std::string& path, bool readOnly)
{
    auto impl = std::make_unique<Impl>();
    impl->path = path;
    impl->readOnly = readOnly;
    impl->fd = ::open(path.c_str(), (readOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC);
    if (impl->fd < 0) throw Error::fromErrno(errno, EG_OPEN, path, "open");

    unsigned char h[kHeaderSize];
    size_t got;
    impl->lockByte(F_RDLCK);
    try {
        got = preadFull(impl->fd, h, kHeaderSize, 0, path);
    } catch (...) {
        impl->unlockByte();
        throw;
    }
    impl->unlockByte();
    if (got < kHeaderSize) throw Error::corrupt(path, "truncated header");
    const uint16_t sig = rd16(h + H_SIGNATURE);
    if (sig != kSignature && sig != kSignatureFor) throw Error::corrupt(path, "bad signature " + std::to_string(sig));
    const int ks = rd16(h + H_KEYSIZE);
    const int itemSize = rd16(h + H_ITEMSIZE);
    const int m = rd16(h + H_MAXITEMS);
    if (ks < 1 || itemSize != ks + 8) throw Error::corrupt(path, "impossible key size " + std::to_string(ks));
    if (m < 2 || 2 + (m + 1) * (itemSize + 2) > int(kPageSize))
        throw Error::corrupt(path, "impossible page size " + std::to_string(m) + " for key size " + std::to_string(ks));
    const int dec = rd16(h + H_KEYDEC);
    if (dec > ks) throw Error::corrupt(path, "impossible key decimals " + std::to_string(dec));

    impl->ks = ks;
    impl->maxItems = m;
    impl->minKeys = std::max(1, m / 2);
    impl->fmt = PageFormat{m, ks, itemSize};
    impl->info.keySize = ks;
    impl->info.keyDecimals = dec;
    impl->info.keyExpression = fieldText(h + H_KEYEXPR, kExprSize);
    impl->info.forExpression = fieldText(h + H_FOREXPR, kExprSize);
    impl->info.tagName = fieldText(h + H_TAGNAME, kTagSize);
    impl->info.unique = h[H_UNIQUE] != 0;
    impl->info.descending = h[H_DESCEND] != 0;
    const uint32_t root = rd32(h + H_ROOT);
    const uint32_t freeHead = rd32(h + H_FREE);
    if (root < kPageSize || root % kPageSize != 0) throw Error::corrupt(path, "root page offset " + hexOffset(root) + " is invalid");
    if (!validChildOffset(freeHead)) throw Error::corrupt(path, "free list offset " + hexOffset(freeHead) + " is invalid");
    struct stat st;
    if (::fstat(impl->fd, &st) != 0) throw Error::fromErrno(errno, EG_OPEN, path, "stat");
    if (uint64_t(root) + kPageSize > uint64_t(st.st_size) || uint64_t(freeHead) + kPageSize > uint64_t(st.st_size))
        throw Error::corrupt(path, "root or free page lies outside the file");
    return std::unique_ptr<NtxIndex>(new NtxIndex(std::move(impl)));
}

const std::string& NtxIndex::path() const { return d->path; }
const NtxInfo& NtxIndex::info() const { return d->info; }

bool NtxIndex::insert(std::string_view key, uint32_t recno) { return d->insert(key, recno); }
bool NtxIndex::remove(std::string_view key, uint32_t recno) { return d->remove(key, recno); }

std::optional<NtxEntry> NtxIndex::first()
{
    Impl::Guard g(*d, false);
    return d->first([](const Page*, int) { return true; });
}

std::optional<NtxEntry> NtxIndex::last()
{
    Impl::Guard g(*d, false);
    return d->last([](const Page*, int) { return true; });
}

std::optional<NtxEntry> NtxIndex::seek(std::string_view key)
{
    Impl::Guard g(*d, false);
    const size_t len = std::min(key.size(), size_t(d->ks));
    const Probe pr(key.data(), len);
    return d->first([&](const Page* p, int i) { return d->cmpProbe(p, i, pr) >= 0; });
}

std::optional<NtxEntry> NtxIndex::seekLast(std::string_view key)
{
    Impl::Guard g(*d, false);
    const size_t len = std::min(key.size(), size_t(d->ks));
    const Probe pr(key.data(), len);
    auto e = d->last([&](const Page* p, int i) { return d->cmpProbe(p, i, pr) <= 0; });
    if (e && std::memcmp(e->key.data(), key.data(), len) != 0) return std::nullopt;
    return e;
}

std::optional<NtxEntry> NtxIndex::next(const NtxEntry& from)
{
    d->checkKey(from.key);
    Impl::Guard g(*d, false);
    const Probe pr(from.key.data(), from.key.size());
    return d->first([&](const Page* p, int i) { return d->cmpProbeEntry(p, i, pr, from.recno) > 0; });
}

std::optional<NtxEntry> NtxIndex::prev(const NtxEntry& from)
{
    d->checkKey(from.key);
    Impl::Guard g(*d, false);
    const Probe pr(from.key.data(), from.key.size());
    return d->last([&](const Page* p, int i) { return d->cmpProbeEntry(p, i, pr, from.recno) < 0; });
}

uint64_t NtxIndex::count()
{
    Impl::Guard g(*d, false);
    auto whole = d->readWhole();
    std::vector<uint8_t> seen;
    std::vector<Page> scratch(kMaxDepth + 1); // one page a level, never moved during the walk
    uint64_t n = 0;
    d->walk(d->root, 0, seen, [](const Page*, int) { return true; }, n, whole.large ? &scratch : nullptr);
    return n;
}

void NtxIndex::scan(const std::function<bool(const NtxEntry&)>& visit)
{
    Impl::Guard g(*d, false);
    // A walk reads every page: one read of the file instead of one per page (the read lock keeps
    // the file as it is), each page decoded for the moment it is looked at.
    auto whole = d->readWhole();
    std::vector<uint8_t> seen;
    std::vector<Page> scratch(kMaxDepth + 1); // one page a level, never moved during the walk
    uint64_t n = 0;
    NtxEntry e;
    d->walk(d->root, 0, seen,
            [&](const Page* p, int i) {
                e.key.assign(d->key(p, i), size_t(d->ks));
                e.recno = p->rec[size_t(i)];
                return visit(e);
            },
            n, whole.large ? &scratch : nullptr);
}

std::vector<std::string> NtxIndex::verify() { return d->verify(); }

NtxIndex::ReadBatch::ReadBatch(NtxIndex& index) : index_(index) { index_.d->begin(false); }
NtxIndex::ReadBatch::~ReadBatch() { index_.d->end(); }

void NtxIndex::sync()
{
    if (d->readOnly) return;
    if (::fdatasync(d->fd) != 0) throw Error::fromErrno(errno, EG_WRITE, d->path, "sync");
}

std::string ntxNumericKey(std::string_view numberText)
{
    std::string s(numberText);
    bool negative = false;
    for (char& c : s) {
        if (c == ' ') c = '0';
        else if (c == '-') {
            c = '0';
            negative = true;
        }
    }
    if (negative)
        for (char& c : s)
            if (c >= '0' && c <= '9') c = char(44 - (c - '0'));
    return s;
}

} // namespace arv::store
