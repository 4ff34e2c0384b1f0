// Maintenance, backup, restore, sending and the producer update over real working folders.
#include "records/maintenance.h"

#include <gtest/gtest.h>
#include <minizip/zip.h>

#include <filesystem>
#include <fstream>
#include <cstdlib>
#include <map>
#include <sstream>

#include "common/ini.h"
#include "store/check.h"
#include "store/files.h"
#include "store/table.h"
#include "store/upgrade.h"
#include "store/workspace.h"
#include "support/smtpserver.h"
#include "support/tempdir.h"

using namespace arv;
using namespace arv::store;
using namespace arv::records;
namespace fs = std::filesystem;

namespace {

std::string slurp(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Every file of a folder with its contents (sub-folders by name only).
std::map<std::string, std::string> folderState(const std::string& folder)
{
    std::map<std::string, std::string> state;
    for (const auto& e : fs::directory_iterator(folder))
        state[e.path().filename().string()] = e.is_regular_file() ? slurp(e.path()) : "<folder>";
    return state;
}

// The live records of every table, memo texts in place of their block numbers.
std::map<std::string, std::vector<std::string>> liveRecords(const std::string& folder)
{
    std::map<std::string, std::vector<std::string>> all;
    for (const auto& t : schema::tables()) {
        auto f = DbfFile::open(resolveFile(folder, t.name + ".DBF"), OpenMode::Shared, true);
        auto& rows = all[t.name];
        forEachRecord(*f, [&](uint32_t, const std::string& b) {
            if (b[0] == '*') return true;
            std::string row = b;
            for (size_t i = 0; i < f->fields().size(); ++i)
                if (f->fields()[i].type == 'M') row += "|" + f->getMemo(b, static_cast<int>(i));
            rows.push_back(row);
            return true;
        });
    }
    return all;
}

void addRow(Table& t, const std::vector<std::pair<const char*, std::string>>& values)
{
    t.append();
    for (const auto& [field, value] : values) t.setText(FieldName::runtime(field), value);
    t.commit();
    t.unlock();
}

// A ZIP written entry by entry with any names, stored without compression.
void writeZip(const std::string& path, const std::vector<std::pair<std::string, std::string>>& entries)
{
    zipFile zf = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    ASSERT_NE(zf, nullptr);
    for (const auto& [name, data] : entries) {
        zip_fileinfo info{};
        ASSERT_EQ(zipOpenNewFileInZip64(zf, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, 0, 0, 0), ZIP_OK);
        zipWriteInFileInZip(zf, data.data(), static_cast<unsigned>(data.size()));
        zipCloseFileInZip(zf);
    }
    zipClose(zf, nullptr);
}

class Agency : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(AGGIORNADATABASE(dir.path()));
        std::ofstream(dir.file("ARV.INI")) << "[E-mail]\r\nServer smtp=smtp.example.it\r\n";
    }
    void fill(const std::string& folder)
    {
        Workspace ws(folder);
        Table& pol = ws.open("POLIZZE");
        addRow(pol, {{"CODICE", "         1"}, {"POLIZZA", "P1"}, {"PRODUTTORE", "ROSSI"}, {"ASSICURATO", "BIANCHI"}});
        pol.setMemo("NOTE", "nota della polizza P1");
        pol.commit();
        addRow(pol, {{"CODICE", "         2"}, {"POLIZZA", "P2"}, {"PRODUTTORE", "VERDI"}, {"ASSICURATO", "NERI"}});
        addRow(pol, {{"CODICE", "         3"}, {"POLIZZA", "P3"}, {"PRODUTTORE", "ROSSI MARIO"}});
        Table& auto_ = ws.open("DATIAUTO");
        for (const char* code : {"         1", "         2", "         3"}) addRow(auto_, {{"POLIZZA", code}});
        Table& sin = ws.open("SINISTRI");
        addRow(sin, {{"CODPOL", "         1"}, {"POLIZZA", "P1"}});
        addRow(sin, {{"CODPOL", "         2"}, {"POLIZZA", "P2"}});
        Table& mov = ws.open("MOVICOMP");
        for (const char* who : {"ROSSI", "VERDI"}) {
            addRow(mov, {{"CODICE", who[0] == 'R' ? "         1" : "         2"}, {"POLIZZA", "P1"}, {"PRODUTTORE", who}});
            mov.setNumber("PROVVAGEN", Decimal(25));
            mov.commit();
        }
        Table& cli = ws.open("CLIENTI");
        addRow(cli, {{"CLIENTE", "BIANCHI"}, {"SUBAGENTE", "ROSSI"}});
        addRow(cli, {{"CLIENTE", "NERI"}, {"SUBAGENTE", "VERDI"}});
        addRow(ws.open("MOVICONT"), {{"DESCRIZIO", "AFFITTO"}});
    }
    test::TempDir dir;
};

} // namespace

TEST(Zip, EntriesGetBareNamesAndAFailedSaveKeepsTheOldArchive)
{
    test::TempDir dir;
    fs::create_directories(dir.file("sub"));
    std::ofstream(dir.file("sub/A.DBF")) << "tabella";
    std::ofstream(dir.file("B.DBT")) << std::string(100000, 'x');
    const std::string zip = dir.file("out.zip");
    ASSERT_TRUE(ZIP(zip, {dir.file("sub/A.DBF"), dir.file("B.DBT")}));
    std::vector<ZipEntry> entries;
    ASSERT_TRUE(listZip(zip, entries));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].stored, "A.DBF");
    EXPECT_EQ(entries[1].stored, "B.DBT");

    // A missing file: nothing written, the archive already there is untouched.
    const std::string before = slurp(zip);
    ZipResult r = ZIP(zip, {dir.file("B.DBT"), dir.file("MANCA.DBF")});
    EXPECT_FALSE(r);
    EXPECT_EQ(r.message, "Impossibile trovare il file;;" + dir.file("MANCA.DBF"));
    EXPECT_EQ(slurp(zip), before);

    fs::create_directories(dir.file("to"));
    ASSERT_TRUE(UNZIP(zip, false, {}, "b.dbt", dir.file("to")));
    EXPECT_EQ(slurp(dir.file("to/B.DBT")), std::string(100000, 'x'));
    EXPECT_FALSE(fs::exists(dir.file("to/A.DBF")));

    // No archive is written with a password (it could not be read back).
    EXPECT_FALSE(ZIP(dir.file("pw.zip"), {dir.file("B.DBT")}, true, "segreto"));
    EXPECT_FALSE(fs::exists(dir.file("pw.zip")));
    std::string zipinfo = "unzip -tq " + zip + " > /dev/null 2>&1";
    if (std::system("which unzip > /dev/null 2>&1") == 0) {
        EXPECT_EQ(std::system(zipinfo.c_str()), 0) << "readable by unzip";
    }
}

TEST(Zip, EntryNamesNeverLeaveTheTargetFolder)
{
    EXPECT_EQ(entryName("POLIZZE.DBF").name, "POLIZZE.DBF");
    EXPECT_EQ(entryName("copia/ARV/POLIZZE.DBF").name, "POLIZZE.DBF");
    EXPECT_EQ(entryName("copia\\POLIZZE.DBF").name, "POLIZZE.DBF");
    EXPECT_EQ(entryName("copia/").kind, EntryName::Folder);
    for (const char* bad : {"../POLIZZE.DBF", "a/../../x.DBF", "/etc/POLIZZE.DBF", "\\x.DBF", "C:\\ARV\\x.DBF",
                            "C:x.DBF", "..", "a/.."})
        EXPECT_EQ(entryName(bad).kind, EntryName::Refused) << bad;
}

TEST_F(Agency, MaintenancePacksForGoodAndRebuildsEveryIndex)
{
    fill(dir.path());
    {
        Workspace ws(dir.path());
        Table& pol = ws.open("POLIZZE");
        pol.ordAdd("NUMPOL");
        ASSERT_TRUE(pol.seek("P2"));
        pol.del();
    }
    EXPECT_EQ(DbfFile::open(dir.file("POLIZZE.DBF"), OpenMode::Shared, true)->recordCount(), 3u);
    fs::remove(dir.file("SINPOL.NTX"));
    ArchiveResult r = maintainArchives(dir.path());
    ASSERT_TRUE(r) << r.message;
    auto f = DbfFile::open(dir.file("POLIZZE.DBF"), OpenMode::Shared, true);
    ASSERT_EQ(f->recordCount(), 2u); // the deleted policy is gone, not just hidden
    std::string b;
    for (uint32_t n = 1; n <= 2; ++n) {
        ASSERT_TRUE(f->read(n, b));
        EXPECT_NE(f->getString(b, f->fieldIndex("POLIZZA")).substr(0, 2), "P2");
    }
    EXPECT_EQ(f->getMemo((f->read(1, b), b), f->fieldIndex("NOTE")), "nota della polizza P1");
    for (const auto& t : schema::tables()) {
        CheckReport c = checkTable(dir.file(t.name + ".DBF"));
        EXPECT_TRUE(c.ok()) << t.name << ": " << (c.ok() ? "" : c.problems.front());
    }
}

TEST_F(Agency, MaintenanceThatCannotPackSaysSo)
{
    fill(dir.path());
    std::ofstream(dir.file("RAMI.DBF"), std::ios::trunc) << "non una tabella";
    ArchiveResult r = maintainArchives(dir.path());
    EXPECT_FALSE(r);
    EXPECT_EQ(r.message.rfind(kMsgMaintenanceFailed, 0), 0u) << r.message;
    EXPECT_NE(r.message.find("RAMI"), std::string::npos);
}

TEST(Save, ProposedNameAndExtension)
{
    EXPECT_EQ(backupName("ARV", Date::fromYmd(2026, 12, 6)), "Salvataggio archivi ARV del 061226.zip");
    EXPECT_EQ(withZipExtension("/x/copia"), "/x/copia.zip");
    EXPECT_EQ(withZipExtension("/x/copia.bak"), "/x/copia.bak");
}

TEST_F(Agency, SaveAndRestoreGiveBackTheSameLiveRecords)
{
    fill(dir.path());
    const auto saved = liveRecords(dir.path());
    test::TempDir out;
    const std::string zip = out.file("Salvataggio archivi ARV del 061226.zip");
    ArchiveResult r = saveArchives(dir.path(), zip, {"ARV.INI", "NONCE.INI"});
    ASSERT_TRUE(r) << r.message;
    EXPECT_EQ(r.message, "Salvataggio completato.");
    std::vector<ZipEntry> entries;
    ASSERT_TRUE(listZip(zip, entries));
    for (const auto& e : entries) EXPECT_EQ(e.stored.find(".NTX"), std::string::npos) << e.stored;
    EXPECT_EQ(entries.back().stored, "ARV.INI");

    // Work goes on after the save, then the backup is restored.
    {
        Workspace ws(dir.path());
        Table& pol = ws.open("POLIZZE");
        pol.ordAdd("NUMPOL");
        ASSERT_TRUE(pol.seek("P1"));
        pol.del();
        addRow(pol, {{"POLIZZA", "P9"}});
        Table& cli = ws.open("CLIENTI");
        cli.goTop();
        cli.lock(true);
        cli.setText("CLIENTE", "CAMBIATO");
        cli.commit();
        cli.unlock();
    }
    IniFile(dir.file("ARV.INI")).set("E-mail", "Server smtp", "altro");
    ASSERT_NE(liveRecords(dir.path()), saved);
    r = restoreArchives(dir.path(), zip);
    ASSERT_TRUE(r) << r.message;
    EXPECT_EQ(r.message, "Ripristino completato.");
    const auto restored = liveRecords(dir.path());
    for (const auto& [table, rows] : saved) EXPECT_EQ(restored.at(table), rows) << table;
    EXPECT_EQ(IniFile(dir.file("ARV.INI")).get("E-mail", "Server smtp"), "smtp.example.it");
    for (const auto& t : schema::tables()) EXPECT_TRUE(checkTable(dir.file(t.name + ".DBF")).ok()) << t.name;
    for (const auto& e : fs::directory_iterator(dir.path()))
        EXPECT_FALSE(e.is_directory()) << "work folder left behind: " << e.path();
}

TEST_F(Agency, RestoreConvertsTablesOfAnOlderLayoutAndRebuildsUsers)
{
    test::TempDir old;
    // An older policy table: no VERIFICA field yet and a narrower amount.
    std::vector<schema::FieldDef> fields;
    for (auto f : schema::findTable("POLIZZE")->fields) {
        if (f.name == "VERIFICA") continue;
        if (f.name == "IMPORTO") f.width = 9;
        fields.push_back(f);
    }
    DbfFile::create(old.file("POLIZZE.DBF"), fields);
    {
        auto f = DbfFile::open(old.file("POLIZZE.DBF"), OpenMode::Exclusive);
        std::string b;
        f->blank(b);
        f->putString(b, f->fieldIndex("POLIZZA"), "VECCHIA");
        f->putNumber(b, f->fieldIndex("IMPORTO"), Decimal(1234));
        f->append(b);
        f->sync();
    }
    DbfFile::create(old.file("USERS.DBF"), {{"USERID", 'C', 10, 0}});
    {
        auto f = DbfFile::open(old.file("USERS.DBF"), OpenMode::Exclusive);
        std::string b;
        f->blank(b);
        f->putString(b, 0, "MARIO");
        f->append(b);
        f->sync();
    }
    ASSERT_TRUE(ZIP(old.file("old.zip"), {old.file("POLIZZE.DBF"), old.file("POLIZZE.DBT"), old.file("USERS.DBF")}));
    ArchiveResult r = restoreArchives(dir.path(), old.file("old.zip"));
    ASSERT_TRUE(r) << r.message;
    EXPECT_FALSE(NEEDUPD(dir.path(), "POLIZZE", schema::findTable("POLIZZE")->fields));
    Workspace ws(dir.path());
    Table& pol = ws.open("POLIZZE");
    pol.ordAdd("NUMPOL");
    ASSERT_TRUE(pol.seek("VECCHIA"));
    EXPECT_EQ(pol.number("IMPORTO"), Decimal(1234));
    EXPECT_TRUE(checkTable(dir.file("POLIZZE.DBF")).ok());
    EXPECT_TRUE(checkTable(dir.file("USERS.DBF"), {dir.file("USERS.NTX")}).ok());
}

TEST_F(Agency, DamagedOrHostileArchivesChangeNothing)
{
    fill(dir.path());
    test::TempDir out;
    const std::string good = out.file("good.zip");
    ASSERT_TRUE(saveArchives(dir.path(), good));
    const std::string bytes = slurp(good);
    const std::string table = slurp(dir.file("CLIENTI.DBF"));

    std::ofstream(out.file("truncated.zip"), std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    writeZip(out.file("crc.zip"), {{"CLIENTI.DBF", table}});
    {
        std::string z = slurp(out.file("crc.zip"));
        size_t at = z.find(table.substr(0, 64));
        ASSERT_NE(at, std::string::npos);
        z[at + 40] ^= 0x55;
        std::ofstream(out.file("crc.zip"), std::ios::binary) << z;
    }
    writeZip(out.file("dotdot.zip"), {{"CLIENTI.DBF", table}, {"../EVIL.DBF", table}});
    writeZip(out.file("absolute.zip"), {{"CLIENTI.DBF", table}, {"/tmp/EVIL.DBF", table}});
    writeZip(out.file("drive.zip"), {{"C:\\ARV\\CLIENTI.DBF", table}});
    writeZip(out.file("notabackup.zip"), {{"lettera.txt", "Gentile cliente"}, {"ARV.INI", "[x]\r\n"}});
    writeZip(out.file("badheader.zip"), {{"CLIENTI.DBF", "non una tabella"}});
    writeZip(out.file("twice.zip"), {{"CLIENTI.DBF", table}, {"copia/clienti.dbf", table}});

    const auto before = folderState(dir.path());
    for (const char* name : {"truncated.zip", "crc.zip", "dotdot.zip", "absolute.zip", "drive.zip", "notabackup.zip",
                             "badheader.zip", "twice.zip", "missing.zip"}) {
        ArchiveResult r = restoreArchives(dir.path(), out.file(name));
        EXPECT_FALSE(r) << name;
        EXPECT_FALSE(r.message.empty()) << name;
        EXPECT_NE(r.message, kMsgRestoreDone) << name;
        EXPECT_EQ(folderState(dir.path()), before) << name;
    }
    EXPECT_FALSE(fs::exists(out.path() + "/../EVIL.DBF"));
    EXPECT_FALSE(fs::exists("/tmp/EVIL.DBF"));
    EXPECT_NE(restoreArchives(dir.path(), out.file("notabackup.zip")).message.find("non contiene"), std::string::npos);
}

TEST_F(Agency, RestoreTakesOnlyTablesAndSettings)
{
    fill(dir.path());
    std::ofstream(dir.file("ARV.DLL")) << "[Parametri]\r\nProduttore=ROSSI\r\n";
    const std::string dll = slurp(dir.file("ARV.DLL"));
    test::TempDir out;
    writeZip(out.file("b.zip"), {{"ARV.DLL", "[Parametri]\r\nPercorso=/x\r\n"},
                                 {"arvale", "programma"},
                                 {"POLIZZE.DBF", slurp(dir.file("POLIZZE.DBF"))},
                                 {"POLIZZE.DBT", slurp(dir.file("POLIZZE.DBT"))}});
    ArchiveResult r = restoreArchives(dir.path(), out.file("b.zip"));
    ASSERT_TRUE(r) << r.message;
    EXPECT_EQ(slurp(dir.file("ARV.DLL")), dll);
    EXPECT_FALSE(fs::exists(dir.file("arvale")));
}

TEST_F(Agency, RestoreWaitsForTheOtherWorkstationsAndUndoesAFailedUpgrade)
{
    fill(dir.path());
    test::TempDir old;
    std::vector<schema::FieldDef> fields = schema::findTable("RAMI")->fields;
    fields.back().width += 1; // an older layout that needs converting
    DbfFile::create(old.file("RAMI.DBF"), fields);
    ASSERT_TRUE(ZIP(old.file("old.zip"), {old.file("RAMI.DBF"), dir.file("CLIENTI.DBF"), dir.file("CLIENTI.DBT")}));
    {
        Workspace ws(dir.path());
        Table& cli = ws.open("CLIENTI");
        addRow(cli, {{"CLIENTE", "NUOVO"}});
    }
    const auto current = liveRecords(dir.path());

    // Another workstation has the policies open; it closes them when told to.
    auto other = DbfFile::open(dir.file("POLIZZE.DBF"), OpenMode::Shared, true);
    std::vector<std::string> shown;
    waitHooks().show = [&](const std::string& text, const std::string&) { shown.push_back(text); };
    waitHooks().idle = [&] { other.reset(); };
    // Something in the way of the conversion's work file makes the upgrade fail.
    fs::create_directories(dir.file("TEMPDBF_.DBF/blocco"));
    ArchiveResult r = restoreArchives(dir.path(), old.file("old.zip"));
    waitHooks() = WaitHooks{};
    EXPECT_FALSE(r);
    EXPECT_NE(r.message.find(kMsgArchivesPutBack), std::string::npos) << r.message;
    EXPECT_NE(std::find(shown.begin(), shown.end(), kMsgSwitchOffTerminals), shown.end());
    EXPECT_EQ(liveRecords(dir.path()), current);
    fs::remove_all(dir.file("TEMPDBF_.DBF"));
    for (const auto& t : schema::tables()) EXPECT_TRUE(checkTable(dir.file(t.name + ".DBF")).ok()) << t.name;
}

TEST_F(Agency, AFailureAfterAConversionBringsBackTheMemoFileToo)
{
    fill(dir.path());
    const auto before = liveRecords(dir.path());
    test::TempDir old;
    std::vector<schema::FieldDef> fields;
    for (const auto& f : schema::findTable("POLIZZE")->fields)
        if (f.type != 'M') fields.push_back(f); // a layout from before the notes: no memo file
    DbfFile::create(old.file("POLIZZE.DBF"), fields);
    DbfFile::create(old.file("USERS.DBF"), {{"USERID", 'C', 10, 0}});
    ASSERT_TRUE(ZIP(old.file("old.zip"), {old.file("POLIZZE.DBF"), old.file("USERS.DBF")}));
    // The users' index cannot be written: the restore fails after the policies were converted.
    fs::create_directories(dir.file("USERS.NTX/blocco"));
    ArchiveResult r = restoreArchives(dir.path(), old.file("old.zip"));
    EXPECT_FALSE(r);
    EXPECT_EQ(liveRecords(dir.path()), before);
    EXPECT_FALSE(fs::exists(dir.file("USERS.DBF")));
}

TEST_F(Agency, ProducerUpdateKeepsOnlyTheProducersShare)
{
    test::TempDir agency;
    ASSERT_TRUE(AGGIORNADATABASE(agency.path()));
    fill(agency.path());
    DbfFile::create(agency.file("USERS.DBF"), {{"USERID", 'C', 10, 0}});
    EXPECT_FALSE(updateProducerArchives(dir.path(), {agency.path(), ""}));
    EXPECT_EQ(updateProducerArchives(dir.path(), {"", "ROSSI"}).message, "Impossibile aggiornare gli archivi.");
    EXPECT_FALSE(updateProducerArchives(agency.path(), {agency.path(), "ROSSI"})) << "never the agency's own folder";

    std::ofstream(dir.file("ARV.DLL")) << "[Parametri]\r\nPercorso=" << agency.path() << "\r\nProduttore=rossi\r\n";
    ProducerSettings settings = ProducerSettings::load(dir.path());
    // A damaged agency table stops the update before anything local is replaced.
    const std::string clients = slurp(agency.file("CLIENTI.DBF"));
    std::ofstream(agency.file("CLIENTI.DBF"), std::ios::trunc) << "danneggiato";
    const auto before = folderState(dir.path());
    EXPECT_FALSE(updateProducerArchives(dir.path(), settings));
    EXPECT_EQ(folderState(dir.path()), before);
    std::ofstream(agency.file("CLIENTI.DBF"), std::ios::binary | std::ios::trunc) << clients;

    ArchiveResult r = updateProducerArchives(dir.path(), settings);
    ASSERT_TRUE(r) << r.message;
    auto rows = liveRecords(dir.path());
    auto field = [&](const std::string& table, FieldName name) {
        std::vector<std::string> values;
        Workspace ws(dir.path());
        Table& t = ws.open(table);
        for (t.goTop(); !t.eof(); t.skip()) values.push_back(t.text(name));
        return values;
    };
    EXPECT_EQ(field("POLIZZE", "POLIZZA"), std::vector<std::string>{"P1"});
    EXPECT_EQ(field("DATIAUTO", "POLIZZA"), std::vector<std::string>{"         1"});
    EXPECT_EQ(field("SINISTRI", "POLIZZA"), std::vector<std::string>{"P1"});
    EXPECT_EQ(field("MOVICOMP", "PRODUTTORE"), std::vector<std::string>{"ROSSI"});
    EXPECT_EQ(field("MOVICOMP", "PROVVAGEN"), std::vector<std::string>{"     0.00"});
    EXPECT_EQ(field("CLIENTI", "CLIENTE"), std::vector<std::string>{"BIANCHI"});
    EXPECT_TRUE(rows["MOVICONT"].empty());
    EXPECT_EQ(DbfFile::open(dir.file("DATIAUTO.DBF"), OpenMode::Shared, true)->recordCount(), 1u);
    EXPECT_FALSE(fs::exists(dir.file("USERS.DBF")));
    for (const auto& t : schema::tables()) EXPECT_TRUE(checkTable(dir.file(t.name + ".DBF")).ok()) << t.name;
    // The agency's archives are untouched.
    EXPECT_EQ(liveRecords(agency.path())["POLIZZE"].size(), 3u);
}

TEST_F(Agency, SendingReachesTheMailServer)
{
    fill(dir.path());
    arv::test::SmtpServer server(dir.file("posta"));
    ASSERT_TRUE(server.ready());
    SendSettings s;
    s.server = "127.0.0.1";
    s.port = std::to_string(server.port());
    s.sender = "agenzia@example.it";
    s.recipient = "sede@example.it";
    s.save(dir.file("ARV.INI"));
    ArchiveResult sent = sendArchives(dir.path(), s.recipient, settingsMailSender(dir.file("ARV.INI")));
    ASSERT_TRUE(sent) << sent.message << " / " << IniFile(dir.file("ARV.INI")).get("E-mail", "Porta");
    ASSERT_EQ(server.received(), 1);
    EXPECT_NE(server.item(1, "rcpt").find("sede@example.it"), std::string::npos);
    // The archive arrives whole: every table of the folder is in it.
    std::string zip = dir.file("ricevuto.zip");
    std::ofstream(zip, std::ios::binary) << server.item(1, "att_DATI.ZIP");
    std::vector<ZipEntry> entries;
    ASSERT_TRUE(listZip(zip, entries));
    EXPECT_EQ(entries.size(), archiveFiles(dir.path()).size());
    for (const auto& e : fs::directory_iterator(fs::temp_directory_path()))
        EXPECT_NE(e.path().filename(), "DATI.ZIP");
}

TEST_F(Agency, SendingMailsDatiZipAndRemovesIt)
{
    fill(dir.path());
    std::string attached;
    std::vector<ZipEntry> entries;
    MailSender fake = [&](const std::string& to, const std::string& subject, const std::string& body,
                          const std::vector<std::string>& files) {
        EXPECT_EQ(to, "sede@example.it");
        EXPECT_EQ(subject, "Aggiornamento dati ARV");
        EXPECT_EQ(body, "Inviamo in allegato l'aggiornamento degli archivi di ARV.\r\n\r\nDistinti saluti.");
        EXPECT_EQ(files.size(), 1u);
        attached = files.at(0);
        EXPECT_TRUE(listZip(attached, entries));
        return true;
    };
    ASSERT_TRUE(sendArchives(dir.path(), " sede@example.it ", fake));
    EXPECT_EQ(fs::path(attached).filename(), "DATI.ZIP");
    EXPECT_NE(fs::path(attached).parent_path(), fs::path(dir.path()));
    EXPECT_FALSE(fs::exists(attached));
    EXPECT_EQ(entries.size(), archiveFiles(dir.path()).size());
    EXPECT_FALSE(fs::exists(dir.file("DATI.ZIP")));

    ArchiveResult r = sendArchives(dir.path(), "x@example.it", [&](auto&&, auto&&, auto&&, const auto& files) {
        attached = files.at(0);
        return false;
    });
    EXPECT_EQ(r.message, "Impossibile inviare l'email.");
    EXPECT_FALSE(fs::exists(attached));

    SendSettings s;
    s.server = " smtp.example.it ";
    s.sender = "agenzia@example.it";
    EXPECT_EQ(s.problem(), "DestInvio");
    s.recipient = "sede@example.it";
    s.ssl = true;
    s.save(dir.file("ARV.INI"));
    SendSettings back = SendSettings::load(dir.file("ARV.INI"));
    EXPECT_EQ(back.server, "smtp.example.it");
    EXPECT_TRUE(back.ssl);
    EXPECT_EQ(IniFile(dir.file("ARV.INI")).get("E-mail", "SSL"), "S");
}
