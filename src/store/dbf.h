// A dBASE III table file (.DBF) with its memo file (.DBT), shared between processes.
//
// Each DbfFile is one open file description, so its locks behave like those of a separate
// workstation: two DbfFile objects on the same file in one process exclude each other exactly as
// two processes do. Locks follow the common xBase scheme on the .DBF file so that other xBase
// programs working in the same folder see ours and we see theirs:
//   record lock  1 byte at 1,000,000,000 + record number
//   table lock   1,000,000,000 bytes from 1,000,000,001
//   append lock  1 byte at 1,000,000,000 (guards the header and the record count)
//   memo lock    byte 0 of the .DBT, exclusive, while new memo blocks are taken (with the append
//                lock), as the other xBase programs take them
// Shared and exclusive opens hold a shared or exclusive flock() on the whole file.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/date.h"
#include "common/decimal.h"
#include "store/schema/schema.h"

namespace arv::store {

using schema::FieldDef;

enum class OpenMode { Shared, Exclusive };

class DbfFile {
public:
    ~DbfFile();
    DbfFile(const DbfFile&) = delete;
    DbfFile& operator=(const DbfFile&) = delete;

    // Creates an empty table (and its .DBT when a field is a memo), replacing nothing: fails when
    // the file exists. The files are on disk when the call returns. Throws arv::Error.
    static void create(const std::string& path, const std::vector<FieldDef>& fields);

    // Opens without waiting. A sharing conflict (another holder of an exclusive open, or any
    // holder when exclusive use is asked) throws arv::Error with genCode EG_OPEN, osCode
    // OS_SHARING_VIOLATION and canDefault true; a missing file OS_FILE_NOT_FOUND; a damaged
    // header EG_CORRUPTION / SUB_CORRUPT.
    static std::unique_ptr<DbfFile> open(const std::string& path, OpenMode mode, bool readOnly = false);

    const std::string& path() const;
    OpenMode mode() const;
    bool readOnly() const;
    const std::vector<FieldDef>& fields() const;
    int fieldIndex(std::string_view name) const; // case-insensitive, -1 when absent
    int fieldOffset(int index) const;            // byte offset in the record buffer
    int recordLength() const;                    // deletion flag included
    int headerLength() const;
    bool hasMemo() const;

    // Records in the file now (refreshed under the append lock from the file size, so appends
    // by other processes are seen; a partial last record is not counted).
    uint32_t recordCount();
    // True when the file holds bytes past the last whole record or the header's count disagrees
    // with the file size (a torn append): reported by the check tool, repaired by pack.
    bool tornTail();
    // Puts the header's count right when the file ends in whole records (an append whose writer
    // died before it wrote the header). A partial last record is left for pack. True when the
    // header was written.
    bool settleHeader();

    // Record buffers are recordLength() bytes, byte 0 the deletion flag ('*' or ' ').
    // read() always reads the file (never a stale copy); false past the end.
    bool read(uint32_t recno, std::string& buffer);
    void write(uint32_t recno, const std::string& buffer);
    // Reads up to maxCount whole records from `first` in one call, for sequential scans;
    // answers how many were read (0 past the end).
    uint32_t readBlock(uint32_t first, uint32_t maxCount, std::string& out);
    // Appends under the append lock: takes the new record's lock (failing, with 0, while another
    // cursor holds the table lock), writes the record and the header, releases the append lock
    // and keeps the record lock. Returns the new record number, 0 when the lock was not had.
    uint32_t append(const std::string& buffer);
    // The same, but a table lock this cursor holds is kept (it covers the new record): the
    // caller's duplicate test stays valid until the new record's keys are in the indexes.
    uint32_t append(const std::string& buffer, bool keepTableLock);

    // Writes are synced to disk at each commit unless bulk mode is on (then once at sync()).
    void setBulk(bool bulk);
    void commit(); // data of this file on disk now (unless bulk)
    void sync();   // always syncs

    // Non-blocking lock attempts; the caller retries and waits.
    bool tryLockRecord(uint32_t recno); // releases this cursor's other locks first
    bool tryLockTable();                // releases this cursor's record locks first
    void unlockAll();
    bool holdsRecordLock(uint32_t recno) const;
    bool holdsTableLock() const;

    // Field codec on a record buffer.
    void blank(std::string& buffer) const; // all blanks, live
    std::string_view raw(const std::string& buffer, int field) const;
    std::string getString(const std::string& buffer, int field) const; // Windows-1252, not trimmed
    Decimal getNumber(const std::string& buffer, int field) const;     // blanks or '*' give 0
    Date getDate(const std::string& buffer, int field) const;
    bool getLogical(const std::string& buffer, int field) const;       // T/t/Y/y true
    std::string getMemo(const std::string& buffer, int field);         // Windows-1252 text
    void putString(std::string& buffer, int field, std::string_view text) const; // cut or padded
    // Rounded half away from zero to the field's decimals; a value that does not fit the width
    // is stored as asterisks (read back as 0) and the call answers false.
    bool putNumber(std::string& buffer, int field, const Decimal& value) const;
    void putDate(std::string& buffer, int field, const Date& value) const;
    void putLogical(std::string& buffer, int field, bool value) const;
    // Writes the text to new blocks at the end of the .DBT and stores their number in the
    // buffer; an empty text stores blanks.
    void putMemo(std::string& buffer, int field, std::string_view text);
    void putRaw(std::string& buffer, int field, std::string_view text) const;

    // Truncates to zero records (exclusive use only).
    void zap();

    class Impl;
private:
    explicit DbfFile(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> d;
};

// A record buffer of a table file seen through its field names, as the index keys read it.
class DbfRecordView : public schema::RecordView {
public:
    DbfRecordView(const DbfFile& file, const std::string& record) : file_(file), record_(record) {}
    std::string_view raw(std::string_view field) const override
    {
        int i = file_.fieldIndex(field);
        return i < 0 ? std::string_view() : file_.raw(record_, i);
    }

private:
    const DbfFile& file_;
    const std::string& record_;
};

// Walks every record in physical order (deleted ones included), reading in large blocks.
// The buffer passed to `visit` is only valid during the call; return false to stop.
void forEachRecord(DbfFile& file, const std::function<bool(uint32_t recno, const std::string& record)>& visit);

} // namespace arv::store
