#include "records/browse.h"

#include <algorithm>
#include <cctype>

#include "common/cp1252.h"
#include "common/mask.h"

namespace arv::records {

using namespace store;

namespace {

bool before(const NtxEntry& a, const NtxEntry& b)
{
    int c = a.key.compare(b.key);
    return c < 0 || (c == 0 && a.recno < b.recno);
}

bool startsWith(const std::string& s, const std::string& p) { return s.compare(0, p.size(), p) == 0; }

std::string utf8Of(char32_t c)
{
    std::string s;
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | (c >> 6));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        s += static_cast<char>(0xE0 | (c >> 12));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
    return s;
}

} // namespace

BrowseWindow::BrowseWindow(Table& table, int stride) : table_(table), stride_(static_cast<uint64_t>(std::max(stride, 2)))
{
    refresh();
}

void BrowseWindow::refresh()
{
    landmarks_.clear();
    blocks_.clear();
    uint64_t n = 0;
    table_.scanOrder([&](const NtxEntry& e) {
        if (n % stride_ == 0) landmarks_.push_back(e);
        ++n;
        return true;
    });
    size_ = n;
}

const std::vector<NtxEntry>& BrowseWindow::block(uint64_t index)
{
    auto it = blocks_.find(index);
    if (it != blocks_.end()) return it->second;
    if (blocks_.size() > 64) blocks_.clear();
    std::vector<NtxEntry>& b = blocks_[index];
    if (index >= landmarks_.size()) return b;
    std::optional<NtxEntry> e = landmarks_[index];
    while (e && b.size() < stride_) {
        b.push_back(*e);
        e = table_.orderNext(*e);
    }
    return b;
}

std::optional<NtxEntry> BrowseWindow::entryAt(uint64_t row)
{
    if (row >= size_) return std::nullopt;
    const std::vector<NtxEntry>& b = block(row / stride_);
    uint64_t i = row % stride_;
    if (i >= b.size()) return std::nullopt;
    return b[i];
}

std::optional<uint64_t> BrowseWindow::rowOf(const NtxEntry& entry)
{
    if (landmarks_.empty()) return std::nullopt;
    // The last landmark not after the entry.
    auto it = std::upper_bound(landmarks_.begin(), landmarks_.end(), entry,
                               [](const NtxEntry& a, const NtxEntry& b) { return before(a, b); });
    if (it == landmarks_.begin()) return std::nullopt;
    uint64_t index = static_cast<uint64_t>(it - landmarks_.begin()) - 1;
    const std::vector<NtxEntry>& b = block(index);
    for (size_t i = 0; i < b.size(); ++i)
        if (b[i].recno == entry.recno) return index * stride_ + i;
    return std::nullopt;
}

std::optional<uint64_t> BrowseWindow::currentRow()
{
    std::optional<NtxEntry> p = table_.position();
    if (!p) return std::nullopt;
    return rowOf(*p);
}

// ---------------------------------------------------------------- typing in a list

bool KeySearch::key(Table& t, char32_t ch)
{
    if (t.eof() || t.recno() != lastRecno_) text_.clear();
    const uint32_t here = t.eof() ? 0 : t.recno();
    std::string candidate = text_;
    if (ch == U'\b') {
        if (candidate.empty()) return false;
        // drop the last UTF-8 character
        size_t n = candidate.size() - 1;
        while (n > 0 && (static_cast<unsigned char>(candidate[n]) & 0xC0) == 0x80) --n;
        candidate.resize(n);
        text_ = candidate;
        if (candidate.empty()) {
            lastRecno_ = here;
            return false;
        }
    } else {
        candidate += Mask::upper(utf8Of(ch));
    }
    if (t.seek(utf8ToCp1252(candidate))) {
        text_ = candidate;
        lastRecno_ = t.recno();
        return t.recno() != here;
    }
    // No key begins with it: the character is dropped and the cursor stays.
    if (here) t.goTo(here);
    else t.goBottom(), t.skip(1);
    lastRecno_ = here;
    return false;
}

bool keySeek(Table& t, char32_t ch)
{
    const std::string upper = Mask::upper(utf8Of(ch));
    std::string lower = upper;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string up = utf8ToCp1252(upper), low = utf8ToCp1252(lower);
    const uint32_t here = t.eof() ? 0 : t.recno();
    auto firstOf = [&]() {
        if (t.seek(up)) return true;
        return low != up && t.seek(low);
    };
    if (here) {
        const std::string key = t.currentKey();
        const bool onUpper = startsWith(key, up), onLower = low != up && startsWith(key, low);
        if (onUpper || onLower) {
            t.skip(1);
            if (!t.eof()) {
                const std::string next = t.currentKey();
                if (startsWith(next, onUpper ? up : low)) return true;
            }
            // After the upper-case block come the lower-case keys, then back to the first.
            if (onUpper && low != up && t.seek(low)) return true;
            if (firstOf()) return t.recno() != here;
            t.goTo(here);
            return false;
        }
    }
    if (firstOf()) return t.recno() != here;
    if (here) t.goTo(here);
    return false;
}

} // namespace arv::records
