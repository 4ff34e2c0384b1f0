#include "ui/printing.h"

#include "common/printjob.h"
#include "common/sendmail.h"
#include "common/tempnames.h"
#include "ui/popmsg.h"
#include "ui/previewwindow.h"
#include "ui/printrender.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPageLayout>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace arv {

namespace {

SaveFileChooser g_saveChooser;
MailComposer g_composer;
UrlOpener g_urlOpener;
DocumentPrinter g_printer;
std::string g_fallbackFolder;
// The printer chosen in "Imposta stampante..." for the jobs that name none (empty: the system's
// default printer).
std::string g_chosenPrinter;

std::string effectivePrinter(const std::string& name) { return name.empty() ? g_chosenPrinter : name; }

// The small window of a running print job: its name as caption, a printer, the page being made
// and a cancel button (Escape cancels too). The window that was active is disabled meanwhile.
class PrintProgressDialog : public QDialog {
public:
    explicit PrintProgressDialog(const QString& docName, QWidget* parent) : QDialog(parent)
    {
        setWindowTitle(docName);
        setModal(false);
        auto* layout = new QVBoxLayout(this);
        auto* row = new QHBoxLayout;
        auto* icon = new QLabel(this);
        icon->setPixmap(previewIcon("PRINT").pixmap(48, 48));
        row->addWidget(icon);
        page_ = new QLabel("Pagina: 1", this);
        page_->setMinimumWidth(140);
        row->addWidget(page_, 1);
        layout->addLayout(row);
        auto* cancel = new QPushButton("Annulla", this);
        connect(cancel, &QPushButton::clicked, this, [this] { cancelled = true; });
        layout->addWidget(cancel, 0, Qt::AlignHCenter);
    }
    void setPage(int page) { page_->setText(QString("Pagina: %1").arg(page)); }
    bool cancelled = false;

protected:
    void keyPressEvent(QKeyEvent* e) override
    {
        if (e->key() == Qt::Key_Escape) {
            cancelled = true;
            return;
        }
        QDialog::keyPressEvent(e);
    }
    void closeEvent(QCloseEvent* e) override
    {
        cancelled = true;
        e->ignore();
    }

private:
    QLabel* page_ = nullptr;
};

QPointer<PrintProgressDialog> g_progress;
QPointer<QWidget> g_disabled;

void progressOpen(const std::string& docName)
{
    if (g_progress) g_progress->deleteLater();
    QWidget* active = QApplication::activeWindow();
    if (active == g_progress) active = g_disabled;
    g_progress = new PrintProgressDialog(QString::fromStdString(docName), active);
    // A job started while another runs leaves the first job's window to be enabled again.
    if (active && !g_disabled) {
        active->setEnabled(false);
        g_disabled = active;
    }
    g_progress->setEnabled(true);
    g_progress->show();
    QCoreApplication::processEvents();
}

void progressClose()
{
    if (g_disabled) g_disabled->setEnabled(true);
    g_disabled = nullptr;
    if (g_progress) {
        g_progress->hide();
        g_progress->deleteLater();
    }
    g_progress = nullptr;
}

void showError(const std::string& text) { POPMSG(text, 1); }

PageGeometry printerGeometry(const std::string& requested, bool landscape)
{
    const std::string name = effectivePrinter(requested);
    PageGeometry g = landscape ? PageGeometry::a4Landscape() : PageGeometry::a4Portrait();
    if (name == PDFPRINTER()) return g;
    const QPrinterInfo info = name.empty() ? QPrinterInfo::defaultPrinter() : QPrinterInfo::printerInfo(QString::fromStdString(name));
    if (info.isNull()) return g;
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    const QPageLayout layout = printer.pageLayout();
    const QRectF full = layout.fullRect(QPageLayout::Millimeter);
    const QMarginsF margins = layout.minimumMargins();
    const double toMm = layout.units() == QPageLayout::Millimeter ? 1.0 : 25.4 / 72.0;
    if (full.width() <= 0 || full.height() <= 0) return g;
    g.paperWidthMm = full.width();
    g.paperHeightMm = full.height();
    g.leftMm = margins.left() * toMm;
    g.topMm = margins.top() * toMm;
    g.rightMm = margins.right() * toMm;
    g.bottomMm = margins.bottom() * toMm;
    if (g.printableWidthMm() < 50 || g.printableHeightMm() < 50) return landscape ? PageGeometry::a4Landscape() : PageGeometry::a4Portrait();
    return g;
}

std::string chooseSaveFile(const std::string& title, const std::string& filter, const std::string& proposed,
                           QWidget* parent)
{
    if (g_saveChooser) return g_saveChooser(title, filter, proposed);
    QFileDialog dialog(parent ? parent : QApplication::activeWindow(), QString::fromStdString(title), QString(),
                       QString::fromStdString(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    // The program asks its own question before replacing a file.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setLabelText(QFileDialog::LookIn, "Salva in:");
    dialog.setLabelText(QFileDialog::FileName, "Nome file:");
    dialog.setLabelText(QFileDialog::FileType, "Tipo file:");
    dialog.setLabelText(QFileDialog::Accept, "Salva");
    dialog.setLabelText(QFileDialog::Reject, "Annulla");
    dialog.selectFile(QString::fromStdString(proposed));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first().toStdString();
}

// A document name as a file name: characters that folders or the desktop refuse become "_".
std::string safeFileName(const std::string& name)
{
    std::string out;
    for (char c : name) out += (c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' ||
                                c == '>' || c == '|' || c == kTempPrefix || static_cast<unsigned char>(c) < 32)
                                   ? '_'
                                   : c;
    while (!out.empty() && (out.back() == ' ' || out.back() == '.')) out.pop_back();
    return out.empty() ? std::string("Documento") : out;
}

bool generatePdf(const PrintDocument& doc, const std::string& path)
{
    POPMSG("Generazione PDF in corso...");
    const bool ok = writePdf(doc, path);
    POPMSG();
    if (!ok) POPMSG("Si è verificato un errore durante la creazione del PDF.", 1);
    return ok;
}

bool defaultComposer(const std::string& pdf)
{
    const QString xdg = QStandardPaths::findExecutable("xdg-email");
    if (xdg.isEmpty()) return false;
    return QProcess::startDetached(xdg, {"--attach", QString::fromStdString(pdf)});
}

bool openUrl(const std::string& url)
{
    if (g_urlOpener) return g_urlOpener(url);
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

} // namespace

void setSaveFileChooser(SaveFileChooser chooser) { g_saveChooser = std::move(chooser); }
void setMailComposer(MailComposer composer) { g_composer = std::move(composer); }
void setUrlOpener(UrlOpener opener) { g_urlOpener = std::move(opener); }
void setMailFallbackFolder(std::string folder) { g_fallbackFolder = std::move(folder); }
void setDocumentPrinter(DocumentPrinter printer) { g_printer = std::move(printer); }

void installPrintHooks()
{
    installFontSubstitutions();
    setTextMeasurer(std::make_shared<QtTextMeasurer>());
    PrintHooks& h = printHooks();
    h.printerInstalled = [](const std::string& name) { return printerInstalled(name); };
    h.geometry = printerGeometry;
    h.progressOpen = progressOpen;
    h.progressPage = [](int page) {
        if (g_progress) g_progress->setPage(page);
        QCoreApplication::processEvents();
    };
    h.progressCancelled = [] {
        QCoreApplication::processEvents();
        return g_progress && g_progress->cancelled;
    };
    h.progressClose = progressClose;
    h.print = [](const PrintDocument& doc, const std::string& printer) { outputDocument(doc, printer); };
    h.preview = [](const PrintDocument& doc, bool noPrint, const std::string& printer) {
        previewJob(doc, noPrint, printer);
    };
    h.message = showError;

    SendMailHooks& m = sendMailHooks();
    m.waitShowing = [] { return !CURMSG().empty(); };
    m.show = [](const std::string& text) {
        POPMSG(text);
        QCoreApplication::processEvents();
    };
    m.hide = [] { POPMSG(); };
}

void previewJob(const PrintDocument& doc, bool noPrint, const std::string& printer, QWidget* parent)
{
    PreviewWindow w(doc, noPrint, printer, parent ? parent : QApplication::activeWindow());
    w.setWindowState(w.windowState() | Qt::WindowMaximized);
    w.exec();
}

void previewJob(const TPRINTER& job, QWidget* parent)
{
    previewJob(job.document(), job.options().noPrint, job.options().printer, parent);
}

bool outputDocument(const PrintDocument& doc, const std::string& printer, QWidget* parent)
{
    if (printer == PDFPRINTER()) return savePdfAs(doc, parent).has_value();
    const std::string target = effectivePrinter(printer);
    const bool ok = g_printer ? g_printer(doc, target) : printDocument(doc, target);
    if (!ok) POPMSG("Impossibile stampare il documento.", 1);
    return ok;
}

bool printerInstalled(const std::string& name)
{
    if (name.empty() || name == PDFPRINTER()) return true;
    return QPrinterInfo::availablePrinterNames().contains(QString::fromStdString(name));
}

std::vector<std::string> ADEVNAMES()
{
    std::vector<std::string> names;
    for (const QString& n : QPrinterInfo::availablePrinterNames()) names.push_back(n.toStdString());
    std::sort(names.begin(), names.end());
    names.insert(names.begin(), std::string());
    return names;
}

bool PSETUP(QWidget* parent)
{
    QPrinter printer;
    if (!g_chosenPrinter.empty()) printer.setPrinterName(QString::fromStdString(g_chosenPrinter));
    QPrintDialog dialog(&printer, parent ? parent : QApplication::activeWindow());
    dialog.setWindowTitle("Imposta stampante");
    if (dialog.exec() != QDialog::Accepted) return false;
    if (printer.outputFormat() == QPrinter::NativeFormat) g_chosenPrinter = printer.printerName().toStdString();
    return true;
}

std::string chosenPrinter() { return g_chosenPrinter; }
void setChosenPrinter(std::string name) { g_chosenPrinter = std::move(name); }

std::string pdfTargetName(const std::string& chosen)
{
    const fs::path p(chosen);
    std::string ext = p.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".pdf" ? chosen : chosen + ".pdf";
}

std::optional<std::string> savePdfAs(const PrintDocument& doc, QWidget* parent)
{
    const std::string chosen =
        chooseSaveFile("Salva in", "File PDF (*.pdf)", safeFileName(doc.name) + ".pdf", parent);
    if (chosen.empty()) return std::nullopt;
    // The extension is settled first, so the question about an existing file is asked about the
    // file that would really be replaced.
    const std::string target = pdfTargetName(chosen);
    std::error_code ec;
    if (fs::exists(target, ec) && !POPMSG("Il file " + target + " già esiste. Lo sovrascrivo?", 2)) return std::nullopt;
    if (!generatePdf(doc, target)) return std::nullopt;
    return target;
}

bool mailPdf(const PrintDocument& doc, QWidget*)
{
    std::error_code ec;
    const fs::path folder = fs::temp_directory_path(ec) / GETNEWFNAME();
    fs::create_directories(folder, ec);
    const fs::path pdf = folder / (safeFileName(doc.name) + ".pdf");
    if (ec || !generatePdf(doc, pdf.string())) {
        fs::remove_all(folder, ec);
        return false;
    }
    // The composer reads the file after it has started: the temporary folder is left to the
    // start-up cleanup of the next run.
    const MailComposer& composer = g_composer ? g_composer : MailComposer(defaultComposer);
    if (composer(pdf.string())) return true;

    // No composer that attaches files: the PDF goes where the user can find it.
    fs::path dest = g_fallbackFolder;
    if (dest.empty()) {
        QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (docs.isEmpty()) docs = QStandardPaths::writableLocation(QStandardPaths::HomeLocation);
        dest = docs.toStdString();
    }
    fs::create_directories(dest, ec);
    fs::path saved = dest / pdf.filename();
    for (int n = 2; fs::exists(saved, ec); ++n)
        saved = dest / (pdf.stem().string() + " (" + std::to_string(n) + ").pdf");
    fs::copy_file(pdf, saved, ec);
    fs::remove_all(folder, ec);
    if (ec) {
        POPMSG("Si è verificato un errore durante la creazione del PDF.", 1);
        return false;
    }
    openUrl("mailto:");
    POPMSG("Il PDF è stato salvato in;" + saved.string() + ";;Allegarlo al messaggio.", 1);
    return true;
}

} // namespace arv
