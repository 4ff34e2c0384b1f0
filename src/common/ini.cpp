#include "common/ini.h"

#include "common/cp1252.h"
#include "common/error.h"

// The names and values are handled as bytes (Windows-1252); no wide-character conversion.
#define SI_NO_CONVERSION
#include <SimpleIni.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace arv {

namespace {

struct Stamp {
    bool present = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    long long mtimeNs = 0;
    bool operator==(const Stamp&) const = default;
};

Stamp stampOf(const std::string& path)
{
    Stamp s;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return s;
    s.present = true;
    s.dev = st.st_dev;
    s.ino = st.st_ino;
    s.size = st.st_size;
    s.mtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    return s;
}

std::string readAll(const std::string& path, bool& found)
{
    found = false;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return {};
        throw Error::fromErrno(errno, EG_OPEN, path, "open");
    }
    found = true;
    std::string data;
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            ::close(fd);
            throw Error::fromErrno(err, EG_READ, path, "read");
        }
        if (n == 0) break;
        data.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return data;
}

std::pair<std::string, std::string> splitPath(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

std::string joinPath(const std::string& dir, const std::string& name)
{
    return dir == "/" ? "/" + name : dir + "/" + name;
}

// Lines end as the parser ends them: CRLF, LF or a lone CR.
std::vector<std::string> splitLines(const std::string& data)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= data.size()) {
        size_t end = data.find_first_of("\r\n", start);
        if (end == std::string::npos) end = data.size();
        lines.push_back(data.substr(start, end - start));
        start = end + (data.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

// Comment lines after the last entry belong to no entry, so the parser drops them; they are
// kept aside and written back at the end.
std::string trailingComments(const std::string& data)
{
    const std::vector<std::string> lines = splitLines(data);
    size_t last = lines.size();
    while (last > 0) {
        const std::string& l = lines[last - 1];
        size_t p = l.find_first_not_of(" \t");
        bool blank = p == std::string::npos;
        bool comment = !blank && (l[p] == ';' || l[p] == '#');
        if (!blank && !comment) break;
        --last;
    }
    std::string out;
    for (size_t i = last; i < lines.size(); ++i) {
        size_t p = lines[i].find_first_not_of(" \t");
        if (p != std::string::npos) out += lines[i] + "\r\n";
    }
    return out;
}

// The text as the parser can take it. Lines it cannot read as a section, a key or a comment (a
// "[" without its "]", a line without "=", a value without a key) would be dropped by the next
// change, and the parser gives a "[" line without "]" to the keys after it as their section
// name: such lines are kept as comments instead. A NUL byte would end the text there, and every
// setting after it would be lost at the next change: it reads as a blank.
std::string readableText(const std::string& data)
{
    std::string out;
    out.reserve(data.size() + 16);
    size_t start = 0;
    while (start < data.size()) {
        size_t end = data.find_first_of("\r\n", start);
        if (end == std::string::npos) end = data.size();
        std::string line = data.substr(start, end - start);
        std::replace(line.begin(), line.end(), '\0', ' ');
        if (start == 0 && line.rfind("\xEF\xBB\xBF", 0) == 0) { // the parser skips a byte-order mark
            out += line.substr(0, 3);
            line.erase(0, 3);
        }
        const size_t first = line.find_first_not_of(" \t");
        if (first != std::string::npos) {
            const char c = line[first];
            const bool readable = c == ';' || c == '#' ||
                                  (c == '[' ? line.find(']', first) != std::string::npos
                                            : line.find('=') != std::string::npos && c != '=');
            if (!readable) out += ';';
        }
        out += line;
        size_t next = end;
        while (next < data.size() && (data[next] == '\r' || data[next] == '\n')) {
            out += data[next];
            if (data[next++] == '\n') break;
        }
        start = next;
    }
    return out;
}

// The parser's output with CRLF line ends, no leading blank lines and at most one blank line
// in a row.
std::string toFileText(const std::string& saved, const std::string& trailer)
{
    std::string out;
    out.reserve(saved.size() + saved.size() / 16 + trailer.size());
    int blanks = 0;
    bool any = false;
    for (const std::string& line : splitLines(saved)) {
        if (line.empty()) {
            ++blanks;
            continue;
        }
        if (any && blanks > 0) out += "\r\n";
        blanks = 0;
        any = true;
        out += line;
        out += "\r\n";
    }
    if (!trailer.empty()) {
        if (any) out += "\r\n";
        out += trailer;
    }
    return out;
}

void writeAll(int fd, const std::string& data, const std::string& path)
{
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw Error::fromErrno(errno, EG_WRITE, path, "write");
        }
        done += static_cast<size_t>(n);
    }
}

// Replaces the file in one step: a reader sees the old text or the new, never half of it.
void replaceFile(const std::string& path, const std::string& data)
{
    auto [dir, name] = splitPath(path);
    std::string tmp = joinPath(dir, "\x7F" + name + "." + std::to_string(::getpid()) + ".TMP");
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) throw Error::fromErrno(errno, EG_CREATE, path, "create");
    try {
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0) (void)::fchmod(fd, st.st_mode & 07777);
        writeAll(fd, data, path);
        if (::fsync(fd) != 0) throw Error::fromErrno(errno, EG_WRITE, path, "write");
    } catch (...) {
        ::close(fd);
        ::unlink(tmp.c_str());
        throw;
    }
    if (::close(fd) != 0) {
        int err = errno;
        ::unlink(tmp.c_str());
        throw Error::fromErrno(err, EG_WRITE, path, "write");
    }
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        int err = errno;
        ::unlink(tmp.c_str());
        throw Error::fromErrno(err, EG_WRITE, path, "rename");
    }
    int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        (void)::fsync(dfd);
        ::close(dfd);
    }
}

// Holds the exclusive lock of one settings file for the length of a change.
class ChangeLock {
public:
    explicit ChangeLock(const std::string& path)
    {
        auto [dir, name] = splitPath(path);
        std::string lockName = joinPath(dir, "\x7F" + name + ".LCK");
        fd_ = ::open(lockName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd_ < 0) throw Error::fromErrno(errno, EG_CREATE, path, "lock");
        while (::flock(fd_, LOCK_EX) != 0) {
            if (errno == EINTR) continue;
            int err = errno;
            ::close(fd_);
            throw Error::fromErrno(err, EG_LOCK, path, "lock");
        }
    }
    ~ChangeLock()
    {
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
    }
    ChangeLock(const ChangeLock&) = delete;
    ChangeLock& operator=(const ChangeLock&) = delete;

private:
    int fd_ = -1;
};

std::string trimmed(std::string_view s)
{
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string_view::npos) return {};
    size_t e = s.find_last_not_of(" \t");
    return std::string(s.substr(b, e - b + 1));
}

void checkSection(const std::string& section)
{
    if (trimmed(section).empty() || section.find_first_of("[]\r\n") != std::string::npos)
        throw std::invalid_argument("invalid settings section name: " + section);
}

void checkKey(const std::string& key)
{
    std::string t = trimmed(key);
    if (t.empty() || t.front() == ';' || t.front() == '[' || key.find_first_of("=\r\n") != std::string::npos)
        throw std::invalid_argument("invalid settings key name: " + key);
}

} // namespace

struct IniFile::State {
    CSimpleIniA ini;
    std::string trailer;
    Stamp stamp;
    bool loaded = false;

    State()
    {
        ini.SetUnicode(false);
        ini.SetMultiKey(false);
        ini.SetMultiLine(false);
        ini.SetSpaces(false);
    }

    void load(const std::string& path)
    {
        Stamp before = stampOf(path);
        bool found = false;
        std::string data = readAll(path, found);
        ini.Reset();
        trailer.clear();
        if (found) {
            data = readableText(data);
            if (ini.LoadData(data.data(), data.size()) < 0) throw Error::corrupt(path, "settings file");
            trailer = trailingComments(data);
        }
        stamp = found ? before : Stamp{};
        loaded = true;
    }

    // The name as written in the file for a section, ignoring case (accented letters too).
    const char* section(const std::string& name) const
    {
        const std::string want = upperCp1252(trimmed(name));
        CSimpleIniA::TNamesDepend all;
        ini.GetAllSections(all);
        for (const auto& e : all)
            if (upperCp1252(trimmed(e.pItem)) == want) return e.pItem;
        return nullptr;
    }

    const char* key(const char* section, const std::string& name) const
    {
        const std::string want = upperCp1252(trimmed(name));
        CSimpleIniA::TNamesDepend all;
        if (!ini.GetAllKeys(section, all)) return nullptr;
        for (const auto& e : all)
            if (upperCp1252(trimmed(e.pItem)) == want) return e.pItem;
        return nullptr;
    }

    const char* value(const std::string& sec, const std::string& k) const
    {
        const char* s = section(sec);
        if (!s) return nullptr;
        const char* kk = key(s, k);
        if (!kk) return nullptr;
        return ini.GetValue(s, kk, nullptr);
    }
};

IniFile::IniFile(std::string path) : path_(std::move(path)), state_(std::make_unique<State>()) {}
IniFile::~IniFile() = default;
IniFile::IniFile(IniFile&&) noexcept = default;
IniFile& IniFile::operator=(IniFile&&) noexcept = default;

bool IniFile::exists() const { return stampOf(path_).present; }

void IniFile::refresh() const
{
    if (!state_->loaded || !(stampOf(path_) == state_->stamp)) state_->load(path_);
}

std::string IniFile::get(std::string_view section, std::string_view key, std::string_view def) const
{
    refresh();
    const char* v = state_->value(utf8ToCp1252(section), utf8ToCp1252(key));
    return v ? cp1252ToUtf8(v) : std::string(def);
}

bool IniFile::has(std::string_view section, std::string_view key) const
{
    refresh();
    return state_->value(utf8ToCp1252(section), utf8ToCp1252(key)) != nullptr;
}

int IniFile::getInt(std::string_view section, std::string_view key, int def) const
{
    if (!has(section, key)) return def;
    std::string v = trimmed(get(section, key));
    size_t i = 0;
    bool negative = false;
    if (i < v.size() && (v[i] == '-' || v[i] == '+')) negative = v[i++] == '-';
    if (i >= v.size() || v[i] < '0' || v[i] > '9') return def;
    long long n = 0;
    for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i) n = std::min(n * 10 + (v[i] - '0'), 1LL << 32);
    if (negative) n = -n;
    return static_cast<int>(std::clamp<long long>(n, INT_MIN, INT_MAX));
}

Decimal IniFile::getDecimal(std::string_view section, std::string_view key, Decimal def) const
{
    if (!has(section, key)) return def;
    std::string v = trimmed(get(section, key));
    std::replace(v.begin(), v.end(), ',', '.');
    auto d = Decimal::parse(v);
    return d ? *d : def;
}

bool IniFile::getFlag(std::string_view section, std::string_view key, bool def) const
{
    if (!has(section, key)) return def;
    std::string v = upperCp1252(utf8ToCp1252(trimmed(get(section, key))));
    for (const char* t : {"S", "SI", "S\xCC", "Y", "YES", "T", "TRUE", "1", ".T."})
        if (v == t) return true;
    for (const char* f : {"N", "NO", "F", "FALSE", "0", ".F."})
        if (v == f) return false;
    return def;
}

std::vector<std::string> IniFile::sections() const
{
    refresh();
    CSimpleIniA::TNamesDepend all;
    state_->ini.GetAllSections(all);
    all.sort(CSimpleIniA::Entry::LoadOrder());
    std::vector<std::string> out;
    for (const auto& e : all)
        if (*e.pItem) out.push_back(cp1252ToUtf8(e.pItem)); // the nameless section holds only comments
    return out;
}

std::vector<std::string> IniFile::keys(std::string_view section) const
{
    refresh();
    std::vector<std::string> out;
    const char* s = state_->section(utf8ToCp1252(section));
    if (!s) return out;
    CSimpleIniA::TNamesDepend all;
    state_->ini.GetAllKeys(s, all);
    all.sort(CSimpleIniA::Entry::LoadOrder());
    for (const auto& e : all) out.push_back(cp1252ToUtf8(e.pItem));
    return out;
}

void IniFile::update(const std::vector<std::pair<std::string, std::string>>& values, std::string_view section,
                     bool erase)
{
    const std::string sec = utf8ToCp1252(section);
    checkSection(sec);
    std::vector<std::pair<std::string, std::string>> items;
    for (const auto& [k, v] : values) {
        std::string key = utf8ToCp1252(k);
        checkKey(key);
        items.emplace_back(std::move(key), utf8ToCp1252(encodeLineBreaks(v)));
    }

    ChangeLock lock(path_);
    state_->load(path_); // what the other workstations wrote meanwhile
    store(items, sec, erase);
}

bool IniFile::setIf(std::string_view section, std::string_view key, std::string_view value,
                    const std::function<bool(const std::string& current)>& when)
{
    const std::string sec = utf8ToCp1252(section);
    checkSection(sec);
    std::string k = utf8ToCp1252(key);
    checkKey(k);
    ChangeLock lock(path_);
    state_->load(path_);
    const char* v = state_->value(sec, k);
    if (!when(v ? cp1252ToUtf8(v) : std::string())) return false;
    store({{k, utf8ToCp1252(encodeLineBreaks(value))}}, sec, false);
    return true;
}

void IniFile::store(const std::vector<std::pair<std::string, std::string>>& items, const std::string& sec, bool erase)
{
    State& st = *state_;
    bool changed = false;
    const char* s = st.section(sec);
    std::string secName = s ? std::string(s) : trimmed(sec);
    for (const auto& [key, value] : items) {
        const char* k = s ? st.key(s, key) : nullptr;
        if (erase) {
            if (k) changed |= st.ini.Delete(secName.c_str(), std::string(k).c_str());
            continue;
        }
        std::string keyName = k ? std::string(k) : trimmed(key);
        if (st.ini.SetValue(secName.c_str(), keyName.c_str(), value.c_str()) < 0)
            throw Error(EG_INTERNAL, 0, 0, "INI", "impossibile registrare l'impostazione", path_, "set");
        changed = true;
        s = st.section(sec);
    }
    if (!changed) return;
    std::string saved;
    if (st.ini.Save(saved, false) < 0)
        throw Error(EG_INTERNAL, 0, 0, "INI", "impossibile registrare le impostazioni", path_, "save");
    replaceFile(path_, toFileText(saved, st.trailer));
    st.stamp = stampOf(path_);
}

void IniFile::set(std::string_view section, std::string_view key, std::string_view value)
{
    update({{std::string(key), std::string(value)}}, section, false);
}

void IniFile::setInt(std::string_view section, std::string_view key, long long value)
{
    set(section, key, std::to_string(value));
}

void IniFile::setDecimal(std::string_view section, std::string_view key, const Decimal& value)
{
    set(section, key, value.toShortString());
}

void IniFile::setFlag(std::string_view section, std::string_view key, bool value)
{
    set(section, key, value ? "S" : "N");
}

void IniFile::setValues(std::string_view section, const std::vector<std::pair<std::string, std::string>>& values)
{
    update(values, section, false);
}

void IniFile::remove(std::string_view section, std::string_view key)
{
    update({{std::string(key), std::string()}}, section, true);
}

std::string encodeLineBreaks(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += '~';
        } else if (c == '\n') {
            out += '~';
        } else {
            out += c;
        }
    }
    return out;
}

std::string decodeLineBreaks(std::string_view text, std::string_view lineBreak)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '~') out += lineBreak;
        else out += c;
    }
    return out;
}

} // namespace arv
