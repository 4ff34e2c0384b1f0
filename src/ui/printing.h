// The screens' side of printing: the progress window of a print job, the preview window, the
// printer, PDF files and the mail composer.
//
// installPrintHooks() (called once by the program) connects the print job of common/printjob.h
// and SENDMAIL to these windows; previewJob() shows any finished document in the preview.
#pragma once

#include "common/pagemodel.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace arv {

// Fonts, text measuring, the progress window, preview, printer and messages of the print job;
// the wait message of SENDMAIL.
void installPrintHooks();

// The preview window over the document, modal. noPrint hides "Stampa documento"; printer is
// where that button prints (empty: the default printer).
void previewJob(const PrintDocument& doc, bool noPrint = false, const std::string& printer = {},
                QWidget* parent = nullptr);

// The preview of a job's pages so far (the job itself goes on).
class TPRINTER;
void previewJob(const TPRINTER& job, QWidget* parent = nullptr);

// The print of a document: on the PDF output it asks for the file (as "Salva come PDF"),
// otherwise it goes to the printer ("Impossibile stampare il documento." when the printer refuses
// it). False when nothing was printed.
bool outputDocument(const PrintDocument& doc, const std::string& printer, QWidget* parent = nullptr);

// PSETUP: the printer-setup dialog; true when confirmed. The printer chosen there prints the jobs
// that name none, for the rest of the session.
bool PSETUP(QWidget* parent = nullptr);
std::string chosenPrinter();
void setChosenPrinter(std::string name);
// ADEVNAMES: the installed printers, sorted, after an empty first entry.
std::vector<std::string> ADEVNAMES();
bool printerInstalled(const std::string& name);

// The file name a PDF is saved under: ".pdf" is added when the name has another extension or
// none.
std::string pdfTargetName(const std::string& chosen);

// "Salva come PDF": asks for the file ("Salva in", "File PDF (*.pdf)", the document name +
// ".pdf" proposed), asks before replacing a file, writes it under "Generazione PDF in corso...".
// Gives the file written, nothing when cancelled or failed (the failure is shown).
std::optional<std::string> savePdfAs(const PrintDocument& doc, QWidget* parent = nullptr);

// "Invia PDF per email": the PDF in a temporary folder, then a new message of the desktop's mail
// program with it attached. Without a composer that attaches files the PDF is saved in the
// documents folder, an empty message is opened and a box says where the file is.
bool mailPdf(const PrintDocument& doc, QWidget* parent = nullptr);

// Replaceable for running without a user or a desktop.
using SaveFileChooser = std::function<std::string(const std::string& title, const std::string& filter,
                                                  const std::string& proposed)>;
void setSaveFileChooser(SaveFileChooser chooser);
// Opens a new message with the file attached; false when no such composer is available.
using MailComposer = std::function<bool(const std::string& pdfPath)>;
void setMailComposer(MailComposer composer);
// Opens a "mailto:" address (the fallback of mailPdf).
using UrlOpener = std::function<bool(const std::string& url)>;
void setUrlOpener(UrlOpener opener);
// Where the fallback of mailPdf saves the PDF (default: the user's documents folder).
void setMailFallbackFolder(std::string folder);
// Sends a document to a printer (default: printDocument).
using DocumentPrinter = std::function<bool(const PrintDocument& doc, const std::string& printer)>;
void setDocumentPrinter(DocumentPrinter printer);

} // namespace arv
