// Write notes: how an interrupted write puts itself right.
//
// Before a write touches a table's files, the process notes the table, the record and the keys it
// will remove and add in a small file of its own in the working folder, chr(127) + workstation
// and process tag + ".JRN", which it holds locked for as long as it runs. The note is cleared
// once the record and every index are written and synced. A process that dies (or a workstation
// that crashes, or loses the network) in between leaves an active note whose lock nobody holds:
// the next process that opens the table replays it before it reads anything through the
// indexes. The replay recomputes the record's keys from the table and puts them right in every
// index the note names, then deletes the note. Only a few records are ever in flight, so no
// rebuild is needed; an index whose structure was torn is reported damaged instead. The note
// also tells which index was being changed: when the writer died inside that change, the
// replay counts the index's keys against the live records, under the table lock, as a tree cut
// between two of its pages can look sound and yet miss keys.
//
// Lock bytes of a note file (open-file-description locks, so that two cursors of one process
// behave like two processes):
//   owner byte   1,000,000,000: held by the process that writes the note, for its lifetime
//   replay byte  1,000,000,001: held by a process while it replays the note
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace arv::store {

class DbfFile;
struct NoteFile;

// The change of one index: the key that goes and the key that comes (none when the record is
// not in the index before, or after, the write).
struct NoteKey {
    std::string tag; // index name, upper case, no extension
    std::optional<std::string> oldKey, newKey;
};

// The note of one write in flight. Constructed before the table files change; done() clears it.
// Destroyed without done() (the write failed half-way) the note is left for a replay: the
// process lets go of the file, and the next note goes to a new one.
class WriteNote {
public:
    // recno 0: an append, whose record will come after the `countBefore` records of the file.
    // With `sync` the note is on disk before the constructor returns.
    WriteNote(const std::string& folder, const std::string& tableFile, uint32_t recno, uint32_t countBefore,
              const std::vector<NoteKey>& keys, bool sync);
    ~WriteNote();
    WriteNote(const WriteNote&) = delete;
    WriteNote& operator=(const WriteNote&) = delete;

    // The number the appended record got.
    void setRecno(uint32_t recno);
    // The change of the noted index at INDEX (in the order of the keys given) begins, or the one
    // under way has ended. A replay looks closer at an index whose change was cut short.
    void changing(size_t index);
    void changed();
    void done();

private:
    std::string folder_;
    struct NoteFile* file_ = nullptr;
};

// Replays the notes of FOLDER left by processes that died in the middle of a write: those of
// TABLE (upper-case name without extension), or of every table when TABLE is empty. OWN is the
// caller's open file of the table when it holds it exclusively (no second open is then
// possible); otherwise the replay opens the table shared. Answers the number of notes replayed.
// A note whose index turns out torn is left in place and arv::Error (EG_CORRUPTION, sub-code
// 1012) is thrown, asking for the rebuild.
int replayNotes(const std::string& folder, const std::string& table, DbfFile* own = nullptr);

// The notes of TABLE (every table when empty) left by processes that died in the middle of a
// write, one line each, for the check tool.
std::vector<std::string> leftoverNotes(const std::string& folder, const std::string& table);

// Removes TABLE's leftover notes once a rebuild has made them moot.
void dropNotes(const std::string& folder, const std::string& table);

// Notes replayed by this process so far.
uint64_t notesReplayed();

// The message of a table whose indexes must be rebuilt.
inline constexpr const char* kMsgRebuildIndexes =
    "gli indici non corrispondono alla tabella: ricostruirli con \"Manutenzione archivi\"";

} // namespace arv::store
