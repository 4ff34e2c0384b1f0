// A Clipper-style .NTX index file: one B-tree per file, shared between processes.
//
// Every read takes the index read lock (shared, 1 byte at 1,000,000,000 of the file) and
// revalidates cached pages against the header's version, root and free list; every write holds
// the write lock (exclusive, same byte) and bumps the version. Keys compare byte by byte; equal
// keys are kept in record-number order. A descending index reverses the key order.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace arv::store {

struct NtxInfo {
    std::string keyExpression; // xBase expression (at most 255 bytes)
    std::string forExpression; // empty when none
    std::string tagName;       // at most 10 characters
    int keySize = 0;
    int keyDecimals = 0;
    bool unique = false;
    bool descending = false;
};

struct NtxEntry {
    std::string key; // keySize bytes
    uint32_t recno = 0;
    friend bool operator==(const NtxEntry&, const NtxEntry&) = default;
};

// One object is one open file description with its own locks and page cache; use it from one
// thread at a time.
class NtxIndex {
public:
    ~NtxIndex();
    NtxIndex(const NtxIndex&) = delete;
    NtxIndex& operator=(const NtxIndex&) = delete;

    // Writes a complete index file from the entries (any order; sorted here; with unique only
    // the first record of each key is kept). Replaces an existing file atomically (written under
    // a temporary name, synced, renamed). Throws arv::Error. Objects already open on the old
    // file keep reading it: rebuild only while no one else has the index open, then reopen.
    static void build(const std::string& path, const NtxInfo& info, std::vector<NtxEntry> entries);

    // Opens an existing index. A damaged header throws arv::Error (EG_CORRUPTION, SUB_CORRUPT).
    static std::unique_ptr<NtxIndex> open(const std::string& path, bool readOnly = false);

    const std::string& path() const;
    const NtxInfo& info() const;

    // Changes. insert() answers false (and changes nothing) when the index is unique and the key
    // is present. remove() answers false when the entry is not there.
    bool insert(std::string_view key, uint32_t recno);
    bool remove(std::string_view key, uint32_t recno);

    // Navigation. Positions are entries; next/prev are strictly after/before the given entry in
    // index order, so they stay correct after other processes change the file.
    std::optional<NtxEntry> first();
    std::optional<NtxEntry> last();
    // First entry whose key, compared on the length of `key`, is not before `key` in index order.
    std::optional<NtxEntry> seek(std::string_view key);
    // Last entry whose key starts with `key` (for the end of a scope).
    std::optional<NtxEntry> seekLast(std::string_view key);
    std::optional<NtxEntry> next(const NtxEntry& from);
    std::optional<NtxEntry> prev(const NtxEntry& from);

    uint64_t count();
    // Walks every entry in order under one read lock; stop by returning false.
    void scan(const std::function<bool(const NtxEntry&)>& visit);

    // Structural check: page bounds, counts, cycles, order, depth. Empty when sound; else one
    // line per fault.
    std::vector<std::string> verify();

    // Flushes this file's written pages to disk (fdatasync); the table layer calls it on commit.
    void sync();

    // Holds the read lock across a run of reads (a page of a browse, a report loop): the reads
    // inside skip the lock round trip and the header check, which is most of the cost of a
    // single seek. Changes through this object inside the batch throw arv::Error. Keep batches
    // short: writers in other processes wait until the batch ends.
    class ReadBatch {
    public:
        explicit ReadBatch(NtxIndex& index);
        ~ReadBatch();
        ReadBatch(const ReadBatch&) = delete;
        ReadBatch& operator=(const ReadBatch&) = delete;

    private:
        NtxIndex& index_;
    };

    class Impl;
private:
    explicit NtxIndex(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> d;
};

// Key text of a numeric value as the index stores it: the number's text in the key width with
// leading blanks turned into '0'; for negative numbers the '-' becomes '0' and each digit d the
// character 44 - d, so that byte order is numeric order.
std::string ntxNumericKey(std::string_view numberText);

} // namespace arv::store
