#include "policies/titles.h"

#include <gtest/gtest.h>

#include <set>
#include <sys/wait.h>
#include <unistd.h>

#include "policies/policies.h"
#include "registry/registerfolder.h"
#include "store/workspace.h"

using namespace arv;
using namespace arv::store;
using namespace arv::records;
using namespace arv::policies;

namespace {

class Titles : public arv::test::RegisterFolderTest {
protected:
    // Every form as "COMPANY/NUMBER", in the TITOLI order.
    std::vector<std::string> forms()
    {
        OwnTable t(workspace(), "TITOLI");
        t->ordAdd("TITOLI");
        std::vector<std::string> out;
        for (t->goTop(); !t->eof(); t->skip(1)) out.push_back(t->text("COMPAGNIA") + "/" + t->text("NUMERO"));
        return out;
    }
    TitleGeneration generate(const std::string& company, const std::string& from, const std::string& to)
    {
        return generateTitles(workspace(), company, company, "AUTO", from, to);
    }
};

TEST_F(Titles, RangesAreGeneratedWithTheirShapeOrRefusedWhole)
{
    struct Case {
        const char* from;
        const char* to;
        size_t written; // 0: refused
        const char* first;
        const char* last;
    };
    const Case cases[] = {
        {"A100", "A120", 21, "A100", "A120"},
        {"0098", "0102", 5, "98", "102"},
        {"100B", "102B", 3, "100B", "102B"},
        {"7", "", 1, "7", "7"}, // an empty "al": the single form "dal"
        {"100", "A120", 0, "", ""},
        {"A100", "B120", 0, "", ""},
        {"120", "100", 0, "", ""},
        {"AB100", "AB105", 0, "", ""},
        {"A", "A", 0, "", ""},
        {"1234567890123456", "1234567890123456", 0, "", ""}, // wider than NUMERO: the cut would clash
    };
    int company = 0;
    for (const Case& c : cases) {
        const std::string name = "COMP" + std::to_string(++company);
        const TitleGeneration g = generate(name, c.from, c.to);
        SCOPED_TRACE(std::string(c.from) + "-" + c.to);
        EXPECT_EQ(g.written, c.written) << g.message;
        EXPECT_EQ(titleRangeProblem(c.from, c.to).empty(), c.written > 0);
        if (!c.written) {
            EXPECT_FALSE(g.message.empty());
            continue;
        }
        std::set<std::string> numbers;
        for (const std::string& f : forms())
            if (f.rfind(name + "/", 0) == 0) numbers.insert(f.substr(name.size() + 1));
        EXPECT_EQ(numbers.size(), c.written);
        EXPECT_TRUE(numbers.count(c.first));
        EXPECT_TRUE(numbers.count(c.last));
    }
    // A block that meets an existing number is refused whole.
    ASSERT_TRUE(generate("ALFA", "A1", "A3"));
    const TitleGeneration again = generate("ALFA", "A3", "A9");
    EXPECT_EQ(again.message, kMsgTitlesExist);
    EXPECT_EQ(forms().size(), 21u + 5 + 3 + 1 + 3);
}

TEST_F(Titles, OneNumberUnderTwoCompaniesAndTheSingleFormDialog)
{
    ASSERT_TRUE(generate("ALFA", "1234", ""));
    RegisterDesc desc = titleRegisterBase();
    openRegisterTables(desc, workspace());
    EditValues v = blankValues(desc.fields);
    v.set("COMPAGNIA", "BETA");
    v.set("RAPPORTO", "BETA");
    v.set("NUMERO", "1234");
    // The dialog refuses a number any company holds; "Genera" checks its own company only.
    const SaveResult refused = saveRecord(desc, workspace(), true, blankValues(desc.fields), v);
    EXPECT_EQ(refused.kind, SaveResult::Duplicate);
    EXPECT_EQ(refused.message, kMsgTitlePresent);
    EXPECT_TRUE(generate("BETA", "1234", ""));
    EXPECT_EQ(forms(), (std::vector<std::string>{"ALFA/1234", "BETA/1234"}));
    v.set("NUMERO", "1235");
    EXPECT_TRUE(saveRecord(desc, workspace(), true, blankValues(desc.fields), v));
    closeRegisterTables(desc, workspace());

    // A policy numbered 1234 of either company discharges its own company's form.
    Table& p = workspace().open("POLIZZE");
    p.ordAdd("POLIZZE");
    p.ordAdd("NUMPOL");
    EditValues policy = insertValues(workspace());
    for (auto [f, x] : {std::pair{"ASSICURATO", "ROSSI MARIO"}, {"COMPAGNIA", "BETA"}, {"RAPPORTO", "BETA"},
                        {"POLIZZA", "1234"}, {"RAMO", "AUTO"}, {"FRAZIONAM", "ANNUALE"}, {"PAGAMENTO", "Bonifico"},
                        {"DOCUMENTO", "Completa"}, {"EFFETTO", "01/03/25"}, {"SCADENZA", "01/03/26"}})
        policy.set(f, x);
    const PolicySave saved = savePolicy(workspace(), p, PolicyMode::Insert, 0, EditValues(policyFields()), policy);
    ASSERT_TRUE(saved) << saved.message;
    OwnTable t(workspace(), "TITOLI");
    t->ordAdd("TITOLI");
    for (t->goTop(); !t->eof(); t->skip(1))
        EXPECT_EQ(t->text("ASSICURATO"), t->text("COMPAGNIA") == "BETA" && t->text("NUMERO") == "1234" ? "ROSSI MARIO" : "")
            << t->text("COMPAGNIA") << "/" << t->text("NUMERO");
}

TEST_F(Titles, SearchComparesNumbersAsTextAndPrintReadsBack)
{
    for (const char* n : {"95", "100", "1000", "250"}) ASSERT_TRUE(generate("ALFA", n, ""));
    {
        OwnTable t(workspace(), "TITOLI");
        t->ordAdd("TITOLI");
        t->goTop();
        t->lock(true);
        t->setLogical("ANNULLATO", true); // form 100
        t->commit();
        t->unlock();
    }
    const std::vector<SearchField> search = titleSearch();
    std::vector<std::string> typed(search.size());
    typed[3] = "100";
    typed[4] = "200";
    const RecordPredicate in = buildCondition(search, typed);
    typed = std::vector<std::string>(search.size());
    typed[10] = "T";
    const RecordPredicate spoiled = buildCondition(search, typed);
    OwnTable t(workspace(), "TITOLI");
    t->ordAdd("TITOLI");
    std::vector<std::string> between, cancelled;
    for (t->goTop(); !t->eof(); t->skip(1)) {
        if (in(*t)) between.push_back(t->text("NUMERO"));
        if (spoiled(*t)) cancelled.push_back(t->text("NUMERO"));
    }
    EXPECT_EQ(between, (std::vector<std::string>{"100", "1000"}));
    EXPECT_EQ(cancelled, (std::vector<std::string>{"100"}));

    AgencyIdentity agency;
    agency.name = "Agenzia Esempio";
    t->goTop();
    const PrintDocument doc = printTitles(*t, agency, false);
    ASSERT_EQ(doc.pages.size(), 1u);
    EXPECT_TRUE(doc.geometry.landscape());
    const std::string page = dumpPage(doc, doc.pages[0]);
    for (const char* text : {"|REGISTRO DEL CARICO TITOLI|", "|Agenzia Esempio|", "|ASSICURATO|", "|EFFETTO|", "|1000|",
                             "|  ANNULLATO|"})
        EXPECT_NE(page.find(text), std::string::npos) << text << "\n" << page;
    EXPECT_EQ(t->text("NUMERO"), "100"); // the cursor back on its record
}

TEST_F(Titles, TwoWorkstationsGeneratingOverlappingBlocksLeaveNoDuplicate)
{
    const std::string folder = dir.path();
    workspace().closeAll();
    std::vector<pid_t> pids;
    for (int c = 0; c < 2; ++c) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            int written = 0;
            try {
                Workspace w(folder);
                // Overlapping blocks, each tried a number at a time so that both run at once.
                for (int i = 0; i < 40; ++i) {
                    const std::string n = std::to_string(1000 + i + c * 20);
                    if (generateTitles(w, "ALFA", "ALFA", "", n, n)) ++written;
                }
            } catch (...) {
                ::_exit(99);
            }
            ::_exit(written);
        }
        pids.push_back(pid);
    }
    int total = 0;
    for (pid_t pid : pids) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        ASSERT_NE(WEXITSTATUS(status), 99);
        total += WEXITSTATUS(status);
    }
    workspace().setFolder(folder);
    const std::vector<std::string> all = forms();
    EXPECT_EQ(std::set<std::string>(all.begin(), all.end()).size(), all.size());
    EXPECT_EQ(all.size(), 60u);
    EXPECT_EQ(total, 60);
}

} // namespace
