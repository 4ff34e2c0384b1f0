#include <gtest/gtest.h>

#include <fstream>

#include "ui/docdialogs.h"
#include "ui/popmsg.h"
#include "ui/qtapp.h"

namespace fs = std::filesystem;
using namespace arv;

namespace {

class DocumentDialogs : public ::testing::Test {
protected:
    void SetUp() override
    {
        testApp();
        root = fs::temp_directory_path() /
               (std::string("arv-docdialogs-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root / "in");
        setDocumentSettings(root, nullptr);
        setFileChooser([this](const std::string& title, const std::string& folder, const std::string& filter) {
            choices.push_back(title + "|" + folder + "|" + filter);
            if (picks.empty()) return std::string();
            std::string p = picks.front();
            picks.erase(picks.begin());
            return p;
        });
        setFileOpener([this](const fs::path& f) {
            opened.push_back(f);
            return openWorks;
        });
        setMessageBoxHandler([this](MessageKind kind, const std::string& text, const std::string&) {
            boxes.push_back(std::to_string(static_cast<int>(kind)) + "|" + text);
            return answer;
        });
    }
    void TearDown() override
    {
        setFileChooser(nullptr);
        setFileOpener(nullptr);
        setMessageBoxHandler(nullptr);
        setDocumentSettings(".", nullptr);
        fs::remove_all(root);
    }

    std::string source(const std::string& name, const std::string& content)
    {
        fs::path p = root / "in" / name;
        std::ofstream(p) << content;
        return p.string();
    }

    fs::path root;
    std::vector<std::string> picks;
    std::vector<std::string> choices;
    std::vector<fs::path> opened;
    std::vector<std::string> boxes;
    bool openWorks = true;
    int answer = kAnswerOk;
};

} // namespace

TEST_F(DocumentDialogs, NewDocCopiesUnderTheRecordsName)
{
    picks = {source("Perizia.pdf", "x")};
    EXPECT_TRUE(NEWDOC("AB/123 ", "SINISTRI"));
    EXPECT_TRUE(fs::exists(root / "SINISTRI" / "ab_123_Perizia.pdf"));
    ASSERT_EQ(1u, choices.size());
    EXPECT_EQ(0u, choices[0].find("Aggiungi documento|"));
    EXPECT_EQ((std::vector<std::string>{"1|File acquisito con successo."}), boxes);

    // Cancelled: nothing happens, nothing is said.
    EXPECT_FALSE(NEWDOC("AB/123", "SINISTRI"));
    EXPECT_EQ(1u, boxes.size());

    picks = {(root / "in" / "gone.pdf").string()};
    EXPECT_FALSE(NEWDOC("AB/123", "SINISTRI"));
    EXPECT_EQ("1|Impossibile trovare il file\n\n" + (root / "in" / "gone.pdf").string(), boxes.back());
}

TEST_F(DocumentDialogs, NewDocAsksBeforeReplacingAnEarlierAttachment)
{
    picks = {source("a.pdf", "old")};
    NEWDOC("K1", "POLIZZE", false);
    picks = {source("a.pdf", "new")};
    answer = kAnswerCancel;
    EXPECT_FALSE(NEWDOC("K1", "POLIZZE", false));
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(0u, boxes[0].find("3|Il documento k1_a.pdf è già allegato."));

    picks = {source("a.pdf", "new")};
    answer = kAnswerNo;
    EXPECT_TRUE(NEWDOC("K1", "POLIZZE", false));
    EXPECT_TRUE(fs::exists(root / "POLIZZE" / "k1_a (2).pdf"));

    picks = {source("a.pdf", "newest")};
    answer = kAnswerYes;
    EXPECT_TRUE(NEWDOC("K1", "POLIZZE", false));
    std::ifstream in(root / "POLIZZE" / "k1_a.pdf");
    std::string content;
    in >> content;
    EXPECT_EQ("newest", content);
}

TEST_F(DocumentDialogs, VisDocOffersNewDocOpensOrAsksWhich)
{
    // None yet: NEWDOC without the success message, then the new file is opened.
    picks = {source("scan.jpg", "x")};
    VISDOC("C9", "CLIENTI");
    EXPECT_TRUE(boxes.empty());
    ASSERT_EQ(1u, opened.size());
    EXPECT_EQ(root / "CLIENTI" / "c9_scan.jpg", opened[0]);

    // None and cancelled: stops.
    VISDOC("C10", "CLIENTI");
    EXPECT_EQ(1u, opened.size());

    // Several: the "Apri" choice over the record's files.
    picks = {source("other.xyz", "y")};
    NEWDOC("C9", "CLIENTI", false);
    picks = {(root / "CLIENTI" / "c9_other.xyz").string()};
    openWorks = false;
    choices.clear();
    VISDOC("C9", "CLIENTI");
    ASSERT_EQ(1u, choices.size());
    EXPECT_EQ("Apri|" + (root / "CLIENTI").string() + "|Documenti (c9_*)", choices[0]);
    EXPECT_EQ("1|Nessuna applicazione è associata ai file di tipo xyz. Impossibile visualizzare il file.",
              boxes.back());
}
