#include "records/comuni.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "common/cp1252.h"
#include "store/workspace.h"

namespace fs = std::filesystem;

namespace arv::records {

using namespace store;

namespace {

// Header names to column numbers.
std::map<std::string, size_t> columnsOf(const std::string& header)
{
    std::map<std::string, size_t> m;
    std::vector<std::string> f = csvFields(header);
    for (size_t i = 0; i < f.size(); ++i) m[f[i]] = i;
    return m;
}

// Reads the rows of one file as (code, name, row) through EACH; false when the file is missing.
template <typename Fn>
bool eachRow(const fs::path& file, Fn each)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    std::string line;
    if (!std::getline(in, line)) return true;
    if (line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::map<std::string, size_t> cols = columnsOf(line);
    auto col = [&](const char* name) { auto it = cols.find(name); return it == cols.end() ? SIZE_MAX : it->second; };
    const size_t code = col("cadastral_code"), name = col("name");
    if (code == SIZE_MAX || name == SIZE_MAX) return true;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        std::vector<std::string> f = csvFields(line);
        if (code >= f.size() || name >= f.size() || f[code].size() != 4 || f[name].empty()) continue;
        each(f[code], f[name], f, cols);
    }
    return true;
}

std::string upperName(const std::string& utf8)
{
    // Up to the field's width, in the tables' character set and back.
    std::string cp = upperCp1252(utf8ToCp1252(utf8));
    if (cp.size() > 40) cp.resize(40);
    return cp1252ToUtf8(cp);
}

// Bulk writes under the table lock the caller took; both end however the work ends.
struct LockedBulk {
    Table& t;
    explicit LockedBulk(Table& table) : t(table) { t.setBulk(true); }
    ~LockedBulk()
    {
        try {
            t.setBulk(false);
            t.unlock();
        } catch (...) {
        }
    }
};

} // namespace

std::vector<std::string> csvFields(const std::string& line)
{
    std::vector<std::string> out(1);
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                out.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                out.back() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            out.emplace_back();
        } else {
            out.back() += c;
        }
    }
    return out;
}

std::vector<Comune> readComuni(const std::string& csvFolder)
{
    std::vector<Comune> all;
    std::set<std::string> seen;
    auto add = [&](const std::string& code, const std::string& name) {
        std::string c = upperCp1252(code);
        if (!seen.insert(c).second) return;
        all.push_back(Comune{c, upperName(name)});
    };
    const fs::path dir(csvFolder);
    eachRow(dir / kComuniAttuali, [&](const std::string& code, const std::string& name, auto&, auto&) { add(code, name); });
    // Ceased codes: the latest row of each code not in force.
    std::map<std::string, std::pair<std::string, std::string>> ceased; // code -> (valid_to, name)
    eachRow(dir / kComuniStorico, [&](const std::string& code, const std::string& name,
                                     const std::vector<std::string>& f, const std::map<std::string, size_t>& cols) {
        auto to = cols.find("valid_to");
        std::string until = to != cols.end() && to->second < f.size() ? f[to->second] : std::string();
        auto& slot = ceased[upperCp1252(code)];
        if (slot.second.empty() || until >= slot.first) slot = {until, name};
    });
    for (const auto& [code, v] : ceased) add(code, v.second);
    eachRow(dir / kStatiEsteri, [&](const std::string& code, const std::string& name, auto&, auto&) { add(code, name); });
    return all;
}

size_t fillComuni(const std::string& folder, const std::string& csvFolder)
{
    if (csvFolder.empty()) return 0;
    Workspace ws(folder);
    Table& t = ws.open("COMUNI", "COMUNI", true);
    t.ordAdd("COMUNI");
    // Under the table lock, so that two workstations starting together fill it once.
    t.lock(false);
    LockedBulk hold(t);
    t.goTop();
    if (!t.eof() || t.lastRec() > 0) return 0;
    const std::vector<Comune> all = readComuni(csvFolder);
    for (const Comune& c : all) {
        t.append(true);
        t.setText("CODICE", c.code);
        t.setText("COMUNE", c.name);
        t.commit();
    }
    return all.size();
}

size_t refreshComuni(const std::string& folder, const std::string& csvFolder)
{
    const std::vector<Comune> all = readComuni(csvFolder);
    if (all.empty()) return 0;
    Workspace ws(folder);
    Table& t = ws.open("COMUNI", "COMUNI", true);
    t.ordAdd("COMUNI");
    t.lock(false);
    LockedBulk hold(t);
    size_t changed = 0;
    for (const Comune& c : all) {
        if (t.seek(utf8ToCp1252(c.code))) {
            if (t.text("COMUNE") == c.name) continue;
            t.setText("COMUNE", c.name);
        } else {
            t.append(true);
            t.setText("CODICE", c.code);
            t.setText("COMUNE", c.name);
        }
        t.commit();
        ++changed;
    }
    return changed;
}

std::string comuniDataFolder(const std::string& programDir)
{
    std::vector<fs::path> candidates;
    if (!programDir.empty()) {
        candidates.push_back(fs::path(programDir) / "data" / "comuni");
        candidates.push_back(fs::path(programDir) / ".." / "share" / "arvale" / "comuni");
    }
#ifdef ARV_COMUNI_SOURCE_DIR
    candidates.push_back(fs::path(ARV_COMUNI_SOURCE_DIR));
#endif
    std::error_code ec;
    for (const fs::path& p : candidates)
        if (fs::exists(p / kComuniAttuali, ec)) return p.lexically_normal().string();
    return std::string();
}

} // namespace arv::records
