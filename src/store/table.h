// An open table: one cursor on a .DBF with its index files, the way every screen reaches the
// data. The cursor keeps a copy of the current record; changes go to that copy and reach the
// file, and every index file of the table, at commit().
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/date.h"
#include "common/decimal.h"
#include "store/dbf.h"
#include "store/names.h"
#include "store/ntx.h"

namespace arv::store {

class WriteNote;

// How a waiting operation talks to the user. The engine never shows a window itself: the
// program installs these, tests leave them empty.
struct WaitHooks {
    // Shows a wait window (text, title); hide() closes it and shows the caller's message again.
    std::function<void(const std::string& text, const std::string& title)> show;
    std::function<void()> hide;
    // Called between two attempts while waiting (the program processes its events here).
    std::function<void()> idle;
    // Yes/no question for deletions; no hook means yes.
    std::function<bool(const std::string& question)> confirm;
    std::function<void()> beep;
    // True when the current drive refuses writes (the program's disk checks).
    std::function<bool()> writeProtected;
};

WaitHooks& waitHooks();

inline constexpr const char* kMsgSystemBusy = "Il sistema è momentaneamente occupato...";
inline constexpr const char* kMsgSystemOperation = "E' in corso un'operazione di sistema...";
inline constexpr const char* kMsgSwitchOffTerminals = "Spegnere tutti i terminali...";
inline constexpr const char* kMsgConfirmDelete = "Confermi la cancellazione?";
inline constexpr const char* kMsgProcessing = "Elaborazione in corso...";

// A record predicate and a key function over the cursor's current record, for views.
class Table;
using RecordPredicate = std::function<bool(const Table&)>;
using RecordKey = std::function<std::string(const Table&)>;

class Table {
public:
    ~Table();
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    // Opens FOLDER/NAME.DBF without waiting (see Workspace::open for the waiting open).
    static std::unique_ptr<Table> open(const std::string& folder, const std::string& name, const std::string& alias,
                                       OpenMode mode = OpenMode::Shared, bool readOnly = false);

    const std::string& name() const { return name_; }   // upper case, no extension
    const std::string& alias() const { return alias_; }
    const std::string& folder() const { return folder_; }
    DbfFile& file() { return *dbf_; }
    const DbfFile& file() const { return *dbf_; }
    int area() const { return area_; }
    void setArea(int area) { area_ = area; }

    // ---- orders ----
    // Attaches an index file of the folder ("NUMPOL" or "NUMPOL.NTX"); the first attached
    // becomes the controlling order.
    void ordAdd(TagName indexName);
    std::vector<std::string> ordList() const; // attached index names, without extension
    void ordClear();
    // ORDBUILD: builds an index file of the folder over the live records with the given key
    // (the expression text is stored in the file for other programs) and attaches it; it is
    // kept up to date by this cursor's writes.
    void ordBuild(const std::string& indexName, const std::string& expression, const RecordKey& key,
                  bool unique = false);
    // 0 = physical order; 1.. = attached orders.
    void setOrder(int n);
    bool setOrder(TagName name);
    int order() const { return order_; }
    std::string orderName() const;
    // Key of the current record in the controlling order ("" in physical order).
    std::string currentKey() const;
    // Key of the current record for any tag of this table.
    std::string keyFor(TagName tag) const;

    // Holds the controlling index's read lock for a run of reads (a page of a browse, a loop of
    // a report): the reads inside skip the lock round trip. Never keep one while waiting for
    // the user, and write nothing through this cursor while it lives.
    std::unique_ptr<NtxIndex::ReadBatch> readBatch();

    // ---- scope ----
    void setScope(std::optional<std::string> top, std::optional<std::string> bottom);
    void clearScope() { setScope(std::nullopt, std::nullopt); }

    // ---- navigation (deleted records are skipped) ----
    void goTop();
    void goBottom();
    void skip(long n = 1);
    void goTo(uint32_t recno);
    // Seeks in the controlling order; on a miss with softSeek the cursor stays on the next key
    // (or at the end), else at the end. lastOfKey looks for the last record of the key.
    bool seek(std::string_view key, bool softSeek = false, bool lastOfKey = false);
    bool found() const { return found_; }
    bool eof() const { return eof_; }
    bool bof() const { return bof_; }
    uint32_t recno() const;
    uint32_t lastRec() const;
    bool deleted() const;
    // Re-reads the current record from the file.
    void refresh();

    // ---- reading the controlling order without moving the cursor (browses) ----
    // Walks the entries of the controlling order within the scope, in order (in physical order
    // every live record, with an empty key); stop by returning false. Reads no records when there
    // is an order.
    void scanOrder(const std::function<bool(const NtxEntry&)>& visit);
    // The entry after FROM in the controlling order within the scope; nullopt at the end.
    std::optional<NtxEntry> orderNext(const NtxEntry& from);
    // The cursor's place in the controlling order; nullopt at the end of the table.
    std::optional<NtxEntry> position() const;
    // Runs FN with the field getters reading record RECNO instead of the cursor's copy; false
    // when the record cannot be read. The cursor does not move.
    bool peek(uint32_t recno, const std::function<void(const Table&)>& fn);

    // ---- fields of the current record ----
    int fieldIndex(FieldName name) const;
    std::string text(FieldName field) const;      // UTF-8, trailing blanks removed
    std::string raw(FieldName field) const;       // stored Windows-1252 text, padded
    Decimal number(FieldName field) const;
    Date date(FieldName field) const;
    bool logical(FieldName field) const;
    std::string memo(FieldName field) const;      // UTF-8
    void setText(FieldName field, std::string_view utf8);
    void setRaw(FieldName field, std::string_view cp1252);
    bool setNumber(FieldName field, const Decimal& value); // false when too wide
    void setDate(FieldName field, const Date& value);
    void setLogical(FieldName field, bool value);
    void setMemo(FieldName field, std::string_view utf8);
    void blankRecord(); // every field of the copy blank

    // ---- locks and writes ----
    // DBLOCK: record (true) or whole table (false); tries for 3 seconds, then shows the busy
    // message and keeps trying. Taking a record lock re-reads the record.
    void lock(bool record);
    bool tryLock(bool record);
    void unlock();
    // DBAPP: appends a blank record, holds its lock and positions on it. With keepTableLock a
    // table lock the cursor holds stays until unlock(), so that no other workstation's duplicate
    // test runs before the new record's keys are in the indexes.
    void append(bool keepTableLock = false);
    // Writes the copy of the current record (when changed) and maintains every index file of
    // the table and this cursor's view. The record and every index file it changed are on disk
    // when commit() returns, unless bulk. A write cut short anywhere is put right by the next
    // process that opens the table (see notes.h).
    void commit();
    // DBDEL
    void del(bool commitNow = true);
    // Undelete the current record (write protocol: a record deleted meanwhile comes back).
    void recall();
    // DELREC
    bool delRec();
    // NEXTCODE
    std::string nextCode(bool lockFlag = true);
    // NEXTCODE for a caller that holds the table lock: no lock is taken or released and the
    // cursor stays where it is.
    std::string nextCodeHeld();
    // DBAPP and NEXTCODE in one step: under the table lock the next CODICE is taken and the new
    // record carrying it is written, so two workstations never give the same code; then the
    // table lock gives way to the new record's lock, which stays. The cursor is on the record.
    std::string appendWithCode();
    // TOTREC: keys in the first order within the scope (live records).
    uint64_t totRec(bool firstOrder = true);
    // _DBZAP (needs exclusive use)
    void zap();

    // Bulk mode: no disk sync per commit; one at setBulk(false).
    void setBulk(bool bulk);

    // ---- views ----
    struct ViewOptions {
        RecordKey key;             // none: the controlling order's key, else the record number
        bool noMessage = false;
        bool unique = false;
        bool useCurrentOrder = false;
        bool keepOrder = false;
    };
    void setView(const RecordPredicate& condition, const ViewOptions& options);
    void clearView(bool keepOrder = false);
    bool hasView() const { return view_ != nullptr; }
    // Remembered condition of the last view, for later prints.
    const RecordPredicate& viewCondition() const { return viewCondition_; }

private:
    Table() = default;
    struct Order;
    Order* controlling() const;
    void load(uint32_t recno);
    void setEof();
    bool inScope(const std::string& key) const;
    bool acceptEntry(const NtxEntry& e);
    void positionOnEntry(std::optional<NtxEntry> e, bool forward);
    void ensureAllTags();
    std::shared_ptr<Order> openTag(const std::string& name);
    void flushPending();
    NtxIndex* controllingIndex() const;
    std::string evalKey(const RecordKey& fn, const std::string& buffer) const;
    bool evalCondition(const RecordPredicate& fn, const std::string& buffer) const;
    // The keys a write takes out of and puts into each index the cursor maintains.
    struct IndexChange {
        Order* order;
        std::optional<std::string> oldKey, newKey;
    };
    std::vector<IndexChange> indexChanges(const std::string& oldBuffer, bool oldLive, const std::string& newBuffer,
                                          bool newLive);
    // Writes the cursor's record (appending it when new) and its keys: the write is noted, the
    // record written, the indexes changed, then (with SYNC) the table and every changed index
    // synced, and the note cleared.
    void writeThrough(bool oldLive, bool newLive, bool sync);
    std::string keyOf(const Order& o, const std::string& buffer) const;
    bool waitFor(const std::function<bool()>& attempt);
    std::string viewFileName() const;
    // Sequential reads in physical order go through a read-ahead block; any other movement or
    // write drops it, so a record is never older than the scan that reached it.
    void loadAhead(uint32_t recno);
    void dropAhead() { aheadCount_ = 0; }
    int field(std::string_view name) const;

    std::string folder_, name_, alias_;
    int area_ = 0;
    std::unique_ptr<DbfFile> dbf_;
    std::vector<std::shared_ptr<Order>> orders_;   // attached, in attach order
    std::vector<std::shared_ptr<Order>> allTags_;  // every tag of the table, for maintenance
    bool allTagsOpen_ = false;
    std::shared_ptr<Order> view_;
    RecordPredicate viewCondition_;
    RecordKey viewKey_;
    int orderBeforeView_ = -1;
    std::vector<std::string> detachedForView_;
    int order_ = 0;
    std::optional<std::string> scopeTop_, scopeBottom_;

    uint32_t recno_ = 0;
    std::optional<NtxEntry> pos_; // position in the controlling index
    bool pendingAppend_ = false;  // appended, keys not yet in the indexes
    // An appended record reaches the file with its first write (or when its number or lock is
    // needed), so it is written once, with its fields, instead of blank and then again.
    bool unwritten_ = false;
    bool unwrittenKeepsTableLock_ = false;
    void writeAppended();
    void appendRecord();
    std::unique_ptr<WriteNote> pendingNote_; // an appended record written ahead of its commit
    std::string buffer_;    // the cursor's copy
    struct Showing;
    mutable const std::string* shown_ = &buffer_; // the record the field getters read
    std::string original_;  // the record as last read from the file
    bool dirty_ = false;
    std::vector<bool> dirtyFields_;
    bool eof_ = true, bof_ = true, found_ = false;
    bool bulk_ = false;
    std::string ahead_;
    uint32_t aheadFirst_ = 0, aheadCount_ = 0;
    uint32_t knownLast_ = 0; // record count seen by the current scan
    mutable uint32_t eofRecno_ = 0; // record number shown at the end (count + 1), once asked
};

// Releases a cursor's locks when it goes out of scope, unless disarmed: a write that leaves early
// leaves no lock behind for the other workstations.
struct Unlocker {
    Table& t;
    bool armed = true;
    ~Unlocker()
    {
        if (!armed) return;
        try {
            t.unlock();
        } catch (...) {
        }
    }
};

// Puts a cursor back in the order and on the record it had when this was made (at the end when it
// was there) as it goes out of scope: a walk over the table leaves the caller where it was.
struct KeepPosition {
    Table& t;
    int order = t.order();
    bool atEnd = t.eof();
    uint32_t here = t.eof() ? 0 : t.recno();
    ~KeepPosition()
    {
        try {
            t.setOrder(order);
            if (atEnd) {
                t.goBottom();
                t.skip(1);
            } else {
                t.goTo(here);
            }
        } catch (...) {
        }
    }
};

// The write protocol of a confirmed dialog: disk checks, table lock and duplicate test, then
// append (inserting) or record lock and undelete (modifying), store every field, commit and
// unlock. On a duplicate or a disk problem nothing is written and the caller reopens the dialog
// with what the user typed.
struct WriteOutcome {
    enum Kind { Written, Duplicate, DiskProblem } kind = Written;
    std::string message; // the disk message to show ("Disco protetto da scrittura." ...)
    explicit operator bool() const { return kind == Written; }
};
// `duplicateKey`: the key to look for in the controlling order (when inserting, or when the
// key fields changed); empty for no test. When modifying, the cursor's current record is the
// one written.
WriteOutcome writeRecord(Table& table, bool inserting, const std::string& duplicateKey,
                         const std::function<void(Table&)>& store);

} // namespace arv::store
