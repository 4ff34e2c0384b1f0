#include "records/maintenance.h"
#include "common/text_util.h"

#include "common/sendmail.h"

#include <fnmatch.h>
#include <sys/file.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <set>
#include <thread>

#include "common/cp1252.h"
#include "common/error.h"
#include "common/files.h"
#include "common/ini.h"
#include "common/tempnames.h"
#include "common/text.h"
#include "store/check.h"
#include "store/dbf.h"
#include "store/files.h"
#include "store/ntx.h"
#include "store/osfile.h"
#include "store/table.h"
#include "store/upgrade.h"
#include "store/workspace.h"

namespace arv::records {

using namespace store;

namespace fs = std::filesystem;

namespace {

constexpr const char* kSettingsFile = "ARV.INI";
constexpr const char* kUsersTable = "USERS";

void show(const std::string& text, const std::string& title = "Attendere")
{
    if (waitHooks().show) waitHooks().show(text, title);
}

void hide()
{
    if (waitHooks().hide) waitHooks().hide();
}

// Closes the wait message shown on construction whatever way the operation ends.
class WaitMessage {
public:
    explicit WaitMessage(const std::string& text) { show(text); }
    ~WaitMessage() { close(); }
    void close()
    {
        if (open_) hide();
        open_ = false;
    }

private:
    bool open_ = true;
};

bool isArchiveName(const std::string& name)
{
    return !name.empty() && name[0] != kTempPrefix && ::fnmatch("*.DB?", name.c_str(), FNM_CASEFOLD) == 0;
}

bool isRestorable(const std::string& name)
{
    return isArchiveName(name) || detail::upperAscii(name) == kSettingsFile;
}

bool hasExtension(const std::string& name, const char* ext)
{
    return detail::upperAscii(fs::path(name).extension().string()) == ext;
}

std::string stem(const std::string& name)
{
    return detail::upperAscii(fs::path(name).stem().string());
}

// A working folder of this process beside the tables (so its files can be renamed into place),
// named as a temporary file and removed with everything in it when it goes.
class TempFolder {
public:
    explicit TempFolder(const fs::path& parent) : path_(parent / GETNEWFNAME()) { fs::create_directory(path_); }
    ~TempFolder()
    {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const fs::path& path() const { return path_; }
    std::string name() const { return path_.filename().string(); }

private:
    fs::path path_;
};

// Takes a file for exclusive use the way an exclusive open does (the whole-file lock every
// workstation's open holds), waiting with "Spegnere tutti i terminali..." while another holds
// it. The file's contents are not read: a damaged table can still be replaced.
os::Fd holdExclusive(const std::string& path)
{
    bool shown = false;
    for (;;) {
        int fd = os::openFile(path, O_RDONLY);
        if (fd < 0) {
            int err = errno;
            if (shown) hide();
            throw Error::fromErrno(err, EG_OPEN, path, "open");
        }
        os::Fd held(fd);
        int e = os::flockFile(fd, LOCK_EX | LOCK_NB);
        if (e == 0) {
            if (shown) hide();
            return held;
        }
        if (e != EWOULDBLOCK) {
            if (shown) hide();
            throw Error::fromErrno(e, EG_OPEN, path, "open");
        }
        held.reset();
        if (!shown) {
            show(kMsgSwitchOffTerminals, "Attenzione");
            shown = true;
        }
        if (waitHooks().idle) waitHooks().idle();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

// The first fault of any table of the folder or of its indexes ("" when all are sound).
std::string folderProblem(const std::string& folder)
{
    for (const auto& t : schema::tables()) {
        if (!fileExists(folder, t.name + ".DBF")) continue;
        std::vector<std::string> indexes;
        for (const auto& tag : t.tags) indexes.push_back(resolveFile(folder, tag + ".NTX"));
        CheckReport r = checkTable(resolveFile(folder, t.name + ".DBF"), indexes);
        if (!r.ok()) return t.name + ": " + r.problems.front();
    }
    return std::string();
}

// USERS.NTX on USERID over the live records, when the folder has a USERS table.
void rebuildUsersIndex(const std::string& folder)
{
    if (!fileExists(folder, std::string(kUsersTable) + ".DBF")) return;
    auto f = DbfFile::open(resolveFile(folder, std::string(kUsersTable) + ".DBF"), OpenMode::Exclusive);
    int field = f->fieldIndex("USERID");
    if (field < 0) return;
    std::vector<NtxEntry> entries;
    forEachRecord(*f, [&](uint32_t r, const std::string& b) {
        if (b[0] != '*') entries.push_back(NtxEntry{std::string(f->raw(b, field)), r});
        return true;
    });
    NtxInfo info;
    info.keyExpression = "USERID";
    info.tagName = kUsersTable;
    info.keySize = f->fields()[static_cast<size_t>(field)].width;
    NtxIndex::build(resolveFile(folder, std::string(kUsersTable) + ".NTX"), info, std::move(entries));
}

// The upgrade after files were swapped in: "" when the folder is sound again.
std::string upgradeAndCheck(const std::string& folder)
{
    try {
        std::string message;
        if (!AGGIORNADATABASE(folder, true, &message))
            return message.empty() ? std::string(kMsgMaintenanceFailed) : message;
        rebuildUsersIndex(folder);
        return folderProblem(folder);
    } catch (const std::exception& e) {
        return e.what();
    }
}

// Takes back the moves of a swap that were made. A file moved aside (into KEEP) returns over
// whatever the upgrade left under its name since; a file put in place goes back only when it
// really left the staging folder.
void undoMoves(const std::string& folder, const std::vector<std::pair<std::string, std::string>>& moves,
               const std::string& keep)
{
    std::error_code ec;
    for (auto it = moves.rbegin(); it != moves.rend(); ++it) {
        fs::path src = fs::path(folder) / it->first, dst = fs::path(folder) / it->second;
        const bool aside = it->second.rfind(keep + "/", 0) == 0;
        if (fs::exists(dst, ec) && (aside || !fs::exists(src, ec))) fs::rename(dst, src, ec);
    }
    syncFolder(folder);
}

// Puts the files NAMES of the staging folder STAGE in place of the folder's own. Every table is
// taken exclusively first; the replaced files are moved aside (with the memo file of a table
// replaced by one without) and come back if the upgrade, the rebuild or the final check of
// every table reports a problem.
ArchiveResult swapIn(const std::string& folder, const TempFolder& stage, const std::vector<std::string>& names,
                     const std::string& failurePrefix)
{
    std::set<std::string> tables;
    for (const auto& t : schema::tables())
        if (fileExists(folder, t.name + ".DBF")) tables.insert(resolveFile(folder, t.name + ".DBF"));
    std::set<std::string> staged;
    for (const auto& n : names) {
        staged.insert(detail::upperAscii(n));
        if (hasExtension(n, ".DBF") && fileExists(folder, n)) tables.insert(resolveFile(folder, n));
    }
    std::vector<os::Fd> held;
    try {
        for (const auto& path : tables) held.push_back(holdExclusive(path));
    } catch (const Error& e) {
        return {false, failurePrefix + ";;" + e.what()};
    }

    std::unique_ptr<TempFolder> keepFolder;
    try {
        keepFolder = std::make_unique<TempFolder>(folder);
    } catch (const std::exception& e) {
        return {false, failurePrefix + ";;" + e.what()};
    }
    const TempFolder& keep = *keepFolder;
    std::vector<std::pair<std::string, std::string>> moves;
    std::set<std::string> movedAside;
    auto moveAside = [&](const std::string& name) {
        if (!fileExists(folder, name)) return;
        std::string existing = fs::path(resolveFile(folder, name)).filename().string();
        if (movedAside.insert(detail::upperAscii(existing)).second) moves.emplace_back(existing, keep.name() + "/" + existing);
    };
    for (const auto& n : names) {
        moveAside(detail::upperAscii(n));
        if (hasExtension(n, ".DBF") && !staged.count(stem(n) + ".DBT")) moveAside(stem(n) + ".DBT");
    }
    for (const auto& n : names) moves.emplace_back(stage.name() + "/" + n, detail::upperAscii(n));
    try {
        replaceFiles(folder, moves);
    } catch (const std::exception& e) {
        undoMoves(folder, moves, keep.name());
        return {false, failurePrefix + ";;" + e.what()};
    }
    held.clear();

    std::string problem = upgradeAndCheck(folder);
    if (problem.empty()) return {};
    undoMoves(folder, moves, keep.name());
    // The indexes now describe the files that were taken back out: without them the rebuild
    // below (or, should it fail, the next start) builds them again from the tables in place.
    std::error_code ec;
    for (const auto& tag : schema::tags()) fs::remove(resolveFile(folder, tag.name + ".NTX"), ec);
    AGGIORNADATABASE(folder, true);
    return {false, failurePrefix + ";;" + kMsgArchivesPutBack + ";;" + problem};
}

// Copies the live records of TABLE from FROM into a new table of the same layout in TO, those
// that KEEP accepts, after ADJUST.
void filterTable(const std::string& from, const fs::path& to, const std::string& table,
                 const std::function<bool(DbfFile&, const std::string&)>& keep,
                 const std::function<void(DbfFile&, std::string&)>& adjust = {})
{
    auto in = DbfFile::open(resolveFile(from, table + ".DBF"), OpenMode::Shared, true);
    const fs::path path = to / (table + ".DBF");
    DbfFile::create(path.string(), in->fields());
    auto out = DbfFile::open(path.string(), OpenMode::Exclusive);
    out->setBulk(true);
    std::vector<int> memos;
    for (size_t i = 0; i < in->fields().size(); ++i)
        if (in->fields()[i].type == 'M') memos.push_back(static_cast<int>(i));
    std::string copy;
    forEachRecord(*in, [&](uint32_t, const std::string& b) {
        if (b[0] == '*' || !keep(*in, b)) return true;
        copy = b;
        for (int m : memos) out->putMemo(copy, m, in->getMemo(b, m));
        if (adjust) adjust(*out, copy);
        if (out->append(copy) == 0) throw Error(EG_WRITE, 0, OS_NONE, "DBFNTX", "append", path.string(), "append");
        out->unlockAll();
        return true;
    });
    out->sync();
}

} // namespace

// ---------------------------------------------------------------- maintenance

const std::vector<std::string>& maintenanceOrder()
{
    static const std::vector<std::string> order = {
        "POLIZZE",  "DATIAUTO", "RAMIELEM", "VITA",     "SINISTRI", "MOVICOMP", "MOVICONT", "FATTBSA", "TITOLI",
        "NUMESINI", "PREVBSA",  "QUIETANZ", "FINANZ",   "QUESTADE", "CASSA",    "CLIENTI",  "COMPAGN", "PRODUTT",
        "PROVVIG",  "RAMI",     "GRUPPI",   "MARKETNG", "TIPISIN",  "DESMVCOM", "DESMVCON", "VOCICON", "CATECON",
        "GARANZIE", "OPERATOR", "CONVENZ",  "PRODOTTI", "PROFESS",  "COMUNI"};
    return order;
}

ArchiveResult maintainArchives(const std::string& folder, bool interactive, bool upgrade)
{
    if (upgrade) {
        std::string problem = upgradeAndCheck(folder);
        if (problem.empty()) return {};
        return {false, std::string(kMsgMaintenanceFailed) + ";;" + problem};
    }
    WaitMessage wait(interactive ? kMsgMaintenanceRunning : kMsgRebuildingIndexes);
    recoverReplacements(folder);
    installClaimLookup(folder);
    for (const std::string& name : maintenanceOrder()) {
        const schema::TableDef* table = schema::findTable(name);
        if (!table || !fileExists(folder, name + ".DBF")) continue;
        try {
            packTable(folder, *table);
        } catch (const std::exception& e) {
            return {false, std::string(kMsgMaintenanceFailed) + ";;" + name + ": " + e.what()};
        }
    }
    std::string problem;
    try {
        problem = folderProblem(folder);
    } catch (const std::exception& e) {
        problem = e.what();
    }
    if (!problem.empty()) return {false, std::string(kMsgMaintenanceFailed) + ";;" + problem};
    return {};
}

// ---------------------------------------------------------------- save

std::vector<std::string> archiveFiles(const std::string& folder)
{
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec)) {
        std::string name = e.path().filename().string();
        if (isArchiveName(name) && e.is_regular_file(ec)) files.push_back(e.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string backupName(const std::string& programName, const Date& today)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%02d%02d%02d", today.day(), today.month(), today.year() % 100);
    return "Salvataggio archivi " + programName + " del " + digits + ".zip";
}

std::string withZipExtension(const std::string& name)
{
    return fs::path(name).has_extension() ? name : name + ".zip";
}

ArchiveResult saveArchives(const std::string& folder, const std::string& zipFile,
                           const std::vector<std::string>& extraFiles)
{
    WaitMessage wait(kMsgCompressing);
    std::vector<std::string> files = archiveFiles(folder);
    for (const auto& extra : extraFiles)
        if (fileExists(folder, extra)) files.push_back(resolveFile(folder, extra));
    ZipResult r = ZIP(withZipExtension(zipFile), files);
    wait.close();
    if (!r) return r;
    return {true, kMsgSaveDone};
}

// ---------------------------------------------------------------- restore

ArchiveResult restoreArchives(const std::string& folder, const std::string& zipFile)
{
    WaitMessage wait(kMsgDecompressing);
    std::error_code ec;
    if (!fs::is_regular_file(zipFile, ec)) return {false, kMsgFileNotFound + zipFile};
    std::unique_ptr<TempFolder> stage;
    try {
        stage = std::make_unique<TempFolder>(folder);
    } catch (const std::exception&) {
        return {false, kMsgUnzipError + zipFile};
    }
    std::vector<std::string> extracted;
    if (ZipResult r = UNZIP(zipFile, false, {}, {}, stage->path().string(), &extracted); !r) return r;
    std::vector<std::string> names;
    bool anyTable = false;
    for (const auto& n : extracted) {
        if (!isRestorable(n)) continue;
        names.push_back(n);
        anyTable = anyTable || hasExtension(n, ".DBF");
    }
    if (!anyTable) return {false, "Il file " + zipFile + " non contiene un salvataggio degli archivi."};
    for (const auto& n : names) {
        if (!hasExtension(n, ".DBF")) continue;
        try {
            DbfFile::open((stage->path() / n).string(), OpenMode::Shared, true);
        } catch (const Error& e) {
            return {false, kMsgUnzipError + zipFile + ";;" + n + ": " + e.what()};
        }
    }
    wait.close();
    ArchiveResult r = swapIn(folder, *stage, names, kMsgRestoreFailed);
    if (!r) return r;
    return {true, kMsgRestoreDone};
}

// ---------------------------------------------------------------- send

SendSettings SendSettings::load(const std::string& iniPath)
{
    // The same keys as every other e-mail of the program, plus the recipient of the data.
    MailSettings mail = MailSettings::load(IniFile(iniPath));
    SendSettings s;
    s.connection = mail.connection;
    s.server = mail.server;
    s.sender = mail.sender;
    s.recipient = mail.destInvio;
    s.user = mail.user;
    s.password = mail.password;
    s.port = mail.port ? std::to_string(mail.port) : std::string();
    s.ssl = mail.ssl;
    return s;
}

void SendSettings::save(const std::string& iniPath) const
{
    IniFile ini(iniPath);
    MailSettings mail = MailSettings::load(ini);
    mail.connection = connection;
    mail.server = server;
    mail.sender = sender;
    mail.user = user;
    mail.password = password;
    mail.port = std::atoi(trim(port).c_str());
    mail.ssl = ssl;
    mail.save(ini);
    ini.set("E-mail", "DestInvio", trim(recipient));
}

std::string SendSettings::problem() const
{
    if (trim(server).empty()) return "Server smtp";
    if (trim(sender).empty()) return "Mittente";
    if (trim(recipient).empty()) return "DestInvio";
    return std::string();
}

MailSender settingsMailSender(const std::string& iniPath)
{
    return [iniPath](const std::string& to, const std::string& subject, const std::string& body,
                     const std::vector<std::string>& attachments) {
        MailMessage m = MailSettings::load(IniFile(iniPath)).message();
        m.to = to;
        m.subject = subject;
        m.body = body;
        m.attachments = attachments;
        return SENDMAIL(m);
    };
}

ArchiveResult sendArchives(const std::string& folder, const std::string& recipient, const MailSender& send)
{
    // A folder of this process alone: two workstations sending at once never meet.
    std::unique_ptr<TempFolder> temp;
    try {
        temp = std::make_unique<TempFolder>(fs::temp_directory_path());
    } catch (const std::exception&) {
        return {false, kMsgZipCreateError + std::string(kSendZipName)};
    }
    const std::string zip = (temp->path() / kSendZipName).string();
    ZipResult r;
    {
        WaitMessage wait(kMsgCompressing);
        r = ZIP(zip, archiveFiles(folder));
    }
    if (!r) return r;
    bool sent = send && send(trim(recipient), kSendSubject, kSendBody, {zip});
    std::error_code ec;
    fs::remove(zip, ec);
    if (!sent) return {false, kMsgMailFailed};
    return {};
}

// ---------------------------------------------------------------- producer update

ProducerSettings ProducerSettings::load(const std::string& folder)
{
    ProducerSettings s;
    if (!fileExists(folder, kProducerSettingsFile)) return s;
    IniFile ini(resolveFile(folder, kProducerSettingsFile));
    s.agencyFolder = trim(ini.get("Parametri", "Percorso"));
    s.producer = trim(ini.get("Parametri", "Produttore"));
    return s;
}

ArchiveResult updateProducerArchives(const std::string& folder, const ProducerSettings& settings)
{
    const ArchiveResult failed{false, kMsgProducerFailed};
    if (settings.agencyFolder.empty() || settings.producer.empty()) return failed;
    std::error_code ec;
    fs::path agency = fs::path(settings.agencyFolder);
    if (agency.is_relative()) agency = fs::path(folder) / agency;
    // The agency's own folder is never filtered: that would leave the agency with one producer.
    if (!fs::is_directory(agency, ec) || fs::equivalent(agency, folder, ec) ||
        !fileExists(agency.string(), "POLIZZE.DBF"))
        return failed;
    const std::string from = agency.string();
    const std::string producer = upperCp1252(utf8ToCp1252(settings.producer));
    auto isProducer = [&](const char* field) {
        return [field, &producer](DbfFile& f, const std::string& b) {
            int i = f.fieldIndex(field);
            return i >= 0 && upperCp1252(trim(f.raw(b, i))) == producer;
        };
    };

    WaitMessage wait(kMsgUpdatingArchives);
    std::unique_ptr<TempFolder> stage;
    std::vector<std::string> names;
    try {
        stage = std::make_unique<TempFolder>(folder);
        const std::set<std::string> rebuilt = {"POLIZZE", "DATIAUTO", "RAMIELEM", "VITA",   "SINISTRI", "MOVICOMP",
                                               "CLIENTI", "MOVICONT", "TITOLI",   "PROVVIG", "FINANZ"};
        for (const auto& file : archiveFiles(from)) {
            std::string name = detail::upperAscii(fs::path(file).filename().string());
            if (name.rfind("USERS", 0) == 0 || rebuilt.count(stem(name))) continue;
            fs::copy_file(file, stage->path() / name);
            names.push_back(name);
        }
        std::set<std::string> policies;
        auto policyKept = [&policies](const char* field) {
            return [field, &policies](DbfFile& f, const std::string& b) {
                int i = f.fieldIndex(field);
                return i >= 0 && policies.count(trim(f.raw(b, i))) != 0;
            };
        };
        auto build = [&](const std::string& table, const std::function<bool(DbfFile&, const std::string&)>& keep,
                         const std::function<void(DbfFile&, std::string&)>& adjust = {}) {
            if (!fileExists(from, table + ".DBF")) return;
            filterTable(from, stage->path(), table, keep, adjust);
            names.push_back(table + ".DBF");
            if (fileExists(stage->path().string(), table + ".DBT")) names.push_back(table + ".DBT");
        };
        auto producerPolicy = isProducer("PRODUTTORE");
        build("POLIZZE", [&](DbfFile& f, const std::string& b) {
            if (!producerPolicy(f, b)) return false;
            int code = f.fieldIndex("CODICE");
            if (code >= 0) policies.insert(trim(f.raw(b, code)));
            return true;
        });
        build("DATIAUTO", policyKept("POLIZZA"));
        build("RAMIELEM", policyKept("POLIZZA"));
        build("VITA", policyKept("POLIZZA"));
        build("SINISTRI", policyKept("CODPOL"));
        build("MOVICOMP", isProducer("PRODUTTORE"), [](DbfFile& f, std::string& b) {
            int i = f.fieldIndex("PROVVAGEN");
            if (i >= 0) f.putNumber(b, i, Decimal());
        });
        build("CLIENTI", isProducer("SUBAGENTE"));
        for (const char* table : {"MOVICONT", "TITOLI", "PROVVIG", "FINANZ"})
            build(table, [](DbfFile&, const std::string&) { return false; });
    } catch (const std::exception& e) {
        return {false, std::string(kMsgProducerFailed) + ";;" + e.what()};
    }
    wait.close();
    ArchiveResult r = swapIn(folder, *stage, names, kMsgProducerFailed);
    return r;
}

} // namespace arv::records
