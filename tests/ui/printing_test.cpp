// Printed pages through Qt: PDF files read back with pdftotext, the fonts, the PDF and mail
// actions of the preview, the preview window and the progress window of a job.
#include <gtest/gtest.h>

#include <QAction>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolBar>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "common/printjob.h"
#include "common/report.h"
#include "common/sendmail.h"
#include "support/tempdir.h"
#include "common/ini.h"
#include "ui/mailsettings.h"
#include "ui/popmsg.h"
#include "ui/previewwindow.h"
#include "ui/printing.h"
#include "ui/printrender.h"
#include "ui/qtapp.h"

namespace fs = std::filesystem;
using namespace arv;

namespace {

std::string run(const std::string& command)
{
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    ::pclose(p);
    return out;
}

std::string quoted(const std::string& path) { return "'" + path + "'"; }

int pdfPages(const std::string& path)
{
    const std::string info = run("pdfinfo " + quoted(path) + " 2>/dev/null");
    const auto at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::stoi(info.substr(at + 6));
}

class Printing : public ::testing::Test {
protected:
    void SetUp() override
    {
        testApp();
        installPrintHooks();
        printHooks().preview = [this](const PrintDocument& d, bool, const std::string&) { made.push_back(d); };
        printHooks().print = [this](const PrintDocument& d, const std::string&) { made.push_back(d); };
        setMessageBoxHandler([this](MessageKind, const std::string& text, const std::string&) {
            boxes.push_back(text);
            return answer;
        });
    }
    void TearDown() override
    {
        setMessageBoxHandler(nullptr);
        setSaveFileChooser(nullptr);
        setMailComposer(nullptr);
        setUrlOpener(nullptr);
        setMailFallbackFolder({});
        printHooks() = {};
        sendMailHooks() = {};
        setTextMeasurer(nullptr);
        POPMSG();
    }

    // Three pages: a label and a value on one line, accented letters, a justified paragraph.
    PrintDocument threePages()
    {
        TPRINTER job("Estratto conto", true);
        for (int p = 1; p <= 3; ++p) {
            job.startPage();
            SAYHEADER("ESTRATTO CONTO", job, PrintFont("Arial", 10));
            PRINTTXT(job, {"CLIENTE:"});
            PRINTTXT(job, {"Niccolò Società Più"}, TxtOptions::at(15));
            PRINTTXT(job, {"Città: Forlì, àèéìòù"}, TxtOptions().withFont(PrintFont("Arial", 11, true)));
            for (const auto& l : AMEMOLINE("La presente per comunicare che il premio è stato versato e che la "
                                           "copertura è quindi garantita fino alla prossima scadenza indicata.",
                                           0, job))
                PRINTTXT(job, {l}, TxtOptions().justified());
            SAYFOOTER(job);
            job.endPage();
        }
        job.end();
        return made.back();
    }

    arv::test::TempDir tmp;
    std::vector<PrintDocument> made;
    std::vector<std::string> boxes;
    int answer = kAnswerOk;
};

} // namespace

TEST_F(Printing, PdfTextReadBackWithAccentsAndPages)
{
    const PrintDocument doc = threePages();
    ASSERT_EQ(3u, doc.pages.size());
    const std::string pdf = tmp.file("estratto.pdf");
    ASSERT_TRUE(writePdf(doc, pdf));
    EXPECT_EQ(3, pdfPages(pdf));
    const std::string text = run("pdftotext -layout " + quoted(pdf) + " - 2>/dev/null");
    // The label and the value on one line.
    EXPECT_NE(std::string::npos, text.find("CLIENTE:")) << text;
    bool together = false;
    for (size_t at = text.find("CLIENTE:"); at != std::string::npos; at = text.find("CLIENTE:", at + 1)) {
        const std::string line = text.substr(at, text.find('\n', at) - at);
        together = together || line.find("Niccolò Società Più") != std::string::npos;
    }
    EXPECT_TRUE(together) << text;
    EXPECT_NE(std::string::npos, text.find("Città: Forlì, àèéìòù")) << text;
    EXPECT_NE(std::string::npos, text.find("PAG. 3"));
    EXPECT_NE(std::string::npos, text.find("- 2 -"));
    EXPECT_NE(std::string::npos, text.find("prossima scadenza indicata."));
    // One form feed between pages.
    EXPECT_EQ(3, std::count(text.begin(), text.end(), '\f'));

    // The fonts are the metric twins, embedded.
    const std::string fonts = run("pdffonts " + quoted(pdf) + " 2>/dev/null");
    EXPECT_NE(std::string::npos, fonts.find("LiberationSans")) << fonts;
    EXPECT_NE(std::string::npos, fonts.find("LiberationMono")) << fonts;

    // A folder that cannot be written: false, and no file left behind.
    EXPECT_FALSE(writePdf(doc, tmp.file("manca/estratto.pdf")));
}

TEST_F(Printing, FontsAndMeasuring)
{
    EXPECT_EQ("Liberation Sans", QFontInfo(qtFont(PrintFont("Arial", 10))).family());
    EXPECT_EQ("Liberation Mono", QFontInfo(qtFont(PrintFont("Courier New", 10))).family());
    const QtTextMeasurer m;
    // Liberation Mono advances 0.6 em a character: 4 x 6 points at 600 dpi.
    EXPECT_NEAR(200, m.width("MMMM", PrintFont("Courier New", 10), 600), 1.0);
    EXPECT_NEAR(200, m.width("àèìò", PrintFont("Courier New", 10), 600), 1.0);
    EXPECT_LT(m.width("iiii", PrintFont("Arial", 10), 600), m.width("MMMM", PrintFont("Arial", 10), 600));
    // The job wraps with these measures once installed.
    TPRINTER job("x");
    const auto lines = AMEMOLINE(std::string(40, 'i') + " " + std::string(40, 'M'), 20, job, PrintFont("Arial", 10));
    EXPECT_EQ(std::string(40, 'i'), lines.at(0));
}

TEST_F(Printing, SaveAsPdf)
{
    const PrintDocument doc = threePages();
    std::string proposed;
    std::string chosen;
    setSaveFileChooser([&](const std::string& title, const std::string& filter, const std::string& name) {
        EXPECT_EQ("Salva in", title);
        EXPECT_EQ("File PDF (*.pdf)", filter);
        proposed = name;
        return chosen;
    });
    // Cancelled: nothing.
    EXPECT_FALSE(savePdfAs(doc).has_value());
    EXPECT_EQ("Estratto conto.pdf", proposed);

    // ".pdf" is added to another extension, and the existing file is asked about.
    chosen = tmp.file("conto.txt");
    const std::string target = tmp.file("conto.txt.pdf");
    std::ofstream(target) << "vecchio";
    answer = kAnswerCancel;
    EXPECT_FALSE(savePdfAs(doc).has_value());
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Il file " + target + " già esiste. Lo sovrascrivo?", boxes[0]);
    std::ifstream kept(target);
    EXPECT_EQ("vecchio", std::string(std::istreambuf_iterator<char>(kept), {}));
    answer = kAnswerOk;
    EXPECT_EQ(target, savePdfAs(doc).value_or(""));
    EXPECT_EQ(3, pdfPages(target));
    chosen = tmp.file("SENZA.PDF");
    EXPECT_EQ(chosen, savePdfAs(doc).value_or(""));

    // Writing fails: the message, nothing made.
    boxes.clear();
    chosen = tmp.file("manca/conto.pdf");
    EXPECT_FALSE(savePdfAs(doc).has_value());
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Si è verificato un errore durante la creazione del PDF.", boxes[0]);

    // A job on the PDF output saves the file the same way.
    chosen = tmp.file("diretto");
    EXPECT_TRUE(outputDocument(doc, PDFPRINTER()));
    EXPECT_EQ(3, pdfPages(tmp.file("diretto.pdf")));
}

TEST_F(Printing, MailPdf)
{
    const PrintDocument doc = threePages();
    std::string attached;
    setMailComposer([&](const std::string& pdf) {
        attached = pdf;
        return true;
    });
    ASSERT_TRUE(mailPdf(doc));
    EXPECT_EQ("Estratto conto.pdf", fs::path(attached).filename().string());
    EXPECT_EQ(3, pdfPages(attached));
    fs::remove_all(fs::path(attached).parent_path());

    // No composer: the PDF is saved where the message says, and an empty message is opened.
    std::string url;
    setMailComposer([](const std::string&) { return false; });
    setUrlOpener([&](const std::string& u) {
        url = u;
        return true;
    });
    setMailFallbackFolder(tmp.path());
    std::ofstream(tmp.file("Estratto conto.pdf")) << "altro";
    ASSERT_TRUE(mailPdf(doc));
    EXPECT_EQ("mailto:", url);
    const std::string saved = tmp.file("Estratto conto (2).pdf");
    EXPECT_EQ(3, pdfPages(saved));
    ASSERT_EQ(1u, boxes.size());
    EXPECT_NE(std::string::npos, boxes[0].find(saved));
}

TEST_F(Printing, PreviewWindow)
{
    const PrintDocument doc = threePages();
    PreviewWindow w(doc, false, {});
    w.show();
    EXPECT_EQ("Anteprima di stampa", w.windowTitle());
    const QStringList expected = {"Prima pagina",        "Pagina precedente", "Pagina successiva",
                                  "Ultima pagina",       "Zoom",              "Stampa documento",
                                  "Salva come PDF",      "Invia PDF per email", "Esci dall'anteprima di stampa"};
    QStringList tips;
    for (QAction* a : w.toolBar()->actions())
        if (!a->isSeparator()) tips << a->toolTip();
    EXPECT_EQ(expected, tips);
    EXPECT_EQ("Pagina: 1 di 3", w.pageText());
    EXPECT_FALSE(w.action("PREVIOUS")->isEnabled());
    w.action("NEXT")->trigger();
    EXPECT_EQ("Pagina: 2 di 3", w.pageText());
    w.action("BOTTOM")->trigger();
    EXPECT_EQ("Pagina: 3 di 3", w.pageText());
    EXPECT_FALSE(w.action("NEXT")->isEnabled());
    w.action("NEXT")->trigger();
    EXPECT_EQ(2, w.currentPage());
    w.action("TOP")->trigger();
    EXPECT_EQ(0, w.currentPage());
    w.action("ZOOM")->trigger();
    EXPECT_TRUE(w.zoomed());

    // Printing goes to the job's printer.
    std::string printedOn = "-";
    setDocumentPrinter([&](const PrintDocument& d, const std::string& printer) {
        EXPECT_EQ(3u, d.pages.size());
        printedOn = printer;
        return true;
    });
    PreviewWindow onLaser(doc, false, "Laser");
    onLaser.action("PRINT")->trigger();
    EXPECT_EQ("Laser", printedOn);
    EXPECT_TRUE(boxes.empty());
    // A job that names no printer prints on the one chosen in "Imposta stampante...".
    setChosenPrinter("Ufficio");
    w.action("PRINT")->trigger();
    EXPECT_EQ("Ufficio", printedOn);
    setChosenPrinter({});
    // A printer that refuses the job is reported, not taken for printed.
    setDocumentPrinter([](const PrintDocument&, const std::string&) { return false; });
    onLaser.action("PRINT")->trigger();
    EXPECT_EQ(std::vector<std::string>{"Impossibile stampare il documento."}, boxes);
    setDocumentPrinter(nullptr);

    PreviewWindow noPrint(doc, true, {});
    EXPECT_EQ(nullptr, noPrint.action("PRINT"));
    EXPECT_NE(nullptr, noPrint.action("SAVEPDF"));
    w.action("EXIT")->trigger();
    EXPECT_FALSE(w.isVisible());

    // The rendered page is not blank.
    const QImage img = pageImage(doc, 0, 50);
    int dark = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) dark += qGray(img.pixel(x, y)) < 128;
    EXPECT_GT(dark, 100);
}

TEST_F(Printing, PrintersAndProgressWindow)
{
    const auto names = ADEVNAMES();
    ASSERT_FALSE(names.empty());
    EXPECT_EQ("", names[0]);
    EXPECT_TRUE(std::is_sorted(names.begin() + 1, names.end()));
    EXPECT_TRUE(printerInstalled(PDFPRINTER()));
    {
        TPRINTER job("Prova", false, false, "Stampante inesistente");
        EXPECT_FALSE(job.valid());
    }
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Impossibile trovare la stampante Stampante inesistente.", boxes[0]);

    // Escape in the progress window cancels: the following pages are skipped.
    TPRINTER job("Lista clienti");
    QWidget* progress = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == "Lista clienti") progress = w;
    ASSERT_NE(nullptr, progress);
    job.startPage();
    PRINTTXT(job, {"uno"});
    job.endPage();
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(progress, &esc);
    job.startPage();
    PRINTTXT(job, {"due"});
    job.endPage();
    EXPECT_TRUE(job.cancelled());
    job.end();
    ASSERT_EQ(1u, made.size());
    EXPECT_EQ(1u, made[0].pages.size());
    QApplication::processEvents();
    EXPECT_FALSE(progress && progress->isVisible());
}

TEST_F(Printing, MailSettingsGroupSavesOnConfirm)
{
    IniFile ini(tmp.file("ARV.INI"));
    ini.set("E-mail", "Promemoria bonifico", "S");
    MailSettingsGroup group;
    EXPECT_EQ("Parametri", group.title());
    group.setSettings(MailSettings::load(ini));

    // A required value missing: the message, nothing written.
    group.senderEdit()->setText("agenzia@example.it");
    EXPECT_FALSE(group.confirm(ini));
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Indicare il server smtp.", boxes[0]);
    EXPECT_FALSE(ini.has("E-mail", "Mittente"));

    group.serverEdit()->setText("  smtp.example.it  ");
    ASSERT_TRUE(group.confirm(ini));
    EXPECT_EQ("smtp.example.it", ini.get("E-mail", "Server smtp"));
    EXPECT_EQ("Connessione fissa", ini.get("E-mail", "Connessione"));
    EXPECT_EQ("N", ini.get("E-mail", "SSL"));
    EXPECT_EQ("S", ini.get("E-mail", "Promemoria bonifico"));
    EXPECT_EQ("smtp.example.it", group.settings().server);
}
