// Disks, folders and files of the working folder.
//
// A "drive" is the folder a check is made on (the working folder, a backup target). These
// helpers never show anything: when the user must be told, the result carries the Italian
// message for the caller to show.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace arv {

// The answer of a check plus the message to show ("" when there is none).
struct DiskCheck {
    bool value = false;
    std::string message;
    explicit operator bool() const { return value; }
};

inline constexpr std::string_view kMsgDiscoNonPronto = "Disco non pronto.";
inline constexpr std::string_view kMsgSpazioInsufficiente = "Spazio su disco insufficiente.";
inline constexpr std::string_view kMsgDiscoProtetto = "Disco protetto da scrittura.";

// True when the drive can be entered; otherwise false with "Disco non pronto." (only when
// `withMessage`). An empty drive is the current folder.
DiskCheck ISREADY(std::string_view drive, bool withMessage = true);
// True when the drive is NOT usable for writing `minBytes`: "Disco non pronto." when it cannot
// be entered, "Spazio su disco insufficiente." when less is free. False for an empty drive name.
DiskCheck ISFULL(std::string_view drive, unsigned long long minBytes = 8192);
// True when the drive is not ready ("Disco non pronto.") or a probe file cannot be created in it
// ("Disco protetto da scrittura."); the probe file is removed again.
DiskCheck ISPROTECTED(std::string_view drive);

// Every file (hidden and read-only included) matching any of the patterns ("DIR/*.NTX",
// "*.DBF"); letters match in either case. Each name once, with the pattern's folder in front.
std::vector<std::string> WILDEXP(const std::vector<std::string>& patterns);
// Deletes every file of the folder, stopping at the first that cannot be deleted; true when all
// went. Sub-folders are left alone.
bool DELDIR(std::string_view folder);
// Deletes the file unless its folder is write-protected or the file is read-only; true when
// it was deleted. `message` gets "Disco protetto da scrittura." when that was the reason.
bool DELFILE(std::string_view file, std::string* message = nullptr);
// True when the folder exists and can be entered.
bool DIR(std::string_view folder);
// True when the trimmed, upper-cased name is not empty and holds none of " * / : < > ? \ |
// (nor control characters).
bool LFNFNAME(std::string_view name);

// The file NAME in FOLDER whatever its case ("ARV.DLL" finds "arv.dll"); nothing when absent. A
// name that is not a bare file name (empty, ".", "..", with "/" or "\\") finds nothing: the
// file is looked for in FOLDER only.
std::optional<std::filesystem::path> findFileNoCase(const std::filesystem::path& folder, const std::string& name);

} // namespace arv
