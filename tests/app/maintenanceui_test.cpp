// The "Servizio" entries over a real folder, with the dialogs answered by the test.
#include "app/maintenanceui.h"

#include <gtest/gtest.h>

#include <QLineEdit>

#include <filesystem>
#include <fstream>

#include "app/shell.h"
#include "common/ini.h"
#include "common/msgtext.h"
#include "store/upgrade.h"
#include "support/tempdir.h"
#include "ui/popmsg.h"
#include "ui/qtapp.h"

using namespace arv;
namespace fs = std::filesystem;

namespace {

class ServiceEntries : public ::testing::Test {
protected:
    void SetUp() override
    {
        testApp();
        ASSERT_TRUE(store::AGGIORNADATABASE(dir.path()));
        IniFile(dir.file("ARV.INI")).set("E-mail", "Server smtp", "smtp.example.it");
        setMessageBoxHandler([this](MessageKind, const std::string& text, const std::string&) {
            boxes.push_back(text);
            return answer;
        });
        env.folder = dir.path();
        env.programName = "ARV";
        env.today = [] { return Date::fromYmd(2026, 12, 6); };
        env.askSaveFile = [this](const std::string& title, const std::string& folder, const std::string& proposed) {
            asked = title + "|" + folder + "|" + proposed;
            return chosen;
        };
        env.askOpenFile = [this](const std::string& title, const std::string&) {
            asked = title;
            return chosen;
        };
        addMaintenanceEntries(registry, env);
    }
    void TearDown() override { setMessageBoxHandler(nullptr); }

    test::TempDir dir;
    MaintenanceEnvironment env;
    EntryRegistry registry;
    std::vector<std::string> boxes;
    int answer = kAnswerOk;
    std::string asked, chosen;
};

} // namespace

TEST_F(ServiceEntries, ClosingOffersTheSaveAndCancellingIsQuiet)
{
    for (const char* name : {"MANUTENZIONE", "SALVA", "RICARICA", "INVIO", "AGGIORNA"}) EXPECT_TRUE(registry.has(name));
    runClosingDuties(registry); // PRIMANOTA is not registered here: only SALVA runs
    EXPECT_EQ(asked, "Salvataggio dati|" + dir.path() + "|Salvataggio archivi ARV del 061226.zip");
    boxes.clear();
    registry.call("SALVA", EntryArgs{false, {"ARV.INI"}});
    EXPECT_TRUE(boxes.empty());

    chosen = dir.file("copia");
    registry.call("SALVA", EntryArgs{false, {"ARV.INI"}});
    EXPECT_EQ(boxes, std::vector<std::string>{"Salvataggio completato."});
    std::vector<records::ZipEntry> entries;
    ASSERT_TRUE(records::listZip(dir.file("copia.zip"), entries));
    EXPECT_EQ(entries.back().stored, "ARV.INI");
}

TEST_F(ServiceEntries, RestoreAsksFirstAndTellsTheOutcome)
{
    chosen = dir.file("copia.zip");
    SALVA(env, {});
    boxes.clear();
    answer = kAnswerCancel;
    RICARICA(env);
    EXPECT_EQ(boxes, std::vector<std::string>{messageText(records::kMsgRestoreConfirm)});
    answer = kAnswerOk;
    boxes.clear();
    chosen = dir.file("copia"); // ".zip" is added
    RICARICA(env);
    EXPECT_EQ(asked, "Ripristina dati da");
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1], "Ripristino completato.");

    boxes.clear();
    chosen = dir.file("manca.zip");
    RICARICA(env);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1], messageText("Impossibile trovare il file;;" + dir.file("manca.zip")));
}

TEST_F(ServiceEntries, MaintenanceAndProducerUpdateAskAndReport)
{
    answer = kAnswerCancel;
    MANUTENZIONE(env);
    EXPECT_EQ(boxes, std::vector<std::string>{messageText(records::kMsgMaintenanceConfirm)});
    answer = kAnswerOk;
    boxes.clear();
    MANUTENZIONE(env);
    EXPECT_EQ(boxes.size(), 1u) << "a sound maintenance shows nothing after the question";

    boxes.clear();
    AGGIORNA(env); // no ARV.DLL
    EXPECT_EQ(boxes, std::vector<std::string>{"Impossibile aggiornare gli archivi."});
}

TEST_F(ServiceEntries, SendSavesTheSettingsAndMailsTheArchives)
{
    std::string to;
    env.sendMail = [&](const std::string& recipient, const std::string&, const std::string&,
                       const std::vector<std::string>& files) {
        to = recipient;
        return files.size() == 1 && fs::exists(files[0]);
    };
    env.editSendSettings = [](records::SendSettings& s) {
        s.sender = "agenzia@example.it";
        s.recipient = "sede@example.it";
        return true;
    };
    INVIO(env);
    EXPECT_EQ(to, "sede@example.it");
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(IniFile(dir.file("ARV.INI")).get("E-mail", "DestInvio"), "sede@example.it");

    env.sendMail = nullptr;
    INVIO(env);
    EXPECT_EQ(boxes, std::vector<std::string>{"Impossibile inviare l'email."});

    // The dialog keeps a required field from being left empty.
    records::SendSettings s = records::SendSettings::load(dir.file("ARV.INI"));
    s.recipient.clear();
    SendDialog dialog(s);
    boxes.clear();
    dialog.accept();
    EXPECT_EQ(boxes, std::vector<std::string>{"Campo non valido."});
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    dialog.field("DestInvio")->setText(" sede@example.it ");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.settings().recipient, "sede@example.it");
    EXPECT_EQ(dialog.settings().server, "smtp.example.it");
}
