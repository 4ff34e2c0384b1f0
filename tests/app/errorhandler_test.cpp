#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "app/errorhandler.h"
#include "app/errorui.h"
#include "common/decimal.h"
#include "common/error.h"

using namespace arv;

namespace {

ErrorRecord withOs(int os, std::string file = "c:/arv/polizze.dbf")
{
    ErrorRecord e;
    e.genCode = EG_OPEN;
    e.osCode = os;
    e.filename = std::move(file);
    return e;
}

} // namespace

TEST(DefError, DiskAndFileErrorsShowTheirMessageAndUnwind)
{
    struct Case {
        int os;
        int rule;
        const char* text;
    };
    const std::vector<Case> cases = {
        {21, 1, "Disco C:/ARV/POLIZZE.DBF non pronto."},
        {27, 2, "Disco C:/ARV/POLIZZE.DBF non formattato."},
        {31, 2, "Disco C:/ARV/POLIZZE.DBF non formattato."},
        {19, 3, "Disco C:/ARV/POLIZZE.DBF protetto da scrittura."},
        {82, 4, "Directory C:/ARV/POLIZZE.DBF piena."},
        {5, 6, "Impossibile accedere al file C:/ARV/POLIZZE.DBF."},
        {3, 7, "Percorso C:/ARV/POLIZZE.DBF non trovato."},
        {2, 8, "Impossibile aprire il file C:/ARV/POLIZZE.DBF."},
    };
    for (const Case& c : cases) {
        ErrorDecision d = DEFERROR(withOs(c.os));
        EXPECT_EQ(c.rule, d.rule) << c.os;
        EXPECT_EQ(ErrorAction::ShowAndUnwind, d.action) << c.os;
        EXPECT_EQ(c.text, d.message) << c.os;
    }

    ErrorRecord full = withOs(0, "dati.dbf");
    full.subCode = SUB_DISK_FULL;
    EXPECT_EQ("Spazio sul disco DATI.DBF insufficiente.", DEFERROR(full).message);
    EXPECT_EQ(5, DEFERROR(full).rule);

    ErrorRecord index = withOs(0, "numpol.ntx");
    index.subCode = SUB_CORRUPT;
    EXPECT_EQ("Il file NUMPOL.NTX risulta corrotto.", DEFERROR(index).message);
    ErrorRecord corrupt = withOs(0, "clienti.dbt");
    corrupt.genCode = EG_CORRUPTION;
    EXPECT_EQ("Il file CLIENTI.DBT risulta corrotto.", DEFERROR(corrupt).message);
    EXPECT_EQ(9, DEFERROR(corrupt).rule);

    // Accented letters of a file name are upper-cased too.
    EXPECT_EQ("Impossibile aprire il file ATTIVITÀ.DBF.", DEFERROR(withOs(2, "attività.dbf")).message);
}

TEST(DefError, RulesAreTriedInOrder)
{
    ErrorRecord e = withOs(21);
    e.subCode = SUB_CORRUPT;
    EXPECT_EQ(1, DEFERROR(e).rule);  // the drive comes before the corruption
    ErrorRecord full = withOs(5);
    full.subCode = SUB_DISK_FULL;
    EXPECT_EQ(5, DEFERROR(full).rule);
    // An access-denied open is told to the user even when it could fail softly.
    ErrorRecord denied = withOs(5);
    denied.canDefault = true;
    EXPECT_EQ(6, DEFERROR(denied).rule);
}

TEST(DefError, InternalErrorShowsFullDescription)
{
    ErrorRecord e;
    e.genCode = EG_INTERNAL;
    e.subsystem = "BASE";
    e.subCode = 1004;
    e.description = "Argomento errato";
    e.operation = "SUBSTR";
    ErrorDecision d = DEFERROR(e);
    EXPECT_EQ(10, d.rule);
    EXPECT_EQ(ErrorAction::ShowAndUnwind, d.action);
    EXPECT_EQ("Error BASE/1004  Argomento errato: SUBSTR", d.message);
}

TEST(DefError, DivisionByZeroGivesZero)
{
    ErrorRecord e;
    e.genCode = EG_ZERODIV;
    ErrorDecision d = DEFERROR(e);
    EXPECT_EQ(11, d.rule);
    EXPECT_EQ(ErrorAction::ReturnZero, d.action);
    EXPECT_TRUE(d.message.empty());
    // The money type itself follows the rule.
    EXPECT_TRUE((Decimal::fromScaled(1000, 2) / Decimal()).isZero());
}

TEST(DefError, SharedOpenAndLockFailuresFallBackSoftly)
{
    ErrorRecord sharing = withOs(OS_SHARING_VIOLATION);
    sharing.canDefault = true;
    EXPECT_EQ(12, DEFERROR(sharing).rule);
    EXPECT_EQ(ErrorAction::NetworkErrorFalse, DEFERROR(sharing).action);
    EXPECT_TRUE(DEFERROR(sharing).message.empty());

    ErrorRecord lock;
    lock.genCode = EG_LOCK;
    lock.canDefault = true;
    EXPECT_EQ(13, DEFERROR(lock).rule);
    EXPECT_EQ(ErrorAction::NetworkErrorFalse, DEFERROR(lock).action);

    // Without CANDEFAULT both are fatal.
    sharing.canDefault = false;
    lock.canDefault = false;
    EXPECT_EQ(ErrorAction::Fatal, DEFERROR(sharing).action);
    EXPECT_EQ(14, DEFERROR(lock).rule);
}

TEST(ErrorMessage, BuildsTheDescriptionLine)
{
    ErrorRecord e;
    e.genCode = 99;
    EXPECT_EQ("Error ???" "/???", ERRORMESSAGE(e));
    e.severity = 1;
    e.subsystem = "DBFNTX";
    e.subCode = 1001;
    e.description = "Open error";
    e.filename = "a.dbf";
    e.operation = "USE";
    EXPECT_EQ("Warning DBFNTX/1001  Open error: a.dbf", ERRORMESSAGE(e));
    e.filename.clear();
    e.function = "POLIZZE";
    e.line = 120;
    EXPECT_EQ("Warning DBFNTX/1001  Open error: USE;Function: POLIZZE  Line: 120", ERRORMESSAGE(e));

    ErrorDecision d = DEFERROR(e);
    EXPECT_EQ(ErrorAction::Fatal, d.action);
    EXPECT_EQ(ERRORMESSAGE(e) + ";;Inviare rapporto di errore via email?", d.message);
    EXPECT_EQ(ERRORMESSAGE(e), d.report);

    // From the table engine's error object.
    Error raised = Error::corrupt("clienti.ntx", "bad page");
    ErrorRecord r = errorRecord(raised);
    EXPECT_EQ(SUB_CORRUPT, r.subCode);
    EXPECT_EQ("DBFNTX", r.subsystem);
    EXPECT_EQ("Il file CLIENTI.NTX risulta corrotto.", DEFERROR(r).message);
}

TEST(ErrorMail, AmpersandsAndLineBreaksAreEncoded)
{
    EXPECT_EQ("mailto:?subject=Rapporto di errore&body=Applicazione: /opt/arv/arvale%0d%0a%0d%0a"
              "Error A%26B/???  x%0d%0aFunction: F  Line: 3",
              errorMailUrl("/opt/arv/arvale", "Error A&B/???  x;Function: F  Line: 3"));
    // "&" is encoded before ";" so the line breaks' own characters are not touched.
    EXPECT_EQ("mailto:?subject=Rapporto di errore&body=Applicazione: e%0d%0a%0d%0a%26%0d%0a",
              errorMailUrl("e", "&;"));
}

namespace {

// Records what the handler does instead of showing windows.
class Recovery : public ::testing::Test {
protected:
    void SetUp() override
    {
        ErrorEnvironment& env = errorEnvironment();
        env.releaseSemaphore = [this] { events.push_back("sunlock"); };
        env.setNetworkError = [this](bool on) { events.push_back(on ? "neterr" : "neterr-off"); };
        env.showMessage = [this](const std::string& t) { events.push_back("show:" + t); };
        env.ask = [this](const std::string& t) {
            events.push_back("ask:" + t);
            return answer;
        };
        env.openUrl = [this](const std::string& u) {
            events.push_back("mail:" + u);
            return true;
        };
        env.executablePath = [] { return std::string("/bin/arvale"); };
        env.closeTables = [this] { events.push_back("close"); };
        env.quit = [this](int code) { events.push_back("quit:" + std::to_string(code)); };
    }
    void TearDown() override { resetErrorEnvironment(); }

    std::vector<std::string> events;
    bool answer = false;
};

} // namespace

TEST_F(Recovery, FileErrorEndsTheScreenWithItsMessage)
{
    bool after = false;
    EXPECT_FALSE(runScreen("CLIENTI", [&] {
        throw Error(EG_OPEN, SUB_NONE, OS_FILE_NOT_FOUND, "DBFNTX", "Open error", "clienti.dbf", "USE");
        after = true;
    }));
    EXPECT_FALSE(after);
    EXPECT_EQ((std::vector<std::string>{"sunlock", "show:Impossibile aprire il file CLIENTI.DBF.", "close"}), events);
}

TEST_F(Recovery, ScreenOwnTablesAreClosedInsteadOfAll)
{
    runScreen("SINISTRI", [] { throw Error(EG_OPEN, SUB_NONE, OS_PATH_NOT_FOUND, "", "", "c:/x", ""); },
              [this] { events.push_back("close own"); });
    EXPECT_EQ((std::vector<std::string>{"sunlock", "show:Percorso C:/X non trovato.", "close own"}), events);
}

TEST_F(Recovery, NormalScreenTouchesNothing)
{
    EXPECT_TRUE(runScreen("RAMI", [] {}));
    EXPECT_TRUE(events.empty());
}

TEST_F(Recovery, SoftFailureReachingTheTopSetsTheFlagSilently)
{
    runScreen("POLIZZE", [] { throw Error(EG_LOCK, SUB_NONE, OS_NONE, "DBFNTX", "Lock", "polizze.dbf", "", true); });
    EXPECT_EQ((std::vector<std::string>{"neterr", "close"}), events);
}

TEST_F(Recovery, FatalErrorOffersMailAndEndsEvenOnNo)
{
    runScreen("SINISTRI", [] { throw std::runtime_error("a & b; c"); });
    ASSERT_EQ(4u, events.size());
    EXPECT_EQ("sunlock", events[0]);
    EXPECT_EQ("ask:Error C++/???  a & b; c;Function: SINISTRI  Line: 0;;Inviare rapporto di errore via email?",
              events[1]);
    EXPECT_EQ("close", events[2]);
    EXPECT_EQ("quit:1", events[3]);

    events.clear();
    answer = true;
    runScreen("SINISTRI", [] { throw std::runtime_error("a & b; c"); });
    ASSERT_EQ(5u, events.size());
    EXPECT_EQ("mail:mailto:?subject=Rapporto di errore&body=Applicazione: /bin/arvale%0d%0a%0d%0a"
              "Error C++/???  a %26 b%0d%0a c%0d%0aFunction: SINISTRI  Line: 0",
              events[2]);
    EXPECT_EQ("quit:1", events[4]);
}
