#include "store/table.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <unistd.h>

#include "common/cp1252.h"
#include "common/error.h"
#include "common/files.h"
#include "store/files.h"
#include "store/notes.h"
#include "store/schema/schema.h"

namespace arv::store {

namespace fs = std::filesystem;

WaitHooks& waitHooks()
{
    static WaitHooks hooks;
    return hooks;
}

struct Table::Order {
    std::string name;                  // upper case, no extension
    const schema::TagDef* tag = nullptr;
    RecordKey key;                     // for views and indexes built by the program
    std::unique_ptr<NtxIndex> ntx;
};

namespace {

std::string upperName(std::string_view s)
{
    std::string r(s);
    for (char& c : r) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return r;
}

std::string stripNtx(std::string_view n)
{
    std::string u = upperName(n);
    if (u.size() > 4 && u.substr(u.size() - 4) == ".NTX") u.resize(u.size() - 4);
    return u;
}

std::string rtrim(std::string s)
{
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
    return s;
}

bool startsWith(std::string_view key, std::string_view prefix)
{
    return key.size() >= prefix.size() && key.substr(0, prefix.size()) == prefix;
}

// Unique per workstation and process, so views of two workstations never share a file.
std::string processToken()
{
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    unsigned h = 2166136261u;
    for (const char* p = host; *p; ++p) h = (h ^ static_cast<unsigned char>(*p)) * 16777619u;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04X%05d", h & 0xFFFF, static_cast<int>(::getpid() % 100000));
    return buf;
}

} // namespace

Table::~Table()
{
    try {
        flushPending();
        if (dbf_) dbf_->unlockAll();
    } catch (...) {
    }
    if (view_) {
        std::string path = view_->ntx ? view_->ntx->path() : std::string();
        view_.reset();
        std::error_code ec;
        if (!path.empty()) fs::remove(path, ec);
    }
}

std::unique_ptr<Table> Table::open(const std::string& folder, const std::string& name, const std::string& alias,
                                   OpenMode mode, bool readOnly)
{
    std::unique_ptr<Table> t(new Table());
    t->folder_ = folder;
    t->name_ = upperName(fs::path(name).stem().string());
    t->alias_ = alias.empty() ? t->name_ : upperName(alias);
    std::string file = fs::path(name).filename().string();
    if (!fs::path(file).has_extension()) file += ".DBF";
    std::string dir = fs::path(name).has_parent_path() ? fs::path(name).parent_path().string() : folder;
    t->dbf_ = DbfFile::open(resolveFile(dir, file), mode, readOnly);
    // Writes of other processes cut short put right before anything is read through an index.
    replayNotes(fs::path(t->dbf_->path()).parent_path().string(), t->name_,
                mode == OpenMode::Exclusive ? t->dbf_.get() : nullptr);
    t->dirtyFields_.assign(t->dbf_->fields().size(), false);
    t->setEof();
    t->goTop();
    return t;
}

// ---------------------------------------------------------------- orders

std::shared_ptr<Table::Order> Table::openTag(const std::string& indexName)
{
    std::string n = stripNtx(fs::path(indexName).filename().string());
    for (auto& o : allTags_)
        if (o->name == n) return o;
    for (auto& o : orders_)
        if (o->name == n) return o;
    auto o = std::make_shared<Order>();
    o->name = n;
    const schema::TagDef* tag = schema::findTag(n);
    if (tag && upperName(tag->table) == name_) o->tag = tag;
    std::string p = fs::path(indexName).has_parent_path() ? fs::path(indexName).string() : resolveFile(folder_, n + ".NTX");
    o->ntx = NtxIndex::open(p, dbf_->readOnly());
    if (o->tag) allTags_.push_back(o);
    return o;
}

void Table::ordAdd(TagName indexName)
{
    flushPending();
    auto o = openTag(std::string(indexName));
    for (auto& x : orders_)
        if (x == o) return;
    orders_.push_back(o);
    if (order_ == 0 && !view_) {
        order_ = static_cast<int>(orders_.size());
        goTop();
    }
}

void Table::ordBuild(const std::string& indexName, const std::string& expression, const RecordKey& key, bool unique)
{
    flushPending();
    std::string n = stripNtx(fs::path(indexName).filename().string());
    std::string expr = expression;
    for (size_t p; (p = expr.find("FIELD->")) != std::string::npos;) expr.erase(p, 7);
    std::vector<NtxEntry> entries;
    size_t keySize = 1;
    forEachRecord(*dbf_, [&](uint32_t r, const std::string& b) {
        if (b[0] == '*') return true;
        std::string k = evalKey(key, b);
        keySize = std::max(keySize, k.size());
        entries.push_back(NtxEntry{std::move(k), r});
        return true;
    });
    for (auto& e : entries) e.key.resize(keySize, ' ');
    NtxInfo info;
    info.keyExpression = expr;
    info.tagName = n.substr(0, 10);
    info.keySize = static_cast<int>(keySize);
    info.unique = unique;
    std::string path = resolveFile(folder_, n + ".NTX");
    for (auto it = orders_.begin(); it != orders_.end(); ++it)
        if ((*it)->name == n) {
            orders_.erase(it);
            break;
        }
    NtxIndex::build(path, info, std::move(entries));
    auto o = std::make_shared<Order>();
    o->name = n;
    o->key = key;
    o->ntx = NtxIndex::open(path, dbf_->readOnly());
    orders_.push_back(o);
    if (order_ == 0 && !view_) {
        order_ = static_cast<int>(orders_.size());
        goTop();
    }
}

std::vector<std::string> Table::ordList() const
{
    std::vector<std::string> names;
    for (auto& o : orders_) names.push_back(o->name);
    return names;
}

void Table::ordClear()
{
    flushPending();
    orders_.clear();
    if (order_ > 0) order_ = 0;
}

void Table::setOrder(int n)
{
    flushPending();
    if (n < 0 || n > static_cast<int>(orders_.size())) n = 0;
    order_ = n;
    pos_.reset();
    if (!eof_) goTo(recno_);
}

bool Table::setOrder(TagName name)
{
    std::string n = stripNtx(name);
    for (size_t i = 0; i < orders_.size(); ++i)
        if (orders_[i]->name == n) {
            setOrder(static_cast<int>(i + 1));
            return true;
        }
    return false;
}

Table::Order* Table::controlling() const
{
    if (order_ < 0) return view_.get();
    if (order_ == 0 || order_ > static_cast<int>(orders_.size())) return nullptr;
    return orders_[static_cast<size_t>(order_ - 1)].get();
}

NtxIndex* Table::controllingIndex() const
{
    Order* o = controlling();
    return o ? o->ntx.get() : nullptr;
}

std::string Table::orderName() const
{
    Order* o = controlling();
    return o ? o->name : std::string();
}

// Keys and conditions of views read the cursor's fields: while they run, the field getters
// read the record asked for instead of the cursor's copy.
struct Table::Showing {
    const Table& table;
    const std::string* saved;
    Showing(const Table& t, const std::string& record) : table(t), saved(t.shown_) { t.shown_ = &record; }
    ~Showing() { table.shown_ = saved; }
};

std::string Table::evalKey(const RecordKey& fn, const std::string& buffer) const
{
    Showing s(*this, buffer);
    return fn(*this);
}

bool Table::evalCondition(const RecordPredicate& fn, const std::string& buffer) const
{
    Showing s(*this, buffer);
    return fn(*this);
}

std::string Table::keyOf(const Order& o, const std::string& buffer) const
{
    std::string k;
    if (o.tag) k = o.tag->key(DbfRecordView(*dbf_, buffer));
    else if (o.key) k = evalKey(o.key, buffer);
    size_t size = static_cast<size_t>(o.ntx->info().keySize);
    k.resize(size, ' ');
    return k;
}

std::string Table::currentKey() const
{
    Order* o = controlling();
    return o ? keyOf(*o, buffer_) : std::string();
}

std::string Table::keyFor(TagName tagName) const
{
    const schema::TagDef* t = schema::findTag(tagName);
    if (!t) return std::string();
    return t->key(DbfRecordView(*dbf_, buffer_));
}

std::unique_ptr<NtxIndex::ReadBatch> Table::readBatch()
{
    flushPending();
    NtxIndex* ix = controllingIndex();
    return ix ? std::make_unique<NtxIndex::ReadBatch>(*ix) : nullptr;
}

// ---------------------------------------------------------------- browsing

void Table::scanOrder(const std::function<bool(const NtxEntry&)>& visit)
{
    flushPending();
    if (NtxIndex* ix = controllingIndex()) {
        bool started = !scopeTop_;
        ix->scan([&](const NtxEntry& e) {
            if (!inScope(e.key)) return !started; // before the scope: go on; after it: stop
            started = true;
            return visit(e);
        });
        return;
    }
    forEachRecord(*dbf_, [&](uint32_t r, const std::string& b) {
        if (b[0] == '*') return true;
        return visit(NtxEntry{std::string(), r});
    });
}

std::optional<NtxEntry> Table::orderNext(const NtxEntry& from)
{
    flushPending();
    if (NtxIndex* ix = controllingIndex()) {
        std::optional<NtxEntry> e = ix->next(from);
        if (e && !inScope(e->key)) return std::nullopt;
        return e;
    }
    std::string b;
    for (uint32_t r = from.recno + 1, last = lastRec(); r <= last; ++r)
        if (dbf_->read(r, b) && b[0] != '*') return NtxEntry{std::string(), r};
    return std::nullopt;
}

std::optional<NtxEntry> Table::position() const
{
    if (eof_) return std::nullopt;
    if (pos_) return pos_;
    Order* o = controlling();
    return NtxEntry{o ? keyOf(*o, buffer_) : std::string(), recno_};
}

bool Table::peek(uint32_t recno, const std::function<void(const Table&)>& fn)
{
    std::string b;
    if (recno == 0 || !dbf_->read(recno, b)) return false;
    Showing s(*this, b);
    fn(*this);
    return true;
}

// ---------------------------------------------------------------- scope and navigation

void Table::setScope(std::optional<std::string> top, std::optional<std::string> bottom)
{
    scopeTop_ = std::move(top);
    scopeBottom_ = std::move(bottom);
}

bool Table::inScope(const std::string& key) const
{
    if (scopeTop_ && key.compare(0, scopeTop_->size(), *scopeTop_) < 0) return false;
    if (scopeBottom_ && key.compare(0, scopeBottom_->size(), *scopeBottom_) > 0) return false;
    return true;
}

uint32_t Table::lastRec() const { return dbf_->recordCount(); }

uint32_t Table::recno() const
{
    if (unwritten_) const_cast<Table*>(this)->writeAppended();
    if (!eof_) return recno_;
    if (eofRecno_ == 0) eofRecno_ = lastRec() + 1;
    return eofRecno_;
}

void Table::setEof()
{
    recno_ = 0;
    eofRecno_ = 0;
    pos_.reset();
    dbf_->blank(buffer_);
    original_ = buffer_;
    dirty_ = false;
    std::fill(dirtyFields_.begin(), dirtyFields_.end(), false);
    eof_ = true;
}

void Table::load(uint32_t recno)
{
    std::string b;
    if (recno == 0 || !dbf_->read(recno, b)) {
        setEof();
        return;
    }
    recno_ = recno;
    buffer_ = b;
    original_ = std::move(b);
    dirty_ = false;
    std::fill(dirtyFields_.begin(), dirtyFields_.end(), false);
    eof_ = false;
}

void Table::loadAhead(uint32_t recno)
{
    if (recno < aheadFirst_ || recno >= aheadFirst_ + aheadCount_) {
        constexpr uint32_t kBlockBytes = 64 * 1024;
        uint32_t n = std::max<uint32_t>(1, kBlockBytes / static_cast<uint32_t>(dbf_->recordLength()));
        aheadFirst_ = recno;
        aheadCount_ = dbf_->readBlock(recno, n, ahead_);
        if (aheadCount_ == 0) {
            setEof();
            return;
        }
    }
    size_t len = static_cast<size_t>(dbf_->recordLength());
    recno_ = recno;
    buffer_.assign(ahead_, static_cast<size_t>(recno - aheadFirst_) * len, len);
    original_ = buffer_;
    dirty_ = false;
    std::fill(dirtyFields_.begin(), dirtyFields_.end(), false);
    eof_ = false;
}

void Table::flushPending()
{
    if (dbf_ && (dirty_ || pendingAppend_) && !eof_) commit();
}

bool Table::deleted() const { return !eof_ && !buffer_.empty() && buffer_[0] == '*'; }

bool Table::acceptEntry(const NtxEntry& e)
{
    load(e.recno);
    if (eof_) return false;
    return buffer_[0] != '*';
}

void Table::positionOnEntry(std::optional<NtxEntry> e, bool forward)
{
    NtxIndex* ix = controllingIndex();
    while (e) {
        if (!inScope(e->key)) {
            // Entries outside the scope end the walk in that direction.
            break;
        }
        if (acceptEntry(*e)) {
            pos_ = e;
            return;
        }
        e = forward ? ix->next(*e) : ix->prev(*e);
    }
    setEof();
}

void Table::goTop()
{
    flushPending();
    bof_ = false;
    found_ = false;
    if (NtxIndex* ix = controllingIndex()) {
        std::optional<NtxEntry> e = scopeTop_ ? ix->seek(*scopeTop_) : ix->first();
        positionOnEntry(e, true);
    } else {
        dropAhead();
        knownLast_ = lastRec();
        for (uint32_t r = 1; r <= knownLast_; ++r) {
            loadAhead(r);
            if (eof_) break;
            if (buffer_[0] != '*') return;
        }
        setEof();
    }
    if (eof_) bof_ = true;
}

void Table::goBottom()
{
    dropAhead();
    flushPending();
    bof_ = false;
    found_ = false;
    if (NtxIndex* ix = controllingIndex()) {
        std::optional<NtxEntry> e;
        if (scopeBottom_) {
            e = ix->seek(*scopeBottom_);
            if (e && startsWith(e->key, *scopeBottom_)) e = ix->seekLast(*scopeBottom_);
            else e = e ? ix->prev(*e) : ix->last();
        } else {
            e = ix->last();
        }
        positionOnEntry(e, false);
    } else {
        for (uint32_t r = lastRec(); r >= 1; --r) {
            load(r);
            if (!eof_ && buffer_[0] != '*') return;
        }
        setEof();
    }
    if (eof_) bof_ = true;
}

void Table::skip(long n)
{
    flushPending();
    bof_ = false;
    if (n == 0) {
        refresh();
        return;
    }
    NtxIndex* ix = controllingIndex();
    if (ix || n < 0) dropAhead();
    if (!ix && knownLast_ == 0) knownLast_ = lastRec();
    while (n > 0) {
        if (eof_) return;
        if (ix) {
            std::optional<NtxEntry> from = pos_ ? pos_ : std::optional<NtxEntry>(NtxEntry{keyOf(*controlling(), buffer_), recno_});
            positionOnEntry(ix->next(*from), true);
        } else {
            uint32_t r = recno_;
            for (;;) {
                if (++r > knownLast_) {
                    knownLast_ = lastRec(); // appended meanwhile?
                    if (r > knownLast_) {
                        setEof();
                        break;
                    }
                }
                loadAhead(r);
                if (eof_ || buffer_[0] != '*') break;
            }
        }
        --n;
    }
    while (n < 0) {
        if (eof_) {
            goBottom();
            ++n;
            continue;
        }
        uint32_t here = recno_;
        std::optional<NtxEntry> herePos = pos_;
        bool moved = false;
        if (ix) {
            std::optional<NtxEntry> from = pos_ ? pos_ : std::optional<NtxEntry>(NtxEntry{keyOf(*controlling(), buffer_), recno_});
            std::optional<NtxEntry> e = ix->prev(*from);
            while (e && inScope(e->key)) {
                if (acceptEntry(*e)) {
                    pos_ = e;
                    moved = true;
                    break;
                }
                e = ix->prev(*e);
            }
        } else {
            for (uint32_t r = recno_; r > 1;) {
                --r;
                load(r);
                if (!eof_ && buffer_[0] != '*') {
                    moved = true;
                    break;
                }
            }
        }
        if (!moved) { // stay on the first record with bof set
            load(here);
            pos_ = herePos;
            bof_ = true;
            return;
        }
        ++n;
    }
}

void Table::goTo(uint32_t recno)
{
    dropAhead();
    flushPending();
    bof_ = false;
    load(recno);
    pos_.reset();
    if (!eof_ && controlling()) pos_ = NtxEntry{keyOf(*controlling(), buffer_), recno_};
}

bool Table::seek(std::string_view key, bool softSeek, bool lastOfKey)
{
    dropAhead();
    flushPending();
    bof_ = false;
    found_ = false;
    NtxIndex* ix = controllingIndex();
    if (!ix) {
        setEof();
        return false;
    }
    std::optional<NtxEntry> e = ix->seek(key);
    while (e && inScope(e->key)) {
        if (acceptEntry(*e)) break;
        e = ix->next(*e);
    }
    if (e && !inScope(e->key)) e.reset();
    if (e && !eof_ && startsWith(e->key, key)) {
        found_ = true;
        if (lastOfKey) {
            std::optional<NtxEntry> l = ix->seekLast(key);
            while (l && startsWith(l->key, key)) {
                if (acceptEntry(*l)) {
                    pos_ = l;
                    return true;
                }
                l = ix->prev(*l);
            }
        }
        pos_ = e;
        return true;
    }
    if (softSeek && e && !eof_) {
        pos_ = e;
        return false;
    }
    setEof();
    return false;
}

void Table::refresh()
{
    dropAhead();
    if (unwritten_) writeAppended();
    if (eof_) return;
    uint32_t r = recno_;
    auto p = pos_;
    load(r);
    pos_ = p;
}

// ---------------------------------------------------------------- fields

int Table::field(std::string_view name) const
{
    int i = dbf_->fieldIndex(name);
    if (i < 0)
        throw Error(EG_ARG, 1003, OS_NONE, "DBFNTX", "Campo inesistente: " + std::string(name), name_ + ".DBF",
                    "field");
    return i;
}

int Table::fieldIndex(FieldName name) const { return dbf_->fieldIndex(name); }

std::string Table::text(FieldName f) const { return cp1252ToUtf8(rtrim(dbf_->getString(*shown_, field(f)))); }
std::string Table::raw(FieldName f) const { return std::string(dbf_->raw(*shown_, field(f))); }
Decimal Table::number(FieldName f) const { return dbf_->getNumber(*shown_, field(f)); }
Date Table::date(FieldName f) const { return dbf_->getDate(*shown_, field(f)); }
bool Table::logical(FieldName f) const { return dbf_->getLogical(*shown_, field(f)); }

std::string Table::memo(FieldName f) const
{
    if (eof_) return std::string();
    return cp1252ToUtf8(dbf_->getMemo(*shown_, field(f)));
}

void Table::setText(FieldName f, std::string_view utf8) { setRaw(f, utf8ToCp1252(utf8)); }

void Table::setRaw(FieldName f, std::string_view cp)
{
    int i = field(f);
    dbf_->putString(buffer_, i, cp);
    dirty_ = true;
    dirtyFields_[static_cast<size_t>(i)] = true;
}

bool Table::setNumber(FieldName f, const Decimal& v)
{
    int i = field(f);
    bool ok = dbf_->putNumber(buffer_, i, v);
    dirty_ = true;
    dirtyFields_[static_cast<size_t>(i)] = true;
    return ok;
}

void Table::setDate(FieldName f, const Date& v)
{
    int i = field(f);
    dbf_->putDate(buffer_, i, v);
    dirty_ = true;
    dirtyFields_[static_cast<size_t>(i)] = true;
}

void Table::setLogical(FieldName f, bool v)
{
    int i = field(f);
    dbf_->putLogical(buffer_, i, v);
    dirty_ = true;
    dirtyFields_[static_cast<size_t>(i)] = true;
}

void Table::setMemo(FieldName f, std::string_view utf8)
{
    int i = field(f);
    dbf_->putMemo(buffer_, i, utf8ToCp1252(utf8));
    dirty_ = true;
    dirtyFields_[static_cast<size_t>(i)] = true;
}

void Table::blankRecord()
{
    char flag = buffer_.empty() ? ' ' : buffer_[0];
    dbf_->blank(buffer_);
    buffer_[0] = flag;
    dirty_ = true;
    std::fill(dirtyFields_.begin(), dirtyFields_.end(), true);
}

// ---------------------------------------------------------------- locks and writes

bool Table::waitFor(const std::function<bool()>& attempt)
{
    using clock = std::chrono::steady_clock;
    auto start = clock::now();
    while (clock::now() - start < std::chrono::seconds(3)) {
        if (attempt()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    WaitHooks& h = waitHooks();
    if (h.show) h.show(kMsgSystemBusy, "Attendere");
    while (!attempt()) {
        if (h.idle) h.idle();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (h.hide) h.hide();
    return true;
}

bool Table::tryLock(bool record)
{
    dropAhead();
    if (!record) return dbf_->tryLockTable();
    if (eof_) return false;
    if (unwritten_) {
        writeAppended(); // and holds its lock
        return true;
    }
    if (!dbf_->tryLockRecord(recno_)) return false;
    // Under the lock the file holds the latest version of the record: start from it and keep
    // only what this cursor changed.
    std::string disk;
    if (dbf_->read(recno_, disk)) {
        std::string merged = disk;
        for (size_t i = 0; i < dirtyFields_.size(); ++i) {
            if (!dirtyFields_[i]) continue;
            int off = dbf_->fieldOffset(static_cast<int>(i));
            int w = dbf_->fields()[i].width;
            merged.replace(static_cast<size_t>(off), static_cast<size_t>(w), buffer_, static_cast<size_t>(off),
                           static_cast<size_t>(w));
        }
        if (!pendingAppend_) original_ = disk;
        buffer_ = merged;
    }
    return true;
}

void Table::lock(bool record)
{
    if (record && eof_) return;
    waitFor([&] { return tryLock(record); });
}

void Table::unlock()
{
    flushPending();
    dbf_->unlockAll();
}

void Table::append(bool keepTableLock)
{
    dropAhead();
    flushPending();
    dbf_->blank(buffer_);
    original_ = buffer_;
    recno_ = 0;
    std::fill(dirtyFields_.begin(), dirtyFields_.end(), false);
    dirty_ = false;
    pendingAppend_ = true;
    unwritten_ = true;
    unwrittenKeepsTableLock_ = keepTableLock;
    eof_ = bof_ = false;
    pos_.reset();
}

void Table::writeAppended()
{
    if (!unwritten_) return;
    // Written ahead of its commit (its number or its lock was needed): noted until the commit
    // has its keys in the indexes.
    ensureAllTags();
    std::vector<NoteKey> tags;
    for (auto& o : allTags_) tags.push_back(NoteKey {o->name, std::nullopt, std::nullopt});
    if (!tags.empty())
        pendingNote_ = std::make_unique<WriteNote>(fs::path(dbf_->path()).parent_path().string(), dbf_->path(), 0,
                                                   dbf_->recordCount(), tags, !bulk_);
    appendRecord();
    if (pendingNote_) pendingNote_->setRecno(recno_);
}

void Table::appendRecord()
{
    uint32_t r = 0;
    waitFor([&] {
        r = dbf_->append(buffer_, unwrittenKeepsTableLock_);
        return r != 0;
    });
    recno_ = r;
    unwritten_ = false;
}

void Table::ensureAllTags()
{
    if (allTagsOpen_) return;
    allTagsOpen_ = true;
    for (const schema::TagDef* t : schema::tagsOf(name_)) {
        if (fileExists(folder_, t->name + ".NTX")) openTag(t->name);
    }
}

std::vector<Table::IndexChange> Table::indexChanges(const std::string& oldBuf, bool oldLive,
                                                   const std::string& newBuf, bool newLive)
{
    ensureAllTags();
    std::vector<Order*> targets;
    for (auto& o : allTags_) targets.push_back(o.get());
    for (auto& o : orders_)
        if (!o->tag && o->key) targets.push_back(o.get());
    std::vector<IndexChange> changes;
    for (Order* o : targets) {
        IndexChange c {o, std::nullopt, std::nullopt};
        if (oldLive) c.oldKey = keyOf(*o, oldBuf);
        if (newLive) c.newKey = keyOf(*o, newBuf);
        if (c.oldKey != c.newKey) changes.push_back(std::move(c));
    }
    return changes;
}

namespace {

// The entries of RECNO other than KEEP: an index that lacks the key the record had on disk
// still holds the record under a key of an older version of it (a write cut short before this
// engine noted its writes, or made by another program).
std::vector<std::string> strayKeys(NtxIndex& ix, uint32_t recno, const std::optional<std::string>& keep)
{
    std::vector<std::string> out;
    try {
        ix.scan([&](const NtxEntry& e) {
            if (e.recno == recno && e.key != keep) out.push_back(e.key);
            return true;
        });
    } catch (const Error& e) {
        if (e.genCode() != EG_CORRUPTION) throw;
        throw Error::corrupt(ix.path(), std::string(kMsgRebuildIndexes) + " (" + e.description() + ")");
    }
    return out;
}

} // namespace

void Table::writeThrough(bool oldLive, bool newLive, bool sync)
{
    std::vector<IndexChange> changes = indexChanges(original_, oldLive, buffer_, newLive);
    // Shared indexes get a note first, so that a write cut short anywhere below is put right by
    // the next process that opens the table.
    std::vector<NoteKey> noted;
    for (const IndexChange& c : changes)
        if (c.order->tag) noted.push_back(NoteKey {c.order->name, c.oldKey, c.newKey});
    std::optional<WriteNote> note;
    const std::string folder = fs::path(dbf_->path()).parent_path().string();
    if (!noted.empty())
        note.emplace(folder, dbf_->path(), unwritten_ ? 0 : recno_, unwritten_ ? dbf_->recordCount() : 0, noted, sync);
    if (unwritten_) {
        appendRecord();
        if (note) note->setRecno(recno_);
    } else {
        dbf_->write(recno_, buffer_);
    }
    size_t notedAt = 0;
    for (const IndexChange& c : changes) {
        NtxIndex& ix = *c.order->ntx;
        if (note && c.order->tag) note->changing(notedAt++);
        if (c.oldKey && !ix.remove(*c.oldKey, recno_)) {
            std::vector<std::string> stray = strayKeys(ix, recno_, c.newKey);
            for (const std::string& k : stray) ix.remove(k, recno_);
        }
        if (c.newKey) ix.insert(*c.newKey, recno_);
        if (note && c.order->tag) note->changed();
    }
    if (view_) {
        bool oldIn = oldLive && evalCondition(viewCondition_, original_);
        bool newIn = newLive && evalCondition(viewCondition_, buffer_);
        std::optional<std::string> oldKey, newKey;
        if (oldIn) oldKey = keyOf(*view_, original_);
        if (newIn) newKey = keyOf(*view_, buffer_);
        if (oldKey != newKey) {
            if (oldKey) view_->ntx->remove(*oldKey, recno_);
            if (newKey) view_->ntx->insert(*newKey, recno_);
        }
    }
    if (sync) {
        dbf_->commit();
        for (const IndexChange& c : changes) c.order->ntx->sync();
    }
    if (note) note->done();
    if (pendingNote_) {
        pendingNote_->done();
        pendingNote_.reset();
    }
}

void Table::commit()
{
    dropAhead();
    if (eof_ || (!dirty_ && !pendingAppend_)) return;
    bool oldLive = !pendingAppend_ && !original_.empty() && original_[0] != '*';
    bool newLive = buffer_[0] != '*';
    writeThrough(oldLive, newLive, !bulk_);
    original_ = buffer_;
    dirty_ = false;
    pendingAppend_ = false;
    std::fill(dirtyFields_.begin(), dirtyFields_.end(), false);
    if (controlling()) pos_ = NtxEntry{keyOf(*controlling(), buffer_), recno_};
}

void Table::recall()
{
    if (eof_ || buffer_[0] != '*') return;
    buffer_[0] = ' ';
    dirty_ = true;
}

void Table::del(bool commitNow)
{
    if (eof_) return;
    flushPending();
    uint32_t here = recno_;
    waitFor([&] { return dbf_->tryLockTable(); });
    // The record that follows in the current order.
    skip(1);
    uint32_t next = eof_ ? 0 : recno_;
    load(here);
    if (!eof_ && buffer_[0] != '*') {
        buffer_[0] = '*';
        dirty_ = true;
        if (commitNow) commit();
        else {
            writeThrough(true, false, false);
            original_ = buffer_;
            dirty_ = false;
        }
    }
    if (next) goTo(next);
    else setEof();
    dbf_->unlockAll();
}

bool Table::delRec()
{
    WaitHooks& h = waitHooks();
    if (eof_) {
        if (h.beep) h.beep();
        return false;
    }
    if (h.confirm && !h.confirm(kMsgConfirmDelete)) return false;
    if (h.writeProtected && h.writeProtected()) return false;
    del(true);
    return true;
}

std::string Table::nextCodeHeld()
{
    flushPending();
    int fi = field("CODICE");
    long long value = 0;
    std::string b;
    for (uint32_t r = lastRec(); r >= 1; --r) {
        if (!dbf_->read(r, b)) continue;
        std::string code = rtrim(std::string(dbf_->raw(b, fi)));
        size_t s = code.find_first_not_of(' ');
        if (s == std::string::npos) continue;
        value = std::atoll(code.c_str() + s);
        break;
    }
    char out[32];
    std::snprintf(out, sizeof out, "%10lld", value + 1);
    return out;
}

std::string Table::appendWithCode()
{
    lock(false);
    const std::string code = nextCodeHeld();
    append(true);
    setRaw("CODICE", code);
    commit();
    lock(true);
    return code;
}

std::string Table::nextCode(bool lockFlag)
{
    flushPending();
    uint32_t here = eof_ ? 0 : recno_;
    if (lockFlag) lock(false);
    const std::string out = nextCodeHeld();
    if (here) goTo(here);
    else setEof();
    if (lockFlag) {
        if (here) lock(true);
        else dbf_->unlockAll();
    } else {
        dbf_->unlockAll();
    }
    return out;
}

uint64_t Table::totRec(bool firstOrder)
{
    flushPending();
    Order* o = nullptr;
    if (firstOrder) o = orders_.empty() ? nullptr : orders_.front().get();
    else o = controlling();
    if (!o) {
        uint64_t n = 0;
        std::string b;
        for (uint32_t r = 1, last = lastRec(); r <= last; ++r)
            if (dbf_->read(r, b) && b[0] != '*') ++n;
        return n;
    }
    if (!scopeTop_ && !scopeBottom_) return o->ntx->count();
    uint64_t n = 0;
    NtxIndex::ReadBatch batch(*o->ntx);
    std::optional<NtxEntry> e = scopeTop_ ? o->ntx->seek(*scopeTop_) : o->ntx->first();
    for (; e && inScope(e->key); e = o->ntx->next(*e)) ++n;
    return n;
}

void Table::zap()
{
    flushPending();
    dbf_->zap();
    ensureAllTags();
    for (auto& o : allTags_) {
        std::string path = o->ntx->path();
        NtxInfo info = o->ntx->info();
        o->ntx.reset();
        NtxIndex::build(path, info, {});
        o->ntx = NtxIndex::open(path, dbf_->readOnly());
    }
    if (view_) {
        std::string path = view_->ntx->path();
        NtxInfo info = view_->ntx->info();
        view_->ntx.reset();
        NtxIndex::build(path, info, {});
        view_->ntx = NtxIndex::open(path);
    }
    setEof();
    bof_ = true;
}

void Table::setBulk(bool bulk)
{
    flushPending();
    bulk_ = bulk;
    dbf_->setBulk(bulk);
    if (!bulk) {
        dbf_->sync();
        for (auto& o : allTags_) o->ntx->sync();
    }
}

// ---------------------------------------------------------------- views

std::string Table::viewFileName() const
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "\x7FVIEW%03d%s.NTX", area_ % 1000, processToken().c_str());
    return (fs::path(folder_) / buf).string();
}

void Table::setView(const RecordPredicate& condition, const ViewOptions& opt)
{
    flushPending();
    WaitHooks& h = waitHooks();
    bool message = !opt.noMessage && h.show;
    if (message) h.show(kMsgProcessing, "Attendere");

    RecordKey key = opt.key;
    Order* ctl = controlling();
    if (!key) {
        if (ctl) {
            std::shared_ptr<Order> keep = ctl == view_.get() ? view_ : nullptr;
            const schema::TagDef* tag = ctl->tag;
            RecordKey ctlKey = ctl->key;
            key = [tag, ctlKey](const Table& t) {
                if (tag) return tag->key(DbfRecordView(*t.dbf_, *t.shown_));
                return ctlKey(t);
            };
        } else {
            key = [](const Table& t) {
                char b[16];
                std::snprintf(b, sizeof b, "%10u", t.recno_);
                return std::string(b);
            };
        }
    }
    if (!opt.keepOrder && order_ >= 0) orderBeforeView_ = order_;

    // Collect the records.
    std::vector<NtxEntry> entries;
    size_t keySize = 1;
    auto visit = [&]() {
        if (buffer_[0] == '*') return;
        if (condition && !condition(*this)) return;
        std::string k = key(*this);
        keySize = std::max(keySize, k.size());
        entries.push_back(NtxEntry{std::move(k), recno_});
    };
    if (opt.useCurrentOrder && ctl) {
        auto batch = readBatch();
        for (goTop(); !eof_; skip(1)) visit();
    } else {
        forEachRecord(*dbf_, [&](uint32_t r, const std::string& b) {
            recno_ = r;
            buffer_ = b;
            visit();
            return true;
        });
    }
    if (opt.unique) {
        // Keep the first record of each key in the order of the walk.
        std::vector<NtxEntry> kept;
        std::vector<std::string> seen;
        std::vector<NtxEntry> sorted = entries;
        for (auto& e : sorted) e.key.resize(keySize, ' ');
        std::stable_sort(sorted.begin(), sorted.end(), [](const NtxEntry& a, const NtxEntry& b) { return a.key < b.key; });
        for (size_t i = 0; i < sorted.size(); ++i)
            if (i == 0 || sorted[i].key != sorted[i - 1].key) kept.push_back(sorted[i]);
        entries.swap(kept);
    }
    for (auto& e : entries) e.key.resize(keySize, ' ');

    std::string path = viewFileName();
    if (view_) {
        view_->ntx.reset();
        view_.reset();
    }
    NtxInfo info;
    info.keyExpression = "VIEW";
    info.tagName = fs::path(path).stem().string().substr(0, 10);
    info.keySize = static_cast<int>(keySize);
    NtxIndex::build(path, info, std::move(entries));
    auto v = std::make_shared<Order>();
    v->name = fs::path(path).stem().string();
    v->key = key;
    v->ntx = NtxIndex::open(path);
    view_ = v;
    viewCondition_ = condition ? condition : RecordPredicate([](const Table&) { return true; });
    viewKey_ = key;
    order_ = -1;
    pos_.reset();
    if (message && h.hide) h.hide();
    goTop();
}

void Table::clearView(bool keepOrder)
{
    flushPending();
    if (!view_) return;
    std::string path = view_->ntx->path();
    view_.reset();
    std::error_code ec;
    fs::remove(path, ec);
    int back = keepOrder ? order_ : orderBeforeView_;
    if (back < 0 || back > static_cast<int>(orders_.size())) back = 0;
    order_ = back;
    orderBeforeView_ = -1;
    pos_.reset();
    goTop();
}

WriteOutcome writeRecord(Table& t, bool inserting, const std::string& duplicateKey,
                         const std::function<void(Table&)>& store)
{
    WriteOutcome out;
    if (DiskCheck p = ISPROTECTED(t.folder()); p.value) {
        out.kind = WriteOutcome::DiskProblem;
        out.message = p.message;
        return out;
    }
    if (DiskCheck f = ISFULL(t.folder(), 8192); f.value) {
        out.kind = WriteOutcome::DiskProblem;
        out.message = f.message;
        return out;
    }
    const uint32_t editing = inserting ? 0 : t.recno();
    t.lock(false);
    if (!duplicateKey.empty() && t.seek(duplicateKey) && (inserting || t.recno() != editing)) {
        t.unlock();
        if (editing) t.goTo(editing);
        out.kind = WriteOutcome::Duplicate;
        return out;
    }
    if (inserting) {
        // The table lock stays until the new keys are in the indexes: otherwise another
        // workstation could test for the same key in between and insert it twice.
        t.append(true);
    } else {
        t.goTo(editing);
        t.lock(true);
        t.recall(); // deleted meanwhile by another workstation: it comes back
    }
    store(t);
    t.commit();
    t.unlock();
    return out;
}

} // namespace arv::store
