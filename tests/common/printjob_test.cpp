// The print job read back from its page model: positions on the grid, cursor movement, page
// breaks, wrapping and the job's life (missing printer, cancel, output, selection restored).
#include <gtest/gtest.h>

#include "common/date.h"
#include "common/printjob.h"

#include <cmath>

using namespace arv;

namespace {

// Every test starts and ends with empty hooks and the estimating measurer.
class PrintJobTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        printHooks() = {};
        setTextMeasurer(nullptr);
        printHooks().print = [this](const PrintDocument& d, const std::string& printer) {
            printed.push_back(d);
            printedOn = printer;
        };
        printHooks().preview = [this](const PrintDocument& d, bool noPrint, const std::string&) {
            previewed.push_back(d);
            previewNoPrint = noPrint;
        };
    }
    void TearDown() override { printHooks() = {}; }

    static double rowOf(const TPRINTER& job, const PageItem& item) { return item.y / job.geometry().lineHeight(); }
    static double colOf(const TPRINTER& job, const PageItem& item) { return item.x / job.geometry().columnWidth(); }
    static const std::vector<PageItem>& items(const TPRINTER& job) { return job.document().pages.back().items; }

    std::vector<PrintDocument> printed;
    std::vector<PrintDocument> previewed;
    std::string printedOn;
    bool previewNoPrint = false;
};

} // namespace

TEST_F(PrintJobTest, GridPlacementOfItems)
{
    TPRINTER job("Prova");
    job.startPage();
    EXPECT_DOUBLE_EQ(2, job.row());

    // A label, then a value at column 15 of the same line.
    PRINTTXT(job, {"CLIENTE:"});
    PRINTTXT(job, {"ROSSI MARIO"}, TxtOptions::at(15));
    ASSERT_EQ(2u, items(job).size());
    EXPECT_DOUBLE_EQ(3, rowOf(job, items(job)[0]));
    EXPECT_DOUBLE_EQ(3, rowOf(job, items(job)[1]));
    EXPECT_NEAR(5, colOf(job, items(job)[0]), 1e-9);
    EXPECT_NEAR(20, colOf(job, items(job)[1]), 1e-9);
    EXPECT_DOUBLE_EQ(3, job.row());

    // An empty list is an empty line: the cursor moves, nothing is drawn.
    PRINTTXT(job, {});
    EXPECT_DOUBLE_EQ(4, job.row());
    EXPECT_EQ(2u, items(job).size());

    // Several texts are joined by one blank; column 0 continues right after the previous text.
    PRINTTXT(job, {"Polizza", "n."});
    PRINTTXT(job, {"123"}, TxtOptions::next());
    ASSERT_EQ(4u, items(job).size());
    EXPECT_EQ("Polizza n.", items(job)[2].text);
    EXPECT_DOUBLE_EQ(5, rowOf(job, items(job)[3]));
    EXPECT_NEAR(items(job)[2].x + job.textWidth("Polizza n.", job.font()), items(job)[3].x, 1e-9);

    // Right-aligned to column + width, centred on column + width / 2 or on the page centre.
    PRINTTXT(job, {"1.234,50"}, TxtOptions::at(60).alignRight(12));
    EXPECT_EQ(TextAlign::Right, items(job).back().align);
    EXPECT_NEAR(77, colOf(job, items(job).back()), 1e-9);
    PRINTTXT(job, {"TITOLO"}, TxtOptions().centred());
    EXPECT_EQ(TextAlign::Center, items(job).back().align);
    EXPECT_NEAR(40, colOf(job, items(job).back()), 1e-9);
    EXPECT_DOUBLE_EQ(6, job.row());
    PRINTTXT(job, {"X"}, TxtOptions::at(10).centred(20));
    EXPECT_NEAR(25, colOf(job, items(job).back()), 1e-9);

    // Line feed of two lines, clipping, colours, DOS accented letters.
    PFEED(job, 2);
    PRINTTXT(job, {std::string("Citt\x85 lunga")}, TxtOptions().clipped(4).inColor(0xFF0000, kWhite));
    EXPECT_DOUBLE_EQ(8, job.row());
    EXPECT_EQ("Città lunga", items(job).back().text);
    EXPECT_NEAR(job.columnX(4), items(job).back().clipWidth, 1e-9);
    EXPECT_EQ(0xFF0000u, items(job).back().color);
    EXPECT_EQ(kWhite, items(job).back().background.value_or(0));
    EXPECT_DOUBLE_EQ(2, PFEED(job));
    EXPECT_DOUBLE_EQ(8, SETPROW(job, 20));
    EXPECT_DOUBLE_EQ(20, job.row());
}

TEST_F(PrintJobTest, HeaderAndFooterLeaveTheCursor)
{
    TPRINTER job("Prova");
    job.startPage();
    PRINTTXT(job, {"prima"});
    const double row = job.row();
    SAYHEADER("STAMPA CLIENTI", job);
    SAYFOOTER(job);
    EXPECT_DOUBLE_EQ(row, job.row());
    EXPECT_EQ(5, job.margin());
    PRINTTXT(job, {"seconda"});
    EXPECT_DOUBLE_EQ(row + 1, rowOf(job, items(job).back()));

    const auto& it = items(job);
    ASSERT_EQ(6u, it.size());
    EXPECT_EQ("STAMPA CLIENTI", it[1].text);
    EXPECT_DOUBLE_EQ(1, rowOf(job, it[1]));
    EXPECT_NEAR(1, colOf(job, it[1]), 1e-9);
    EXPECT_EQ(Date::today().toDisplay(), it[2].text);
    EXPECT_EQ(TextAlign::Center, it[2].align);
    EXPECT_EQ("PAG. 1", it[3].text);
    EXPECT_EQ(TextAlign::Right, it[3].align);
    EXPECT_NEAR(78, colOf(job, it[3]), 1e-9);
    EXPECT_EQ("- 1 -", it[4].text);
    EXPECT_DOUBLE_EQ(64, rowOf(job, it[4]));

    SAYHEADER("SENZA DATA", job, std::nullopt, true);
    EXPECT_EQ("PAG. 1", items(job).back().text);
    EXPECT_EQ("SENZA DATA", items(job)[items(job).size() - 2].text);
}

TEST_F(PrintJobTest, ListPageBreakPastLine60)
{
    TPRINTER job("Elenco", true);
    job.startPage();
    SAYHEADER("ELENCO", job);
    int turned = 0;
    for (int i = 0; i < 100; ++i) {
        if (breakListPage(job, "ELENCO", std::nullopt, true)) ++turned;
        PRINTTXT(job, {"riga " + std::to_string(i)});
        EXPECT_LE(std::lround(job.row()), 61);
    }
    EXPECT_EQ(1, turned);
    // Rows 3..61 on the first page (59 rows), then the header and four empty lines.
    const auto& second = job.document().pages[1].items;
    EXPECT_EQ("ELENCO", second[0].text);
    EXPECT_EQ("PAG. 2", second[1].text);
    EXPECT_EQ("riga 59", second[2].text);
    EXPECT_DOUBLE_EQ(7, rowOf(job, second[2]));
    EXPECT_EQ(2, job.page());
    job.end();
    ASSERT_EQ(1u, previewed.size());
    EXPECT_EQ(2u, previewed[0].pages.size());
    EXPECT_TRUE(printed.empty());
    EXPECT_TRUE(job.document().pages.empty());
}

TEST_F(PrintJobTest, WrappingWithTheFont)
{
    TPRINTER job("Prova");
    const PrintFont courier("Courier New", 10);
    const double width = job.columnX(20);
    const std::string text = "Il contraente dichiara di aver ricevuto la documentazione precontrattuale.\n"
                             "\n"
                             "Perché è così: città.";
    const auto lines = AMEMOLINE(text, 20, job, courier);
    ASSERT_GE(lines.size(), 5u);
    for (const auto& l : lines) {
        std::string visible = l;
        if (!visible.empty() && visible.back() == kParagraphMark) visible.pop_back();
        EXPECT_LE(job.textWidth(visible, courier), width) << l;
        EXPECT_NE(' ', visible.empty() ? 'x' : visible.back()) << l;
    }
    // Words are kept whole, and only paragraph ends carry the mark.
    std::string joined;
    int marks = 0;
    for (const auto& l : lines) {
        std::string v = l;
        if (v.back() == kParagraphMark) {
            ++marks;
            v.pop_back();
        }
        if (!joined.empty() && !v.empty() && joined.back() != '\n') joined += ' ';
        joined += v;
        if (l.back() == kParagraphMark) joined += '\n';
    }
    EXPECT_EQ(text + "\n", joined);
    EXPECT_EQ(3, marks);
    EXPECT_EQ(std::string(1, kParagraphMark), lines[lines.size() - 2]); // the empty paragraph
    EXPECT_EQ(std::string("Perché è così: città.") + kParagraphMark, lines.back());

    // Accented letters are one character each: 20 columns of Courier hold 23 characters.
    const auto accents = AMEMOLINE(std::string(30, 'a') + "èèèèè", 20, job, courier);
    EXPECT_EQ(23u, utf8Length(accents[0]));

    // A word longer than the line is cut at the width instead of looping.
    const auto longWord = AMEMOLINE(std::string(50, 'X'), 10, job, courier);
    ASSERT_EQ(5u, longWord.size());
    EXPECT_EQ(std::string(11, 'X'), longWord[0]);
    // A width too small for one letter still makes progress.
    EXPECT_EQ(3u, wrapToWidth("abc", 1, 600, courier).size());
    // The default width is the page less both margins.
    const auto full = AMEMOLINE(std::string(200, 'a'), 0, job, courier);
    EXPECT_LE(job.textWidth(full[0], courier), job.columnX(70));
    EXPECT_GT(job.textWidth(full[0] + "a", courier), job.columnX(70));
}

TEST_F(PrintJobTest, JustifiedParagraphStretchesAllButTheLastLine)
{
    TPRINTER job("Prova");
    job.startPage();
    const std::string text = "Si comunica che la polizza indicata in oggetto scade alla data riportata e che il "
                             "premio dovrà essere versato presso la nostra agenzia entro i termini previsti.";
    const auto lines = AMEMOLINE(text, 0, job);
    ASSERT_GE(lines.size(), 2u);
    for (const auto& l : lines) PRINTTXT(job, {l}, TxtOptions().justified());
    const auto& it = items(job);
    ASSERT_EQ(lines.size(), it.size());
    for (size_t i = 0; i + 1 < it.size(); ++i) EXPECT_NEAR(job.columnX(70), it[i].stretchTo, 1e-9) << i;
    EXPECT_EQ(0, it.back().stretchTo);
    EXPECT_EQ(std::string::npos, it.back().text.find(kParagraphMark));
    EXPECT_NEAR(job.columnX(75), job.document().pages[0].items[0].x + it[0].stretchTo, 1e-9);
    // A single word is not stretched, and a given width is used.
    PRINTTXT(job, {"  Parola  "}, TxtOptions::at(10).justified(30));
    EXPECT_EQ("Parola", it.back().text);
    EXPECT_EQ(0, it.back().stretchTo);
    PRINTTXT(job, {"due parole"}, TxtOptions::at(10).justified(30));
    EXPECT_NEAR(job.columnX(30), it.back().stretchTo, 1e-9);
}

TEST_F(PrintJobTest, LongTextPrintout)
{
    std::string text;
    for (int i = 1; i <= 120; ++i) text += "Riga " + std::to_string(i) + "\r\n";
    text.resize(text.size() - 2);
    int evaluated = 0;
    const PrintDocument doc = MEMOPRT(text, "Nota", {[&] { return "Pagina " + std::to_string(++evaluated); }, nullptr},
                                      true, false);
    // Header lines take rows 3 and 4; text rows 5..61 (57 a page).
    ASSERT_EQ(3u, doc.pages.size());
    EXPECT_EQ(3, evaluated);
    ASSERT_EQ(1u, printed.size());
    for (size_t p = 0; p < doc.pages.size(); ++p) {
        const auto& it = doc.pages[p].items;
        EXPECT_EQ("Pagina " + std::to_string(p + 1), it.front().text);
        EXPECT_EQ("- " + std::to_string(p + 1) + " -", it.back().text);
        EXPECT_EQ("Courier New", it.front().font.family);
    }
    EXPECT_EQ("Riga 57", doc.pages[0].items[doc.pages[0].items.size() - 2].text);
    EXPECT_EQ("Riga 58", doc.pages[1].items[1].text);

    // A line wider than the page is wrapped instead of running off the paper.
    const PrintDocument wide = MEMOPRT(std::string(100, 'w') + " fine", "Nota", {}, false, true);
    ASSERT_EQ(1u, wide.pages.size());
    EXPECT_EQ(2u, wide.pages[0].items.size());
}

TEST_F(PrintJobTest, JobLife)
{
    // A printer that is not installed: the message, and nothing printed.
    std::string shown;
    printHooks().printerInstalled = [](const std::string& name) { return name == "Laser"; };
    printHooks().message = [&](const std::string& t) { shown = t; };
    {
        TPRINTER job("Prova", false, false, "Aghi");
        EXPECT_FALSE(job.valid());
        PRINTTXT(job, {"testo"});
        job.end();
    }
    EXPECT_EQ("Impossibile trovare la stampante Aghi.", shown);
    EXPECT_TRUE(printed.empty());
    {
        TPRINTER job("Prova", false, false, PDFPRINTER());
        EXPECT_TRUE(job.valid());
    }
    EXPECT_TRUE(ISPDFPRINTER());

    // Cancel from the progress window: the pages made so far are printed, the rest skipped;
    // the selected table goes back to its record.
    int progressPages = 0;
    bool closed = false;
    bool restored = false;
    printHooks().progressOpen = [](const std::string& name) { EXPECT_EQ("Lista", name); };
    printHooks().progressPage = [&](int) { ++progressPages; };
    printHooks().progressCancelled = [&] { return progressPages >= 2; };
    printHooks().progressClose = [&] { closed = true; };
    printHooks().rememberSelection = [&] { return std::function<void()>([&] { restored = true; }); };
    {
        TPRINTER job("Lista", false, false, "Laser");
        for (int p = 0; p < 5 && !job.cancelled(); ++p) {
            job.startPage();
            PRINTTXT(job, {"pagina " + std::to_string(p + 1)});
            job.endPage();
        }
        EXPECT_TRUE(job.cancelled());
        job.startPage();
        PRINTTXT(job, {"saltata"});
        job.end();
    }
    ASSERT_EQ(1u, printed.size());
    EXPECT_EQ(2u, printed[0].pages.size());
    EXPECT_EQ("Laser", printedOn);
    EXPECT_TRUE(closed);
    EXPECT_TRUE(restored);

    // A job dropped without end() (an error) prints nothing but still closes and restores.
    closed = restored = false;
    progressPages = -100;
    {
        TPRINTER job("Lista", true);
        job.startPage();
        PRINTTXT(job, {"x"});
    }
    EXPECT_TRUE(closed);
    EXPECT_TRUE(restored);
    EXPECT_TRUE(previewed.empty());

    // Preview without the print button; landscape pages.
    {
        TPRINTER job("Lista", true, true, "", true);
        EXPECT_TRUE(job.geometry().landscape());
        PRINTTXT(job, {"x"});
        job.end();
    }
    ASSERT_EQ(1u, previewed.size());
    EXPECT_TRUE(previewNoPrint);
}

TEST_F(PrintJobTest, CentimetreSay)
{
    TPRINTER job("Modulo");
    const PageGeometry& g = job.geometry();
    // 3 cm from the paper's top is 25 mm below the printable area's top (5 mm offset).
    EXPECT_NEAR(25 * g.dpi / 25.4, job.CMTR2PIX(3, true), 1e-9);
    job.sayCm(3, 2, "Rossi", PrintFont("Arial", 10), 4, kBlack, std::nullopt, TextAlign::Right);
    const PageItem& it = items(job).back();
    EXPECT_NEAR(55 * g.dpi / 25.4, it.x, 1e-9);
    EXPECT_NEAR(25 * g.dpi / 25.4, it.y, 1e-9);
    EXPECT_NE(std::string::npos, dumpPage(job.document(), job.document().pages[0]).find("R |Rossi|"));
}
