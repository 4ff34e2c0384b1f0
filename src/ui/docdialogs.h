// Attaching files to a record and opening them (the windows over common/documents.h).
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "common/documents.h"

class QFileDialog;
class QWidget;

namespace arv {

// Where the archives' document folders are found: the working folder and the reader of the
// "Documenti" settings. Set once at start.
void setDocumentSettings(std::filesystem::path workFolder, SettingLookup setting);

// Picks a file: (title, folder, name filter) -> the chosen path, empty when cancelled. Replaced in
// runs without a user; by default the system's file dialog.
using FileChooser = std::function<std::string(const std::string& title, const std::string& folder,
                                              const std::string& filter)>;
void setFileChooser(FileChooser chooser);

// Opens a file with the application the system associates with its type; false when none does.
using FileOpener = std::function<bool(const std::filesystem::path& file)>;
void setFileOpener(FileOpener opener);

// Asks for a file ("Aggiungi documento") and copies it among the record's documents. When the
// record already has a file of that name the user chooses to replace it, keep both or give up.
// NOTIFY gives "File acquisito con successo." at the end. True when a file was attached.
bool NEWDOC(const std::string& key, const std::string& archive, bool notify = true);

// Opens one of the record's files: with none it first offers NEWDOC (without the success
// message), with more than one it asks which ("Apri").
void VISDOC(const std::string& key, const std::string& archive);

// The archive's document folder as the settings give it.
std::filesystem::path archiveDocumentFolder(const std::string& archive);

// The "Apri" dialog over a record's files, not shown.
QFileDialog* createOpenDocumentDialog(const std::filesystem::path& folder, const std::string& key,
                                      QWidget* parent = nullptr);

} // namespace arv
