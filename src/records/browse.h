// What a browse needs from a table without reading it whole: the number of rows of the current
// order or view, the record of any row, and the row of the cursor. The rows are found through the
// index alone; records are read only for the rows a screen shows.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "store/table.h"

namespace arv::records {

using store::NtxEntry;
using store::Table;

class BrowseWindow {
public:
    // STRIDE: one entry in STRIDE is remembered as a landmark when the order is walked.
    explicit BrowseWindow(Table& table, int stride = 64);

    // Walks the keys of the current order or view again (after a write, a search, a redraw).
    void refresh();
    uint64_t size() const { return size_; }
    // The entry shown in ROW (0-based); nullopt past the end (the table changed meanwhile).
    std::optional<NtxEntry> entryAt(uint64_t row);
    // The row showing ENTRY; nullopt when the order does not hold it.
    std::optional<uint64_t> rowOf(const NtxEntry& entry);
    // The row of the table's cursor; nullopt at the end of the table.
    std::optional<uint64_t> currentRow();
    Table& table() { return table_; }

private:
    const std::vector<NtxEntry>& block(uint64_t index);

    Table& table_;
    uint64_t stride_;
    uint64_t size_ = 0;
    std::vector<NtxEntry> landmarks_;                 // entry number k * stride_
    std::map<uint64_t, std::vector<NtxEntry>> blocks_; // entries of the blocks looked at lately
};

// Incremental search by typing (KEYSEARCH): the typed characters, upper-cased, accumulate and the
// cursor goes to the first record whose key begins with them; a text no key begins with loses its
// last character again and the cursor stays. The text starts again from empty when the cursor
// was moved by other means since the last key.
class KeySearch {
public:
    // CH is a printable character, or '\b' for Backspace. True when the cursor moved.
    bool key(Table& table, char32_t ch);
    const std::string& text() const { return text_; }
    void reset() { text_.clear(); }

private:
    std::string text_; // UTF-8, upper case
    uint32_t lastRecno_ = 0;
};

// First-letter jump (KEYSEEK): a letter goes to the first record whose key begins with it (upper
// case first, then lower case); the same letter again goes to the next one, and after the last back
// to the first. A letter no key begins with leaves the cursor where it was. True when it moved.
bool keySeek(Table& table, char32_t ch);

} // namespace arv::records
