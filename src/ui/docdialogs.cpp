#include "ui/docdialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QUrl>

#include "ui/popmsg.h"

namespace fs = std::filesystem;

namespace arv {

namespace {

fs::path g_workFolder = ".";
SettingLookup g_setting;
FileChooser g_chooser;
FileOpener g_opener;

// The file dialog with its texts in Italian, whatever translations the system has.
QFileDialog* fileDialog(const std::string& title, const std::string& folder, const std::string& filter,
                        QWidget* parent)
{
    auto* dialog = new QFileDialog(parent, QString::fromStdString(title), QString::fromStdString(folder),
                                   QString::fromStdString(filter));
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    dialog->setLabelText(QFileDialog::LookIn, "Cerca in:");
    dialog->setLabelText(QFileDialog::FileName, "Nome file:");
    dialog->setLabelText(QFileDialog::FileType, "Tipo file:");
    dialog->setLabelText(QFileDialog::Accept, "Apri");
    dialog->setLabelText(QFileDialog::Reject, "Annulla");
    return dialog;
}

std::string chooseFile(const std::string& title, const std::string& folder, const std::string& filter)
{
    if (g_chooser) return g_chooser(title, folder, filter);
    std::unique_ptr<QFileDialog> dialog(fileDialog(title, folder, filter, QApplication::activeWindow()));
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return {};
    return dialog->selectedFiles().first().toStdString();
}

bool openFile(const fs::path& file)
{
    if (g_opener) return g_opener(file);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(file.string())));
}

// A file-dialog pattern matching the names that begin with the record's prefix. Blanks separate
// patterns and brackets, "*" and "?" are wildcards, so each of them stands for "any character".
std::string documentFilter(const std::string& key)
{
    std::string pattern = documentPrefix(key);
    for (char& c : pattern)
        if (c == ' ' || c == '[' || c == ']' || c == '*' || c == '?' || c == '(' || c == ')') c = '?';
    return "Documenti (" + pattern + "*)";
}

ReplaceChoice askReplace(const fs::path& existing)
{
    int answer = POPMSG(documentReplaceQuestion(existing.filename().string()), 3);
    if (answer == kAnswerYes) return ReplaceChoice::Replace;
    if (answer == kAnswerNo) return ReplaceChoice::KeepBoth;
    return ReplaceChoice::Cancel;
}

} // namespace

void setDocumentSettings(fs::path workFolder, SettingLookup setting)
{
    g_workFolder = std::move(workFolder);
    g_setting = std::move(setting);
}

void setFileChooser(FileChooser chooser)
{
    g_chooser = std::move(chooser);
}

void setFileOpener(FileOpener opener)
{
    g_opener = std::move(opener);
}

fs::path archiveDocumentFolder(const std::string& archive)
{
    return documentFolder(g_workFolder, archive, g_setting);
}

bool NEWDOC(const std::string& key, const std::string& archive, bool notify)
{
    fs::path folder = archiveDocumentFolder(archive);
    ensureDocumentFolder(folder);
    std::string source = chooseFile(kTitleAddDocument, folder.string(), "Tutti i file (*)");
    if (source.empty()) return false;
    AttachResult result = attachDocument(folder, key, source, notify, askReplace);
    if (!result.message.empty()) POPMSG(result.message, 1);
    return result.status == AttachStatus::Done;
}

QFileDialog* createOpenDocumentDialog(const fs::path& folder, const std::string& key, QWidget* parent)
{
    return fileDialog(kTitleOpenDocument, folder.string(), documentFilter(key), parent);
}

void VISDOC(const std::string& key, const std::string& archive)
{
    fs::path folder = archiveDocumentFolder(archive);
    std::vector<fs::path> files = documentsOf(folder, key);
    if (files.empty()) {
        if (!NEWDOC(key, archive, false)) return;
        files = documentsOf(folder, key);
        if (files.empty()) return;
    }
    fs::path chosen;
    if (files.size() == 1) {
        chosen = files.front();
    } else {
        chosen = chooseFile(kTitleOpenDocument, folder.string(), documentFilter(key));
    }
    if (chosen.empty()) return;
    if (!openFile(chosen)) POPMSG(noApplicationMessage(chosen), 1);
}

} // namespace arv
