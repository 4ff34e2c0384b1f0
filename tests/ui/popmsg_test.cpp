#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include "ui/popmsg.h"
#include "ui/qtapp.h"
#include "ui/waithooks.h"

using namespace arv;

namespace {

class Messages : public ::testing::Test {
protected:
    void SetUp() override
    {
        testApp();
        setMessageBoxHandler([this](MessageKind kind, const std::string& text, const std::string& title) {
            // What the user saw around the box: was the wait window hidden?
            QWidget* wait = currentMessageWindow();
            seen.push_back({kind, text, title, wait && wait->isVisible()});
            return answer;
        });
    }
    void TearDown() override
    {
        POPMSG();
        setMessageBoxHandler(nullptr);
    }

    struct Seen {
        MessageKind kind;
        std::string text;
        std::string title;
        bool waitVisible;
    };
    std::vector<Seen> seen;
    int answer = kAnswerOk;
};

} // namespace

TEST_F(Messages, BoxesGiveTheirResults)
{
    answer = kAnswerOk;
    EXPECT_EQ(0, POPMSG("Operazione eseguita.", 1));
    EXPECT_EQ(1, POPMSG("Continuare?", 2));
    EXPECT_EQ(1, POPMSG("Stop", 6));
    answer = kAnswerCancel;
    EXPECT_EQ(0, POPMSG("Continuare?", 2));
    EXPECT_EQ(kAnswerCancel, POPMSG("Salvare?", 3));
    answer = kAnswerNo;
    EXPECT_EQ(kAnswerNo, POPMSG("Salvare?", 3));
    EXPECT_EQ(0, POPMSG("Cancellare?", 4));
    answer = kAnswerYes;
    EXPECT_EQ(1, POPMSG("Cancellare?", 5));

    ASSERT_EQ(8u, seen.size());
    EXPECT_EQ(MessageKind::Info, seen[0].kind);
    EXPECT_EQ("Attenzione", seen[0].title);
}

TEST_F(Messages, TextIsTrimmedWithLineBreaksAndTitleKept)
{
    POPMSG("  Prima riga;Seconda riga  ", 4, "Conferma");
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ("Prima riga\nSeconda riga", seen[0].text);
    EXPECT_EQ("Conferma", seen[0].title);
}

TEST_F(Messages, BoxLayouts)
{
    auto box = createMessageBox("Confermi?", MessageKind::YesNoDefaultNo);
    EXPECT_EQ("Attenzione", box->windowTitle().toStdString());
    EXPECT_EQ(QMessageBox::Yes | QMessageBox::No, box->standardButtons());
    EXPECT_EQ(box->button(QMessageBox::No), box->defaultButton());
    EXPECT_EQ("Sì", box->button(QMessageBox::Yes)->text().toStdString());

    box = createMessageBox("a;b", MessageKind::YesNoCancel, "Titolo");
    EXPECT_EQ("a\nb", box->text().toStdString());
    EXPECT_EQ(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, box->standardButtons());
    EXPECT_EQ(box->button(QMessageBox::Yes), box->defaultButton());
    EXPECT_EQ("Annulla", box->button(QMessageBox::Cancel)->text().toStdString());

    box = createMessageBox("Errore", MessageKind::StopOkCancel);
    EXPECT_EQ(QMessageBox::Critical, box->icon());
    EXPECT_EQ(QMessageBox::Ok | QMessageBox::Cancel, box->standardButtons());
    box = createMessageBox("Info", MessageKind::Info);
    EXPECT_EQ(QMessageBox::Ok, box->standardButtons());
    EXPECT_EQ(QMessageBox::Information, box->icon());
}

TEST_F(Messages, WaitWindowShowsUpdatesAndCloses)
{
    EXPECT_EQ("", CURMSG());
    POPMSG("Elaborazione in corso...");
    ASSERT_NE(nullptr, currentMessageWindow());
    EXPECT_TRUE(currentMessageWindow()->isVisible());
    EXPECT_EQ("Attendere", currentMessageWindow()->windowTitle().toStdString());
    EXPECT_EQ("Elaborazione in corso...", CURMSG());
    EXPECT_EQ(Qt::WaitCursor, QApplication::overrideCursor()->shape());

    POPMSG("Record 10", 0, "", true);
    EXPECT_EQ("Record 10", CURMSG());
    bool found = false;
    for (QLabel* l : currentMessageWindow()->findChildren<QLabel*>()) found |= l->text() == "Record 10";
    EXPECT_TRUE(found);

    POPMSG();
    EXPECT_EQ(nullptr, currentMessageWindow());
    EXPECT_EQ("", CURMSG());
    EXPECT_EQ(nullptr, QApplication::overrideCursor());
}

TEST_F(Messages, QuestionHidesWaitWindowAndShowsItAgain)
{
    POPMSG("Stampa in corso...", 0, "Stampa");
    answer = kAnswerYes;
    EXPECT_EQ(1, POPMSG("Interrompere?", 4));
    ASSERT_EQ(1u, seen.size());
    EXPECT_FALSE(seen[0].waitVisible);
    ASSERT_NE(nullptr, currentMessageWindow());
    EXPECT_TRUE(currentMessageWindow()->isVisible());
    EXPECT_EQ("Stampa in corso...", CURMSG());
    EXPECT_EQ("Stampa", currentMessageTitle());
}

TEST_F(Messages, PrintProgressCountsPages)
{
    EXPECT_EQ(0, currentMessagePage());
    POPMSG("Stampa in corso", 0, "", false, -1, true);
    EXPECT_EQ(1, currentMessagePage());
    POPMSG("Stampa in corso", 0, "", true, -1, true);
    POPMSG("Stampa in corso", 0, "", true, -1, true);
    EXPECT_EQ(3, currentMessagePage());
    POPMSG();
    POPMSG("Stampa in corso", 0, "", false, -1, true);
    EXPECT_EQ(1, currentMessagePage());
}

TEST_F(Messages, TableEngineHooksCoverAndRestoreTheCallersMessage)
{
    struct Hooks {
        std::function<void(const std::string&, const std::string&)> show;
        std::function<void()> hide;
        std::function<void()> idle;
        std::function<bool(const std::string&)> confirm;
        std::function<void()> beep;
        std::function<bool()> writeProtected;
    } hooks;
    installWaitHooks(hooks, [] { return true; });

    POPMSG("Calcolo provvigioni...");
    hooks.show("Il sistema è momentaneamente occupato...", "");
    EXPECT_EQ("Il sistema è momentaneamente occupato...", CURMSG());
    hooks.idle();
    hooks.hide();
    EXPECT_EQ("Calcolo provvigioni...", CURMSG());
    POPMSG();

    hooks.show("Spegnere tutti i terminali...", "Attendere");
    hooks.hide();
    EXPECT_EQ(nullptr, currentMessageWindow());

    answer = kAnswerNo;
    EXPECT_FALSE(hooks.confirm("Confermi la cancellazione?"));
    answer = kAnswerYes;
    EXPECT_TRUE(hooks.confirm("Confermi la cancellazione?"));
    EXPECT_EQ(MessageKind::YesNo, seen.back().kind);
    EXPECT_TRUE(hooks.writeProtected());
    hooks.beep();

    installWaitHooks(hooks);
    EXPECT_FALSE(hooks.writeProtected());
}
