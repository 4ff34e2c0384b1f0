#include "store/workspace.h"
#include "common/text_util.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "common/error.h"
#include "store/files.h"

namespace arv::store {

namespace fs = std::filesystem;

namespace {

bool isSharingConflict(const Error& e) { return e.osCode() == OS_SHARING_VIOLATION; }

} // namespace

Workspace::Workspace(std::string folder) : folder_(std::move(folder)) {}

Workspace::~Workspace()
{
    try {
        closeAll();
    } catch (...) {
    }
}

int Workspace::freeArea() const
{
    for (size_t i = 0; i < areas_.size(); ++i)
        if (!areas_[i]) return static_cast<int>(i + 1);
    return static_cast<int>(areas_.size() + 1);
}

Table* Workspace::tryOpen(const std::string& name, const std::string& alias, bool shared, bool readOnly)
{
    std::string a = detail::upperAscii(alias.empty() ? fs::path(name).stem().string() : alias);
    if (find(a)) throw Error(EG_OPEN, 1007, OS_NONE, "DBCMD", "Alias già in uso", a, "open");
    int area = freeArea();
    std::unique_ptr<Table> t;
    try {
        t = Table::open(folder_, name, a, shared ? OpenMode::Shared : OpenMode::Exclusive, readOnly);
    } catch (const Error& e) {
        if (isSharingConflict(e)) return nullptr;
        throw;
    }
    t->setArea(area);
    if (static_cast<size_t>(area) > areas_.size()) areas_.resize(static_cast<size_t>(area));
    areas_[static_cast<size_t>(area - 1)] = std::move(t);
    previous_.push_back(selected_);
    selected_ = area;
    return areas_[static_cast<size_t>(area - 1)].get();
}

Table& Workspace::open(const std::string& name, const std::string& alias, bool shared, bool readOnly, bool)
{
    if (Table* t = tryOpen(name, alias, shared, readOnly)) return *t;
    WaitHooks& h = waitHooks();
    if (h.show) {
        if (shared) h.show(kMsgSystemOperation, "Attendere");
        else h.show(kMsgSwitchOffTerminals, "Attenzione");
    }
    Table* t = nullptr;
    while (!(t = tryOpen(name, alias, shared, readOnly))) {
        if (h.idle) h.idle();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (h.hide) h.hide();
    return *t;
}

Table* Workspace::find(const std::string& alias) const
{
    std::string a = detail::upperAscii(alias);
    for (auto& t : areas_)
        if (t && t->alias() == a) return t.get();
    return nullptr;
}

Table& Workspace::operator[](const std::string& alias) const
{
    Table* t = find(alias);
    if (!t) throw Error(EG_ARG, 1002, OS_NONE, "DBCMD", "Alias non aperto", alias, "select");
    return *t;
}

Table* Workspace::current() const
{
    if (selected_ < 1 || static_cast<size_t>(selected_) > areas_.size()) return nullptr;
    return areas_[static_cast<size_t>(selected_ - 1)].get();
}

int Workspace::select(int area)
{
    int before = selected_;
    selected_ = area < 1 ? 1 : area;
    return before;
}

int Workspace::select(const std::string& alias)
{
    if (Table* t = find(alias)) return select(t->area());
    return selected_;
}

void Workspace::close(const std::string& alias)
{
    Table* t = alias.empty() ? current() : find(alias);
    if (!t) return;
    int area = t->area();
    areas_[static_cast<size_t>(area - 1)].reset();
    // Back to the area selected before this one was opened, when it is still there.
    while (!previous_.empty()) {
        int p = previous_.back();
        previous_.pop_back();
        if (p != area) {
            selected_ = p;
            return;
        }
    }
    selected_ = 1;
}

void Workspace::closeAll()
{
    areas_.clear();
    previous_.clear();
    selected_ = 1;
}

std::function<void()> Workspace::closerOfNewTables()
{
    std::vector<const Table*> before;
    for (auto& t : areas_)
        if (t) before.push_back(t.get());
    return [this, before] {
        for (auto& t : areas_)
            if (t && std::find(before.begin(), before.end(), t.get()) == before.end()) close(t->alias());
    };
}

std::string Workspace::newAlias() const
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "ALIAS%03d", freeArea() % 1000);
    return buf;
}

Workspace& workspace()
{
    static Workspace ws;
    return ws;
}

void installClaimLookup(const std::string& folder)
{
    schema::setClaimInsuredLookup([folder](std::string_view number) -> std::string {
        try {
            if (!fileExists(folder, "POLIZZE.DBF") || !fileExists(folder, "NUMPOL.NTX")) return std::string();
            auto pol = DbfFile::open(resolveFile(folder, "POLIZZE.DBF"), OpenMode::Shared, true);
            auto idx = NtxIndex::open(resolveFile(folder, "NUMPOL.NTX"), true);
            std::string key(number);
            key.resize(25, ' ');
            std::string b;
            for (auto e = idx->seek(key); e && e->key == key; e = idx->next(*e)) {
                if (!pol->read(e->recno, b) || b[0] == '*') continue;
                int f = pol->fieldIndex("ASSICURATO");
                return f < 0 ? std::string() : std::string(pol->raw(b, f));
            }
        } catch (const Error&) {
        }
        return std::string();
    });
}

bool NETUSED(const std::string& path)
{
    fs::path p(path);
    if (!p.has_extension()) p += ".DBF";
    std::error_code ec;
    if (!fs::exists(p, ec)) return false;
    try {
        auto f = DbfFile::open(p.string(), OpenMode::Exclusive, true);
        return false;
    } catch (const Error& e) {
        return e.osCode() == OS_SHARING_VIOLATION;
    }
}

} // namespace arv::store
