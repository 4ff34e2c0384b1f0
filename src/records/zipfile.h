// ZIP archives of the working folder's files: the backup, the restore source and the archive
// mailed to another office. Standard ZIP entries (deflate, no password), each
// stored under its bare file name so that any unzip program reads them.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace arv::records {

inline constexpr const char* kMsgFileNotFound = "Impossibile trovare il file;;";
inline constexpr const char* kMsgZipCreateError = "Si è verificato un errore durante la creazione del file;;";
inline constexpr const char* kMsgUnzipError = "Si è verificato un errore durante la decompressione del file;;";

// The outcome of an archive operation: ok, or the message to show.
struct ZipResult {
    bool ok = true;
    std::string message;
    explicit operator bool() const { return ok; }
};

// ZIP: writes ARCHIVE holding every file of FILES (paths). Every listed file must exist first
// ("Impossibile trovare il file;;" + name, nothing written). The archive is written under a
// temporary name beside ARCHIVE and renamed over it only when complete, so an existing archive
// of that name survives a failed save. Entries get their bare names, or with KEEPFOLDERS the
// path as given (without a leading "/" or "./"). A password is refused (the system's ZIP layer
// cannot write entries other programs decrypt); UNZIP reads password-protected entries.
ZipResult ZIP(const std::string& archive, const std::vector<std::string>& files, bool usePassword = false,
              const std::string& password = {}, bool keepFolders = false);

// How an entry name of an archive is treated when extracted.
struct EntryName {
    enum Kind { File, Folder, Refused } kind = File;
    std::string name; // the bare name a file is written under
};
// Names holding "..", an absolute path or a drive are refused; a name with plain folders gives
// its last part; a name ending in "/" is a folder entry (nothing to write).
EntryName entryName(std::string_view stored);

// One entry of an archive, as listed in its central directory.
struct ZipEntry {
    std::string stored;        // the name in the archive
    unsigned long long size;   // uncompressed bytes
};
// Lists the entries; false with the message when the archive cannot be read.
bool listZip(const std::string& archive, std::vector<ZipEntry>& entries, std::string* message = nullptr);

// UNZIP: extracts every entry (or only ONEFILE, compared by bare name ignoring case) into
// TARGETFOLDER under its bare name. The whole archive is checked first: a refused name, two
// entries with the same bare name, too little free space, a damaged entry or a CRC error
// leaves TARGETFOLDER as it was (every entry is written to a temporary name, checked, and put
// in place only when all of them are sound). EXTRACTED, when given, receives the names written.
ZipResult UNZIP(const std::string& archive, bool usePassword = false, const std::string& password = {},
                const std::string& oneFile = {}, const std::string& targetFolder = ".",
                std::vector<std::string>* extracted = nullptr);

} // namespace arv::records
