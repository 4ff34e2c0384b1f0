#include "registry/clients.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "common/pagemodel.h"
#include "records/comuni.h"
#include "records/criteria.h"
#include "records/lookups.h"
#include "store/upgrade.h"
#include "store/workspace.h"
#include "support/pages.h"
#include "support/tempdir.h"
#include "support/ziptest.h"
#include "ui/popmsg.h"
#include "ui/qtapp.h"
#include "registry/registerfolder.h"
#include "ui/register.h"

#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include "support/projectfiles.h"

using namespace arv;
using namespace arv::store;
using namespace arv::records;
using arv::registry::clientsRegister;

namespace {

std::string comuni() { return arv::test::comuniFolder(); }

class Clients : public arv::test::RegisterFolderTest {
protected:

    const RegisterDesc& desc() { return clientsRegister(); }
    EditValues client(const std::string& name)
    {
        EditValues v = blankValues(desc().fields);
        v.set("CLIENTE", name);
        v.set("STATOCIV", "Single");
        v.set("TITOLO", "Egr. Sig.");
        v.set("CITTADIN", "ITALIANA");
        return v;
    }
    SaveResult insert(const EditValues& v) { return saveRecord(desc(), workspace(), true, blankValues(desc().fields), v); }
    Table& clients() { return workspace()["CLIENTI"]; }
    // A record appended to TABLE with the given texts.
    void addRow(const std::string& table, const std::vector<std::pair<std::string, std::string>>& texts,
                const std::function<void(Table&)>& more = {})
    {
        const int selected = workspace().selected();
        const std::string alias = workspace().newAlias();
        Table& t = workspace().open(table, alias, true);
        t.append();
        for (const auto& [f, v] : texts) t.setText(FieldName::runtime(f), v);
        if (more) more(t);
        t.commit();
        t.unlock();
        workspace().close(alias);
        workspace().select(selected);
    }
    void addPolicy(const std::string& insured, const std::string& number, Date covered, bool replaced = false,
                   bool cancelled = false, const std::string& company = "Alfa Assicurazioni")
    {
        addRow("POLIZZE", {{"ASSICURATO", insured}, {"POLIZZA", number}, {"COMPAGNIA", company}, {"RAMO", "AUTO"},
                           {"FRAZIONAM", "ANNUALE"}, {"SOSTDA", replaced ? "X" + number : ""}},
               [&](Table& t) {
                   t.setDate("COPERTURA", covered);
                   t.setLogical("DISDETTA", cancelled);
                   t.setNumber("IMPORTO", Decimal(100));
               });
    }

};

// Check character of a person's tax code.
std::string withCheck(const std::string& code15)
{
    static const int odd[] = {1, 0, 5, 7, 9, 13, 15, 17, 19, 21, 2, 4, 18, 20, 11, 3, 6, 8, 12, 14, 16, 10, 22, 25, 24, 23};
    int sum = 0;
    for (size_t i = 0; i < 15; ++i) {
        const char c = code15[i];
        const int v = c >= '0' && c <= '9' ? c - '0' : c - 'A';
        sum += i % 2 == 0 ? odd[v] : v;
    }
    return code15 + static_cast<char>('A' + sum % 26);
}

std::string allPages(const PrintDocument& doc) { return test::pagesText(doc); }

} // namespace

TEST_F(Clients, InsertModifyDeleteAndTheirChecks)
{
    openRegisterTables(desc(), workspace());
    EXPECT_EQ("CLIENTE", desc().editName);
    EXPECT_EQ("Clienti - 0 di 0", registerTitle(desc(), clients(), 0));

    // The dialog's rules: name, civil state, title and citizenship required; codes valid or empty.
    EditValues v = client("Rossi Mario");
    EXPECT_FALSE(recheckValues(desc().fields, v, &clients()));
    EditValues bad = v;
    bad.set("CODICEFISC", "RSSMRA85T10A562X");
    EXPECT_EQ("Campo non valido.", recheckValues(desc().fields, bad, &clients())->message);
    bad = v;
    bad.set("PARTITAIVA", "12345678901");
    EXPECT_TRUE(recheckValues(desc().fields, bad, &clients()));
    bad = v;
    bad.set("SESSO", "X");
    EXPECT_TRUE(recheckValues(desc().fields, bad, &clients()));
    for (const char* f : {"CLIENTE", "STATOCIV", "TITOLO", "CITTADIN"}) {
        bad = v;
        bad.set(f, "");
        EXPECT_TRUE(recheckValues(desc().fields, bad, &clients())) << f;
    }

    ASSERT_TRUE(insert(v));
    EXPECT_EQ(SaveResult::Duplicate, insert(client("ROSSI MARIO")).kind);
    EXPECT_EQ("Cliente già presente.", insert(client("rossi mario")).message);

    // A ceased sub-agent stops the save; an active one does not.
    addRow("PRODUTT", {{"PRODUTTORE", "Verdi Anna"}}, [](Table& t) { t.setLogical("NONATTIVO", true); });
    addRow("PRODUTT", {{"PRODUTTORE", "Neri Ugo"}});
    EditValues sub = client("Bianchi Luca");
    sub.set("SUBAGENTE2", "Verdi Anna");
    SaveResult r = insert(sub);
    EXPECT_EQ(SaveResult::CheckFailed, r.kind);
    EXPECT_EQ("Subagente non attivo.", r.message);
    sub.set("SUBAGENTE2", "Neri Ugo");
    ASSERT_TRUE(insert(sub));

    // Changing only the case of the name is no duplicate of itself.
    ASSERT_TRUE(clients().seek("ROSSI MARIO"));
    EditValues before = recordValues(desc().fields, clients());
    EditValues after = before;
    after.set("CLIENTE", "ROSSI MARIO");
    after.set("E_MAIL", "mario@example.it");
    ASSERT_TRUE(saveRecord(desc(), workspace(), false, before, after));
    ASSERT_TRUE(clients().seek("ROSSI MARIO"));
    EXPECT_EQ("ROSSI MARIO", clients().text("CLIENTE"));
    EXPECT_EQ("mario@example.it", clients().text("E_MAIL"));
    // Renaming onto another client is.
    after.set("CLIENTE", "Bianchi Luca");
    EXPECT_EQ(SaveResult::Duplicate, saveRecord(desc(), workspace(), false, before, after).kind);

    EXPECT_TRUE(clients().delRec());
    clients().goTop();
    EXPECT_EQ(1u, clients().totRec());
    closeRegisterTables(desc(), workspace());
}

TEST_F(Clients, TwoProcessesInsertingTheSameNamesSaveEachOnce)
{
    workspace().closeAll(); // the children open their own files
    const std::string go = dir.path() + "/go";
    const int kNames = 25;
    auto child = [&]() -> int {
        while (!std::filesystem::exists(go)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        int saved = 0;
        openRegisterTables(desc(), workspace());
        for (int i = 0; i < kNames; ++i) {
            SaveResult r = insert(client("Cliente " + std::to_string(i)));
            if (r) ++saved;
            else if (r.kind != SaveResult::Duplicate || r.message != "Cliente già presente.") return 100;
        }
        return saved;
    };
    std::vector<pid_t> pids;
    for (int c = 0; c < 2; ++c) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) ::_exit(child());
        pids.push_back(pid);
    }
    std::ofstream(go) << "1";
    int total = 0;
    for (pid_t pid : pids) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        ASSERT_LE(WEXITSTATUS(status), kNames);
        total += WEXITSTATUS(status);
    }
    EXPECT_EQ(kNames, total);
    openRegisterTables(desc(), workspace());
    EXPECT_EQ(uint64_t(kNames), clients().totRec());
}

TEST_F(Clients, RenameReachesEveryTableThatStoresTheNameAndNothingElse)
{
    openRegisterTables(desc(), workspace());
    ASSERT_TRUE(insert(client("Gialli Piero")));
    const std::vector<std::pair<std::string, std::string>> carried = {
        {"POLIZZE", "ASSICURATO"}, {"POLIZZE", "INTESTPRA"},  {"VITA", "ASSICURATO"},     {"MOVICOMP", "ASSICURATO"},
        {"FATTBSA", "CLIENTE"},    {"TITOLI", "ASSICURATO"},  {"PREVBSA", "ASSICURATO"},  {"PREVBSA", "INTESTPRA"},
        {"PREVBSA", "CONDUCENTE"}, {"FINANZ", "ASSICURATO"},  {"QUESTADE", "CLIENTE"},    {"CASSA", "ASSICURATO"}};
    for (const auto& [table, field] : carried) {
        addRow(table, {{field, "Gialli Piero"}});
        addRow(table, {{field, "Gialli Piero Bis"}}); // begins with the old name: stays
    }
    // Claims and motor sheets keep the names they hold.
    addRow("SINISTRI", {{"CONTROP", "Gialli Piero"}});
    addRow("DATIAUTO", {{"CONDUCENTE", "Gialli Piero"}});

    std::vector<std::string> shown;
    waitHooks().show = [&](const std::string& text, const std::string&) { shown.push_back(text); };
    ASSERT_TRUE(clients().seek("GIALLI PIERO"));
    EditValues before = recordValues(desc().fields, clients());
    EditValues after = before;
    after.set("CLIENTE", "Gialli Pietro");
    SaveResult r = saveRecord(desc(), workspace(), false, before, after);
    waitHooks().show = nullptr;
    ASSERT_TRUE(r);
    EXPECT_EQ("", r.message);
    EXPECT_EQ(std::vector<std::string>{"Aggiornamento archivi in corso..."}, shown);

    auto values = [&](const std::string& table, const std::string& field) {
        std::multiset<std::string> out;
        Table& t = workspace().open(table, "CHECK", true);
        for (t.goTop(); !t.eof(); t.skip(1)) out.insert(t.text(FieldName::runtime(field)));
        workspace().close("CHECK");
        return out;
    };
    for (const auto& [table, field] : carried) {
        std::multiset<std::string> v = values(table, field);
        EXPECT_EQ(1u, v.count("Gialli Pietro")) << table << "." << field;
        EXPECT_EQ(0u, v.count("Gialli Piero")) << table << "." << field;
        EXPECT_EQ(1u, v.count("Gialli Piero Bis")) << table << "." << field;
    }
    EXPECT_EQ(1u, values("SINISTRI", "CONTROP").count("Gialli Piero"));
    EXPECT_EQ(1u, values("DATIAUTO", "CONDUCENTE").count("Gialli Piero"));
    closeRegisterTables(desc(), workspace());
}

TEST_F(Clients, RenameThatATableRefusesNamesItAndFinishesTheOthers)
{
    addRow("POLIZZE", {{"ASSICURATO", "Viola Rita"}});
    addRow("CASSA", {{"ASSICURATO", "Viola Rita"}});
    std::vector<RenameTarget> targets = {{"POLIZZE", {"ASSICURATO"}}, {"NONESISTE", {"ASSICURATO"}}, {"CASSA", {"ASSICURATO"}}};
    std::vector<std::string> failed;
    EXPECT_EQ(2u, renameCascade(workspace(), targets, "Viola Rita", "Viola Rosa", &failed));
    EXPECT_EQ(std::vector<std::string>{"NONESISTE"}, failed);
    EXPECT_NE(std::string::npos, renameFailedMessage(failed).find("NONESISTE"));
}

TEST_F(Clients, ActivePolicyTestsAroundThirtyDays)
{
    const Date today = Date::today();
    addPolicy("Blu Sara", "P1", today.addDays(-30));
    addPolicy("Blu Sara", "P2", today.addDays(5), true);        // replaced
    addPolicy("Blu Sara", "P3", today.addDays(5), false, true); // cancelled
    addPolicy("Rosa Elena", "P4", today.addDays(-31), false, false, "Beta Vita");
    openRegisterTables(desc(), workspace());
    Workspace& ws = workspace();
    EXPECT_TRUE(registry::ATTIVO(ws, "Blu Sara", today));
    EXPECT_FALSE(registry::ATTIVO(ws, "Blu Sara", today.addDays(1)));
    EXPECT_FALSE(registry::ATTIVO(ws, "Rosa Elena", today));
    EXPECT_TRUE(registry::ATTIVO(ws, "Rosa Elena", today.addDays(-1)));
    EXPECT_FALSE(registry::ATTIVO(ws, "Blu", today)); // the whole name, not its beginning

    EXPECT_TRUE(registry::COPERTURA(ws, "Blu Sara", today.addDays(-30), today.addDays(-30)));
    EXPECT_FALSE(registry::COPERTURA(ws, "Blu Sara", today.addDays(-29), Date())); // only the replaced and cancelled
    EXPECT_TRUE(registry::COPERTURA(ws, "Blu Sara", Date(), Date()));
    EXPECT_TRUE(registry::COMPAGNIA(ws, "Rosa Elena", "BETA VITA"));
    EXPECT_FALSE(registry::COMPAGNIA(ws, "Rosa Elena", "BETA"));
    // Without the register's cursor on the policies the tests open their own.
    closeRegisterTables(desc(), workspace());
    EXPECT_TRUE(registry::ATTIVO(ws, "Blu Sara", today));
    EXPECT_FALSE(ws.isOpen("RPOLIZZE"));
}

TEST_F(Clients, SearchCriteria)
{
    openRegisterTables(desc(), workspace());
    EditValues a = client("Alberti Anna");
    a.set("SUBAGENTE2", "Agenzia");
    a.set("NOTE", "Preferisce essere contattata di sera");
    a.set("E_MAIL", "anna@example.it");
    ASSERT_TRUE(insert(a));
    ASSERT_TRUE(insert(client("Bruni Bruno")));
    ASSERT_TRUE(insert(client("Conti Carla")));
    addPolicy("Conti Carla", "C1", Date::today(), false, false, "Gamma");

    auto find = [&](std::map<int, std::string> typed) {
        std::vector<std::string> t(desc().search.size());
        for (size_t i = 0; i < t.size(); ++i)
            if (auto it = typed.find(desc().search[i].id); it != typed.end()) t[i] = it->second;
        RecordPredicate p = buildCondition(desc().search, t);
        std::vector<std::string> names;
        Table& c = clients();
        for (c.goTop(); !c.eof(); c.skip(1))
            if (!p || p(c)) names.push_back(c.text("CLIENTE"));
        return names;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(V({"Alberti Anna"}), find({{103, "agenzia"}}));
    EXPECT_EQ(V({"Alberti Anna"}), find({{108, "SERA"}}));
    EXPECT_EQ(V({"Alberti Anna"}), find({{110, "T"}}));
    EXPECT_EQ(V({"Bruni Bruno", "Conti Carla"}), find({{110, "F"}}));
    EXPECT_EQ(V({"Conti Carla"}), find({{109, "T"}}));
    EXPECT_EQ(V({"Conti Carla"}), find({{113, "gamma"}}));
    EXPECT_EQ(V({"Conti Carla"}), find({{111, Date::today().addDays(-1).toDisplay()}, {112, Date::today().toDisplay()}}));
    EXPECT_EQ(V({}), find({{112, Date::today().addDays(-1).toDisplay()}}));
    EXPECT_EQ(V({"Bruni Bruno", "Conti Carla"}), find({{114, "bruni"}}));
    EXPECT_EQ(V({"Alberti Anna", "Bruni Bruno"}), find({{115, "Bruni"}}));
    EXPECT_EQ(V({"Alberti Anna", "Bruni Bruno", "Conti Carla"}), find({}));
    closeRegisterTables(desc(), workspace());
}

TEST_F(Clients, TaxCodeFillsBirthDataFromTheMunicipalities)
{
    ASSERT_GT(fillComuni(dir.path(), comuni()), 9000u);
    EXPECT_EQ(0u, fillComuni(dir.path(), comuni())); // filled once
    const std::string code = withCheck("RSSMRA80C45H501");
    EditValues v = client("Rossi Maria");
    v.set("SESSO", "M");
    v.set("COMUNASC", "MILANO");
    v.set("CODICEFISC", code);
    const EditField& f = *std::find_if(desc().fields.begin(), desc().fields.end(),
                                       [](const EditField& e) { return e.field == "CODICEFISC"; });
    f.changed(v);
    EXPECT_EQ("F", v.get("SESSO"));
    EXPECT_EQ("05/03/80", v.get("DATANASC"));
    EXPECT_EQ("ROMA", v.get("COMUNASC"));
    EXPECT_FALSE(recheckValues(desc().fields, v));
    // An incomplete code leaves the fields alone.
    v.set("CODICEFISC", "RSSMRA80");
    f.changed(v);
    EXPECT_EQ("ROMA", v.get("COMUNASC"));
}

TEST_F(Clients, MunicipalityListsReadAndRefreshed)
{
    EXPECT_EQ((std::vector<std::string>{"Reggio, Emilia", "RE", ""}), csvFields("\"Reggio, Emilia\",RE,"));
    std::vector<Comune> all = readComuni(comuni());
    auto named = [&](const std::string& code) {
        for (const Comune& c : all)
            if (c.code == code) return c.name;
        return std::string();
    };
    EXPECT_EQ("ROMA", named("H501"));
    EXPECT_EQ("ALBANIA", named("Z100"));
    EXPECT_FALSE(named("A003").empty()); // ceased
    // A newer list corrects names and adds codes, keeping the others.
    ASSERT_GT(fillComuni(dir.path(), comuni()), 0u);
    test::TempDir newer;
    std::ofstream(newer.path() + "/comuni_attuali.csv") << "name,province,cadastral_code\nRoma Capitale,RM,H501\nNuovo Comune,XX,Q999\n";
    EXPECT_EQ(2u, refreshComuni(dir.path(), newer.path()));
    EXPECT_EQ("ROMA CAPITALE", records::COMUNASCCDF(workspace(), withCheck("RSSMRA80C45H501")).substr(0, 13));
    EXPECT_EQ("ALBANIA", records::COMUNASCCDF(workspace(), withCheck("RSSMRA80C45Z100")).substr(0, 7));
}

TEST_F(Clients, PrintoutsOnTheirPages)
{
    EditValues v = client("Rossi Mario");
    v.set("INDIRIZZO", "Via Roma 1");
    v.set("CAP", "00184");
    v.set("CITTA", "Roma");
    v.set("PROVINCIA", "RM");
    v.set("FUMATORE", "T");
    std::string notes;
    for (int i = 1; i <= 30; ++i) notes += "riga " + std::to_string(i) + "\n";
    v.set("NOTE", notes);

    const std::string sheet = allPages(registry::printClientSheet(v, false));
    EXPECT_NE(std::string::npos, sheet.find("|STAMPA CLIENTE|"));
    EXPECT_NE(std::string::npos, sheet.find("c20.0 L |Rossi Mario|"));
    EXPECT_NE(std::string::npos, sheet.find("|FUMATORE:|"));
    EXPECT_NE(std::string::npos, sheet.find("|SI|"));
    EXPECT_NE(std::string::npos, sheet.find("|riga 25|"));
    EXPECT_EQ(std::string::npos, sheet.find("|riga 26|")); // 25 lines of notes

    PrintDocument envelope = registry::printEnvelope(v, 20, 30, false);
    ASSERT_EQ(1u, envelope.pages.size());
    const auto& items = envelope.pages[0].items;
    ASSERT_EQ(4u, items.size());
    EXPECT_EQ("Egr. Sig.", items[0].text);
    EXPECT_EQ("00184  Roma  RM", items[3].text);
    EXPECT_TRUE(items[0].font.bold);
    EXPECT_NEAR(items[1].y - items[0].y, items[3].y - items[2].y, 1e-6);
    EXPECT_GT(items[0].y, registry::printEnvelope(v, 0, 0, false).pages[0].items[0].y);

    const std::string address = allPages(registry::printAddressSheet(v, false));
    EXPECT_NE(std::string::npos, address.find("c45.0 L |00184 Roma RM|"));

    openRegisterTables(desc(), workspace());
    ASSERT_TRUE(insert(v));
    const std::string list = allPages(registry::printClientList(clients(), false));
    EXPECT_NE(std::string::npos, list.find("STAMPA CLIENTI"));
    EXPECT_NE(std::string::npos, list.find("Rossi Mario"));

    addPolicy("Rossi Mario", "A1", Date::today());
    addRow("POLIZZE", {{"ASSICURATO", "Rossi Mario"}, {"POLIZZA", "A2"}, {"FRAZIONAM", "MENSILE"}},
           [](Table& t) { t.setNumber("IMPORTO", Decimal(50)); });
    addPolicy("Rossi Mario", "A3", Date::today(), true); // replaced: left out
    const std::string policies = allPages(registry::printActivePolicies(workspace(), "Rossi Mario", false));
    EXPECT_NE(std::string::npos, policies.find("CLIENTE: Rossi Mario"));
    EXPECT_NE(std::string::npos, policies.find("|TOTALE|"));
    EXPECT_NE(std::string::npos, policies.find("150,00"));   // amounts
    EXPECT_NE(std::string::npos, policies.find("700,00"));   // 100 x 1 + 50 x 12
    EXPECT_EQ(std::string::npos, policies.find("|A3"));
    closeRegisterTables(desc(), workspace());
}

TEST_F(Clients, MailToListedClientsAndSpreadsheetFromTheSelected)
{
    openRegisterTables(desc(), workspace());
    for (int i = 0; i < 12; ++i) {
        EditValues v = client("Cliente " + std::string(1, char('A' + i)));
        if (i % 3 != 0) v.set("E_MAIL", "c" + std::to_string(i) + "@example.it");
        v.set("CAP", "00136");
        ASSERT_TRUE(insert(v));
    }
    MailMessage m;
    m.subject = "Auguri";
    m.body = "Buone feste";
    std::vector<std::string> to;
    auto send = [&](const MailMessage& x) {
        to.push_back(x.to);
        return x.to != "c2@example.it"; // one fails: not counted
    };
    clients().goTop();
    clients().skip(4);
    const uint32_t here = clients().recno();
    std::vector<registry::MailRecipient> sent = registry::mailClients(clients(), {}, m, send);
    EXPECT_EQ(8u, to.size());
    EXPECT_EQ(7u, sent.size());
    EXPECT_EQ(here, clients().recno());
    const std::string report = allPages(registry::printMailReport(m, sent, false));
    EXPECT_NE(std::string::npos, report.find("OGGETTO: Auguri"));
    EXPECT_NE(std::string::npos, report.find("|DESTINATARI:|"));
    EXPECT_NE(std::string::npos, report.find("|c1@example.it|"));
    to.clear();
    registry::mailClients(clients(), criteria::contains("CLIENTE", "cliente b"), m, send);
    EXPECT_EQ(std::vector<std::string>{"c1@example.it"}, to);

    // From the tenth client on, every cell text.
    clients().goTop();
    clients().skip(9);
    const std::string file = dir.path() + "/clienti.xlsx";
    ASSERT_TRUE(registry::writeClientsSpreadsheet(clients(), file));
    EXPECT_EQ("Cliente J", clients().text("CLIENTE"));
    std::optional<std::string> read = test::readZipEntry(file, "xl/sharedStrings.xml");
    ASSERT_TRUE(read);
    const std::string strings = *read;
    EXPECT_NE(std::string::npos, strings.find("CODICE FISCALE"));
    EXPECT_NE(std::string::npos, strings.find("Cliente J"));
    EXPECT_NE(std::string::npos, strings.find("00136"));
    EXPECT_EQ(std::string::npos, strings.find("Cliente I"));
    closeRegisterTables(desc(), workspace());
}

TEST_F(Clients, ListButtonsMenuAndMailWarning)
{
    openRegisterTables(desc(), workspace());
    ASSERT_TRUE(insert(client("Alberti Anna")));
    ASSERT_TRUE(insert(client("Bruni Bruno")));
    {
        RegisterList list(desc(), workspace());
        EXPECT_EQ(QString("Clienti - 2 di 2"), list.windowTitle());
        for (int id : {kBtnClose, kBtnAdd, kBtnModify, kBtnDelete, kBtnSearch, kBtnPrint, kBtnEmail, kBtnExcel})
            ASSERT_NE(nullptr, list.button(id)) << id;
        QStringList entries;
        list.runMenu = [&](QMenu& m, const QPoint&) -> QAction* {
            for (QAction* a : m.actions()) entries << a->text();
            return nullptr;
        };
        list.print();
        EXPECT_EQ(QStringList({"Tabulato", "Polizze attive", "Estrazione dati", "Modulistica"}), entries);

        // The e-mail warns first; leaving the e-mail dialog sends nothing.
        QTimer::singleShot(0, [] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->objectName() == "EMAIL" && w->isVisible()) static_cast<QDialog*>(w)->reject();
        });
        list.email();
        ASSERT_FALSE(messages.empty());
        EXPECT_EQ(registry::kMsgMailWarning, messages.front());
        EXPECT_EQ(1u, messages.size());

        // A search leaves the drop-down of the names whole.
        ASSERT_TRUE(applySearch(desc(), clients(), criteria::contains("CLIENTE", "bruni")));
        const SearchField& first = *std::find_if(desc().search.begin(), desc().search.end(),
                                                 [](const SearchField& f) { return f.id == 114; });
        EXPECT_EQ((std::vector<std::string>{"", "Alberti Anna", "Bruni Bruno"}), first.list());
        clearSearch(desc(), clients());
    }
    closeRegisterTables(desc(), workspace());
}
