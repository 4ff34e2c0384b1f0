#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "common/documents.h"

namespace fs = std::filesystem;
using namespace arv;

namespace {

class Documents : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = fs::temp_directory_path() / ("arv-docs-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                            "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root / "in");
    }
    void TearDown() override { fs::remove_all(root); }

    fs::path write(const std::string& name, const std::string& content)
    {
        fs::path p = root / "in" / name;
        std::ofstream(p, std::ios::binary) << content;
        return p;
    }
    static std::string read(const fs::path& p)
    {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fs::path root;
};

} // namespace

TEST(DocumentNames, KeyTrimmedLowerCasedSlashesMadeUnderscores)
{
    EXPECT_EQ("ab_12_3_", documentPrefix("  AB/12/3   "));
    EXPECT_EQ("_", documentPrefix(""));
    EXPECT_EQ(fs::path("/w/POLIZZE/mi 123_scan.pdf"), documentPath("/w/POLIZZE", "MI 123", "/home/u/scan.pdf"));
    // Only the file's own name is kept, and the key cannot climb out of the folder.
    EXPECT_EQ(fs::path("/w/X/.._.._etc_a.txt"), documentPath("/w/X", "../../etc", "dir/a.txt"));
}

TEST(DocumentNames, FolderFromSettingsOrArchiveName)
{
    std::map<std::string, std::string> ini = {{"SINISTRI", "/srv/scansioni"}, {"CLIENTI", "doc/clienti"}};
    SettingLookup setting = [&](const std::string& section, const std::string& key) {
        EXPECT_EQ("Documenti", section);
        auto it = ini.find(key);
        return it == ini.end() ? std::string() : it->second;
    };
    EXPECT_EQ(fs::path("/w/POLIZZE"), documentFolder("/w", "POLIZZE", setting));
    EXPECT_EQ(fs::path("/srv/scansioni"), documentFolder("/w", "SINISTRI", setting));
    EXPECT_EQ(fs::path("/w/doc/clienti"), documentFolder("/w", "CLIENTI", setting));
    EXPECT_EQ(fs::path("/w/POLIZZE"), documentFolder("/w", "POLIZZE", nullptr));
}

TEST_F(Documents, AttachCreatesFolderCopiesAndLists)
{
    fs::path folder = root / "POLIZZE";
    AttachResult r = attachDocument(folder, "PN/1", write("Scan.PDF", "one"), true, nullptr);
    EXPECT_EQ(AttachStatus::Done, r.status);
    EXPECT_EQ("File acquisito con successo.", r.message);
    EXPECT_EQ(folder / "pn_1_Scan.PDF", r.stored);
    EXPECT_EQ("one", read(r.stored));

    attachDocument(folder, "PN/1", write("b.jpg", "two"), false, nullptr);
    attachDocument(folder, "PN/2", write("c.jpg", "three"), false, nullptr);
    auto files = documentsOf(folder, " pn/1 ");
    ASSERT_EQ(2u, files.size());
    EXPECT_EQ(folder / "pn_1_Scan.PDF", files[0]);
    EXPECT_EQ(folder / "pn_1_b.jpg", files[1]);
    EXPECT_TRUE(documentsOf(folder, "PN/3").empty());
    EXPECT_TRUE(documentsOf(root / "nowhere", "PN/1").empty());
}

TEST_F(Documents, MissingSourceAndFailedCopyMessages)
{
    fs::path missing = root / "in" / "nope.pdf";
    AttachResult r = attachDocument(root / "A", "K", missing, true, nullptr);
    EXPECT_EQ(AttachStatus::Missing, r.status);
    EXPECT_EQ("Impossibile trovare il file;;" + missing.string(), r.message);
    EXPECT_FALSE(fs::exists(root / "A"));

    // The folder cannot be made: a file is in the way.
    std::ofstream(root / "B") << "x";
    fs::path source = write("a.txt", "a");
    r = attachDocument(root / "B", "K", source, true, nullptr);
    EXPECT_EQ(AttachStatus::CopyFailed, r.status);
    EXPECT_EQ("Si è verificato un errore durante l'acquisizione del file;;" + source.string(), r.message);

    EXPECT_EQ(AttachStatus::Cancelled, attachDocument(root / "A", "K", "", true, nullptr).status);
}

TEST_F(Documents, SameNameIsNeverOverwrittenWithoutAsking)
{
    fs::path folder = root / "SINISTRI";
    attachDocument(folder, "S1", write("perizia.pdf", "old"), false, nullptr);
    fs::path newer = write("perizia.pdf", "new");

    int asked = 0;
    fs::path askedAbout;
    auto answer = [&](ReplaceChoice c) {
        return [&, c](const fs::path& existing) {
            ++asked;
            askedAbout = existing;
            return c;
        };
    };

    AttachResult r = attachDocument(folder, "S1", newer, true, answer(ReplaceChoice::Cancel));
    EXPECT_EQ(1, asked);
    EXPECT_EQ(folder / "s1_perizia.pdf", askedAbout);
    EXPECT_EQ(AttachStatus::Cancelled, r.status);
    EXPECT_EQ("old", read(folder / "s1_perizia.pdf"));

    r = attachDocument(folder, "S1", newer, true, answer(ReplaceChoice::KeepBoth));
    EXPECT_EQ(AttachStatus::Done, r.status);
    EXPECT_EQ(folder / "s1_perizia (2).pdf", r.stored);
    EXPECT_EQ("old", read(folder / "s1_perizia.pdf"));
    EXPECT_EQ("new", read(r.stored));
    EXPECT_EQ(folder / "s1_perizia (3).pdf", freeDocumentPath(folder, "S1", "perizia.pdf"));

    r = attachDocument(folder, "S1", newer, true, answer(ReplaceChoice::Replace));
    EXPECT_EQ(folder / "s1_perizia.pdf", r.stored);
    EXPECT_EQ("new", read(folder / "s1_perizia.pdf"));
    EXPECT_EQ(3, asked);
    // No temporary copy is left behind.
    EXPECT_EQ(2u, documentsOf(folder, "S1").size());

    // Without a question the earlier file is kept.
    r = attachDocument(folder, "S1", write("perizia.pdf", "third"), false, nullptr);
    EXPECT_EQ(folder / "s1_perizia (3).pdf", r.stored);
    EXPECT_NE(std::string::npos, documentReplaceQuestion("s1_perizia.pdf").find("s1_perizia.pdf"));
}

TEST_F(Documents, ChoosingTheStoredFileItselfKeepsIt)
{
    fs::path folder = root / "C";
    AttachResult first = attachDocument(folder, "K", write("a.txt", "content"), false, nullptr);
    int asked = 0;
    AttachResult again = attachDocument(folder, "K", first.stored, false, [&](const fs::path&) {
        ++asked;
        return ReplaceChoice::Replace;
    });
    EXPECT_EQ(AttachStatus::Done, again.status);
    EXPECT_EQ(0, asked);
    EXPECT_EQ("content", read(first.stored));
}

TEST(DocumentMessages, NoApplication)
{
    EXPECT_EQ("Nessuna applicazione è associata ai file di tipo xyz. Impossibile visualizzare il file.",
              noApplicationMessage("/w/POLIZZE/k_a.xyz"));
}
