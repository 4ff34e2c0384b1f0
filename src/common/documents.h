// Files attached to the records of an archive (scans, PDFs). Each archive keeps them in a folder of
// its own; a file attached to the record with key K is stored as
//   folder "/" K-trimmed-lower-cased-with-"/"-as-"_" "_" file-name
// so that the names stay readable and one listing finds the files of a record.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace arv {

// Reads one setting (section, key) of ARV.INI; an empty text when it is not set.
using SettingLookup = std::function<std::string(const std::string& section, const std::string& key)>;

inline constexpr const char* kDocumentsSection = "Documenti";
inline constexpr const char* kMsgDocumentMissing = "Impossibile trovare il file;;";
inline constexpr const char* kMsgDocumentCopyFailed = "Si è verificato un errore durante l'acquisizione del file;;";
inline constexpr const char* kMsgDocumentAcquired = "File acquisito con successo.";
inline constexpr const char* kTitleAddDocument = "Aggiungi documento";
inline constexpr const char* kTitleOpenDocument = "Apri";

// The folder of an archive's documents: the setting "Documenti" / archive when it is set (a
// relative value counts from the working folder), otherwise a folder named like the archive in the
// working folder. Nothing is created here.
std::filesystem::path documentFolder(const std::filesystem::path& workFolder, const std::string& archive,
                                     const SettingLookup& setting);

// Creates the folder when it is missing; false when it cannot be created.
bool ensureDocumentFolder(const std::filesystem::path& folder);

// The start of the stored names of a record's files: the key trimmed, lower-cased, every "/" made
// "_", then "_".
std::string documentPrefix(std::string_view key);

// Where a file attached to the record is stored (only the file's own name is kept).
std::filesystem::path documentPath(const std::filesystem::path& folder, std::string_view key,
                                   const std::filesystem::path& file);

// The record's files, sorted by name.
std::vector<std::filesystem::path> documentsOf(const std::filesystem::path& folder, std::string_view key);

// The first name "name (2).ext", "name (3).ext" ... beside the stored name that is not taken yet.
std::filesystem::path freeDocumentPath(const std::filesystem::path& folder, std::string_view key,
                                       const std::filesystem::path& file);

// What to do when the record already has a file of the same name.
enum class ReplaceChoice { Replace, KeepBoth, Cancel };

enum class AttachStatus { Done, Cancelled, Missing, CopyFailed };

struct AttachResult {
    AttachStatus status = AttachStatus::Cancelled;
    std::filesystem::path stored;  // the stored file when Done
    std::string message;           // the message to show, empty when there is none
};

// Question asked before an earlier attachment of the same name is replaced (Yes replaces, No keeps
// both under a numbered name, Cancel gives up).
std::string documentReplaceQuestion(const std::string& storedName);

// Copies SOURCE into the archive's folder under the record's name. An existing attachment of the
// same name is never overwritten silently: ASK decides (no ASK means keep both). The copy is
// written beside the target and renamed over it, so a failed copy leaves no half file behind.
// With NOTIFY the success message is given.
AttachResult attachDocument(const std::filesystem::path& folder, std::string_view key,
                            const std::filesystem::path& source, bool notify,
                            const std::function<ReplaceChoice(const std::filesystem::path& existing)>& ask);

// The message shown when no application opens a file of this type.
std::string noApplicationMessage(const std::filesystem::path& file);

} // namespace arv
