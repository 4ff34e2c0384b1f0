#include "common/docx.h"

#include <gtest/gtest.h>

#include <fstream>

#include "common/error.h"
#include "common/office.h"
#include "support/tempdir.h"
#include "support/ziptest.h"

using namespace arv;

namespace {

const char* kNs =
    "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
    "xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\" "
    "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" "
    "xmlns:wps=\"http://schemas.microsoft.com/office/word/2010/wordprocessingShape\" "
    "xmlns:v=\"urn:schemas-microsoft-com:vml\"";

std::string box(const std::string& text)
{
    // A floating text box in both flavours, as word processors write it.
    std::string content = "<w:txbxContent><w:p><w:r><w:t>" + text + "</w:t></w:r></w:p></w:txbxContent>";
    return "<w:r><mc:AlternateContent><mc:Choice Requires=\"wps\"><w:drawing><wp:anchor><wps:wsp><wps:txbx>" +
           content + "</wps:txbx></wps:wsp></wp:anchor></w:drawing></mc:Choice><mc:Fallback><w:pict><v:shape><v:textbox>" +
           content + "</v:textbox></v:shape></w:pict></mc:Fallback></mc:AlternateContent></w:r>";
}

// A minimal document: the placeholder in three paragraphs of the body (the second split across
// three formatting runs), once in the page header and alone in a text box.
void makeTemplate(const std::string& path)
{
    std::string doc = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><w:document ") + kNs +
                      "><w:body>"
                      "<w:p><w:r><w:t xml:space=\"preserve\">Spett. &lt;contraente&gt;, salve</w:t></w:r></w:p>"
                      "<w:p><w:r><w:t>&lt;contr</w:t></w:r><w:r><w:rPr><w:b/></w:rPr><w:t>aen</w:t></w:r>"
                      "<w:r><w:t xml:space=\"preserve\">te&gt; e targa &lt;targa&gt;</w:t></w:r></w:p>"
                      "<w:p><w:r><w:t>Firma &lt;contraente&gt;</w:t></w:r>" + box("&lt;logo&gt;") + "</w:p>"
                      "<w:sectPr><w:headerReference w:type=\"default\" r:id=\"rId1\"/></w:sectPr>"
                      "</w:body></w:document>";
    std::string header = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:hdr ") + kNs +
                         "><w:p><w:r><w:t>Agenzia - &lt;contraente&gt;</w:t></w:r></w:p></w:hdr>";
    std::string rels =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
        "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rId1\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/header\" "
        "Target=\"header1.xml\"/></Relationships>";
    std::string types =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types "
        "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/word/document.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
        "<Override PartName=\"/word/header1.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.header+xml\"/></Types>";
    test::writeZip(path, {{"[Content_Types].xml", types},
                          {"word/document.xml", doc},
                          {"word/_rels/document.xml.rels", rels},
                          {"word/header1.xml", header}});
}

int count(const std::string& s, const std::string& what)
{
    int n = 0;
    for (size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) ++n;
    return n;
}

class Docx : public ::testing::Test {
protected:
    void SetUp() override { makeTemplate(dir.file("Ricevuta pagamento.docx")); }
    std::unique_ptr<WordDocument> open() { return WordDocument::open(dir.file("Ricevuta pagamento.docx")); }
    test::TempDir dir;
};

} // namespace

TEST_F(Docx, ReplaceFirstAndAllIncludingSplitRuns)
{
    auto doc = open();
    EXPECT_EQ(3, count(doc->bodyText(), "<contraente>"));
    EXPECT_TRUE(WORDREPLACE(*doc, "<contraente>", "Rossi Mario"));
    EXPECT_EQ(2, count(doc->bodyText(), "<contraente>"));
    EXPECT_TRUE(WORDREPLACEALL(*doc, "<contraente>", "Rossi Mario"));
    EXPECT_EQ(0, count(doc->bodyText(), "<contraente>"));
    EXPECT_EQ(3, count(doc->bodyText(), "Rossi Mario"));
    // The split placeholder became one text, the formatting runs around it are kept.
    EXPECT_NE(std::string::npos, doc->bodyText().find("Rossi Mario e targa <targa>"));
    EXPECT_FALSE(WORDREPLACE(*doc, "<assente>", "x"));
    // The header and the text box are stories of their own.
    EXPECT_EQ(1, count(doc->headerText(), "<contraente>"));
    EXPECT_NE(std::string::npos, doc->textBoxText().find("<logo>"));
}

TEST_F(Docx, ReplacementHoldingItsPlaceholderDoesNotLoop)
{
    auto doc = open();
    EXPECT_TRUE(WORDREPLACEALL(*doc, "<contraente>", "<contraente> <contraente>"));
    EXPECT_EQ(6, count(doc->bodyText(), "<contraente>"));
}

TEST_F(Docx, HeaderTextBoxAndPictureSurviveSaving)
{
    auto doc = open();
    EXPECT_TRUE(WORDREPLACERNG(*doc, "<contraente>", "Bianchi"));
    EXPECT_FALSE(WORDREPLACERNG(*doc, "<contraente>", "Bianchi"));
    // A 2x3 PNG header is enough for the picture's size.
    std::string png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x02\0\0\0\x03\x08\x02\0\0\0", 29);
    std::ofstream(dir.file("logo.png"), std::ios::binary) << png;
    EXPECT_TRUE(WORDREPLACEIMG(*doc, "<logo>", dir.file("logo.png")));
    EXPECT_FALSE(WORDREPLACEIMG(*doc, "<logo>", dir.file("logo.png")));

    const std::string out = dir.file("filled.docx");
    doc->save(out);
    auto body = test::readZipEntry(out, "word/document.xml");
    auto header = test::readZipEntry(out, "word/header1.xml");
    auto rels = test::readZipEntry(out, "word/_rels/document.xml.rels");
    auto types = test::readZipEntry(out, "[Content_Types].xml");
    ASSERT_TRUE(body && header && rels && types);
    EXPECT_NE(std::string::npos, header->find("Agenzia - Bianchi"));
    EXPECT_EQ(std::string::npos, body->find("&lt;logo&gt;"));
    // Embedded, not linked: the picture is a part of the package with its relationship.
    EXPECT_NE(std::string::npos, body->find("r:embed=\"rIdArv1\""));
    EXPECT_NE(std::string::npos, body->find("<wp:extent cx=\"19050\" cy=\"28575\""));
    EXPECT_NE(std::string::npos, rels->find("Target=\"media/arvimg1.png\""));
    EXPECT_NE(std::string::npos, types->find("Extension=\"png\""));
    EXPECT_TRUE(test::readZipEntry(out, "word/media/arvimg1.png").has_value());
    // Read back, the saved document is a document again.
    EXPECT_EQ(3, count(WordDocument::open(out)->bodyText(), "<contraente>"));
}

TEST_F(Docx, EmptyPictureOnlyEmptiesTheBoxAndShowOpensACopy)
{
    auto doc = open();
    EXPECT_TRUE(WORDREPLACEIMG(*doc, "<logo>", ""));
    EXPECT_EQ(std::string::npos, doc->textBoxText().find("<logo>"));
    EXPECT_FALSE(WORDREPLACEIMGRNG(*doc, "<logo>", ""));

    std::string opened;
    officeHooks().open = [&](const std::string& f) {
        opened = f;
        return true;
    };
    std::string shown = WORDSHOW(*doc);
    officeHooks().open = nullptr;
    EXPECT_EQ(shown, opened);
    EXPECT_EQ("Ricevuta pagamento.docx", std::filesystem::path(shown).filename().string());
    EXPECT_EQ('\x7f', std::filesystem::path(shown).parent_path().filename().string().front());
    std::filesystem::remove_all(std::filesystem::path(shown).parent_path());

    WORDREMOVECONTENT(*doc);
    EXPECT_EQ("", doc->bodyText());
}

TEST_F(Docx, MissingOrDamagedTemplate)
{
    EXPECT_EQ("Impossibile trovare il file:;;Manca.docx", missingTemplateMessage(dir.file("Manca.docx")).value());
    EXPECT_FALSE(missingTemplateMessage(dir.file("Ricevuta pagamento.docx")));
    std::ofstream(dir.file("rotto.docx")) << "non un documento";
    EXPECT_THROW(WordDocument::open(dir.file("rotto.docx")), Error);

    // A part whose bytes no longer match their checksum (stored, so the damage reads as text).
    const std::string doc = *test::readZipEntry(dir.file("Ricevuta pagamento.docx"), "word/document.xml");
    zipFile zf = zipOpen64(dir.file("crc.docx").c_str(), APPEND_STATUS_CREATE);
    zip_fileinfo info{};
    zipOpenNewFileInZip64(zf, "word/document.xml", &info, nullptr, 0, nullptr, 0, nullptr, 0, 0, 0);
    zipWriteInFileInZip(zf, doc.data(), static_cast<unsigned>(doc.size()));
    zipCloseFileInZip(zf);
    zipClose(zf, nullptr);
    std::string bytes;
    {
        std::ifstream in(dir.file("crc.docx"), std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bytes[bytes.find("Spett.") + 1] = 'X';
    std::ofstream(dir.file("crc.docx"), std::ios::binary) << bytes;
    EXPECT_THROW(WordDocument::open(dir.file("crc.docx")), Error);

    // A part under a name longer than any buffer keeps its whole name.
    const std::string longName = "word/" + std::string(1500, 'n') + ".xml";
    test::writeZip(dir.file("lungo.docx"), {{"word/document.xml", doc}, {longName, "<x/>"}});
    WordDocument::open(dir.file("lungo.docx"))->save(dir.file("salvato.docx"));
    unzFile saved = unzOpen64(dir.file("salvato.docx").c_str());
    std::vector<std::string> names;
    for (int rc = unzGoToFirstFile(saved); rc == UNZ_OK; rc = unzGoToNextFile(saved)) {
        char name[4096] = {};
        unzGetCurrentFileInfo64(saved, nullptr, name, sizeof name - 1, nullptr, 0, nullptr, 0);
        names.push_back(name);
    }
    unzClose(saved);
    EXPECT_EQ((std::vector<std::string>{"word/document.xml", longName}), names);

    // A text that a damaged template splits around a stray element is read, filled and saved whole.
    test::writeZip(dir.file("spezzato.docx"),
                   {{"word/document.xml", std::string("<w:document ") + kNs +
                                              "><w:body><w:p><w:r><w:t>&lt;contr<w:x/>aente&gt; e &lt;targa&gt;</w:t>"
                                              "</w:r></w:p></w:body></w:document>"}});
    auto split = WordDocument::open(dir.file("spezzato.docx"));
    EXPECT_TRUE(WORDREPLACEALL(*split, "<contraente>", "ROSSI"));
    split->save(dir.file("spezzato2.docx"));
    EXPECT_EQ("ROSSI e <targa>\n", WordDocument::open(dir.file("spezzato2.docx"))->bodyText());
}
